#include "eml2msg/temporary_name.h"

namespace mailvane::cli {

namespace {

// Room left in a 255-byte name for the dot in front and the
// ".<process>-<serial>.tmp" behind.
constexpr std::size_t kKeptNameBytes = 200;

}  // namespace

std::string TemporaryNameFor(const std::string& targetName, unsigned long processId, unsigned serial) {
    std::size_t kept = targetName.size();
    if (kept > kKeptNameBytes) {
        kept = kKeptNameBytes;
        // Cut between characters: never inside a UTF-8 sequence.
        while (kept > 0 && (static_cast<unsigned char>(targetName[kept]) & 0xC0) == 0x80) --kept;
    }
    return "." + targetName.substr(0, kept) + "." + std::to_string(processId) + "-" + std::to_string(serial) + ".tmp";
}

}  // namespace mailvane::cli
