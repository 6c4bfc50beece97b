#include "tests/component/corpus_conversion.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/component/component_client.h"
#include "tests/component/stack_offset_call.h"

namespace mailvane::component_test {

std::wstring OutputName(std::wstring name) {
    for (std::size_t at = name.find(L".eml"); at != std::wstring::npos; at = name.find(L".eml", at + 4)) {
        name.replace(at, 4, L".msg");
    }
    return name;
}

void ConvertThroughSlots(const std::filesystem::path& corpus, const std::vector<std::string>& files,
                         const std::filesystem::path& folder, unsigned stackOffset) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);

    RunInApartment([&] {
        const ScopedCallStackOffset offset(stackOffset);
        win32::ComRef<IUnknown> session;
        ASSERT_EQ(CreateSession(session), S_OK);
        for (const std::string& relative : files) {
            SCOPED_TRACE(relative);
            const std::filesystem::path source = corpus / std::filesystem::path(relative).make_preferred();
            const std::filesystem::path output = folder / OutputName(source.filename().wstring());
            const std::vector<std::uint8_t> before = ReadBytes(source);

            win32::ComRef<IUnknown> message;
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
    EXPECT_EQ(FolderEntries(folder), expected);
}

}  // namespace mailvane::component_test
