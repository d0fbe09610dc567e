#pragma once
// The catalogue: every tweak the program knows. It loads the three catalogue tables into one
// page per kind and one item per row, and is then the hub for items as a whole: the list of
// modified items, the selected item, the details text, re-reading all values, locating and
// flashing one item, keyword search, and the record table the apply run writes.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/set_item.h"
#include "catalogue/set_kind.h"
#include "storage/xdb_table.h"
#include "ui/handles.h"
#include "ui/page_control.h"

namespace kelt {

inline constexpr const char* kKindsVersion = "DNV'S KELT KINDS DB 0.8";
inline constexpr const char* kCkItemsVersion = "DNV'S KELT CKITEMS DB 0.8";
inline constexpr const char* kEdItemsVersion = "DNV'S KELT EDITEMS DB 0.8";

// What a search looks for.
struct JTSearchCriteria {
    int iKind = 0;                 // 0: every kind; otherwise the 1-based kind
    bool bCaseSensitive = false;
    bool bSearchDescribe = true;   // match against sDescribe
    bool bSearchDetails = true;    // match against sDetails
    std::vector<std::string> AllWords;   // each must occur
    std::vector<std::string> AnyWords;   // at least one must occur
    std::vector<std::string> NoneWords;  // none may occur
};

// Whether `text` satisfies the three word lists of the criteria (substring tests; outside
// case-sensitive searches text and words compare in upper case). Empty lists always pass.
bool SearchTextMatches(const std::string& text, const JTSearchCriteria& criteria);

// Load states.
enum JTLoadState : int { lsNotLoaded = 0, lsFailed = 1, lsLoaded = 2 };

class JTRegSettings {
public:
    // The four state pictures of the compact lists, loaded from the program's bitmap resources.
    enum StatePictureId { spNorTick, spModTick, spNorEdit, spModEdit };
    // Flash timer interval and number of colour changes of one flash.
    static constexpr UINT kFlashInterval = 300;
    static constexpr int kFlashSteps = 12;
    // Offset of the item's control inside the editor panel (compact view).
    static constexpr int kEditorMargin = 2;

    JTRegSettings();
    virtual ~JTRegSettings();
    JTRegSettings(const JTRegSettings&) = delete;
    JTRegSettings& operator=(const JTRegSettings&) = delete;

    // --- virtual operations, in their fixed order ---
    // Builds the page control, then the kinds, then the items; arranges and shows whatever was
    // built, also after a failure (which each table reports itself). False on any failure.
    virtual bool LoadAll();
    // False without a page-control parent; otherwise creates the page control (and the flash
    // timer); true.
    virtual bool CreatePageControl();
    virtual bool OpenKindsTable();
    virtual bool CheckKindsVersion();
    virtual bool OpenCkTable();
    virtual bool CheckCkVersion();
    // Builds the check-styled item of the check-items table's current row; false (and no item)
    // when its iTypeID names no page. Table and registry errors pass through.
    virtual bool CreateCkItem();
    // Writes the new value of every modified item, taking each off the list before it writes;
    // false when any write was refused. An error raised by a write ends the run and passes
    // through, that item already off the list.
    virtual bool ApplyAll();
    // Loads the file into the table (a throw-away table when none is given), names it after
    // the path and opens it on its first row; true. Table errors pass through.
    virtual bool OpenTable(TXdbTable* table, const std::string& path);
    virtual bool OpenEdTable();
    virtual bool CheckEdVersion();
    virtual bool CreateEdItem();
    // Every page, in page order, re-reads its items' values; the last page's answer.
    virtual bool ReadAllValues();

