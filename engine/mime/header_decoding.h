#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/mime/mime_entity.h"

namespace mailvane::mime {

// Unstructured text (Subject, Comments, ...): RFC 2047 encoded words
// (adjacent words of one charset joined as bytes before decoding), raw
// 8-bit bytes as UTF-8 else windows-1252.
std::u16string DecodeUnstructured(std::string_view raw);

// A parameter value: RFC 2231 charset when given, else RFC 2047 words inside
// the value as real mailers send them, else raw bytes as above.
std::u16string DecodeParameter(const Parameter& parameter);

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

// RFC 5322 and obsolete date forms, and the forms real mailers write
// besides: ISO 8601 ("2007-11-09 18:37:09", UTC unless a zone follows),
// twelve-hour times ("06:09:22 PM"), a leading weekday in any language.
// Converted to UTC: seconds since 1970-01-01T00:00:00Z. Empty when the text
// is not a date.
std::optional<std::int64_t> ParseDateTime(std::string_view raw);

// Message identifiers of Message-ID, In-Reply-To or References, each
// returned with its angle brackets ("<a@b>").
std::vector<std::string> ParseMessageIds(std::string_view raw);

}  // namespace mailvane::mime
