/*
 * Sample.KTP - a complete Keltrix plug-in in plain C.
 *
 * It shows what keltrix_plugin.h asks of a plug-in and nothing more: seven getters answering
 * static strings, a bitmap resource named "Glyph", and an Execute that shows a dialog of its
 * own modally over the Keltrix window it was started from and returns once it has closed.
 *
 * Build it with mingw-w64 (use i686-w64-mingw32-gcc for the 32-bit Keltrix):
 *     x86_64-w64-mingw32-windres sample.rc -O coff -o sample_res.o
 *     x86_64-w64-mingw32-gcc -shared -O2 -I.. -o Sample.KTP sample.c sample_res.o sample.def
 *         -Wl,--kill-at -static-libgcc -luser32
 * or with Visual C++ (from the x64 or the x86 tools prompt):
 *     rc sample.rc
 *     cl /LD /O2 /MT /I.. sample.c sample.res /link /DEF:sample.def /OUT:Sample.KTP user32.lib
 * (keltrix_plugin.h is in the folder above; sample_glyph.bmp, any 32 x 32 256-colour bitmap,
 * is made from glyph.art by Keltrix's own build) then copy Sample.KTP into the Plugins folder beside Keltrix.exe (or choose it with
 * "Install from file..." in Keltrix's plug-in dialogs).
 */
#include <windows.h>

#include "keltrix_plugin.h"
#include "sample_ids.h"

static HINSTANCE g_instance;

/* The descriptive strings: literals, so they stay valid for as long as the library is loaded. */
const char* KELTRIX_PLUGIN_CALL GetPluginName(void) { return "Sample"; }
const char* KELTRIX_PLUGIN_CALL GetPluginAuthor(void) { return "Keltrix"; }
const char* KELTRIX_PLUGIN_CALL GetPluginKind(void) { return "Samples"; }
const char* KELTRIX_PLUGIN_CALL GetPluginMenuText(void) { return "Sample"; }
const char* KELTRIX_PLUGIN_CALL GetPluginGlyphResName(void) { return "Glyph"; }
const char* KELTRIX_PLUGIN_CALL GetPluginVersion(void) { return "1.0"; }
const char* KELTRIX_PLUGIN_CALL GetPluginCopyright(void) { return "Public domain"; }

/* Never called by Keltrix, but it must be there. */
void KELTRIX_PLUGIN_CALL DonePlugin(void) {}

static INT_PTR CALLBACK SampleDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

INT32 KELTRIX_PLUGIN_CALL Execute(UINT32 hostHandle)
{
    HWND owner = KELTRIX_HOST_WINDOW(hostHandle);
    if (!IsWindow(owner))
        owner = GetActiveWindow();
    /* DialogBox disables the owner while the dialog is open: the tool window is modal. */
    DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_SAMPLE), owner, SampleDialog, 0);
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
