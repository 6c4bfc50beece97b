// The progress line and the messages of a run as a person at a Windows
// console sees them: written by the console code into a screen buffer of a
// console of the test's own, and read back from the buffer's cells.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "eml2msg/console.h"
#include "eml2msg/program.h"
#include "eml2msg/progress_line.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::cli {

using testing::ScratchFolder;
namespace {

using namespace std::chrono_literals;

std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

std::string Utf8(const std::wstring& text) { return Utf8(std::filesystem::path(text)); }

std::wstring TrimRight(std::wstring text) {
    text.erase(text.find_last_not_of(L' ') + 1);
    return text;
}

class ConsoleScreen : public ::testing::Test {
protected:
    void SetUp() override {
        for (const DWORD which : kStandard) m_saved.push_back(GetStdHandle(which));
        FreeConsole();
        m_ownConsole = AllocConsole() != 0;
        if (!m_ownConsole) GTEST_SKIP() << "no console could be made (error " << GetLastError() << ")";
        for (const DWORD which : kStandard) m_given.push_back(GetStdHandle(which));
        m_screen = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             CONSOLE_TEXTMODE_BUFFER, nullptr);
        DWORD mode = 0;
        if (m_screen == INVALID_HANDLE_VALUE || GetConsoleMode(m_screen, &mode) == 0) {
            // Wine's console host hands out handles that answer nothing when it has no display to run on.
            GTEST_SKIP() << "the console has no screen buffer (under Wine, set DISPLAY to an X server)";
        }
        CONSOLE_SCREEN_BUFFER_INFO info{};
        ASSERT_NE(GetConsoleScreenBufferInfo(m_screen, &info), 0);
        m_width = info.dwSize.X;
        SetStdHandle(STD_ERROR_HANDLE, m_screen);
        SetStdHandle(STD_OUTPUT_HANDLE, m_pipe.write);
    }
    void TearDown() override {
        if (m_screen != INVALID_HANDLE_VALUE) CloseHandle(m_screen);
        if (m_ownConsole) {
            // FreeConsole closes whatever the standard handles are then, as the ones AllocConsole
            // set up: it gets those back, and the test's own (GoogleTest writes on) are restored after.
            for (std::size_t i = 0; i < m_given.size(); ++i) SetStdHandle(kStandard[i], m_given[i]);
            FreeConsole();
        }
        for (std::size_t i = 0; i < m_saved.size(); ++i) SetStdHandle(kStandard[i], m_saved[i]);
    }

    // The rows from the top down to the cursor's, blanks at their ends removed.
    std::vector<std::wstring> Rows() const {
        std::vector<std::wstring> rows;
        for (SHORT y = 0; y <= Cursor().Y; ++y) {
            std::wstring row(static_cast<std::size_t>(m_width), L' ');
            DWORD read = 0;
            EXPECT_NE(ReadConsoleOutputCharacterW(m_screen, row.data(), m_width, COORD{0, y}, &read), 0);
            row.resize(read);
            rows.push_back(TrimRight(row));
        }
        return rows;
    }
    // Everything on the screen as one text, rows joined as a long line wraps them.
    std::wstring Screen() const {
        std::wstring all;
        for (const std::wstring& row : Rows())
            all += row + std::wstring(static_cast<std::size_t>(m_width) - row.size(), L' ');
        return TrimRight(all);
    }
    COORD Cursor() const {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        EXPECT_NE(GetConsoleScreenBufferInfo(m_screen, &info), 0);
        return info.dwCursorPosition;
    }

