// A test plug-in made with the frame. Its strings come from the build (one library per
// variant); it records the handle Execute was given, for the tests to read back.
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
    TForm1 form;
    form.RunModal(owner);
}

extern "C" {

// The value the last Execute received.
std::uint32_t __stdcall TestLastHostHandle() { return kelt::plugin::LastHostHandle(); }

}
