// The Starter plug-in: its strings for the host and its tool window.
#include "plugins/sdk/plugin_frame.h"
#include "plugins/starter/starter_form.h"

KELT_PLUGIN_INFO("Starter", "Dnv", "Security", "Starter", "Glyph", "0.8", "2003");

void kelt::plugin::ShowToolWindow(HWND owner)
{
    kelt::starter::TForm1 form;
    form.RunModal(owner);
}
