#include "engine/calendar/meeting_reader.h"

#include <algorithm>
#include <map>
#include <set>

#include "engine/calendar/calendar_properties.h"
#include "engine/calendar/calendar_values.h"
#include "engine/calendar/global_object_id.h"
#include "engine/calendar/recurrence_builder.h"
#include "engine/calendar/recurrence_rule.h"
#include "engine/text/ascii_case.h"

namespace mailvane::calendar {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::size_t kMaxShortText = 255;  // subject and location, in UTF-16 units

std::string_view Trimmed(std::string_view value) {
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    return value;
}

std::optional<MeetingMethod> MethodOf(std::string_view text) {
    text = Trimmed(text);
    if (text::EqualsIgnoreCase(text, "REQUEST")) return MeetingMethod::Request;
    if (text::EqualsIgnoreCase(text, "CANCEL")) return MeetingMethod::Cancel;
    if (text::EqualsIgnoreCase(text, "REPLY")) return MeetingMethod::Reply;
    if (text::EqualsIgnoreCase(text, "COUNTER")) return MeetingMethod::Counter;
    if (text::EqualsIgnoreCase(text, "PUBLISH")) return MeetingMethod::Publish;
    return std::nullopt;
}

std::string_view ValueOf(const CalendarComponent& component, std::string_view name) {
    const CalendarProperty* property = component.Find(name);
    return property ? Trimmed(property->value) : std::string_view();
}

// Subject and location lose their line breaks and stop at 255 units, not
// inside a surrogate pair ([MS-OXCICAL] SUMMARY, LOCATION).
std::u16string ShortText(std::string_view value) {
    std::u16string text = UnescapeText(value);
    std::erase_if(text, [](char16_t c) { return c == u'\r' || c == u'\n'; });
    if (text.size() > kMaxShortText) {
        std::size_t cut = kMaxShortText;
        if (text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF) --cut;
        text.resize(cut);
    }
    return text;
}

bool IsTrue(std::string_view value) { return text::EqualsIgnoreCase(Trimmed(value), "TRUE"); }

// The zone an event's floating times are read in: its start's or end's,
// else the calendar's X-WR-TIMEZONE (the zone Apple's and Google's
// calendars name for the times they hold); nullopt when none is known.
std::optional<TimeZone> EventZone(const CalendarComponent& calendar, const CalendarComponent& event,
                                  const TimeZoneTable& zones) {
    for (std::string_view name : {"DTSTART", "DTEND"}) {
        const CalendarProperty* property = event.Find(name);
        const std::string_view tzid = property ? property->ParameterValue("TZID") : std::string_view();
        if (tzid.empty()) continue;
        if (auto zone = zones.Resolve(UnescapeText(tzid))) return zone;
    }
    const std::string_view calendarZone = ValueOf(calendar, "X-WR-TIMEZONE");
    return calendarZone.empty() ? std::nullopt : zones.Resolve(UnescapeText(calendarZone));
}

// Reads the times of one event. A TZID names the calendar's VTIMEZONE, or
// else a zone known by its name. A floating time (no Z, no TZID) is local
// time wherever it is seen (RFC 5545 3.3.5): it is read in the event's
// zone, the local time of the people the event is for. So is a time whose
// TZID names no zone, with its issue. With no event zone a time stays
// floating: its zone would be the viewer's, and the engine knows no
// viewer. A file must not change with the zone of the machine that wrote
// it, so the wall clock as written is kept as UTC, the display zone written
// with it says UTC (meeting_properties.cpp), and an issue records it.
// Dates are days, not instants, and stay on the UTC clock.
class TimeReader {
public:
    TimeReader(const TimeZoneTable& zones, std::optional<TimeZone> eventZone, std::vector<CalendarIssue>& issues)
        : m_zones(zones), m_eventZone(std::move(eventZone)), m_issues(issues) {}

