#include "engine/mime/header_block.h"

#include <array>

#include "engine/mime/ascii_text.h"

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
        if (EqualsIgnoreCase(name, singleton)) {
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
                m_issues.push_back({IssueKind::MissingHeaderBodySeparator, pos, "body starts without a blank line"});
                block.bodyBegin = pos;
                block.sawBlankLine = true;
                break;
            }
            Start(name, line.substr(colon + 1), pos, block.headers);
            pos = next;
        }
        Close(block.headers);
        return block;
    }

private:
    bool Accepting() const { return !m_sizeReported && !m_countReported; }

    void Start(std::string_view name, std::string_view value, std::size_t offset, HeaderList& headers) {
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
        m_stored += name.size();
        m_current = HeaderField{std::string(name), {}, offset};
        m_open = true;
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
        m_current.value = std::string(TrimBlanks(m_current.value));
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
