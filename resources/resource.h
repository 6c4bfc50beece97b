// Resource ids of Mailvane, shared by the resource script and the program.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_SAVE 101
#define IDD_MAILVANE_DIALOG 102

// Strings.
#define IDS_ABOUTBOX 101

// Icon and bitmaps.
#define IDR_MAINFRAME 128
#define IDB_ABOUT 129
#define IDB_BANNER 130

// System-menu command of the About item.
#define IDM_ABOUTBOX 0x0010

// Controls of the main dialog.
#define IDC_CONVERT 3
#define IDC_EXIT 4
#define IDC_SOURCE_LIST 1000
#define IDC_ADD_FOLDER 1001
#define IDC_ADD_FILE 1002
#define IDC_CLEAR_LIST 1003
#define IDC_REMOVE_FILE 1004
#define IDC_ITEM_COUNT 1005
#define IDC_DESTINATION 1006
#define IDC_BROWSE 1007
#define IDC_ABOUT_BUTTON 1012
#define IDC_ABOUT_LABEL 1014
#define IDC_HELP_LABEL 1015

// Controls of the progress window.
#define IDC_STOP 1001
#define IDC_PROGRESS 1008
#define IDC_COUNT_TEXT 1009
#define IDC_STATUS_TEXT 1010
