// Invitations, one per method, converted and written as .msg files, then
// read back with the test reader (named properties resolved through the
// file's own name mapping): what Outlook reads to show a meeting is there.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "calendar_test_support.h"
#include "engine/calendar/calendar_parser.h"
#include "engine/calendar/calendar_properties.h"
#include "engine/calendar/civil_date.h"
#include "engine/calendar/global_object_id.h"
#include "engine/calendar/time_zone.h"
#include "engine/calendar/time_zone_blobs.h"
#include "engine/convert/eml_converter.h"
#include "engine/msg/property_tags.h"
#include "recurrence_blob_reader.h"
#include "tests/support/written_message.h"

namespace mailvane::calendar {
namespace {

using mailvane::testing::MsgObject;
using mailvane::testing::MsgProperty;
using mailvane::testing::WrittenMessage;
using test::ToHex;

constexpr std::int64_t kNow = 1700000000;

struct Converted {
    WrittenMessage written;
    std::vector<mime::ParseIssue> issues;
    const MsgObject& Message() const { return written.reader.Message(); }
};

std::unique_ptr<Converted> Convert(const std::string& eml) {
    ConversionOptions options;
    options.nowUnixSeconds = kNow;
    Conversion conversion = ConvertEml(std::vector<std::uint8_t>(eml.begin(), eml.end()), options);
    auto out = std::make_unique<Converted>();
    out->issues = conversion.issues;
    std::string error;
    EXPECT_TRUE(mailvane::testing::WriteAndRead(*conversion.message, out->written, error)) << error;
    EXPECT_TRUE(out->written.structureProblems.empty());
    return out;
}

// A mail whose only part is the calendar, as Thunderbird's and Google's
// invitations are built, with the method on the Content-Type too.
std::string CalendarMail(std::string_view method, std::string_view calendar, std::string_view subject = "Lunch?") {
    return "From: Elizabeth Andersen <eandersen@contoso.com>\r\n"
           "To: sito@contoso.com\r\n" +
           (subject.empty() ? std::string() : "Subject: " + std::string(subject) + "\r\n") +
           "Date: Fri, 08 Feb 2008 17:39:55 +0000\r\n"
           "Message-ID: <invite@contoso.com>\r\n"
           "MIME-Version: 1.0\r\n"
           "Content-Type: text/calendar; charset=utf-8" +
           (method.empty() ? std::string() : "; method=" + std::string(method)) + "\r\n\r\n" + std::string(calendar);
}

std::string Calendar(std::string_view method, std::string_view body) {
    return "BEGIN:VCALENDAR\r\nPRODID:-//Mailvane tests//EN\r\nVERSION:2.0\r\n" +
           (method.empty() ? std::string() : "METHOD:" + std::string(method) + "\r\n") + std::string(body) +
           "END:VCALENDAR\r\n";
}

constexpr std::string_view kPacific =
    "BEGIN:VTIMEZONE\r\n"
    "TZID:Pacific Time (US & Canada)\r\n"
    "BEGIN:STANDARD\r\nDTSTART:16011104T020000\r\nRRULE:FREQ=YEARLY;BYDAY=1SU;BYMONTH=11\r\n"
    "TZOFFSETFROM:-0700\r\nTZOFFSETTO:-0800\r\nEND:STANDARD\r\n"
    "BEGIN:DAYLIGHT\r\nDTSTART:16010311T020000\r\nRRULE:FREQ=YEARLY;BYDAY=2SU;BYMONTH=3\r\n"
    "TZOFFSETFROM:-0800\r\nTZOFFSETTO:-0700\r\nEND:DAYLIGHT\r\n"
    "END:VTIMEZONE\r\n";

constexpr std::string_view kLunchUid =
    "040000008200E00074C5B7101A82E0080000000010C4F838346AC8010000000000000000100000002009EB53F098B249AD66CBE6BB3B8B99";

// After the [MS-OXCICAL] example request (3.3.1), in Pacific time, with an
// optional attendee and a room added.
const std::string kLunchEvent =
    "BEGIN:VEVENT\r\n"
    "ATTENDEE;CN=sito@contoso.com;RSVP=TRUE:mailto:sito@contoso.com\r\n"
    "ATTENDEE;CN=\"Patrick Cook\";ROLE=OPT-PARTICIPANT;PARTSTAT=TENTATIVE:mailto:pcook@contoso.com\r\n"
    "ATTENDEE;CN=Room 123;CUTYPE=ROOM:mailto:room123@contoso.com\r\n"
    "ATTENDEE;CN=Elizabeth Andersen;PARTSTAT=ACCEPTED:MAILTO:EAndersen@contoso.com\r\n"
    "CLASS:PRIVATE\r\n"
    "DESCRIPTION:I haven't had a raspberry scone in forever!\\nWant to head down\r\n"
    "  to Fourth Coffee for lunch?\\n\r\n"
    "DTSTART;TZID=\"Pacific Time (US & Canada)\":20080208T120000\r\n"
    "DTEND;TZID=\"Pacific Time (US & Canada)\":20080208T123000\r\n"
    "DTSTAMP:20080208T173955Z\r\n"
    "LOCATION:Fourth Coffee\r\n"
    "ORGANIZER;CN=\"Elizabeth Andersen\":mailto:eandersen@contoso.com\r\n"
    "PRIORITY:1\r\n"
    "SEQUENCE:0\r\n"
    "SUMMARY;LANGUAGE=en-us:Lunch?\r\n"
    "TRANSP:OPAQUE\r\n"
    "UID:" +
    std::string(kLunchUid) +
    "\r\n"
    "X-MICROSOFT-CDO-BUSYSTATUS:TENTATIVE\r\n"
    "X-MICROSOFT-CDO-INTENDEDSTATUS:BUSY\r\n"
    "X-MICROSOFT-DISALLOW-COUNTER:TRUE\r\n"
    "BEGIN:VALARM\r\nTRIGGER:-PT15M\r\nACTION:DISPLAY\r\nDESCRIPTION:Reminder\r\nEND:VALARM\r\n"
    "END:VEVENT\r\n";

const MsgProperty* Named(const MsgObject& object, const NamedPropertyDefinition& definition) {
    const MsgProperty* property = object.FindNamed(definition.Name());
    if (property && (property->tag & 0xFFFF) != static_cast<std::uint32_t>(definition.type)) return nullptr;
    return property;
}

std::int64_t UnixTime(const MsgProperty* property) {
    EXPECT_NE(property, nullptr);
    if (!property) return 0;
    return property->AsInt64().value_or(0) / 10000000 - 11644473600;
}

std::int32_t Int(const MsgProperty* property) {
    EXPECT_NE(property, nullptr);
    return property ? property->AsInt32().value_or(-1) : -1;
}

bool Bool(const MsgProperty* property) {
    EXPECT_NE(property, nullptr);
    return property && property->fixedValue[0] != 0;
}

std::u16string Text(const MsgProperty* property) {
    EXPECT_NE(property, nullptr);
    return property ? property->AsString().value_or(u"") : u"";
}

std::string Hex(const MsgProperty* property) {
    EXPECT_NE(property, nullptr);
    return property ? ToHex(property->stream) : "";
}

std::int64_t Utc(int year, int month, int day, int hour, int minute) {
    return DaysFromCivil({year, month, day}) * 86400 + hour * 3600 + minute * 60;
}

bool HasCalendarIssue(const std::vector<mime::ParseIssue>& issues, std::string_view kind) {
    for (const auto& issue : issues) {
        if (issue.kind == mime::IssueKind::InvalidCalendar && issue.detail.find(kind) == 0) return true;
    }
    return false;
}

TEST(MeetingRequest, CarriesWhatOutlookShows) {
    const std::string calendar = Calendar("REQUEST", std::string(kPacific) + kLunchEvent);
    const auto converted = Convert(CalendarMail("REQUEST", calendar));
    const MsgObject& m = converted->Message();
    EXPECT_EQ(m.Find(msg::PidTagMessageClass)->AsString(), u"IPM.Schedule.Meeting.Request");
    EXPECT_EQ(m.Find(msg::PidTagIconIndex)->AsInt32(), 0x404);
    EXPECT_EQ(m.Find(msg::PidTagSubject)->AsString(), u"Lunch?");

    // Noon in Pacific standard time is 20:00 UTC, as the example's own UTC times say.
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentStartWhole)), Utc(2008, 2, 8, 20, 0));
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentEndWhole)), Utc(2008, 2, 8, 20, 30));
    EXPECT_EQ(UnixTime(Named(m, PidLidCommonStart)), Utc(2008, 2, 8, 20, 0));
    EXPECT_EQ(UnixTime(Named(m, PidLidCommonEnd)), Utc(2008, 2, 8, 20, 30));
    EXPECT_EQ(UnixTime(m.Find(PidTagStartDate)), Utc(2008, 2, 8, 20, 0));
    EXPECT_EQ(UnixTime(m.Find(PidTagEndDate)), Utc(2008, 2, 8, 20, 30));
    EXPECT_EQ(Int(Named(m, PidLidAppointmentDuration)), 30);
    EXPECT_FALSE(Bool(Named(m, PidLidAppointmentSubType)));
    EXPECT_EQ(Text(Named(m, PidLidLocation)), u"Fourth Coffee");
    EXPECT_EQ(Text(Named(m, PidLidWhere)), u"Fourth Coffee");
    EXPECT_EQ(Int(Named(m, PidLidBusyStatus)), olTentative);
    EXPECT_EQ(Int(Named(m, PidLidIntendedBusyStatus)), olBusy);
    EXPECT_EQ(Int(Named(m, PidLidAppointmentSequence)), 0);
    EXPECT_EQ(Int(Named(m, PidLidMeetingType)), mtgRequest);
    EXPECT_EQ(Int(Named(m, PidLidAppointmentStateFlags)), asfMeeting | asfReceived);
    EXPECT_EQ(Int(Named(m, PidLidResponseStatus)), respNotResponded);
    EXPECT_TRUE(Bool(Named(m, PidLidFInvited)));
    EXPECT_TRUE(Bool(m.Find(PidTagResponseRequested)));
    EXPECT_TRUE(Bool(m.Find(PidTagReplyRequested)));
    EXPECT_TRUE(Bool(Named(m, PidLidAppointmentNotAllowPropose)));
    EXPECT_EQ(Text(Named(m, PidLidAppointmentMessageClass)), u"IPM.Appointment");
    EXPECT_EQ(UnixTime(Named(m, PidLidOwnerCriticalChange)), Utc(2008, 2, 8, 17, 39) + 55);
    EXPECT_EQ(Hex(Named(m, PidLidGlobalObjectId)), kLunchUid);
    EXPECT_EQ(Hex(Named(m, PidLidCleanGlobalObjectId)), kLunchUid);
    EXPECT_FALSE(Bool(Named(m, PidLidRecurring)));
    EXPECT_FALSE(Bool(Named(m, PidLidIsRecurring)));
    EXPECT_EQ(Named(m, PidLidAppointmentRecur), nullptr);
    EXPECT_TRUE(Bool(Named(m, PidLidReminderSet)));
    EXPECT_EQ(Int(Named(m, PidLidReminderDelta)), 15);
    EXPECT_EQ(UnixTime(Named(m, PidLidReminderSignalTime)), Utc(2008, 2, 8, 19, 45));
    EXPECT_EQ(m.Find(msg::PidTagImportance)->AsInt32(), 2);
    EXPECT_EQ(m.Find(msg::PidTagSensitivity)->AsInt32(), 2);

    // The time zone definitions come from the VTIMEZONE the times name.
    const ParsedCalendar parsed = ParseCalendar(calendar);
    std::vector<CalendarIssue> issues;
    const TimeZoneTable zones(*parsed.Calendar(), issues);
    const TimeZone* pacific = zones.Find(u"Pacific Time (US & Canada)");
    ASSERT_NE(pacific, nullptr);
    EXPECT_EQ(Hex(Named(m, PidLidAppointmentTimeZoneDefinitionStartDisplay)),
              ToHex(TimeZoneDefinition(*pacific, TimeZoneDefinitionUse::Display, 2008)));
    EXPECT_EQ(Hex(Named(m, PidLidAppointmentTimeZoneDefinitionEndDisplay)),
              ToHex(TimeZoneDefinition(*pacific, TimeZoneDefinitionUse::Display, 2008)));
    EXPECT_EQ(Text(Named(m, PidLidTimeZoneDescription)), u"Pacific Time (US & Canada)");

    // The mail's only part was the calendar: the event's description is the
    // body, the calendar is kept whole, and nothing is attached.
    EXPECT_EQ(m.Find(msg::PidTagBody)->AsString(),
              u"I haven't had a raspberry scone in forever!\r\nWant to head down to Fourth Coffee for lunch?\r\n");
    EXPECT_EQ(Hex(Named(m, PidLidInboundICalStream)),
              ToHex(std::vector<std::uint8_t>(calendar.begin(), calendar.end())));
    EXPECT_TRUE(Bool(Named(m, PidLidSingleBodyICal)));
    EXPECT_TRUE(m.attachments.empty());
    EXPECT_EQ(m.Find(msg::PidTagMessageFlags)->AsInt32(), msg::mfRead | msg::mfUnmodified);
    EXPECT_TRUE(converted->issues.empty());
}

