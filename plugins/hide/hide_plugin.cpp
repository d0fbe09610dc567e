// The Hide plug-in: its strings for the host and its tool window.
#include "plugins/hide/hide_form.h"
#include "plugins/sdk/plugin_frame.h"

KELT_PLUGIN_INFO("Hide", "Dnv", "Security", "Hide", "Glyph", "0.8", "2003");

void kelt::plugin::ShowToolWindow(HWND owner)
{
    kelt::hide::TForm1 form;
    form.RunModal(owner);
}
