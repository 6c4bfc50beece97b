// Files the component refuses, through the real program: each failure is
// counted in the completion message, the files after it are still
// converted, and nothing that stood in the way is changed.
#include <windows.h>

#include <fstream>
#include <string>

#include "driver/compound_file_check.h"
#include "driver/polling.h"
#include "driver/screenshot.h"
#include "driver/window_probe.h"
#include "scenario.h"
#include "win32/unique_handle.h"

namespace mailvane::e2e {
namespace {

std::wstring PartlyFailedText(int failed, int attempted) {
    return L"EML to MSG file conversion has been completed, but " + std::to_wstring(failed) + L" of " +
           std::to_wstring(attempted) + L" file(s) could not be converted.";
}

bool WriteText(const std::wstring& path, const std::string& text) {
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    file << text;
    return static_cast<bool>(file);
}

std::string ReadText(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A file one byte past the largest source the component reads, made sparse
// so that it costs no disk.
bool MakeOversizedSource(const std::wstring& path) {
    const win32::UniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        return false;
    }
    LARGE_INTEGER end{};
    end.QuadPart = (1LL << 30) + 1;
    return SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
}

// A message with an attachment of `megabytes` MB, large enough that its
// import and save take a while.
bool MakeLargeMessage(const std::wstring& path, int megabytes) {
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    file << "From: Large Sender <large@example.com>\r\nTo: someone@example.com\r\nSubject: large\r\n"
            "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
            "--b\r\nContent-Type: text/plain\r\n\r\nsee the attachment\r\n"
            "--b\r\nContent-Type: application/octet-stream; name=\"data.bin\"\r\n"
            "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"data.bin\"\r\n\r\n";
    const std::string line = std::string(76, 'Q') + "\r\n";
    const long long lines = static_cast<long long>(megabytes) * 1024 * 1024 / 57;
    for (long long i = 0; i < lines; ++i) {
        file << line;
    }
    file << "--b--\r\n";
    return static_cast<bool>(file);
}

class FailurePathsTest : public ScenarioTest {
protected:
    // Adds one file row; rows are added at the top, so the last added is
    // converted first.
    void AddFileRow(const std::wstring& path, size_t rowsAfter) {
        ASSERT_TRUE(m_app.AddFiles(path.substr(0, path.rfind(L'\\')), {LastComponent(path)}));
        ASSERT_TRUE(m_app.WaitForItemCount(std::to_wstring(rowsAfter) + L"  files"));
        ASSERT_EQ(m_app.Rows().at(0).at(0), path);
    }
    MessageBoxSeen WaitForPartlyFailedMessage(int failed, int attempted) {
        MessageBoxSeen box = WaitForMessageBox(m_app.Id());
        EXPECT_TRUE(box) << "no completion message";
        EXPECT_EQ(box.caption, kRunCaption);
        EXPECT_EQ(box.text, PartlyFailedText(failed, attempted));
        return box;
    }
};

// In run order: a file too large to import, a good one, one whose output
// name is taken by a folder (the create is refused), a good one, one whose
// output name is taken by a file that is no message (the save is refused),
// and a good one.
TEST_F(FailurePathsTest, RefusedFilesAreCountedAndTheOthersConverted) {
    E2E_REQUIRE_CORPUS();
    const std::wstring root = FreshWorkFolder(L"failure-paths");
    const std::wstring mixed = Join(root, L"Mixed");
    const std::wstring out = Join(root, L"Out");
    const std::wstring outMixed = Join(out, L"Mixed");
    ASSERT_TRUE(MakeFolders(mixed));
    ASSERT_TRUE(MakeFolders(outMixed));
    const auto corpus = CorpusMessages(3);
    ASSERT_EQ(corpus.size(), 3u);
    const std::wstring good[] = {Join(mixed, L"good1.eml"), Join(mixed, L"good2.eml"), Join(mixed, L"good3.eml")};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(CopyFileW(corpus[i].c_str(), good[i].c_str(), FALSE));
    }
    const std::wstring oversized = Join(mixed, L"oversized.eml");
    ASSERT_TRUE(MakeOversizedSource(oversized));
    const std::wstring folderTaken = Join(mixed, L"folder-taken.eml");
    const std::wstring fileTaken = Join(mixed, L"file-taken.eml");
    ASSERT_TRUE(CopyFileW(corpus[0].c_str(), folderTaken.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(corpus[1].c_str(), fileTaken.c_str(), FALSE));
    ASSERT_TRUE(MakeFolders(Join(outMixed, L"folder-taken.msg")));
    const std::string notAMessage = "notes the user keeps under this name\r\n";
    ASSERT_TRUE(WriteText(Join(outMixed, L"file-taken.msg"), notAMessage));

    const std::wstring runOrder[] = {oversized, good[0], folderTaken, good[1], fileTaken, good[2]};
    size_t rows = 0;
    for (auto at = std::rbegin(runOrder); at != std::rend(runOrder); ++at) {
        ASSERT_NO_FATAL_FAILURE(AddFileRow(*at, ++rows));
    }
    ASSERT_TRUE(m_app.Browse(out));
    ASSERT_TRUE(PollUntil([&] { return m_app.DestinationText() == out; }));

    ASSERT_TRUE(m_app.Press(ids::kConvert));
    HWND progress = m_app.WaitForProgressWindow();
    ASSERT_NE(progress, nullptr);
    const MessageBoxSeen done = WaitForPartlyFailedMessage(3, 6);
    EXPECT_FALSE(SaveScreenshot(done.window, L"completion-with-failures").empty());
    ASSERT_TRUE(Answer(done, IDOK));
    ASSERT_TRUE(PollUntil([&] { return ItemText(progress, ids::kStop) == kCompletedButton; }));
    CloseProgressWindow(progress);

    for (const auto& name : {L"good1.msg", L"good2.msg", L"good3.msg"}) {
        EXPECT_EQ(CompoundFileDefect(Join(outMixed, name)), "") << name;
    }
    EXPECT_EQ(ReadText(Join(outMixed, L"file-taken.msg")), notAMessage);
    const DWORD folder = GetFileAttributesW(Join(outMixed, L"folder-taken.msg").c_str());
    EXPECT_TRUE(folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(FilesIn(outMixed),
              (std::vector<std::wstring>{Join(outMixed, L"file-taken.msg"), Join(outMixed, L"good1.msg"),
                                         Join(outMixed, L"good2.msg"), Join(outMixed, L"good3.msg")}));
}

// The destination is moved away while a large message is being converted:
// its save fails, the next row makes its folder anew and is converted.
TEST_F(FailurePathsTest, ADestinationRemovedMidRunFailsThatSaveOnly) {
    E2E_REQUIRE_CORPUS();
    const std::wstring root = FreshWorkFolder(L"destination-removed");
    const std::wstring big = Join(root, L"Big");
    const std::wstring after = Join(root, L"After");
    const std::wstring out = Join(root, L"Out");
    const std::wstring moved = Join(root, L"Out-moved");
    for (const auto& folder : {big, after, out}) {
        ASSERT_TRUE(MakeFolders(folder));
    }
    const std::wstring large = Join(big, L"large.eml");
    ASSERT_TRUE(MakeLargeMessage(large, 80));
    const std::wstring later = Join(after, L"later.eml");
    ASSERT_TRUE(CopyFileW(CorpusMessages(1).at(0).c_str(), later.c_str(), FALSE));
    ASSERT_NO_FATAL_FAILURE(AddFileRow(later, 1));
    ASSERT_NO_FATAL_FAILURE(AddFileRow(large, 2));
    ASSERT_TRUE(m_app.Browse(out));
    ASSERT_TRUE(PollUntil([&] { return m_app.DestinationText() == out; }));

    ASSERT_TRUE(m_app.Press(ids::kConvert));
    HWND progress = m_app.WaitForProgressWindow();
    ASSERT_NE(progress, nullptr);
    // The status shows a file once its message has been created.
    ASSERT_TRUE(PollUntil([&] { return ItemText(progress, ids::kStatus) == large; }, std::chrono::minutes(2)));
    ASSERT_TRUE(MoveFileW(out.c_str(), moved.c_str())) << GetLastError();

    const MessageBoxSeen done = WaitForPartlyFailedMessage(1, 2);
    ASSERT_TRUE(Answer(done, IDOK));
    CloseProgressWindow(progress);

    EXPECT_EQ(FilesIn(Join(moved, L"Big"), L"*.msg"), std::vector<std::wstring>{});
    EXPECT_EQ(CompoundFileDefect(Join(Join(out, L"After"), L"later.msg")), "");
    EXPECT_EQ(FilesIn(Join(out, L"After")), std::vector<std::wstring>{Join(Join(out, L"After"), L"later.msg")});
}

}  // namespace
}  // namespace mailvane::e2e
