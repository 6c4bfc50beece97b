#include "engine/mime/message_parser.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "engine/mime/ascii_text.h"
#include "engine/mime/header_block.h"
#include "engine/mime/parameters.h"
#include "engine/mime/text_issues.h"
#include "engine/mime/transfer_decoding.h"

namespace mailvane::mime {
namespace {

bool IsToken(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F || std::string_view("()<>@,;:\\\"/[]?=").find(c) != std::string_view::npos) {
            return false;
        }
    }
    return true;
}

bool IsValidMediaType(std::string_view value) {
    const auto slash = value.find('/');
    return slash != std::string_view::npos && IsToken(value.substr(0, slash)) && IsToken(value.substr(slash + 1));
}

// A delimiter line: "--boundary" at the start of a line, then only
// transport padding, or "--" for the close delimiter.
struct Delimiter {
    std::size_t lineBegin = 0;
    std::size_t next = 0;  // first byte after the line
    bool close = false;
};

class MessageParser {
public:
    MessageParser(std::string_view source, const ParseLimits& limits, std::vector<ParseIssue>& issues)
        : m_source(source), m_limits(limits), m_issues(issues) {}

    // A part's header block read ahead of the part, with what it found
    // wrong, which counts only once the part itself is taken.
    struct ReadAhead {
        HeaderBlock block;
        std::vector<ParseIssue> issues;
    };

    // Returns where the entity's content ended: `end`, or for a multipart
    // with a close delimiter, the end of that line (the rest is epilogue).
    // `head`, when given, is the entity's header block already read over
    // the same range.
    std::size_t ParseEntity(MimeEntity& entity, std::size_t begin, std::size_t end, std::size_t depth, bool inDigest,
                            ReadAhead* head = nullptr) {
        ++m_parts;
        HeaderBlock block;
        if (head) {
            block = std::move(head->block);
            m_issues.insert(m_issues.end(), std::make_move_iterator(head->issues.begin()),
                            std::make_move_iterator(head->issues.end()));
        } else {
            block = ParseHeaderBlock(m_source, begin, end, m_limits, m_issues);
        }
        entity.headers = std::move(block.headers);
        entity.begin = begin;
        entity.bodyBegin = block.bodyBegin;
        entity.end = end;
        if (depth == 0 && !block.sawBlankLine && begin < end) {
            m_issues.push_back({IssueKind::TruncatedMessage, end, "the message ends inside its header"});
        }
        ReadContentFields(entity, inDigest);

        if (entity.IsMultipart()) {
            return ParseMultipart(entity, depth);
        }
        if (entity.mediaType == "message/rfc822" || entity.mediaType == "message/global") {
            ParseEmbedded(entity, depth);
        } else {
            DecodeLeaf(entity);
        }
        return end;
    }

private:
    void ReadContentFields(MimeEntity& entity, bool inDigest) {
        entity.mediaType = inDigest ? "message/rfc822" : "text/plain";
        if (const auto* field = entity.headers.Find("Content-Type")) {
            auto parsed = ParseFieldWithParameters(field->value, &m_issues, field->offset);
            if (IsValidMediaType(parsed.value)) {
                entity.mediaType = std::move(parsed.value);
            } else {
                m_issues.push_back({IssueKind::InvalidContentType, field->offset, IssueExcerpt(field->value)});
            }
            entity.contentTypeParameters = std::move(parsed.parameters);
        }
        if (const auto* field = entity.headers.Find("Content-Disposition")) {
            auto parsed = ParseFieldWithParameters(field->value, &m_issues, field->offset);
            // RFC 2183: an unknown disposition is treated as an attachment.
            if (parsed.value == "inline" || parsed.value.empty()) {
                entity.disposition = std::move(parsed.value);
            } else {
                entity.disposition = "attachment";
            }
            entity.dispositionParameters = std::move(parsed.parameters);
        }
        if (const auto* field = entity.headers.Find("Content-Transfer-Encoding")) {
            entity.transferEncoding = ParseFieldWithParameters(field->value).value;
        }
    }

    std::string_view Content(const MimeEntity& entity) const {
        return m_source.substr(entity.bodyBegin, entity.end - entity.bodyBegin);
    }

    void DecodeLeaf(MimeEntity& entity) {
        entity.body = DecodeTransferEncoding(entity.transferEncoding, Content(entity), m_issues, entity.bodyBegin);
    }

    void KeepOpaque(MimeEntity& entity) {
        const auto content = Content(entity);
        entity.body = EntityBody::InSource(content);
    }

