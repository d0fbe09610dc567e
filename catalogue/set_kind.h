#pragma once
// A kind: one page of the catalogue's page control holding the kind's items in one of two
// views. Expanded: every item's row in two scrolling areas, check-styled rows above and
// edit-styled rows below, with a movable bar between them. Compact: a one-column list of the
// items drawn with state pictures; only the selected item's row is shown, in the main
// window's editor panel (placed there by the catalogue).
//
// Row windows are made when first needed: when the page shows in the expanded view, or when
// the catalogue moves a row into the editor panel. Until then a row keeps its state in plain
// fields, so counting, listing, colouring and searching need no window.
//
// From the keyboard, Space in the compact list ticks the selected check-styled tweak (its box in
// the editor strip flips) and Enter moves into the editor strip. Assistive technology reads each
// entry as the tweak it stands for: its description, its State text as value, and "checked"
// exactly when a check-styled tweak is on (never from the picture, which marks the kind of
// item and whether it was changed).
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/set_item.h"
#include "ui/handles.h"
#include "ui/page_control.h"
#include "ui/scroll_box.h"
#include "ui/splitter.h"

namespace kelt {

class JTRegSettings;
class TXdbTable;

class JTSetKind : public ui::TabSheet, public JTObject {
public:
    // Height of the bar between the two areas and thickness of their scroll bars.
    static constexpr int kSplitterHeight = 8;
    static constexpr int kScrollBarSize = 15;
    // Row heights the scroll steps are made of.
    static constexpr int kCheckRowStep = 17;
    static constexpr int kEditRowStep = 47;
    // The compact list's columns: "Settings" and "State".
    static constexpr int kListColumnWidth = 600;     // at most
    static constexpr int kListColumnMinWidth = 240;  // at least, however narrow the list
    static constexpr int kStateColumnWidth = 210;    // "(Enterprise and Education only)" whole

    JTSetKind();
    ~JTSetKind() override;

    int KindCode() const override { return ikPage; }

    // --- operations, in their fixed order ---
    // Builds the page's windows from the kinds table's current row; raises kelt::Error when the
    // row's Glyph is not a valid bitmap.
    virtual bool BuildPage();
    // Remembers the settings (not owned), then BuildPage.
    virtual bool SetDisplaySettings(TRegSetOption* settings);
    // Takes the item into the check (edit) items; its row belongs in the check (edit) area;
    // AddToList. True.
    virtual bool AddCkItem(std::unique_ptr<JTSetItem> item);
    virtual bool AddEdItem(std::unique_ptr<JTSetItem> item);
    // Every check item, then every edit item, re-reads its registry value; the last item's
    // answer, true without items.
    virtual bool ReadAllValues();
    // Every check item, then every edit item, rebuilds its row; the last answer, true without
    // items.
    virtual bool RebuildControls();
    // Shares the page height between the two areas, an edit row weighing three check rows.
    // Expanded view only, and only with both areas, the splitter and at least one item.
    virtual bool AdjustAreas();

    // Lays out the rows and refills the compact list.
    bool Arrange();
    // Appends the item's compact-list entry (none for an unsuited item hidden by NotSuitShow 1).
    bool AddToList(JTSetItem* item);
    // Background of the areas, their bars and the splitter; every item's colours; Arrange.
    bool ApplyColors();
    // Draws one compact-list entry (WM_DRAWITEM of the list).
    void DrawEntry(const DRAWITEMSTRUCT& draw);

    // --- set up by the catalogue before SetDisplaySettings ---
    void SetCatalogue(JTRegSettings* catalogue) { catalogue_ = catalogue; }
    JTRegSettings* Catalogue() const { return catalogue_; }
    void SetPageControl(ui::PageControl* control) { pageControl_ = control; }
    ui::PageControl* PageControlOf() const { return pageControl_; }
    void SetKindsTable(TXdbTable* table) { kindsTable_ = table; }
    void SetRecordNumber(int recNo) { recordNumber_ = recNo; }
    int RecordNumber() const { return recordNumber_; }
    TRegSetOption* DisplaySettings() const { return settings_; }

