#include "engine/mapping/file_limits.h"

#include <string>

#include "engine/msg/msg_storage_layout.h"

namespace mailvane::mapping {

namespace {

template <typename Row>
void KeepFirst(std::vector<Row>& rows, std::size_t limit, mime::IssueKind kind, const char* what, std::size_t offset,
               std::vector<mime::ParseIssue>& issues) {
    if (rows.size() <= limit) return;
    issues.push_back({kind, offset,
                      std::to_string(rows.size() - limit) + " of " + std::to_string(rows.size()) + " " + what +
                          " left out; a message file holds " + std::to_string(limit)});
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(limit), rows.end());
}

}  // namespace

void KeepWithinFileLimits(msg::Message& message, std::size_t offset, std::vector<mime::ParseIssue>& issues) {
    KeepFirst(message.recipients, msg::kMaxRecipients, mime::IssueKind::RecipientCountLimit, "recipients", offset,
              issues);
    KeepFirst(message.attachments, msg::kMaxAttachments, mime::IssueKind::AttachmentCountLimit, "attachments", offset,
              issues);
}

}  // namespace mailvane::mapping
