// The session's create operation (slot 37): its arguments and the checks it
// makes on the path, each failure with its HRESULT and description.
#include <gtest/gtest.h>

#include "tests/component/session_fixture.h"

namespace mailvane::component_test {
namespace {

using CreateOperation = SessionTest;

TEST_F(CreateOperation, AcceptsFormatNineInEveryIntegerType) {
    for (const VARTYPE type : {VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4, VT_INT, VT_UINT, VT_I8, VT_UI8}) {
        SCOPED_TRACE(type);
        WithSession([&](void* session) {
            const win32::UniqueVariant messageClass = TextVariant(L"IPM.Note");
            const win32::UniqueVariant format = IntegerVariant(type, kUnicodeMessageFile);
            win32::ComRef<IUnknown> message;
            EXPECT_EQ(CreateMessage(session, Path(L"a.msg"), messageClass.Get(), format.Get(), message), S_OK);
            EXPECT_TRUE(message);
        });
    }
    EXPECT_TRUE(FolderEntries(m_scratch.Path()).empty()) << "create writes nothing";
}

struct RefusedArguments {
    const char* name;
    std::function<win32::UniqueVariant()> messageClass;
    std::function<win32::UniqueVariant()> format;
    HRESULT expected;
    const wchar_t* described;  // a part of the description
};

TEST_F(CreateOperation, RefusesWrongFormatsAndClassTypes) {
    const RefusedArguments cases[] = {
        {"format 3", [] { return TextVariant(L"IPM.Note"); }, [] { return IntegerVariant(VT_INT, 3); }, E_INVALIDARG,
         L"File format 3 is not supported"},
        {"format 0", [] { return TextVariant(L"IPM.Note"); }, [] { return IntegerVariant(VT_I4, 0); }, E_INVALIDARG,
         L"File format 0 is not supported"},
        {"format -9", [] { return TextVariant(L"IPM.Note"); }, [] { return IntegerVariant(VT_I2, -9); }, E_INVALIDARG,
         L"File format -9"},
        {"format as text", [] { return TextVariant(L"IPM.Note"); }, [] { return TextVariant(L"9"); },
         DISP_E_TYPEMISMATCH, L"must be an integer, not VT_BSTR"},
        {"format as double", [] { return TextVariant(L"IPM.Note"); }, [] { return RealVariant(9.0); },
         DISP_E_TYPEMISMATCH, L"not VT_R8"},
        {"format missing", [] { return TextVariant(L"IPM.Note"); }, [] { return MissingVariant(); },
         DISP_E_PARAMNOTFOUND, L"file format is missing"},
        {"class as double", [] { return RealVariant(1.0); }, [] { return IntegerVariant(VT_INT, 9); },
         DISP_E_TYPEMISMATCH, L"message class must be text (VT_BSTR), not VT_R8"},
        {"class as integer", [] { return IntegerVariant(VT_I4, 1); }, [] { return IntegerVariant(VT_INT, 9); },
         DISP_E_TYPEMISMATCH, L"not VT_I4"},
    };
    for (const RefusedArguments& c : cases) {
        SCOPED_TRACE(c.name);
        WithSession([&](void* session) {
            const win32::UniqueVariant messageClass = c.messageClass();
            const win32::UniqueVariant format = c.format();
            win32::ComRef<IUnknown> message;
            EXPECT_EQ(CreateMessage(session, Path(L"a.msg"), messageClass.Get(), format.Get(), message), c.expected);
            EXPECT_FALSE(message);
            const std::wstring description = LastErrorDescription();
            EXPECT_NE(description.find(c.described), std::wstring::npos) << description;
        });
    }
    EXPECT_TRUE(FolderEntries(m_scratch.Path()).empty());
}

TEST_F(CreateOperation, MissingOrEmptyClassMeansNote) {
    struct ClassCase {
        const char* name;
        std::function<win32::UniqueVariant()> messageClass;
        std::u16string expected;
    };
    const ClassCase cases[] = {
        {"empty variant", [] { return win32::UniqueVariant(); }, u"IPM.Note"},
        {"missing argument", [] { return MissingVariant(); }, u"IPM.Note"},
        {"empty text", [] { return TextVariant(L""); }, u"IPM.Note"},
        {"own class", [] { return TextVariant(L"IPM.Note.Mailvane"); }, u"IPM.Note.Mailvane"},
    };
    int number = 0;
    for (const ClassCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring output = Path(L"class" + std::to_wstring(++number) + L".msg");
        WithSession([&](void* session) {
            const win32::UniqueVariant messageClass = c.messageClass();
            const win32::UniqueVariant format = IntegerVariant(VT_INT, kUnicodeMessageFile);
            win32::ComRef<IUnknown> message;
            ASSERT_EQ(CreateMessage(session, output, messageClass.Get(), format.Get(), message), S_OK);
            ASSERT_EQ(ImportRfc822(message.Get(), SimpleSource()), S_OK) << LastErrorDescription();
            ASSERT_EQ(SaveMessage(message.Get()), S_OK) << LastErrorDescription();
        });
        const MessageFileReading reading = ReadMessageFile(output);
        ASSERT_EQ(reading.error, "");
        EXPECT_EQ(reading.messageClass, c.expected);
    }
}

TEST_F(CreateOperation, RefusesUnusablePaths) {
    WriteText(m_scratch / L"plain.txt", "not a folder");
    std::filesystem::create_directories(m_scratch / L"folder.msg");
    struct PathCase {
        const char* name;
        std::wstring path;
        HRESULT expected;
        const wchar_t* described;
    };
    const PathCase cases[] = {
        {"empty path", L"", E_INVALIDARG, L"path of the message file is empty"},
        {"missing folder", Path(L"missing\\deeper\\a.msg"), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND),
         L"cannot be used"},
        // Wine lets a program write into a folder marked read-only, so the
        // unwritable place tested is a "folder" that is really a file.
        {"parent is a file", Path(L"plain.txt\\a.msg"), HRESULT_FROM_WIN32(ERROR_DIRECTORY),
         L"is a file, not a folder"},
        {"path ends in a separator", Path(L"folder.msg\\"), E_INVALIDARG, L"does not name a file"},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.name);
        WithSession([&](void* session) {
            win32::ComRef<IUnknown> message;
            EXPECT_EQ(CreateNote(session, c.path, message), c.expected);
            EXPECT_FALSE(message);
            const std::wstring description = LastErrorDescription();
            EXPECT_NE(description.find(c.described), std::wstring::npos) << description;
        });
    }
    EXPECT_FALSE(std::filesystem::exists(m_scratch / L"missing"));
    EXPECT_EQ(ReadBytes(m_scratch / L"plain.txt").size(), 12u);
}

TEST_F(CreateOperation, SuccessClearsEarlierErrorInformation) {
    WithSession([&](void* session) {
        win32::ComRef<IUnknown> message;
        ASSERT_NE(CreateNote(session, L"", message), S_OK);
        ASSERT_FALSE(LastErrorDescription().empty());
        ASSERT_NE(CreateNote(session, L"", message), S_OK);
        ASSERT_EQ(CreateNote(session, Path(L"a.msg"), message), S_OK);
        EXPECT_EQ(LastErrorDescription(), L"");
    });
}

}  // namespace
}  // namespace mailvane::component_test
