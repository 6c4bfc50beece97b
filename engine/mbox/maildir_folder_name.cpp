#include "engine/mbox/maildir_folder_name.h"

#include <cstdint>
#include <optional>

namespace mailvane::mbox {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Unescaped(std::string_view level) {
    std::string out;
    for (std::size_t i = 0; i < level.size(); ++i) {
        if (level[i] == '\\' && i + 2 < level.size() && HexValue(level[i + 1]) >= 0 && HexValue(level[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(level[i + 1]) * 16 + HexValue(level[i + 2]));
            i += 2;
        } else {
            out += level[i];
        }
    }
    return out;
}

// Modified base64 (RFC 3501 5.1.3): "," stands where base64 has "/".
int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == ',') return 63;
    return -1;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// One shifted run (the text between "&" and "-") as UTF-8; empty when it is
// no well-formed UTF-16 in modified base64.
std::optional<std::string> DecodeShifted(std::string_view run) {
    std::string out;
    std::uint32_t bits = 0;
    int count = 0;
    char16_t high = 0;
    for (const char c : run) {
        const int value = Base64Value(c);
        if (value < 0) return std::nullopt;
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        count += 6;
        if (count < 16) continue;
        count -= 16;
        const auto unit = static_cast<char16_t>((bits >> count) & 0xFFFF);
        bits &= (1u << count) - 1;
        if (high != 0) {
            if (unit < 0xDC00 || unit > 0xDFFF) return std::nullopt;
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (unit - 0xDC00));
            high = 0;
        } else if (unit >= 0xD800 && unit <= 0xDBFF) {
            high = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return std::nullopt;
        } else {
            AppendUtf8(out, unit);
        }
    }
    // What is left over must be padding of zero bits, fewer than a base64 digit's.
    if (high != 0 || count >= 6 || bits != 0 || out.empty()) return std::nullopt;
    return out;
}

}  // namespace

std::string DecodeMaildirFolderLevel(std::string_view level) {
    const std::string unescaped = Unescaped(level);
    std::string out;
    for (std::size_t i = 0; i < unescaped.size(); ++i) {
        if (unescaped[i] != '&') {
            out += unescaped[i];
            continue;
        }
        const std::size_t end = unescaped.find('-', i + 1);
        if (end == std::string::npos) return unescaped;
        if (end == i + 1) {
            out += '&';
        } else {
            const std::optional<std::string> decoded =
                DecodeShifted(std::string_view(unescaped).substr(i + 1, end - i - 1));
            if (!decoded) return unescaped;
            out += *decoded;
        }
        i = end;
    }
    return out;
}

std::vector<std::string> MaildirFolderPath(std::string_view directoryName) {
    if (directoryName.size() < 2 || directoryName.front() != '.' || directoryName == "..") return {};
    std::vector<std::string> levels;
    std::string_view rest = directoryName.substr(1);
    for (;;) {
        const std::size_t dot = rest.find('.');
        levels.push_back(DecodeMaildirFolderLevel(rest.substr(0, dot)));
        if (dot == std::string_view::npos) break;
        rest.remove_prefix(dot + 1);
    }
    return levels;
}

}  // namespace mailvane::mbox
