#include "engine/charset/utf7_decoder.h"

#include <cstdint>

namespace mailvane::charset {
namespace {

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The UTF-16 units of one base64 run, or nothing when the run is ill formed.
std::optional<std::u16string> DecodeRun(std::string_view run) {
    std::u16string units;
    std::uint32_t bits = 0;
    int count = 0;
    for (char c : run) {
        bits = (bits << 6) | static_cast<std::uint32_t>(Base64Value(c));
        count += 6;
        if (count >= 16) {
            count -= 16;
            units.push_back(static_cast<char16_t>(bits >> count));
            bits &= (1u << count) - 1;
        }
    }
    if (run.empty() || count >= 6 || bits != 0) return std::nullopt;
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (IsHighSurrogate(units[i])) {
            if (i + 1 >= units.size() || !IsLowSurrogate(units[i + 1])) return std::nullopt;
            ++i;
        } else if (IsLowSurrogate(units[i])) {
            return std::nullopt;
        }
    }
    return units;
}

void AppendAscii(std::u16string& out, std::string_view text) {
    for (char c : text) out.push_back(static_cast<char16_t>(c));
}

}  // namespace

std::optional<std::u16string> DecodeUtf7(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (static_cast<unsigned char>(c) >= 0x80) return std::nullopt;
        if (c != '+') {
            out.push_back(static_cast<char16_t>(c));
            ++i;
            continue;
        }
        if (i + 1 < bytes.size() && bytes[i + 1] == '-') {
            out.push_back(u'+');
            i += 2;
            continue;
        }
        std::size_t end = i + 1;
        while (end < bytes.size() && Base64Value(bytes[end]) >= 0) ++end;
        const bool dash = end < bytes.size() && bytes[end] == '-';
        if (auto units = DecodeRun(bytes.substr(i + 1, end - i - 1))) {
            out += *units;
        } else {
            AppendAscii(out, bytes.substr(i, end - i + (dash ? 1 : 0)));
        }
        i = end + (dash ? 1 : 0);
    }
    return out;
}

}  // namespace mailvane::charset
