#pragma once

#include "conversion/progress_link.h"

#include <windows.h>

#include <memory>

// What a progress window hands its worker: the link to report through.
struct ConversionRequest {
    std::shared_ptr<ProgressLink> progress;
};

// The worker's entry: param is a ConversionRequest allocated with new, which
// the worker owns from here. Runs the conversion and returns 0.
UINT __cdecl ConversionThreadProc(LPVOID param);

// The whole run over the main dialog's source list, on the worker thread:
// waits for its turn, creates the session, converts every row, releases the
// session, shows the completion message and relabels the button.
void RunConversion(ProgressLink& progress);
