// Applets: which Control Panel applets Windows shows.
#include "plugins/applets/applets_form.h"
#include "plugins/sdk/plugin_frame.h"

KELT_PLUGIN_INFO("Applets", "Dnv", "Security", "Applets", "Glyph", "0.8", "2003");

void kelt::plugin::ShowToolWindow(HWND owner)
{
    kelt::applets::TForm1 form;
    form.RunModal(owner);
}
