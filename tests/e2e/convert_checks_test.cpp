// The two checks of the Convert button and the destination they read,
// including a destination emptied by picking a virtual item.
#include <windows.h>

#include <fstream>

#include "driver/common_dialog_driver.h"
#include "driver/polling.h"
#include "driver/screenshot.h"
#include "driver/window_probe.h"
#include "scenario.h"

namespace mailvane::e2e {
namespace {

constexpr wchar_t kEmptyListText[] = L"Please Add *.EML File(s) or Folder(s). ";
constexpr wchar_t kNoDestinationText[] = L"Please Select Saving Location. ";

class ConvertChecksTest : public ScenarioTest {
protected:
    // Presses Convert and expects exactly one validation message, `text`.
    void ExpectRefusal(const wchar_t* text, const std::wstring& screenshot) {
        ASSERT_TRUE(m_app.Press(ids::kConvert));
        const MessageBoxSeen box = WaitForMessageBox(m_app.Id());
        ASSERT_TRUE(box);
        EXPECT_EQ(box.caption, L"Mailvane");
        EXPECT_EQ(box.text, text);
        if (!screenshot.empty()) {
            EXPECT_FALSE(SaveScreenshot(box.window, screenshot).empty());
        }
        ASSERT_TRUE(Answer(box, IDOK));
        ASSERT_TRUE(PollUntil([&] { return m_app.MainEnabled(); }));
        EXPECT_TRUE(NoMessageBoxShown(m_app.Id())) << "a second message followed";
        EXPECT_EQ(m_app.ProgressWindow(), nullptr) << "a run started";
    }

    void RunToCompletion() {
        ASSERT_TRUE(m_app.Press(ids::kConvert));
        HWND progress = m_app.WaitForProgressWindow();
        ASSERT_NE(progress, nullptr);
        ASSERT_TRUE(Answer(ExpectCompletionMessage(), IDOK));
        ASSERT_TRUE(PollUntil([&] { return ItemText(progress, ids::kStop) == kCompletedButton; }));
        CloseProgressWindow(progress);
    }
};

TEST_F(ConvertChecksTest, AnEmptyListIsRefusedFirst) { ExpectRefusal(kEmptyListText, L"message-empty-list"); }

TEST_F(ConvertChecksTest, RowsWithoutADestinationAreRefused) {
    const std::wstring root = FreshWorkFolder(L"convert-checks");
    std::ofstream(Join(root, L"one.eml").c_str(), std::ios::binary) << "Subject: one\r\n\r\nbody\r\n";
    ASSERT_TRUE(m_app.AddFiles(root, {L"one.eml"}));
    ASSERT_TRUE(m_app.WaitForItemCount(L"1  files"));
    ExpectRefusal(kNoDestinationText, L"message-no-destination");
}

TEST_F(ConvertChecksTest, CancellingBrowseKeepsAndAVirtualItemEmptiesTheDestination) {
    const std::wstring root = FreshWorkFolder(L"convert-destination");
    const std::wstring out = Join(root, L"Out");
    ASSERT_TRUE(MakeFolders(out));
    std::ofstream(Join(root, L"one.eml").c_str(), std::ios::binary) << "Subject: one\r\n\r\nbody\r\n";
    ASSERT_TRUE(m_app.AddFiles(root, {L"one.eml"}));
    ASSERT_TRUE(m_app.WaitForItemCount(L"1  files"));

    ASSERT_TRUE(m_app.Browse(out));
    ASSERT_TRUE(PollUntil([&] { return m_app.DestinationText() == out; }));

    ASSERT_TRUE(m_app.Press(ids::kBrowse));
    HWND picker = WaitForFolderPicker(m_app.Id());
    ASSERT_NE(picker, nullptr);
    EXPECT_FALSE(SaveScreenshot(picker, L"folder-picker").empty());
    ASSERT_TRUE(CancelDialog(picker));
    EXPECT_EQ(m_app.DestinationText(), out);
    RunToCompletion();
    EXPECT_EQ(FilesIn(Join(out, LastComponent(root))),
              std::vector<std::wstring>{Join(Join(out, LastComponent(root)), L"one.msg")});

    ASSERT_TRUE(m_app.Press(ids::kBrowse));
    picker = WaitForFolderPicker(m_app.Id());
    ASSERT_NE(picker, nullptr);
    ASSERT_TRUE(ChooseMyComputer(picker));
    ASSERT_TRUE(PollUntil([&] { return m_app.MainEnabled(); }));
    EXPECT_EQ(m_app.DestinationText(), out) << "the field keeps the former path";
    ExpectRefusal(kNoDestinationText, L"");
}

}  // namespace
}  // namespace mailvane::e2e
