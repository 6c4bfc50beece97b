#include "engine/mime/header_block.h"

#include <algorithm>
#include <array>

#include "engine/mime/ascii_text.h"
#include "engine/text/ascii_case.h"

namespace mailvane::mime {
namespace {

// Fields that a message or entity carries at most once (RFC 5322 3.6, RFC 2045).
bool IsSingleton(std::string_view name) {
    static constexpr std::array<std::string_view, 12> kSingletons{"from",
                                                                  "sender",
                                                                  "reply-to",
                                                                  "to",
                                                                  "cc",
                                                                  "subject",
                                                                  "date",
                                                                  "message-id",
                                                                  "mime-version",
                                                                  "content-type",
                                                                  "content-transfer-encoding",
                                                                  "content-disposition"};
    for (auto singleton : kSingletons) {
        if (text::EqualsIgnoreCase(name, singleton)) {
            return true;
        }
    }
    return false;
}

bool IsValidFieldName(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F || c == ':') {
            return false;
        }
    }
    return true;
}

bool StartsWithBlank(std::string_view line) { return !line.empty() && IsBlank(line.front()); }

// A line that reads as "name: value" (the obsolete blank before the colon allowed).
bool IsFieldLine(std::string_view line) {
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    auto name = line.substr(0, colon);
    while (!name.empty() && IsBlank(name.back())) {
        name.remove_suffix(1);
    }
    return IsValidFieldName(name);
}

class HeaderBlockReader {
public:
    HeaderBlockReader(std::string_view source, const ParseLimits& limits, std::vector<ParseIssue>& issues)
        : m_source(source), m_limits(limits), m_issues(issues) {}

    HeaderBlock Read(std::size_t begin, std::size_t end) {
        HeaderBlock block;
        block.bodyBegin = end;
        std::size_t pos = begin;
        while (pos < end) {
            const auto lf = m_source.find('\n', pos);
            const std::size_t next = (lf == std::string_view::npos || lf >= end) ? end : lf + 1;
            auto line = m_source.substr(pos, next - pos);
            while (!line.empty() && IsLineBreak(line.back())) {
                line.remove_suffix(1);
            }
            if (line.empty()) {
                block.bodyBegin = next;
                block.sawBlankLine = true;
                break;
            }
            if (IsBlank(line.front())) {
                Continue(line, pos);
                pos = next;
                continue;
            }
            const auto colon = line.find(':');
            std::string_view name = colon == std::string_view::npos ? std::string_view{} : line.substr(0, colon);
            while (!name.empty() && IsBlank(name.back())) {
                name.remove_suffix(1);  // obsolete "Subject :" form
            }
            if (!IsValidFieldName(name)) {
                // ": value" is a field that lost its name, not body text:
                // the fields after it still belong to the header.
                if (colon != std::string_view::npos && name.empty()) {
                    m_issues.push_back({IssueKind::MalformedHeaderLine, pos, "header line without a field name"});
                    Close(block.headers);
                    pos = next;
                    continue;
                }
                if (line.starts_with("From ") || line.starts_with(">From ")) {
                    m_issues.push_back({IssueKind::MalformedHeaderLine, pos, "envelope line among the headers"});
                    Close(block.headers);
                    pos = next;
                    continue;
                }
                // Before the body is taken to begin without its blank line,
                // the line after this one decides: if the header goes on
                // there, this line belongs to it.
                const auto following = LineAt(next, end);
                if (colon == std::string_view::npos && IsValidFieldName(line) && StartsWithBlank(following.text) &&
                    TrimBlanks(following.text).starts_with(':')) {
                    // "From" folded away from its " : value" (obsolete syntax).
                    m_issues.push_back({IssueKind::MalformedHeaderLine, pos, "field name folded before its colon"});
                    const auto folded = TrimBlanks(following.text);
                    Start(line, folded.substr(1), pos, block.headers);
                    pos = following.next;
                    continue;
                }
                // A line that starts with "--" is a boundary delimiter, the
                // first line of a body that lost its blank line, however
                // much the lines after it look like a header.
                if (m_fieldSeen && !line.starts_with("--") &&
                    (IsFieldLine(following.text) || StartsWithBlank(following.text) ||
                     (following.text.empty() && m_open && OpenValueAwaitsParameter()))) {
                    m_issues.push_back({IssueKind::MalformedHeaderLine, pos, "continuation line without indent"});
                    if (m_open) {
                        Append(" ", pos);
                        Append(line, pos);
                    }
                    pos = next;
                    continue;
                }
                m_issues.push_back({IssueKind::MissingHeaderBodySeparator, pos, "body starts without a blank line"});
                block.bodyBegin = pos;
                block.sawBlankLine = true;
                break;
            }
            Start(name, line.substr(colon + 1), pos, block.headers, FoldedLength(next, end));
            pos = next;
        }
        Close(block.headers);
        return block;
    }

private:
    struct Line {
        std::string_view text;  // without its line break; empty for a blank line or none at all
        std::size_t next = 0;   // first byte after the line
    };

