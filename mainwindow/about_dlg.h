#pragma once

#include "framework/dialog.h"

// The About box (template 100); its OK button ends it through CDialog::OnOK.
class CAboutDlg : public CDialog {
public:
    CAboutDlg();
};
