#pragma once

#include "filing/source_file.h"

namespace mailvane::cli {

// How eml2msg opens the .eml files it converts: on POSIX relative to the
// folder of the last input the thread opened, so that a folder's files take
// one walk of its path and a folder moved away during a run is followed to
// its new place; null (by the path) elsewhere.
filing::SourceFile::PosixOpen InputOpener();

}  // namespace mailvane::cli
