#pragma once
// Resource IDs of the Applets plug-in (a module of its own).
#define IDD_APPLETS 100
#define IDC_APPLETS_PROMPT 101
#define IDC_CPL_LIST 102
#define IDC_APPLETS_APPLY 103