    Line LineAt(std::size_t pos, std::size_t end) const {
        if (pos >= end) {
            return {{}, end};
        }
        const auto lf = m_source.find('\n', pos);
        const std::size_t next = (lf == std::string_view::npos || lf >= end) ? end : lf + 1;
        auto text = m_source.substr(pos, next - pos);
        while (!text.empty() && IsLineBreak(text.back())) {
            text.remove_suffix(1);
        }
        return {text, next};
    }

    // A value that ends in ';' has a parameter still to come.
    bool OpenValueAwaitsParameter() const { return TrimBlanks(m_current.value).ends_with(';'); }

    bool Accepting() const { return !m_sizeReported && !m_countReported; }

    // The bytes of the continuation lines from `pos` on: room for a folded
    // value at once, rather than growing it line by line.
    std::size_t FoldedLength(std::size_t pos, std::size_t end) const {
        std::size_t length = 0;
        while (pos < end && IsBlank(m_source[pos])) {
            const std::size_t next = LineAt(pos, end).next;
            length += next - pos;
            pos = next;
        }
        return length;
    }

    void Start(std::string_view name, std::string_view value, std::size_t offset, HeaderList& headers,
               std::size_t folded = 0) {
        Close(headers);
        if (!Accepting()) {
            return;
        }
        if (m_stored > m_limits.maxHeaderBytes) {
            m_sizeReported = true;
            m_issues.push_back({IssueKind::HeaderSizeLimit, offset, "header fields beyond the size limit skipped"});
            return;
        }
        if (m_count >= m_limits.maxHeaderFields) {
            m_countReported = true;
            m_issues.push_back({IssueKind::HeaderCountLimit, offset, "too many header fields"});
            return;
        }
        ++m_count;
        m_fieldSeen = true;
        m_stored += name.size();
        m_current = HeaderField{std::string(name), {}, offset};
        m_open = true;
        if (folded != 0) m_current.value.reserve(std::min(value.size() + folded, m_limits.maxLineLength));
        Append(value, offset);
    }

    void Continue(std::string_view line, std::size_t offset) {
        if (!m_open) {
            if (Accepting()) {
                m_issues.push_back({IssueKind::MalformedHeaderLine, offset, "continuation line without a field"});
            }
            return;
        }
        Append(line, offset);
    }

    void Append(std::string_view text, std::size_t offset) {
        if (m_current.value.size() + text.size() > m_limits.maxLineLength) {
            const std::size_t room =
                m_limits.maxLineLength > m_current.value.size() ? m_limits.maxLineLength - m_current.value.size() : 0;
            text = text.substr(0, room);
            if (!m_lineReported) {
                m_lineReported = true;
                m_issues.push_back({IssueKind::LineLengthLimit, offset, "header field cut at the line limit"});
            }
        }
        m_current.value.append(text);
        m_stored += text.size();
    }

    void Close(HeaderList& headers) {
        if (!m_open) {
            return;
        }
        m_open = false;
        // Trimmed in place: the value keeps its one allocation.
        const std::string_view trimmed = TrimBlanks(m_current.value);
        const auto leading = static_cast<std::size_t>(trimmed.data() - m_current.value.data());
        m_current.value.resize(leading + trimmed.size());
        m_current.value.erase(0, leading);
        if (HasEightBitBytes(m_current.value) && !m_eightBitReported) {
            m_eightBitReported = true;
            m_issues.push_back({IssueKind::UnencodedEightBitHeader, m_current.offset, m_current.name});
        }
        if (IsSingleton(m_current.name) && headers.Find(m_current.name)) {
            m_issues.push_back({IssueKind::DuplicatedHeader, m_current.offset, m_current.name});
        }
        headers.Add(std::move(m_current));
        m_current = HeaderField{};
    }

    std::string_view m_source;
    const ParseLimits& m_limits;
    std::vector<ParseIssue>& m_issues;
    HeaderField m_current;
    bool m_open = false;
    bool m_fieldSeen = false;  // a field was started: lines after it may continue it
    std::size_t m_count = 0;
    std::size_t m_stored = 0;  // bytes of field values kept so far
    bool m_sizeReported = false;
    bool m_countReported = false;
    bool m_lineReported = false;
    bool m_eightBitReported = false;
};

}  // namespace

HeaderBlock ParseHeaderBlock(std::string_view source, std::size_t begin, std::size_t end, const ParseLimits& limits,
                             std::vector<ParseIssue>& issues) {
    return HeaderBlockReader(source, limits, issues).Read(begin, end);
}

}  // namespace mailvane::mime
