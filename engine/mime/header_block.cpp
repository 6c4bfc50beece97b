#include "engine/mime/header_block.h"

#include <array>

#include "engine/mime/ascii_text.h"

namespace mailvane::mime {
namespace {

// Fields that a message or entity carries at most once (RFC 5322 3.6, RFC 2045).
bool IsSingleton(std::string_view name) {
    static constexpr std::array<std::string_view, 12> kSingletons{
        "from", "sender", "reply-to", "to", "cc", "subject", "date", "message-id",
        "mime-version", "content-type", "content-transfer-encoding", "content-disposition"};
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
        : source_(source), limits_(limits), issues_(issues) {}

    HeaderBlock Read(std::size_t begin, std::size_t end) {
        HeaderBlock block;
        block.bodyBegin = end;
        std::size_t pos = begin;
        while (pos < end) {
            const auto lf = source_.find('\n', pos);
            const std::size_t next = (lf == std::string_view::npos || lf >= end) ? end : lf + 1;
            auto line = source_.substr(pos, next - pos);
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
                    issues_.push_back({IssueKind::MalformedHeaderLine, pos, "header line without a field name"});
                    Close(block.headers);
                    pos = next;
                    continue;
                }
                if (line.starts_with("From ") || line.starts_with(">From ")) {
                    issues_.push_back({IssueKind::MalformedHeaderLine, pos, "envelope line among the headers"});
                    Close(block.headers);
                    pos = next;
                    continue;
                }
                issues_.push_back({IssueKind::MissingHeaderBodySeparator, pos, "body starts without a blank line"});
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
    bool Accepting() const { return !sizeReported_ && !countReported_; }

    void Start(std::string_view name, std::string_view value, std::size_t offset, HeaderList& headers) {
        Close(headers);
        if (!Accepting()) {
            return;
        }
        if (stored_ > limits_.maxHeaderBytes) {
            sizeReported_ = true;
            issues_.push_back({IssueKind::HeaderSizeLimit, offset, "header fields beyond the size limit skipped"});
            return;
        }
        if (count_ >= limits_.maxHeaderFields) {
            countReported_ = true;
            issues_.push_back({IssueKind::HeaderCountLimit, offset, "too many header fields"});
            return;
        }
        ++count_;
        stored_ += name.size();
        current_ = HeaderField{std::string(name), {}, offset};
        open_ = true;
        Append(value, offset);
    }

    void Continue(std::string_view line, std::size_t offset) {
        if (!open_) {
            if (Accepting()) {
                issues_.push_back({IssueKind::MalformedHeaderLine, offset, "continuation line without a field"});
            }
            return;
        }
        Append(line, offset);
    }

    void Append(std::string_view text, std::size_t offset) {
        if (current_.value.size() + text.size() > limits_.maxLineLength) {
            const std::size_t room =
                limits_.maxLineLength > current_.value.size() ? limits_.maxLineLength - current_.value.size() : 0;
            text = text.substr(0, room);
            if (!lineReported_) {
                lineReported_ = true;
                issues_.push_back({IssueKind::LineLengthLimit, offset, "header field cut at the line limit"});
            }
        }
        current_.value.append(text);
        stored_ += text.size();
    }

    void Close(HeaderList& headers) {
        if (!open_) {
            return;
        }
        open_ = false;
        current_.value = std::string(TrimBlanks(current_.value));
        if (HasEightBitBytes(current_.value) && !eightBitReported_) {
            eightBitReported_ = true;
            issues_.push_back({IssueKind::UnencodedEightBitHeader, current_.offset, current_.name});
        }
        if (IsSingleton(current_.name) && headers.Find(current_.name)) {
            issues_.push_back({IssueKind::DuplicatedHeader, current_.offset, current_.name});
        }
        headers.Add(std::move(current_));
        current_ = HeaderField{};
    }

    std::string_view source_;
    const ParseLimits& limits_;
    std::vector<ParseIssue>& issues_;
    HeaderField current_;
    bool open_ = false;
    std::size_t count_ = 0;
    std::size_t stored_ = 0;  // bytes of field values kept so far
    bool sizeReported_ = false;
    bool countReported_ = false;
    bool lineReported_ = false;
    bool eightBitReported_ = false;
};

}  // namespace

HeaderBlock ParseHeaderBlock(std::string_view source, std::size_t begin, std::size_t end, const ParseLimits& limits,
                             std::vector<ParseIssue>& issues) {
    return HeaderBlockReader(source, limits, issues).Read(begin, end);
}

}  // namespace mailvane::mime