    std::optional<MeetingTime> Read(std::string_view value, std::string_view tzid, std::size_t offset) const {
        const auto parsed = ParseDateTime(value);
        if (!parsed) {
            m_issues.push_back({CalendarIssueKind::InvalidDateTime, offset, std::string(Trimmed(value).substr(0, 40))});
            return std::nullopt;
        }
        MeetingTime time;
        time.dateOnly = parsed->dateOnly;
        time.local = parsed->Seconds();
        time.utc = time.local;
        if (parsed->utc) return time;
        time.writtenFloating = tzid.empty() || parsed->dateOnly;
        time.floating = true;
        if (parsed->dateOnly) return time;
        std::optional<TimeZone> zone;
        if (!tzid.empty()) {
            zone = m_zones.Resolve(UnescapeText(tzid));
            if (!zone) {
                m_issues.push_back({CalendarIssueKind::UnknownTimeZone, offset, std::string(tzid.substr(0, 60))});
            }
        }
        if (!zone) zone = m_eventZone;
        if (!zone) {
            if (tzid.empty()) {
                m_issues.push_back(
                    {CalendarIssueKind::FloatingTime, offset, std::string(Trimmed(value).substr(0, 40))});
            }
            return time;
        }
        time.utc = zone->ToUtc(time.local);
        time.floating = false;
        time.zone = std::move(zone);
        return time;
    }

    std::optional<MeetingTime> Read(const CalendarProperty* property) const {
        if (!property) return std::nullopt;
        return Read(property->value, property->ParameterValue("TZID"), property->offset);
    }

private:
    const TimeZoneTable& m_zones;
    std::optional<TimeZone> m_eventZone;
    std::vector<CalendarIssue>& m_issues;  // owned by the caller
};

// A time on the series' wall clock: a floating time as written, anything
// else through the zone of the series' start.
std::int64_t SeriesLocal(const MeetingTime& time, const std::optional<TimeZone>& seriesZone) {
    if (time.floating) return time.local;
    return seriesZone ? seriesZone->ToLocal(time.utc) : time.utc;
}

bool AtMidnight(const MeetingTime& time) { return time.local % kSecondsPerDay == 0; }

// The busy status an X-MICROSOFT-CDO-BUSYSTATUS-style value names.
std::optional<std::int32_t> NamedStatus(std::string_view value) {
    static constexpr std::pair<std::string_view, std::int32_t> kStatuses[] = {{"FREE", olFree},
                                                                              {"TENTATIVE", olTentative},
                                                                              {"BUSY", olBusy},
                                                                              {"OOF", olOutOfOffice},
                                                                              {"WORKINGELSEWHERE", olWorkingElsewhere}};
    for (const auto& [code, status] : kStatuses) {
        if (text::EqualsIgnoreCase(value, code)) return status;
    }
    return std::nullopt;
}

// Busy status in the order [MS-OXCICAL] reads it: Outlook's own property,
// then TRANSP, then STATUS.
std::int32_t BusyStatusOf(const CalendarComponent& event) {
    for (std::string_view name : {"X-MICROSOFT-CDO-BUSYSTATUS", "X-MICROSOFT-MSNCALENDAR-BUSYSTATUS"}) {
        if (const auto status = NamedStatus(ValueOf(event, name))) return *status;
    }
    const std::string_view transparency = ValueOf(event, "TRANSP");
    if (text::EqualsIgnoreCase(transparency, "TRANSPARENT")) return olFree;
    if (text::EqualsIgnoreCase(transparency, "OPAQUE")) return olBusy;
    const std::string_view status = ValueOf(event, "STATUS");
    if (text::EqualsIgnoreCase(status, "TENTATIVE")) return olTentative;
    if (text::EqualsIgnoreCase(status, "CANCELLED")) return olFree;
    return olBusy;
}

// The status the organizer means attendees to show: Outlook's own, else
// the event's busy status.
std::int32_t IntendedBusyStatusOf(const CalendarComponent& event) {
    return NamedStatus(ValueOf(event, "X-MICROSOFT-CDO-INTENDEDSTATUS")).value_or(BusyStatusOf(event));
}

// All day: dates, midnights written floating, or midnights an Outlook flag
// marks so ([MS-OXCICAL] DTSTART, X-MICROSOFT-CDO-ALLDAYEVENT).
bool IsAllDay(const CalendarComponent& event, const MeetingTime& start, const MeetingTime& end) {
    const bool floating = start.writtenFloating && end.writtenFloating;
    const bool flagged = IsTrue(ValueOf(event, "X-MICROSOFT-CDO-ALLDAYEVENT")) ||
                         IsTrue(ValueOf(event, "X-MICROSOFT-MSNCALENDAR-ALLDAYEVENT"));
    return end.utc > start.utc && AtMidnight(start) && AtMidnight(end) && (floating || flagged);
}

std::optional<std::int32_t> ImportanceOf(const CalendarComponent& event) {
    if (const auto importance = ParseInteger(ValueOf(event, "X-MICROSOFT-CDO-IMPORTANCE"));
        importance && *importance >= 0 && *importance <= 2) {
        return static_cast<std::int32_t>(*importance);
    }
    const auto priority = ParseInteger(ValueOf(event, "PRIORITY"));
    if (!priority || *priority < 1 || *priority > 9) return std::nullopt;
    return *priority < 5 ? 2 : (*priority == 5 ? 1 : 0);
}

std::optional<std::int32_t> SensitivityOf(const CalendarComponent& event) {
    const std::string_view value = ValueOf(event, "CLASS");
    if (text::EqualsIgnoreCase(value, "PUBLIC")) return 0;
    if (text::EqualsIgnoreCase(value, "PRIVATE")) return 2;
    if (text::EqualsIgnoreCase(value, "CONFIDENTIAL")) return 3;
    return std::nullopt;
}

// Minutes before the start that the first VALARM with a TRIGGER fires.
std::optional<std::int32_t> ReminderOf(const CalendarComponent& event, const MeetingTime& start, const MeetingTime& end,
                                       const TimeReader& times, std::vector<CalendarIssue>& issues) {
    for (const CalendarComponent* alarm : event.Children("VALARM")) {
        const CalendarProperty* trigger = alarm->Find("TRIGGER");
        if (!trigger) continue;
        std::int64_t secondsBefore = 0;
        if (text::EqualsIgnoreCase(trigger->ParameterValue("VALUE"), "DATE-TIME")) {
            const auto at = times.Read(trigger);
            if (!at) continue;
            secondsBefore = start.utc - at->utc;
        } else {
            const auto offset = ParseDuration(trigger->value);
            if (!offset) {
                issues.push_back({CalendarIssueKind::InvalidDuration, trigger->offset, "TRIGGER"});
                continue;
            }
            const bool fromEnd = text::EqualsIgnoreCase(trigger->ParameterValue("RELATED"), "END");
            secondsBefore = -*offset - (fromEnd ? end.utc - start.utc : 0);
        }
        const std::int64_t minutes = secondsBefore / 60;
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(minutes, 0, 0x7FFFFFFF));
    }
    return std::nullopt;
}

