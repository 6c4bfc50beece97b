#pragma once

#include <cstdint>
#include <optional>

#include "engine/mime/mime_entity.h"
#include "engine/mime/parse_issue.h"

namespace mailvane::mapping {

struct MessageDates {
    std::int64_t submitted = 0;  // PidTagClientSubmitTime, Unix seconds UTC
    std::int64_t delivered = 0;  // PidTagMessageDeliveryTime
};

// Submit time from Date (`now` when missing or not a date); delivery time
// from the date after the last ';' of the topmost Received header that has
// one, else the submit time.
MessageDates DatesFromHeaders(const mime::HeaderList& headers, std::int64_t now, std::vector<mime::ParseIssue>& issues);

}  // namespace mailvane::mapping