    // --- what the page holds ---
    const std::string& sDescribe() const { return caption_; }
    const std::vector<std::unique_ptr<JTSetItem>>& CkItems() const { return ckItems_; }
    const std::vector<std::unique_ptr<JTSetItem>>& EdItems() const { return edItems_; }
    int CkItemCount() const { return static_cast<int>(ckItems_.size()); }
    int EdItemCount() const { return static_cast<int>(edItems_.size()); }
    // The kind's picture (null when its Glyph is empty).
    HBITMAP Glyph() const { return glyph_.get(); }

    ui::ScrollBox* CheckArea() const { return checkArea_.get(); }
    ui::ScrollBox* EditArea() const { return editArea_.get(); }
    ui::Splitter* SplitterBar() const { return splitter_.get(); }
    HWND CompactList() const { return list_; }
    // Whether the page leaves the item out: it does not suit the running Windows and the
    // settings hide such items (NotSuitShow 1).
    bool Hidden(const JTSetItem* item) const;
    // The area an item's row belongs in (its page area), null when the item is not on this page.
    ui::ScrollBox* AreaOf(const JTSetItem* item) const;
    // Makes the windows of the rows that have none yet, in their areas.
    void CreateRowWindows();
    // Makes the item's row window in its area when it has none; answers the area.
    ui::ScrollBox* EnsureRowWindow(JTSetItem* item);
    // Scrolls the item's area so its row shows.
    void ScrollRowIntoView(JTSetItem* item);

    // The compact list's entries: count and item of an entry.
    int ListCount() const;
    JTSetItem* ItemOfEntry(int entry) const;
    // Redraws the item's entry, whose picture follows the item's modified state.
    void RedrawEntry(const JTSetItem* item);
    // Redraws every entry (after the values were read again).
    void RedrawList();
    // Whether the item's entry stands for a modified item: it is listed and in the catalogue's
    // modified list.
    bool EntryChecked(const JTSetItem* item) const;
    // Selects and focuses an entry and scrolls it into view; focuses the list.
    void SelectEntry(int entry);
    // Height of the compact list's entries.
    int EntryHeight() const { return entryHeight_; }
    // What Space in the list does to an entry: ticks a check-styled tweak. False for others.
    bool ToggleEntry(int entry);

    // Raised by the compact list: a mouse button went down on it (entry under the pointer, -1
    // for none) and an entry became selected.
    std::function<void(JTSetKind& page, int entry)> OnListMouseDown;
    std::function<void(JTSetKind& page, JTSetItem* item)> OnListSelect;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;
    void OnSize(UINT type, int width, int height) override;
    void OnActivated() override;
    void OnDpiChanged(int dpi, const RECT* suggested) override;

private:
    class ListReader;
    // The compact list's font, entry height and column at a scale.
    void ScaleList(int dpi);
    void FitListColumns(int dpi);
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data);
    const TRegSetOption& Settings() const;
    bool Expanded() const;
    // Places the areas and the splitter with the given edit area height, the list over all.
    void LayoutAreas(int editHeight);
    void ArrangeRows(const std::vector<std::unique_ptr<JTSetItem>>& items, ui::ScrollBox& area, int& top);
    void LoadGlyph();

    std::string caption_;                   // the kind's sDescribe
    std::unique_ptr<ui::ScrollBox> checkArea_;
    std::unique_ptr<ui::ScrollBox> editArea_;
    ui::PageControl* pageControl_ = nullptr;
    std::unique_ptr<ui::Splitter> splitter_;
    TXdbTable* kindsTable_ = nullptr;
    int ckRowTop_ = 5;
    int edRowTop_ = 5;
    int ckStep_ = 5;
    int edStep_ = 5;
    std::vector<std::unique_ptr<JTSetItem>> ckItems_;
    std::vector<std::unique_ptr<JTSetItem>> edItems_;
    ui::UniqueBitmap glyph_;
    int recordNumber_ = 0;
    HWND list_ = nullptr;
    TRegSetOption* settings_ = nullptr;
    JTRegSettings* catalogue_ = nullptr;

    // The compact list holds no entries of its own (LVS_OWNERDATA): entry i is entries_[i].
    // Filling it costs nothing per item.
    void SyncListCount();
    std::vector<JTSetItem*> entries_;
    bool filling_ = false;            // Arrange refills the list: count set once at the end

    std::unique_ptr<ListReader> listReader_;  // what assistive technology reads of the list
    ui::UniqueImageList entrySizer_;  // gives the list's entries room for the pictures
    int entryHeight_ = 0;
    int editHeight_ = 0;              // current height of the edit area
};

} // namespace kelt