std::int32_t TrackStatusOf(std::string_view partStat) {
    if (text::EqualsIgnoreCase(partStat, "ACCEPTED")) return respAccepted;
    if (text::EqualsIgnoreCase(partStat, "TENTATIVE")) return respTentative;
    if (text::EqualsIgnoreCase(partStat, "DECLINED")) return respDeclined;
    return respNone;
}

std::u16string CommonName(const CalendarProperty& property) {
    std::u16string name = UnescapeText(property.ParameterValue("CN"));
    while (!name.empty() && (name.front() == u' ' || name.front() == u'"')) name.erase(name.begin());
    while (!name.empty() && (name.back() == u' ' || name.back() == u'"')) name.pop_back();
    return name;
}

// The organizer first, then each attendee once; an attendee who is the
// organizer adds only a response to the organizer's row.
std::vector<Attendee> AttendeesOf(const CalendarComponent& event, std::vector<CalendarIssue>& issues) {
    std::vector<Attendee> attendees;
    std::map<std::u16string, std::size_t> byAddress;  // folded address to its row
    auto add = [&](const CalendarProperty& property, bool organizer) {
        Attendee attendee;
        attendee.address = MailtoAddress(property.value);
        attendee.name = CommonName(property);
        if (attendee.address.empty()) {
            issues.push_back({CalendarIssueKind::InvalidCalendarAddress, property.offset,
                              std::string(Trimmed(property.value).substr(0, 60))});
            return;
        }
        if (attendee.name.empty()) attendee.name = attendee.address;
        attendee.organizer = organizer;
        const std::string_view type = property.ParameterValue("CUTYPE");
        const std::string_view role = property.ParameterValue("ROLE");
        if (text::EqualsIgnoreCase(type, "RESOURCE") || text::EqualsIgnoreCase(type, "ROOM")) {
            attendee.role = AttendeeRole::Resource;
        } else if (text::EqualsIgnoreCase(role, "OPT-PARTICIPANT") || text::EqualsIgnoreCase(role, "NON-PARTICIPANT")) {
            attendee.role = AttendeeRole::Optional;
        }
        attendee.trackStatus = TrackStatusOf(property.ParameterValue("PARTSTAT"));
        const auto [known, added] = byAddress.emplace(text::ToLowerAscii(attendee.address), attendees.size());
        if (!added) {
            if (attendee.trackStatus != respNone) attendees[known->second].trackStatus = attendee.trackStatus;
            return;
        }
        attendees.push_back(std::move(attendee));
    };
    if (const CalendarProperty* organizer = event.Find("ORGANIZER")) add(*organizer, true);
    for (const CalendarProperty* attendee : event.FindAll("ATTENDEE")) add(*attendee, false);
    return attendees;
}

