#include "test_support.h"

namespace mailvane::mime::test {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::string AsString(std::span<const std::uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

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
