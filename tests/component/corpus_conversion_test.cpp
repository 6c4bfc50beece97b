// Converts the core corpus the way the program does, through the raw table
// slots of a session made from the ProgID, into a known folder that the
// native checks read afterwards.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/component/component_client.h"

namespace mailvane::component_test {
namespace {

std::filesystem::path OutputFolder() { return HostPath(MAILVANE_BINARY_DIR) / "component-outputs"; }

// The program's own naming: every ".eml" in the name becomes ".msg".
std::wstring OutputName(std::wstring name) {
    for (std::size_t at = name.find(L".eml"); at != std::wstring::npos; at = name.find(L".eml", at + 4)) {
        name.replace(at, 4, L".msg");
    }
    return name;
}

class CorpusConversion : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(RunRegsvr32(false), 0u); }
};

TEST_F(CorpusConversion, CoreMessagesConvertThroughRawSlots) {
    const auto corpus = CorpusFolder();
    if (!corpus) {
        GTEST_SKIP() << "no corpus: MAILVANE_CORPUS does not name a folder with CORE.txt";
    }
    const std::vector<std::string> files = CoreCorpusFiles(*corpus);
    ASSERT_FALSE(files.empty());
    std::filesystem::remove_all(OutputFolder());
    std::filesystem::create_directories(OutputFolder());

    RunInApartment([&] {
        ComRef<IUnknown> session;
        ASSERT_EQ(CreateSession(session), S_OK);
        for (const std::string& relative : files) {
            SCOPED_TRACE(relative);
            const std::filesystem::path source = *corpus / std::filesystem::path(relative).make_preferred();
            const std::filesystem::path output = OutputFolder() / OutputName(source.filename().wstring());
            const std::vector<std::uint8_t> before = ReadBytes(source);

            ComRef<IUnknown> message;
            ASSERT_EQ(CreateNote(session.Get(), output.wstring(), message), S_OK) << LastErrorDescription();
            ASSERT_TRUE(message);
            EXPECT_FALSE(std::filesystem::exists(output)) << "create must write nothing";
            ASSERT_EQ(ImportRfc822(message.Get(), source.wstring()), S_OK) << LastErrorDescription();
            ASSERT_EQ(SaveMessage(message.Get()), S_OK) << LastErrorDescription();
            message.Reset();

            EXPECT_EQ(ReadBytes(source), before) << "the source must stay as it was";
            const MessageFileReading reading = ReadMessageFile(output);
            ASSERT_EQ(reading.error, "");
            EXPECT_TRUE(reading.problems.empty()) << reading.problems.front();
            ASSERT_TRUE(reading.messageClass.has_value());
            // A mail is a note; an invitation is the meeting message its METHOD names ([MS-OXCICAL] 2.1.3.1.1.1).
            const std::u16string& messageClass = *reading.messageClass;
            EXPECT_TRUE(messageClass.rfind(u"IPM.Note", 0) == 0 ||
                        messageClass.rfind(u"IPM.Schedule.Meeting.", 0) == 0 || messageClass == u"IPM.Appointment")
                << std::string(messageClass.begin(), messageClass.end());
        }
    });

    // Every source gave exactly one message file and nothing else was left.
    std::vector<std::wstring> expected;
    for (const std::string& relative : files) {
        expected.push_back(OutputName(std::filesystem::path(relative).filename().wstring()));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(OutputFolder()), expected);
}

}  // namespace
}  // namespace mailvane::component_test
