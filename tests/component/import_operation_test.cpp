// The message's import operation (slot 133): its type code, unreadable
// sources, the rule that a source is never the message's own file, and
// sources read one after another into the same room.
#include <gtest/gtest.h>

#include <string>

#include "tests/component/session_fixture.h"

namespace mailvane::component_test {
namespace {

using ImportOperation = SessionTest;

TEST_F(ImportOperation, RefusesOtherTypeCodes) {
    const std::wstring source = SimpleSource();
    struct TypeCase {
        const char* name;
        std::function<win32::UniqueVariant()> type;
        HRESULT expected;
        const wchar_t* described;
    };
    const TypeCase cases[] = {
        {"1023", [] { return IntegerVariant(VT_INT, 1023); }, E_INVALIDARG, L"Source type 1023 is not supported"},
        {"0", [] { return IntegerVariant(VT_I4, 0); }, E_INVALIDARG, L"Source type 0"},
        {"text", [] { return TextVariant(L"1024"); }, DISP_E_TYPEMISMATCH, L"must be an integer, not VT_BSTR"},
        {"missing", [] { return MissingVariant(); }, DISP_E_PARAMNOTFOUND, L"source type is missing"},
    };
    for (const TypeCase& c : cases) {
        SCOPED_TRACE(c.name);
        WithSession([&](void* session) {
            win32::ComRef<IUnknown> message;
            ASSERT_EQ(CreateNote(session, Path(L"out.msg"), message), S_OK);
            const win32::UniqueVariant type = c.type();
            EXPECT_FAILURE(ImportFile(message.Get(), source, type.Get()), c.expected, c.described);
            EXPECT_FAILURE(SaveMessage(message.Get()), E_FAIL, L"last import into this message failed");
        });
    }
    EXPECT_EQ(FolderEntries(m_scratch.Path()), std::vector<std::wstring>{L"source.eml"});
}

TEST_F(ImportOperation, AcceptsTypeCodeInOtherIntegerTypes) {
    const std::wstring source = SimpleSource();
    for (const VARTYPE type : {VT_I2, VT_I4, VT_UI4, VT_I8}) {
        SCOPED_TRACE(type);
        WithSession([&](void* session) {
            win32::ComRef<IUnknown> message;
            ASSERT_EQ(CreateNote(session, Path(L"out.msg"), message), S_OK);
            const win32::UniqueVariant code = IntegerVariant(type, kRfc822File);
            EXPECT_EQ(ImportFile(message.Get(), source, code.Get()), S_OK) << LastErrorDescription();
        });
    }
}

TEST_F(ImportOperation, FailsClearlyOnMissingOrUnreadableSources) {
    std::filesystem::create_directories(m_scratch / L"folder.eml");
    struct SourceCase {
        const char* name;
        std::wstring source;
        HRESULT expected;
    };
    const SourceCase cases[] = {
        {"missing file", Path(L"nowhere.eml"), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
        {"missing folder", Path(L"nowhere\\a.eml"), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
        {"a folder", Path(L"folder.eml"), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)},
        {"empty path", L"", E_INVALIDARG},
    };
    for (const SourceCase& c : cases) {
        SCOPED_TRACE(c.name);
        WithSession([&](void* session) {
            win32::ComRef<IUnknown> message;
            ASSERT_EQ(CreateNote(session, Path(L"out.msg"), message), S_OK);
            EXPECT_FAILURE(ImportRfc822(message.Get(), c.source), c.expected,
                           c.source.empty() ? std::wstring(L"path of the source file is empty")
                                            : L"Cannot read the source file \"" + c.source + L"\"");
            EXPECT_FAILURE(SaveMessage(message.Get()), E_FAIL, L"last import into this message failed");
        });
    }
    EXPECT_FALSE(std::filesystem::exists(m_scratch / L"out.msg"));
}

TEST_F(ImportOperation, NeverImportsTheMessagesOwnFile) {
    std::filesystem::create_directories(m_scratch / L"sub");
    const std::wstring backing = SimpleSource(L"LongMessageFileName.eml");
    wchar_t shortName[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameW(backing.c_str(), shortName, MAX_PATH), 0u);
    std::wstring upper = backing;
    for (wchar_t& c : upper) {
        c = static_cast<wchar_t>(towupper(c));
    }
    const std::vector<std::uint8_t> original = ReadBytes(backing);
    struct Spelling {
        const char* name;
        std::wstring source;
    };
    const Spelling spellings[] = {
        {"same spelling", backing},
        {"other case", upper},
        {"short name", shortName},
        {"detour through ..", Path(L"sub\\..\\LongMessageFileName.eml")},
        {"forward slashes", (m_scratch.Path() / L"LongMessageFileName.eml").generic_wstring()},
    };
    for (const Spelling& s : spellings) {
        SCOPED_TRACE(s.name);
        WithSession([&](void* session) {
            win32::ComRef<IUnknown> message;
            ASSERT_EQ(CreateNote(session, backing, message), S_OK);
            EXPECT_FAILURE(ImportRfc822(message.Get(), s.source), E_INVALIDARG, L"saving would destroy the source");
            EXPECT_FAILURE(SaveMessage(message.Get()), E_FAIL, L"last import into this message failed");
        });
        EXPECT_EQ(ReadBytes(backing), original);
    }
    EXPECT_EQ(FolderEntries(m_scratch.Path()), (std::vector<std::wstring>{L"LongMessageFileName.eml", L"sub"}));
}

TEST_F(ImportOperation, AFailedImportForgetsAnEarlierGoodOne) {
    const std::wstring source = SimpleSource();
    WithSession([&](void* session) {
        win32::ComRef<IUnknown> message;
        ASSERT_EQ(CreateNote(session, Path(L"out.msg"), message), S_OK);
        ASSERT_EQ(ImportRfc822(message.Get(), source), S_OK);
        EXPECT_NE(ImportRfc822(message.Get(), Path(L"nowhere.eml")), S_OK);
        EXPECT_FAILURE(SaveMessage(message.Get()), E_FAIL, L"last import into this message failed");
        ASSERT_EQ(ImportRfc822(message.Get(), source), S_OK);
        EXPECT_EQ(SaveMessage(message.Get()), S_OK) << LastErrorDescription();
    });
    EXPECT_EQ(ReadMessageFile(m_scratch / L"out.msg").subject, u"Quarterly figures");
}

// A multipart message with a text part of `padding` bytes and `attachments`
// attachments; without `closed`, its last boundary is missing, so that the
// parts end where the file does.
std::string MixedMessage(const std::string& subject, std::size_t padding, int attachments, bool closed) {
    std::string text = "From: ann@example.com\r\nTo: bob@example.com\r\nSubject: " + subject +
                       "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                       "--b\r\nContent-Type: text/plain\r\n\r\n" +
                       std::string(padding, 'x') + "\r\n";
    for (int i = 0; i < attachments; ++i) {
        text += "--b\r\nContent-Type: application/octet-stream; name=\"part" + std::to_string(i) +
                ".bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\nAAECAwQF\r\n";
    }
    if (closed) text += "--b--\r\n";
    return text;
}

TEST_F(ImportOperation, EachSourceIsReadAloneWhateverCameBefore) {
    // The long source's attachments lie past the end of the short one: read
    // into room that kept the long one's bytes, the short one would gain them.
    WriteText(m_scratch / L"long.eml", MixedMessage("Long", 200000, 3, true));
    WriteText(m_scratch / L"short.eml", MixedMessage("Short", 10, 0, false));
    WithSession([&](void* session) {
        // Twice, so that the short source also follows a long one's second read.
        for (int round = 0; round < 2; ++round) {
            win32::ComRef<IUnknown> longOne;
            ASSERT_EQ(CreateNote(session, Path(L"long.msg"), longOne), S_OK);
            ASSERT_EQ(ImportRfc822(longOne.Get(), Path(L"long.eml")), S_OK);
            ASSERT_EQ(SaveMessage(longOne.Get()), S_OK) << LastErrorDescription();
            // Saved only after the next source was read: still its own.
            win32::ComRef<IUnknown> shortOne;
            ASSERT_EQ(CreateNote(session, Path(L"short.msg"), shortOne), S_OK);
            ASSERT_EQ(ImportRfc822(shortOne.Get(), Path(L"short.eml")), S_OK);
            win32::ComRef<IUnknown> next;
            ASSERT_EQ(CreateNote(session, Path(L"other.msg"), next), S_OK);
            ASSERT_EQ(ImportRfc822(next.Get(), Path(L"long.eml")), S_OK);
            ASSERT_EQ(SaveMessage(shortOne.Get()), S_OK) << LastErrorDescription();

            const MessageFileReading shortRead = ReadMessageFile(m_scratch / L"short.msg");
            EXPECT_EQ(shortRead.subject, u"Short");
            EXPECT_EQ(shortRead.attachments, 0u);
            const MessageFileReading longRead = ReadMessageFile(m_scratch / L"long.msg");
            EXPECT_EQ(longRead.subject, u"Long");
            EXPECT_EQ(longRead.attachments, 3u);
            std::filesystem::remove(m_scratch / L"short.msg");
            std::filesystem::remove(m_scratch / L"long.msg");
        }
    });
}

// A source larger than the room a session keeps is handed to its message,
// which reads its body from it again when it is saved: sources read in
// between leave it whole.
TEST_F(ImportOperation, ALargeSourceIsKeptByItsMessageUntilSaved) {
    const std::string line = "Caf\xC3\xA9 line of a large body\r\n";
    std::string large =
        "From: ann@example.com\r\nSubject: Large\r\nContent-Type: text/plain; charset=utf-8\r\n"
        "Content-Transfer-Encoding: 8bit\r\n\r\n";
    std::size_t lines = 0;
    for (; lines * line.size() < (std::size_t{6} << 20); ++lines) large += line;
    WriteText(m_scratch / L"large.eml", large);
    const std::wstring small = SimpleSource();
    WithSession([&](void* session) {
        win32::ComRef<IUnknown> message;
        ASSERT_EQ(CreateNote(session, Path(L"large.msg"), message), S_OK);
        ASSERT_EQ(ImportRfc822(message.Get(), Path(L"large.eml")), S_OK) << LastErrorDescription();
        for (int i = 0; i < 2; ++i) {
            win32::ComRef<IUnknown> other;
            ASSERT_EQ(CreateNote(session, Path(L"small.msg"), other), S_OK);
            ASSERT_EQ(ImportRfc822(other.Get(), small), S_OK);
        }
        ASSERT_EQ(SaveMessage(message.Get()), S_OK) << LastErrorDescription();
    });
    const MessageFileReading reading = ReadMessageFile(m_scratch / L"large.msg");
    ASSERT_TRUE(reading.error.empty()) << reading.error;
    EXPECT_TRUE(reading.problems.empty());
    ASSERT_TRUE(reading.body.has_value());
    const std::u16string expectedLine = u"Caf\u00E9 line of a large body\r\n";
    ASSERT_EQ(reading.body->size(), lines * expectedLine.size());
    for (std::size_t i = 0; i < lines; i += lines / 7) {
        ASSERT_EQ(reading.body->substr(i * expectedLine.size(), expectedLine.size()), expectedLine) << "line " << i;
    }
}

}  // namespace
}  // namespace mailvane::component_test
