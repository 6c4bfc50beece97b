#include "conversion/progress_dialog.h"

#include "conversion/conversion_run.h"
#include "framework/message_map.h"
#include "resource.h"

namespace mailvane::conversion {

using framework::CDataExchange;
using framework::CDialog;
using framework::CListCtrl;
using framework::DDX_Control;
using framework::DispatchMessageMap;
using framework::LockedString;
using framework::MessageMapEntry;
namespace message_map = framework::message_map;

namespace {

// The window takes the worker's updates at most this often, and repaints
// once per turn: every change repainted a text or the bar at once, and under
// Wine a repaint of the bar alone costs about 2 ms of this thread, more than
// a small message takes to convert. Nobody reads a counter faster than this.
constexpr ULONGLONG kShowIntervalMs = 50;
constexpr UINT_PTR kShowTimer = 1;

}  // namespace

CSave::CSave(const CListCtrl& sourceList, const LockedString& destination)
    : CDialog(IDD_SAVE), m_sourceList(sourceList), m_destination(destination) {}

void CSave::DoDataExchange(CDataExchange* exchange) {
    CDialog::DoDataExchange(exchange);
    DDX_Control(exchange, IDC_COUNT_TEXT, m_countText);
    DDX_Control(exchange, IDC_PROGRESS, m_progress);
    DDX_Control(exchange, IDC_STATUS_TEXT, m_statusText);
    DDX_Control(exchange, IDC_STOP, m_stopButton);
}

bool CSave::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    using namespace message_map;
    static const MessageMapEntry<CSave> map[] = {
        Command<CSave>(BN_CLICKED, IDC_STOP, &CSave::OnStop),
        Plain<CSave>(WM_PROGRESS_UPDATE, &CSave::OnProgressUpdate),
        Plain<CSave>(WM_TIMER, &CSave::OnShowTimer),
        Plain<CSave>(WM_DESTROY, &CSave::OnDestroy),
    };
    return DispatchMessageMap(*this, map, message, wParam, lParam, result) ||
           CDialog::OnMessage(message, wParam, lParam, result);
}

BOOL CSave::OnInitDialog() {
    CDialog::OnInitDialog();
    bool started = false;
    try {
        m_link = std::make_shared<ProgressLink>(m_hWnd);
        started = StartConversionWorker(ConversionRequest{m_link, m_sourceList, m_destination});
    } catch (...) {
        // Without its link no worker could report, so none was started.
    }
    // No worker will relabel the button: this run is over before it began.
    if (!started) m_stopButton.SetWindowText(kCompletedButtonText);
    return TRUE;
}

void CSave::OnStop() { OnCancel(); }

void CSave::OnProgressUpdate() {
    if (!m_link) return;
    const ULONGLONG sinceShown = GetTickCount64() - m_lastShown;
    if (sinceShown < kShowIntervalMs && !m_link->IsFlushAsked()) {
        // The updates stay queued; the link posts no more until they are
        // taken, so the timer is what shows them.
        SetTimer(m_hWnd, kShowTimer, static_cast<UINT>(kShowIntervalMs - sinceShown), nullptr);
        return;
    }
    ShowPending();
}

void CSave::OnShowTimer() {
    if (m_link) ShowPending();
}

void CSave::ShowPending() {
    KillTimer(m_hWnd, kShowTimer);
    const std::vector<ProgressUpdate> updates = m_link->TakePending();
    if (updates.empty()) return;
    m_lastShown = GetTickCount64();
    // Each control still takes every value, in order; it only paints the last.
    const HWND painted[] = {m_countText.m_hWnd, m_statusText.m_hWnd, m_progress.m_hWnd};
    for (const HWND control : painted) ::SendMessageW(control, WM_SETREDRAW, FALSE, 0);
    for (const ProgressUpdate& update : updates) {
        switch (update.kind) {
            case ProgressUpdate::Kind::CountText:
                m_countText.SetWindowText(update.text);
                break;
            case ProgressUpdate::Kind::StatusText:
                m_statusText.SetWindowText(update.text);
                break;
            case ProgressUpdate::Kind::Range:
                // The bar takes 16-bit bounds; a larger count is cut to them.
                m_progress.SetRange(static_cast<short>(update.lower), static_cast<short>(update.upper));
                break;
            case ProgressUpdate::Kind::Position:
                m_progress.SetPos(update.position);
                break;
            case ProgressUpdate::Kind::ButtonText:
                m_stopButton.SetWindowText(update.text);
                break;
        }
    }
    for (const HWND control : painted) {
        ::SendMessageW(control, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(control, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    }
}

void CSave::OnDestroy() {
    // From here on no update of the worker reaches this window.
    if (m_link) m_link->Close();
    Default();
}

}  // namespace mailvane::conversion
