#include "eml2msg/input_folders.h"

namespace mailvane::cli {

filing::SourceFile::PosixOpen InputOpener() { return nullptr; }

}  // namespace mailvane::cli