std::optional<MeetingTime> EndOf(const CalendarComponent& event, const MeetingTime& start, const TimeReader& times,
                                 std::vector<CalendarIssue>& issues) {
    if (auto end = times.Read(event.Find("DTEND"))) return end;
    if (const CalendarProperty* duration = event.Find("DURATION")) {
        if (const auto seconds = ParseDuration(duration->value)) {
            MeetingTime end = start;
            end.utc += *seconds;
            end.local += *seconds;
            return end;
        }
        issues.push_back({CalendarIssueKind::InvalidDuration, duration->offset, "DURATION"});
    }
    // No end: a date lasts its day, a time no time at all (RFC 5545 3.6.1).
    MeetingTime end = start;
    if (start.dateOnly) {
        end.utc += kSecondsPerDay;
        end.local += kSecondsPerDay;
    }
    return end;
}

// The UID's bytes with TEXT escapes undone.
std::string UidOf(const CalendarComponent& event) {
    std::string uid;
    const std::string_view value = ValueOf(event, "UID");
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) ++i;
        uid.push_back(value[i]);
    }
    return uid;
}

// A changed instance as the recurrence builder takes it, and what its
// exception object holds besides.
struct ReadChange {
    ChangedInstance change;
    MeetingException details;
    const CalendarProperty* recurrenceId = nullptr;
};

bool InvitesAnyone(const std::vector<Attendee>& attendees) {
    return std::any_of(attendees.begin(), attendees.end(), [](const Attendee& a) { return !a.organizer; });
}

// The changes an exception VEVENT makes to its series. Times, subject,
// location and text it leaves out it keeps from the series; its busy
// status, all-day flag and reminder are its own. Each is a change where it
// differs from the series'.
std::optional<ReadChange> ChangeOf(const CalendarComponent& exception, const Meeting& series, const TimeReader& times,
                                   std::vector<CalendarIssue>& issues) {
    const CalendarProperty* recurrenceId = exception.Find("RECURRENCE-ID");
    const auto original = times.Read(recurrenceId);
    if (!original) return std::nullopt;
    const auto start = times.Read(exception.Find("DTSTART")).value_or(*original);
    MeetingTime seriesLength = start;
    seriesLength.utc += series.end.utc - series.start.utc;
    seriesLength.local += series.end.utc - series.start.utc;
    MeetingTime end = seriesLength;
    if (exception.Find("DTEND") || exception.Find("DURATION")) end = *EndOf(exception, start, times, issues);
    if (end.utc < start.utc) end = start;

    ReadChange read;
    read.recurrenceId = recurrenceId;
    ChangedInstance& change = read.change;
    change.originalStart = SeriesLocal(*original, series.start.zone);
    change.start = SeriesLocal(start, series.start.zone);
    change.end = SeriesLocal(end, series.start.zone);
    change.cancelled = text::EqualsIgnoreCase(ValueOf(exception, "STATUS"), "CANCELLED");
    RecurrenceException& overrides = change.overrides;
    if (const CalendarProperty* summary = exception.Find("SUMMARY")) {
        overrides.subject = ShortText(summary->value);
        if (overrides.subject != series.summary) overrides.overrideFlags |= kOverrideSubject;
    }
    if (const CalendarProperty* location = exception.Find("LOCATION")) {
        overrides.location = ShortText(location->value);
        if (overrides.location != series.location) overrides.overrideFlags |= kOverrideLocation;
    }
    // Compared with the status the organizer intends for the series: a
    // request's own is the attendee's tentative one until answered.
    overrides.busyStatus = IntendedBusyStatusOf(exception);
    if (overrides.busyStatus != series.intendedBusyStatus) overrides.overrideFlags |= kOverrideBusyStatus;
    const bool allDay = IsAllDay(exception, start, end);
    overrides.subType = allDay ? 1 : 0;
    if (allDay != series.allDay) overrides.overrideFlags |= kOverrideSubType;
    // A reminder only where the series can have one.
    const bool withReminder = series.method == MeetingMethod::Request || series.method == MeetingMethod::Publish;
    const auto reminder = withReminder ? ReminderOf(exception, start, end, times, issues) : std::nullopt;
    if (reminder != series.reminderMinutes) {
        overrides.reminderSet = reminder ? 1 : 0;
        overrides.overrideFlags |= kOverrideReminder;
        if (reminder) {
            overrides.reminderDelta = *reminder;
            overrides.overrideFlags |= kOverrideReminderDelta;
        }
    }

    if (const CalendarProperty* text = exception.Find(IsResponse(series.method) ? "COMMENT" : "DESCRIPTION")) {
        std::u16string value = UnescapeText(text->value);
        if (value != series.text) read.details.text = std::move(value);
    }
    std::vector<Attendee> attendees = AttendeesOf(exception, issues);
    if (InvitesAnyone(attendees)) read.details.attendees = std::move(attendees);
    return read;
}

