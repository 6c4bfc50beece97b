#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mailvane::mime {

// Something the parser met that a strict reading would reject. Parsing goes
// on: each issue records what was done instead.
enum class IssueKind {
    MboxFromLineSkipped,
    BareLineFeeds,
    CarriageReturnLineEnds,  // lines end in CR alone: read as CRLF
    MalformedHeaderLine,
    UnencodedEightBitHeader,
    DuplicatedHeader,
    HeaderCountLimit,
    HeaderSizeLimit,
    LineLengthLimit,
    MissingHeaderBodySeparator,
    InvalidContentType,
    MultipartWithoutBoundary,
    MissingBoundary,        // a multipart whose boundary never appears
    MissingCloseDelimiter,  // truncated multipart: parts kept
    NestingLimit,           // deeper entities kept as opaque leaves
    PartCountLimit,
    InvalidTransferEncoding,
    InvalidBase64,
    InvalidQuotedPrintable,
    InvalidUuencode,
    InvalidEncodedWord,
    UnknownCharset,
    UndecodableText,
    InvalidAddressList,
    InvalidDate,
    InvalidParameter,
    TruncatedMessage,
    RecipientCountLimit,   // rows past the message file's bound left out
    AttachmentCountLimit,  // rows past the message file's bound left out
    InvalidCalendar,       // an iCalendar part read with an issue; the detail names it
    InvalidStateField,     // a field of the owner's state (X-Mozilla-Status, X-Unsent) unreadable: ignored
    CategoryLimit,         // categories past the bound (count, or a label field's size) left out
};

struct ParseIssue {
    IssueKind kind;
    std::size_t offset = 0;  // byte offset in the source where it was met
    std::string detail;      // short, for people: what was seen
};

const char* IssueKindName(IssueKind kind);

// Whether the issue says that one of the bounds was applied, so that part
// of the message was left out, cut, or kept unread as bytes: what a caller
// tells even when it reports no other issue.
bool IsAppliedLimit(IssueKind kind);

// An issue's detail quotes at most this many bytes of what was seen.
inline constexpr std::size_t kIssueExcerptLength = 80;

// The start of `seen`, as an issue's detail quotes it.
std::string IssueExcerpt(std::string_view seen);

}  // namespace mailvane::mime
