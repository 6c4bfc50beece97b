// What a named output that is not a plain file of its own becomes on
// Windows: the NUL device and a named pipe are written through and no file
// is made; a folder or a file that is no message is left as it is;
// paths beyond MAX_PATH work as inputs and outputs.
#include <gtest/gtest.h>

#include <windows.h>

#include <future>
#include <string>

#include "eml2msg/file_conversion.h"
#include "eml2msg/program.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::cli {

using testing::ScratchFolder;
namespace {

using Status = ConversionOutcome::Status;

constexpr char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// What a conversion writes carries the time of the run: equal sizes and the
// compound file signature tell the message file.
bool IsMessageLike(const std::string& text, const std::string& plain) {
    return text.size() == plain.size() && text.compare(0, 8, kSignature) == 0;
}

// The whole file, opened by a "\\?\" path so that any length works.
std::string ReadLong(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    CloseHandle(file);
    return text;
}

bool WriteLong(const std::wstring& path, std::string_view text) {
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
    CloseHandle(file);
    return ok;
}

class Win32Outputs : public ::testing::Test {
protected:
    Win32Outputs() {
        ScratchFolder::Write(m_folder / "in.eml", "From: a@b.c\r\nSubject: hi\r\n\r\nbody\r\n");
        EXPECT_EQ(ConvertFile(m_folder / "in.eml", m_folder / "plain.msg", ExistingOutput::Skip).status,
                  Status::Converted);
        m_plain = ScratchFolder::Read(m_folder / "plain.msg");
    }
    ScratchFolder m_folder{"win32-outputs"};
    std::string m_plain;
};

TEST_F(Win32Outputs, TheNulDeviceIsWrittenThroughAndNoFileIsMade) {
    // A relative NUL resolves against the current folder: nothing may appear there.
    wchar_t before[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, before), 0u);
    ASSERT_NE(SetCurrentDirectoryW(m_folder.Path().c_str()), 0);
    for (const wchar_t* name : {L"NUL", L"nul", L"\\\\.\\NUL"}) {
        const ConversionOutcome outcome = ConvertFile(m_folder / "in.eml", name, ExistingOutput::ReplaceMessageFile);
        EXPECT_EQ(outcome.status, Status::Converted) << Utf8(name) << ": " << outcome.reason;
    }
    SetCurrentDirectoryW(before);
    EXPECT_EQ(ScratchFolder::Entries(m_folder.Path()), 2u);
    // The same name inside a folder path is a file like any other; read and
    // removed here by "\\?\" paths, as the plain calls take it for the device.
    EXPECT_EQ(ConvertFile(m_folder / "in.eml", m_folder / "nul.msg", ExistingOutput::Skip).status, Status::Converted);
    const std::wstring file = L"\\\\?\\" + (m_folder / "nul.msg").wstring();
    EXPECT_TRUE(IsMessageLike(ReadLong(file), m_plain));
    EXPECT_TRUE(DeleteFileW(file.c_str()));
}

TEST_F(Win32Outputs, ANamedPipeIsWrittenThrough) {
    const std::wstring name = L"\\\\.\\pipe\\mailvane-outputs-" + std::to_wstring(GetCurrentProcessId());
    const HANDLE pipe = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                                         PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 1 << 16, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // Listening before the conversion opens the pipe: a writer that came and
    // went before the server listened would leave nothing to read.
    OVERLAPPED connection{};
    connection.hEvent = event;
    const bool connected = ConnectNamedPipe(pipe, &connection) || GetLastError() == ERROR_PIPE_CONNECTED;
    ASSERT_TRUE(connected || GetLastError() == ERROR_IO_PENDING) << GetLastError();
    auto reader = std::async(std::launch::async, [pipe, &connection, connected] {
        std::string text;
        DWORD read = 0;
        if (!connected && !GetOverlappedResult(pipe, &connection, &read, TRUE)) return text;
        char buffer[65536];
        for (;;) {
            OVERLAPPED piece{};
            piece.hEvent = connection.hEvent;
            if (!ReadFile(pipe, buffer, sizeof buffer, nullptr, &piece) && GetLastError() != ERROR_IO_PENDING) break;
            if (!GetOverlappedResult(pipe, &piece, &read, TRUE) || read == 0) break;
            text.append(buffer, read);
        }
        return text;
    });
    const ConversionOutcome outcome = ConvertFile(m_folder / "in.eml", name, ExistingOutput::ReplaceMessageFile);
    if (outcome.status != Status::Converted) {
        // Unblocks the reader, which would otherwise wait for a writer forever.
        const HANDLE unblock =
            CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (unblock != INVALID_HANDLE_VALUE) CloseHandle(unblock);
    }
    const std::string read = reader.get();
    CloseHandle(event);
    CloseHandle(pipe);
    EXPECT_EQ(outcome.status, Status::Converted) << outcome.reason;
    EXPECT_TRUE(IsMessageLike(read, m_plain)) << read.size() << " bytes came through";
}

