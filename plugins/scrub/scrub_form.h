#pragma once
// The Scrub tool window: per tab a list of history lists with ticks and their entry counts;
// "Apply" clears every ticked list and says which ones could not be cleared.
#include <windows.h>

#include <array>

#include "plugins/common/check_list_box.h"
#include "plugins/common/tab_pages.h"
#include "plugins/scrub/history_lists.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt::scrub {

class TForm1 : public ui::Dialog {
public:
    static constexpr int kTabs = 3;

    TForm1();

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;
    // Enter clears nothing: only "Apply" does, after asking.
    void OnOK() override {}

private:
    void FormCreate();
    void pbtnApplyClick();
    // Right button released over a list (or the menu key): the command for the row under it.
    void ListContextMenu(HWND list, POINT screen);
    void pmiCheckCmdClick();
    void RefreshCounts();
    // The pop-up menu with its one command, "Check Selected" or "Uncheck Selected".
    static ui::UniqueMenu CreateCheckMenu(bool rowTicked);

    std::array<plugin::CheckListBox, kTabs> lists_;
    plugin::TabPages pages_;
    // The list that opened the menu and its row's tick at that moment.
    int menuTab_ = -1;
    bool menuRowTicked_ = false;
};

} // namespace kelt::scrub
