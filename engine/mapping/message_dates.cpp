#include "engine/mapping/message_dates.h"

#include "engine/mime/date_time.h"
#include "engine/msg/file_time.h"

namespace mailvane::mapping {

namespace {

// A FILETIME can hold no earlier instant than 1601; a date before it would
// be written as a time Windows calls invalid.
constexpr std::int64_t kEarliestFileTime = -msg::kSecondsFrom1601To1970;

bool Representable(std::int64_t seconds) {
    return seconds >= kEarliestFileTime && seconds < 253402300800;  // before year 10000
}

}  // namespace

MessageDates DatesFromHeaders(const mime::HeaderList& headers, std::int64_t now,
                              std::vector<mime::ParseIssue>& issues) {
    MessageDates dates{now, now};
    if (const auto* date = headers.Find("Date")) {
        auto parsed = mime::ParseDateTime(date->value);
        if (parsed && Representable(*parsed)) {
            dates.submitted = *parsed;
        } else if (parsed) {
            // A Date that is no date at all the parser has recorded already.
            issues.push_back({mime::IssueKind::InvalidDate, date->offset, mime::IssueExcerpt(date->value)});
        }
    }
    dates.delivered = dates.submitted;
    for (const mime::HeaderField* received : headers.FindAll("Received")) {
        std::size_t semicolon = received->value.rfind(';');
        if (semicolon == std::string::npos) {
            continue;
        }
        auto parsed = mime::ParseDateTime(std::string_view(received->value).substr(semicolon + 1));
        if (parsed && Representable(*parsed)) {
            dates.delivered = *parsed;
            break;
        }
    }
    return dates;
}

}  // namespace mailvane::mapping
