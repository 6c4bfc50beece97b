#pragma once

#include <string>

namespace mailvane::cli {

// The name of the temporary file that becomes `targetName` (UTF-8), unique
// in this process by `serial`: ".<name>.<process>-<serial>.tmp", with the
// name cut (between characters) so that the whole stays within the file
// systems' 255-byte name limit whatever the target's length.
std::string TemporaryNameFor(const std::string& targetName, unsigned long processId, unsigned serial);

}  // namespace mailvane::cli
