#pragma once
// Resource and control IDs of Update.exe (a module of its own).

#define IDI_UPDATE 1

#define IDD_UPDATE 100
#define IDC_BANNER 101
#define IDC_BANNER_LINE 102
#define IDC_PLDOWN 103
#define IDC_PRODOWN 104
#define IDC_PLUPDATE 105
#define IDC_PROUPDATE 106
#define IDC_START 107
#define IDC_STATUS 108
// The cancel button is IDCANCEL, so that Esc reaches it.

#define IDD_LOG 200
#define IDC_LOG_GROUP 201
#define IDC_LOG_TEXT 202
