// The atomic file and the sweep on Windows: the temporary is held, to no
// one else, from its creation until it has its name, and the sweep removes
// only what no one holds and what is empty or starts as a message file,
// whichever front end left it.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "filing/atomic_file.h"
#include "filing/temporary_name.h"
#include "filing/temporary_sweep.h"
#include "tests/support/file_times_win32.h"
#include "tests/support/scratch_folder.h"
#include "win32/unique_handle.h"

namespace mailvane::filing {

using testing::ScratchFolder;
namespace {

const std::string kCompoundHead("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

// No process has this id: Windows gives ids in steps of four, and never one this high.
constexpr unsigned long kEndedProcess = 4294967292ul;

class Win32AtomicFile : public ::testing::Test {
protected:
    Win32AtomicFile() : m_plain(kCompoundHead + std::string(504, '\0')) {}
    bool WritePlain(AtomicFile& file) {
        return file.Write(reinterpret_cast<const std::uint8_t*>(m_plain.data()), m_plain.size());
    }
    ScratchFolder m_folder{"win32-atomic"};
    std::string m_plain;
};

TEST_F(Win32AtomicFile, AFolderThatTakesTheNameMeanwhileIsKept) {
    for (const auto existing :
         {AtomicFile::ExistingTarget::Keep, AtomicFile::ExistingTarget::Replace, AtomicFile::ExistingTarget::Absent}) {
        const auto target = m_folder / "late.msg";
        {
            AtomicFile sink(target, existing);
            ASSERT_TRUE(sink.IsOpen()) << sink.Error();
            ASSERT_TRUE(sink.Write(reinterpret_cast<const std::uint8_t*>(m_plain.data()), m_plain.size()));
            std::filesystem::create_directory(target);
            ScratchFolder::Write(target / "inside", "kept");
            EXPECT_FALSE(sink.Commit());
        }
        EXPECT_EQ(ScratchFolder::Read(target / "inside"), "kept");
        EXPECT_EQ(ScratchFolder::Entries(m_folder.Path()), 1u) << "a temporary file was left";
        std::filesystem::remove_all(target);
    }
}

// eml2msg.exe closed its temporary and moved it by name, and another
// program could open, move or remove it between the two; now no one can,
// in either front end, until it has its name.
TEST_F(Win32AtomicFile, NoOneElseCanTakeTheTemporaryBeforeItHasItsName) {
    ScratchFolder::Write(m_folder / "old.msg", kCompoundHead);
    for (const auto existing : {AtomicFile::ExistingTarget::Absent, AtomicFile::ExistingTarget::Replace}) {
        const auto target = m_folder / (existing == AtomicFile::ExistingTarget::Absent ? "new.msg" : "old.msg");
        AtomicFile file(target, existing);
        ASSERT_TRUE(file.IsOpen()) << file.Error();
        ASSERT_TRUE(WritePlain(file));
        ASSERT_TRUE(file.Finish()) << file.Error();
        const std::wstring temporary = file.TemporaryPath().wstring();
        ASSERT_FALSE(temporary.empty());
        const win32::UniqueFileHandle reader(CreateFileW(temporary.c_str(), GENERIC_READ,
                                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_FALSE(reader.IsValid());
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_FALSE(DeleteFileW(temporary.c_str()));
        EXPECT_FALSE(MoveFileExW(temporary.c_str(), (m_folder / "stolen.msg").c_str(), 0));
        // The sweep of another run passes it over as well.
        SweepLeftoverTemporaries(m_folder.Path());
        ASSERT_TRUE(file.Commit()) << file.Error();
        EXPECT_EQ(ScratchFolder::Read(target), m_plain);
        EXPECT_FALSE(std::filesystem::exists(temporary));
        EXPECT_FALSE(std::filesystem::exists(m_folder / "stolen.msg"));
    }
    EXPECT_EQ(ScratchFolder::Entries(m_folder.Path()), 2u);
}

TEST_F(Win32AtomicFile, ATemporaryNotMovedIsRemovedWithItsHandle) {
    std::wstring temporary;
    {
        AtomicFile file(m_folder / "out.msg", AtomicFile::ExistingTarget::Absent);
        ASSERT_TRUE(file.IsOpen()) << file.Error();
        ASSERT_TRUE(WritePlain(file));
        temporary = file.TemporaryPath().wstring();
        EXPECT_TRUE(std::filesystem::exists(temporary));
        EXPECT_EQ(file.TemporaryPath().filename().wstring().rfind(
                      L".out.msg." + std::to_wstring(GetCurrentProcessId()) + L"-", 0),
                  0u);
    }
    EXPECT_FALSE(std::filesystem::exists(temporary));
    EXPECT_EQ(ScratchFolder::Entries(m_folder.Path()), 0u);
}

using testing::MakeQuietFor;

// The id of a process that runs beside this one (Wine's own services, say).
unsigned long AnotherRunningProcess() {
    const win32::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (bool more = snapshot && Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID != GetCurrentProcessId() && entry.th32ProcessID != 0) return entry.th32ProcessID;
    }
    ADD_FAILURE() << "no other process runs";
    return 0;
}

std::string Narrow(const std::u16string& name) { return std::string(name.begin(), name.end()); }

TEST(Win32TemporarySweep, RemovesOnlyUnheldLeftoversThatAreEmptyOrMessageFiles) {
    const ScratchFolder folder("win32-sweep");
    const std::string partial = kCompoundHead + std::string(504, '\0');
    using std::chrono::minutes;
    using std::chrono::seconds;
    const unsigned long self = GetCurrentProcessId();
    struct Case {
        std::string name;
        std::string content;
        std::chrono::seconds quiet;
        bool removed;
    };
    const std::vector<Case> cases = {
        // Of a run that ended, either front end's: both name them so.
        {Narrow(TemporaryNameFor(u"killed.msg", kEndedProcess, 0)), "", minutes(2), true},
        {Narrow(TemporaryNameFor(u"mid-write.msg", kEndedProcess, 1)), partial, minutes(2), true},
        {Narrow(TemporaryNameFor(u"report.json", kEndedProcess, 2)), "{", minutes(2), false},
        // Just written, but open nowhere: no writer, here or on another machine, has it.
        {Narrow(TemporaryNameFor(u"just written.msg", kEndedProcess, 3)), "", seconds(5), true},
        // This process's id, but open nowhere: this process holds all its own,
        // so an earlier process had the id (a new Wine server gives ids again).
        {Narrow(TemporaryNameFor(u"same id.msg", self, 0)), "", seconds(0), true},
        // Of another process that runs: only once a day old.
        {Narrow(TemporaryNameFor(u"running.msg", AnotherRunningProcess(), 0)), "", minutes(2), false},
        // The component's earlier saves: whatever their age, as no process is named.
        {"~out.msg.tmp0123ABCD", "", seconds(0), true},
        {"~out.msg.tmp89abcdef", partial, seconds(0), true},
        {"~out.msg.tmp01234567", "user", seconds(0), false},
        {"~out.msg.tmp0123ABC", "", minutes(2), false},
        {"mine.msg", "", kQuietForAnyLeftover + minutes(1), false},
    };
    for (const Case& c : cases) {
        ScratchFolder::Write(folder / c.name, c.content);
        MakeQuietFor(folder / c.name, c.quiet);
    }
    // Held open by another writer: left, even old and empty.
    const std::string held = Narrow(TemporaryNameFor(u"held.msg", kEndedProcess, 4));
    ScratchFolder::Write(folder / held, "");
    MakeQuietFor(folder / held, minutes(2));
    const win32::UniqueFileHandle holder(CreateFileW((folder / held).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.IsValid());
    // A folder of that form is never removed.
    const std::string inFolder = Narrow(TemporaryNameFor(u"folder", kEndedProcess, 5));
    std::filesystem::create_directory(folder / inFolder);
    SweepLeftoverTemporaries(folder.Path());
    for (const Case& c : cases) EXPECT_EQ(!std::filesystem::exists(folder / c.name), c.removed) << c.name;
    EXPECT_TRUE(std::filesystem::exists(folder / held));
    EXPECT_TRUE(std::filesystem::is_directory(folder / inFolder));
    // A folder that cannot be read is passed over.
    SweepLeftoverTemporaries(folder / "missing");
}

}  // namespace
}  // namespace mailvane::filing
