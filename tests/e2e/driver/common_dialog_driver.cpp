#include "common_dialog_driver.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>

#include "polling.h"
#include "remote_block.h"
#include "test_paths.h"
#include "win32/unique_handle.h"
#include "window_probe.h"

namespace mailvane::e2e {

namespace {

constexpr int kClassicNameCombo = 0x47C;
constexpr int kItemDialogNameEdit = 0x480;
constexpr int kPickerTree = 0x3741;
constexpr int kPickerEdit = 0x3745;

struct DescendantSearch {
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchDescendant(HWND child, LPARAM state) {
    auto* search = reinterpret_cast<DescendantSearch*>(state);
    if (ClassOf(child) != search->className) {
        return TRUE;
    }
    search->found = child;
    return FALSE;
}

// The first descendant of `parent` whose class is `className`.
HWND Descendant(HWND parent, const wchar_t* className) {
    DescendantSearch search{className, nullptr};
    EnumChildWindows(parent, MatchDescendant, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND NameBox(HWND dialog) {
    if (HWND edit = GetDlgItem(dialog, kItemDialogNameEdit)) {
        return edit;
    }
    // The classic dialog nests the edit box two levels down, inside the
    // combo box of an extended combo box.
    HWND combo = GetDlgItem(dialog, kClassicNameCombo);
    return combo != nullptr ? Descendant(combo, L"Edit") : nullptr;
}

// The number of entries the dialog's folder view shows.
int ShownEntries(HWND dialog) {
    HWND view = Descendant(dialog, L"SHELLDLL_DefView");
    HWND list = view != nullptr ? Descendant(view, L"SysListView32") : nullptr;
    DWORD_PTR count = 0;
    if (list == nullptr || !SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count)) {
        return 0;
    }
    return static_cast<int>(count);
}

// A message box the dialog raised over itself (a name it could not find).
void DismissDialogErrors(HWND dialog) {
    for (HWND window : VisibleTopWindows(ProcessOf(dialog))) {
        if (window != dialog && GetWindow(window, GW_OWNER) == dialog && ClassOf(window) == L"#32770") {
            Click(window, IDOK);
            WaitUntilGone(window);
        }
    }
}

// A dialog busy for seconds (moving into a folder on a slow machine) counts
// as hung and drops the text at once: it is sent again until it is taken.
bool SetText(HWND window, const std::wstring& text) {
    return PollUntil([&] {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                                   5000, &result) &&
               result;
    });
}

std::wstring PickerEditText(HWND picker) { return ItemText(picker, kPickerEdit); }

// Sends BFFM_SETSELECTIONW with `data` copied into the picker's process and
// waits until the edit box shows `expected` (or anything new when
// `expected` is empty). The first selection in a fresh process is sometimes
// lost, so it is sent again until it shows, waiting longer each time: a
// busy machine can take seconds to fill the picker's tree. A selection that
// never shows is reported with what the edit box showed instead.
bool SelectInPicker(HWND picker, BOOL isPath, const void* data, size_t size, const std::wstring& expected) {
    RemoteBlock block(ProcessOf(picker), size);
    if (!block || !block.Write(0, data, size)) {
        std::fputs("folder picker: cannot hand the selection to the program\n", stderr);
        return false;
    }
    const std::wstring before = PickerEditText(picker);
    constexpr int kAttempts = 10;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(picker, BFFM_SETSELECTIONW, isPath, reinterpret_cast<LPARAM>(block.Address()),
                            SMTO_ABORTIFHUNG, 5000, &result);
        if (PollUntil(
                [&] {
                    const std::wstring now = PickerEditText(picker);
                    return expected.empty() ? now != before && !now.empty() : now == expected;
                },
                std::chrono::milliseconds(300 + 100 * attempt))) {
            return true;
        }
    }
    std::fwprintf(stderr, L"folder picker: after %d selections its edit box shows \"%ls\", not \"%ls\"\n", kAttempts,
                  PickerEditText(picker).c_str(), expected.empty() ? L"(anything new)" : expected.c_str());
    return false;
}

// A dialog shows before it has filled its folder view; until it answers
// messages again, text sent to it is dropped as sent to a hung window. On a
// slow machine (under emulation) that takes seconds.
HWND Responsive(HWND dialog) {
    const bool answers = dialog != nullptr && PollUntil([&] {
                             DWORD_PTR result = 0;
                             return SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
                         });
    return answers ? dialog : nullptr;
}

}  // namespace

HWND WaitForOpenFileDialog(DWORD processId) {
    return Responsive(WaitForTopWindow(
        processId, [](HWND window) { return ClassOf(window) == L"#32770" && NameBox(window) != nullptr; }));
}

bool ChooseFiles(HWND dialog, const std::wstring& folder, const std::vector<std::wstring>& names) {
    HWND box = NameBox(dialog);
    if (box == nullptr) {
        return false;
    }
    std::wstring selection;
    for (const auto& name : names) {
        selection += (names.size() > 1 ? L"\"" + name + L"\" " : name);
    }
    // Typing the folder and confirming moves the dialog into it; the names
    // then follow as one selection. A busy machine can take the names before
    // the move has finished, which the dialog answers with an error box: the
    // whole step is then repeated.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!SetText(box, folder) || !Click(dialog, IDOK)) {
            return false;
        }
        PollUntil([&] { return ShownEntries(dialog) >= static_cast<int>(names.size()); },
                  std::chrono::milliseconds(5000));
        if (!SetText(box, selection) || !Click(dialog, IDOK)) {
            return false;
        }
        if (PollUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, std::chrono::milliseconds(8000))) {
            return true;
        }
        DismissDialogErrors(dialog);
    }
    return false;
}

bool CancelDialog(HWND dialog) { return Click(dialog, IDCANCEL) && WaitUntilGone(dialog); }

HWND WaitForFolderPicker(DWORD processId) {
    return Responsive(WaitForTopWindow(processId, [](HWND window) {
        return ClassOf(window) == L"#32770" && GetDlgItem(window, kPickerTree) != nullptr;
    }));
}

bool ChooseFolder(HWND picker, const std::wstring& folder) {
    const std::wstring path = folder;
    if (!SelectInPicker(picker, TRUE, path.c_str(), (path.size() + 1) * sizeof(wchar_t), LastComponent(folder))) {
        return false;
    }
    if (!Click(picker, IDOK) || !WaitUntilGone(picker)) {
        std::fwprintf(stderr, L"folder picker: still open after OK with \"%ls\" chosen\n", folder.c_str());
        return false;
    }
    return true;
}

bool ChooseMyComputer(HWND picker) {
    PIDLIST_ABSOLUTE computer = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer))) {
        return false;
    }
    const win32::UniqueCoTaskMem owned(computer);
    const bool selected = SelectInPicker(picker, FALSE, computer, ILGetSize(computer), L"");
    return selected && Click(picker, IDOK) && WaitUntilGone(picker);
}

}  // namespace mailvane::e2e
