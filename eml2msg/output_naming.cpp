#include "eml2msg/output_naming.h"

namespace mailvane::cli {

namespace {

bool IsEmlAt(std::string_view name, std::size_t i) {
    if (i + 4 > name.size() || name[i] != '.') return false;
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(name[i + 1]) == 'e' && lower(name[i + 2]) == 'm' && lower(name[i + 3]) == 'l';
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
    std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot == 0) dot = fileName.size();
    std::string_view stem = fileName.substr(0, dot);
    const std::string tail = " (" + std::to_string(number) + ")" + std::string(fileName.substr(dot));
    const std::size_t tailLength = NameLength(tail, units);
    // The room is only short by what the number adds: one character at a time.
    while (!stem.empty() && NameLength(stem, units) + tailLength > kLongestFileName) {
        std::size_t cut = stem.size() - 1;
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) --cut;
        stem = stem.substr(0, cut);
    }
    return std::string(stem) + tail;
}

}  // namespace mailvane::cli
