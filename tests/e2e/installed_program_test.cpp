// Run by the installer check between the silent install and the silent
// uninstall: the installed program starts, shows its main window and
// converts one message through the installed, registered component.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>

#include "driver/compound_file_check.h"
#include "driver/mailvane_app.h"
#include "driver/message_box_probe.h"
#include "driver/polling.h"
#include "driver/screenshot.h"
#include "driver/test_paths.h"
#include "driver/window_probe.h"

namespace mailvane::e2e {
namespace {

std::wstring InstalledProgram() {
    const wchar_t* path = _wgetenv(L"MAILVANE_INSTALLED_PROGRAM");
    return path == nullptr ? std::wstring() : std::wstring(path);
}

TEST(InstalledProgramTest, StartsAndConvertsThroughTheInstalledComponent) {
    const std::wstring program = InstalledProgram();
    ASSERT_FALSE(program.empty()) << "MAILVANE_INSTALLED_PROGRAM names no program";
    const std::wstring root = FreshWorkFolder(L"installed");
    const std::wstring source = Join(root, L"Inbox");
    const std::wstring out = Join(root, L"Out");
    ASSERT_TRUE(MakeFolders(source));
    ASSERT_TRUE(MakeFolders(out));
    std::ofstream(Join(source, L"hello.eml").c_str(), std::ios::binary)
        << "From: Ann <ann@example.com>\r\nTo: Bob <bob@example.com>\r\nSubject: installed\r\n\r\nHello.\r\n";

    MailvaneApp app;
    ASSERT_TRUE(app.Start(program)) << "the installed program: " << app.StartFailure();
    EXPECT_FALSE(SaveScreenshot(app.Main(), L"installed-main-window").empty());
    ASSERT_TRUE(app.AddFiles(source, {L"hello.eml"}));
    ASSERT_TRUE(app.WaitForItemCount(L"1  files"));
    ASSERT_TRUE(app.Browse(out));
    ASSERT_TRUE(PollUntil([&] { return app.DestinationText() == out; }));
    ASSERT_TRUE(app.Press(ids::kConvert));
    HWND progress = app.WaitForProgressWindow();
    ASSERT_NE(progress, nullptr);
    const MessageBoxSeen done = WaitForMessageBox(app.Id());
    ASSERT_TRUE(done);
    EXPECT_EQ(done.text, L"EML to MSG file conversion has been successfully completed.");
    ASSERT_TRUE(Answer(done, IDOK));
    ASSERT_TRUE(Click(progress, ids::kStop));
    ASSERT_TRUE(WaitUntilGone(progress));
    EXPECT_EQ(CompoundFileDefect(Join(Join(out, L"Inbox"), L"hello.msg")), "");

    ASSERT_TRUE(app.Press(ids::kExit));
    const MessageBoxSeen question = WaitForMessageBox(app.Id());
    ASSERT_TRUE(question);
    ASSERT_TRUE(Click(question.window, IDYES));
    const auto code = app.Process().WaitForExit();
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
}

}  // namespace
}  // namespace mailvane::e2e
