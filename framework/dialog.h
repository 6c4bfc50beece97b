#pragma once

#include "framework/wnd.h"

namespace mailvane::framework {

class CDialog;

// Passed to DoDataExchange; the program only binds controls, so there is
// nothing to validate or save.
class CDataExchange {
public:
    CDataExchange(CDialog* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// Binds the dialog's control with this id to a control wrapper.
void DDX_Control(CDataExchange* exchange, int id, CWnd& control);

// A dialog from a template resource, run modally (DoModal) or, for tests
// and tools, modeless (Create). Messages go through OnMessage, which derived
// classes override with their own message map, falling back to this class.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Without a parent the application's main window owns the dialog and is
    // disabled while it runs. -1 when the template cannot be loaded.
    virtual INT_PTR DoModal();
    BOOL Create(CWnd* parent = nullptr);
    // Ends a modal run with result; destroys a modeless dialog.
    void EndDialog(int result);
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    // Called by the dialog procedure; true when the message was handled.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    virtual void DoDataExchange(CDataExchange* exchange);
    // From inside a handler: let the system's dialog manager handle the
    // message as if no handler had been found.
    void Default() { m_passToDefault = true; }
    void OnPaint() { Default(); }
    void OnSysCommand(UINT, LPARAM) { Default(); }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND OwnerWindow() const;

    UINT m_templateId;
    CWnd* m_parent;
    bool m_modal = false;
    bool m_passToDefault = false;
};

}  // namespace mailvane::framework
