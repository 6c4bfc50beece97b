#include "mainwindow/folder_name.h"

#include <gtest/gtest.h>

namespace mailvane::mainwindow {

using framework::CString;

namespace {

TEST(FolderNameOf, TakesTheLastComponentWithoutSeparators) {
    const struct {
        const wchar_t* path;
        const wchar_t* name;
    } cases[] = {
        {L"C:\\Mail\\Inbox", L"Inbox"},
        {L"C:\\Mail", L"Mail"},
        {L"C:\\", L""},
        {L"", L""},
        {L"Inbox", L""},
        {L"\\\\server\\share", L"share"},
        {L"C:\\Mail\\Inbox\\", L""},
        {L"C:\\Post\u00e4nge\\Entw\u00fcrfe", L"Entw\u00fcrfe"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FolderNameOf(c.path), CString(c.name)) << c.path;
    }
}

}  // namespace

}  // namespace mailvane::mainwindow
