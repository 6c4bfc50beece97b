#include "framework/file_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mailvane::framework {

namespace {

std::vector<std::wstring> Walk(CFileDialog& dialog, std::vector<std::wstring>* folders = nullptr) {
    std::vector<std::wstring> paths;
    POSITION position = dialog.GetStartPosition();
    while (position) {
        if (folders) folders->push_back(dialog.GetFolderPath().GetString());
        paths.push_back(dialog.GetNextPathName(position).GetString());
    }
    return paths;
}

void Fill(CFileDialog& dialog, std::vector<wchar_t>& buffer, const std::wstring& layout) {
    std::fill(buffer.begin(), buffer.end(), L'\0');
    std::copy(layout.begin(), layout.end(), buffer.begin());
    dialog.m_ofn.lpstrFile = buffer.data();
    dialog.m_ofn.nMaxFile = static_cast<DWORD>(buffer.size());
}

TEST(CFileDialogSelection, WalksAFolderFollowedBySeveralNames) {
    CFileDialog dialog(TRUE, L"eml", nullptr, OFN_ALLOWMULTISELECT, L"EML Files (*.eml)|*.eml|All Files (*.*)|*.*||");
    std::vector<wchar_t> buffer(8192);
    Fill(dialog, buffer, std::wstring(L"C:\\Mail\0a.eml\0b.eml\0c.eml\0", 27));
    std::vector<std::wstring> folders;
    EXPECT_EQ(Walk(dialog, &folders),
              (std::vector<std::wstring>{L"C:\\Mail\\a.eml", L"C:\\Mail\\b.eml", L"C:\\Mail\\c.eml"}));
    EXPECT_EQ(folders, (std::vector<std::wstring>(3, L"C:\\Mail")));
}

TEST(CFileDialogSelection, WalksASingleFullPath) {
    CFileDialog dialog(TRUE, L"eml", nullptr, OFN_ALLOWMULTISELECT);
    std::vector<wchar_t> buffer(8192);
    Fill(dialog, buffer, L"C:\\Mail\\Inbox\\a.eml");
    std::vector<std::wstring> folders;
    EXPECT_EQ(Walk(dialog, &folders), (std::vector<std::wstring>{L"C:\\Mail\\Inbox\\a.eml"}));
    EXPECT_EQ(folders, (std::vector<std::wstring>{L"C:\\Mail\\Inbox"}));
}

TEST(CFileDialogSelection, KeepsTheRootSeparatorOfADrive) {
    CFileDialog dialog(TRUE, L"eml", nullptr, OFN_ALLOWMULTISELECT);
    std::vector<wchar_t> buffer(8192);
    Fill(dialog, buffer, std::wstring(L"C:\\\0a.eml\0b.eml\0", 16));
    EXPECT_EQ(Walk(dialog), (std::vector<std::wstring>{L"C:\\a.eml", L"C:\\b.eml"}));
    Fill(dialog, buffer, L"C:\\a.eml");
    EXPECT_EQ(dialog.GetFolderPath(), CString(L"C:\\"));
}

TEST(CFileDialogSelection, AnEmptyBufferHasNoStartAndAFullOneStopsAtItsEnd) {
    CFileDialog dialog(TRUE);
    std::vector<wchar_t> buffer(8192);
    Fill(dialog, buffer, L"");
    EXPECT_EQ(dialog.GetStartPosition(), nullptr);

    // No terminating zeros inside the capacity: the walk must not read past it.
    std::vector<wchar_t> tight = {L'C', L':', L'\\', L'M', L'\0', L'a', L'.', L'e', L'm', L'l'};
    dialog.m_ofn.lpstrFile = tight.data();
    dialog.m_ofn.nMaxFile = static_cast<DWORD>(tight.size());
    EXPECT_EQ(Walk(dialog), (std::vector<std::wstring>{L"C:\\M\\a.eml"}));
}

}  // namespace

}  // namespace mailvane::framework