// The exception objects of the exceptions the series kept, in their order,
// each from the first change of its instance; a change the series could not
// take (of no instance, of one changed already, or moved out of the
// series' order) is an issue.
void PairExceptions(const std::vector<ReadChange>& changes, Meeting& meeting, std::vector<CalendarIssue>& issues) {
    constexpr std::uint32_t kMinutesPerDay = 1440;
    const AppointmentRecurrence& recurrence = *meeting.recurrence;
    std::map<std::uint32_t, std::size_t> firstMove;  // original start, minutes since 1601, to its change
    for (std::size_t i = 0; i < changes.size(); ++i) {
        if (!changes[i].change.cancelled) firstMove.emplace(LocalMinutes(changes[i].change.originalStart), i);
    }
    std::vector<bool> used(changes.size());
    std::set<std::uint32_t> movedDays;  // the original days of the exceptions
    for (const RecurrenceException& exception : recurrence.exceptions) {
        movedDays.insert(exception.originalStartDate / kMinutesPerDay * kMinutesPerDay);
        // Each exception comes from the first move of its original start.
        const auto found = firstMove.find(exception.originalStartDate);
        if (found == firstMove.end()) {
            meeting.exceptions.emplace_back();
            continue;
        }
        used[found->second] = true;
        meeting.exceptions.push_back(changes[found->second].details);
    }
    // A cancellation took when its instance is deleted and not moved.
    const std::vector<std::uint32_t>& deleted = recurrence.pattern.deletedInstanceDates;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        if (used[i]) continue;
        const ChangedInstance& change = changes[i].change;
        const std::uint32_t day = LocalMinutes(change.originalStart) / kMinutesPerDay * kMinutesPerDay;
        if (change.cancelled && std::binary_search(deleted.begin(), deleted.end(), day) && !movedDays.count(day)) {
            continue;
        }
        const CalendarProperty& id = *changes[i].recurrenceId;
        issues.push_back({CalendarIssueKind::UnplacedInstance, id.offset,
                          "RECURRENCE-ID " + std::string(Trimmed(id.value).substr(0, 40))});
    }
}

void ReadRecurrence(const CalendarComponent& event, const std::vector<const CalendarComponent*>& exceptions,
                    const TimeReader& times, Meeting& meeting, std::vector<CalendarIssue>& issues) {
    const CalendarProperty* rruleLine = event.Find("RRULE");
    if (!rruleLine) return;
    std::string error;
    auto rule = ParseRecurrenceRule(rruleLine->value, error);
    if (!rule) {
        issues.push_back({CalendarIssueKind::InvalidRecurrenceRule, rruleLine->offset, error});
        return;
    }
    const std::optional<TimeZone>& zone = meeting.start.zone;
    RecurrenceRequest request;
    request.rule = *rule;
    request.start = SeriesLocal(meeting.start, zone);
    request.durationSeconds = meeting.end.utc - meeting.start.utc;
    if (rule->until) {
        const std::int64_t until = rule->until->Seconds();
        request.until = rule->until->utc && zone ? zone->ToLocal(until) : until;
        request.untilIsDate = rule->until->dateOnly;
    }
    for (const CalendarProperty* exdate : event.FindAll("EXDATE")) {
        std::string_view values = exdate->value;
        while (!values.empty()) {
            const std::size_t comma = values.find(',');
            const std::string_view value = values.substr(0, comma);
            if (const auto time = times.Read(value, exdate->ParameterValue("TZID"), exdate->offset)) {
                request.deletedStarts.push_back(SeriesLocal(*time, zone));
            }
            values = comma == std::string_view::npos ? std::string_view() : values.substr(comma + 1);
        }
    }
    std::vector<ReadChange> changes;
    for (const CalendarComponent* exception : exceptions) {
        if (auto change = ChangeOf(*exception, meeting, times, issues)) {
            request.changed.push_back(change->change);
            changes.push_back(std::move(*change));
        }
    }
    std::string unsupported;
    meeting.recurrence = BuildRecurrence(request, unsupported);
    if (!meeting.recurrence) {
        issues.push_back({CalendarIssueKind::UnsupportedRecurrence, rruleLine->offset, unsupported});
        return;
    }
    PairExceptions(changes, meeting, issues);
}

