#include "plugins/scrub/scrub_form.h"

#include <windowsx.h>

#include <string>

#include "plugins/scrub/scrub_ids.h"
#include "ui/instance.h"
#include "ui/seams.h"

namespace kelt::scrub {

namespace {

int ListId(int tab) { return IDC_SCRUB_PAGE + 10 * tab; }
int CheckAllId(int tab) { return ListId(tab) + 1; }
int UncheckAllId(int tab) { return ListId(tab) + 2; }

} // namespace

TForm1::TForm1() : ui::Dialog(IDD_SCRUB) {}

bool TForm1::OnInitDialog()
{
    FormCreate();
    return true;
}

void TForm1::FormCreate()
{
    ui::InitCommonControlsOnce();
    pages_.Attach(Handle(), Item(IDC_SCRUB_TABS));
    const auto& tabs = HistoryTabs();
    for (int tab = 0; tab < kTabs; ++tab) {
        pages_.AddPage(tabs[tab].caption, {ListId(tab), CheckAllId(tab), UncheckAllId(tab)});
        lists_[tab].Attach(Item(ListId(tab)), 18);
        lists_[tab].SetAccessibleTitle(tabs[tab].caption);
        for (const HistoryList& list : tabs[tab].lists)
            lists_[tab].Add(RowText(list, CountEntries(list)), list.tickedAtStart);
    }
    pages_.Select(0);
}

void TForm1::RefreshCounts()
{
    const auto& tabs = HistoryTabs();
    for (int tab = 0; tab < kTabs; ++tab)
        for (std::size_t row = 0; row < tabs[tab].lists.size(); ++row) {
            const HistoryList& list = tabs[tab].lists[row];
            lists_[tab].SetText(static_cast<int>(row), RowText(list, CountEntries(list)));
        }
}

void TForm1::pbtnApplyClick()
{
    const auto& tabs = HistoryTabs();
    // Every tab's ticked rows that hold something, the ones never looked at included: said
    // before anything goes.
    std::string planned;
    for (int tab = 0; tab < kTabs; ++tab) {
        std::string rows;
        for (std::size_t row = 0; row < tabs[tab].lists.size(); ++row) {
            if (!lists_[tab].Checked(static_cast<int>(row)))
                continue;
            const int entries = CountEntries(tabs[tab].lists[row]);
            if (entries > 0)
                rows += "\n    " + RowText(tabs[tab].lists[row], entries);
        }
        if (!rows.empty())
            planned += "\n" + tabs[tab].caption + ":" + rows;
    }
    if (!planned.empty() &&
        ui::ShowMessage(Handle(), "These histories will be cleared:" + planned + "\n\nClear them now?", "Warning!",
                        MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) != IDOK)
        return;

    std::string failed;
    for (int tab = 0; tab < kTabs; ++tab)
        for (std::size_t row = 0; row < tabs[tab].lists.size(); ++row) {
            if (!lists_[tab].Checked(static_cast<int>(row)))
                continue;
            const HistoryList& list = tabs[tab].lists[row];
            std::string left;
            if (!ClearList(list, left))
                failed += "\n" + list.text + (left.empty() ? std::string() : " (" + left + ")");
        }
    RefreshCounts();
    if (failed.empty())
        ui::ShowMessage(Handle(), "Finish", "OK", MB_ICONINFORMATION);
    else
        ui::ShowMessage(Handle(), "These histories could not be cleared completely:" + failed, "Error",
                        MB_ICONERROR);
}

ui::UniqueMenu TForm1::CreateCheckMenu(bool rowTicked)
{
    ui::UniqueMenu menu(::CreatePopupMenu());
    ::AppendMenuA(menu.get(), MF_STRING, IDM_SCRUB_CHECK_CMD, rowTicked ? "Uncheck Selected" : "Check Selected");
    return menu;
}

void TForm1::ListContextMenu(HWND list, POINT screen)
{
    int tab = -1;
    for (int t = 0; t < kTabs; ++t)
        if (lists_[t].Handle() == list)
            tab = t;
    if (tab < 0)
        return;
    plugin::CheckListBox& rows = lists_[tab];
    int row;
    if (screen.x == -1 && screen.y == -1) {
        // From the keyboard: the selected row, below its top-left corner.
        row = rows.Selected();
        RECT rect{};
        if (row < 0 || ::SendMessageA(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect)) == LB_ERR)
            return;
        screen = {rect.left + 8, rect.bottom};
        ::ClientToScreen(list, &screen);
    } else {
        POINT client = screen;
        ::ScreenToClient(list, &client);
        row = rows.RowAt(client);
        if (row < 0)
            return;
    }
    rows.Select(row);
    menuTab_ = tab;
    menuRowTicked_ = rows.Checked(row);
    ui::UniqueMenu menu = CreateCheckMenu(menuRowTicked_);
    ::TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, Handle(), nullptr);
}

void TForm1::pmiCheckCmdClick()
{
    if (menuTab_ < 0)
        return;
    plugin::CheckListBox& rows = lists_[menuTab_];
    const int row = rows.Selected();
    if (row >= 0)
        rows.SetChecked(row, !menuRowTicked_);
}

bool TForm1::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_SCRUB_APPLY) {
        pbtnApplyClick();
        return true;
    }
    if (id == IDM_SCRUB_CHECK_CMD) {
        pmiCheckCmdClick();
        return true;
    }
    for (int tab = 0; tab < kTabs; ++tab) {
        if (id == CheckAllId(tab) || id == UncheckAllId(tab)) {
            lists_[tab].SetAllChecked(id == CheckAllId(tab));
            return true;
        }
    }
    return ui::Dialog::OnCommand(id, code, control);
}

bool TForm1::OnNotify(NMHDR& header, LRESULT& result)
{
    return pages_.OnNotify(header);
}

INT_PTR TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CONTEXTMENU) {
        ListContextMenu(reinterpret_cast<HWND>(wParam), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return TRUE;
    }
    return ui::Dialog::HandleMessage(message, wParam, lParam);
}

} // namespace kelt::scrub
