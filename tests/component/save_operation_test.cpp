// The message's save operation (slot 13): what it may replace, the numbered
// names within one session, the empty message, and what is left on disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "tests/component/session_fixture.h"
#include "tests/support/file_times_win32.h"
#include "win32/unique_handle.h"

namespace mailvane::component_test {
namespace {

using SaveOperation = SessionTest;

const std::vector<std::uint8_t> kCompoundHead = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// Creates, imports and saves one message in `session`.
HRESULT Convert(void* session, const std::wstring& source, const std::wstring& output) {
    win32::ComRef<IUnknown> message;
    HRESULT hr = CreateNote(session, output, message);
    if (SUCCEEDED(hr)) {
        hr = ImportRfc822(message.Get(), source);
    }
    if (SUCCEEDED(hr)) {
        hr = SaveMessage(message.Get());
    }
    return hr;
}

TEST_F(SaveOperation, WritesTheImportedMessage) {
    const std::wstring source = SimpleSource();
    WithSession([&](void* session) { EXPECT_EQ(Convert(session, source, Path(L"out.msg")), S_OK); });
    const MessageFileReading reading = ReadMessageFile(m_scratch / L"out.msg");
    ASSERT_EQ(reading.error, "");
    EXPECT_TRUE(reading.problems.empty());
    EXPECT_EQ(reading.messageClass, u"IPM.Note");
    EXPECT_EQ(reading.subject, u"Quarterly figures");
    EXPECT_EQ(FolderEntries(m_scratch.Path()), (std::vector<std::wstring>{L"out.msg", L"source.eml"}));
}

// The state a mail's header fields record reaches the saved file: a draft
// is saved unsent, an unread mail unread, and a mail without state fields
// as a received one that was read.
TEST_F(SaveOperation, KeepsTheStateTheHeadersRecord) {
    constexpr std::int32_t mfRead = 0x1, mfUnmodified = 0x2, mfUnsent = 0x8;
    struct StateCase {
        const wchar_t* name;
        std::string fields;
        std::int32_t flags;
    };
    const StateCase cases[] = {
        {L"draft", "X-Unsent: 1\r\n", mfRead | mfUnsent},
        {L"unread", "Status: O\r\n", mfUnmodified},
        {L"received", "", mfRead | mfUnmodified},
    };
    for (const StateCase& c : cases) {
        SCOPED_TRACE(std::string(c.fields));
        const std::wstring name(c.name);
        WriteText(m_scratch / (name + L".eml"), c.fields + kSimpleMessage);
        WithSession([&](void* session) {
            EXPECT_EQ(Convert(session, Path(name + L".eml"), Path(name + L".msg")), S_OK) << LastErrorDescription();
        });
        const MessageFileReading reading = ReadMessageFile(m_scratch / (name + L".msg"));
        ASSERT_EQ(reading.error, "");
        EXPECT_TRUE(reading.problems.empty());
        EXPECT_EQ(reading.messageFlags, c.flags);
    }
}

// A folder row of the program can lie deeper than the 260 characters of a
// plain Windows path; the source is read and the message saved there all the same.
TEST_F(SaveOperation, ReadsAndWritesPastThePlainPathLimit) {
    std::wstring deep = m_scratch.Path().wstring();
    while (deep.size() < 300) deep += L"\\a-folder-name-of-forty-characters-here";
    ASSERT_TRUE(std::filesystem::create_directories(L"\\\\?\\" + deep));
    ASSERT_TRUE(CopyFileW(SimpleSource().c_str(), (L"\\\\?\\" + deep + L"\\source.eml").c_str(), TRUE));
    WithSession([&](void* session) {
        EXPECT_EQ(Convert(session, deep + L"\\source.eml", deep + L"\\out.msg"), S_OK) << LastErrorDescription();
    });
    const MessageFileReading reading = ReadMessageFile(L"\\\\?\\" + deep + L"\\out.msg");
    ASSERT_EQ(reading.error, "");
    EXPECT_EQ(reading.subject, u"Quarterly figures");
}

TEST_F(SaveOperation, WithoutImportWritesAnEmptyMessageOfTheClass) {
    WithSession([&](void* session) {
        const win32::UniqueVariant messageClass = TextVariant(L"IPM.Note.Draft");
        const win32::UniqueVariant format = IntegerVariant(VT_INT, kUnicodeMessageFile);
        win32::ComRef<IUnknown> message;
        ASSERT_EQ(CreateMessage(session, Path(L"empty.msg"), messageClass.Get(), format.Get(), message), S_OK);
        EXPECT_EQ(SaveMessage(message.Get()), S_OK) << LastErrorDescription();
    });
    const MessageFileReading reading = ReadMessageFile(m_scratch / L"empty.msg");
    ASSERT_EQ(reading.error, "");
    EXPECT_EQ(reading.messageClass, u"IPM.Note.Draft");
    EXPECT_FALSE(reading.subject.has_value());
}

TEST_F(SaveOperation, ReleaseWithoutSaveLeavesNothing) {
    const std::wstring source = SimpleSource();
    WithSession([&](void* session) {
        win32::ComRef<IUnknown> imported;
        ASSERT_EQ(CreateNote(session, Path(L"imported.msg"), imported), S_OK);
        ASSERT_EQ(ImportRfc822(imported.Get(), source), S_OK);
        win32::ComRef<IUnknown> untouched;
        ASSERT_EQ(CreateNote(session, Path(L"untouched.msg"), untouched), S_OK);
    });
    EXPECT_EQ(FolderEntries(m_scratch.Path()), std::vector<std::wstring>{L"source.eml"});
}

TEST_F(SaveOperation, LeavesAnExistingFileThatIsNoMessageUntouched) {
    const std::wstring source = SimpleSource();
    const std::vector<std::string> foreign = {"plain text the user wrote", "", std::string("\xD0\xCF\x11\xE0", 4)};
    for (const std::string& content : foreign) {
        SCOPED_TRACE(content.size());
        WriteText(m_scratch / L"out.msg", content);
        WithSession([&](void* session) {
            win32::ComRef<IUnknown> message;
            ASSERT_EQ(CreateNote(session, Path(L"out.msg"), message), S_OK);
            ASSERT_EQ(ImportRfc822(message.Get(), source), S_OK);
            EXPECT_FAILURE(SaveMessage(message.Get()), HRESULT_FROM_WIN32(ERROR_FILE_EXISTS), L"is not a message file");
        });
        EXPECT_EQ(ReadBytes(m_scratch / L"out.msg"), std::vector<std::uint8_t>(content.begin(), content.end()));
        EXPECT_EQ(FolderEntries(m_scratch.Path()), (std::vector<std::wstring>{L"out.msg", L"source.eml"}));
    }
}

// More recipients and attachments than a message file holds: the file is
// still written, with the first 2048 of each, and the save succeeds.
TEST_F(SaveOperation, WritesWhatFitsOfAMessagePastTheFileBounds) {
    std::string eml = "From: a@example.org\r\nTo: ";
    for (int i = 0; i < 2100; ++i) eml += (i == 0 ? "" : ",\r\n ") + ("r" + std::to_string(i)) + "@example.org";
    eml += "\r\nSubject: many\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n";
    for (int i = 0; i < 2050; ++i) {
        eml += "--b\r\nContent-Type: application/octet-stream; name=\"f" + std::to_string(i) + ".bin\"\r\n\r\nx\r\n";
    }
    eml += "--b--\r\n";
    WriteText(m_scratch / L"many.eml", eml);
    WithSession([&](void* session) {
        EXPECT_EQ(Convert(session, Path(L"many.eml"), Path(L"many.msg")), S_OK) << LastErrorDescription();
    });
    const MessageFileReading reading = ReadMessageFile(m_scratch / L"many.msg");
    ASSERT_EQ(reading.error, "");
    EXPECT_TRUE(reading.problems.empty());
    EXPECT_EQ(reading.recipients, 2048u);
    EXPECT_EQ(reading.attachments, 2048u);
    ASSERT_TRUE(reading.displayTo.has_value());
    EXPECT_TRUE(reading.displayTo->ends_with(u"; r2099@example.org"));
}

TEST_F(SaveOperation, ReplacesTheMessageFileOfAnEarlierRun) {
    const std::wstring source = SimpleSource();
    std::vector<std::uint8_t> earlier = kCompoundHead;
    earlier.resize(4096, 0xAB);
    WriteBytes(m_scratch / L"out.msg", earlier);
    WithSession([&](void* session) { EXPECT_EQ(Convert(session, source, Path(L"out.msg")), S_OK); });
    EXPECT_EQ(ReadMessageFile(m_scratch / L"out.msg").subject, u"Quarterly figures");
    EXPECT_EQ(FolderEntries(m_scratch.Path()), (std::vector<std::wstring>{L"out.msg", L"source.eml"}));
}

TEST_F(SaveOperation, OneSessionNeverOverwritesWhatItSaved) {
    WriteText(m_scratch / L"first.eml", kSimpleMessage);
    std::string second = kSimpleMessage;
    second.replace(second.find("Quarterly figures"), 17, "Second message");
    WriteText(m_scratch / L"second.eml", second);
    std::filesystem::create_directories(m_scratch / L"out");
    const std::wstring output = Path(L"out\\same.msg");

    WithSession([&](void* session) {
        EXPECT_EQ(Convert(session, Path(L"first.eml"), output), S_OK);
        EXPECT_EQ(Convert(session, Path(L"second.eml"), output), S_OK);
        // Another spelling of the same path is the same file.
        EXPECT_EQ(Convert(session, Path(L"first.eml"), Path(L"out\\..\\out\\same.msg")), S_OK);
        // One message saved twice is two saves as well.
        win32::ComRef<IUnknown> message;
        ASSERT_EQ(CreateNote(session, output, message), S_OK);
        ASSERT_EQ(ImportRfc822(message.Get(), Path(L"second.eml")), S_OK);
        EXPECT_EQ(SaveMessage(message.Get()), S_OK);
        EXPECT_EQ(SaveMessage(message.Get()), S_OK);
    });
    const std::filesystem::path out = m_scratch / L"out";
    EXPECT_EQ(FolderEntries(out), (std::vector<std::wstring>{L"same (2).msg", L"same (3).msg", L"same (4).msg",
                                                             L"same (5).msg", L"same.msg"}));
    EXPECT_EQ(ReadMessageFile(out / L"same.msg").subject, u"Quarterly figures");
    EXPECT_EQ(ReadMessageFile(out / L"same (2).msg").subject, u"Second message");
    EXPECT_EQ(ReadMessageFile(out / L"same (3).msg").subject, u"Quarterly figures");
    EXPECT_EQ(ReadMessageFile(out / L"same (5).msg").subject, u"Second message");

    // A new session is a new run: it replaces the earlier run's files.
    WithSession([&](void* session) {
        EXPECT_EQ(Convert(session, Path(L"second.eml"), output), S_OK);
        EXPECT_EQ(Convert(session, Path(L"first.eml"), output), S_OK);
    });
    EXPECT_EQ(FolderEntries(out).size(), 5u);
    EXPECT_EQ(ReadMessageFile(out / L"same.msg").subject, u"Second message");
    EXPECT_EQ(ReadMessageFile(out / L"same (2).msg").subject, u"Quarterly figures");
}

// Names are one name whatever their case, as on Windows, also where the
// folder's own file system tells case apart (Linux under Wine): a file there
// before the session, and one the session saved.
TEST_F(SaveOperation, NamesDifferingOnlyInCaseAreTheSameName) {
    const std::wstring source = SimpleSource();
    std::filesystem::create_directories(m_scratch / L"out");
    std::vector<std::uint8_t> earlier = kCompoundHead;
    earlier.resize(4096, 0xAB);
    WriteBytes(m_scratch / L"out" / L"Earlier.msg", earlier);
    WriteText(m_scratch / L"out" / L"Foreign.msg", "plain text the user wrote");

    WithSession([&](void* session) {
        EXPECT_EQ(Convert(session, source, Path(L"out\\EARLIER.msg")), S_OK);
        EXPECT_FAILURE(Convert(session, source, Path(L"out\\foreign.MSG")), HRESULT_FROM_WIN32(ERROR_FILE_EXISTS),
                       L"is not a message file");
        EXPECT_EQ(Convert(session, source, Path(L"out\\Same.msg")), S_OK);
        EXPECT_EQ(Convert(session, source, Path(L"out\\sAME.msg")), S_OK);
        // The folder spelt in another case is the same folder.
        EXPECT_EQ(Convert(session, source, Path(L"OUT\\same.msg")), S_OK);
    });
    const std::filesystem::path out = m_scratch / L"out";
    EXPECT_EQ(FolderEntries(out), (std::vector<std::wstring>{L"Earlier.msg", L"Foreign.msg", L"Same.msg",
                                                             L"sAME (2).msg", L"same (3).msg"}));
    EXPECT_EQ(ReadMessageFile(out / L"Earlier.msg").subject, u"Quarterly figures");
    EXPECT_EQ(ReadBytes(out / L"Foreign.msg").size(), 25u);
}

// A folder is never replaced: at the name itself, or at the numbered name
// that a file the session saved sends the next save to.
TEST_F(SaveOperation, RefusesAFolderAtTheNameOrAtItsNextNumber) {
    const std::wstring source = SimpleSource();
    std::filesystem::create_directories(m_scratch / L"taken.msg");
    std::filesystem::create_directories(m_scratch / L"same (2).msg");
    WithSession([&](void* session) {
        EXPECT_FAILURE(Convert(session, source, Path(L"taken.msg")), HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS),
                       L"a folder has that name");
        EXPECT_EQ(Convert(session, source, Path(L"same.msg")), S_OK);
        EXPECT_FAILURE(Convert(session, source, Path(L"same.msg")), HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS),
                       L"same (2).msg\": a folder has that name");
    });
    EXPECT_TRUE(std::filesystem::is_directory(m_scratch / L"taken.msg"));
    EXPECT_TRUE(std::filesystem::is_directory(m_scratch / L"same (2).msg"));
    EXPECT_EQ(FolderEntries(m_scratch.Path()),
              (std::vector<std::wstring>{L"same (2).msg", L"same.msg", L"source.eml", L"taken.msg"}));
}

