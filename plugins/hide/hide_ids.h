#pragma once
// Resource IDs of the Hide plug-in (a module of its own).
#define IDD_HIDE              100
#define IDD_HIDE_FOLDERS      200  // page "Disks and Folders"
#define IDD_HIDE_OTHERS       300  // page "Others"

#define IDC_HIDE_INTRO        101
#define IDC_TABS              102
#define IDC_APPLY             103
// The pages carry these IDs as child windows of the tool window.
#define IDC_FOLDERS_PAGE      104
#define IDC_OTHERS_PAGE       105

#define IDC_DRIVES_LABEL      201
#define IDC_DISKS             202  // plDisks
#define IDC_FOLDERS_LABEL     203
#define IDC_FOLDER_LABEL      204
#define IDC_HIDE_FOLDER       205  // pedHideFolder
#define IDC_BROWSE            206
#define IDC_STYLE_LABEL       207
#define IDC_HIDE_AS_LABEL     208
#define IDC_HIDE_STYLE        209  // pcmbHideStyle
#define IDC_MASK_FOLDER       210  // pbtnMaskFolder
#define IDC_MASKED_LABEL      211
#define IDC_MASKED            212  // the folders this tool masked

#define IDC_VIEW_LABEL        301
#define IDC_VIEW_DISKS        302  // plViewDisks