TEST(MeetingRequest, OrganizerAndAttendeesAreTheRecipients) {
    const auto converted = Convert(CalendarMail("REQUEST", Calendar("REQUEST", std::string(kPacific) + kLunchEvent)));
    const MsgObject& m = converted->Message();
    ASSERT_EQ(m.recipients.size(), 4u);
    struct Expected {
        std::u16string name;
        std::u16string address;
        std::int32_t type;
        std::int32_t flags;
        std::int32_t track;
    };
    // The organizer, listed again as an attendee, is one row carrying the attendee's response.
    const Expected expected[] = {
        {u"Elizabeth Andersen", u"eandersen@contoso.com", msg::MAPI_TO, recipSendable | recipOrganizer, respAccepted},
        {u"sito@contoso.com", u"sito@contoso.com", msg::MAPI_TO, recipSendable, respNone},
        {u"Patrick Cook", u"pcook@contoso.com", msg::MAPI_CC, recipSendable, respTentative},
        {u"Room 123", u"room123@contoso.com", msg::MAPI_BCC, recipSendable, respNone},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        const MsgObject& r = m.recipients[i];
        EXPECT_EQ(r.Find(msg::PidTagDisplayName)->AsString(), expected[i].name) << i;
        EXPECT_EQ(r.Find(msg::PidTagSmtpAddress)->AsString(), expected[i].address) << i;
        EXPECT_EQ(r.Find(msg::PidTagEmailAddress)->AsString(), expected[i].address) << i;
        EXPECT_EQ(r.Find(msg::PidTagAddressType)->AsString(), u"SMTP") << i;
        EXPECT_EQ(r.Find(msg::PidTagRecipientType)->AsInt32(), expected[i].type) << i;
        EXPECT_EQ(r.Find(PidTagRecipientFlags)->AsInt32(), expected[i].flags) << i;
        EXPECT_EQ(r.Find(PidTagRecipientTrackStatus)->AsInt32(), expected[i].track) << i;
        EXPECT_EQ(r.Find(msg::PidTagRowid)->AsInt32(), static_cast<std::int32_t>(i));
        EXPECT_NE(r.Find(msg::PidTagEntryId), nullptr);
    }
    EXPECT_EQ(m.Find(msg::PidTagDisplayTo)->AsString(), u"Elizabeth Andersen; sito@contoso.com");
    EXPECT_EQ(m.Find(msg::PidTagDisplayCc)->AsString(), u"Patrick Cook");
    EXPECT_EQ(m.Find(msg::PidTagDisplayBcc)->AsString(), u"Room 123");
    EXPECT_EQ(Text(Named(m, PidLidToAttendeesString)), u"sito@contoso.com");
    EXPECT_EQ(Text(Named(m, PidLidCcAttendeesString)), u"Patrick Cook");
}

TEST(MeetingRequest, MailTextStaysTheBodyAndOnlyTheInvitationPartIsConsumed) {
    const std::string calendar = Calendar("REQUEST", std::string(kPacific) + kLunchEvent);
    const std::string eml =
        "From: Elizabeth Andersen <eandersen@contoso.com>\r\nTo: sito@contoso.com\r\nSubject: Lunch?\r\n"
        "Date: Fri, 08 Feb 2008 17:39:55 +0000\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"m\"\r\n\r\n"
        "--m\r\nContent-Type: multipart/alternative; boundary=\"a\"\r\n\r\n"
        "--a\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nSee you at noon.\r\n"
        "--a\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<p>See you at <b>noon</b>.</p>\r\n"
        "--a\r\nContent-Type: text/calendar; charset=utf-8; method=REQUEST\r\nContent-Transfer-Encoding: "
        "base64\r\n\r\n" +
        [&] {
            static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
            std::string out;
            for (std::size_t i = 0; i < calendar.size(); i += 3) {
                std::uint32_t n = static_cast<std::uint8_t>(calendar[i]) << 16;
                if (i + 1 < calendar.size()) n |= static_cast<std::uint8_t>(calendar[i + 1]) << 8;
                if (i + 2 < calendar.size()) n |= static_cast<std::uint8_t>(calendar[i + 2]);
                out += kAlphabet[n >> 18];
                out += kAlphabet[(n >> 12) & 63];
                out += i + 1 < calendar.size() ? kAlphabet[(n >> 6) & 63] : '=';
                out += i + 2 < calendar.size() ? kAlphabet[n & 63] : '=';
                if (out.size() % 78 == 76) out += "\r\n";
            }
            return out;
        }() +
        "\r\n--a--\r\n"
        "--m\r\nContent-Type: application/ics; name=\"invite.ics\"\r\n"
        "Content-Disposition: attachment; filename=\"invite.ics\"\r\n\r\n" +
        calendar + "--m--\r\n";
    const auto converted = Convert(eml);
    const MsgObject& m = converted->Message();
    EXPECT_EQ(m.Find(msg::PidTagMessageClass)->AsString(), u"IPM.Schedule.Meeting.Request");
    EXPECT_EQ(m.Find(msg::PidTagBody)->AsString(), u"See you at noon.");
    EXPECT_NE(m.Find(msg::PidTagHtml), nullptr);
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(m.attachments[0].Find(msg::PidTagAttachLongFilename)->AsString(), u"invite.ics");
    EXPECT_EQ(Hex(Named(m, PidLidInboundICalStream)),
              ToHex(std::vector<std::uint8_t>(calendar.begin(), calendar.end())));
    EXPECT_FALSE(Bool(Named(m, PidLidSingleBodyICal)));
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentStartWhole)), Utc(2008, 2, 8, 20, 0));
}