    // --- other operations ---
    // Builds the page of the kinds table's current row.
    bool CreateKind();
    bool ArrangeAll();
    // Every item re-reads its value and its row shows it. With `keepChanges` the changes the
    // user has made and not applied stay: each such item takes its new value again (and stays
    // modified while that differs from what the registry holds now).
    bool RefreshAll(bool keepChanges = false);
    // One item re-reads its value and rebuilds its row; a row shown in the editor panel stays
    // there.
    void RereadItem(JTSetItem* item);
    // Shows or hides the tab of every page, also of pages made later.
    void SetTabsVisible(bool visible);
    // Every page re-applies the colours and arranges itself again (as ArrangeAll does); the
    // modified items take ModTWeakColor.
    void ApplyColors();
    bool GoToItem(JTSetItem* item);
    void Search(const JTSearchCriteria& criteria);
    void FlashTick();
    void SetRecordFileName(const std::string& path);
    const std::string& RecordFileName() const { return recordPath_; }
    // Creates the empty record file with its nine columns and opens it for appending; 1.
    int CreateRecordTable();

    // --- item event handlers (installed on every item the catalogue creates) ---
    void ItemSelect(JTSetItem* item);
    void ItemChange(JTSetItem* item, bool modified);
    void ItemDetails(JTSetItem* item);
    // A page's compact list selected the entry of `item`.
    void CompactSelect(JTSetItem* item);
    // A mouse button went down on a page's compact list over `entry`.
    void CompactMouseDown(JTSetKind& page, int entry);

    // --- given by the main window before loading ---
    void SetTablePaths(const std::string& kinds, const std::string& ckItems, const std::string& edItems);
    const std::string& KindsPath() const { return kindsPath_; }
    const std::string& CkItemsPath() const { return ckItemsPath_; }
    const std::string& EdItemsPath() const { return edItemsPath_; }
    void SetPageControlParent(HWND parent) { pageParent_ = parent; }
    // A progress bar control (PBM_SETPOS) showing the loading; optional.
    void SetProgressBar(HWND progress) { progress_ = progress; }
    // The edit control showing the details text; optional.
    void SetDetailsMemo(HWND memo) { detailsMemo_ = memo; }
    // The window in which the compact view shows the selected item's control; optional.
    void SetEditorPanel(HWND panel) { editorPanel_ = panel; }
    HWND EditorPanel() const { return editorPanel_; }
    TRegSetOption& DisplaySettings() { return *settings_; }

    // --- events (raised only when set) ---
    std::function<void()> OnSearchBegin;
    std::function<void()> OnSearchEnd;
    std::function<void(JTSetItem* item, bool matched, bool& continueSearch)> OnSearchItem;
    std::function<void(JTSetItem* item)> OnKindChange;
    std::function<void(JTSetItem* item, bool modified)> OnModifiedCountChange;

    // --- state ---
    int KindsState() const { return kindsState_; }
    int CkItemsState() const { return ckState_; }
    int EdItemsState() const { return edState_; }
    int LoadState() const { return loadState_; }
    int CkItemCount() const { return ckCount_; }
    int EdItemCount() const { return edCount_; }
    int SuitedCkCount() const { return suitedCkCount_; }
    int SuitedEdCount() const { return suitedEdCount_; }
    int KindCount() const { return kindCount_; }

    ui::PageControl* PageControl() const { return pageControl_.get(); }
    int PageCount() const { return static_cast<int>(pages_.size()); }
    JTSetKind* Page(int index) const;
    // The page of an item's kind index (null when out of range).
    JTSetKind* PageOf(const JTSetItem* item) const;

    // Modified items in the order they became modified, each once. The apply run takes items
    // off the front.
    std::vector<JTSetItem*>& ModifiedList() { return modified_; }
    int ModifiedCount() const { return static_cast<int>(modified_.size()); }
    bool IsInModifiedList(const JTSetItem* item) const;

    TXdbTable& KindsTable() { return kindsTable_; }
    TXdbTable& CkTable() { return ckTable_; }
    TXdbTable& EdTable() { return edTable_; }
    TXdbTable* RecordTable() { return recordTable_.get(); }
    bool RecordTableReady() const { return recordReady_; }

