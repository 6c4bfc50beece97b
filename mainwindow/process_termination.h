#pragma once

namespace mailvane::mainwindow {

// Ends this process at once with exit code 0: no dialog is ended and no
// destructor runs. Returns only when the process could not be opened or
// terminated; the caller then ends the program the ordinary way.
void TerminateThisProcess();

}  // namespace mailvane::mainwindow