TEST(MeetingRequest, RecurringSeriesCarriesItsPatternAndTimeZone) {
    // After the [MS-OXCICAL] example "Organizer's Location Change" (3.4.3):
    // weekly on Wednesdays from 2/13/2008, 2:00 to 2:30 P.M. Pacific time,
    // the 5/28 instance deleted.
    const std::string event =
        "BEGIN:VEVENT\r\n"
        "ATTENDEE;CN=sito@contoso.com;RSVP=TRUE:mailto:sito@contoso.com\r\n"
        "DTSTART;TZID=\"Pacific Time (US & Canada)\":20080213T140000\r\n"
        "DTEND;TZID=\"Pacific Time (US & Canada)\":20080213T143000\r\n"
        "EXDATE;TZID=\"Pacific Time (US & Canada)\":20080528T140000\r\n"
        "LOCATION:Conference Room 1234\r\n"
        "ORGANIZER;CN=\"Elizabeth Andersen\":mailto:eandersen@contoso.com\r\n"
        "RRULE:FREQ=WEEKLY;BYDAY=WE\r\n"
        "SEQUENCE:1\r\n"
        "SUMMARY;LANGUAGE=en-us:Fabrikam Project Status Meeting\r\n"
        "UID:"
        "040000008200E00074C5B7101A82E008000000003046642B576AC801000000000000000010000000622C639E40D09342B747A1672730CB"
        "BA\r\n"
        "END:VEVENT\r\n";
    const auto converted = Convert(CalendarMail("REQUEST", Calendar("REQUEST", std::string(kPacific) + event)));
    const MsgObject& m = converted->Message();
    EXPECT_EQ(m.Find(msg::PidTagMessageClass)->AsString(), u"IPM.Schedule.Meeting.Request");
    EXPECT_TRUE(Bool(Named(m, PidLidRecurring)));
    EXPECT_TRUE(Bool(Named(m, PidLidIsRecurring)));
    EXPECT_EQ(Int(Named(m, PidLidRecurrenceType)), 2);
    EXPECT_EQ(Int(Named(m, PidLidMeetingType)), mtgFull);
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentStartWhole)), Utc(2008, 2, 13, 22, 0));

    const std::vector<std::uint8_t> recur = Named(m, PidLidAppointmentRecur)->stream;
    ASSERT_GE(recur.size(), 0x40u);
    EXPECT_EQ(ToHex({recur.begin(), recur.begin() + 10}), "043004300B2001000000");  // weekly, Gregorian
    // No end: the occurrence count and end date of a series without one.
    const std::string hex = ToHex(recur);
    EXPECT_NE(hex.find("232000000A000000"), std::string::npos);
    EXPECT_NE(hex.find("DF80E95A"), std::string::npos);
    // One deletion, May 28 2008 at local midnight; the series starts on 2/13 at 14:00 for 30 minutes.
    const auto minutes = [](int y, int mo, int d) {
        return static_cast<std::uint32_t>(MinutesSince1601(DaysFromCivil({y, mo, d})));
    };
    const auto le32 = [](std::uint32_t v) {
        return ToHex({static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                      static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)});
    };
    EXPECT_NE(hex.find("01000000" + le32(minutes(2008, 5, 28)) + "00000000" + le32(minutes(2008, 2, 13))),
              std::string::npos);
    EXPECT_NE(hex.find("06300000"
                       "09300000" +
                       le32(840) + le32(870)),
              std::string::npos);

    const ParsedCalendar parsed = ParseCalendar(Calendar("", std::string(kPacific)));
    std::vector<CalendarIssue> issues;
    const TimeZoneTable zones(*parsed.Calendar(), issues);
    const TimeZone* pacific = zones.Find(u"Pacific Time (US & Canada)");
    ASSERT_NE(pacific, nullptr);
    EXPECT_EQ(Hex(Named(m, PidLidTimeZoneStruct)), ToHex(TimeZoneStruct(pacific->RuleFor(2008))));
    EXPECT_EQ(Hex(Named(m, PidLidAppointmentTimeZoneDefinitionRecur)),
              ToHex(TimeZoneDefinition(*pacific, TimeZoneDefinitionUse::Recurrence, 2008)));
    // Clip range: local midnight of the first instance, and the endless end.
    EXPECT_EQ(UnixTime(Named(m, PidLidClipStart)), Utc(2008, 2, 13, 8, 0));
    EXPECT_EQ(Int(Named(m, PidLidStartRecurrenceDate)), (2008 << 9) | (2 << 5) | 13);
    EXPECT_EQ(Int(Named(m, PidLidStartRecurrenceTime)), 14 << 12);
    EXPECT_EQ(Int(Named(m, PidLidEndRecurrenceTime)), (14 << 12) | (30 << 6));
}

// Weekly on Wednesdays from 2/13/2008, eight times, 2:00 to 2:30 P.M.
// Pacific time (daylight time from 3/9): 3/5 taken out by an EXDATE; 2/20
// moved to Thursday 4:00 P.M.; 2/27 retitled; 3/12 cancelled; 3/19
// relocated; the last, 4/2, moved past the end of the series to Friday
// 4/4 10:00 to 11:00 with a text and attendees of its own; and an instance
// the series does not have.
const std::string kSeriesWithExceptions =
    std::string(kPacific) +
    "BEGIN:VEVENT\r\nUID:status-1\r\n"
    "ORGANIZER;CN=Elizabeth Andersen:mailto:eandersen@contoso.com\r\n"
    "ATTENDEE;CN=Sito;RSVP=TRUE:mailto:sito@contoso.com\r\n"
    "ATTENDEE;CN=Pat;ROLE=OPT-PARTICIPANT:mailto:pat@contoso.com\r\n"
    "DTSTART;TZID=\"Pacific Time (US & Canada)\":20080213T140000\r\n"
    "DTEND;TZID=\"Pacific Time (US & Canada)\":20080213T143000\r\n"
    "RRULE:FREQ=WEEKLY;BYDAY=WE;COUNT=8\r\n"
    "EXDATE;TZID=\"Pacific Time (US & Canada)\":20080305T140000\r\n"
    "SUMMARY:Status\r\nLOCATION:Room 1234\r\nDESCRIPTION:Weekly status.\r\nSEQUENCE:0\r\n"
    "BEGIN:VALARM\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:status-1\r\n"
    "RECURRENCE-ID;TZID=\"Pacific Time (US & Canada)\":20080220T140000\r\n"
    "DTSTART;TZID=\"Pacific Time (US & Canada)\":20080221T160000\r\n"
    "DTEND;TZID=\"Pacific Time (US & Canada)\":20080221T163000\r\n"
    "SUMMARY:Status\r\nLOCATION:Room 1234\r\nDESCRIPTION:Weekly status.\r\n"
    "BEGIN:VALARM\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:status-1\r\n"
    "RECURRENCE-ID;TZID=\"Pacific Time (US & Canada)\":20080227T140000\r\n"
    "SUMMARY:Status (retrospective)\r\n"
    "BEGIN:VALARM\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:status-1\r\n"
    "RECURRENCE-ID;TZID=\"Pacific Time (US & Canada)\":20080312T140000\r\nSTATUS:CANCELLED\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:status-1\r\n"
    "RECURRENCE-ID;TZID=\"Pacific Time (US & Canada)\":20080319T140000\r\nLOCATION:Room 42\r\n"
    "BEGIN:VALARM\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:status-1\r\n"
    "RECURRENCE-ID;TZID=\"Pacific Time (US & Canada)\":20080402T140000\r\n"
    "DTSTART;TZID=\"Pacific Time (US & Canada)\":20080404T100000\r\n"
    "DTEND;TZID=\"Pacific Time (US & Canada)\":20080404T110000\r\n"
    "DESCRIPTION:Last one\\, with the customer.\r\n"
    "ORGANIZER;CN=Elizabeth Andersen:mailto:eandersen@contoso.com\r\n"
    "ATTENDEE;CN=Customer:mailto:buyer@fabrikam.com\r\n"
    "BEGIN:VALARM\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:status-1\r\n"
    "RECURRENCE-ID;TZID=\"Pacific Time (US & Canada)\":20080409T140000\r\nSUMMARY:Not in the series\r\n"
    "END:VEVENT\r\n";

// The exception attachment's tags and the exception flags as [MS-OXPROPS]
// numbers them, apart from the engine's own table.
constexpr std::uint32_t kAttachEncoding = 0x37020102;
constexpr std::uint32_t kExceptionReplaceTime = 0x7FF90040;
constexpr std::uint32_t kAttachmentLinkId = 0x7FFA0003;
constexpr std::uint32_t kExceptionStartTime = 0x7FFB0040;
constexpr std::uint32_t kExceptionEndTime = 0x7FFC0040;
constexpr std::uint32_t kAttachmentFlags = 0x7FFD0003;
constexpr std::int32_t kAfException = 0x00000002;
constexpr NamedPropertyDefinition kFExceptionalBody{PSETID_Appointment, 0x8206, msg::PropType::Boolean};
constexpr NamedPropertyDefinition kFExceptionalAttendees{PSETID_Appointment, 0x822B, msg::PropType::Boolean};

std::uint32_t LocalMinutes(int year, int month, int day, int hour = 0, int minute = 0) {
    return static_cast<std::uint32_t>(MinutesSince1601(DaysFromCivil({year, month, day}), hour * 60 + minute));
}

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

