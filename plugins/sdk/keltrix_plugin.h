/*
 * keltrix_plugin.h - the contract between Keltrix and a plug-in library.
 *
 * A plug-in is a dynamic library with the extension .KTP in the Plugins folder beside
 * Keltrix.exe, built for the same processor as the program (32-bit plug-ins for the 32-bit
 * Keltrix, 64-bit ones for the 64-bit Keltrix).
 *
 * Exports. The nine functions declared below, with C linkage, the Windows standard calling
 * convention (__stdcall) and exactly these undecorated names. Keltrix looks up no other form.
 * On 32-bit Windows the compilers decorate __stdcall names (mingw-w64: GetPluginName@0,
 * Visual C++: _GetPluginName@0), so list the nine names in a module-definition (.def) file
 * (an EXPORTS section, one name a line, as sample/sample.def) and link with it:
 *     mingw-w64:   i686-w64-mingw32-gcc -shared ... plugin.def -Wl,--kill-at
 *     Visual C++:  cl /LD ... /link /DEF:plugin.def
 * A library that exports a decorated name only is refused, and "Config plugins" says so
 * ("missing export GetPluginName (it is exported as GetPluginName@0)"). 64-bit names are not
 * decorated; the same .def file serves there.
 *
 * Strings. Every getter answers a pointer to a NUL-terminated single-byte (ANSI) string whose
 * storage belongs to the plug-in. Keltrix copies it before it makes its next call, so a string
 * literal, a static buffer or a buffer reused by the next call are all fine; nothing is ever
 * freed by Keltrix. NULL reads as an empty string. At most KELTRIX_MAX_STRING characters are
 * taken. What Keltrix answers is data, never structure: the file name, the name, the kind and
 * the version are written into the profile files KeltPlugins.ini and Version.ini and into
 * menus, so Keltrix refuses (saying why) a plug-in whose file name, name, kind or version is
 * longer than KELTRIX_MAX_NAME characters, holds a line break or another control character, or
 * starts with '['; whose file name or name is empty, holds '=' or starts with ';'; or whose
 * kind is empty, holds ']', or starts or ends with a blank.
 *
 * The glyph. GetPluginGlyphResName names a bitmap resource (RT_BITMAP) of the library itself:
 * KELTRIX_GLYPH_WIDTH x KELTRIX_GLYPH_HEIGHT pixels, KELTRIX_GLYPH_COLOURS colours, its
 * bottom-left pixel being the transparent colour. A library without it, or whose resource does
 * not lie inside the library's own image, is no plug-in.
 *
 * What Keltrix guarantees:
 *   - Every call is made on Keltrix's user-interface thread, one at a time.
 *   - The getters may be called more than once (a scan, then the installation); they should
 *     answer the same each time and do nothing else.
 *   - Execute is called with a handle of the Keltrix window the tool is started from (the
 *     main window, or the "Config plugins" dialog). Show the tool window modally, owned by
 *     that window (KELTRIX_HOST_WINDOW turns the value into a window handle), and return
 *     once it has closed. Keltrix ignores the result.
 *   - Faults are contained. Every call into the plug-in runs under a guard, and so does every
 *     message Keltrix or the system delivers to a window of the plug-in after Execute has
 *     returned: an access violation, a stack overflow, RaiseException, a C++ exception that
 *     leaves the plug-in (of its own runtime or of another) or abort() ends that call, not
 *     Keltrix. A fault in a getter makes the library no plug-in. A fault in Execute or in a
 *     window of the plug-in ends that run: the plug-in's windows are closed, the window it ran
 *     over is usable again, the user is told which plug-in failed and how, and none of the
 *     library's code is called again until Keltrix is restarted. Containing a fault is no
 *     licence: the code that faulted is cut short where it was (its clean-up does not run).
 *   - Lifetime. A library, once Keltrix has loaded it (also a scan that only lists it), stays
 *     loaded until Keltrix ends; uninstalling takes a plug-in out of the menus and the plug-in
 *     registry, not out of memory. A thread, a timer, a hook or a handler the plug-in leaves
 *     behind therefore never runs into freed code, but it keeps running until Keltrix ends:
 *     stop what you start before Execute returns, unless it is meant to outlive the run.
 *     DllMain sees DLL_PROCESS_DETACH only when Keltrix ends. Installing a new file over the
 *     file of a loaded plug-in sets the old file aside (<name>.KTP.replaced); the next start of
 *     Keltrix deletes it.
 *   - A WM_QUIT the plug-in posts while its Execute runs reaches the plug-in's own message
 *     loop; one posted later (by a window it left open) is dropped by every message loop of
 *     Keltrix. Neither ends Keltrix or closes a dialog of Keltrix.
 *   - DonePlugin must be exported but is never called.
 *
 * One more export is optional: PrepareUninstall. When the user uninstalls a plug-in that exports
 * it, Keltrix calls it after the user has confirmed and before it forgets the plug-in, with the
 * handle of the window the uninstallation was started from (as for Execute). A plug-in whose
 * changes only it can undo offers that here (modally, owned by that window). Answer 0 to keep
 * the plug-in installed, anything else to go on. Plug-ins without it are uninstalled as before.
 * A fault in it is contained like one in Execute; Keltrix then tells the user that the plug-in
 * could not undo its changes and asks whether to uninstall it anyway.
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
#define KELTRIX_MAX_NAME 128

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
