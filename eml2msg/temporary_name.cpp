#include "eml2msg/temporary_name.h"

#include <charconv>

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

std::optional<unsigned long> TemporaryOwner(std::string_view fileName) {
    constexpr std::string_view kEnd = ".tmp";
    if (fileName.size() < 2 || fileName[0] != '.' || !fileName.ends_with(kEnd)) return std::nullopt;
    fileName.remove_suffix(kEnd.size());
    auto digitsBefore = [&fileName](char separator) -> std::optional<std::string_view> {
        const std::size_t at = fileName.rfind(separator);
        if (at == std::string_view::npos || at + 1 == fileName.size()) return std::nullopt;
        const std::string_view digits = fileName.substr(at + 1);
        for (const char c : digits) {
            if (c < '0' || c > '9') return std::nullopt;
        }
        fileName = fileName.substr(0, at);
        return digits;
    };
    if (!digitsBefore('-')) return std::nullopt;
    const std::optional<std::string_view> process = digitsBefore('.');
    // What is left is the dot in front and the target's name.
    if (!process || fileName.size() < 2) return std::nullopt;
    unsigned long id = 0;
    const auto [end, error] = std::from_chars(process->data(), process->data() + process->size(), id);
    if (error != std::errc() || end != process->data() + process->size()) return std::nullopt;
    return id;
}

bool IsLeftoverTemporary(const FoundTemporary& found) {
    if (found.ownedByThisProcess) return false;
    if (found.sinceWritten >= kQuietForAnyLeftover) return true;
    return !found.ownerRunning && found.sinceWritten >= kQuietForLeftover;
}

}  // namespace mailvane::cli
