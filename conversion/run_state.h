#pragma once

#include "conversion/rdo_interfaces.h"
#include "conversion/run_tracker.h"
#include "framework/locked_string.h"
#include "win32/com_ref.h"

namespace mailvane::conversion {

// The process-wide state of the program, in one place below the main window
// and the conversion that share it.

// The chosen destination root. Written only by CMailvaneDlg::OnBrowse; read
// by OnConvert and, through their requests, by the workers once for every
// row, each read a copy taken under its lock.
inline framework::LockedString DestinationFolder;

// The Redemption session of the running conversion. Created, used and
// released only by the worker that holds its ConversionRuns turn; empty
// between runs.
inline win32::ComRef<IRdoSession> RdoSession;

// The message being written. Filled and emptied only by ConvertEmlFile, on
// the worker that holds its turn; empty between files.
inline win32::ComRef<IRdoMessage> CurrentMessage;

// The conversion workers. Begun by StartConversionWorker before a worker
// starts and ended by that worker as its last step (or at once when none
// could start); turns are taken by the workers. The main dialog's WM_DESTROY
// waits for it to be idle before the source list and DestinationFolder go.
inline RunTracker ConversionRuns;

}  // namespace mailvane::conversion
