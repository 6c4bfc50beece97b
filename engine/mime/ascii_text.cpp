#include "engine/mime/ascii_text.h"

#include "engine/charset/builtin_decoders.h"

namespace mailvane::mime {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (IsBlank(text.front()) || IsLineBreak(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (IsBlank(text.back()) || IsLineBreak(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

bool HasEightBitBytes(std::string_view text) { return !charset::IsAscii(text); }

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace mailvane::mime
