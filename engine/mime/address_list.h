#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/mime/parse_issue.h"

namespace mailvane::mime {

struct Mailbox {
    std::u16string displayName;  // decoded phrase, empty when none
    std::u16string address;      // addr-spec as written (local@domain), empty when unparsable
};

// An address list (From, To, Cc, Bcc, Reply-To, Sender) by a real tokenizer:
// groups are expanded to their members, comments and quoted strings
// honoured, obsolete routes and syntax accepted. Records problems in
// `issues` when given.
std::vector<Mailbox> ParseAddressList(std::string_view raw, std::vector<ParseIssue>* issues = nullptr,
                                      std::size_t offset = 0);

}  // namespace mailvane::mime
