#include "filing/outlook_data_file_signature.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/scratch_folder.h"

namespace mailvane::filing {

using testing::ScratchFolder;
namespace {

// What stands at a store's name decides whether --overwrite may replace
// it: only a file that starts with the whole magic, however short the rest.
TEST(OutlookDataFileSignature, OnlyAFileThatStartsWithTheMagicIsAStore) {
    ScratchFolder folder("pst-signature");
    const std::pair<std::string, bool> cases[] = {
        {"!BDN", true},
        {std::string("!BDN\x00\x00\x00\x00SM", 10), true},
        {"!BD", false},
        {"", false},
        {"!BDM....", false},
        {"!bdn....", false},
        {" !BDN", false},
        {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", false},  // a message file
        {"From someone@example.com\n", false},
    };
    int number = 0;
    for (const auto& [content, isStore] : cases) {
        const auto path = folder / ("file" + std::to_string(++number) + ".pst");
        ScratchFolder::Write(path, content);
        EXPECT_EQ(IsOutlookDataFile(path), isStore) << number;
        EXPECT_EQ(HasOutlookDataFileSignature(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()),
                  isStore)
            << number;
    }
    EXPECT_FALSE(IsOutlookDataFile(folder / "missing.pst"));
    std::filesystem::create_directory(folder / "folder.pst");
    EXPECT_FALSE(IsOutlookDataFile(folder / "folder.pst"));
}

}  // namespace
}  // namespace mailvane::filing
