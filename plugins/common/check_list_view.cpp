#include "plugins/common/check_list_view.h"

#include <commctrl.h>

#include "ui/dpi.h"

namespace kelt::plugin {

namespace {

constexpr UINT_PTR kScaleSubclassId = 0x4B4352;  // "KCR"

// The row height follows the small-image height; an image list of blank images fixes it.
// The list view destroys it with itself (no LVS_SHAREIMAGELISTS).
void SetRowHeight(HWND list, int height)
{
    HIMAGELIST rows = ImageList_Create(1, height, ILC_COLOR, 0, 1);
    if (rows) {
        HIMAGELIST previous = ListView_SetImageList(list, rows, LVSIL_SMALL);
        if (previous)
            ImageList_Destroy(previous);
    }
}

// Rows stay `rowHeight` (96-dpi pixels) high at the window's scale.
LRESULT CALLBACK ScaleProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR rowHeight)
{
    if (message == ui::DpiChangedNotice())
        SetRowHeight(hwnd, ui::ScaleFor(static_cast<int>(rowHeight), static_cast<int>(wParam)));
    else if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(hwnd, ScaleProc, id);
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

} // namespace

void CheckListView::Attach(HWND listView, const std::vector<Column>& columns, int rowHeight)
{
    list_ = listView;
    columns_ = static_cast<int>(columns.size());
    if (!list_)
        return;
    ListView_SetExtendedListViewStyleEx(list_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT,
                                        LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    for (int i = 0; i < columns_; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(columns[i].caption.c_str());
        column.cx = ui::ScaleIn(list_, columns[i].width);
        ::SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    SetRowHeight(list_, ui::ScaleIn(list_, rowHeight));
    ::SetWindowSubclass(list_, ScaleProc, kScaleSubclassId, static_cast<DWORD_PTR>(rowHeight));
}

void CheckListView::Clear()
{
    if (list_)
        ListView_DeleteAllItems(list_);
}

int CheckListView::Add(const std::vector<std::string>& texts, bool checked, LPARAM data)
{
    if (!list_)
        return -1;
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = Count();
    item.lParam = data;
    std::string first = texts.empty() ? std::string() : texts[0];
    item.pszText = &first[0];
    const int row = static_cast<int>(::SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0)
        return row;
    for (int column = 1; column < static_cast<int>(texts.size()) && column < columns_; ++column) {
        std::string text = texts[column];
        LVITEMA sub{};
        sub.iSubItem = column;
        sub.pszText = &text[0];
        ::SendMessageA(list_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&sub));
    }
    SetChecked(row, checked);
    return row;
}

int CheckListView::Count() const
{
    return list_ ? ListView_GetItemCount(list_) : 0;
}

bool CheckListView::Checked(int row) const
{
    return list_ && ListView_GetCheckState(list_, row) != 0;
}

void CheckListView::SetChecked(int row, bool checked)
{
    if (list_)
        ListView_SetCheckState(list_, row, checked ? TRUE : FALSE);
}

LPARAM CheckListView::Data(int row) const
{
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!list_ || !::SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return -1;
    return item.lParam;
}

std::string CheckListView::Text(int row, int column) const
{
    if (!list_)
        return std::string();
    char buffer[1024] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    ::SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

int CheckListView::Selected() const
{
    return list_ ? ListView_GetNextItem(list_, -1, LVNI_SELECTED) : -1;
}

} // namespace kelt::plugin