    // Tab pictures (16 x 16, the page control's) and side-bar pictures (32 x 32, one per kind
    // with a picture, in the same order).
    HIMAGELIST TabImages() const { return tabImages_.get(); }
    HIMAGELIST GlyphImages() const { return glyphImages_.get(); }
    HBITMAP StatePicture(StatePictureId which) const;

    JTSetItem* SelectedItem() const { return selected_; }
    JTSetItem* ShownItem() const { return shown_; }
    JTSetItem* FlashTarget() const { return flashTarget_; }
    int FlashCounter() const { return flashCounter_; }
    bool FlashTimerRunning() const { return flashRunning_; }

    // "Setting:" + sDescribe + "\n" + sDetails.
    static std::string DetailsText(const JTSetItem& item);

private:
    class TimerWindow;

    // One item table: how to open and check it, how to turn its current row into an item, its
    // load state and the two messages of its failures.
    struct ItemTable {
        TXdbTable& table;
        bool (JTRegSettings::*open)();
        bool (JTRegSettings::*checkVersion)();
        bool (JTRegSettings::*createItem)();
        int& state;
        const char* openFailed;
        const char* readFailed;
    };

    bool LoadKinds();
    bool LoadItems();
    bool LoadItemTable(const ItemTable& items);
    // Runs `arrange` on every page while the page control is hidden, then shows the active
    // page, clears the selected item and keeps the editor's row where the view allows it.
    bool RearrangePages(bool (JTSetKind::*arrange)());
    // Builds the item of the table's current row on the page its iTypeID names and keeps it
    // there; null (the item dropped) when no page has that index.
    JTSetItem* AddItem(std::unique_ptr<JTSetItem> owned, TXdbTable& table);
    bool CheckVersion(TXdbTable& table, const char* version);
    void ShowError(const std::string& text);
    void SetProgress(int position);
    void LoadStatePictures();
    void InstallItemHandlers(JTSetItem& item);
    void CountItems();
    bool SearchPage(JTSetKind& page, const JTSearchCriteria& criteria);
    // The shown item's control leaves the editor panel for its page area / comes back.
    void ReturnShownItem();
    void MoveIntoEditor(JTSetItem* item);
    void StartFlashTimer();
    void StopFlashTimer();

    // Flash.
    std::unique_ptr<TimerWindow> flashTimer_;
    bool flashRunning_ = false;
    JTSetItem* flashTarget_ = nullptr;
    int flashCounter_ = 0;

    std::string kindsPath_;
    std::string ckItemsPath_;
    std::string edItemsPath_;
    std::unique_ptr<ui::PageControl> pageControl_;
    std::vector<std::unique_ptr<JTSetKind>> pages_;
    std::vector<JTSetItem*> modified_;
    HWND pageParent_ = nullptr;
    TXdbTable kindsTable_;
    TXdbTable ckTable_;
    TXdbTable edTable_;
    HWND progress_ = nullptr;
    int kindsState_ = lsNotLoaded;
    int ckState_ = lsNotLoaded;
    int edState_ = lsNotLoaded;
    int loadState_ = lsNotLoaded;
    bool recordReady_ = false;
    int ckCount_ = 0;
    int edCount_ = 0;
    int suitedCkCount_ = 0;
    int suitedEdCount_ = 0;
    int kindCount_ = 0;
    bool tabsVisible_ = true;
    std::string recordPath_;
    std::unique_ptr<TXdbTable> recordTable_;
    ui::UniqueImageList tabImages_;
    ui::UniqueImageList glyphImages_;
    HWND detailsMemo_ = nullptr;
    HWND editorPanel_ = nullptr;
    ui::UniqueBitmap pictures_[4];
    std::unique_ptr<TRegSetOption> settings_;
    JTSetItem* selected_ = nullptr;
    JTSetItem* shown_ = nullptr;
    const JTSetItem* detailsItem_ = nullptr;  // whose details the memo shows (compared only)
    // Where the shown item's row stood in its page area before it went into the editor panel.
    POINT shownHome_{0, 0};
};

} // namespace kelt