TEST(RecurringMeeting, ExceptionsAreKeptInTheRecurrenceAsOutlookWritesThem) {
    const auto converted = Convert(CalendarMail("REQUEST", Calendar("REQUEST", kSeriesWithExceptions), "Status"));
    const MsgObject& m = converted->Message();
    ASSERT_NE(Named(m, PidLidAppointmentRecur), nullptr);
    const auto recurrence = test::ReadAppointmentRecurrence(Named(m, PidLidAppointmentRecur)->stream);
    ASSERT_TRUE(recurrence) << "the recurrence does not read as its structure";
    const test::ReadRecurrence& r = *recurrence;
    EXPECT_EQ(r.writerVersion2, 0x3009u);
    EXPECT_EQ(r.occurrenceCount, 8u);
    EXPECT_EQ(r.startDate, LocalMinutes(2008, 2, 13));
    EXPECT_EQ(r.endDate, LocalMinutes(2008, 4, 2));
    EXPECT_EQ(r.startTimeOffset, 840u);
    // Deleted: the EXDATE, the cancelled instance and the original dates of
    // the changed ones, in order; modified: the days the changed ones fall on.
    EXPECT_EQ(
        r.deletedInstanceDates,
        (std::vector<std::uint32_t>{LocalMinutes(2008, 2, 20), LocalMinutes(2008, 2, 27), LocalMinutes(2008, 3, 5),
                                    LocalMinutes(2008, 3, 12), LocalMinutes(2008, 3, 19), LocalMinutes(2008, 4, 2)}));
    EXPECT_EQ(r.modifiedInstanceDates,
              (std::vector<std::uint32_t>{LocalMinutes(2008, 2, 21), LocalMinutes(2008, 2, 27),
                                          LocalMinutes(2008, 3, 19), LocalMinutes(2008, 4, 4)}));
    ASSERT_EQ(r.exceptions.size(), 4u);
    ASSERT_EQ(r.extended.size(), 4u);
    struct Expected {
        std::uint32_t start;
        std::uint32_t end;
        std::uint32_t original;
        std::uint16_t flags;
        std::u16string subject;
        std::u16string location;
    };
    const Expected expected[] = {
        {LocalMinutes(2008, 2, 21, 16), LocalMinutes(2008, 2, 21, 16, 30), LocalMinutes(2008, 2, 20, 14), 0, u"", u""},
        {LocalMinutes(2008, 2, 27, 14), LocalMinutes(2008, 2, 27, 14, 30), LocalMinutes(2008, 2, 27, 14),
         0x0001 /* ARO_SUBJECT */, u"Status (retrospective)", u""},
        {LocalMinutes(2008, 3, 19, 14), LocalMinutes(2008, 3, 19, 14, 30), LocalMinutes(2008, 3, 19, 14),
         0x0010 /* ARO_LOCATION */, u"", u"Room 42"},
        {LocalMinutes(2008, 4, 4, 10), LocalMinutes(2008, 4, 4, 11), LocalMinutes(2008, 4, 2, 14), 0, u"", u""},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        const test::ReadExceptionInfo& info = r.exceptions[i];
        const test::ReadExtendedException& extended = r.extended[i];
        const Expected& want = expected[i];
        EXPECT_EQ(info.startDateTime, want.start) << i;
        EXPECT_EQ(info.endDateTime, want.end) << i;
        EXPECT_EQ(info.originalStartDate, want.original) << i;
        EXPECT_EQ(info.overrideFlags, want.flags) << i;
        EXPECT_EQ(info.subject, want.subject.empty() ? std::nullopt : std::optional(Narrow(want.subject))) << i;
        EXPECT_EQ(info.location, want.location.empty() ? std::nullopt : std::optional(Narrow(want.location))) << i;
        EXPECT_FALSE(info.busyStatus || info.reminderSet || info.reminderDelta || info.subType) << i;
        // No highlighted change, no reserved bytes; the times and the
        // Unicode texts only where a subject or location is overridden.
        EXPECT_EQ(extended.changeHighlightSize, 4u) << i;
        EXPECT_EQ(extended.changeHighlightValue, 0u) << i;
        EXPECT_EQ(extended.reservedBlockEE1Size, 0u) << i;
        EXPECT_EQ(extended.withTimes, want.flags != 0) << i;
        if (extended.withTimes) {
            EXPECT_EQ(extended.startDateTime, want.start) << i;
            EXPECT_EQ(extended.endDateTime, want.end) << i;
            EXPECT_EQ(extended.originalStartDate, want.original) << i;
            EXPECT_EQ(extended.reservedBlockEE2Size, 0u) << i;
        }
        EXPECT_EQ(extended.subject, want.subject.empty() ? std::nullopt : std::optional(want.subject)) << i;
        EXPECT_EQ(extended.location, want.location.empty() ? std::nullopt : std::optional(want.location)) << i;
    }
    EXPECT_EQ(r.reservedBlock1Size, 0u);
    EXPECT_EQ(r.reservedBlock2Size, 0u);
    // The instance the series does not have is left out, and said so.
    EXPECT_TRUE(HasCalendarIssue(converted->issues, "UnplacedInstance"));
    EXPECT_EQ(converted->issues.size(), 1u);
}

TEST(RecurringMeeting, EachChangedInstanceIsAHiddenExceptionAttachment) {
    const auto converted = Convert(CalendarMail("REQUEST", Calendar("REQUEST", kSeriesWithExceptions), "Status"));
    const MsgObject& m = converted->Message();
    ASSERT_EQ(m.attachments.size(), 4u) << "one per changed instance, none for the deleted ones";
    EXPECT_TRUE(Bool(Named(m, kFExceptionalAttendees)));
    EXPECT_EQ(m.Find(msg::PidTagMessageFlags)->AsInt32().value_or(0) & msg::mfHasAttach, msg::mfHasAttach);
    EXPECT_TRUE(Bool(m.FindNamed(msg::PropertyName{msg::PSETID_Common, msg::PidLidSmartNoAttach})));

    struct Expected {
        std::int64_t start;  // UTC
        std::int64_t end;
        std::int64_t wallStart;  // on the series' clock
        std::int64_t wallEnd;
        std::int64_t replaced;  // UTC
        std::u16string subject;
        std::u16string location;
        bool ownBody;
        std::size_t recipients;
    };
    // Pacific standard time is UTC-8, daylight time from 3/9 UTC-7.
    const Expected expected[] = {
        {Utc(2008, 2, 22, 0, 0), Utc(2008, 2, 22, 0, 30), Utc(2008, 2, 21, 16, 0), Utc(2008, 2, 21, 16, 30),
         Utc(2008, 2, 20, 22, 0), u"Status", u"Room 1234", false, 3},
        {Utc(2008, 2, 27, 22, 0), Utc(2008, 2, 27, 22, 30), Utc(2008, 2, 27, 14, 0), Utc(2008, 2, 27, 14, 30),
         Utc(2008, 2, 27, 22, 0), u"Status (retrospective)", u"Room 1234", false, 3},
        {Utc(2008, 3, 19, 21, 0), Utc(2008, 3, 19, 21, 30), Utc(2008, 3, 19, 14, 0), Utc(2008, 3, 19, 14, 30),
         Utc(2008, 3, 19, 21, 0), u"Status", u"Room 42", false, 3},
        {Utc(2008, 4, 4, 17, 0), Utc(2008, 4, 4, 18, 0), Utc(2008, 4, 4, 10, 0), Utc(2008, 4, 4, 11, 0),
         Utc(2008, 4, 2, 21, 0), u"Status", u"Room 1234", true, 2},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        const MsgObject& a = m.attachments[i];
        const Expected& want = expected[i];
        EXPECT_EQ(Int(a.Find(msg::PidTagAttachMethod)), msg::afEmbeddedMessage) << i;
        EXPECT_TRUE(Bool(a.Find(msg::PidTagAttachmentHidden))) << i;
        EXPECT_EQ(Int(a.Find(kAttachmentFlags)), kAfException) << i;
        EXPECT_EQ(Int(a.Find(kAttachmentLinkId)), 0) << i;
        EXPECT_EQ(Int(a.Find(msg::PidTagRenderingPosition)), -1) << i;
        ASSERT_NE(a.Find(kAttachEncoding), nullptr) << i;
        EXPECT_TRUE(a.Find(kAttachEncoding)->stream.empty()) << i;
        EXPECT_EQ(Text(a.Find(msg::PidTagDisplayName)), want.subject) << i;
        EXPECT_EQ(UnixTime(a.Find(kExceptionStartTime)), want.wallStart) << i;
        EXPECT_EQ(UnixTime(a.Find(kExceptionEndTime)), want.wallEnd) << i;
        EXPECT_EQ(UnixTime(a.Find(kExceptionReplaceTime)), want.replaced) << i;

        ASSERT_EQ(a.embedded.size(), 1u) << i;
        const MsgObject& e = a.embedded[0];
        EXPECT_EQ(e.headerSize, 24u) << i;
        EXPECT_EQ(Text(e.Find(msg::PidTagMessageClass)), u"IPM.OLE.CLASS.{00061055-0000-0000-C000-000000000046}");
        EXPECT_EQ(Text(e.Find(msg::PidTagSubject)), want.subject) << i;
        EXPECT_EQ(UnixTime(Named(e, PidLidAppointmentStartWhole)), want.start) << i;
        EXPECT_EQ(UnixTime(Named(e, PidLidAppointmentEndWhole)), want.end) << i;
        EXPECT_EQ(UnixTime(e.Find(PidTagStartDate)), want.start) << i;
        EXPECT_EQ(UnixTime(e.Find(PidTagEndDate)), want.end) << i;
        EXPECT_EQ(Int(Named(e, PidLidAppointmentDuration)), static_cast<std::int32_t>((want.end - want.start) / 60));
        EXPECT_EQ(UnixTime(Named(e, PidLidExceptionReplaceTime)), want.replaced) << i;
        EXPECT_TRUE(Bool(Named(e, PidLidIsException))) << i;
        EXPECT_EQ(Text(Named(e, PidLidLocation)), want.location) << i;
        EXPECT_FALSE(Bool(Named(e, PidLidAppointmentSubType))) << i;
        // A request shows tentative until answered; the organizer means busy.
        EXPECT_EQ(Int(Named(e, PidLidBusyStatus)), olTentative) << i;
        EXPECT_EQ(Int(Named(e, PidLidIntendedBusyStatus)), olBusy) << i;
        EXPECT_EQ(Int(Named(e, PidLidAppointmentStateFlags)), asfMeeting | asfReceived) << i;
        EXPECT_TRUE(Bool(Named(e, PidLidReminderSet))) << i;
        EXPECT_EQ(Int(Named(e, PidLidReminderDelta)), 15) << i;
        EXPECT_EQ(Bool(Named(e, kFExceptionalBody)), want.ownBody) << i;
        EXPECT_EQ(e.Find(msg::PidTagBody) != nullptr, want.ownBody) << i;
        EXPECT_EQ(e.Find(msg::PidTagSensitivity), nullptr) << i;
        EXPECT_EQ(e.recipients.size(), want.recipients) << i;
    }
    // The moved-out instance has its own text and attendees; the others
    // copy the meeting's recipients.
    const MsgObject& last = m.attachments[3].embedded[0];
    EXPECT_EQ(Text(last.Find(msg::PidTagBody)), u"Last one, with the customer.");
    EXPECT_EQ(Text(last.recipients[1].Find(msg::PidTagSmtpAddress)), u"buyer@fabrikam.com");
    EXPECT_EQ(Text(last.Find(msg::PidTagDisplayTo)), u"Elizabeth Andersen; Customer");
    const MsgObject& first = m.attachments[0].embedded[0];
    EXPECT_EQ(Text(first.Find(msg::PidTagDisplayTo)), u"Elizabeth Andersen; Sito");
    EXPECT_EQ(Text(first.Find(msg::PidTagDisplayCc)), u"Pat");
    for (std::size_t i = 0; i < m.recipients.size(); ++i) {
        EXPECT_EQ(Text(first.recipients[i].Find(msg::PidTagSmtpAddress)),
                  Text(m.recipients[i].Find(msg::PidTagSmtpAddress)));
    }
}

