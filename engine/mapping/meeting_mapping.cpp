#include "engine/mapping/meeting_mapping.h"

#include <algorithm>
#include <string>

#include "engine/calendar/calendar_parser.h"
#include "engine/calendar/calendar_properties.h"
#include "engine/calendar/exception_attachment.h"
#include "engine/calendar/meeting_properties.h"
#include "engine/calendar/meeting_reader.h"
#include "engine/charset/charset_decoder.h"
#include "engine/mapping/address_entry.h"
#include "engine/mapping/attachment_mapping.h"
#include "engine/mapping/file_limits.h"
#include "engine/mapping/message_identity.h"
#include "engine/mapping/subject_split.h"
#include "engine/msg/property_tags.h"
#include "engine/rtf/compressed_rtf.h"
#include "engine/rtf/rtf_encapsulation.h"
#include "engine/text/utf8.h"

namespace mailvane::mapping {

namespace {

using mime::MimeEntity;

constexpr int kMaxWalkDepth = 64;

bool IsCalendarCandidate(const MimeEntity& e) {
    return !e.IsMultipart() && !e.embedded && e.mediaType == "text/calendar" && e.disposition != "attachment";
}

void Candidates(const MimeEntity& e, int depth, std::vector<const MimeEntity*>& out) {
    if (IsCalendarCandidate(e)) out.push_back(&e);
    if (depth >= kMaxWalkDepth) return;
    for (const auto& child : e.children) Candidates(*child, depth + 1, out);
}

// The calendar text as UTF-8, which iCalendar is unless its part says otherwise.
std::string CalendarText(const MimeEntity& part) {
    const std::string charsetName = part.Charset();
    if (charsetName.empty() || charsetName == "utf-8" || charsetName == "us-ascii") {
        return std::string(part.body.Chars());
    }
    return text::Utf8FromUtf16(charset::DecodeToUtf16(part.body.Chars(), charsetName).text);
}

std::string HexText(const msg::GuidBytes& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0xF]);
    }
    return text;
}

void ReportIssues(const MimeEntity& part, const std::vector<calendar::CalendarIssue>& found,
                  std::vector<mime::ParseIssue>& issues) {
    for (const auto& issue : found) {
        issues.push_back({mime::IssueKind::InvalidCalendar, part.bodyBegin,
                          std::string(calendar::CalendarIssueKindName(issue.kind)) + " at byte " +
                              std::to_string(issue.offset) + " of the calendar: " + issue.detail});
    }
}

std::u16string WithCrLf(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') continue;
        if (text[i] == u'\n') out += u'\r';
        out += text[i];
    }
    return out;
}

std::u16string Text(const msg::PropertyBag& properties, std::uint32_t tag) {
    const msg::PropertyValue* value = properties.Get(tag);
    const auto* text = value ? std::get_if<std::u16string>(value) : nullptr;
    return text ? *text : std::u16string();
}

std::int32_t RecipientType(const calendar::Attendee& attendee) {
    if (attendee.organizer) return msg::MAPI_TO;
    switch (attendee.role) {
        case calendar::AttendeeRole::Required:
            return msg::MAPI_TO;
        case calendar::AttendeeRole::Optional:
            return msg::MAPI_CC;
        case calendar::AttendeeRole::Resource:
            return msg::MAPI_BCC;
    }
    return msg::MAPI_TO;
}

