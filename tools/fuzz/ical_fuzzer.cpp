// The iCalendar reader on untrusted text: the component tree, the meeting
// it makes, and that meeting's properties and blobs. (Mails carrying a
// calendar go through the whole conversion in eml_fuzzer, whose seeds hold
// the corpus invitations.) Beyond "no crash", each step checks an invariant
// and aborts when it does not hold, so libFuzzer keeps the input as a finding.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/calendar/calendar_parser.h"
#include "engine/calendar/calendar_properties.h"
#include "engine/calendar/exception_attachment.h"
#include "engine/calendar/meeting_properties.h"
#include "engine/calendar/meeting_reader.h"
#include "engine/calendar/recurrence_blob.h"
#include "engine/msg/message.h"
#include "engine/msg/property_tags.h"

namespace {

using namespace mailvane::calendar;

[[noreturn]] void Violated(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "invariant violated: %s %s\n", what, detail.c_str());
    std::abort();
}

// Every offset points into the text; nothing is deeper than the bound.
void CheckTree(const CalendarComponent& component, std::size_t size, std::size_t depth, const CalendarLimits& limits) {
    if (depth > limits.maxDepth) Violated("component nested past the bound");
    if (component.offset >= size) Violated("component offset past the text");
    for (const auto& property : component.properties) {
        if (property.offset >= size) Violated("property offset past the text");
        if (property.value.size() > limits.maxLineLength) Violated("value past the line bound");
    }
    for (const auto& child : component.children) CheckTree(child, size, depth + 1, limits);
}

// The same tree, values and parameters, wherever they stand in the text.
bool SameTree(const CalendarComponent& a, const CalendarComponent& b) {
    if (a.name != b.name || a.properties.size() != b.properties.size() || a.children.size() != b.children.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.properties.size(); ++i) {
        const auto& p = a.properties[i];
        const auto& q = b.properties[i];
        if (p.name != q.name || p.value != q.value || p.parameters.size() != q.parameters.size()) return false;
        for (std::size_t k = 0; k < p.parameters.size(); ++k) {
            if (p.parameters[k].name != q.parameters[k].name || p.parameters[k].values != q.parameters[k].values) {
                return false;
            }
        }
    }
    for (std::size_t i = 0; i < a.children.size(); ++i) {
        if (!SameTree(a.children[i], b.children[i])) return false;
    }
    return true;
}

// Every line break (CRLF, CR or LF) written as LF reads alike.
void CheckLineEnds(std::string_view text, const ParsedCalendar& parsed) {
    std::string unix;
    unix.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            unix.push_back('\n');
        } else {
            unix.push_back(text[i]);
        }
    }
    const ParsedCalendar other = ParseCalendar(unix);
    if (parsed.roots.size() != other.roots.size()) Violated("line ends change the calendars read");
    for (std::size_t i = 0; i < parsed.roots.size(); ++i) {
        if (!SameTree(parsed.roots[i], other.roots[i])) Violated("line ends change a calendar's tree");
    }
}

// The exceptions keep the series' order, one a day, each on its modified
// date, its original date among the deleted ones; each makes a hidden
// exception attachment holding its exception object.
void CheckExceptions(const Meeting& meeting) {
    const AppointmentRecurrence& recurrence = *meeting.recurrence;
    const RecurrencePattern& pattern = recurrence.pattern;
    if (meeting.exceptions.size() != recurrence.exceptions.size()) Violated("exception objects unpaired");
    if (pattern.modifiedInstanceDates.size() != recurrence.exceptions.size()) Violated("modified dates unpaired");
    const auto& deleted = pattern.deletedInstanceDates;
    if (!std::is_sorted(deleted.begin(), deleted.end())) Violated("deleted dates out of order");
    for (std::size_t i = 0; i < recurrence.exceptions.size(); ++i) {
        const RecurrenceException& exception = recurrence.exceptions[i];
        if (exception.startDateTime / 1440 * 1440 != pattern.modifiedInstanceDates[i]) {
            Violated("an exception off its modified date");
        }
        if (i > 0 && pattern.modifiedInstanceDates[i] <= pattern.modifiedInstanceDates[i - 1]) {
            Violated("two exceptions on a day, or out of order");
        }
        if (exception.endDateTime < exception.startDateTime) Violated("an exception ending before it starts");
        if (!std::binary_search(deleted.begin(), deleted.end(), exception.originalStartDate / 1440 * 1440)) {
            Violated("an exception whose instance is not given up");
        }
        mailvane::msg::Attachment attachment;
        SetExceptionAttachment(meeting, i, u"series", attachment);
        const auto* hidden = attachment.properties.Get(mailvane::msg::PidTagAttachmentHidden);
        if (!hidden || !std::get<bool>(*hidden) || !attachment.embeddedMessage) Violated("exception not hidden");
    }
}

void CheckMeeting(const Meeting& meeting) {
    if (meeting.messageClass.empty()) Violated("meeting without a class");
    if (meeting.end.utc < meeting.start.utc) Violated("meeting ends before it starts");
    if (meeting.globalObjectId.size() < 40 || meeting.cleanGlobalObjectId.size() != meeting.globalObjectId.size()) {
        Violated("global object ids of different sizes");
    }
    for (std::size_t i = 16; i < 20; ++i) {
        if (meeting.cleanGlobalObjectId[i] != 0) Violated("clean global object id names an instance");
    }
    if (meeting.recurrence) {
        const RecurrencePattern& pattern = meeting.recurrence->pattern;
        if (pattern.startDate > pattern.endDate) Violated("recurrence ends before it starts");
        if (pattern.period == 0) Violated("recurrence without a period");
        if (meeting.recurrence->exceptions.size() > pattern.deletedInstanceDates.size()) {
            Violated("an exception for an instance the series does not give up");
        }
        if (EncodeAppointmentRecurrence(*meeting.recurrence).size() < 0x3C) Violated("recurrence blob too short");
        CheckExceptions(meeting);
    }
    mailvane::msg::Message message;
    SetMeetingProperties(meeting, message.properties);
    if (message.properties.Get(mailvane::msg::PidTagMessageClass) == nullptr) Violated("meeting without a class");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const CalendarLimits limits;
    const ParsedCalendar parsed = ParseCalendar(text, limits);
    for (const auto& root : parsed.roots) CheckTree(root, size, 1, limits);
    for (const auto& issue : parsed.issues) {
        if (issue.offset > size) Violated("issue offset past the text", CalendarIssueKindName(issue.kind));
    }
    CheckLineEnds(text, parsed);
    for (std::string_view method : {"REQUEST", "PUBLISH"}) {
        std::vector<CalendarIssue> issues;
        if (const auto meeting = ReadMeeting(parsed, {method, "fuzz"}, issues)) CheckMeeting(*meeting);
    }
    return 0;
}
