#pragma once

#include <memory>

#include "conversion/progress_link.h"
#include "framework/list_ctrl.h"
#include "framework/locked_string.h"

namespace mailvane::conversion {

// Everything a conversion worker works from. The source list and the
// destination outlive every worker: the main dialog's WM_DESTROY waits for
// the workers before either goes.
struct ConversionRequest {
    std::shared_ptr<ProgressLink> progress;      // the progress window to report to
    framework::CListCtrl sourceList;             // read row by row, never changed
    const framework::LockedString& destination;  // read once for every row
};

// The progress window's button at the end of a run; "&&" shows one "&".
inline constexpr wchar_t kCompletedButtonText[] = L"Completed && Close";

// Starts one worker on the request: it waits for its turn, creates the
// session, converts every row, releases the session, shows the completion
// message and relabels the button. False when no worker could be started;
// the run is then over already, and nothing was shown.
bool StartConversionWorker(ConversionRequest request) noexcept;

}  // namespace mailvane::conversion
