// Every invitation of the corpus becomes its meeting message, with the
// start, end and location its calendar gives (worked out by hand from each
// file); an invitation the table does not know fails the test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "engine/calendar/calendar_properties.h"
#include "engine/calendar/civil_date.h"
#include "engine/convert/eml_converter.h"
#include "engine/mime/message_parser.h"
#include "engine/msg/property_tags.h"
#include "tests/support/corpus_files.h"
#include "tests/support/written_message.h"

namespace mailvane::calendar {
namespace {

namespace fs = std::filesystem;

using mailvane::testing::CorpusDir;
using mailvane::testing::ReadFileBytes;

std::int64_t Utc(int year, int month, int day, int hour, int minute) {
    return DaysFromCivil({year, month, day}) * 86400 + hour * 3600 + minute * 60;
}

struct Invitation {
    std::u16string messageClass;
    std::int64_t start;
    std::int64_t end;
    std::u16string location;
};

const std::map<std::string, Invitation>& Invitations() {
    static const std::map<std::string, Invitation> kInvitations = {
        {"tb-invite-01-cancel-repeat-event-ics-alt.eml",
         {u"IPM.Schedule.Meeting.Canceled", Utc(2022, 3, 16, 11, 0), Utc(2022, 3, 16, 11, 30), u"Somewhere"}},
        {"tb-invite-03-exception-major-ics-alt.eml",
         {u"IPM.Schedule.Meeting.Request", Utc(2022, 3, 17, 5, 0), Utc(2022, 3, 17, 5, 30), u"Somewhere"}},
        {"tb-invite-04-exception-minor-ics-alt.eml",
         {u"IPM.Schedule.Meeting.Request", Utc(2022, 3, 17, 11, 0), Utc(2022, 3, 17, 11, 30), u"Exception location"}},
        {"tb-invite-05-meet-meeting-invite-ics-alt-att-other.eml",
         {u"IPM.Schedule.Meeting.Request", Utc(2021, 3, 22, 9, 30), Utc(2021, 3, 22, 10, 30), u""}},
        // FLE Standard Time is UTC+2 in winter.
        {"tb-invite-08-outlook-test-invite-ics-alt.eml",
         {u"IPM.Schedule.Meeting.Request", Utc(2021, 11, 27, 7, 0), Utc(2021, 11, 27, 7, 30), u""}},
        {"tb-invite-09-repeat-event-ics-alt.eml",
         {u"IPM.Schedule.Meeting.Request", Utc(2022, 3, 16, 11, 0), Utc(2022, 3, 16, 11, 30), u"Somewhere"}},
        {"tb-invite-11-repeat-update-minor-ics-alt.eml",
         {u"IPM.Schedule.Meeting.Request", Utc(2022, 3, 16, 11, 0), Utc(2022, 3, 16, 11, 30), u"Updated location"}},
        {"tb-invite-13-teams-meeting-invite-ics-alt.eml",
         {u"IPM.Schedule.Meeting.Request", Utc(2020, 12, 2, 17, 0), Utc(2020, 12, 2, 19, 0), u""}},
        {"tb-invite-15-update-minor-ics-alt.eml",
         {u"IPM.Schedule.Meeting.Request", Utc(2022, 3, 16, 11, 0), Utc(2022, 3, 16, 11, 30), u"Updated location"}},
        {"outlookcom-07-inbox-7-ics-att-other-text.eml",
         {u"IPM.Schedule.Meeting.Request", Utc(2021, 8, 14, 0, 0), Utc(2021, 8, 15, 0, 0), u""}},
        {"outlookcom-08-inbox-8-ics-att-image-other.eml",
         {u"IPM.Schedule.Meeting.Request", Utc(2021, 8, 17, 0, 0), Utc(2021, 8, 18, 0, 0), u""}},
        {"outlookcom-09-inbox-9-ics-att-other-text.eml",
         {u"IPM.Schedule.Meeting.Request", Utc(2021, 8, 24, 17, 0), Utc(2021, 8, 24, 18, 0), u"home office"}},
        {"outlookcom-11-sent-items-2-ics-att-octet-text.eml",
         {u"IPM.Schedule.Meeting.Request", Utc(2021, 8, 24, 17, 0), Utc(2021, 8, 24, 18, 0), u"home office"}},
    };
    return kInvitations;
}

// An invitation by the simplest reading: a calendar part that is no
// attachment and names an iTIP method that asks for or answers a meeting.
bool LooksLikeInvitation(const mime::MimeEntity& e) {
    if (e.mediaType == "text/calendar" && e.disposition != "attachment") {
        std::string text(e.body.begin(), e.body.end());
        for (char& c : text) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        for (std::string_view method : {"METHOD:REQUEST", "METHOD:CANCEL", "METHOD:REPLY"}) {
            if (text.find(method) != std::string::npos) return true;
        }
    }
    for (const auto& child : e.children) {
        if (LooksLikeInvitation(*child)) return true;
    }
    return false;
}

std::int64_t UnixTime(const mailvane::testing::MsgProperty* property) {
    return property ? property->AsInt64().value_or(0) / 10000000 - 11644473600 : 0;
}

TEST(CorpusInvitations, EachBecomesItsMeetingWithTimeAndPlace) {
    const fs::path dir = CorpusDir() / "eml";
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
    std::size_t found = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".eml") continue;
        const std::string name = entry.path().filename().string();
        const std::vector<std::uint8_t> bytes = ReadFileBytes(entry.path());
        const auto known = Invitations().find(name);
        if (known == Invitations().end()) {
            EXPECT_FALSE(LooksLikeInvitation(mime::ParseMessage(bytes).root))
                << name << " is an invitation the table lacks";
            continue;
        }
        ++found;
        ConversionOptions options;
        options.nowUnixSeconds = 1700000000;
        const Conversion conversion = ConvertEml(bytes, options);
        mailvane::testing::WrittenMessage written;
        std::string error;
        ASSERT_TRUE(mailvane::testing::WriteAndRead(*conversion.message, written, error)) << name << ": " << error;
        const auto& m = written.reader.Message();
        const Invitation& want = known->second;
        EXPECT_EQ(m.Find(msg::PidTagMessageClass)->AsString(), want.messageClass) << name;
        EXPECT_EQ(UnixTime(m.FindNamed(PidLidAppointmentStartWhole.Name())), want.start) << name;
        EXPECT_EQ(UnixTime(m.FindNamed(PidLidAppointmentEndWhole.Name())), want.end) << name;
        const auto* location = m.FindNamed(PidLidLocation.Name());
        ASSERT_NE(location, nullptr) << name;
        EXPECT_EQ(location->AsString(), want.location) << name;
        EXPECT_NE(m.FindNamed(PidLidGlobalObjectId.Name()), nullptr) << name;
    }
    EXPECT_EQ(found, Invitations().size()) << "invitations of the table missing from the corpus";
}

}  // namespace
}  // namespace mailvane::calendar
