#pragma once
// Reaching a loaded plug-in's seams from a test program.
//
// A plug-in carries its own copies of the ui and platform libraries, so the dialog seams and
// the system-call table a test program installs (kelt::ui::ScopedSeams,
// kelt::ScopedSystemCalls) do not reach the message boxes, dialogs, version query and restart
// a plug-in makes. Every library made with kelt_plugin() therefore has one export besides the
// nine of the contract:
//
//     void __stdcall KeltSetTestHooks(const KeltTestHooks* hooks);
//
// It routes the plug-in's message boxes, colour, file and folder dialogs, Windows version
// query and restart calls through the given plain C functions; a null function keeps the real
// call and a null table puts every real call back. Keltrix never calls it; a test program
// does, through kelt::plugin::ScopedPluginTestHooks (test_hooks_bridge.h), which forwards them
// to the test program's own seams and system-call table. The table is copied and only plain C
// data crosses the library boundary (no C++ object, no heap block changes hands), so a plug-in
// and a test built at different times still agree; `size` lets either side grow the table.
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

typedef struct KeltTestHooks {
    unsigned size;           // sizeof(KeltTestHooks) of the caller
    void* context;           // handed back to every function

    // Dialogs. Each answers as the system call would: a button ID, or nonzero when the user chose.
    int (*messageBox)(void* context, HWND owner, const char* text, const char* caption, unsigned flags);
    int (*chooseColour)(void* context, HWND owner, COLORREF* colour);
    int (*openFile)(void* context, HWND owner, KeltFileDialogHook* request);
    int (*saveFile)(void* context, HWND owner, KeltFileDialogHook* request);
    // `folder` holds the start folder on entry and the chosen one on return.
    int (*browseFolder)(void* context, HWND owner, const char* title, unsigned flags, char* folder,
                        unsigned capacity);

    // System calls behind the family detection and the restart.
    BOOL (*getVersionEx)(void* context, OSVERSIONINFOA* info);
    BOOL (*openProcessToken)(void* context, HANDLE process, DWORD access, HANDLE* token);
    BOOL (*lookupPrivilegeValue)(void* context, const char* system, const char* name, LUID* luid);
    BOOL (*adjustTokenPrivileges)(void* context, HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState,
                                  DWORD length, TOKEN_PRIVILEGES* previous, DWORD* returnLength);
    DWORD (*getLastError)(void* context);
    BOOL (*exitWindowsEx)(void* context, UINT flags, DWORD reason);
    BOOL (*closeHandle)(void* context, HANDLE handle);
    // ntdll's true version query (0 on success). Left null while getVersionEx is set, the
    // plug-in gets no true version and uses getVersionEx.
    LONG (*rtlGetVersion)(void* context, RTL_OSVERSIONINFOW* info);
} KeltTestHooks;

typedef void(__stdcall* KeltSetTestHooksEntry)(const KeltTestHooks* hooks);

#ifdef __cplusplus
}
#endif

#define KELT_TEST_HOOKS_EXPORT "KeltSetTestHooks"