    bool WithinBounds(MimeEntity& entity, std::size_t depth) {
        if (depth + 1 > m_limits.maxDepth) {
            m_issues.push_back({IssueKind::NestingLimit, entity.begin, "entity kept as an opaque leaf"});
            KeepOpaque(entity);
            return false;
        }
        return true;
    }

    void ParseEmbedded(MimeEntity& entity, std::size_t depth) {
        const auto& encoding = entity.transferEncoding;
        if (encoding == "base64" || encoding == "quoted-printable") {
            // The nested message is not in the source as written, so its
            // offsets could not point there: keep it decoded as a leaf.
            m_issues.push_back({IssueKind::InvalidTransferEncoding, entity.begin, "encoded " + entity.mediaType});
            DecodeLeaf(entity);
            return;
        }
        if (entity.bodyBegin >= entity.end || !WithinBounds(entity, depth) || !RoomForPart(entity.bodyBegin)) {
            if (entity.body.empty()) {
                KeepOpaque(entity);
            }
            return;
        }
        entity.embedded = std::make_unique<MimeEntity>();
        ParseEntity(*entity.embedded, entity.bodyBegin, entity.end, depth + 1, false);
    }

    bool RoomForPart(std::size_t offset) {
        if (m_parts < m_limits.maxParts) {
            return true;
        }
        if (!m_partLimitReported) {
            m_partLimitReported = true;
            m_issues.push_back({IssueKind::PartCountLimit, offset, "further parts kept in their parent's bytes"});
        }
        return false;
    }

    std::optional<Delimiter> MatchDelimiter(std::size_t lineBegin, std::size_t end, std::string_view boundary) const {
        const auto lf = m_source.find('\n', lineBegin);
        const std::size_t next = (lf == std::string_view::npos || lf >= end) ? end : lf + 1;
        auto line = m_source.substr(lineBegin, next - lineBegin);
        if (line.size() < boundary.size() + 2 || !line.starts_with("--") ||
            line.substr(2, boundary.size()) != boundary) {
            return std::nullopt;
        }
        auto rest = line.substr(boundary.size() + 2);
        Delimiter delimiter{lineBegin, next, rest.starts_with("--")};
        if (delimiter.close) {
            return delimiter;  // whatever follows a close delimiter is epilogue
        }
        for (char c : rest) {
            if (!IsBlank(c) && !IsLineBreak(c)) {
                return std::nullopt;  // a longer boundary that starts with ours
            }
        }
        return delimiter;
    }

    // The first delimiter line at or after `pos`, itself the start of a line.
    // The text is searched for the boundary, not line by line: a part's body,
    // base64 above all, seldom holds it, and one search passes over the body
    // at once. Each place found is a delimiter only at a line's start, after
    // its "--".
    std::optional<Delimiter> NextDelimiter(std::size_t pos, std::size_t end, std::string_view boundary) const {
        for (std::size_t from = pos + 2; from <= end;) {
            const std::size_t found = m_source.find(boundary, from);
            if (found == std::string_view::npos || found + boundary.size() > end) break;
            const std::size_t lineBegin = found - 2;
            if (lineBegin >= pos && m_source[lineBegin] == '-' && m_source[lineBegin + 1] == '-' &&
                (lineBegin == pos || m_source[lineBegin - 1] == '\n')) {
                if (auto delimiter = MatchDelimiter(lineBegin, end, boundary)) return delimiter;
            }
            from = found + 1;
        }
        return std::nullopt;
    }

    // Whether a part with these header fields is itself a multipart with
    // `boundary`, as some mailers write nested parts: its delimiters are then
    // its own until its close delimiter, not its parent's.
    static bool SharesBoundary(const HeaderList& headers, std::string_view boundary) {
        const auto* field = headers.Find("Content-Type");
        if (!field) {
            return false;
        }
        const auto parsed = ParseFieldWithParameters(field->value);
        if (!parsed.value.starts_with("multipart/")) {
            return false;
        }
        for (const auto& parameter : parsed.parameters) {
            if (parameter.name == "boundary") {
                return parameter.value == boundary;
            }
        }
        return false;
    }

