#pragma once

#include "framework/dialog.h"
#include "mainwindow/fitted_picture.h"

// The About box (template 100); its OK button ends it through CDialog::OnOK.
class CAboutDlg : public CDialog {
public:
    CAboutDlg();

    BOOL OnInitDialog() override;

private:
    FittedPicture m_picture;
};
