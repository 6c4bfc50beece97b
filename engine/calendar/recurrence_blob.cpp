#include "engine/calendar/recurrence_blob.h"

#include "engine/io/little_endian.h"

namespace mailvane::calendar {

namespace {

constexpr std::uint16_t kReaderVersion = 0x3004;
constexpr std::uint16_t kWriterVersion = 0x3004;
constexpr std::uint32_t kReaderVersion2 = 0x3006;
constexpr std::uint32_t kWriterVersion2 = 0x3009;
constexpr std::uint16_t kGregorian = 0x0000;
constexpr std::uint32_t kChangeHighlightSize = 4;

void AppendDates(msg::Bytes& out, const std::vector<std::uint32_t>& dates) {
    io::AppendU32(out, static_cast<std::uint32_t>(dates.size()));
    for (std::uint32_t date : dates) io::AppendU32(out, date);
}

// The 8-bit subject and location of an ExceptionInfo. Readers take the
// Unicode text from the ExtendedException; here characters outside Latin-1
// stand as '?'.
void AppendNarrowText(msg::Bytes& out, std::u16string_view text) {
    const auto length = static_cast<std::uint16_t>(text.size());
    io::AppendU16(out, static_cast<std::uint16_t>(length + 1));
    io::AppendU16(out, length);
    for (char16_t c : text) out.push_back(c < 0x100 ? static_cast<std::uint8_t>(c) : '?');
}

void AppendWideText(msg::Bytes& out, std::u16string_view text) {
    io::AppendU16(out, static_cast<std::uint16_t>(text.size()));
    for (char16_t c : text) io::AppendU16(out, c);
}

void AppendPattern(msg::Bytes& out, const RecurrencePattern& pattern) {
    io::AppendU16(out, kReaderVersion);
    io::AppendU16(out, kWriterVersion);
    io::AppendU16(out, static_cast<std::uint16_t>(pattern.frequency));
    io::AppendU16(out, static_cast<std::uint16_t>(pattern.type));
    io::AppendU16(out, kGregorian);
    io::AppendU32(out, pattern.FirstDateTime());
    io::AppendU32(out, pattern.period);
    io::AppendU32(out, 0);  // SlidingFlag: only tasks slide
    switch (pattern.type) {
        case PatternType::Day:
            break;
        case PatternType::Week:
        case PatternType::Month:
            io::AppendU32(out, pattern.patternSpecific);
            break;
        case PatternType::MonthNth:
            io::AppendU32(out, pattern.patternSpecific);
            io::AppendU32(out, pattern.nth);
            break;
    }
    io::AppendU32(out, static_cast<std::uint32_t>(pattern.end));
    io::AppendU32(out, pattern.occurrenceCount);
    io::AppendU32(out, pattern.firstDayOfWeek);
    AppendDates(out, pattern.deletedInstanceDates);
    AppendDates(out, pattern.modifiedInstanceDates);
    io::AppendU32(out, pattern.startDate);
    io::AppendU32(out, pattern.endDate);
}

void AppendExceptionInfo(msg::Bytes& out, const RecurrenceException& exception) {
    io::AppendU32(out, exception.startDateTime);
    io::AppendU32(out, exception.endDateTime);
    io::AppendU32(out, exception.originalStartDate);
    io::AppendU16(out, exception.overrideFlags);
    const std::uint16_t flags = exception.overrideFlags;
    if (flags & kOverrideSubject) AppendNarrowText(out, exception.subject);
    if (flags & kOverrideReminderDelta) io::AppendU32(out, static_cast<std::uint32_t>(exception.reminderDelta));
    if (flags & kOverrideReminder) io::AppendU32(out, static_cast<std::uint32_t>(exception.reminderSet));
    if (flags & kOverrideLocation) AppendNarrowText(out, exception.location);
    if (flags & kOverrideBusyStatus) io::AppendU32(out, static_cast<std::uint32_t>(exception.busyStatus));
    if (flags & kOverrideSubType) io::AppendU32(out, static_cast<std::uint32_t>(exception.subType));
}

void AppendExtendedException(msg::Bytes& out, const RecurrenceException& exception) {
    io::AppendU32(out, kChangeHighlightSize);
    io::AppendU32(out, 0);  // ChangeHighlightValue: no highlighted change
    io::AppendU32(out, 0);  // ReservedBlockEE1Size
    const bool withText = exception.overrideFlags & (kOverrideSubject | kOverrideLocation);
    if (withText) {
        io::AppendU32(out, exception.startDateTime);
        io::AppendU32(out, exception.endDateTime);
        io::AppendU32(out, exception.originalStartDate);
        if (exception.overrideFlags & kOverrideSubject) AppendWideText(out, exception.subject);
        if (exception.overrideFlags & kOverrideLocation) AppendWideText(out, exception.location);
        io::AppendU32(out, 0);  // ReservedBlockEE2Size
    }
}

}  // namespace

msg::Bytes EncodeAppointmentRecurrence(const AppointmentRecurrence& recurrence) {
    msg::Bytes out;
    AppendPattern(out, recurrence.pattern);
    io::AppendU32(out, kReaderVersion2);
    io::AppendU32(out, kWriterVersion2);
    io::AppendU32(out, recurrence.startTimeOffset);
    io::AppendU32(out, recurrence.endTimeOffset);
    io::AppendU16(out, static_cast<std::uint16_t>(recurrence.exceptions.size()));
    for (const auto& exception : recurrence.exceptions) AppendExceptionInfo(out, exception);
    io::AppendU32(out, 0);  // ReservedBlock1Size
    for (const auto& exception : recurrence.exceptions) AppendExtendedException(out, exception);
    io::AppendU32(out, 0);  // ReservedBlock2Size
    return out;
}

}  // namespace mailvane::calendar
