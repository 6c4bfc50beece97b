#include "filing/folder_name.h"

#include <gtest/gtest.h>

#include <string>

namespace mailvane::filing {
namespace {

// The rule as the program's folder rows take it, on any platform.
TEST(FolderName, TheTextAfterTheLastSeparator) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"C:\\Mail\\Inbox", u"Inbox"},
        {u"C:\\Mail", u"Mail"},
        {u"C:\\", u""},
        {u"", u""},
        {u"Inbox", u""},
        {u"\\\\server\\share", u"share"},
        {u"C:\\Mail\\Inbox\\", u""},
        {u"C:\\Post\u00e4nge\\Entw\u00fcrfe", u"Entw\u00fcrfe"},
    };
    for (const auto& [path, name] : cases) EXPECT_EQ(FolderNameOf(std::u16string_view(path), u'\\'), name);
}

// A folder typed on a command line is brought to the picker's form first.
TEST(FolderName, TheLastComponentAsThePickerGivesIt) {
    EXPECT_EQ(FolderNameOf("/mail/Inbox"), "Inbox");
    EXPECT_EQ(FolderNameOf("/mail/Inbox/"), "Inbox");
    EXPECT_EQ(FolderNameOf("/mail/Inbox/old.eml/.."), "Inbox");
    EXPECT_EQ(FolderNameOf("Inbox"), "Inbox");
    EXPECT_EQ(FolderNameOf("."), std::filesystem::current_path().filename());
    EXPECT_EQ(FolderNameOf(std::filesystem::current_path().root_path()), "");
}

}  // namespace
}  // namespace mailvane::filing
