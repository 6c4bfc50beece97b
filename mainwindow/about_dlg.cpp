#include "mainwindow/about_dlg.h"

#include "resource.h"

namespace mailvane::mainwindow {

using framework::CDialog;

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // The picture's place in the template: 14, 14, 83 by 47 units.
    m_picture.Fit(m_hWnd, RECT{14, 14, 14 + 83, 14 + 47});
    return TRUE;
}

}  // namespace mailvane::mainwindow
