#include "catalogue/set_kind.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "catalogue/ck_set_item.h"
#include "catalogue/reg_settings.h"
#include "storage/xdb_table.h"
#include "ui/accessible.h"
#include "ui/bitmap.h"
#include "ui/paint.h"
#include "ui/colour.h"
#include "ui/dpi.h"
#include "ui/instance.h"
#include "ui/text.h"

namespace kelt {

namespace {

const int kListId = 2001;
const UINT_PTR kListSubclassId = 0x4B4C;  // 'KL'
// Transparent colour of the kind pictures on the tabs.
const COLORREF kGlyphTransparent = 0x848284;
const int kTabPictureSize = 16;
// The state pictures of the compact list, at 96 dpi.
const int kStatePictureSize = 16;
// Asks the list to run an entry's default action (wParam: the entry) from the message loop.
const UINT kEntryActionMessage = WM_APP + 0x4B;

} // namespace

// ---------------------------------------------------------------- the list as it is read

class JTSetKind::ListReader : public ui::AccessibleSource {
public:
    explicit ListReader(JTSetKind& page) : page_(page) {}

    int AccessibleCount() const override { return page_.ListCount(); }
    std::string AccessibleName(int element) const override
    {
        if (element == 0)
            return page_.Caption();
        const JTSetItem* item = Item(element);
        return item ? item->sDescribe : std::string();
    }
    long AccessibleRole(int element) const override { return element == 0 ? ROLE_SYSTEM_LIST : ROLE_SYSTEM_LISTITEM; }
    long AccessibleState(int element) const override
    {
        JTSetItem* item = Item(element);
        if (!item)
            return 0;
        long state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
        const UINT shown = ListView_GetItemState(page_.list_, element - 1, LVIS_SELECTED);
        if (shown & LVIS_SELECTED)
            state |= STATE_SYSTEM_SELECTED;
        // The tweak's own state, whatever the entry's picture looks like.
        if (ItemKindOf(item) == ikCheckItem && static_cast<JTckSetItem*>(item)->IsChecked())
            state |= STATE_SYSTEM_CHECKED;
        if (!item->SuitsRunningWindows())
            state |= STATE_SYSTEM_UNAVAILABLE;
        RECT r{};
        if (!AccessibleRect(element, r))
            state |= STATE_SYSTEM_OFFSCREEN;
        return state;
    }
    std::string AccessibleValue(int element) const override
    {
        JTSetItem* item = Item(element);
        return item ? item->StateText() : std::string();
    }
    std::string AccessibleDescription(int element) const override
    {
        JTSetItem* item = Item(element);
        return item && item->IsModified() ? "Changed, not applied yet" : std::string();
    }
    std::string AccessibleDefaultAction(int element) const override
    {
        JTSetItem* item = Item(element);
        if (!item)
            return std::string();
        return ItemKindOf(item) == ikCheckItem ? "Toggle" : "Edit";
    }
    bool AccessibleDoDefault(int element) override
    {
        if (!Item(element))
            return false;
        ::PostMessageA(page_.list_, kEntryActionMessage, static_cast<WPARAM>(element - 1), 0);
        return true;
    }
    bool AccessibleRect(int element, RECT& client) const override
    {
        if (!Item(element))
            return false;
        client.left = LVIR_BOUNDS;
        if (!::SendMessageA(page_.list_, LVM_GETITEMRECT, static_cast<WPARAM>(element - 1), reinterpret_cast<LPARAM>(&client)))
            return false;
        RECT view{};
        ::GetClientRect(page_.list_, &view);
        RECT visible{};
        return ::IntersectRect(&visible, &client, &view) != FALSE;
    }
    int AccessibleElementAt(POINT client) const override
    {
        LVHITTESTINFO hit{};
        hit.pt = client;
        const int entry = static_cast<int>(::SendMessageA(page_.list_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        return entry >= 0 && entry < page_.ListCount() ? entry + 1 : 0;
    }
    int AccessibleFocus() const override
    {
        const int entry = ListView_GetNextItem(page_.list_, -1, LVNI_FOCUSED);
        return entry >= 0 && entry < page_.ListCount() ? entry + 1 : 0;
    }
    int AccessibleSelection() const override
    {
        const int entry = ListView_GetNextItem(page_.list_, -1, LVNI_SELECTED);
        return entry >= 0 && entry < page_.ListCount() ? entry + 1 : 0;
    }
    bool AccessibleSelect(int element, long flags) override
    {
        if (!Item(element) || !(flags & (SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION)))
            return false;
        page_.SelectEntry(element - 1);
        return true;
    }

private:
    JTSetItem* Item(int element) const { return element > 0 ? page_.ItemOfEntry(element - 1) : nullptr; }
    JTSetKind& page_;
};

// ---------------------------------------------------------------- JTSetKind

JTSetKind::JTSetKind() = default;

JTSetKind::~JTSetKind()
{
    // Rows leave their areas (and the editor panel) first, then the items go, then the page's
    // own windows.
    for (auto* items : {&ckItems_, &edItems_})
        for (auto& item : *items)
            if (JTRowControl* row = item->GetControl()) {
                row->SetVisible(false);
                row->SetParentArea(nullptr);
            }
    ckItems_.clear();
    edItems_.clear();
    checkArea_.reset();
    editArea_.reset();
    splitter_.reset();
    if (list_ && ::IsWindow(list_))
        ::DestroyWindow(list_);
    list_ = nullptr;
    LeaveControl();
    Destroy();
}

const TRegSetOption& JTSetKind::Settings() const
{
    return SettingsOrDefaults(settings_);
}

bool JTSetKind::Expanded() const
{
    return Settings().ExpandItems;
}

bool JTSetKind::Hidden(const JTSetItem* item) const
{
    return Settings().NotSuitShow == 1 && !item->SuitsRunningWindows();
}

bool JTSetKind::SetDisplaySettings(TRegSetOption* settings)
{
    settings_ = settings;
    return BuildPage();
}

void JTSetKind::LoadGlyph()
{
    TXdbBlobStream stream(*kindsTable_, "Glyph", bmRead);
    glyph_.reset(ui::LoadBitmapFromBytes(stream.ReadAll()));
    int index = -1;
    if (glyph_) {
        ui::UniqueBitmap small(ui::ScaleBitmap(glyph_.get(), kTabPictureSize, kTabPictureSize));
        if (small)
            index = ::ImageList_AddMasked(pageControl_->ImageList(), small.get(), kGlyphTransparent);
    }
    SetImageIndex(index);
}

bool JTSetKind::BuildPage()
{
    if (!pageControl_ || !pageControl_->Handle() || !kindsTable_)
        return false;
    const TRegSetOption& settings = Settings();

    // 1. Caption from the row the catalogue stands on; the page joins the control.
    caption_ = kindsTable_->FieldByName("sDescribe").AsString();
    SetSheetVisible(settings.ShowCreating);
    SetCaption(caption_);
    if (!CreateSheet(*pageControl_))
        return false;

    // 2. The tab picture.
    if (pageControl_->ImageList())
        LoadGlyph();

    const int width = ClientWidth();
    const int height = ClientHeight();

    // 3. Edit area, at the bottom.
    editArea_ = std::make_unique<ui::ScrollBox>();
    editArea_->SetBackColour(settings.TWeakBackColor);
    editArea_->SetBarSize(kScrollBarSize);
    editArea_->SetHorzIncrement(edStep_ + kEditRowStep);
    editArea_->SetWheelStep(edStep_ + kEditRowStep);
    editArea_->CreateIn(Handle(), 0, height, width, 0, true);

    // 4. Splitter above it.
    splitter_ = std::make_unique<ui::Splitter>();
    splitter_->SetThickness(kSplitterHeight);
    splitter_->SetAccessibleTitle("Height of the edit-style settings");
    splitter_->SetBackColour(settings.TWeakBackColor);
    splitter_->CreateIn(Handle(), 0, height - kSplitterHeight, width, true);

    // 5. Check area, the rest.
    checkArea_ = std::make_unique<ui::ScrollBox>();
    checkArea_->SetBackColour(settings.TWeakBackColor);
    checkArea_->SetBarSize(kScrollBarSize);
    checkArea_->SetHorzIncrement(edStep_ + kEditRowStep);
    checkArea_->SetWheelStep(ckStep_ + kCheckRowStep);
    checkArea_->CreateIn(Handle(), 0, 0, width, std::max(0, height - kSplitterHeight), true);

    splitter_->Attach(checkArea_->Handle(), editArea_->Handle());
    splitter_->OnMoved = [this](int below) { LayoutAreas(below); };

    // 7. Compact list over the whole page.
    const DWORD style = WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDRAWFIXED |
                        LVS_NOSORTHEADER | LVS_OWNERDATA;
    list_ = ::CreateWindowExA(0, WC_LISTVIEWA, "", style, 0, 0, width, height, Handle(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), ui::Instance(), nullptr);
    if (list_) {
        ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT);
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>("Settings");
        column.cx = kListColumnWidth;
        ::SendMessageA(list_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
        // What each tweak is set to, readable without opening it.
        column.pszText = const_cast<char*>("State");
        column.cx = kStateColumnWidth;
        ::SendMessageA(list_, LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
        ScaleList(Dpi());
        listReader_ = std::make_unique<ListReader>(*this);
        ::SetWindowSubclass(list_, ListProc, kListSubclassId, reinterpret_cast<DWORD_PTR>(this));
    }
    LayoutAreas(editHeight_);
    return true;
}

bool JTSetKind::AddCkItem(std::unique_ptr<JTSetItem> item)
{
    if (!item)
        return false;
    JTSetItem* added = item.get();
    ckItems_.push_back(std::move(item));
    AddToList(added);
    return true;
}

bool JTSetKind::AddEdItem(std::unique_ptr<JTSetItem> item)
{
    if (!item)
        return false;
    JTSetItem* added = item.get();
    edItems_.push_back(std::move(item));
    AddToList(added);
    return true;
}

ui::ScrollBox* JTSetKind::AreaOf(const JTSetItem* item) const
{
    for (const auto& own : ckItems_)
        if (own.get() == item)
            return checkArea_.get();
    for (const auto& own : edItems_)
        if (own.get() == item)
            return editArea_.get();
    return nullptr;
}

ui::ScrollBox* JTSetKind::EnsureRowWindow(JTSetItem* item)
{
    ui::ScrollBox* area = AreaOf(item);
    if (area && area->Area() && item->ParentArea() != area->Area())
        item->SetParentArea(area->Area());
    return area;
}

void JTSetKind::CreateRowWindows()
{
    for (auto* items : {&ckItems_, &edItems_}) {
        ui::ScrollBox* area = items == &ckItems_ ? checkArea_.get() : editArea_.get();
        if (!area || !area->Area())
            continue;
        for (auto& item : *items)
            if (item->ParentArea() != area->Area())
                item->SetParentArea(area->Area());
    }
}

void JTSetKind::ScrollRowIntoView(JTSetItem* item)
{
    ui::ScrollBox* area = AreaOf(item);
    JTRowControl* row = item ? item->GetControl() : nullptr;
    if (!area || !row)
        return;
    const RECT r{row->Left(), row->Top(), row->Left() + row->Width(), row->Top() + row->Height()};
    area->ScrollIntoView(r);
}

bool JTSetKind::ReadAllValues()
{
    bool result = true;
    for (auto& item : ckItems_)
        result = item->ReadValue();
    for (auto& item : edItems_)
        result = item->ReadValue();
    return result;
}

bool JTSetKind::RebuildControls()
{
    bool result = true;
    for (auto& item : ckItems_)
        result = item->BuildControl();
    for (auto& item : edItems_)
        result = item->BuildControl();
    return result;
}

void JTSetKind::LayoutAreas(int editHeight)
{
    if (!Handle())
        return;
    const int width = ClientWidth();
    const int height = ClientHeight();
    editHeight_ = std::clamp(editHeight, 0, std::max(0, height - kSplitterHeight));
    const int checkHeight = std::max(0, height - editHeight_ - kSplitterHeight);
    if (editArea_)
        editArea_->SetBounds(0, height - editHeight_, width, editHeight_);
    if (splitter_)
        splitter_->SetBounds(0, checkHeight, width, kSplitterHeight);
    if (checkArea_)
        checkArea_->SetBounds(0, 0, width, checkHeight);
    if (list_) {
        ::SetWindowPos(list_, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        FitListColumns(Dpi());
    }
}

// The State column keeps its width, so that its longest texts stay readable in a narrow window;
// the descriptions take what is left, down to a width they can still be read in.
void JTSetKind::FitListColumns(int dpi)
{
    RECT client{};
    ::GetClientRect(list_, &client);
    // Room for the vertical scroll bar the rows will bring, so that no horizontal one comes too.
    if ((::GetWindowLongA(list_, GWL_STYLE) & WS_VSCROLL) == 0)
        client.right -= ui::ScaleFor(17, dpi);  // the system's scroll bar at 96 dpi
    const int state = ui::ScaleFor(kStateColumnWidth, dpi);
    const int settings = std::clamp<int>(client.right - state, ui::ScaleFor(kListColumnMinWidth, dpi),
                                         ui::ScaleFor(kListColumnWidth, dpi));
    ::SendMessageA(list_, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(settings, 0));
    ::SendMessageA(list_, LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(state, 0));
}

bool JTSetKind::AdjustAreas()
{
    if (!Expanded() || !checkArea_ || !editArea_ || !splitter_)
        return false;
    const long long checks = CkItemCount();
    const long long edits = EdItemCount();
    if (checks + edits == 0)
        return false;
    const long long usable = std::max(0, ClientHeight() - kSplitterHeight);
    LayoutAreas(static_cast<int>(usable * edits * 3 / (checks + 3 * edits)));
    return true;
}

void JTSetKind::ScaleList(int dpi)
{
    if (!list_)
        return;
    HFONT font = ui::DefaultFontFor(dpi);
    ::SendMessageA(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // Entries tall enough for the state pictures and the text.
    TEXTMETRICA metrics{};
    {
        ui::WindowDC dc(list_);
        ui::SelectedObject selected(dc.get(), font);
        ::GetTextMetricsA(dc.get(), &metrics);
    }
    entryHeight_ = std::max<int>(ui::ScaleFor(kStatePictureSize, dpi), metrics.tmHeight) + 2;
    entrySizer_.reset(::ImageList_Create(1, entryHeight_, ILC_COLOR, 0, 1));
    ListView_SetImageList(list_, entrySizer_.get(), LVSIL_SMALL);
    FitListColumns(dpi);
}

void JTSetKind::OnDpiChanged(int dpi, const RECT* suggested)
{
    ScaleList(dpi);
    // Rows without a window yet take the new scale too, so the areas are arranged for it.
    for (auto* items : {&ckItems_, &edItems_})
        for (auto& item : *items)
            if (JTRowControl* row = item->GetControl())
                row->FollowScale(dpi);
    if (settings_)
        Arrange();
    ui::TabSheet::OnDpiChanged(dpi, suggested);
}

void JTSetKind::OnSize(UINT, int, int)
{
    LayoutAreas(editHeight_);
    AdjustAreas();
}

void JTSetKind::ArrangeRows(const std::vector<std::unique_ptr<JTSetItem>>& items, ui::ScrollBox& area, int& top)
{
    const int space = Settings().TWeakSpace;
    int right = 0;
    int bottom = 0;
    for (const auto& item : items) {
        JTRowControl* row = item->GetControl();
        if (!row)
            continue;
        item->ApplySuitability();
        if (!row->IsVisible())
            continue;
        row->SetPosition(row->Left(), top);
        right = std::max(right, row->Left() + row->Width());
        bottom = top + row->Height();
        top += row->Height() + space;
        AddToList(item.get());
    }
    area.SetExtent(right, bottom);
}

bool JTSetKind::Arrange()
{
    if (!Handle() || !checkArea_ || !editArea_)
        return false;
    const TRegSetOption& settings = Settings();
    SetSheetVisible(settings.ShowCreating);
    ckRowTop_ = settings.TWeakSpace;
    edRowTop_ = settings.TWeakSpace;
    entries_.clear();
    for (auto* items : {&ckItems_, &edItems_})
        for (auto& item : *items)
            item->SetListEntry(-1);

    filling_ = true;
    ArrangeRows(ckItems_, *checkArea_, ckRowTop_);
    ArrangeRows(edItems_, *editArea_, edRowTop_);
    filling_ = false;
    SyncListCount();

    const bool expanded = settings.ExpandItems;
    checkArea_->SetVisible(expanded);
    editArea_->SetVisible(expanded);
    splitter_->SetVisible(expanded);
    if (list_)
        ::ShowWindow(list_, expanded ? SW_HIDE : SW_SHOWNA);

    SetSheetVisible(true);
    AdjustAreas();
    if (expanded && Showing())
        CreateRowWindows();
    return true;
}

void JTSetKind::OnActivated()
{
    SyncListCount();
    // While the catalogue builds its pages the control is hidden and Arrange makes the rows.
    if (Expanded() && pageControl_ && pageControl_->IsVisible())
        CreateRowWindows();
}

bool JTSetKind::AddToList(JTSetItem* item)
{
    if (!item || !list_ || Hidden(item))
        return false;
    item->SetListEntry(static_cast<int>(entries_.size()));
    entries_.push_back(item);
    // A list nobody sees learns its count when it shows (Arrange, activation, selection).
    if (!filling_ && ::IsWindowVisible(list_))
        SyncListCount();
    return true;
}

void JTSetKind::SyncListCount()
{
    if (list_ && ListView_GetItemCount(list_) != ListCount())
        ListView_SetItemCountEx(list_, ListCount(), LVSICF_NOSCROLL);
}

int JTSetKind::ListCount() const
{
    return static_cast<int>(entries_.size());
}

JTSetItem* JTSetKind::ItemOfEntry(int entry) const
{
    if (entry < 0 || entry >= ListCount())
        return nullptr;
    return entries_[static_cast<std::size_t>(entry)];
}

void JTSetKind::RedrawEntry(const JTSetItem* item)
{
    if (list_ && item && ItemOfEntry(item->ListEntry()) == item) {
        ListView_RedrawItems(list_, item->ListEntry(), item->ListEntry());
        // A tick or an edit: the entry's state and its State text changed.
        ui::NotifyAccessible(EVENT_OBJECT_STATECHANGE, list_, item->ListEntry() + 1);
        ui::NotifyAccessible(EVENT_OBJECT_VALUECHANGE, list_, item->ListEntry() + 1);
    }
}

bool JTSetKind::ToggleEntry(int entry)
{
    JTSetItem* item = ItemOfEntry(entry);
    if (!item || ItemKindOf(item) != ikCheckItem)
        return false;
    // The editor strip shows the selected entry's row: the tick is made there.
    if (ListView_GetNextItem(list_, -1, LVNI_SELECTED) != entry)
        SelectEntry(entry);
    return static_cast<JTckSetItem*>(item)->Toggle();
}

void JTSetKind::RedrawList()
{
    if (list_)
        ::InvalidateRect(list_, nullptr, FALSE);
}

bool JTSetKind::EntryChecked(const JTSetItem* item) const
{
    return item && ItemOfEntry(item->ListEntry()) == item && catalogue_ && catalogue_->IsInModifiedList(item);
}

void JTSetKind::SelectEntry(int entry)
{
    if (!list_ || entry < 0 || entry >= ListCount())
        return;
    SyncListCount();
    ::SetFocus(list_);
    ListView_SetItemState(list_, entry, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list_, entry, FALSE);
}

bool JTSetKind::ApplyColors()
{
    const TRegSetOption& settings = Settings();
    for (ui::ScrollBox* area : {checkArea_.get(), editArea_.get()})
        if (area)
            area->SetBackColour(settings.TWeakBackColor);
    if (splitter_)
        splitter_->SetBackColour(settings.TWeakBackColor);
    for (auto& item : ckItems_)
        item->ApplyColors();
    for (auto& item : edItems_)
        item->ApplyColors();
    return Arrange();
}

void JTSetKind::DrawEntry(const DRAWITEMSTRUCT& draw)
{
    JTSetItem* item = ItemOfEntry(static_cast<int>(draw.itemID));
    if (!item)
        return;
    const TRegSetOption& settings = Settings();
    const bool check = ItemKindOf(item) == ikCheckItem;
    const bool focused = (draw.itemState & ODS_FOCUS) != 0;
    HBITMAP picture = nullptr;
    Colour text = settings.NorTWeakColor;
    if (item->IsModified()) {
        text = settings.ModTWeakColor;
        if (catalogue_)
            picture = catalogue_->StatePicture(check ? JTRegSettings::spModTick : JTRegSettings::spModEdit);
    } else {
        if (catalogue_)
            picture = catalogue_->StatePicture(check ? JTRegSettings::spNorTick : JTRegSettings::spNorEdit);
        text = focused ? 0xFFFFFF : settings.NorTWeakColor;
    }
    Colour fill = focused ? ui::SystemColour(COLOR_ACTIVECAPTION) : 0xFFFFFF;
    const bool contrast = ui::HighContrast();
    if (contrast) {
        // The theme's colours: the highlight pair for the focused entry, the window's else.
        fill = ui::SystemColour(focused ? COLOR_HIGHLIGHT : COLOR_WINDOW);
        if (focused)
            text = ui::SystemColour(COLOR_HIGHLIGHTTEXT);
    }

    HDC dc = draw.hDC;
    RECT rect = draw.rcItem;
    ui::UniqueBrush brush(ui::CreateColourBrush(fill));
    ui::UniquePen pen(::CreatePen(PS_SOLID, 1, ui::ResolveColour(fill)));
    {
        ui::SelectedObject selectedBrush(dc, brush.get());
        ui::SelectedObject selectedPen(dc, pen.get());
        ::FillRect(dc, &rect, brush.get());
        ::Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
    }

    int x = 0;
    if (picture) {
        BITMAP info{};
        ::GetObjectA(picture, sizeof info, &info);
        // The pictures are drawn for 96 dpi; at another scale they grow with the text.
        const int width = ::MulDiv(info.bmWidth, Dpi(), ui::kDefaultDpi);
        const int height = ::MulDiv(info.bmHeight, Dpi(), ui::kDefaultDpi);
        if (contrast) {
            ui::DrawBitmapMono(dc, picture, CLR_INVALID, rect.left, rect.top, width, height, ui::ResolveColour(text));
        } else {
            ui::MemoryDC memory(dc);
            ui::SelectedObject selected(memory.get(), picture);
            if (width == info.bmWidth && height == info.bmHeight) {
                ::BitBlt(dc, rect.left, rect.top, width, height, memory.get(), 0, 0, SRCCOPY);
            } else {
                ::SetStretchBltMode(dc, COLORONCOLOR);
                ::StretchBlt(dc, rect.left, rect.top, width, height, memory.get(), 0, 0, info.bmWidth, info.bmHeight,
                             SRCCOPY);
            }
        }
        x = rect.left + width + 1;
    }
    HFONT font = list_ ? reinterpret_cast<HFONT>(::SendMessageA(list_, WM_GETFONT, 0, 0)) : nullptr;
    ui::SelectedObject selectedFont(dc, font ? font : ui::DefaultFontFor(Dpi()));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ui::ResolveColour(text));
    const int settingsWidth = list_ ? ListView_GetColumnWidth(list_, 0) : kListColumnWidth;
    RECT described = rect;
    described.right = std::min<LONG>(rect.right, rect.left + settingsWidth);
    ::ExtTextOutA(dc, x, rect.top, ETO_CLIPPED, &described, item->sDescribe.c_str(),
                  static_cast<UINT>(item->sDescribe.size()), nullptr);
    const std::string state = item->StateText();
    RECT stateCell = rect;
    stateCell.left = described.right + ui::Scale(4);
    ::ExtTextOutA(dc, stateCell.left, rect.top, ETO_CLIPPED, &stateCell, state.c_str(), static_cast<UINT>(state.size()),
                  nullptr);
}

LRESULT CALLBACK JTSetKind::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data)
{
    auto* self = reinterpret_cast<JTSetKind*>(data);
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (self->OnListMouseDown) {
            LVHITTESTINFO hit{};
            hit.pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            const int entry = static_cast<int>(::SendMessageA(hwnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
            self->OnListMouseDown(*self, entry);
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            // Space ticks the selected tweak (the list itself would only select it again).
            self->ToggleEntry(ListView_GetNextItem(hwnd, -1, LVNI_SELECTED));
            return 0;
        }
        if (wParam == VK_RETURN) {
            // Enter goes into the editor strip, where the value is changed.
            if (JTSetItem* item = self->ItemOfEntry(ListView_GetNextItem(hwnd, -1, LVNI_SELECTED)))
                if (JTRowControl* row = item->GetControl())
                    if (row->CanFocus())
                        row->Focus();
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == ' ' || wParam == '\r')
            return 0;  // used by the key itself, not a letter to find an entry by
        break;
    case WM_GETOBJECT:
        if (self->listReader_)
            if (const LRESULT answer = ui::AnswerGetObject(hwnd, wParam, lParam, *self->listReader_))
                return answer;
        break;
    case WM_NCDESTROY:
        ui::ForgetAccessible(hwnd);
        ::RemoveWindowSubclass(hwnd, ListProc, id);
        break;
    default:
        if (message == kEntryActionMessage) {
            const int entry = static_cast<int>(wParam);
            if (!self->ToggleEntry(entry) && self->ItemOfEntry(entry)) {
                self->SelectEntry(entry);
                ::PostMessageA(hwnd, WM_KEYDOWN, VK_RETURN, 0);
            }
            return 0;
        }
        break;
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT JTSetKind::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWITEM) {
        const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (draw && draw->hwndItem == list_ && list_) {
            DrawEntry(*draw);
            return TRUE;
        }
    }
    return TabSheet::HandleMessage(message, wParam, lParam);
}

bool JTSetKind::OnNotify(NMHDR& header, LRESULT& result)
{
    if (!list_ || header.hwndFrom != list_)
        return false;
    if (header.code == static_cast<UINT>(LVN_GETDISPINFOA)) {
        auto& info = reinterpret_cast<NMLVDISPINFOA&>(header);
        JTSetItem* item = ItemOfEntry(info.item.iItem);
        if (item && (info.item.mask & LVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0)
            ui::CopyText(info.item.pszText, info.item.cchTextMax,
                         info.item.iSubItem == 1 ? item->StateText() : item->sDescribe);
        result = 0;
        return true;
    }
    if (header.code == static_cast<UINT>(LVN_ODFINDITEMA)) {
        // Typing in the list finds the next entry starting with the typed text.
        const auto& find = reinterpret_cast<const NMLVFINDITEMA&>(header);
        result = -1;
        if ((find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) && find.lvfi.psz) {
            const std::size_t length = std::strlen(find.lvfi.psz);
            const int count = ListCount();
            for (int n = 0; n < count; ++n) {
                const int entry = (find.iStart + n) % count;
                const std::string& text = entries_[static_cast<std::size_t>(entry)]->sDescribe;
                if (text.size() >= length && ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text.c_str(),
                                                              static_cast<int>(length), find.lvfi.psz,
                                                              static_cast<int>(length)) == CSTR_EQUAL) {
                    result = entry;
                    break;
                }
            }
        }
        return true;
    }
    if (header.code == static_cast<UINT>(LVN_ITEMCHANGED)) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        const bool selected = (change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED) &&
                              !(change.uOldState & LVIS_SELECTED);
        if (selected && change.iItem >= 0 && OnListSelect)
            OnListSelect(*this, ItemOfEntry(change.iItem));
    }
    result = 0;
    return false;
}

} // namespace kelt
