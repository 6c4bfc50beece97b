#pragma once

namespace mailvane::framework {

// Prepares the user-interface thread to host OLE and shell components: the
// Vista file dialog and the new-style folder picker need OLE initialised on
// the thread that shows them. Safe to call more than once.
void AfxEnableControlContainer();
// Undoes AfxEnableControlContainer; the application calls it when it ends.
void AfxTermControlContainer();

}  // namespace mailvane::framework