TEST_F(SaveOperation, NumbersNamesWithoutExtensionsToo) {
    const std::wstring source = SimpleSource();
    WithSession([&](void* session) {
        EXPECT_EQ(Convert(session, source, Path(L"B.EML")), S_OK);
        EXPECT_EQ(Convert(session, source, Path(L"plain")), S_OK);
        EXPECT_EQ(Convert(session, source, Path(L"plain")), S_OK);
        EXPECT_EQ(Convert(session, source, Path(L"notes.msg.msg")), S_OK);
        EXPECT_EQ(Convert(session, source, Path(L"notes.msg.msg")), S_OK);
    });
    EXPECT_EQ(FolderEntries(m_scratch.Path()),
              (std::vector<std::wstring>{L"B.EML", L"notes.msg (2).msg", L"notes.msg.msg", L"plain", L"plain (2)",
                                         L"source.eml"}));
}

TEST_F(SaveOperation, FailsWhenTheFolderIsGoneAndLeavesNoTemporary) {
    const std::wstring source = SimpleSource();
    std::filesystem::create_directories(m_scratch / L"gone");
    WithSession([&](void* session) {
        win32::ComRef<IUnknown> message;
        ASSERT_EQ(CreateNote(session, Path(L"gone\\out.msg"), message), S_OK);
        ASSERT_EQ(ImportRfc822(message.Get(), source), S_OK);
        std::filesystem::remove(m_scratch / L"gone");
        EXPECT_FAILURE(SaveMessage(message.Get()), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), L"Cannot save to");
        // A folder in the way of the file itself.
        std::filesystem::create_directories(m_scratch / L"gone" / L"out.msg");
        EXPECT_EQ(SaveMessage(message.Get()), HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS));
    });
    EXPECT_EQ(FolderEntries(m_scratch / L"gone"), std::vector<std::wstring>{L"out.msg"});
    EXPECT_TRUE(std::filesystem::is_directory(m_scratch / L"gone" / L"out.msg"));
}

