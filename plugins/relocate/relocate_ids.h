#pragma once
// Resource IDs of the Relocate plug-in (a module of its own).
#define IDD_RELOCATE 100
#define IDC_RELOCATE_TABS 101
#define IDC_RELOCATE_APPLY 102
// "System Folders"
#define IDC_SYS_PROMPT 110
#define IDC_SYS_FOLDERS 111
#define IDC_SYS_DETAILS 112
#define IDC_SYS_EDIT 113
#define IDC_SYS_HOWTO 114
// "Other Software Folders"
#define IDC_OUTEXP_LABEL 120
#define IDC_OUTEXP_EDIT 121
#define IDC_OUTEXP_BROWSE 122
#define IDC_WININS_LABEL 123
#define IDC_WININS_EDIT 124
#define IDC_WININS_BROWSE 125
// The list's pop-up menu.
#define IDM_RELOCATE_EDIT 200