TEST(RecurringMeeting, ASeriesWithoutChangesHasNoExceptionAttachments) {
    const std::string event =
        "BEGIN:VEVENT\r\nUID:plain\r\nDTSTART:20220316T110000Z\r\nDTEND:20220316T113000Z\r\n"
        "RRULE:FREQ=DAILY;COUNT=3\r\nEXDATE:20220317T110000Z\r\nSUMMARY:Plain\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:plain\r\nRECURRENCE-ID:20220318T110000Z\r\nSTATUS:CANCELLED\r\nEND:VEVENT\r\n";
    const auto converted = Convert(CalendarMail("REQUEST", Calendar("REQUEST", event)));
    const MsgObject& m = converted->Message();
    EXPECT_TRUE(m.attachments.empty());
    EXPECT_EQ(Named(m, kFExceptionalAttendees), nullptr);
    const auto recurrence = test::ReadAppointmentRecurrence(Named(m, PidLidAppointmentRecur)->stream);
    ASSERT_TRUE(recurrence);
    EXPECT_EQ(recurrence->deletedInstanceDates.size(), 2u);
    EXPECT_TRUE(recurrence->exceptions.empty());
    EXPECT_TRUE(converted->issues.empty());
}

TEST(RecurringMeeting, CopiesOfTheRecipientsIntoExceptionsStopAtABound) {
    // 300 attendees and 250 retitled instances would copy 75,250 rows.
    std::string series =
        "BEGIN:VEVENT\r\nUID:big\r\nDTSTART:20220301T090000Z\r\nDTEND:20220301T093000Z\r\n"
        "RRULE:FREQ=DAILY;COUNT=300\r\nSUMMARY:All hands\r\n"
        "ORGANIZER:mailto:boss@example.com\r\n";
    for (int i = 0; i < 300; ++i) series += "ATTENDEE:mailto:a" + std::to_string(i) + "@example.com\r\n";
    series += "END:VEVENT\r\n";
    for (int i = 0; i < 250; ++i) {
        const std::int64_t day = DaysFromCivil({2022, 3, 1}) + i;
        const CivilDate date = CivilFromDays(day);
        char id[32];
        std::snprintf(id, sizeof id, "%04d%02d%02dT090000Z", date.year, date.month, date.day);
        series += "BEGIN:VEVENT\r\nUID:big\r\nRECURRENCE-ID:" + std::string(id) + "\r\nSUMMARY:Hands " +
                  std::to_string(i) + "\r\nEND:VEVENT\r\n";
    }
    const std::string eml = CalendarMail("REQUEST", Calendar("REQUEST", series));
    ConversionOptions options;
    options.nowUnixSeconds = kNow;
    const Conversion conversion = ConvertEml(std::vector<std::uint8_t>(eml.begin(), eml.end()), options);
    const msg::Message& m = *conversion.message;
    ASSERT_EQ(m.recipients.size(), 301u);
    ASSERT_EQ(m.attachments.size(), 250u);
    std::size_t copied = 0;
    std::size_t withCopies = 0;
    for (const msg::Attachment& attachment : m.attachments) {
        ASSERT_TRUE(attachment.embeddedMessage);
        const std::size_t rows = attachment.embeddedMessage->recipients.size();
        ASSERT_TRUE(rows == 0 || rows == 301);
        // The first exceptions have theirs, the rest none.
        if (rows != 0) {
            EXPECT_EQ(withCopies++, static_cast<std::size_t>(&attachment - m.attachments.data()));
        }
        copied += rows;
    }
    EXPECT_LE(copied, std::size_t{1} << 16);
    EXPECT_LT(withCopies, 250u);
    bool said = false;
    for (const auto& issue : conversion.issues) {
        said = said || (issue.kind == mime::IssueKind::RecipientCountLimit &&
                        issue.detail.find(std::to_string(250 - withCopies) + " exceptions") == 0);
    }
    EXPECT_TRUE(said);
}

TEST(MeetingRequest, ExceptionSentAloneNamesItsInstance) {
    // A Google-style update of one instance: RECURRENCE-ID without its series.
    const std::string event =
        "BEGIN:VEVENT\r\nDTSTART:20220317T050000Z\r\nDTEND:20220317T053000Z\r\n"
        "RECURRENCE-ID:20220317T110000Z\r\nDTSTAMP:20220316T191602Z\r\nUID:02e79b96\r\n"
        "ORGANIZER;CN=Sender:mailto:sender@example.com\r\n"
        "ATTENDEE;CN=Receiver;PARTSTAT=NEEDS-ACTION;RSVP=TRUE:mailto:receiver@example.com\r\n"
        "LOCATION:Somewhere\r\nSEQUENCE:2\r\nSUMMARY:Repeat Event\r\nEND:VEVENT\r\n";
    const auto converted = Convert(CalendarMail("REQUEST", Calendar("REQUEST", event)));
    const MsgObject& m = converted->Message();
    EXPECT_EQ(m.Find(msg::PidTagMessageClass)->AsString(), u"IPM.Schedule.Meeting.Request");
    EXPECT_EQ(Hex(Named(m, PidLidGlobalObjectId)), ToHex(GlobalObjectId("02e79b96", CivilDate{2022, 3, 17})));
    EXPECT_EQ(Hex(Named(m, PidLidCleanGlobalObjectId)), ToHex(CleanGlobalObjectId("02e79b96")));
    EXPECT_TRUE(Bool(Named(m, PidLidIsException)));
    EXPECT_TRUE(Bool(Named(m, PidLidIsRecurring)));
    EXPECT_FALSE(Bool(Named(m, PidLidRecurring)));
    EXPECT_EQ(UnixTime(Named(m, PidLidExceptionReplaceTime)), Utc(2022, 3, 17, 11, 0));
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentStartWhole)), Utc(2022, 3, 17, 5, 0));
    EXPECT_EQ(Int(Named(m, PidLidAppointmentSequence)), 2);
    EXPECT_EQ(Int(Named(m, PidLidMeetingType)), mtgFull);
}

TEST(MeetingRequest, CalendarNamingOnlyItsOrganizerKeepsTheMailsRecipients) {
    const std::string event =
        "BEGIN:VEVENT\r\nUID:solo\r\nDTSTART:20210824T170000Z\r\nDTEND:20210824T180000Z\r\n"
        "ORGANIZER;CN=\"\"Pst Extractor\"\":MAILTO:MAILER-DAEMON\r\nLOCATION:home office\r\nEND:VEVENT\r\n";
    const auto converted = Convert(CalendarMail("REQUEST", Calendar("REQUEST", event)));
    const MsgObject& m = converted->Message();
    EXPECT_EQ(m.Find(msg::PidTagMessageClass)->AsString(), u"IPM.Schedule.Meeting.Request");
    ASSERT_EQ(m.recipients.size(), 1u);
    EXPECT_EQ(m.recipients[0].Find(msg::PidTagSmtpAddress)->AsString(), u"sito@contoso.com");
    EXPECT_EQ(m.Find(msg::PidTagDisplayTo)->AsString(), u"sito@contoso.com");
    EXPECT_EQ(Text(Named(m, PidLidAllAttendeesString)), u"Pst Extractor");
}

