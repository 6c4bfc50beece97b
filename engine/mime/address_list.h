#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/mime/parse_issue.h"

namespace mailvane::mime {

struct Mailbox {
    std::u16string displayName;  // decoded phrase, empty when none
    std::u16string address;      // addr-spec as written (local@domain), empty when unparsable
    // The address is an X.500 distinguished name ("/O=.../CN=..."), as
    // Exchange writes its own addresses, kept byte for byte (blanks and
    // parentheses included).
    bool x500 = false;
};

// An address list (From, To, Cc, Bcc, Reply-To, Sender) by a real tokenizer:
// groups are expanded to their members, comments and quoted strings
// honoured, obsolete routes and syntax accepted. A phrase without an
// address before a named angle address ("Garrett, Amy <a@x>") is the start
// of that mailbox's name, as mailers that forgot the quotes meant it.
// 8-bit bytes outside encoded words are read in the first of
// `declaredCharsets` that fits (see charset::DecodeUnlabelledText).
// Records problems in `issues` when given.
std::vector<Mailbox> ParseAddressList(std::string_view raw, std::vector<ParseIssue>* issues = nullptr,
                                      std::size_t offset = 0, std::span<const std::string> declaredCharsets = {});

}  // namespace mailvane::mime
