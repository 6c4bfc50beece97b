#include "engine/calendar/exception_attachment.h"

#include <memory>
#include <optional>

#include "engine/calendar/calendar_properties.h"
#include "engine/calendar/civil_date.h"
#include "engine/calendar/meeting_properties.h"

namespace mailvane::calendar {

namespace {

void Set(msg::PropertyBag& properties, const NamedPropertyDefinition& definition, msg::PropertyValue value) {
    properties.SetNamed(definition.Name(), definition.type, std::move(value));
}

msg::FileTime Time(std::int64_t seconds) { return msg::FileTime::FromUnixSeconds(seconds); }

// Seconds since 1970 on the series' clock for minutes since 1601 on it.
std::int64_t LocalSeconds(std::uint32_t minutes) { return (std::int64_t{minutes} - kDaysFrom1601To1970 * 1440) * 60; }

// The exception as its object shows it: what it overrides, else the series'.
struct Shown {
    std::u16string subject;
    std::u16string location;
    std::int32_t busyStatus = 0;
    std::int32_t intendedBusyStatus = 0;
    bool allDay = false;
    std::optional<std::int32_t> reminderMinutes;
};

Shown ShownAs(const Meeting& series, const RecurrenceException& exception, std::u16string_view seriesSubject) {
    const std::uint16_t flags = exception.overrideFlags;
    Shown shown;
    shown.subject = flags & kOverrideSubject ? exception.subject : std::u16string(seriesSubject);
    shown.location = flags & kOverrideLocation ? exception.location : series.location;
    shown.busyStatus = flags & kOverrideBusyStatus ? exception.busyStatus : series.busyStatus;
    shown.intendedBusyStatus = flags & kOverrideBusyStatus ? exception.busyStatus : series.intendedBusyStatus;
    shown.allDay = flags & kOverrideSubType ? exception.subType != 0 : series.allDay;
    shown.reminderMinutes = series.reminderMinutes;
    if (flags & kOverrideReminder) {
        shown.reminderMinutes = std::nullopt;
        if (exception.reminderSet) shown.reminderMinutes = series.reminderMinutes.value_or(0);
    }
    if ((flags & kOverrideReminderDelta) && shown.reminderMinutes) shown.reminderMinutes = exception.reminderDelta;
    return shown;
}

}  // namespace

void SetExceptionAttachment(const Meeting& series, std::size_t index, std::u16string_view seriesSubject,
                            msg::Attachment& attachment) {
    const RecurrenceException& exception = series.recurrence->exceptions[index];
    const bool ownText = index < series.exceptions.size() && series.exceptions[index].text.has_value();
    const Shown shown = ShownAs(series, exception, seriesSubject);
    const TimeZone zone = series.start.zone.value_or(TimeZone{});
    const std::int64_t start = LocalSeconds(exception.startDateTime);
    const std::int64_t end = LocalSeconds(exception.endDateTime);
    const std::int64_t startUtc = zone.ToUtc(start);
    const std::int64_t endUtc = zone.ToUtc(end);
    const std::int64_t replacedUtc = zone.ToUtc(LocalSeconds(exception.originalStartDate));

    msg::PropertyBag& a = attachment.properties;
    a.Set(msg::PidTagAttachMethod, msg::afEmbeddedMessage);
    a.Set(msg::PidTagRenderingPosition, std::int32_t{-1});
    a.Set(msg::PidTagDisplayName, shown.subject);
    a.Set(PidTagAttachEncoding, msg::Bytes());
    // On the series' wall clock, written as if it were UTC.
    a.Set(PidTagExceptionStartTime, Time(start));
    a.Set(PidTagExceptionEndTime, Time(end));
    a.Set(PidTagExceptionReplaceTime, Time(replacedUtc));
    a.Set(PidTagAttachmentFlags, afException);
    a.Set(PidTagAttachmentLinkId, std::int32_t{0});
    a.Set(msg::PidTagAttachmentHidden, true);

    auto message = std::make_unique<msg::Message>();
    msg::PropertyBag& p = message->properties;
    p.Set(msg::PidTagMessageClass, std::u16string(kExceptionMessageClass));
    p.Set(msg::PidTagSubject, shown.subject);
    p.Set(PidTagStartDate, Time(startUtc));
    p.Set(PidTagEndDate, Time(endUtc));
    Set(p, PidLidAppointmentStartWhole, Time(startUtc));
    Set(p, PidLidAppointmentEndWhole, Time(endUtc));
    Set(p, PidLidCommonStart, Time(startUtc));
    Set(p, PidLidCommonEnd, Time(endUtc));
    const std::int64_t minutes = (endUtc - startUtc) / 60;
    Set(p, PidLidAppointmentDuration, static_cast<std::int32_t>(minutes > 0x7FFFFFFF ? 0x7FFFFFFF : minutes));
    Set(p, PidLidAppointmentSubType, shown.allDay);
    Set(p, PidLidLocation, shown.location);
    Set(p, PidLidWhere, shown.location);
    Set(p, PidLidBusyStatus, shown.busyStatus);
    Set(p, PidLidIntendedBusyStatus, shown.intendedBusyStatus);
    Set(p, PidLidAppointmentStateFlags, AppointmentStateFlags(series));
    Set(p, PidLidReminderSet, shown.reminderMinutes.has_value());
    if (shown.reminderMinutes) {
        Set(p, PidLidReminderDelta, *shown.reminderMinutes);
        Set(p, PidLidReminderTime, Time(startUtc));
        Set(p, PidLidReminderSignalTime, Time(startUtc - std::int64_t{*shown.reminderMinutes} * 60));
    }
    Set(p, PidLidExceptionReplaceTime, Time(replacedUtc));
    Set(p, PidLidIsException, true);
    Set(p, PidLidFExceptionalBody, ownText);
    attachment.embeddedMessage = std::move(message);
}

}  // namespace mailvane::calendar
