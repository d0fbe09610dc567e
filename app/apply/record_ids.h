#pragma once
// Resource and control IDs of the restore/redo dialog (3400-3499). Plain #defines: the
// resource compiler reads this header too.

#define IDD_RECORDS              3400

// "Close" is IDCANCEL so Escape and the close box work; no button is IDOK.
#define IDC_REC_HEADER           3401
#define IDC_REC_FILE_LABEL       3402
#define IDC_REC_FILE_NAME        3403
#define IDC_REC_OPEN             3404
#define IDC_REC_ACTION_LABEL     3405
#define IDC_REC_LIST             3406
#define IDC_REC_HELP             3407
#define IDC_REC_START            3408
#define IDC_REC_LIST_RECORDS     3409
#define IDC_REC_EXPORT           3410
#define IDC_REC_EXPORT_GPP       3411

// The dialog's context menu.
#define IDM_REC_LIST_RECORDS     3420