TEST_F(Win32Outputs, AFolderOrAFileThatIsNoMessageIsLeftAsItIs) {
    std::filesystem::create_directory(m_folder / "folder.msg");
    ScratchFolder::Write(m_folder / "folder.msg" / "inside", "kept");
    ScratchFolder::Write(m_folder / "notes.msg", "precious notes");
    for (const ExistingOutput existing : {ExistingOutput::Skip, ExistingOutput::ReplaceMessageFile}) {
        EXPECT_NE(ConvertFile(m_folder / "in.eml", m_folder / "folder.msg", existing).status, Status::Converted);
        EXPECT_NE(ConvertFile(m_folder / "in.eml", m_folder / "notes.msg", existing).status, Status::Converted);
    }
    EXPECT_EQ(ScratchFolder::Read(m_folder / "folder.msg" / "inside"), "kept");
    EXPECT_EQ(ScratchFolder::Read(m_folder / "notes.msg"), "precious notes");
    // The same from the command line, a read-only file included: failed, said why, nothing left behind.
    SetFileAttributesW((m_folder / "notes.msg").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(RunProgram({Utf8(m_folder / "in.eml"), Utf8(m_folder / "notes.msg")}), kSomeFailed);
    EXPECT_EQ(RunProgram({Utf8(m_folder / "in.eml"), Utf8(m_folder / "folder.msg")}), kSomeFailed);
    SetFileAttributesW((m_folder / "notes.msg").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ScratchFolder::Read(m_folder / "notes.msg"), "precious notes");
    EXPECT_EQ(ScratchFolder::Entries(m_folder.Path()), 4u);
}

TEST_F(Win32Outputs, PathsBeyondMaxPathAreInputsAndOutputs) {
    // Made through "\\?\" paths: the plain Win32 calls stop at MAX_PATH.
    std::wstring folder = L"\\\\?\\" + m_folder.Path().wstring();
    for (int level = 0; level < 4; ++level) {
        folder += L"\\" + std::wstring(80, static_cast<wchar_t>(L'a' + level));
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << GetLastError();
    }
    ASSERT_TRUE(WriteLong(folder + L"\\in.eml", ScratchFolder::Read(m_folder / "in.eml")));
    const std::filesystem::path plain(folder.substr(4));
    ASSERT_GT(plain.native().size(), 340u);

    // Given as a user writes them: no "\\?\", and one with "/" and "..".
    const ConversionOutcome outcome = ConvertFile(plain / "in.eml", plain / "out.msg", ExistingOutput::Skip);
    EXPECT_EQ(outcome.status, Status::Converted) << outcome.reason;
    EXPECT_TRUE(IsMessageLike(ReadLong(folder + L"\\out.msg"), m_plain));
    const std::filesystem::path spelled =
        plain.generic_wstring() + L"/../" + plain.filename().wstring() + L"/again.msg";
    EXPECT_EQ(ConvertFile(plain / "in.eml", spelled, ExistingOutput::Skip).status, Status::Converted);
    EXPECT_TRUE(IsMessageLike(ReadLong(folder + L"\\again.msg"), m_plain));

    // A batch into a folder there, from the command line.
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\batch").c_str(), nullptr));
    EXPECT_EQ(RunProgram({"-d", Utf8(plain / "batch"), Utf8(plain / "in.eml")}), kAllConverted);
    EXPECT_TRUE(IsMessageLike(ReadLong(folder + L"\\batch\\in.msg"), m_plain));
    // Removed here by "\\?\" paths, which the scratch folder's removal does not use.
    for (const wchar_t* name : {L"\\batch\\in.msg", L"\\in.eml", L"\\out.msg", L"\\again.msg"}) {
        EXPECT_TRUE(DeleteFileW((folder + name).c_str())) << GetLastError();
    }
    EXPECT_TRUE(RemoveDirectoryW((folder + L"\\batch").c_str()));
    for (int level = 0; level < 4; ++level) {
        EXPECT_TRUE(RemoveDirectoryW(folder.c_str())) << GetLastError();
        folder.erase(folder.rfind(L'\\'));
    }
}

}  // namespace
}  // namespace mailvane::cli
