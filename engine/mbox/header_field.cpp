#include "engine/mbox/header_field.h"

#include <algorithm>

#include "engine/text/ascii_case.h"

namespace mailvane::mbox {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::optional<std::string> HeaderFieldValue(std::span<const std::uint8_t> message, std::string_view name) {
    const std::string_view block(reinterpret_cast<const char*>(message.data()),
                                 std::min(message.size(), kLongestHeaderBlock));
    std::size_t at = 0;
    std::optional<std::string> value;
    while (at < block.size()) {
        const std::size_t end = std::min(block.find('\n', at), block.size());
        std::string_view line = block.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) break;
        if (IsBlank(line.front())) {
            if (value) value->append(line);
            continue;
        }
        if (value) break;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        std::string_view fieldName = line.substr(0, colon);
        while (!fieldName.empty() && IsBlank(fieldName.back())) fieldName.remove_suffix(1);
        if (text::EqualsIgnoreCase(fieldName, name)) value = std::string(line.substr(colon + 1));
    }
    if (!value) return std::nullopt;
    const auto first = std::find_if_not(value->begin(), value->end(), IsBlank);
    value->erase(value->begin(), first);
    while (!value->empty() && IsBlank(value->back())) value->pop_back();
    return value;
}

}  // namespace mailvane::mbox
