#include "conversion/save_dlg.h"

#include "app/globals.h"
#include "conversion/conversion_run.h"
#include "framework/message_map.h"
#include "framework/win_thread.h"
#include "resource.h"

CSave::CSave() : CDialog(IDD_SAVE) {}

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
        Plain<CSave>(WM_DESTROY, &CSave::OnDestroy),
    };
    return DispatchMessageMap(*this, map, message, wParam, lParam, result) ||
           CDialog::OnMessage(message, wParam, lParam, result);
}

BOOL CSave::OnInitDialog() {
    CDialog::OnInitDialog();
    ActiveProgressDialog = this;
    m_link = std::make_shared<ProgressLink>(m_hWnd);
    ConversionRuns.Begin();
    auto* request = new ConversionRequest{m_link};
    if (!AfxBeginThread(ConversionThreadProc, request, THREAD_PRIORITY_NORMAL, 0, 0, nullptr)) {
        delete request;
        ConversionRuns.End();
    }
    return TRUE;
}

void CSave::OnStop() { OnCancel(); }

void CSave::OnProgressUpdate() {
    if (!m_link) return;
    for (const ProgressUpdate& update : m_link->TakePending()) {
        switch (update.kind) {
            case ProgressUpdate::Kind::CountText:
                m_countText.SetWindowText(update.text);
                break;
            case ProgressUpdate::Kind::StatusText:
                m_statusText.SetWindowText(update.text);
                break;
            case ProgressUpdate::Kind::Range:
                m_progress.SendMessage(PBM_SETRANGE, 0, update.value);
                break;
            case ProgressUpdate::Kind::Position:
                m_progress.SendMessage(PBM_SETPOS, static_cast<WPARAM>(update.value), 0);
                break;
            case ProgressUpdate::Kind::ButtonText:
                m_stopButton.SetWindowText(update.text);
                break;
        }
    }
}

void CSave::OnDestroy() {
    // From here on no update of the worker reaches this window.
    if (m_link) m_link->Close();
    if (ActiveProgressDialog == this) ActiveProgressDialog = nullptr;
    Default();
}
