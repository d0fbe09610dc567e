#pragma once
// Resource and control IDs of the options dialog (3100-3299). Plain #defines: the resource
// compiler reads this header too.

#define IDD_OPTIONS              3100
#define IDD_OPTIONS_LAYOUT       3101
#define IDD_OPTIONS_APPEARENCE   3102
#define IDD_OPTIONS_ADVANCE      3103

#define IDB_OPTIONS_PREVIEW_BARS 3110
#define IDB_OPTIONS_PREVIEW_TABS 3111

// The dialog frame. OK and Cancel use IDOK and IDCANCEL so Enter and Escape work.
#define IDC_OPTIONS_PAGES        3120
#define IDC_OPTIONS_HELP         3121

// "Layout"
#define IDC_LAYOUT_PROMPT        3130
#define IDC_MAIN_LAYOUT          3131
#define IDC_PREVIEW_LABEL        3132
#define IDC_PREVIEW_PANEL        3133
#define IDC_PREVIEW_BARS         3134
#define IDC_PREVIEW_TABS         3135

// "Appearence"
#define IDC_EXPAND_ITEMS         3140
#define IDC_BACK_COLOR_LABEL     3141
#define IDC_BACK_COLOR           3142
#define IDC_BACK_COLOR_PICK      3143
#define IDC_NOR_COLOR_LABEL      3144
#define IDC_NOR_SAMPLE           3145
#define IDC_NOR_COLOR_PICK       3146
#define IDC_MOD_COLOR_LABEL      3147
#define IDC_MOD_SAMPLE           3148
#define IDC_MOD_COLOR_PICK       3149

// "Advance"
#define IDC_USE_XP_MENU          3160
#define IDC_NOT_SUIT_GROUP       3161
#define IDC_NOT_SUIT_DISABLE     3162
#define IDC_NOT_SUIT_HIDE        3163
#define IDC_SHOW_CREATING        3164
#define IDC_SPACE_LABEL          3165
#define IDC_SPACE                3166
#define IDC_SPACE_UNIT           3167
