#pragma once
// Resource IDs of the Scrub plug-in (a module of its own).
#define IDD_SCRUB 100
#define IDC_SCRUB_BANNER 101
#define IDC_SCRUB_TABS 102
#define IDC_SCRUB_APPLY 103
// Per tab: the list and its two buttons, at IDC_SCRUB_PAGE + 10 * tab.
#define IDC_SCRUB_PAGE 110
#define IDC_SYSTEM_LIST 110
#define IDC_SYSTEM_CHECK_ALL 111
#define IDC_SYSTEM_UNCHECK_ALL 112
#define IDC_APPLICATION_LIST 120
#define IDC_APPLICATION_CHECK_ALL 121
#define IDC_APPLICATION_UNCHECK_ALL 122
#define IDC_LATER_LIST 130
#define IDC_LATER_CHECK_ALL 131
#define IDC_LATER_UNCHECK_ALL 132
// The one command of the pop-up menu.
#define IDM_SCRUB_CHECK_CMD 200