    // A boundary guessed from the content: the first "--token" line that is
    // followed by a header line or a blank line.
    std::optional<std::string> GuessBoundary(std::size_t begin, std::size_t end) const {
        std::size_t pos = begin;
        while (pos < end) {
            const auto lf = m_source.find('\n', pos);
            const std::size_t next = (lf == std::string_view::npos || lf >= end) ? end : lf + 1;
            auto line = TrimBlanks(m_source.substr(pos, next - pos));
            if (line.size() > 2 && line.starts_with("--") && !line.ends_with("--") &&
                line.find_first_of(" \t") == std::string_view::npos && next < end) {
                const auto lf2 = m_source.find('\n', next);
                const auto following = m_source.substr(next, (lf2 == std::string_view::npos ? end : lf2) - next);
                const auto colon = following.find(':');
                const bool headerLike = colon != std::string_view::npos && colon > 0 &&
                                        following.substr(0, colon).find_first_of(" \t") == std::string_view::npos;
                if (headerLike || TrimBlanks(following).empty()) {
                    return std::string(line.substr(2));
                }
            }
            pos = next;
        }
        return std::nullopt;
    }

    // Returns where the multipart ended: after its close delimiter line when
    // it has one, else at the end of its range.
    std::size_t ParseMultipart(MimeEntity& entity, std::size_t depth) {
        if (!WithinBounds(entity, depth)) {
            return entity.end;
        }
        std::string boundary;
        std::optional<Delimiter> delimiter;
        const auto* parameter = entity.ContentTypeParameter("boundary");
        if (parameter && !parameter->value.empty()) {
            boundary = parameter->value;
            delimiter = NextDelimiter(entity.bodyBegin, entity.end, boundary);
            if (!delimiter) {
                m_issues.push_back({IssueKind::MissingBoundary, entity.bodyBegin, IssueExcerpt(boundary)});
            }
        } else {
            m_issues.push_back({IssueKind::MultipartWithoutBoundary, entity.begin, entity.mediaType});
        }
        if (!delimiter) {
            if (auto guessed = GuessBoundary(entity.bodyBegin, entity.end)) {
                boundary = std::move(*guessed);
                delimiter = NextDelimiter(entity.bodyBegin, entity.end, boundary);
            }
        }
        if (!delimiter) {
            // No parts to be found: the content is shown as text rather than lost.
            entity.mediaType = "text/plain";
            DecodeLeaf(entity);
            return entity.end;
        }
        const bool digest = entity.mediaType == "multipart/digest";
        while (!delimiter->close) {
            const std::size_t partBegin = delimiter->next;
            auto following = NextDelimiter(partBegin, entity.end, boundary);
            std::size_t partEnd = following ? PartEnd(partBegin, following->lineBegin) : entity.end;
            std::optional<ReadAhead> head;
            if (partBegin < partEnd) {
                head.emplace();
                head->block = ParseHeaderBlock(m_source, partBegin, partEnd, m_limits, head->issues);
            }
            const bool shared = head && SharesBoundary(head->block.headers, boundary);
            if (shared) {
                // Its header is read again up to the parent's end.
                partEnd = entity.end;
                head.reset();
            }
            // Two delimiters in a row leave nothing to keep.
            if (partBegin < partEnd) {
                if (!RoomForPart(partBegin)) {
                    return entity.end;
                }
                auto child = std::make_unique<MimeEntity>();
                const std::size_t childEnd =
                    ParseEntity(*child, partBegin, partEnd, depth + 1, digest, head ? &*head : nullptr);
                if (shared) {
                    child->end = childEnd;
                    following = NextDelimiter(childEnd, entity.end, boundary);
                }
                entity.children.push_back(std::move(child));
            }
            if (!following) {
                m_issues.push_back({IssueKind::MissingCloseDelimiter, entity.end, IssueExcerpt(boundary)});
                return entity.end;
            }
            delimiter = following;
        }
        // Whatever follows a close delimiter is epilogue.
        return delimiter->next;
    }

    // The line break before a delimiter belongs to the delimiter.
    std::size_t PartEnd(std::size_t partBegin, std::size_t delimiterLine) const {
        std::size_t partEnd = delimiterLine;
        if (partEnd > partBegin && m_source[partEnd - 1] == '\n') {
            --partEnd;
            if (partEnd > partBegin && m_source[partEnd - 1] == '\r') {
                --partEnd;
            }
        }
        return partEnd;
    }

    std::string_view m_source;
    const ParseLimits& m_limits;
    std::vector<ParseIssue>& m_issues;
    std::size_t m_parts = 0;
    bool m_partLimitReported = false;
};

// Classic Mac OS mailers ended lines with CR alone. Such a message has no LF
// at all; a lone CR inside an otherwise LF-ended message stays content.
bool HasOnlyCarriageReturnLineEnds(std::span<const std::uint8_t> source) {
    return std::find(source.begin(), source.end(), '\n') == source.end() &&
           std::find(source.begin(), source.end(), '\r') != source.end();
}