TEST(MeetingCancellation, IsACanceledMeeting) {
    const std::string event =
        "BEGIN:VEVENT\r\nDTSTART:20220316T110000Z\r\nDTEND:20220316T113000Z\r\n"
        "RRULE:FREQ=DAILY;WKST=SU;COUNT=3;INTERVAL=1\r\nDTSTAMP:20220316T191602Z\r\nUID:02e79b96\r\n"
        "ORGANIZER;CN=Sender:mailto:sender@example.com\r\n"
        "ATTENDEE;CN=Receiver:mailto:receiver@example.com\r\n"
        "LOCATION:Somewhere\r\nSEQUENCE:1\r\nSTATUS:CANCELLED\r\nSUMMARY:Repeat Event\r\n"
        "TRANSP:TRANSPARENT\r\nEND:VEVENT\r\n";
    const auto converted = Convert(CalendarMail("CANCEL", Calendar("CANCEL", event), "Canceled: Repeat Event"));
    const MsgObject& m = converted->Message();
    EXPECT_EQ(m.Find(msg::PidTagMessageClass)->AsString(), u"IPM.Schedule.Meeting.Canceled");
    EXPECT_EQ(m.Find(msg::PidTagIconIndex)->AsInt32(), 0x408);
    EXPECT_EQ(Int(Named(m, PidLidAppointmentStateFlags)), asfMeeting | asfReceived | asfCanceled);
    EXPECT_EQ(Int(Named(m, PidLidBusyStatus)), olFree);
    EXPECT_EQ(Int(Named(m, PidLidMeetingType)), mtgFull);
    EXPECT_FALSE(Bool(Named(m, PidLidReminderSet)));
    EXPECT_EQ(Int(Named(m, PidLidRecurrenceType)), 1);
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentStartWhole)), Utc(2022, 3, 16, 11, 0));
    EXPECT_EQ(Text(Named(m, PidLidLocation)), u"Somewhere");
    // A series in UTC: a time zone without offset or daylight time.
    EXPECT_EQ(Hex(Named(m, PidLidTimeZoneStruct)), std::string(96, '0'));
    EXPECT_EQ(Named(m, PidLidAppointmentTimeZoneDefinitionRecur), nullptr);
}

std::string Reply(std::string_view partStat, std::string_view comment = "") {
    return Calendar("REPLY", "BEGIN:VEVENT\r\nATTENDEE;PARTSTAT=" + std::string(partStat) +
                                 ";CN=sito@contoso.com:mailto:sito@contoso.com\r\n"
                                 "ORGANIZER;CN=\"Elizabeth Andersen\":mailto:eandersen@contoso.com\r\n" +
                                 (comment.empty() ? std::string() : "COMMENT:" + std::string(comment) + "\r\n") +
                                 "DTSTART:20080208T200000Z\r\nDTEND:20080208T203000Z\r\nDTSTAMP:20080208T175012Z\r\n"
                                 "LOCATION:Fourth Coffee\r\nSEQUENCE:0\r\nSUMMARY:Accepted: Lunch?\r\n"
                                 "UID:" +
                                 std::string(kLunchUid) + "\r\nEND:VEVENT\r\n");
}

std::string ReplyMail(std::string_view calendar) {
    return "From: sito@contoso.com\r\nTo: Elizabeth Andersen <eandersen@contoso.com>\r\nSubject: Accepted: Lunch?\r\n"
           "Date: Fri, 08 Feb 2008 17:50:12 +0000\r\nMIME-Version: 1.0\r\n"
           "Content-Type: text/calendar; charset=utf-8; method=REPLY\r\n\r\n" +
           std::string(calendar);
}

TEST(MeetingResponse, ClassFollowsTheAttendeesAnswer) {
    struct Case {
        std::string_view partStat;
        std::u16string messageClass;
        std::int32_t icon;
    };
    const Case cases[] = {{"ACCEPTED", u"IPM.Schedule.Meeting.Resp.Pos", 0x405},
                          {"DECLINED", u"IPM.Schedule.Meeting.Resp.Neg", 0x406},
                          {"TENTATIVE", u"IPM.Schedule.Meeting.Resp.Tent", 0x407}};
    for (const Case& c : cases) {
        const auto converted = Convert(ReplyMail(Reply(c.partStat, "Sounds great!")));
        const MsgObject& m = converted->Message();
        EXPECT_EQ(m.Find(msg::PidTagMessageClass)->AsString(), c.messageClass) << c.partStat;
        EXPECT_EQ(m.Find(msg::PidTagIconIndex)->AsInt32(), c.icon);
        EXPECT_EQ(m.Find(msg::PidTagBody)->AsString(), u"Sounds great!");
        EXPECT_EQ(UnixTime(Named(m, PidLidAttendeeCriticalChange)), Utc(2008, 2, 8, 17, 50) + 12);
        EXPECT_EQ(Named(m, PidLidOwnerCriticalChange), nullptr);
        EXPECT_EQ(Hex(Named(m, PidLidGlobalObjectId)), kLunchUid);
        // A reply goes to the organizer: the mail's own recipients stay.
        ASSERT_EQ(m.recipients.size(), 1u);
        EXPECT_EQ(m.recipients[0].Find(msg::PidTagSmtpAddress)->AsString(), u"eandersen@contoso.com");
    }
}

TEST(MeetingResponse, RepliesSayTheyProposeNothingAndWhetherTheAttendeeWrote) {
    const auto withComment = Convert(ReplyMail(Reply("ACCEPTED", "Sounds great!")));
    EXPECT_FALSE(Bool(Named(withComment->Message(), PidLidAppointmentCounterProposal)));
    EXPECT_FALSE(Bool(Named(withComment->Message(), PidLidIsSilent)));
    EXPECT_EQ(Named(withComment->Message(), PidLidAppointmentProposedStartWhole), nullptr);
    const auto silent = Convert(ReplyMail(Reply("DECLINED")));
    EXPECT_TRUE(Bool(Named(silent->Message(), PidLidIsSilent)));
}

// An attendee proposing 21:00 to 22:00 for the lunch set at 20:00 to 20:30.
std::string Counter(std::string_view originals) {
    return Calendar("COUNTER",
                    "BEGIN:VEVENT\r\nATTENDEE;PARTSTAT=TENTATIVE;CN=sito@contoso.com:mailto:sito@contoso.com\r\n"
                    "ORGANIZER;CN=\"Elizabeth Andersen\":mailto:eandersen@contoso.com\r\n"
                    "COMMENT:Can we make it later?\r\nDTSTART:20080208T210000Z\r\nDTEND:20080208T220000Z\r\n" +
                        std::string(originals) +
                        "DTSTAMP:20080208T175012Z\r\nSUMMARY:New Time Proposed: Lunch?\r\nUID:" +
                        std::string(kLunchUid) + "\r\nEND:VEVENT\r\n");
}

TEST(MeetingResponse, ACounterProposalIsATentativeAnswerWithTheNewTime) {
    std::string mail =
        ReplyMail(Counter("X-MS-OLK-ORIGINALSTART:20080208T200000Z\r\n"
                          "X-MS-OLK-ORIGINALEND:20080208T203000Z\r\n"));
    mail.replace(mail.find("method=REPLY"), 12, "method=COUNTER");
    const auto converted = Convert(mail);
    const MsgObject& m = converted->Message();
    EXPECT_EQ(m.Find(msg::PidTagMessageClass)->AsString(), u"IPM.Schedule.Meeting.Resp.Tent");
    EXPECT_EQ(m.Find(msg::PidTagIconIndex)->AsInt32(), 0x407);
    EXPECT_TRUE(Bool(Named(m, PidLidAppointmentCounterProposal)));
    EXPECT_FALSE(Bool(Named(m, PidLidIsSilent)));
    EXPECT_EQ(m.Find(msg::PidTagBody)->AsString(), u"Can we make it later?");
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentProposedStartWhole)), Utc(2008, 2, 8, 21, 0));
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentProposedEndWhole)), Utc(2008, 2, 8, 22, 0));
    EXPECT_EQ(Int(Named(m, PidLidAppointmentProposedDuration)), 60);
    // The meeting itself keeps the organizer's time.
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentStartWhole)), Utc(2008, 2, 8, 20, 0));
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentEndWhole)), Utc(2008, 2, 8, 20, 30));
    EXPECT_EQ(Int(Named(m, PidLidAppointmentDuration)), 30);
    EXPECT_EQ(UnixTime(Named(m, PidLidAttendeeCriticalChange)), Utc(2008, 2, 8, 17, 50) + 12);
    ASSERT_EQ(m.recipients.size(), 1u);
    EXPECT_EQ(m.recipients[0].Find(msg::PidTagSmtpAddress)->AsString(), u"eandersen@contoso.com");

    // Without the original times the proposal is all the calendar says.
    // The calendar's own METHOD wins over the part's method parameter.
    const auto bare = Convert(ReplyMail(Counter("")));
    const MsgObject& b = bare->Message();
    EXPECT_TRUE(Bool(Named(b, PidLidAppointmentCounterProposal)));
    EXPECT_EQ(UnixTime(Named(b, PidLidAppointmentProposedStartWhole)), Utc(2008, 2, 8, 21, 0));
    EXPECT_EQ(UnixTime(Named(b, PidLidAppointmentStartWhole)), Utc(2008, 2, 8, 21, 0));
}

