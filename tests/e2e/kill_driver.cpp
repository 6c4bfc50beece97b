// The Windows half of the kill check (kill_check.sh): starts the build's
// program over one folder row, converts into a destination and then, by
// mode,
//   terminate N  ends the program with TerminateProcess once N messages
//                have appeared and, soon after, a save is under way;
//   hold N       prints "converting" at that point and waits for the check
//                to kill the whole Wine server under it;
//   finish       lets the run end and answers its completion message.
//   kill_driver MODE SOURCE-FOLDER DESTINATION [N]   (Windows paths)
// Exit code 0 when the mode's steps went as described.
#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>

#include "driver/component_registration.h"
#include "driver/mailvane_app.h"
#include "driver/message_box_probe.h"
#include "driver/polling.h"
#include "driver/test_paths.h"
#include "driver/window_probe.h"
#include "win32/unique_handle.h"

namespace mailvane::e2e {
namespace {

constexpr wchar_t kCompletedText[] = L"EML to MSG file conversion has been successfully completed.";

size_t FilesIn(const std::wstring& folder, const wchar_t* pattern) {
    size_t count = 0;
    WIN32_FIND_DATAW entry;
    const win32::UniqueFindHandle find(FindFirstFileW(Join(folder, pattern).c_str(), &entry));
    if (!find) {
        return 0;
    }
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            ++count;
        }
    } while (FindNextFileW(find.Get(), &entry));
    return count;
}

size_t MessagesIn(const std::wstring& folder) { return FilesIn(folder, L"*.msg"); }

// A save writes to ".<name>.<process>-<serial>.tmp" before it moves the
// file into place.
bool SaveUnderWay(const std::wstring& folder) { return FilesIn(folder, L".*.msg.*.tmp") > 0; }

int Fail(const char* why) {
    std::printf("kill driver: %s\n", why);
    std::fflush(stdout);
    return 1;
}

int Drive(const std::wstring& mode, const std::wstring& source, const std::wstring& out, size_t after) {
    if (!RegisterComponent(ComponentPath())) return Fail("regsvr32 could not register the component");
    MailvaneApp app;
    if (!app.Start()) {
        // Started right after another check's Wine processes ended, a start
        // has been seen to fail at once; a second start tells that apart
        // from a program that cannot start. One still running is not doubled.
        if (app.Process().IsRunning()) return Fail(("no main window: " + app.StartFailure()).c_str());
        std::printf("kill driver: first start failed: %s; starting again\n", app.StartFailure().c_str());
        std::fflush(stdout);
        Sleep(3000);
        if (!app.Start()) return Fail(("no main window: " + app.StartFailure()).c_str());
    }
    if (!app.AddFolder(source) || !app.WaitForItemCount(L"1  files")) return Fail("the folder row was not added");
    if (!app.Browse(out) || !PollUntil([&] { return app.DestinationText() == out; })) {
        return Fail("the destination was not chosen");
    }
    if (!app.Press(ids::kConvert) || app.WaitForProgressWindow() == nullptr) return Fail("no progress window");
    const std::wstring written = Join(out, LastComponent(source));

    if (mode == L"finish") {
        if (!PollUntil([&] { return !NoMessageBoxShown(app.Id()); }, std::chrono::minutes(10))) {
            return Fail("no completion message");
        }
        const MessageBoxSeen box = WaitForMessageBox(app.Id());
        if (box.text != kCompletedText) return Fail("the completion message reports failures");
        if (!Answer(box, IDOK)) return Fail("the completion message did not close");
        std::printf("kill driver: the run completed\n");
        return 0;
    }
    if (!PollUntil([&] { return MessagesIn(written) >= after; }, std::chrono::minutes(5))) {
        return Fail("the messages to wait for did not appear");
    }
    // Small messages are written in a moment; the list's large ones give a
    // save to kill in the middle. Without one in time the kill comes anyway.
    const bool midSave = PollUntil([&] { return SaveUnderWay(written); }, std::chrono::seconds(5));
    std::printf("kill driver: killing %s a save\n", midSave ? "during" : "between");
    if (mode == L"terminate") {
        if (!TerminateProcess(app.Process().Handle(), 9)) return Fail("TerminateProcess failed");
        WaitForSingleObject(app.Process().Handle(), INFINITE);
        std::printf("kill driver: terminated after %zu messages\n", MessagesIn(written));
        return 0;
    }
    if (mode == L"hold") {
        std::printf("converting\n");
        std::fflush(stdout);
        Sleep(INFINITE);
    }
    return Fail("unknown mode");
}

}  // namespace
}  // namespace mailvane::e2e

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 4) {
        std::printf("usage: kill_driver terminate|hold|finish SOURCE DESTINATION [N]\n");
        return 2;
    }
    const size_t after = argc > 4 ? static_cast<size_t>(std::wcstoul(argv[4], nullptr, 10)) : 0;
    const int result = mailvane::e2e::Drive(argv[1], argv[2], argv[3], after);
    LocalFree(argv);
    return result;
}
