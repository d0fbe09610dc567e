#include "ui/report_list.h"

#include <commctrl.h>

#include "ui/dpi.h"

namespace kelt::ui {

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
    if (message == DpiChangedNotice())
        SetRowHeight(hwnd, ScaleFor(static_cast<int>(rowHeight), static_cast<int>(wParam)));
    else if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(hwnd, ScaleProc, id);
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

} // namespace

void ReportList::Attach(HWND list, const std::vector<Column>& columns, int rowHeight, bool checkBoxes)
{
    list_ = list;
    if (!list_)
        return;
    const DWORD style = LVS_EX_FULLROWSELECT | (checkBoxes ? LVS_EX_CHECKBOXES : 0);
    ListView_SetExtendedListViewStyleEx(list_, style, style);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<char*>(columns[i].caption.c_str());
        column.cx = ScaleIn(list_, columns[i].width);
        column.iSubItem = i;
        ::SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    if (rowHeight > 0) {
        SetRowHeight(list_, ScaleIn(list_, rowHeight));
        ::SetWindowSubclass(list_, ScaleProc, kScaleSubclassId, static_cast<DWORD_PTR>(rowHeight));
    }
}

void ReportList::Clear()
{
    if (list_)
        ListView_DeleteAllItems(list_);
}

int ReportList::Add(const std::vector<std::string>& texts, bool checked, LPARAM data)
{
    const int row = AddRow(texts.empty() ? std::string() : texts[0], data);
    if (row < 0)
        return row;
    for (int column = 1; column < static_cast<int>(texts.size()); ++column)
        SetText(row, column, texts[column]);
    SetChecked(row, checked);
    return row;
}

int ReportList::AddRow(const std::string& caption, LPARAM data)
{
    if (!list_)
        return -1;
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = Count();
    item.pszText = const_cast<char*>(caption.c_str());
    item.lParam = data;
    return static_cast<int>(::SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void ReportList::SetText(int row, int column, const std::string& text)
{
    LVITEMA cell{};
    cell.iSubItem = column;
    cell.pszText = const_cast<char*>(text.c_str());
    ::SendMessageA(list_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell));
}

std::string ReportList::Text(int row, int column) const
{
    if (!list_)
        return std::string();
    char buffer[1024] = {};
    LVITEMA cell{};
    cell.iSubItem = column;
    cell.pszText = buffer;
    cell.cchTextMax = sizeof buffer;
    ::SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell));
    return buffer;
}

int ReportList::Count() const
{
    return list_ ? static_cast<int>(::SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

bool ReportList::Checked(int row) const
{
    const UINT state = static_cast<UINT>(::SendMessageA(list_, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
    return (state >> 12) == 2;
}

void ReportList::SetChecked(int row, bool checked)
{
    LVITEMA item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    ::SendMessageA(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

LPARAM ReportList::Data(int row) const
{
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!list_ || !::SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return 0;
    return item.lParam;
}

int ReportList::Selected() const
{
    return list_ ? static_cast<int>(::SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED))
                 : -1;
}

bool ReportList::IsCheckChange(const NMHDR& header, int& row)
{
    if (header.code != LVN_ITEMCHANGED)
        return false;
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if (change.iItem < 0 || (change.uChanged & LVIF_STATE) == 0)
        return false;
    if (((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) == 0)
        return false;
    row = change.iItem;
    return true;
}

} // namespace kelt::ui
