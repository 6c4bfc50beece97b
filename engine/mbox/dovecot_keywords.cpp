#include "engine/mbox/dovecot_keywords.h"

namespace mailvane::mbox {

DovecotKeywords ParseDovecotKeywords(std::string_view text) {
    DovecotKeywords keywords;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::size_t digits = 0;
        unsigned number = 0;
        // Three digits are past every letter already; more are not read.
        while (digits < line.size() && digits < 3 && line[digits] >= '0' && line[digits] <= '9') {
            number = number * 10 + static_cast<unsigned>(line[digits] - '0');
            ++digits;
        }
        if (digits == 0 || digits == line.size() || line[digits] != ' ' || number >= keywords.size()) continue;
        const std::string_view name = line.substr(digits + 1);
        if (!name.empty()) keywords[number] = std::string(name);
    }
    return keywords;
}

}  // namespace mailvane::mbox