using testing::MakeQuietFor;

// No process has this id: Windows gives ids in steps of four, and never one this high.
constexpr unsigned long kEndedProcess = 4294967292ul;

// The temporary either front end names for `name` in process `process`.
std::wstring TemporaryOf(const std::wstring& name, unsigned long process, unsigned serial) {
    return L"." + name + L"." + std::to_wstring(process) + L"-" + std::to_wstring(serial) + L".tmp";
}

TEST_F(SaveOperation, RemovesOnlyAbandonedTemporariesOfEitherFrontEnd) {
    const std::wstring source = SimpleSource();
    std::vector<std::uint8_t> partial = kCompoundHead;
    partial.resize(512, 0);
    struct Leftover {
        std::wstring name;
        std::vector<std::uint8_t> content;
        std::chrono::seconds quiet;
        bool removed;
    };
    using std::chrono::minutes;
    using std::chrono::seconds;
    const std::vector<Leftover> leftovers = {
        // The component's earlier pattern, which names no process.
        {L"~out.msg.tmp0123ABCD", {}, seconds(0), true},                     // killed before the first byte
        {L"~out.msg.tmp89abcdef", partial, seconds(0), true},                // killed mid-write
        {L"~out.msg.tmp01234567", {'u', 's', 'e', 'r'}, seconds(0), false},  // not a message file's start
        {L"~out.msg.tmp0123ABC", {}, seconds(0), false},                     // not our name: seven digits
        {L"~out.msg.tmp0123ABCG", {}, seconds(0), false},                    // not our name: no hex digit
        {L"~other.msg.tmp0123ABCD", {}, seconds(0), true},                   // another target's: the folder is swept
        // The pattern both front ends share: a save or an eml2msg run that ended.
        {TemporaryOf(L"out.msg", kEndedProcess, 0), {}, minutes(2), true},
        {TemporaryOf(L"eml2msg.msg", kEndedProcess, 1), partial, minutes(2), true},
        {TemporaryOf(L"report.json", kEndedProcess, 2), {'{'}, minutes(2), false},  // no message file
        {TemporaryOf(L"fresh.msg", kEndedProcess, 3), {}, seconds(5), true},        // just written, but open nowhere
        // This process's id, open nowhere: an earlier process's of that id.
        {TemporaryOf(L"same id.msg", GetCurrentProcessId(), 4), {}, seconds(0), true},
    };
    for (const Leftover& leftover : leftovers) {
        WriteBytes(m_scratch / leftover.name, leftover.content);
        MakeQuietFor(m_scratch / leftover.name, leftover.quiet);
    }
    WithSession([&](void* session) { EXPECT_EQ(Convert(session, source, Path(L"out.msg")), S_OK); });
    std::vector<std::wstring> expected = {L"out.msg", L"source.eml"};
    for (const Leftover& leftover : leftovers) {
        if (!leftover.removed) {
            expected.push_back(leftover.name);
        }
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(m_scratch.Path()), expected);
}

