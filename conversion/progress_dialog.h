#pragma once

#include <memory>

#include "conversion/progress_link.h"
#include "framework/button.h"
#include "framework/dialog.h"
#include "framework/list_ctrl.h"
#include "framework/locked_string.h"
#include "framework/progress_ctrl.h"
#include "framework/static_ctrl.h"

namespace mailvane::conversion {

// The progress window (template 101). Its initialisation starts one
// conversion worker over the given source list and destination, which
// reports through a ProgressLink; Stop and Escape end the window without
// stopping the worker.
class CSave : public framework::CDialog {
public:
    static constexpr const wchar_t* kClassName = L"CSave";

    // Both must outlive every worker (see ConversionRequest).
    CSave(const framework::CListCtrl& sourceList, const framework::LockedString& destination);

    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    void DoDataExchange(framework::CDataExchange* exchange) override;
    void OnStop();

private:
    void OnProgressUpdate();
    // WM_TIMER: the dialog's one timer, set by OnProgressUpdate.
    void OnShowTimer();
    void ShowPending();
    void OnDestroy();

    framework::CStatic m_countText;
    framework::CProgressCtrl m_progress;
    framework::CStatic m_statusText;
    framework::CButton m_stopButton;
    const framework::CListCtrl m_sourceList;
    const framework::LockedString& m_destination;
    std::shared_ptr<ProgressLink> m_link;
    ULONGLONG m_lastShown = 0;  // GetTickCount64 when updates were last shown
};

}  // namespace mailvane::conversion