// The message as the parser reads it: every CR followed by an LF, so that
// offsets point into text with line ends the rest of the parser knows.
std::vector<std::uint8_t> WithCrLfLineEnds(std::span<const std::uint8_t> source) {
    std::vector<std::uint8_t> converted;
    converted.reserve(source.size() + source.size() / 16);
    for (const std::uint8_t byte : source) {
        converted.push_back(byte);
        if (byte == '\r') {
            converted.push_back('\n');
        }
    }
    return converted;
}

// Offset of the first LF that has no CR before it, if any.
std::optional<std::size_t> FirstBareLineFeed(std::string_view text) {
    for (auto lf = text.find('\n'); lf != std::string_view::npos; lf = text.find('\n', lf + 1)) {
        if (lf == 0 || text[lf - 1] != '\r') {
            return lf;
        }
    }
    return std::nullopt;
}

// Parses message.source, which is in place.
void Parse(ParsedMessage& message, const ParseLimits& limits) {
    const std::string_view text(reinterpret_cast<const char*>(message.source.data()), message.source.size());
    std::size_t begin = 0;
    if (text.empty()) {
        message.issues.push_back({IssueKind::TruncatedMessage, 0, "empty message"});
        return;
    }
    if (text.starts_with("From ")) {
        const auto lf = text.find('\n');
        begin = lf == std::string_view::npos ? text.size() : lf + 1;
        message.issues.push_back(
            {IssueKind::MboxFromLineSkipped, 0, std::string(TrimBlanks(IssueExcerpt(text.substr(0, begin))))});
    }
    if (const auto bare = FirstBareLineFeed(text)) {
        message.issues.push_back({IssueKind::BareLineFeeds, *bare, "lines end in LF alone"});
    }
    MessageParser parser(text, limits, message.issues);
    parser.ParseEntity(message.root, begin, text.size(), 0, false);
    if (limits.checkText) RecordTextIssues(message.root, message.issues);
}

// The CR-only line ends of `source` made CRLF in a copy the message holds,
// when it has such line ends.
bool HoldWithCrLfLineEnds(ParsedMessage& message, std::span<const std::uint8_t> source) {
    if (!HasOnlyCarriageReturnLineEnds(source)) return false;
    message.held = WithCrLfLineEnds(source);
    message.source = message.held;
    message.issues.push_back({IssueKind::CarriageReturnLineEnds, 0, "lines end in CR alone"});
    return true;
}

}  // namespace

ParsedMessage ParseMessage(std::vector<std::uint8_t> source, const ParseLimits& limits) {
    ParsedMessage message;
    if (!HoldWithCrLfLineEnds(message, source)) {
        message.held = std::move(source);
        message.source = message.held;
    }
    Parse(message, limits);
    return message;
}

ParsedMessage ParseBorrowedMessage(std::span<const std::uint8_t> source, const ParseLimits& limits) {
    ParsedMessage message;
    if (!HoldWithCrLfLineEnds(message, source)) message.source = source;
    Parse(message, limits);
    return message;
}

HeaderList ParseMessageHeader(std::span<const std::uint8_t> source, std::vector<ParseIssue>& issues,
                              const ParseLimits& limits) {
    std::string_view text(reinterpret_cast<const char*>(source.data()), source.size());
    // CR-only line ends are made CRLF as far as the blank line that ends the
    // header: the offsets before it are those of the whole message's copy.
    std::string converted;
    if (HasOnlyCarriageReturnLineEnds(source)) {
        const auto blank = text.find("\r\r");
        const auto head = text.substr(0, blank == std::string_view::npos ? text.size() : blank + 2);
        converted.reserve(head.size() * 2);
        for (const char c : head) {
            converted.push_back(c);
            if (c == '\r') converted.push_back('\n');
        }
        text = converted;
    }
    std::size_t begin = 0;
    if (text.starts_with("From ")) {
        const auto lf = text.find('\n');
        begin = lf == std::string_view::npos ? text.size() : lf + 1;
    }
    return ParseHeaderBlock(text, begin, text.size(), limits, issues).headers;
}

std::string_view ParsedMessage::Raw(std::size_t begin, std::size_t end) const {
    end = std::min(end, source.size());
    begin = std::min(begin, end);
    return {reinterpret_cast<const char*>(source.data()) + begin, end - begin};
}

}  // namespace mailvane::mime
