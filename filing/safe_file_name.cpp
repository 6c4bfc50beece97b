#include "filing/safe_file_name.h"

#include <array>

#include "engine/text/ascii_case.h"
#include "engine/text/utf8.h"
#include "filing/hidden_characters.h"
#include "filing/output_naming.h"

namespace mailvane::filing {

namespace {

bool IsForbidden(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return true;
    constexpr std::string_view kReserved = "/\\:*?\"<>|";
    return kReserved.find(c) != std::string_view::npos;
}

bool IsTrimmed(char c) { return c == ' ' || c == '.'; }

// CON, PRN, AUX, NUL, COM1-9, LPT1-9: device names on Windows, also with an extension.
bool IsReservedDeviceName(std::string_view name) {
    std::string stem;
    for (const char c : name.substr(0, name.find('.'))) stem += text::AsciiUpper(c);
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    static constexpr std::array<std::string_view, 4> kNames = {"CON", "PRN", "AUX", "NUL"};
    for (const std::string_view reserved : kNames) {
        if (stem == reserved) return true;
    }
    return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

std::string SafeFileName(std::string_view text, std::size_t maxBytes) {
    std::string name;
    bool blankPending = false;
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = 0;
        const std::size_t length = text::DecodeUtf8(text, at, c);
        const bool blank = length == 1 && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n');
        if (blank) {
            blankPending = !name.empty();
            ++at;
            continue;
        }
        if (blankPending) name += ' ';
        blankPending = false;
        if (length == 0) {
            name += '_';
            ++at;
        } else if (length == 1 ? IsForbidden(text[at]) : IsHiddenOrReordering(c)) {
            name += '_';
            at += length;
        } else {
            name.append(text.substr(at, length));
            at += length;
        }
    }
    auto trim = [&] {
        std::size_t first = 0;
        while (first < name.size() && IsTrimmed(name[first])) ++first;
        name.erase(0, first);
        while (!name.empty() && IsTrimmed(name.back())) name.pop_back();
    };
    auto cutTo = [&](std::size_t bytes) {
        if (name.size() <= bytes) return;
        std::size_t cut = bytes;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name.resize(cut);
    };
    trim();
    cutTo(maxBytes);
    trim();
    if (IsReservedDeviceName(name)) {
        name = "_" + name;
        cutTo(maxBytes);
    }
    return name;
}

std::string SafeFolderName(std::string_view text) {
    std::string name = SafeFileName(text, kLongestFileName);
    return name.empty() ? "_" : name;
}

}  // namespace mailvane::filing
