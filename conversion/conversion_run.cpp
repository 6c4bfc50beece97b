#include "conversion/conversion_run.h"

#include "app/globals.h"
#include "conversion/eml_file_conversion.h"
#include "conversion/folder_tree.h"
#include "conversion/rdo_session_factory.h"
#include "framework/com_error.h"
#include "framework/cstring_array.h"
#include "mainwindow/eml_file_search.h"
#include "mainwindow/mailvane_dlg.h"

#include <objbase.h>

namespace {

constexpr wchar_t kCaption[] = L"Quorvel Mailvane             ";
constexpr UINT kMessageStyle = MB_OK | MB_ICONQUESTION | MB_SYSTEMMODAL;
constexpr wchar_t kNotRegistered[] = L"One of DLL **Redemption.dll** is not registered, So First Register It.!";
constexpr wchar_t kCompleted[] = L"EML to MSG file conversion has been successfully completed.";
constexpr wchar_t kCompletedButton[] = L"Completed && Close";
constexpr wchar_t kCounterFormat[] = L"%d/%d Convert EML to MSG Files";

CString CounterText(int current, int total) {
    CString text;
    text.Format(kCounterFormat, current, total);
    return text;
}

CString CompletionText(int failed, int attempted) {
    if (failed == 0) return CString(kCompleted);
    CString text;
    text.Format(L"EML to MSG file conversion has been completed, but %d of %d file(s) could not be converted.", failed,
                attempted);
    return text;
}

// Tallies the files handed to the conversion and those that were not written.
struct FileTally {
    int attempted = 0;
    int failed = 0;
    void Count(bool written) {
        ++attempted;
        if (!written) ++failed;
    }
};

}  // namespace

UINT __cdecl ConversionThreadProc(LPVOID param) {
    const std::unique_ptr<ConversionRequest> request(static_cast<ConversionRequest*>(param));
    try {
        RunConversion(*request->progress);
    } catch (...) {
        // Nothing leaves the worker; a run ended this way reports nothing.
    }
    ConversionRuns.End();
    return 0;
}

void RunConversion(ProgressLink& progress) {
    const RunTracker::Turn turn(ConversionRuns);

    // The main dialog outlives every worker (its WM_DESTROY waits for them),
    // so its list control's handle stays valid for the whole run.
    const CListCtrl list = ActiveMainDialog ? ActiveMainDialog->m_sourceList : CListCtrl();
    const int rowCount = static_cast<int>(list.SendMessage(LVM_GETITEMCOUNT, 0, 0));

    CoInitialize(nullptr);
    if (RdoSession) RdoSession.Reset();

    try {
        const HRESULT created = CreateRdoSession(RdoSession);
        if (FAILED(created)) {
            MessageBoxW(nullptr, kNotRegistered, kCaption, kMessageStyle);
            progress.SetButtonText(kCompletedButton);
            return;
        }

        CStringArray runFileList;
        INT_PTR runFileIndex = 0;
        FileTally tally;
        for (int j = 0; j < rowCount; ++j) {
            const CString sourcePath = list.GetItemText(j, 0);
            const CString folderName = list.GetItemText(j, 2);
            const CString kind = list.GetItemText(j, 3);
            const CString rowDestination = DestinationFolder.Get() + L"\\" + folderName;
            EnsureFolderTree(rowDestination);

            if (kind != L"FOLDER") {
                progress.SetCountText(CounterText(j + 1, rowCount));
                tally.Count(ConvertEmlFile(progress, sourcePath, rowDestination));
                progress.SetPosition(j);
                continue;
            }
            if (sourcePath.IsEmpty()) continue;

            CollectEmlFiles(sourcePath, runFileList, TRUE, SearchErrors::StopThatFolderOnly);
            const INT_PTR n = runFileList.GetSize();
            if (n == 0) continue;
            progress.SetRange(MAKELPARAM(0, n + 1));
            while (runFileIndex != n) {
                tally.Count(ConvertEmlFile(progress, runFileList.GetAt(runFileIndex), rowDestination));
                progress.SetCountText(CounterText(static_cast<int>(runFileIndex + 1), static_cast<int>(n)));
                progress.SetPosition(static_cast<int>(runFileIndex));
                ++runFileIndex;
            }
        }

        if (!RdoSession) ThrowIfFailed(E_POINTER);
        RdoSession.Reset();

        MessageBoxW(nullptr, CompletionText(tally.failed, tally.attempted), kCaption, kMessageStyle);
        progress.SetButtonText(kCompletedButton);
    } catch (...) {
        // Any other error ends the run without a word; the button keeps "Stop"
        // and the session stays in its slot for the next run to release.
    }
}
