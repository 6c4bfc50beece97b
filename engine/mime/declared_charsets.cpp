#include "engine/mime/declared_charsets.h"

#include <algorithm>
#include <cstddef>

namespace mailvane::mime {
namespace {

// A handful of charsets is all a message declares; the bounds keep a
// hostile tree from making the list or the walk long.
constexpr std::size_t kMaxCharsets = 8;
constexpr std::size_t kMaxDepth = 64;

void Collect(const MimeEntity& entity, std::size_t depth, std::vector<std::string>& found) {
    if (found.size() >= kMaxCharsets || depth > kMaxDepth) {
        return;
    }
    for (const auto& child : entity.children) {
        Collect(*child, depth + 1, found);
    }
    if (!entity.IsMultipart() && entity.mediaType.starts_with("text/")) {
        std::string charset = entity.Charset();
        if (!charset.empty() && charset != "us-ascii" &&
            std::find(found.begin(), found.end(), charset) == found.end()) {
            found.push_back(std::move(charset));
        }
    }
}

}  // namespace

std::vector<std::string> DeclaredTextCharsets(const MimeEntity& message) {
    std::vector<std::string> found;
    Collect(message, 0, found);
    return found;
}

}  // namespace mailvane::mime
