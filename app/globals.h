#pragma once

// The process-wide objects of the program, all in one place.

#include "conversion/rdo_interfaces.h"
#include "conversion/run_tracker.h"
#include "framework/com_ptr.h"
#include "framework/locked_string.h"

class CMailvaneDlg;
class CSave;

// The main dialog. Written by the user-interface thread: set at the end of
// CMailvaneDlg::OnInitDialog, cleared in its WM_DESTROY after every worker
// has ended. Read by the workers (to reach the source list), which exist only
// between those two points.
inline CMailvaneDlg* ActiveMainDialog = nullptr;

// The open progress dialog. Written and read only by the user-interface
// thread: set by CSave::OnInitDialog, cleared in its WM_DESTROY. Workers
// reach their window through their ProgressLink instead.
inline CSave* ActiveProgressDialog = nullptr;

// The chosen destination root. Written by OnBrowse; read by OnConvert and,
// once for every row, by the workers, each read a copy taken under its lock.
inline LockedString DestinationFolder;

// The Redemption session of the running conversion and the message being
// written. Created, used and released only by the worker that holds its
// ConversionRuns turn; empty between runs and between files.
inline ComPtr<IRdoSession> RdoSession;
inline ComPtr<IRdoMessage> CurrentMessage;

// The conversion workers. Begin is called by CSave::OnInitDialog, End and
// the turn by the workers; the main dialog's WM_DESTROY waits for it to be
// idle before the main dialog and DestinationFolder go.
inline RunTracker ConversionRuns;
