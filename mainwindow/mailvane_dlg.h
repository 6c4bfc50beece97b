#pragma once

#include "framework/dialog.h"
#include "framework/file_dialog.h"
#include "framework/list_ctrl.h"
#include "framework/static_ctrl.h"
#include "mainwindow/fitted_picture.h"

namespace mailvane::mainwindow {

// The main dialog (template 102): the source list, its buttons and item
// count, the destination, the Convert button and the ways out.
class CMailvaneDlg : public framework::CDialog {
public:
    explicit CMailvaneDlg(framework::CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // Walks the files chosen in an open-file dialog, in the order it reports
    // them, adding each with AddFileRow. A failure that meets one file skips
    // it; one that keeps the walk from moving on ends it.
    void AddSelectedFiles(const framework::CFileDialog& dialog);
    // Adds one FILES row at the top unless a row with exactly this path (same
    // letter case) is already listed.
    void AddFileRow(framework::CString filePath, framework::CString folderPath);

protected:
    void DoDataExchange(framework::CDataExchange* exchange) override;

    void OnSysCommand(UINT id, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnClose();
    void OnDestroy();
    void OnAddEmlFile();
    void OnAddEmlFolder();
    void OnClearList();
    void OnRemoveFile();
    void OnBrowse();
    void OnExit();
    void OnAbout();
    void OnHelp();
    void OnConvert();

private:
    // Sets the item-count label to the row count, two blanks and word.
    void RefreshItemCount(LPCWSTR word);

    HICON m_hIcon;
    // Handed to each conversion worker, which reads it row by row.
    framework::CListCtrl m_sourceList;
    framework::CStatic m_itemCount;
    FittedPicture m_banner;
};

}  // namespace mailvane::mainwindow
