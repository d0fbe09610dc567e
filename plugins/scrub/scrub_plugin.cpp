// Scrub: clears the history lists Windows and some programs keep.
#include "plugins/scrub/scrub_form.h"
#include "plugins/sdk/plugin_frame.h"

KELT_PLUGIN_INFO("Scrub", "Dnv", "Clear", "Scrub", "Glyph", "0.8", "2003");

void kelt::plugin::ShowToolWindow(HWND owner)
{
    kelt::scrub::TForm1 form;
    form.RunModal(owner);
}
