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

std::string NumberedFileName(std::string_view fileName, unsigned number) {
    std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot == 0) dot = fileName.size();
    return std::string(fileName.substr(0, dot)) + " (" + std::to_string(number) + ")" +
           std::string(fileName.substr(dot));
}

}  // namespace mailvane::cli
