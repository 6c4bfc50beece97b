#pragma once

#include "framework/dialog.h"
#include "mainwindow/fitted_picture.h"

namespace mailvane::mainwindow {

// The About box (template 100); its OK button ends it through CDialog::OnOK.
class CAboutDlg : public framework::CDialog {
public:
    CAboutDlg();

    BOOL OnInitDialog() override;

private:
    FittedPicture m_picture;
};

}  // namespace mailvane::mainwindow
