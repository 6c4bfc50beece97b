// Leaving the program: the Exit button and the close command ask first,
// with captions that differ only in their blanks, and end the process at
// once on Yes, also in the middle of a run.
#include <windows.h>

#include "driver/compound_file_check.h"
#include "driver/polling.h"
#include "driver/screenshot.h"
#include "driver/window_probe.h"
#include "scenario.h"

namespace mailvane::e2e {
namespace {

constexpr wchar_t kQuestion[] = L"Do you want to Exit ?       ";
constexpr wchar_t kExitCaption[] = L"Quorvel Mailvane       ";
constexpr wchar_t kCloseCaption[] = L"Quorvel Mailvane";
constexpr int kCorpusRounds = 8;

class ExitTest : public ScenarioTest {
protected:
    MessageBoxSeen ExpectQuestion(const wchar_t* caption) {
        MessageBoxSeen box = WaitForMessageBox(m_app.Id());
        EXPECT_TRUE(box);
        EXPECT_EQ(box.caption, caption);
        EXPECT_EQ(box.text, kQuestion);
        EXPECT_NE(GetDlgItem(box.window, IDYES), nullptr);
        EXPECT_NE(GetDlgItem(box.window, IDNO), nullptr);
        return box;
    }

    void ExpectEndWithCodeZero() {
        const auto code = m_app.Process().WaitForExit();
        ASSERT_TRUE(code.has_value()) << "the program did not end";
        EXPECT_EQ(*code, 0u);
    }
};

TEST_F(ExitTest, ExitThenNoKeepsTheWindowThenYesEndsTheProcess) {
    ASSERT_TRUE(m_app.Press(ids::kExit));
    MessageBoxSeen box = ExpectQuestion(kExitCaption);
    EXPECT_FALSE(SaveScreenshot(box.window, L"message-exit").empty());
    ASSERT_TRUE(Answer(box, IDNO));
    ASSERT_TRUE(PollUntil([&] { return m_app.MainEnabled(); }));
    EXPECT_TRUE(m_app.Process().IsRunning());
    EXPECT_TRUE(IsWindowVisible(m_app.Main()));

    ASSERT_TRUE(m_app.Press(ids::kExit));
    box = ExpectQuestion(kExitCaption);
    ASSERT_TRUE(Click(box.window, IDYES));
    ExpectEndWithCodeZero();
}

TEST_F(ExitTest, TheCloseCommandAsksWithTheBareCaption) {
    ASSERT_TRUE(PostMessageW(m_app.Main(), WM_CLOSE, 0, 0));
    MessageBoxSeen box = ExpectQuestion(kCloseCaption);
    EXPECT_FALSE(SaveScreenshot(box.window, L"message-close").empty());
    ASSERT_TRUE(Answer(box, IDNO));
    ASSERT_TRUE(PollUntil([&] { return m_app.MainEnabled(); }));
    EXPECT_TRUE(m_app.Process().IsRunning());

    ASSERT_TRUE(PostMessageW(m_app.Main(), WM_SYSCOMMAND, SC_CLOSE, 0));
    box = ExpectQuestion(kCloseCaption);
    ASSERT_TRUE(Click(box.window, IDYES));
    ExpectEndWithCodeZero();
}

TEST_F(ExitTest, YesInTheMiddleOfARunLeavesOnlyWholeMessages) {
    E2E_REQUIRE_CORPUS();
    const std::wstring root = FreshWorkFolder(L"exit-during-run");
    const std::wstring source = Join(root, L"Bulk");
    const std::wstring out = Join(root, L"Out");
    ASSERT_TRUE(MakeFolders(source));
    ASSERT_TRUE(MakeFolders(out));
    // Long enough to be still going when Exit is answered, however fast the
    // conversion: every message of the corpus, several times over.
    const std::vector<std::wstring> messages = CorpusMessages(SIZE_MAX);
    for (int round = 0; round < kCorpusRounds; ++round) {
        for (const std::wstring& message : messages) {
            const std::wstring name = message.substr(message.find_last_of(L'\\') + 1);
            ASSERT_TRUE(CopyFileW(message.c_str(), Join(source, std::to_wstring(round) + L"-" + name).c_str(), TRUE))
                << message;
        }
    }
    ASSERT_TRUE(m_app.AddFolder(source));
    ASSERT_TRUE(m_app.WaitForItemCount(L"1  files"));
    ASSERT_TRUE(m_app.Browse(out));
    ASSERT_TRUE(PollUntil([&] { return m_app.DestinationText() == out; }));

    ASSERT_TRUE(m_app.Press(ids::kConvert));
    HWND progress = m_app.WaitForProgressWindow();
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(PollUntil([&] { return !FilesIn(Join(out, L"Bulk"), L"*.msg").empty(); }));
    // Stop gives the main window back while the worker goes on writing.
    ASSERT_TRUE(Click(progress, ids::kStop));
    ASSERT_TRUE(WaitUntilGone(progress));
    ASSERT_TRUE(PollUntil([&] { return m_app.MainEnabled(); }));
    ASSERT_TRUE(m_app.Press(ids::kExit));
    const MessageBoxSeen box = ExpectQuestion(kExitCaption);
    ASSERT_TRUE(Click(box.window, IDYES));
    ExpectEndWithCodeZero();

    const auto written = FilesIn(Join(out, L"Bulk"), L"*.msg");
    EXPECT_FALSE(written.empty());
    for (const auto& path : written) {
        EXPECT_EQ(CompoundFileDefect(path), "") << path;
    }
}

TEST_F(ExitTest, EscapeEndsTheProgramWithoutAQuestion) {
    ASSERT_TRUE(PostMessageW(GetDlgItem(m_app.Main(), ids::kConvert), WM_KEYDOWN, VK_ESCAPE, 0x00010001));
    ASSERT_TRUE(m_app.Process().WaitForExit().has_value()) << "the program did not end";
}

}  // namespace
}  // namespace mailvane::e2e
