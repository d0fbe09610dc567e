#pragma once
// The Applets tool window: every applet file of the system folder with its first icon and a
// tick (ticked = shown). "Apply" stores the unticked ones as not loaded and takes the entry of
// every ticked one away, in the store the running Windows reads.
#include <memory>
#include <string>
#include <vector>

#include "plugins/applets/applet_store.h"
#include "plugins/common/check_list_box.h"
#include "ui/flat_button.h"
#include "ui/window.h"

namespace kelt::applets {

class TForm1 : public ui::Dialog {
public:
    TForm1();

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result) override;

private:
    void FormCreate();
    void pbtnApplyClick();
    // A tick the user set on an applet the machine hides for everybody is taken back, with why.
    void pCPLListToggle(int row);

    plugin::CheckListBox pCPLList;
    ui::FlatTextButton pbtnApply;
    ui::FlatTextButton pbtnClose;
    // Chosen once when the window is made; null when the Windows version is not known.
    std::unique_ptr<AppletStore> store_;
    // Per row: the applet's file name, and whether the machine-wide list hides it.
    std::vector<std::string> files_;
    std::vector<bool> machine_;
};

} // namespace kelt::applets
