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

class ExitTest : public ScenarioTest {
 protected:
  MessageBoxSeen ExpectQuestion(const wchar_t* caption) {
    MessageBoxSeen box = WaitForMessageBox(app_.Id());
    EXPECT_TRUE(box);
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.text, kQuestion);
    EXPECT_NE(GetDlgItem(box.window, IDYES), nullptr);
    EXPECT_NE(GetDlgItem(box.window, IDNO), nullptr);
    return box;
  }

  void ExpectEndWithCodeZero() {
    const auto code = app_.Process().WaitForExit();
    ASSERT_TRUE(code.has_value()) << "the program did not end";
    EXPECT_EQ(*code, 0u);
  }
};

TEST_F(ExitTest, ExitThenNoKeepsTheWindowThenYesEndsTheProcess) {
  ASSERT_TRUE(app_.Press(ids::kExit));
  MessageBoxSeen box = ExpectQuestion(kExitCaption);
  EXPECT_FALSE(SaveScreenshot(box.window, L"message-exit").empty());
  ASSERT_TRUE(Answer(box, IDNO));
  ASSERT_TRUE(PollUntil([&] { return app_.MainEnabled(); }));
  EXPECT_TRUE(app_.Process().IsRunning());
  EXPECT_TRUE(IsWindowVisible(app_.Main()));

  ASSERT_TRUE(app_.Press(ids::kExit));
  box = ExpectQuestion(kExitCaption);
  ASSERT_TRUE(Click(box.window, IDYES));
  ExpectEndWithCodeZero();
}

TEST_F(ExitTest, TheCloseCommandAsksWithTheBareCaption) {
  ASSERT_TRUE(PostMessageW(app_.Main(), WM_CLOSE, 0, 0));
  MessageBoxSeen box = ExpectQuestion(kCloseCaption);
  EXPECT_FALSE(SaveScreenshot(box.window, L"message-close").empty());
  ASSERT_TRUE(Answer(box, IDNO));
  ASSERT_TRUE(PollUntil([&] { return app_.MainEnabled(); }));
  EXPECT_TRUE(app_.Process().IsRunning());

  ASSERT_TRUE(PostMessageW(app_.Main(), WM_SYSCOMMAND, SC_CLOSE, 0));
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
  CopyAll(CorpusMessages(120), source);
  ASSERT_TRUE(app_.AddFolder(source));
  ASSERT_TRUE(app_.WaitForItemCount(L"1  files"));
  ASSERT_TRUE(app_.Browse(out));
  ASSERT_TRUE(PollUntil([&] { return app_.DestinationText() == out; }));

  ASSERT_TRUE(app_.Press(ids::kConvert));
  HWND progress = app_.WaitForProgressWindow();
  ASSERT_NE(progress, nullptr);
  ASSERT_TRUE(PollUntil([&] { return !FilesIn(Join(out, L"Bulk"), L"*.msg").empty(); }));
  // Stop gives the main window back while the worker goes on writing.
  ASSERT_TRUE(Click(progress, ids::kStop));
  ASSERT_TRUE(WaitUntilGone(progress));
  ASSERT_TRUE(PollUntil([&] { return app_.MainEnabled(); }));
  ASSERT_TRUE(app_.Press(ids::kExit));
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
  ASSERT_TRUE(PostMessageW(GetDlgItem(app_.Main(), ids::kConvert), WM_KEYDOWN, VK_ESCAPE, 0x00010001));
  ASSERT_TRUE(app_.Process().WaitForExit().has_value()) << "the program did not end";
}

}  // namespace
}  // namespace mailvane::e2e
