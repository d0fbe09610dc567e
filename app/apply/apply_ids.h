#pragma once
// Resource and control IDs of the apply dialog (3300-3399). Plain #defines: the resource
// compiler reads this header too.

#define IDD_APPLY                3300

// "&Cancel" is IDCANCEL so Escape and the close box work; "&Apply" is not IDOK, so Enter in
// the file name edit cannot start a run.
#define IDC_APPLY_OK             3301
#define IDC_APPLY_HELP           3302
#define IDC_APPLY_PROMPT         3303
#define IDC_APPLY_ITEMS          3304
#define IDC_APPLY_RECORD_GROUP   3305
#define IDC_APPLY_CREATE_RECORD  3306
#define IDC_APPLY_SAVE_LABEL     3307
#define IDC_APPLY_FILE_NAME      3308
#define IDC_APPLY_BROWSE         3309
