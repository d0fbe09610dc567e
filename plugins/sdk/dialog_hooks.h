#pragma once
// Reaching the dialog seams inside a loaded plug-in.
//
// A plug-in carries its own copy of the ui library, so the seams a test program installs with
// kelt::ui::ScopedSeams do not reach the message boxes and dialogs a plug-in shows. Every
// library made with kelt_plugin() therefore has one export besides the nine of the contract:
//
//     void __stdcall KeltSetDialogHooks(const KeltDialogHooks* hooks);
//
// It routes the plug-in's message boxes, colour, file and folder dialogs through the given
// plain C functions (a null argument puts the real system dialogs back). Keltrix never calls
// it; a test program does, through kelt::plugin::ScopedPluginDialogs (dialog_bridge.h), which
// forwards them to the test program's own seams. The table is copied and only plain C data
// crosses the library boundary (no C++ object, no heap block changes hands), so a plug-in and
// a test built at different times still agree; `size` lets either side grow the table.
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// A file dialog request. The chosen file name is written to `fileName` (NUL-terminated,
// at most `capacity` bytes with the NUL), which holds the proposed name on entry.
typedef struct KeltFileDialogHook {
    const char* title;
    const char* filter;      // "Description|pattern|Description|pattern"
    const char* defaultExt;
    const char* initialDir;
    unsigned long flags;     // OFN_ flags
    int filterIndex;         // 1-based, in and out
    char* fileName;
    unsigned capacity;
} KeltFileDialogHook;

typedef struct KeltDialogHooks {
    unsigned size;           // sizeof(KeltDialogHooks) of the caller
    void* context;           // handed back to every function
    // Each answers as the system call would: a button ID, or nonzero when the user chose.
    int (*messageBox)(void* context, HWND owner, const char* text, const char* caption, unsigned flags);
    int (*chooseColour)(void* context, HWND owner, COLORREF* colour);
    int (*openFile)(void* context, HWND owner, KeltFileDialogHook* request);
    int (*saveFile)(void* context, HWND owner, KeltFileDialogHook* request);
    // `folder` holds the start folder on entry and the chosen one on return.
    int (*browseFolder)(void* context, HWND owner, const char* title, unsigned flags, char* folder,
                        unsigned capacity);
} KeltDialogHooks;

typedef void(__stdcall* KeltSetDialogHooksEntry)(const KeltDialogHooks* hooks);

#ifdef __cplusplus
}
#endif

#define KELT_DIALOG_HOOKS_EXPORT "KeltSetDialogHooks"
