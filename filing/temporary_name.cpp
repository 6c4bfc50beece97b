#include "filing/temporary_name.h"

#include <charconv>

namespace mailvane::filing {

namespace {

// Room left in a 255-unit name for the dot in front and the
// ".<process>-<serial>.tmp" behind. A UTF-8 name never has more UTF-16
// units than bytes, so the one cut fits both counts.
constexpr std::size_t kKeptNameUnits = 200;

bool ContinuesCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
bool ContinuesCharacter(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

template <typename Char>
std::basic_string<Char> NameFor(std::basic_string_view<Char> targetName, unsigned long processId, unsigned serial) {
    std::size_t kept = targetName.size();
    if (kept > kKeptNameUnits) {
        kept = kKeptNameUnits;
        // Cut between characters: never inside a UTF-8 sequence or a surrogate pair.
        while (kept > 0 && ContinuesCharacter(targetName[kept])) --kept;
    }
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
