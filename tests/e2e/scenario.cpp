#include "scenario.h"

#include <algorithm>
#include <fstream>

#include "driver/component_registration.h"
#include "driver/test_paths.h"
#include "driver/window_probe.h"
#include "win32/unique_handle.h"

namespace mailvane::e2e {

namespace {

// Corpus messages whose subjects are well-formed, so that the read-back can
// compare them with what a mail library decodes; a fixed list keeps every
// run converting the same content.
const wchar_t* const kComparableMessages[] = {
    L"cpython-01-msg-01.eml",
    L"cpython-47-msg-46-rfc822-iso-8859-15.eml",
    L"enmime-53-unk-encoding-part-att-archive.eml",
    L"inetsim-11-spam-m9-html.eml",
    L"mimeexplode-23-russian-att-text-koi8-r.eml",
    L"notmuch-list-04-28-2.eml",
    L"sa-easyham-26-easyham.eml",
    L"tb-ext-04-sample01.eml",
    L"tb-mailnews-65-iso-2022-jp-not-qp-iso-2022-jp.eml",
    L"tb-msgwindow-04-test-alt-plain-html-reversed-alt.eml",
};

}  // namespace

void ScenarioTest::SetUp() {
    static const bool registered = RegisterComponent(ComponentPath());
    ASSERT_TRUE(registered) << "regsvr32 could not register the build's component";
    ASSERT_TRUE(m_app.Start()) << "Mailvane.exe did not show its main window";
}

std::vector<std::wstring> ScenarioTest::CorpusMessages(size_t count) {
    std::vector<std::wstring> chosen;
    const std::wstring folder = CorpusFolder() + L"\\eml";
    for (const wchar_t* name : kComparableMessages) {
        if (chosen.size() < count) {
            chosen.push_back(Join(folder, name));
        }
    }
    for (const auto& path : FilesIn(folder, L"*.eml")) {
        if (chosen.size() >= count) {
            break;
        }
        if (std::find(chosen.begin(), chosen.end(), path) == chosen.end()) {
            chosen.push_back(path);
        }
    }
    return chosen;
}

std::vector<std::wstring> ScenarioTest::CopyAll(const std::vector<std::wstring>& sources, const std::wstring& folder) {
    std::vector<std::wstring> copies;
    for (const auto& source : sources) {
        std::wstring copy;
        EXPECT_TRUE(CopyInto(source, folder, &copy)) << source;
        copies.push_back(copy);
    }
    return copies;
}

std::vector<std::wstring> ScenarioTest::FilesIn(const std::wstring& folder, const std::wstring& pattern) {
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW entry;
    const win32::UniqueFindHandle find(FindFirstFileW(Join(folder, pattern).c_str(), &entry));
    if (!find) {
        return files;
    }
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            files.push_back(Join(folder, entry.cFileName));
        }
    } while (FindNextFileW(find.Get(), &entry));
    std::sort(files.begin(), files.end());
    return files;
}

void ScenarioTest::WriteManifest(const std::wstring& folder,
                                 const std::vector<std::pair<std::wstring, std::wstring>>& pairs) {
    std::ofstream manifest(Join(folder, L"converted.tsv").c_str(), std::ios::binary | std::ios::trunc);
    for (const auto& [converted, source] : pairs) {
        manifest << UnixPathOf(converted) << '\t' << UnixPathOf(source) << '\n';
    }
}

MessageBoxSeen ScenarioTest::ExpectCompletionMessage() {
    MessageBoxSeen box = WaitForMessageBox(m_app.Id());
    EXPECT_TRUE(box) << "no completion message";
    EXPECT_EQ(box.caption, kRunCaption);
    EXPECT_EQ(box.text, kCompletedText);
    return box;
}

void ScenarioTest::CloseProgressWindow(HWND progress) {
    ASSERT_TRUE(Click(progress, ids::kStop));
    ASSERT_TRUE(WaitUntilGone(progress));
}

}  // namespace mailvane::e2e
