#include "engine/calendar/meeting_properties.h"

#include <algorithm>
#include <optional>

#include "engine/calendar/calendar_properties.h"
#include "engine/calendar/civil_date.h"
#include "engine/calendar/recurrence_blob.h"
#include "engine/calendar/time_zone_blobs.h"

namespace mailvane::calendar {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

void Set(msg::PropertyBag& properties, const NamedPropertyDefinition& definition, msg::PropertyValue value) {
    properties.SetNamed(definition.Name(), definition.type, std::move(value));
}

msg::FileTime Time(std::int64_t utcSeconds) { return msg::FileTime::FromUnixSeconds(utcSeconds); }

bool IsMeetingClass(const Meeting& meeting) { return meeting.method != MeetingMethod::Publish; }

// Local seconds for minutes since 1601 in the recurrence structures.
std::int64_t LocalSeconds(std::uint32_t minutes) { return (std::int64_t{minutes} - kDaysFrom1601To1970 * 1440) * 60; }

// The packed date (year << 9 | month << 5 | day) and time (hour << 12 |
// minute << 6 | second) of PidLidStartRecurrenceDate and its kin.
std::int32_t PackedDate(std::int64_t localSeconds) {
    const CivilDate date = CivilFromDays(localSeconds / kSecondsPerDay);
    return (date.year << 9) | (date.month << 5) | date.day;
}

std::int32_t PackedTime(std::int64_t secondOfDay) {
    return static_cast<std::int32_t>(((secondOfDay / 3600) << 12) | ((secondOfDay / 60 % 60) << 6) |
                                     (secondOfDay % 60));
}

std::int32_t RecurrenceType(const RecurrencePattern& pattern) {
    switch (pattern.frequency) {
        case RecurFrequency::Daily:
            return 1;
        case RecurFrequency::Weekly:
            return 2;
        case RecurFrequency::Monthly:
            return pattern.type == PatternType::MonthNth ? 5 : 3;
        case RecurFrequency::Yearly:
            return pattern.type == PatternType::MonthNth ? 6 : 4;
    }
    return 0;
}

std::u16string JoinNames(const Meeting& meeting, bool organizer, std::optional<AttendeeRole> role) {
    std::u16string joined;
    for (const Attendee& attendee : meeting.attendees) {
        if (attendee.organizer && !organizer) continue;
        if (role && (attendee.organizer || attendee.role != *role)) continue;
        if (!joined.empty()) joined += u"; ";
        joined += attendee.name;
    }
    return joined;
}

int LocalYear(const MeetingTime& time) { return CivilFromDays(DaysFromSeconds(time.local)).year; }

// The display definition of a time: its zone, with the rule of the time's
// own year effective; for a floating time, UTC, the clock its wall-clock
// time is kept on, so that Outlook shows it as written ([MS-OXOCAL]
// 3.1.5.5.1 reads a floating all-day appointment through this definition
// wherever the viewer is). A UTC time has none: Outlook shows it in the
// viewer's zone.
std::optional<msg::Bytes> DisplayDefinition(const MeetingTime& time) {
    if (time.zone) return TimeZoneDefinition(*time.zone, TimeZoneDefinitionUse::Display, LocalYear(time));
    if (time.floating) return TimeZoneDefinition(UtcTimeZone(), TimeZoneDefinitionUse::Display, LocalYear(time));
    return std::nullopt;
}

void SetTimes(const Meeting& meeting, msg::PropertyBag& p) {
    p.Set(PidTagStartDate, Time(meeting.start.utc));
    p.Set(PidTagEndDate, Time(meeting.end.utc));
    Set(p, PidLidAppointmentStartWhole, Time(meeting.start.utc));
    Set(p, PidLidAppointmentEndWhole, Time(meeting.end.utc));
    Set(p, PidLidCommonStart, Time(meeting.start.utc));
    Set(p, PidLidCommonEnd, Time(meeting.end.utc));
    const std::int64_t minutes = (meeting.end.utc - meeting.start.utc) / 60;
    Set(p, PidLidAppointmentDuration, static_cast<std::int32_t>(minutes > 0x7FFFFFFF ? 0x7FFFFFFF : minutes));
    Set(p, PidLidAppointmentSubType, meeting.allDay);
    if (meeting.start.zone) Set(p, PidLidTimeZoneDescription, meeting.start.zone->id);
    if (const auto definition = DisplayDefinition(meeting.start)) {
        Set(p, PidLidAppointmentTimeZoneDefinitionStartDisplay, *definition);
    }
    if (const auto definition = DisplayDefinition(meeting.end)) {
        Set(p, PidLidAppointmentTimeZoneDefinitionEndDisplay, *definition);
    }
}

void SetRecurrence(const Meeting& meeting, msg::PropertyBag& p) {
    const bool series = meeting.recurrence.has_value();
    Set(p, PidLidRecurring, series);
    Set(p, PidLidIsRecurring, series || meeting.replaceTime.has_value());
    if (meeting.replaceTime) {
        Set(p, PidLidIsException, true);
        Set(p, PidLidExceptionReplaceTime, Time(*meeting.replaceTime));
    }
    if (!series) {
        Set(p, PidLidRecurrenceType, std::int32_t{0});
        Set(p, PidLidClipStart, Time(meeting.start.utc));
        Set(p, PidLidClipEnd, Time(meeting.end.utc));
        return;
    }
    const AppointmentRecurrence& recurrence = *meeting.recurrence;
    const RecurrencePattern& pattern = recurrence.pattern;
    Set(p, PidLidAppointmentRecur, EncodeAppointmentRecurrence(recurrence));
    Set(p, PidLidRecurrenceType, RecurrenceType(pattern));
    // A series in UTC or floating time keeps a zone without offset or daylight
    // time; a zoned one the rule in force where it starts, which the
    // recurrence definition marks as the one the two share.
    const TimeZone zone = meeting.start.zone.value_or(TimeZone{});
    const int seriesYear = LocalYear(meeting.start);
    Set(p, PidLidTimeZoneStruct, TimeZoneStruct(zone.RuleFor(seriesYear)));
    if (meeting.start.zone) {
        Set(p, PidLidAppointmentTimeZoneDefinitionRecur,
            TimeZoneDefinition(zone, TimeZoneDefinitionUse::Recurrence, seriesYear));
    }
    const std::int64_t firstDay = LocalSeconds(pattern.startDate);
    const std::int64_t lastDay = LocalSeconds(pattern.endDate);
    Set(p, PidLidClipStart, Time(zone.ToUtc(firstDay)));
    Set(p, PidLidClipEnd, Time(zone.ToUtc(lastDay)));
    Set(p, PidLidStartRecurrenceDate, PackedDate(firstDay));
    Set(p, PidLidEndRecurrenceDate, PackedDate(lastDay));
    Set(p, PidLidStartRecurrenceTime, PackedTime(std::int64_t{recurrence.startTimeOffset} * 60 % kSecondsPerDay));
    Set(p, PidLidEndRecurrenceTime, PackedTime(std::int64_t{recurrence.endTimeOffset} * 60 % kSecondsPerDay));
}

void SetMeetingState(const Meeting& meeting, msg::PropertyBag& p) {
    const bool withAttendees = meeting.attendees.size() > 1;
    Set(p, PidLidAppointmentStateFlags, AppointmentStateFlags(meeting));
    Set(p, PidLidFInvited, IsMeetingClass(meeting) || withAttendees);
    if (meeting.method == MeetingMethod::Request) Set(p, PidLidResponseStatus, respNotResponded);
    if (meeting.method == MeetingMethod::Publish) Set(p, PidLidResponseStatus, respNone);
    if (meeting.method == MeetingMethod::Request || meeting.method == MeetingMethod::Cancel) {
        Set(p, PidLidMeetingType, meeting.sequence.value_or(0) > 0 ? mtgFull : mtgRequest);
        Set(p, PidLidAppointmentMessageClass, std::u16string(u"IPM.Appointment"));
    }
    if (meeting.sequence) Set(p, PidLidAppointmentSequence, *meeting.sequence);
    Set(p, PidLidBusyStatus, meeting.busyStatus);
    Set(p, PidLidIntendedBusyStatus, meeting.intendedBusyStatus);
    if (meeting.stamp) {
        Set(p, IsResponse(meeting.method) ? PidLidAttendeeCriticalChange : PidLidOwnerCriticalChange,
            Time(*meeting.stamp));
    }
    if (!meeting.globalObjectId.empty()) {
        Set(p, PidLidGlobalObjectId, meeting.globalObjectId);
        Set(p, PidLidCleanGlobalObjectId, meeting.cleanGlobalObjectId);
    }
    p.Set(PidTagResponseRequested, meeting.responseRequested);
    p.Set(PidTagReplyRequested, meeting.responseRequested);
    if (meeting.notAllowPropose) Set(p, PidLidAppointmentNotAllowPropose, *meeting.notAllowPropose);
    Set(p, PidLidToAttendeesString, JoinNames(meeting, false, AttendeeRole::Required));
    Set(p, PidLidCcAttendeesString, JoinNames(meeting, false, AttendeeRole::Optional));
    Set(p, PidLidAllAttendeesString, JoinNames(meeting, true, std::nullopt));
}

// What a Meeting Response object says besides its class ([MS-OXOCAL] 2.2.7):
// whether it proposes another time, the time proposed, and whether the
// attendee wrote anything.
void SetResponse(const Meeting& meeting, msg::PropertyBag& p) {
    if (!IsResponse(meeting.method)) return;
    const bool counter = meeting.proposedStart && meeting.proposedEnd;
    Set(p, PidLidAppointmentCounterProposal, counter);
    Set(p, PidLidIsSilent, meeting.text.empty());
    if (!counter) return;
    Set(p, PidLidAppointmentProposedStartWhole, Time(meeting.proposedStart->utc));
    Set(p, PidLidAppointmentProposedEndWhole, Time(meeting.proposedEnd->utc));
    const std::int64_t minutes = (meeting.proposedEnd->utc - meeting.proposedStart->utc) / 60;
    Set(p, PidLidAppointmentProposedDuration,
        static_cast<std::int32_t>(std::clamp<std::int64_t>(minutes, 0, 0x7FFFFFFF)));
}

void SetReminder(const Meeting& meeting, msg::PropertyBag& p) {
    Set(p, PidLidReminderSet, meeting.reminderMinutes.has_value());
    if (!meeting.reminderMinutes) return;
    Set(p, PidLidReminderDelta, *meeting.reminderMinutes);
    Set(p, PidLidReminderTime, Time(meeting.start.utc));
    Set(p, PidLidReminderSignalTime, Time(meeting.start.utc - std::int64_t{*meeting.reminderMinutes} * 60));
}

// Outlook's icon for a calendar message class ([MS-OXPROPS] PidTagIconIndex).
std::int32_t MeetingIconIndex(const Meeting& meeting) {
    const std::u16string& c = meeting.messageClass;
    if (c == u"IPM.Schedule.Meeting.Request") return 0x00000404;
    if (c == u"IPM.Schedule.Meeting.Resp.Pos") return 0x00000405;
    if (c == u"IPM.Schedule.Meeting.Resp.Neg") return 0x00000406;
    if (c == u"IPM.Schedule.Meeting.Resp.Tent") return 0x00000407;
    if (c == u"IPM.Schedule.Meeting.Canceled") return 0x00000408;
    return meeting.recurrence ? 0x00000401 : 0x00000400;
}

}  // namespace

std::int32_t AppointmentStateFlags(const Meeting& meeting) {
    const bool withAttendees = meeting.attendees.size() > 1;
    std::int32_t state = IsMeetingClass(meeting) || withAttendees ? asfMeeting | asfReceived : 0;
    if (meeting.method == MeetingMethod::Cancel) state |= asfCanceled;
    return state;
}

void SetMeetingProperties(const Meeting& meeting, msg::PropertyBag& properties) {
    properties.Set(msg::PidTagMessageClass, meeting.messageClass);
    properties.Set(msg::PidTagIconIndex, MeetingIconIndex(meeting));
    SetTimes(meeting, properties);
    Set(properties, PidLidLocation, meeting.location);
    Set(properties, PidLidWhere, meeting.location);
    SetRecurrence(meeting, properties);
    SetMeetingState(meeting, properties);
    SetResponse(meeting, properties);
    SetReminder(meeting, properties);
    if (meeting.importance) properties.Set(msg::PidTagImportance, *meeting.importance);
    if (meeting.sensitivity) properties.Set(msg::PidTagSensitivity, *meeting.sensitivity);
}

}  // namespace mailvane::calendar
