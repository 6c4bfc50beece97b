// The state an owner left on a mail survives the program: a draft saved by
// a mail client comes out as an unsent draft, an unread message unread, a
// replied and flagged one replied and flagged, with its category.
#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "driver/compound_file_check.h"
#include "driver/polling.h"
#include "driver/screenshot.h"
#include "driver/window_probe.h"
#include "scenario.h"

namespace mailvane::e2e {
namespace {

struct StateCase {
    const char* name;      // of the .eml file and of the .msg file, without extension
    const char* headers;   // the state fields of the message
    const char* expected;  // what the read-back must find, words separated by blanks
};

constexpr StateCase kCases[] = {
    {"draft", "X-Unsent: 1\r\n", "draft read"},
    {"unread", "Status: O\r\n", "received unread"},
    {"replied", "X-Mozilla-Status: 0007\r\nX-Mozilla-Keys: $label2\r\n", "received read replied flagged category=Work"},
    {"plain", "", "received read"},
};

std::wstring Wide(const char* ascii) { return std::wstring(ascii, ascii + strlen(ascii)); }

class MailStateTest : public ScenarioTest {};

TEST_F(MailStateTest, DraftsUnreadRepliedAndFlaggedMessagesKeepTheirState) {
    const std::wstring root = FreshWorkFolder(L"mail-state");
    const std::wstring mail = Join(root, L"Mail");
    const std::wstring out = Join(root, L"Out");
    ASSERT_TRUE(MakeFolders(mail));
    ASSERT_TRUE(MakeFolders(out));
    for (const auto& c : kCases) {
        std::ofstream file(Join(mail, Wide(c.name) + L".eml").c_str(), std::ios::binary);
        file << "From: Ann <ann@example.com>\r\nTo: Bob <bob@example.com>\r\n"
             << "Subject: state of " << c.name << "\r\n"
             << "Date: Tue, 1 Dec 2026 10:00:00 +0000\r\nMessage-ID: <" << c.name << "@example.com>\r\n"
             << c.headers << "\r\nThe body.\r\n";
    }

    ASSERT_TRUE(m_app.AddFolder(mail));
    ASSERT_TRUE(m_app.WaitForItemCount(L"1  files"));
    ASSERT_TRUE(m_app.Browse(out));
    ASSERT_TRUE(PollUntil([&] { return m_app.DestinationText() == out; }));
    ASSERT_TRUE(m_app.Press(ids::kConvert));
    HWND progress = m_app.WaitForProgressWindow();
    ASSERT_NE(progress, nullptr);
    const MessageBoxSeen done = ExpectCompletionMessage();
    ASSERT_TRUE(Answer(done, IDOK));
    ASSERT_TRUE(PollUntil([&] { return ItemText(progress, ids::kStop) == kCompletedButton; }));
    EXPECT_FALSE(SaveScreenshot(progress, L"mail-state-completed").empty());
    CloseProgressWindow(progress);

    std::vector<std::pair<std::wstring, std::wstring>> converted;
    std::ofstream states(Join(root, L"states.tsv").c_str(), std::ios::binary | std::ios::trunc);
    for (const auto& c : kCases) {
        const std::wstring output = Join(Join(out, L"Mail"), Wide(c.name) + L".msg");
        EXPECT_EQ(CompoundFileDefect(output), "") << output;
        converted.emplace_back(output, Join(mail, Wide(c.name) + L".eml"));
        states << UnixPathOf(output) << '\t' << c.expected << '\n';
    }
    WriteManifest(root, converted);
}

}  // namespace
}  // namespace mailvane::e2e