TEST(MeetingResponse, AnUnansweredReplyStaysAMailWithItsCalendar) {
    const auto converted = Convert(ReplyMail(Reply("NEEDS-ACTION")));
    const MsgObject& m = converted->Message();
    EXPECT_EQ(m.Find(msg::PidTagMessageClass)->AsString(), u"IPM.Note");
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(m.attachments[0].Find(msg::PidTagAttachMimeTag)->AsString(), u"text/calendar");
}

TEST(PublishedAppointment, OneEventIsAnAppointment) {
    const std::string event =
        "BEGIN:VEVENT\r\nCLASS:PUBLIC\r\nDESCRIPTION:Happy Birthday to me!\\n\r\nDTSTART;VALUE=DATE:19751012\r\n"
        "DTEND;VALUE=DATE:19751013\r\nDTSTAMP:20080206T191251Z\r\nRRULE:FREQ=YEARLY;BYMONTHDAY=12;BYMONTH=10\r\n"
        "SUMMARY;LANGUAGE=en-us:Elizabeth's Birthday\r\nUID:birthday-1\r\nTRANSP:TRANSPARENT\r\n"
        "BEGIN:VALARM\r\nTRIGGER:-PT10080M\r\nACTION:DISPLAY\r\nEND:VALARM\r\nEND:VEVENT\r\n";
    const auto converted = Convert(CalendarMail("PUBLISH", Calendar("PUBLISH", event), ""));
    const MsgObject& m = converted->Message();
    EXPECT_EQ(m.Find(msg::PidTagMessageClass)->AsString(), u"IPM.Appointment");
    EXPECT_EQ(m.Find(msg::PidTagIconIndex)->AsInt32(), 0x401);
    // No Subject header: the summary is the subject.
    EXPECT_EQ(m.Find(msg::PidTagSubject)->AsString(), u"Elizabeth's Birthday");
    EXPECT_EQ(m.Find(msg::PidTagNormalizedSubject)->AsString(), u"Elizabeth's Birthday");
    EXPECT_TRUE(Bool(Named(m, PidLidAppointmentSubType)));
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentStartWhole)), Utc(1975, 10, 12, 0, 0));
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentEndWhole)), Utc(1975, 10, 13, 0, 0));
    EXPECT_EQ(Int(Named(m, PidLidAppointmentDuration)), 1440);
    EXPECT_EQ(Int(Named(m, PidLidBusyStatus)), olFree);
    EXPECT_EQ(Int(Named(m, PidLidRecurrenceType)), 4);
    EXPECT_EQ(Int(Named(m, PidLidReminderDelta)), 10080);
    EXPECT_EQ(Int(Named(m, PidLidAppointmentStateFlags)), 0);
    EXPECT_FALSE(Bool(Named(m, PidLidFInvited)));
    EXPECT_EQ(Named(m, PidLidMeetingType), nullptr);
    EXPECT_EQ(m.Find(msg::PidTagBody)->AsString(), u"Happy Birthday to me!\r\n");
    EXPECT_TRUE(m.recipients.size() == 1);  // no organizer or attendees: the header's recipient stays
}

TEST(NoMeeting, CalendarsThatMakeNoMeetingStayAttached) {
    const std::string twoEvents =
        "BEGIN:VEVENT\r\nUID:a\r\nDTSTART:20220101T100000Z\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:b\r\nDTSTART:20220102T100000Z\r\nEND:VEVENT\r\n";
    const std::string oneEvent = "BEGIN:VEVENT\r\nUID:a\r\nDTSTART:20220101T100000Z\r\nEND:VEVENT\r\n";
    struct Case {
        const char* what;
        std::string mail;
    };
    const Case cases[] = {
        {"published calendar of two appointments", CalendarMail("PUBLISH", Calendar("PUBLISH", twoEvents))},
        {"no method anywhere", CalendarMail("", Calendar("", oneEvent))},
        {"no event", CalendarMail("REQUEST", Calendar("REQUEST", "BEGIN:VTODO\r\nUID:t\r\nEND:VTODO\r\n"))},
        {"no start", CalendarMail("REQUEST", Calendar("REQUEST", "BEGIN:VEVENT\r\nUID:a\r\nEND:VEVENT\r\n"))},
        {"not iCalendar at all", CalendarMail("REQUEST", "Dear all, please come.\r\n")},
    };
    for (const Case& c : cases) {
        const auto converted = Convert(c.mail);
        const MsgObject& m = converted->Message();
        EXPECT_EQ(m.Find(msg::PidTagMessageClass)->AsString(), u"IPM.Note") << c.what;
        ASSERT_EQ(m.attachments.size(), 1u) << c.what;
        EXPECT_EQ(m.attachments[0].Find(msg::PidTagAttachMimeTag)->AsString(), u"text/calendar") << c.what;
        EXPECT_EQ(m.FindNamed(PidLidInboundICalStream.Name()), nullptr) << c.what;
    }
}

TEST(NoMeeting, AnAttachedInvitationIsAnAttachment) {
    const std::string eml =
        "From: a@example.com\r\nTo: b@example.com\r\nSubject: booking\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"m\"\r\n\r\n"
        "--m\r\nContent-Type: text/plain\r\n\r\nYour booking.\r\n"
        "--m\r\nContent-Type: text/calendar; method=REQUEST\r\n"
        "Content-Disposition: attachment; filename=\"booking.ics\"\r\n\r\n" +
        Calendar("REQUEST", "BEGIN:VEVENT\r\nUID:a\r\nDTSTART:20220101T100000Z\r\nEND:VEVENT\r\n") + "--m--\r\n";
    const auto converted = Convert(eml);
    const MsgObject& m = converted->Message();
    EXPECT_EQ(m.Find(msg::PidTagMessageClass)->AsString(), u"IPM.Note");
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(m.attachments[0].Find(msg::PidTagAttachLongFilename)->AsString(), u"booking.ics");
}

// Times in zones the calendar does not define, and times in none.
std::string TimedEvent(std::string_view start, std::string_view end, std::string_view extra = "") {
    return "BEGIN:VEVENT\r\nUID:zones-1\r\nDTSTAMP:20260101T000000Z\r\n" + std::string(start) + "\r\n" +
           std::string(end) + "\r\n" + std::string(extra) +
           "ORGANIZER;CN=Sender:mailto:sender@example.com\r\nSUMMARY:Zones\r\nEND:VEVENT\r\n";
}

test::DecodedTimeZoneDefinition Definition(const MsgObject& m, const NamedPropertyDefinition& definition) {
    const MsgProperty* property = Named(m, definition);
    EXPECT_NE(property, nullptr);
    return test::DecodeTimeZoneDefinition(property ? property->stream : std::vector<std::uint8_t>());
}

TEST(MeetingTimes, ZonesKnownByNameNeedNoVtimezone) {
    struct Case {
        std::string_view month;
        std::int64_t start;
    };
    for (const Case& c : {Case{"01", Utc(2026, 1, 15, 11, 0)}, Case{"07", Utc(2026, 7, 15, 10, 0)}}) {
        const std::string event =
            TimedEvent("DTSTART;TZID=W. Europe Standard Time:2026" + std::string(c.month) + "15T120000",
                       "DTEND;TZID=Europe/Berlin:2026" + std::string(c.month) + "15T130000");
        const auto converted = Convert(CalendarMail("REQUEST", Calendar("REQUEST", event)));
        const MsgObject& m = converted->Message();
        EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentStartWhole)), c.start) << c.month;
        EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentEndWhole)), c.start + 3600) << c.month;
        EXPECT_EQ(Text(Named(m, PidLidTimeZoneDescription)), u"W. Europe Standard Time");
        for (const auto* display :
             {&PidLidAppointmentTimeZoneDefinitionStartDisplay, &PidLidAppointmentTimeZoneDefinitionEndDisplay}) {
            const auto decoded = Definition(m, *display);
            EXPECT_EQ(decoded.problem, "");
            EXPECT_EQ(decoded.keyName, u"W. Europe Standard Time");
            ASSERT_EQ(decoded.rules.size(), 1u);
            EXPECT_EQ(decoded.rules[0].flags, 0x0002);
            EXPECT_EQ(decoded.rules[0].bias, -60);
        }
        EXPECT_TRUE(converted->issues.empty()) << c.month;
    }
}

