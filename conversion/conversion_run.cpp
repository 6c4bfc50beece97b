#include "conversion/conversion_run.h"

#include <windows.h>
#include <objbase.h>

#include <filesystem>
#include <string>

#include "conversion/eml_file_conversion.h"
#include "conversion/eml_file_search.h"
#include "conversion/rdo_session_factory.h"
#include "conversion/run_state.h"
#include "conversion/source_row.h"
#include "filing/folder_tree.h"
#include "framework/com_error.h"
#include "framework/cstring_array.h"
#include "framework/win_thread.h"

namespace mailvane::conversion {

using framework::AfxBeginThread;
using framework::CListCtrl;
using framework::CString;
using framework::CStringArray;
using framework::CWinThread;
using framework::ThrowIfFailed;
using win32::SrwLockGuard;

namespace {

// The thirteen blanks after the name belong to the caption users have always
// seen; the main window's captions differ from it only in their trailing
// blanks. Keep every one.
constexpr wchar_t kCaption[] = L"Quorvel Mailvane             ";
constexpr UINT kMessageStyle = MB_OK | MB_ICONQUESTION | MB_SYSTEMMODAL;
constexpr wchar_t kNotRegistered[] = L"One of DLL **Redemption.dll** is not registered, So First Register It.!";
constexpr wchar_t kCompleted[] = L"EML to MSG file conversion has been successfully completed.";
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

// Makes the folders of a row's destination as far as they can be made. A
// row whose folder cannot be made goes on: each of its files then fails to
// be written and is counted so.
void MakeRowFolder(const CString& rowDestination) {
    try {
        std::string ignored;
        mailvane::filing::EnsureFolderTree(
            std::filesystem::path(
                std::wstring(rowDestination.GetString(), static_cast<std::size_t>(rowDestination.GetLength()))),
            ignored);
    } catch (...) {
        // As a level that cannot be made.
    }
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

// The whole run over the request's source list, on the worker thread.
void RunConversion(const ConversionRequest& request) {
    const SrwLockGuard turn = ConversionRuns.TakeTurn();
    ProgressLink& progress = *request.progress;
    const CListCtrl& list = request.sourceList;
    const int rowCount = list.GetItemCount();

    CoInitialize(nullptr);
    if (RdoSession) RdoSession.Reset();

    try {
        const HRESULT created = CreateRdoSession(RdoSession);
        if (FAILED(created)) {
            MessageBoxW(nullptr, kNotRegistered, kCaption, kMessageStyle);
            progress.SetButtonText(kCompletedButtonText);
            progress.Flush();
            return;
        }

        CStringArray runFileList;
        INT_PTR runFileIndex = 0;
        FileTally tally;
        for (int j = 0; j < rowCount; ++j) {
            const CString sourcePath = list.GetItemText(j, kFolderPathColumn);
            const CString folderName = list.GetItemText(j, kFolderNameColumn);
            const CString kind = list.GetItemText(j, kTypeColumn);
            const CString rowDestination = request.destination.Get() + L"\\" + folderName;
            MakeRowFolder(rowDestination);

            if (kind != kFolderKind) {
                progress.SetCountText(CounterText(j + 1, rowCount));
                tally.Count(ConvertEmlFile(progress, sourcePath, rowDestination));
                progress.SetPosition(j);
                continue;
            }
            if (sourcePath.IsEmpty()) continue;

            CollectEmlFiles(sourcePath, runFileList,
                            {.recurse = true, .failure = mailvane::filing::SearchFailure::StopThatFolderOnly});
            const INT_PTR n = runFileList.GetSize();
            if (n == 0) continue;
            // One more than the files, so the bar stops short of full.
            progress.SetRange(0, static_cast<int>(n + 1));
            while (runFileIndex != n) {
                tally.Count(ConvertEmlFile(progress, runFileList.GetAt(runFileIndex), rowDestination));
                progress.SetCountText(CounterText(static_cast<int>(runFileIndex + 1), static_cast<int>(n)));
                progress.SetPosition(static_cast<int>(runFileIndex));
                ++runFileIndex;
            }
        }

        if (!RdoSession) ThrowIfFailed(E_POINTER);
        RdoSession.Reset();

        // Whoever sees the message looks at the window next: its last
        // counter, status and bar are shown now, not at the window's next turn.
        progress.Flush();
        MessageBoxW(nullptr, CompletionText(tally.failed, tally.attempted), kCaption, kMessageStyle);
        progress.SetButtonText(kCompletedButtonText);
        progress.Flush();
    } catch (...) {
        // Any other error ends the run without a word; the button keeps "Stop"
        // and the session stays in its slot for the next run to release.
    }
}

// The worker's entry: param is a ConversionRequest allocated with new, which
// the worker owns from here.
UINT __cdecl ConversionThreadProc(LPVOID param) {
    const std::unique_ptr<ConversionRequest> request(static_cast<ConversionRequest*>(param));
    try {
        RunConversion(*request);
    } catch (...) {
        // Nothing leaves the worker; a run ended this way reports nothing.
    }
    ConversionRuns.End();
    return 0;
}

}  // namespace

bool StartConversionWorker(ConversionRequest request) noexcept {
    std::unique_ptr<ConversionRequest> owned;
    try {
        owned = std::make_unique<ConversionRequest>(std::move(request));
    } catch (...) {
        return false;
    }
    ConversionRuns.Begin();
    CWinThread* worker = nullptr;
    try {
        worker = AfxBeginThread(ConversionThreadProc, owned.get(), THREAD_PRIORITY_NORMAL, 0, 0, nullptr);
    } catch (...) {
        // The thread object could not be made: no worker, as when the thread
        // itself cannot start.
    }
    if (!worker) {
        ConversionRuns.End();
        return false;
    }
    // From here the worker owns the request and ends the run.
    owned.release();
    return true;
}

}  // namespace mailvane::conversion