// A counter-proposal: its DTSTART and DTEND are the time proposed; the
// meeting's own time is X-MS-OLK-ORIGINALSTART and X-MS-OLK-ORIGINALEND when
// both are given, else the proposal stands for both ([MS-OXCICAL] DTSTART).
void ReadProposal(const CalendarComponent& event, const TimeReader& times, Meeting& meeting) {
    meeting.proposedStart = meeting.start;
    meeting.proposedEnd = meeting.end;
    const auto originalStart = times.Read(event.Find("X-MS-OLK-ORIGINALSTART"));
    const auto originalEnd = times.Read(event.Find("X-MS-OLK-ORIGINALEND"));
    if (originalStart && originalEnd && originalEnd->utc >= originalStart->utc) {
        meeting.start = *originalStart;
        meeting.end = *originalEnd;
    }
}

// How many appointments the events make: one per UID, one per event without.
std::size_t AppointmentCount(const std::vector<const CalendarComponent*>& events) {
    std::set<std::string> uids;
    std::size_t withoutUid = 0;
    for (const CalendarComponent* event : events) {
        const std::string uid = UidOf(*event);
        if (uid.empty()) {
            ++withoutUid;
        } else {
            uids.insert(uid);
        }
    }
    return uids.size() + withoutUid;
}

}  // namespace

std::u16string MeetingClass(MeetingMethod method, std::string_view partStat) {
    switch (method) {
        case MeetingMethod::Request:
            return u"IPM.Schedule.Meeting.Request";
        case MeetingMethod::Cancel:
            return u"IPM.Schedule.Meeting.Canceled";
        case MeetingMethod::Publish:
            return u"IPM.Appointment";
        case MeetingMethod::Reply:
            if (text::EqualsIgnoreCase(partStat, "ACCEPTED")) return u"IPM.Schedule.Meeting.Resp.Pos";
            if (text::EqualsIgnoreCase(partStat, "TENTATIVE")) return u"IPM.Schedule.Meeting.Resp.Tent";
            if (text::EqualsIgnoreCase(partStat, "DECLINED")) return u"IPM.Schedule.Meeting.Resp.Neg";
            return {};
        case MeetingMethod::Counter:
            // Outlook sends a new time as a tentative answer that proposes it
            // ([MS-OXOCAL] 2.2.7.6, PidLidAppointmentCounterProposal).
            return u"IPM.Schedule.Meeting.Resp.Tent";
    }
    return {};
}