TEST(MeetingTimes, FloatingTimesTakeTheEventsZone) {
    struct Case {
        const char* what;
        std::string calendar;
        std::int64_t start;
        std::int64_t end;
        std::u16string displayKey;
    };
    const Case cases[] = {
        // The end in the start's zone: New York keeps daylight time from March 8, 2026.
        {"floating end",
         Calendar("REQUEST", TimedEvent("DTSTART;TZID=America/New_York:20260310T090000", "DTEND:20260310T100000")),
         Utc(2026, 3, 10, 13, 0), Utc(2026, 3, 10, 14, 0), u"Eastern Standard Time"},
        {"floating start",
         Calendar("REQUEST", TimedEvent("DTSTART:20260310T090000", "DTEND;TZID=America/New_York:20260310T100000")),
         Utc(2026, 3, 10, 13, 0), Utc(2026, 3, 10, 14, 0), u"Eastern Standard Time"},
        {"calendar zone",
         Calendar("REQUEST",
                  "X-WR-TIMEZONE:Europe/Berlin\r\n" + TimedEvent("DTSTART:20260115T090000", "DTEND:20260115T100000")),
         Utc(2026, 1, 15, 8, 0), Utc(2026, 1, 15, 9, 0), u"W. Europe Standard Time"},
        // An unknown TZID is read in the event's zone too, with its issue.
        {"unknown zone beside a known one",
         Calendar("REQUEST", TimedEvent("DTSTART;TZID=Europe/Berlin:20260115T090000",
                                        "DTEND;TZID=Atlantis/Capital:20260115T100000")),
         Utc(2026, 1, 15, 8, 0), Utc(2026, 1, 15, 9, 0), u"W. Europe Standard Time"},
    };
    for (const Case& c : cases) {
        const auto converted = Convert(CalendarMail("REQUEST", c.calendar));
        const MsgObject& m = converted->Message();
        EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentStartWhole)), c.start) << c.what;
        EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentEndWhole)), c.end) << c.what;
        EXPECT_EQ(Definition(m, PidLidAppointmentTimeZoneDefinitionStartDisplay).keyName, c.displayKey) << c.what;
        EXPECT_EQ(Definition(m, PidLidAppointmentTimeZoneDefinitionEndDisplay).keyName, c.displayKey) << c.what;
        EXPECT_FALSE(HasCalendarIssue(converted->issues, "FloatingTime")) << c.what;
        EXPECT_FALSE(Bool(Named(m, PidLidAppointmentSubType))) << c.what;
    }
}

TEST(MeetingTimes, FloatingTimesWithNoZoneStayFloatingOnTheUtcClock) {
    const auto converted = Convert(
        CalendarMail("REQUEST", Calendar("REQUEST", TimedEvent("DTSTART:20260115T090000", "DTEND:20260115T100000"))));
    const MsgObject& m = converted->Message();
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentStartWhole)), Utc(2026, 1, 15, 9, 0));
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentEndWhole)), Utc(2026, 1, 15, 10, 0));
    EXPECT_TRUE(HasCalendarIssue(converted->issues, "FloatingTime"));
    // The display zone says which clock the wall-clock time was kept on; no TZID, no description.
    for (const auto* display :
         {&PidLidAppointmentTimeZoneDefinitionStartDisplay, &PidLidAppointmentTimeZoneDefinitionEndDisplay}) {
        const auto decoded = Definition(m, *display);
        EXPECT_EQ(decoded.problem, "");
        EXPECT_EQ(decoded.keyName, u"UTC");
        ASSERT_EQ(decoded.rules.size(), 1u);
        EXPECT_EQ(decoded.rules[0].flags, 0x0002);
        EXPECT_EQ(decoded.rules[0].bias, 0);
        EXPECT_EQ(decoded.rules[0].daylightBias, 0);
    }
    EXPECT_EQ(Named(m, PidLidTimeZoneDescription), nullptr);
}

TEST(MeetingTimes, FloatingMidnightsReadInTheCalendarZoneStayAllDay) {
    const std::string calendar = Calendar(
        "PUBLISH", "X-WR-TIMEZONE:Europe/Berlin\r\n" + TimedEvent("DTSTART:20260115T000000", "DTEND:20260116T000000"));
    const auto converted = Convert(CalendarMail("PUBLISH", calendar));
    const MsgObject& m = converted->Message();
    EXPECT_TRUE(Bool(Named(m, PidLidAppointmentSubType)));
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentStartWhole)), Utc(2026, 1, 14, 23, 0));
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentEndWhole)), Utc(2026, 1, 15, 23, 0));
}

// US Eastern time with its rules before and after 2007.
constexpr std::string_view kNewYorkSince1987 =
    "BEGIN:VTIMEZONE\r\nTZID:America/New_York\r\n"
    "BEGIN:DAYLIGHT\r\nDTSTART:19870405T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=4;BYDAY=1SU;UNTIL=20060402T070000Z\r\n"
    "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nEND:DAYLIGHT\r\n"
    "BEGIN:DAYLIGHT\r\nDTSTART:20070311T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\n"
    "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nEND:DAYLIGHT\r\n"
    "BEGIN:STANDARD\r\nDTSTART:19871025T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU;UNTIL=20061029T060000Z\r\n"
    "TZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nEND:STANDARD\r\n"
    "BEGIN:STANDARD\r\nDTSTART:20071104T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\n"
    "TZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";

TEST(MeetingTimes, SeriesInAZoneWithHistoryKeepsTheRuleOfItsStart) {
    struct Case {
        std::string_view start;
        std::int64_t utc;
        std::size_t effective;  // the rule in force where the series starts
        std::string timeZoneStruct;
    };
    const Case cases[] = {
        // March 16, 2005 is standard time under the rules of 1987 (daylight time from April 3).
        {"20050316T100000", Utc(2005, 3, 16, 15, 0), 0,
         "2C01000000000000C4FFFFFF"
         "0000"
         "00000A00000005000200000000000000"
         "0000"
         "00000400000001000200000000000000"},
        {"20260318T100000", Utc(2026, 3, 18, 14, 0), 1,
         "2C01000000000000C4FFFFFF"
         "0000"
         "00000B00000001000200000000000000"
         "0000"
         "00000300000002000200000000000000"},
    };
    for (const Case& c : cases) {
        const std::string event =
            TimedEvent("DTSTART;TZID=America/New_York:" + std::string(c.start),
                       "DTEND;TZID=America/New_York:" + std::string(c.start.substr(0, 9)) + "110000",
                       "RRULE:FREQ=WEEKLY;COUNT=3\r\n");
        const auto converted =
            Convert(CalendarMail("REQUEST", Calendar("REQUEST", std::string(kNewYorkSince1987) + event)));
        const MsgObject& m = converted->Message();
        EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentStartWhole)), c.utc) << c.start;
        EXPECT_TRUE(Bool(Named(m, PidLidRecurring))) << c.start;
        EXPECT_EQ(Hex(Named(m, PidLidTimeZoneStruct)), c.timeZoneStruct) << c.start;
        const auto recur = Definition(m, PidLidAppointmentTimeZoneDefinitionRecur);
        EXPECT_EQ(recur.problem, "");
        ASSERT_EQ(recur.rules.size(), 2u) << c.start;
        const auto startDisplay = Definition(m, PidLidAppointmentTimeZoneDefinitionStartDisplay);
        ASSERT_EQ(startDisplay.rules.size(), 2u) << c.start;
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(recur.rules[i].flags, i == c.effective ? 0x0003 : 0x0000) << c.start << " rule " << i;
            EXPECT_EQ(startDisplay.rules[i].flags, i == c.effective ? 0x0002 : 0x0000) << c.start << " rule " << i;
        }
        EXPECT_EQ(Text(Named(m, PidLidTimeZoneDescription)), u"America/New_York");
        EXPECT_TRUE(converted->issues.empty()) << c.start;
    }
}

TEST(MeetingIssues, ProblemsInTheCalendarAreRecordedWithoutLosingTheMeeting) {
    const std::string event =
        "BEGIN:VEVENT\r\nUID:x\r\nDTSTART;TZID=Atlantis/Capital:20220316T110000\r\nDTEND:nonsense\r\n"
        "RRULE:FREQ=SECONDLY\r\nthis line is no content line\r\n"
        "ATTENDEE:invalid:nomail\r\nEND:VEVENT\r\n";
    const auto converted = Convert(CalendarMail("REQUEST", Calendar("REQUEST", event)));
    const MsgObject& m = converted->Message();
    EXPECT_EQ(m.Find(msg::PidTagMessageClass)->AsString(), u"IPM.Schedule.Meeting.Request");
    // The unknown zone leaves the time floating, its wall clock kept as UTC; the bad end gives a zero-length meeting.
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentStartWhole)), Utc(2022, 3, 16, 11, 0));
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentEndWhole)), Utc(2022, 3, 16, 11, 0));
    EXPECT_FALSE(Bool(Named(m, PidLidRecurring)));
    for (std::string_view kind : {"UnknownTimeZone", "InvalidDateTime", "UnsupportedRecurrence", "MalformedContentLine",
                                  "InvalidCalendarAddress"}) {
        EXPECT_TRUE(HasCalendarIssue(converted->issues, kind)) << kind;
    }
}

TEST(MeetingIssues, ARuleNoPatternExpressesLeavesTheFirstInstanceAlone) {
    // The 31st of each month: Outlook's pattern would add the 28th of February.
    const std::string event =
        "BEGIN:VEVENT\r\nUID:month-end\r\nDTSTART:20260131T090000Z\r\nDTEND:20260131T100000Z\r\n"
        "RRULE:FREQ=MONTHLY;BYMONTHDAY=31\r\nSUMMARY:Close the books\r\nEND:VEVENT\r\n";
    const auto converted = Convert(CalendarMail("REQUEST", Calendar("REQUEST", event)));
    const MsgObject& m = converted->Message();
    EXPECT_EQ(m.Find(msg::PidTagMessageClass)->AsString(), u"IPM.Schedule.Meeting.Request");
    EXPECT_FALSE(Bool(Named(m, PidLidRecurring)));
    EXPECT_EQ(Named(m, PidLidAppointmentRecur), nullptr);
    EXPECT_EQ(Int(Named(m, PidLidRecurrenceType)), 0);
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentStartWhole)), Utc(2026, 1, 31, 9, 0));
    EXPECT_EQ(UnixTime(Named(m, PidLidAppointmentEndWhole)), Utc(2026, 1, 31, 10, 0));
    EXPECT_TRUE(HasCalendarIssue(converted->issues, "UnsupportedRecurrence"));
}

}  // namespace
}  // namespace mailvane::calendar
