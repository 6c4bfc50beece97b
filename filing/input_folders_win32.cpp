#include "filing/input_folders.h"

namespace mailvane::filing {

SourceFile::PosixOpen InputOpener() { return nullptr; }

}  // namespace mailvane::filing
