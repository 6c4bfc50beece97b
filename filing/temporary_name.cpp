#include "filing/temporary_name.h"

#include <charconv>

namespace mailvane::filing {

namespace {

// Room left in a 255-byte name for the dot in front and the
// ".<process>-<serial>.tmp" behind. Both forms are cut to this many bytes
// of UTF-8: a name never has more UTF-16 units than it has bytes, and under
// Wine a Windows name is a Linux one, counted in bytes.
constexpr std::size_t kKeptNameBytes = 200;

// How many of the first units of `name` keep within kKeptNameBytes, cut
// between characters: never inside a UTF-8 sequence or a surrogate pair.
std::size_t KeptUnits(std::string_view name) {
    if (name.size() <= kKeptNameBytes) return name.size();
    std::size_t kept = kKeptNameBytes;
    while (kept > 0 && (static_cast<unsigned char>(name[kept]) & 0xC0) == 0x80) --kept;
    return kept;
}

std::size_t KeptUnits(std::u16string_view name) {
    std::size_t bytes = 0;
    std::size_t at = 0;
    while (at < name.size()) {
        const char16_t c = name[at];
        const bool pair =
            c >= 0xD800 && c <= 0xDBFF && at + 1 < name.size() && name[at + 1] >= 0xDC00 && name[at + 1] <= 0xDFFF;
        // A surrogate without its pair is spelt as U+FFFD, of three bytes.
        const std::size_t size = pair ? 4 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        if (bytes + size > kKeptNameBytes) break;
        bytes += size;
        at += pair ? 2 : 1;
    }
    return at;
}

template <typename Char>
std::basic_string<Char> NameFor(std::basic_string_view<Char> targetName, unsigned long processId, unsigned serial) {
    const std::size_t kept = KeptUnits(targetName);
    const std::string tail = "." + std::to_string(processId) + "-" + std::to_string(serial) + ".tmp";
    std::basic_string<Char> name(1, Char('.'));
    name.append(targetName.substr(0, kept));
    name.append(tail.begin(), tail.end());
    return name;
}

template <typename Char>
std::optional<unsigned long> OwnerOf(std::basic_string_view<Char> fileName) {
    constexpr std::size_t kEnd = 4;  // ".tmp"
    const auto endsInTmp = [&fileName] {
        const std::size_t at = fileName.size() - kEnd;
        return fileName[at] == Char('.') && fileName[at + 1] == Char('t') && fileName[at + 2] == Char('m') &&
               fileName[at + 3] == Char('p');
    };
    if (fileName.size() < 2 + kEnd || fileName[0] != Char('.') || !endsInTmp()) return std::nullopt;
    fileName.remove_suffix(kEnd);
    auto digitsBefore = [&fileName](Char separator) -> std::optional<std::basic_string_view<Char>> {
        const std::size_t at = fileName.rfind(separator);
        if (at == std::basic_string_view<Char>::npos || at + 1 == fileName.size()) return std::nullopt;
        const std::basic_string_view<Char> digits = fileName.substr(at + 1);
        for (const Char c : digits) {
            if (c < Char('0') || c > Char('9')) return std::nullopt;
        }
        fileName = fileName.substr(0, at);
        return digits;
    };
    if (!digitsBefore(Char('-'))) return std::nullopt;
    const std::optional<std::basic_string_view<Char>> process = digitsBefore(Char('.'));
    // What is left is the dot in front and the target's name.
    if (!process || fileName.size() < 2) return std::nullopt;
    const std::string ascii(process->begin(), process->end());
    unsigned long id = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), id);
    if (error != std::errc() || end != ascii.data() + ascii.size()) return std::nullopt;
    return id;
}

}  // namespace

std::string TemporaryNameFor(std::string_view targetName, unsigned long processId, unsigned serial) {
    return NameFor(targetName, processId, serial);
}

std::u16string TemporaryNameFor(std::u16string_view targetName, unsigned long processId, unsigned serial) {
    return NameFor(targetName, processId, serial);
}

std::optional<unsigned long> TemporaryOwner(std::string_view fileName) { return OwnerOf(fileName); }

std::optional<unsigned long> TemporaryOwner(std::u16string_view fileName) { return OwnerOf(fileName); }

bool IsEarlierComponentTemporary(std::u16string_view fileName) {
    constexpr std::u16string_view kInfix = u".tmp";
    constexpr std::size_t kTagDigits = 8;
    if (fileName.size() < 2 + kInfix.size() + kTagDigits || fileName[0] != u'~') return false;
    const std::u16string_view tag = fileName.substr(fileName.size() - kTagDigits);
    for (const char16_t c : tag) {
        const bool hex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (!hex) return false;
    }
    const std::u16string_view infix = fileName.substr(fileName.size() - kTagDigits - kInfix.size(), kInfix.size());
    for (std::size_t i = 0; i < kInfix.size(); ++i) {
        const char16_t c = infix[i];
        const char16_t lower = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
        if (lower != kInfix[i]) return false;
    }
    return true;
}

bool IsLeftoverTemporary(const FoundTemporary& found) {
    if (found.unheld && (found.ownedByThisProcess || !found.ownerRunning)) return true;
    if (found.ownedByThisProcess) return false;
    if (found.sinceWritten >= kQuietForAnyLeftover) return true;
    return !found.ownerRunning && found.sinceWritten >= kQuietForLeftover;
}

}  // namespace mailvane::filing
