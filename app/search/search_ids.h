#pragma once
// Resource and control IDs of the search window (3500-3599). Plain #defines: the resource
// compiler reads this header too.

#define IDD_SEARCH                3500

// Left half: buttons, the text to search, where to search, results, progress.
#define IDC_SEARCH_START          3501
#define IDC_SEARCH_STOP           3502
#define IDC_SEARCH_CLOSE          3503
#define IDC_SEARCH_HELP           3504
#define IDC_SEARCH_TEXT_LABEL     3505
#define IDC_SEARCH_SIMPLE_TEXT    3506
#define IDC_SEARCH_IN_DESCRIBE    3507
#define IDC_SEARCH_IN_DETAILS     3508
#define IDC_SEARCH_RESULTS        3509
#define IDC_SEARCH_PANEL          3510
#define IDC_SEARCH_PROGRESS_LABEL 3511
#define IDC_SEARCH_PROGRESS       3512
#define IDC_SEARCH_ACTIVATE       3513
#define IDC_SEARCH_STATUS         3514

// The slider between the halves and the conditions group on the right.
#define IDC_SEARCH_SLIDER         3520
#define IDC_SEARCH_CONDITIONS     3521
#define IDC_SEARCH_CATALOGUE_LABEL 3522
#define IDC_SEARCH_CATALOGUES     3523
#define IDC_SEARCH_ALL_LABEL      3524
#define IDC_SEARCH_ALL_WORDS      3525
#define IDC_SEARCH_ONE_LABEL      3526
#define IDC_SEARCH_ONE_WORDS      3527
#define IDC_SEARCH_NO_LABEL       3528
#define IDC_SEARCH_NO_WORDS       3529
#define IDC_SEARCH_LIMIT_LABEL    3530
#define IDC_SEARCH_LIMITS         3531
#define IDC_SEARCH_CASE           3532
#define IDC_SEARCH_CLEAR          3533

// The result list's context menu.
#define IDM_SEARCH_ACTIVE         3550
