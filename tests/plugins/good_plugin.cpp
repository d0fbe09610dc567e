// A test plug-in made with the frame. Its strings come from the build (one library per
// variant); its tool window records what it was given, for the tests to read back through
// the extra exports below.
#include <windows.h>

#include <cstdint>
#include <string>

#include "plugins/sdk/plugin_frame.h"
#include "tests/plugins/good_plugin_ids.h"
#include "ui/seams.h"
#include "ui/window.h"

KELT_PLUGIN_INFO(TEST_PLUGIN_NAME, TEST_PLUGIN_AUTHOR, TEST_PLUGIN_KIND, TEST_PLUGIN_MENU_TEXT, "Glyph",
                 TEST_PLUGIN_VERSION, "2003");

namespace {

HWND g_owner = nullptr;
bool g_ownerEnabledWhileOpen = true;
int g_runs = 0;

class TForm1 : public kelt::ui::Dialog {
public:
    TForm1() : Dialog(IDD_TEST_TOOL) {}

protected:
    bool OnInitDialog() override
    {
        ::SetWindowTextA(Handle(), (std::string("Test tool ") + TEST_PLUGIN_NAME).c_str());
        return true;
    }
    bool OnCommand(int id, int code, HWND control) override
    {
        if (id == IDC_TEST_HELLO) {
            g_ownerEnabledWhileOpen = g_owner && ::IsWindowEnabled(g_owner);
            kelt::ui::ShowMessage(Handle(), std::string("Hello from ") + TEST_PLUGIN_NAME, "Information",
                                  MB_ICONINFORMATION);
            return true;
        }
        return Dialog::OnCommand(id, code, control);
    }
};

} // namespace

void kelt::plugin::ShowToolWindow(HWND owner)
{
    g_owner = owner;
    ++g_runs;
    TForm1 form;
    form.RunModal(owner);
}

extern "C" {

// What the last Execute received and made of it.
std::uint32_t __stdcall TestLastHostHandle() { return kelt::plugin::LastHostHandle(); }
HWND __stdcall TestLastOwner() { return g_owner; }
int __stdcall TestRunCount() { return g_runs; }
// Whether the owner was enabled when "&Hello" was pressed.
int __stdcall TestOwnerWasEnabled() { return g_ownerEnabledWhileOpen ? 1 : 0; }

}
