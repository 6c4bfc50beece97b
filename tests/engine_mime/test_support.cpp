#include "test_support.h"

namespace mailvane::mime::test {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::string AsString(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

std::string Utf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

ParsedMessage Parse(std::string_view text, const ParseLimits& limits) { return ParseMessage(Bytes(text), limits); }

bool HasIssue(const ParsedMessage& message, IssueKind kind) {
    for (const auto& issue : message.issues) {
        if (issue.kind == kind) {
            return true;
        }
    }
    return false;
}

std::vector<const MimeEntity*> AllEntities(const MimeEntity& root) {
    std::vector<const MimeEntity*> all;
    std::vector<const MimeEntity*> stack{&root};
    while (!stack.empty()) {
        const auto* entity = stack.back();
        stack.pop_back();
        all.push_back(entity);
        if (entity->embedded) {
            stack.push_back(entity->embedded.get());
        }
        for (auto it = entity->children.rbegin(); it != entity->children.rend(); ++it) {
            stack.push_back(it->get());
        }
    }
    return all;
}

}  // namespace mailvane::mime::test