// The organizer and attendees as the recipient table of a meeting object
// holds them, replacing the recipients `message` had, with the display
// strings of To, Cc and Bcc.
void SetAttendees(const std::vector<calendar::Attendee>& attendees, msg::Message& message) {
    message.recipients.clear();
    std::u16string display[3];
    for (const calendar::Attendee& attendee : attendees) {
        msg::Recipient recipient;
        auto& p = recipient.properties;
        const std::int32_t type = RecipientType(attendee);
        p.Set(msg::PidTagRecipientType, type);
        p.Set(msg::PidTagDisplayName, attendee.name);
        p.Set(msg::PidTagRecipientDisplayName, attendee.name);
        p.Set(msg::PidTagObjectType, msg::MAPI_MAILUSER);
        p.Set(msg::PidTagDisplayType, msg::DT_MAILUSER);
        p.Set(msg::PidTagRowid, static_cast<std::int32_t>(message.recipients.size()));
        p.Set(msg::PidTagAddressType, std::u16string(u"SMTP"));
        p.Set(msg::PidTagEmailAddress, attendee.address);
        p.Set(msg::PidTagSmtpAddress, attendee.address);
        p.Set(msg::PidTagSearchKey, AddressSearchKey(kSmtpAddressType, attendee.address));
        p.Set(msg::PidTagEntryId, OneOffEntryId(attendee.name, attendee.address));
        p.Set(calendar::PidTagRecipientFlags,
              attendee.organizer ? calendar::recipSendable | calendar::recipOrganizer : calendar::recipSendable);
        p.Set(calendar::PidTagRecipientTrackStatus, attendee.trackStatus);
        std::u16string& names = display[type - msg::MAPI_TO];
        if (!names.empty()) names += u"; ";
        names += attendee.name;
        message.recipients.push_back(std::move(recipient));
    }
    message.properties.Set(msg::PidTagDisplayTo, display[0]);
    message.properties.Set(msg::PidTagDisplayCc, display[1]);
    message.properties.Set(msg::PidTagDisplayBcc, display[2]);
}

void SetSubjectFromSummary(const calendar::Meeting& meeting, msg::PropertyBag& p) {
    const SubjectParts parts = SplitSubject(meeting.summary);
    p.Set(msg::PidTagSubject, meeting.summary);
    p.Set(msg::PidTagSubjectPrefix, parts.prefix);
    p.Set(msg::PidTagNormalizedSubject, parts.normalized);
    p.Set(msg::PidTagConversationTopic, parts.normalized);
}

void SetBodyFromText(std::u16string_view calendarText, msg::PropertyBag& p) {
    std::u16string text = WithCrLf(calendarText);
    p.Set(msg::PidTagRtfCompressed, rtf::CompressRtf(rtf::RtfFromPlainText(text)));
    p.Set(msg::PidTagNativeBody, msg::NativeBodyPlainText);
    p.Set(msg::PidTagBody, std::move(text));
}

void SetNamed(msg::PropertyBag& p, const calendar::NamedPropertyDefinition& definition, msg::PropertyValue value) {
    p.SetNamed(definition.Name(), definition.type, std::move(value));
}

bool InvitesAnyone(const std::vector<calendar::Attendee>& attendees) {
    return std::any_of(attendees.begin(), attendees.end(), [](const calendar::Attendee& a) { return !a.organizer; });
}

// The recipient rows the exception objects of one meeting take from it
// together: past this many, an exception keeps none, so that a calendar of
// many exceptions of a large meeting stays small (each may hold 2,048).
constexpr std::size_t kMaxCopiedRecipients = 1 << 16;