TEST_F(SaveOperation, NumberedNameNeverLandsOnTheSource) {
    // The session already saved out.msg; the next free name would be
    // "out (2).msg", which is this message's own source (and even starts
    // like a message file).
    const std::wstring first = SimpleSource();
    std::vector<std::uint8_t> source = kCompoundHead;
    const std::string text = kSimpleMessage;
    source.insert(source.end(), text.begin(), text.end());
    WriteBytes(m_scratch / L"out (2).msg", source);
    WithSession([&](void* session) {
        ASSERT_EQ(Convert(session, first, Path(L"out.msg")), S_OK);
        win32::ComRef<IUnknown> message;
        ASSERT_EQ(CreateNote(session, Path(L"out.msg"), message), S_OK);
        ASSERT_EQ(ImportRfc822(message.Get(), Path(L"out (2).msg")), S_OK);
        EXPECT_FAILURE(SaveMessage(message.Get()), HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER),
                       L"it is the source file");
    });
    EXPECT_EQ(ReadBytes(m_scratch / L"out (2).msg"), source);
    EXPECT_EQ(FolderEntries(m_scratch.Path()), (std::vector<std::wstring>{L"out (2).msg", L"out.msg", L"source.eml"}));
}

TEST_F(SaveOperation, AFolderIsSweptOnceAtTheSessionsFirstSaveIntoIt) {
    // The folder is listed once, at the first save: the leftover of b.msg
    // found then goes at once, and one that appears later stays, also when
    // b.msg is saved.
    const std::wstring source = SimpleSource();
    WriteBytes(m_scratch / L"~b.msg.tmp0000BEEF", kCompoundHead);
    WithSession([&](void* session) {
        ASSERT_EQ(Convert(session, source, Path(L"a.msg")), S_OK);
        EXPECT_FALSE(std::filesystem::exists(m_scratch / L"~b.msg.tmp0000BEEF"));
        WriteBytes(m_scratch / L"~b.msg.tmp0000CAFE", kCompoundHead);
        ASSERT_EQ(Convert(session, source, Path(L"b.msg")), S_OK);
    });
    EXPECT_EQ(FolderEntries(m_scratch.Path()),
              (std::vector<std::wstring>{L"a.msg", L"b.msg", L"source.eml", L"~b.msg.tmp0000CAFE"}));
}

TEST_F(SaveOperation, NeverReplacesTheSourceThroughALinkInAnotherFolder) {
    // The message file is another name of the source, in another folder: the
    // import cannot tell from the folders, and the save refuses the name.
    const std::wstring source = SimpleSource();
    std::filesystem::create_directories(m_scratch / L"out");
    ASSERT_TRUE(CreateHardLinkW(Path(L"out\\linked.msg").c_str(), source.c_str(), nullptr));
    const std::vector<std::uint8_t> original = ReadBytes(source);
    WithSession([&](void* session) {
        win32::ComRef<IUnknown> message;
        ASSERT_EQ(CreateNote(session, Path(L"out\\linked.msg"), message), S_OK);
        ASSERT_EQ(ImportRfc822(message.Get(), source), S_OK);
        EXPECT_FAILURE(SaveMessage(message.Get()), HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER),
                       L"it is the source file");
    });
    EXPECT_EQ(ReadBytes(source), original);
    EXPECT_EQ(ReadBytes(m_scratch / L"out" / L"linked.msg"), original);
    EXPECT_EQ(FolderEntries(m_scratch / L"out"), std::vector<std::wstring>{L"linked.msg"});
}

}  // namespace
}  // namespace mailvane::component_test
