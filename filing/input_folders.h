#pragma once

#include "filing/source_file.h"

namespace mailvane::filing {

// How a run opens the files it converts one after another: on POSIX relative to the
// folder of the last input the thread opened, so that a folder's files take
// one walk of its path and a folder moved away during a run is followed to
// its new place; null (by the path) elsewhere.
SourceFile::PosixOpen InputOpener();

}  // namespace mailvane::filing