std::optional<Meeting> ReadMeeting(const ParsedCalendar& parsed, const MeetingSource& source,
                                   std::vector<CalendarIssue>& issues) {
    const CalendarComponent* calendar = parsed.Calendar();
    if (!calendar) return std::nullopt;
    const std::string_view methodText =
        calendar->Find("METHOD") ? ValueOf(*calendar, "METHOD") : Trimmed(source.contentTypeMethod);
    const auto method = MethodOf(methodText);
    if (!method) return std::nullopt;
    const std::vector<const CalendarComponent*> events = calendar->Children("VEVENT");
    if (events.empty()) {
        issues.push_back({CalendarIssueKind::NoEvent, calendar->offset, "no VEVENT"});
        return std::nullopt;
    }
    if (*method == MeetingMethod::Publish && AppointmentCount(events) != 1) return std::nullopt;

    const CalendarComponent* event = events.front();
    for (const CalendarComponent* candidate : events) {
        if (!candidate->Find("RECURRENCE-ID")) {
            event = candidate;
            break;
        }
    }
    Meeting meeting;
    meeting.method = *method;
    const CalendarProperty* firstAttendee = event->Find("ATTENDEE");
    meeting.messageClass = MeetingClass(*method, firstAttendee ? firstAttendee->ParameterValue("PARTSTAT") : "");
    if (meeting.messageClass.empty()) return std::nullopt;

    const TimeZoneTable zones(*calendar, issues);
    const TimeReader times(zones, EventZone(*calendar, *event, zones), issues);
    const auto start = times.Read(event->Find("DTSTART"));
    if (!start) {
        if (!event->Find("DTSTART")) {
            issues.push_back({CalendarIssueKind::InvalidDateTime, event->offset, "VEVENT without DTSTART"});
        }
        return std::nullopt;
    }
    meeting.start = *start;
    meeting.end = *EndOf(*event, meeting.start, times, issues);
    if (meeting.end.utc < meeting.start.utc) meeting.end = meeting.start;
    if (*method == MeetingMethod::Counter) ReadProposal(*event, times, meeting);

    const std::string uid = UidOf(*event);
    meeting.summary = ShortText(ValueOf(*event, "SUMMARY"));
    meeting.location = ShortText(ValueOf(*event, "LOCATION"));
    if (const CalendarProperty* text = event->Find(IsResponse(*method) ? "COMMENT" : "DESCRIPTION")) {
        meeting.text = UnescapeText(text->value);
    }

    meeting.allDay = IsAllDay(*event, meeting.start, meeting.end);

    for (std::string_view name : {"X-MICROSOFT-CDO-APPT-SEQUENCE", "SEQUENCE"}) {
        if (const auto sequence = ParseInteger(ValueOf(*event, name)); sequence && *sequence >= 0) {
            meeting.sequence = static_cast<std::int32_t>(std::min<std::int64_t>(*sequence, 0x7FFFFFFF));
            break;
        }
    }
    const std::int32_t busy = BusyStatusOf(*event);
    meeting.intendedBusyStatus = IntendedBusyStatusOf(*event);
    // A request shows as tentative until it is answered ([MS-OXCICAL] X-MICROSOFT-CDO-INTENDEDSTATUS).
    meeting.busyStatus = *method == MeetingMethod::Request ? olTentative : busy;
    meeting.importance = ImportanceOf(*event);
    meeting.sensitivity = SensitivityOf(*event);
    if (*method == MeetingMethod::Request || *method == MeetingMethod::Publish) {
        meeting.reminderMinutes = ReminderOf(*event, meeting.start, meeting.end, times, issues);
    }
    if (const auto stamp = times.Read(event->Find("DTSTAMP"))) meeting.stamp = stamp->utc;
    if (const std::string_view counter = ValueOf(*event, "X-MICROSOFT-DISALLOW-COUNTER"); !counter.empty()) {
        meeting.notAllowPropose = IsTrue(counter);
    }

    std::optional<CivilDate> instanceDate;
    if (const auto replaced = times.Read(event->Find("RECURRENCE-ID"))) {
        meeting.replaceTime = replaced->utc;
        // The instance date is the RECURRENCE-ID's date in its own zone.
        const std::int64_t local = replaced->local;
        instanceDate =
            CivilFromDays(local >= 0 ? local / kSecondsPerDay : (local - kSecondsPerDay + 1) / kSecondsPerDay);
    }
    const std::string_view idSource = uid.empty() ? source.fallbackUid : std::string_view(uid);
    meeting.globalObjectId = GlobalObjectId(idSource, instanceDate);
    meeting.cleanGlobalObjectId = CleanGlobalObjectId(idSource);

    meeting.attendees = AttendeesOf(*event, issues);
    meeting.responseRequested = *method == MeetingMethod::Publish;
    for (const CalendarProperty* attendee : event->FindAll("ATTENDEE")) {
        if (IsTrue(attendee->ParameterValue("RSVP"))) meeting.responseRequested = true;
    }

    if (!meeting.replaceTime) {
        std::vector<const CalendarComponent*> exceptions;
        for (const CalendarComponent* other : events) {
            if (other != event && other->Find("RECURRENCE-ID") && UidOf(*other) == uid) exceptions.push_back(other);
        }
        ReadRecurrence(*event, exceptions, times, meeting, issues);
    }
    return meeting;
}

}  // namespace mailvane::calendar
