#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mailvane::calendar {

// The recurrence of a series as Outlook stores it in PidLidAppointmentRecur:
// the AppointmentRecurrencePattern of [MS-OXOCAL] 2.2.1.44, field by field.
// Dates and times are minutes since 1601-01-01 in the series' own clock
// (the time zone of PidLidTimeZoneStruct), dates at midnight.

enum class RecurFrequency : std::uint16_t { Daily = 0x200A, Weekly = 0x200B, Monthly = 0x200C, Yearly = 0x200D };
enum class PatternType : std::uint16_t { Day = 0x0000, Week = 0x0001, Month = 0x0002, MonthNth = 0x0003 };
enum class RecurrenceEnd : std::uint32_t { AfterDate = 0x2021, AfterCount = 0x2022, Never = 0x2023 };

// What an exception changes against its series ([MS-OXOCAL] 2.2.1.44.2).
enum OverrideFlag : std::uint16_t {
    kOverrideSubject = 0x0001,
    kOverrideReminderDelta = 0x0004,
    kOverrideReminder = 0x0008,
    kOverrideLocation = 0x0010,
    kOverrideBusyStatus = 0x0020,
    kOverrideSubType = 0x0080,
};

// The occurrence count and end date a series without an end is written with.
constexpr std::uint32_t kEndlessOccurrenceCount = 10;
constexpr std::uint32_t kEndlessEndDate = 0x5AE980DF;  // 4500-08-31 23:59

struct RecurrencePattern {
    RecurFrequency frequency = RecurFrequency::Daily;
    PatternType type = PatternType::Day;
    // Minutes for a daily pattern, weeks for a weekly one, months otherwise.
    std::uint32_t period = 1;
    // Week and MonthNth: the weekdays, bit 0 for Sunday up to bit 6 for
    // Saturday. Month: the day of the month (29 to 31 fall on the last day of
    // a shorter month).
    std::uint32_t patternSpecific = 0;
    std::uint32_t nth = 0;  // MonthNth: the week of the month, 1 to 4, 5 for the last
    RecurrenceEnd end = RecurrenceEnd::Never;
    std::uint32_t occurrenceCount = kEndlessOccurrenceCount;
    std::uint32_t firstDayOfWeek = 0;                  // 0 for Sunday
    std::vector<std::uint32_t> deletedInstanceDates;   // deleted or moved instances, original dates
    std::vector<std::uint32_t> modifiedInstanceDates;  // moved or changed instances, new dates
    std::uint32_t startDate = 0;                       // the first instance
    std::uint32_t endDate = kEndlessEndDate;           // the last instance

    // FirstDateTime ([MS-OXOCAL] 2.2.1.44.1.1): the first period of the
    // pattern's cycle counted from 1601.
    std::uint32_t FirstDateTime() const;
};

// One changed instance: its new times, the original start, and the fields
// that differ from the series (kOverride* flags).
struct RecurrenceException {
    std::uint32_t startDateTime = 0;
    std::uint32_t endDateTime = 0;
    std::uint32_t originalStartDate = 0;
    std::uint16_t overrideFlags = 0;
    std::u16string subject;
    std::u16string location;
    std::int32_t reminderDelta = 0;
    std::int32_t reminderSet = 0;
    std::int32_t busyStatus = 0;
    std::int32_t subType = 0;
};

struct AppointmentRecurrence {
    RecurrencePattern pattern;
    std::uint32_t startTimeOffset = 0;  // minutes after midnight each instance starts
    std::uint32_t endTimeOffset = 0;    // and ends (past 1440 when it ends on a later day)
    std::vector<RecurrenceException> exceptions;
};

}  // namespace mailvane::calendar