    // A pipe nobody reads, in place of the standard output (as when it is redirected).
    struct Pipe {
        Pipe() { CreatePipe(&read, &write, nullptr, 1 << 16); }
        ~Pipe() {
            CloseHandle(read);
            CloseHandle(write);
        }
        HANDLE read = nullptr;
        HANDLE write = nullptr;
    } m_pipe;
    static constexpr DWORD kStandard[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    std::vector<HANDLE> m_saved;
    std::vector<HANDLE> m_given;
    bool m_ownConsole = false;
    HANDLE m_screen = INVALID_HANDLE_VALUE;
    SHORT m_width = 0;
    ScratchFolder m_folder{"console"};
};

TEST_F(ConsoleScreen, ItIsATerminalAndAPipeIsNot) {
    EXPECT_TRUE(IsTerminal(Stream::Error));
    EXPECT_FALSE(IsTerminal(Stream::Output));
    SetStdHandle(STD_OUTPUT_HANDLE, m_screen);
    SetStdHandle(STD_ERROR_HANDLE, m_pipe.write);
    EXPECT_TRUE(IsTerminal(Stream::Output));
    EXPECT_FALSE(IsTerminal(Stream::Error));
}

TEST_F(ConsoleScreen, TheProgressLineIsRedrawnInPlaceAndErased) {
    const auto start = ProgressLine::Clock::now();
    ProgressLine line(start);
    WriteText(Stream::Error, *line.Update(1234, 12, 0.5, start + 2s));
    EXPECT_EQ(Rows(), std::vector<std::wstring>{L"1234 done, 12 failed, 617/s, 0:02 left"});

    // Shorter than the line before: what is left of that one is blanked.
    WriteText(Stream::Error, *line.Update(1300, 13, std::nullopt, start + 4s));
    EXPECT_EQ(Rows(), std::vector<std::wstring>{L"1300 done, 13 failed, 325/s"});

    WriteText(Stream::Error, line.Erase());
    EXPECT_EQ(Rows(), std::vector<std::wstring>{L""});
    EXPECT_EQ(Cursor().X, 0);
}

TEST_F(ConsoleScreen, TextReachesTheConsoleAsUnicode) {
    WriteText(Stream::Error, "na\xC3\xAFve \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\xA7\n");
    const std::vector<std::wstring> rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], L"na\u00EFve \u2013 \u65E5\u672C \U0001F4E7");
    EXPECT_EQ(Cursor().X, 0);
}

TEST_F(ConsoleScreen, ARunLeavesItsFailuresAndSummaryAndNoProgress) {
    ScratchFolder::Write(m_folder / "first.eml", "From: a@b.c\r\nSubject: one\r\n\r\nbody\r\n");
    ScratchFolder::Write(m_folder / "second.eml", "From: a@b.c\r\nSubject: two\r\n\r\nbody\r\n");
    std::filesystem::create_directory(m_folder / "out");
    const int code = RunProgram({"-d", Utf8(m_folder / "out"), Utf8(m_folder / "first.eml"),
                                 Utf8(m_folder / L"caf\u00E9-missing.eml"), Utf8(m_folder / "second.eml")});
    EXPECT_EQ(code, kSomeFailed);
    EXPECT_TRUE(std::filesystem::exists(m_folder / "out" / "second.msg"));

    const std::wstring screen = Screen();
    EXPECT_EQ(screen.rfind(L"eml2msg: ", 0), 0u) << "the failure starts the screen";
    EXPECT_NE(screen.find(L"caf\u00E9-missing.eml: "), std::wstring::npos) << Utf8(screen);
    EXPECT_EQ(screen.find(L" done, "), std::wstring::npos) << "a progress line was left standing";
    const std::vector<std::wstring> rows = Rows();
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[rows.size() - 2].rfind(L"eml2msg: 3 inputs: 2 converted, 0 skipped, 1 failed in ", 0), 0u);
    EXPECT_EQ(rows.back(), L"");
}

TEST_F(ConsoleScreen, NothingOfTheProgressLineGoesToAFile) {
    const auto log = m_folder / "errors.txt";
    const HANDLE file = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetStdHandle(STD_ERROR_HANDLE, file);
    // The standard output at the console does not make the error stream one.
    SetStdHandle(STD_OUTPUT_HANDLE, m_screen);
    for (const char* name : {"a.eml", "b.eml", "c.eml"}) {
        ScratchFolder::Write(m_folder / name, "From: a@b.c\r\nSubject: x\r\n\r\nbody\r\n");
    }
    const int code = RunProgram(
        {"-d", Utf8(m_folder.Path()), Utf8(m_folder / "a.eml"), Utf8(m_folder / "b.eml"), Utf8(m_folder / "c.eml")});
    CloseHandle(file);
    EXPECT_EQ(code, kAllConverted);

    const std::string written = ScratchFolder::Read(log);
    EXPECT_EQ(written.find('\r'), std::string::npos) << written;
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 1) << written;
    EXPECT_EQ(written.rfind("eml2msg: 3 inputs: 3 converted, 0 skipped, 0 failed in ", 0), 0u) << written;
    EXPECT_EQ(Screen(), L"");
}

}  // namespace
}  // namespace mailvane::cli
