#pragma once
// Command, control and resource IDs of the main window, the splash and the About window
// (3000-3099 and 3600-3999). Plain #defines: the resource compiler reads this header too.

// Main menu
#define IDM_OPTIONS          3001
#define IDM_RESTART          3002
#define IDM_EXIT             3003
#define IDM_SEARCH           3004
#define IDM_REFRESH          3005
#define IDM_APPLY            3006
#define IDM_RESTORE          3007
#define IDM_REDO             3008
#define IDM_CONFIG_PLUGINS   3009
#define IDM_LIVE_UPDATE      3010
#define IDM_CONTENT          3011
#define IDM_ONLINE           3012
#define IDM_ABOUT            3013

// Side-bar menu: eleven styles in a row, then the two alignments
#define IDM_STYLE_FIRST      3020
#define IDM_STYLE_LAST       3030
#define IDM_ALIGN_LEFT       3031
#define IDM_ALIGN_RIGHT      3032

// Item menu
#define IDM_ITEM_SEARCH      3040
#define IDM_ITEM_EXPAND      3041
#define IDM_LAYOUT_BARS      3042
#define IDM_LAYOUT_TABS      3043
#define IDM_ITEM_HELP        3044

// Keyboard commands without a menu item
#define IDM_NEXT_CATALOGUE     3050
#define IDM_PREVIOUS_CATALOGUE 3051

// Main window controls
#define IDC_FORM_PANEL       3600
#define IDC_CONTROL_BAR      3601
#define IDC_APPLY_BUTTON     3602
#define IDC_SEARCH_BUTTON    3603
#define IDC_HELP_BUTTON      3604
#define IDC_EXIT_BUTTON      3605
#define IDC_PLUGIN_BOX       3606
#define IDC_OUTBAR           3607
#define IDC_BACK_GROUP       3608
#define IDC_SETTING_PANEL1   3609
#define IDC_LEGEND           3610
#define IDC_HINT_LABEL       3611
#define IDC_SAMPLE_FIRST     3612
#define IDC_MORE_HELP        3620
#define IDC_SETTING_PANEL    3621
#define IDC_DETAILS_SPLITTER 3622
#define IDC_DETAILS_PANEL    3623
#define IDC_DETAILS_TITLE    3624
#define IDC_DETAILS_MEMO     3625
#define IDC_LINK_PANEL       3626
#define IDC_LINK_LABEL       3627
#define IDC_STATUS_BAR       3628
#define IDC_PAGES_HOST       3629

// Pictures of the tool bar and the menus
#define IDB_TOOL_APPLY       3650
#define IDB_TOOL_SEARCH      3651
#define IDB_TOOL_HELP        3652
#define IDB_TOOL_EXIT        3653
#define IDB_PROGRAM_ICON     3660
#define IDI_PROGRAM          3661

// Splash
#define IDC_SPLASH_SETTINGS  3800
#define IDC_SPLASH_PLUGINS   3801

// About window
#define IDD_ABOUT            3900
#define IDC_ABOUT_TABS       3901
#define IDD_ABOUT_PAGE       3902
#define IDD_THANKS_PAGE      3903
#define IDC_ABOUT_PRODUCT    3910
#define IDC_ABOUT_VERSION    3911
#define IDC_ABOUT_LINK       3912
#define IDC_ABOUT_COPYRIGHT  3913
#define IDC_ABOUT_PICTURE    3914
#define IDC_THANKS_TEXT      3920
