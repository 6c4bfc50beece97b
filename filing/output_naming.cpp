#include "filing/output_naming.h"

#include "engine/text/ascii_case.h"

namespace mailvane::filing {

namespace {

bool IsEmlAt(std::string_view name, std::size_t i) {
    return i + 4 <= name.size() && text::EqualsIgnoreCase(name.substr(i, 4), ".eml");
}

// Whether the unit `c` goes on with a character that starts before it:
// a UTF-8 continuation byte, or the second half of a surrogate pair.
bool ContinuesCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
bool ContinuesCharacter(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// NumberedFileName in either encoding; `length` counts a part of a name
// in the units its file system counts.
template <typename Char, typename Length>
std::basic_string<Char> Numbered(std::basic_string_view<Char> fileName, unsigned number, Length length) {
    std::size_t dot = fileName.rfind(Char('.'));
    if (dot == std::basic_string_view<Char>::npos || dot == 0) dot = fileName.size();
    const std::string digits = std::to_string(number);
    const auto tailAt = [&](std::size_t from) {
        std::basic_string<Char> tail{Char(' '), Char('(')};
        tail.append(digits.begin(), digits.end());
        tail += Char(')');
        tail += fileName.substr(from);
        return tail;
    };
    std::basic_string<Char> tail = tailAt(dot);
    // An "extension" that leaves no room for the name before the number is
    // none: the number then ends the name, which is cut to fit.
    if (length(tail) >= kLongestFileName) {
        dot = fileName.size();
        tail = tailAt(dot);
    }
    std::basic_string_view<Char> stem = fileName.substr(0, dot);
    const std::size_t tailLength = length(tail);
    // The room is only short by what the number adds: one character at a time.
    while (!stem.empty() && length(stem) + tailLength > kLongestFileName) {
        std::size_t cut = stem.size() - 1;
        while (cut > 0 && ContinuesCharacter(stem[cut])) --cut;
        stem = stem.substr(0, cut);
    }
    return std::basic_string<Char>(stem) + tail;
}

}  // namespace

std::string OutputFileName(std::string_view inputFileName) {
    // ".msg" is as long as the ".eml" it replaces: the input is copied
    // whole and only its dots are looked at, not appended a byte at a time.
    std::string out(inputFileName);
    bool replaced = false;
    for (std::size_t i = out.find('.'); i != std::string::npos; i = out.find('.', i + 1)) {
        if (IsEmlAt(out, i)) {
            out.replace(i, 4, ".msg");
            i += 3;
            replaced = true;
        }
    }
    if (!replaced) out += ".msg";
    return out;
}

std::size_t NameLength(std::string_view name, NameUnits units) {
    if (units == NameUnits::Utf8Bytes) return name.size();
    std::size_t length = 0;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        // A sequence's continuation bytes add nothing; one of four bytes
        // (past U+FFFF) is a surrogate pair.
        if ((byte & 0xC0) != 0x80) length += byte >= 0xF0 ? 2 : 1;
    }
    return length;
}

std::string NumberedFileName(std::string_view fileName, unsigned number, NameUnits units) {
    return Numbered(fileName, number, [units](std::string_view part) { return NameLength(part, units); });
}

std::u16string NumberedFileName(std::u16string_view fileName, unsigned number) {
    return Numbered(fileName, number, [](std::u16string_view part) { return part.size(); });
}

}  // namespace mailvane::filing
