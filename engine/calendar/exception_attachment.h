#pragma once

#include <cstddef>
#include <string_view>

#include "engine/calendar/meeting.h"
#include "engine/msg/message.h"

namespace mailvane::calendar {

// Makes `attachment` the Exception Attachment object of exception `index`
// of the series ([MS-OXOCAL] 2.2.10.1), hidden and flagged afException,
// with the message in it, the Exception Embedded Message object (2.2.10.2),
// as Outlook imports the exception's VEVENT ([MS-OXCICAL] RECURRENCE-ID):
// its times, subject, location, busy status, all-day flag and reminder,
// each the exception's own where its ExceptionInfo overrides the series,
// else the series' (the subject then `seriesSubject`, what the series'
// message is called); the instance it replaces; and whether it has a body
// of its own. The times are those of the ExceptionInfo, on the series' clock
// (PidLidTimeZoneStruct), and in UTC through the series' zone. The message's
// recipients and body are the caller's to add.
void SetExceptionAttachment(const Meeting& series, std::size_t index, std::u16string_view seriesSubject,
                            msg::Attachment& attachment);

}  // namespace mailvane::calendar
