// Relocate: where Windows keeps the user's folders.
#include "plugins/relocate/relocate_form.h"
#include "plugins/sdk/plugin_frame.h"

KELT_PLUGIN_INFO("Relocate", "Dnv", "System", "Relocate", "Glyph", "0.8", "2003");

void kelt::plugin::ShowToolWindow(HWND owner)
{
    kelt::relocate::TForm1 form;
    form.RunModal(owner);
}
