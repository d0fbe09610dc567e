#pragma once
// Resource IDs of the Starter plug-in (a module of its own).
#define IDD_STARTER          100

#define IDC_STARTER_INTRO    101
#define IDC_START_PROS       102  // plStartPros
#define IDC_DELETE           103  // pbtnDelete
#define IDC_ADD              104  // pbtnAdd
#define IDC_MODIFY           105  // pbtnModify
#define IDC_REFRESH          106
#define IDC_ENTRY_FRAME      107
#define IDC_NAME_LABEL       108
#define IDC_NAME             109  // pedName
#define IDC_POSITION_LABEL   110
#define IDC_POSITION         111  // pcmbPosition
#define IDC_COMMAND_LABEL    112
#define IDC_COMMAND          113  // pedCommand
#define IDC_BROWSE           114  // "..."
#define IDC_BOTTOM_FRAME     115
#define IDC_APPLY            116