// The exceptions of the series as Outlook keeps them, after the mail's own
// attachments: each a hidden attachment holding the exception object, whose
// recipients are the exception's own attendees, else the meeting's
// ([MS-OXOCAL] 3.1.4.6.2 copies them), and whose body is its own text where
// that differs from the series'. The meeting's message says whether any of
// them has recipients (PidLidFExceptionalAttendees). An exception object
// holds no more recipients than a message file allows; the meeting's own
// attachments past that bound are left out later, with the mail's.
void AddExceptionAttachments(const calendar::Meeting& meeting, std::size_t offset, msg::Message& message,
                             std::vector<mime::ParseIssue>& issues) {
    if (!meeting.recurrence || meeting.recurrence->exceptions.empty()) return;
    const std::u16string subject = Text(message.properties, msg::PidTagSubject);
    std::size_t copied = 0;
    std::size_t withoutCopies = 0;
    bool withRecipients = false;
    for (std::size_t i = 0; i < meeting.recurrence->exceptions.size(); ++i) {
        const calendar::MeetingException* own = i < meeting.exceptions.size() ? &meeting.exceptions[i] : nullptr;
        msg::Attachment& attachment = NewAttachment(message);
        calendar::SetExceptionAttachment(meeting, i, subject, attachment);
        msg::Message& exception = *attachment.embeddedMessage;
        if (own && !own->attendees.empty()) {
            SetAttendees(own->attendees, exception);
        } else if (copied + message.recipients.size() <= kMaxCopiedRecipients) {
            exception.recipients = message.recipients;
            copied += message.recipients.size();
            for (const std::uint32_t tag : {msg::PidTagDisplayTo, msg::PidTagDisplayCc, msg::PidTagDisplayBcc}) {
                if (const msg::PropertyValue* names = message.properties.Get(tag))
                    exception.properties.Set(tag, *names);
            }
        } else {
            ++withoutCopies;
        }
        if (own && own->text) SetBodyFromText(*own->text, exception.properties);
        KeepWithinFileLimits(exception, offset, issues);
        withRecipients = withRecipients || !exception.recipients.empty();
    }
    if (withoutCopies > 0) {
        issues.push_back({mime::IssueKind::RecipientCountLimit, offset,
                          std::to_string(withoutCopies) + " exceptions of the meeting left without its " +
                              std::to_string(message.recipients.size()) + " recipients; their copies stop at " +
                              std::to_string(kMaxCopiedRecipients)});
    }
    SetNamed(message.properties, calendar::PidLidFExceptionalAttendees, withRecipients);
}

}  // namespace

std::optional<MeetingPart> FindMeeting(const mime::MimeEntity& root, std::vector<mime::ParseIssue>& issues) {
    std::vector<const MimeEntity*> candidates;
    Candidates(root, 0, candidates);
    for (const MimeEntity* part : candidates) {
        const std::string text = CalendarText(*part);
        const calendar::ParsedCalendar parsed = calendar::ParseCalendar(text);
        std::vector<calendar::CalendarIssue> found = parsed.issues;
        const mime::Parameter* method = part->ContentTypeParameter("method");
        // An event without a UID still needs a stable id: one made from its calendar.
        const std::string fallbackUid = HexText(StableGuid(text));
        calendar::MeetingSource source{method ? std::string_view(method->value) : std::string_view(), fallbackUid};
        auto meeting = calendar::ReadMeeting(parsed, source, found);
        ReportIssues(*part, found, issues);
        if (meeting) return MeetingPart{part, std::move(*meeting)};
    }
    return std::nullopt;
}

void ApplyMeeting(const MeetingPart& found, const mime::MimeEntity& root, const BodySelection& selection,
                  msg::Message& message, std::vector<mime::ParseIssue>& issues) {
    const calendar::Meeting& meeting = found.meeting;
    msg::PropertyBag& p = message.properties;
    calendar::SetMeetingProperties(meeting, p);
    // Only a calendar that names attendees says who the meeting is for; one
    // with an organizer alone leaves the mail's recipients as they are.
    if (!calendar::IsResponse(meeting.method) && InvitesAnyone(meeting.attendees)) {
        SetAttendees(meeting.attendees, message);
    }
    if (Text(p, msg::PidTagSubject).empty() && !meeting.summary.empty()) SetSubjectFromSummary(meeting, p);
    if (!selection.plain && !selection.html) SetBodyFromText(meeting.text, p);
    SetNamed(p, calendar::PidLidInboundICalStream, msg::Bytes(found.part->body.begin(), found.part->body.end()));
    SetNamed(p, calendar::PidLidSingleBodyICal, found.part == &root);
    AddExceptionAttachments(meeting, found.part->bodyBegin, message, issues);
}

}  // namespace mailvane::mapping
