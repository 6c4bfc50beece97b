#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mailvane::testing {

// The messages as an mboxrd file, as its writers write it: `separator`
// before each message, ">" before every ">...From " line, and a blank line
// after each message.
inline std::string WriteMboxrd(const std::vector<std::string>& messages, std::string_view separator) {
    std::string mailbox;
    for (const std::string& message : messages) {
        mailbox += separator;
        std::size_t start = 0;
        while (start < message.size()) {
            std::size_t end = message.find('\n', start);
            end = end == std::string::npos ? message.size() : end + 1;
            const std::string_view line(message.data() + start, end - start);
            const std::size_t quotes = line.find_first_not_of('>');
            if (quotes != std::string_view::npos && line.substr(quotes, 5) == "From ") mailbox += '>';
            mailbox += line;
            start = end;
        }
        mailbox += "\n";
    }
    return mailbox;
}

}  // namespace mailvane::testing
