/*
 * keltrix_plugin.h - the contract between Keltrix and a plug-in library.
 *
 * A plug-in is a dynamic library with the extension .KTP in the Plugins folder beside
 * Keltrix.exe, built for the same processor as the program (32-bit plug-ins for the 32-bit
 * Keltrix, 64-bit ones for the 64-bit Keltrix). It exports the nine functions declared below,
 * with C linkage, the Windows standard calling convention (__stdcall) and exactly these
 * undecorated names. On 32-bit Windows __stdcall names are decorated by the compiler
 * (_GetPluginName@0), so list the nine names in a module-definition (.def) file; with the
 * mingw-w64 linker also pass --kill-at.
 *
 * Strings. Every getter answers a pointer to a NUL-terminated single-byte (ANSI) string whose
 * storage belongs to the plug-in. Keltrix copies it before it makes its next call, so a string
 * literal, a static buffer or a buffer reused by the next call are all fine; nothing is ever
 * freed by Keltrix. NULL reads as an empty string. At most KELTRIX_MAX_STRING characters are
 * taken. The library's file name and the kind end up in the plug-in registry KeltPlugins.ini,
 * the name in Version.ini, both profile (.ini) files: Keltrix refuses to install a plug-in
 * whose file name or name is empty, holds '=' or a line break or starts with '[' or ';', or
 * whose kind is empty, holds ']' or a line break, or starts or ends with a blank.
 *
 * The glyph. GetPluginGlyphResName names a bitmap resource (RT_BITMAP) of the library itself:
 * KELTRIX_GLYPH_WIDTH x KELTRIX_GLYPH_HEIGHT pixels, KELTRIX_GLYPH_COLOURS colours, its
 * bottom-left pixel being the transparent colour. A library without it is no plug-in.
 *
 * What Keltrix guarantees:
 *   - Every call is made on Keltrix's user-interface thread, one at a time.
 *   - The getters may be called more than once (a scan, then the installation); they should
 *     answer the same each time and do nothing else. A fault inside a getter (an access
 *     violation, RaiseException, an exception of the plug-in's language runtime) is caught:
 *     the library is then refused as no plug-in and Keltrix carries on.
 *   - Execute is called with a handle of the Keltrix window the tool is started from (the
 *     main window, or the "Config plugins" dialog). Show the tool window modally, owned by
 *     that window (KELTRIX_HOST_WINDOW turns the value into a window handle), and return
 *     once it has closed. Keltrix ignores the result.
 *   - A WM_QUIT the plug-in posts (to end a message loop of its own) never ends Keltrix.
 *   - The library is not released while Execute runs, nor while a window of the plug-in is
 *     still open. DonePlugin must be exported but is never called.
 *   - Exceptions must not leave Execute: what a tool window throws belongs to the plug-in.
 *
 * One more export is optional: PrepareUninstall. When the user uninstalls a plug-in that exports
 * it, Keltrix calls it after the user has confirmed and before it forgets the plug-in, with the
 * handle of the window the uninstallation was started from (as for Execute). A plug-in whose
 * changes only it can undo offers that here (modally, owned by that window). Answer 0 to keep
 * the plug-in installed, anything else to go on. Plug-ins without it are uninstalled as before.
 */
#ifndef KELTRIX_PLUGIN_H
#define KELTRIX_PLUGIN_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KELTRIX_PLUGIN_CALL __stdcall

#define KELTRIX_GLYPH_WIDTH 32
#define KELTRIX_GLYPH_HEIGHT 32
#define KELTRIX_GLYPH_COLOURS 256
#define KELTRIX_MAX_STRING 1024

/* The window handle behind Execute's 32-bit value (window handles fit in 32 bits on 64-bit
   Windows too; the system sign-extends them). */
#define KELTRIX_HOST_WINDOW(hostHandle) ((HWND)(INT_PTR)(INT32)(hostHandle))

typedef const char*(KELTRIX_PLUGIN_CALL* KeltrixStringGetter)(void);
typedef INT32(KELTRIX_PLUGIN_CALL* KeltrixExecuteEntry)(UINT32 hostHandle);
typedef void(KELTRIX_PLUGIN_CALL* KeltrixDoneEntry)(void);
typedef INT32(KELTRIX_PLUGIN_CALL* KeltrixPrepareUninstallEntry)(UINT32 hostHandle);

#ifndef KELTRIX_PLUGIN_NO_PROTOTYPES
/* The display name: menu entry, button hint, side-bar caption, Version.ini key. */
const char* KELTRIX_PLUGIN_CALL GetPluginName(void);
/* Shown in the configuration dialog. */
const char* KELTRIX_PLUGIN_CALL GetPluginAuthor(void);
/* The category: submenu caption, section of the plug-in registry, group in the dialog. */
const char* KELTRIX_PLUGIN_CALL GetPluginKind(void);
/* Kept, not shown. */
const char* KELTRIX_PLUGIN_CALL GetPluginMenuText(void);
/* The name of the glyph's bitmap resource in this library. */
const char* KELTRIX_PLUGIN_CALL GetPluginGlyphResName(void);
/* The version text: Version.ini, the installation and configuration dialogs. */
const char* KELTRIX_PLUGIN_CALL GetPluginVersion(void);
/* Kept, not shown. */
const char* KELTRIX_PLUGIN_CALL GetPluginCopyright(void);
/* Shows the tool window modally over the host window; returns when it has closed. */
INT32 KELTRIX_PLUGIN_CALL Execute(UINT32 hostHandle);
/* Must exist; never called. */
void KELTRIX_PLUGIN_CALL DonePlugin(void);
/* Optional: called before the plug-in is uninstalled; 0 keeps it installed. */
INT32 KELTRIX_PLUGIN_CALL PrepareUninstall(UINT32 hostHandle);
#endif

#ifdef __cplusplus
}
#endif

#endif /* KELTRIX_PLUGIN_H */
