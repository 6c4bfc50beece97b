#include "engine/text/ascii_case.h"

namespace mailvane::text {

namespace {

template <typename Unit, typename Change>
std::basic_string<Unit> Changed(std::basic_string_view<Unit> text, Change change) {
    std::basic_string<Unit> out(text);
    for (Unit& c : out) c = change(c);
    return out;
}

}  // namespace

std::string ToLowerAscii(std::string_view text) { return Changed(text, AsciiLower<char>); }
std::u16string ToLowerAscii(std::u16string_view text) { return Changed(text, AsciiLower<char16_t>); }
std::string ToUpperAscii(std::string_view text) { return Changed(text, AsciiUpper<char>); }
std::u16string ToUpperAscii(std::u16string_view text) { return Changed(text, AsciiUpper<char16_t>); }

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace mailvane::text
