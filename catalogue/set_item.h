#pragma once
// Tweak items: the abstract base shared by check-styled and edit-styled items, the display
// settings they read, the base of their row controls and the routines both kinds share.
//
// Object kinds: pages, items and row controls derive from JTObject and answer their kind
// code, so code holding only a JTObject* (a list entry's data, a control's tag) can tell
// what it has: ItemKindOf(object) gives 1 page (JTSetKind), 2 check item (JTckSetItem),
// 3 edit item (JTedSetItem), 4 check row, 5 edit row, 0 anything else or null.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "catalogue/platform/edition.h"
#include "catalogue/platform/os_family.h"
#include "catalogue/platform/registry.h"
#include "ui/colour.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt {

class TXdbTable;
class JTSetKind;
class JTSetItem;
struct JTRecord;

using ui::Colour;

enum ItemKind : int {
    ikOther = 0,
    ikPage = 1,
    ikCheckItem = 2,
    ikEditItem = 3,
    ikCheckRow = 4,
    ikEditRow = 5,
};

class JTObject {
public:
    virtual ~JTObject() = default;
    virtual int KindCode() const { return ikOther; }
};

int ItemKindOf(const JTObject* object);

// Display settings: one record owned by the catalogue, read by its pages and items.
struct TRegSetOption {
    std::uint8_t NotSuitShow = 0;            // unsuited items: 0 shown disabled, 1 hidden
    bool ShowCreating = false;               // pages stay visible while being laid out
    Colour TWeakBackColor = 0x8000000F;      // row and area background (button face)
    int TWeakSpace = 0;                      // gap between rows, also the first row's top
    Colour NorTWeakColor = 0x000000;         // text of an unmodified item
    Colour ModTWeakColor = 0x000080;         // text of a modified item (maroon)
    bool ExpandItems = false;                // expanded rows (true) or the compact list
};

// The settings to use: `settings`, or the defaults when none were given.
const TRegSetOption& SettingsOrDefaults(const TRegSetOption* settings);

// Names shown for root codes: "HKEY_CLASSES_ROOT" ... "HKEY_CURRENT_CONFIG"; empty otherwise.
std::string RootName(int code);

// Writes one item value into the open key of `registry` (type 0 string, 1 DWORD from signed
// decimal text, 2 binary bytes). False, writing nothing, when the value exists with another
// type; nothing is written either when the value is missing and `create` is off. Other type
// codes write nothing and answer true. A DWORD text that is not an integer raises
// ConversionError; a refused write raises RegistryError.
bool WriteRegValue(TRegistry& registry, int type, const std::string& name, const std::string& text, bool create);

// Deletes one item value from the open key. True when it is gone or was never there (and for
// other type codes, which touch nothing); false, deleting nothing, when it is stored with
// another type than `type` requires.
bool DeleteRegValue(TRegistry& registry, int type, const std::string& name);

// A write that may create its key: notes which part of the key path does not exist yet, and
// unless the write is kept (Keep), removes that part again when it goes, so a write that fails
// after creating the key leaves nothing behind.
class JTCreatedKeyGuard {
public:
    // `creating` false guards nothing (the key is only ever opened).
    JTCreatedKeyGuard(HKEY root, const std::string& path, bool creating);
    ~JTCreatedKeyGuard();
    JTCreatedKeyGuard(const JTCreatedKeyGuard&) = delete;
    JTCreatedKeyGuard& operator=(const JTCreatedKeyGuard&) = delete;
    void Keep() { firstMissing_.clear(); }

private:
    HKEY root_;
    std::string firstMissing_;  // the highest level of the path that did not exist; empty: none
};

// Reads one existing item value from the open key into its text form. Answers false (leaving
// `text` alone) when the stored type is not the one `type` requires, which is also the answer
// for a missing value: callers test ValueExists first. A binary value of 0 bytes and other
// type codes leave `text` alone and answer true.
bool ReadRegValue(TRegistry& registry, int type, const std::string& name, std::string& text);

// The row control of an item: a small container window of its own class that mirrors the
// item's state. Every setter works before the window exists; the window is created when the
// row first gets a parent area and then shows the state kept so far. Derived rows build
// their child controls in CreateChildren and push the state to them in UpdateView.
class JTRowControl : public ui::Window, public JTObject {
public:
    JTRowControl();
    ~JTRowControl() override;

    // Parent area: the window the row sits in. The first non-null parent creates the window;
    // a later one moves it there; null destroys the window (the state stays).
    void SetParentArea(HWND parent);
    HWND ParentArea() const { return parent_; }

    void SetBounds(int left, int top, int width, int height);
    void SetPosition(int left, int top);
    void SetSize(int width, int height);
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    void SetVisible(bool visible);
    bool IsVisible() const { return visible_; }
    void SetEnabled(bool enabled);
    bool IsEnabled() const { return enabled_; }

    void SetCaption(const std::string& caption);
    const std::string& Caption() const { return caption_; }
    void SetHint(const std::string& hint);
    const std::string& Hint() const { return hint_; }

    // Until a background colour is set the row shows its parent's background, as if it were
    // transparent; SetBackColour gives it a colour of its own.
    void SetBackColour(Colour colour);
    Colour BackColour() const { return back_; }
    bool HasOwnBackColour() const { return ownBack_; }
    void SetTextColour(Colour colour);
    Colour TextColour() const { return text_; }
    // Not owned: the font must outlive the row. Null = the system's dialog font.
    void SetFont(HFONT font);
    HFONT Font() const { return font_; }

    // The item the row belongs to.
    void SetTag(JTSetItem* item) { tag_ = item; }
    JTSetItem* Tag() const { return tag_; }

    // The scale the row's place and size are given at: its area's (the system's while it has
    // none). ScaleRow turns a 96-dpi size into it; FollowScale moves to another scale, place and
    // size scaled along.
    int RowDpi() const;
    int ScaleRow(int pixels) const;
    void FollowScale(int dpi);
    // The row's font: the one set, else the system's dialog font at the row's scale.
    HFONT RowFont() const;

    // The child control that takes the focus (null before creation).
    virtual HWND FocusControl() const = 0;
    void Focus();
    bool HasFocus() const;
    bool CanFocus() const;

    // For the catalogue: the pointer moved over the row / the row was clicked.
    std::function<void(JTRowControl&)> OnMouseMove;
    std::function<void(JTRowControl&)> OnClick;

protected:
    virtual void CreateChildren() = 0;
    virtual void UpdateView() = 0;
    // Mouse messages of a child registered with WatchMouse (before the child handles them).
    virtual void OnChildMouse(HWND child, UINT message, WPARAM wParam, LPARAM lParam);
    void WatchMouse(HWND child);
    // The row's background brush (kept in step with BackColour).
    HBRUSH BackBrush();
    // Paints the background of `window` (the row or one of its children) into `dc`: the
    // row's own colour, or what the parent shows beneath it.
    void PaintBackground(HWND window, HDC dc, const RECT& area);

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnEraseBackground(HDC dc) override;
    bool OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result) override;
    void OnDpiChanged(int dpi, const RECT* suggested) override;

private:
    static LRESULT CALLBACK ChildProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR data);
    void Sync();
    void Repaint();

    HWND parent_ = nullptr;
    int dpi_ = 0;  // 0: the system's scale
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    std::string caption_;
    std::string hint_;
    Colour back_ = 0x8000000F;
    bool ownBack_ = false;
    Colour text_ = 0x000000;
    HFONT font_ = nullptr;
    JTSetItem* tag_ = nullptr;
    ui::UniqueBrush brush_;
    COLORREF brushRgb_ = 0;
};

// The abstract tweak item.
class JTSetItem : public JTObject {
public:
    JTSetItem();
    ~JTSetItem() override;
    JTSetItem(const JTSetItem&) = delete;
    JTSetItem& operator=(const JTSetItem&) = delete;

    // --- virtual operations, in their fixed order ---
    virtual bool CreateControl() = 0;
    virtual bool ReadValue() = 0;
    virtual bool WriteValue() = 0;
    // CreateControl; LoadFromTable if asked (false ends); ReadValue if asked (false ends);
    // then BuildControl.
    virtual bool Initialize(bool loadFromTable, bool readRegistry);
    // From the table's current row: record number, sDescribe, iRegRoot, sSubKey, iRegType,
    // sDataName, iOSType, bAutoCreate, bReboot, sDetails, and iEditions where the table has
    // that column (older tables lack it: every edition). False without a table; a missing
    // column of the others raises the table's error.
    virtual bool LoadFromTable();
    virtual bool SetFont(HFONT font) = 0;
    virtual bool SetColor(Colour colour) = 0;
    virtual bool BuildControl() = 0;
    virtual std::string GetNewValue() = 0;
    virtual JTRowControl* GetControl() = 0;
    virtual std::string GetDefaultValue() = 0;
    // Fills the record (if given), then writes the new value; answers the write's result.
    virtual bool Apply(JTRecord* record);
    virtual bool ApplyColors() = 0;
    virtual bool IsModified() = 0;

    // --- catalogue plumbing ---
    int KindIndex() const { return iTypeID; }
    void SetKindIndex(int index) { iTypeID = index; }
    JTSetKind* Page() const { return page_; }
    void SetPage(JTSetKind* page) { page_ = page; }
    TXdbTable* Table() const { return table_; }
    void SetTable(TXdbTable* table) { table_ = table; }
    TRegSetOption* DisplaySettings() const { return settings_; }
    void SetDisplaySettings(TRegSetOption* settings) { settings_ = settings; }
    // The page area that holds the row; the row control moves there at once.
    virtual void SetParentArea(HWND area);
    HWND ParentArea() const { return parentArea_; }
    // The item's entry in its page's compact list (-1: none).
    int ListEntry() const { return listEntry_; }
    void SetListEntry(int entry) { listEntry_ = entry; }
    int RecNo() const { return recNo_; }
    // Whether the OS mask includes the running family, as judged by the last BuildControl or
    // ApplySuitability.
    bool Suits() const { return suits_; }
    // Judges Suits anew and shows the row accordingly: a suited row visible and enabled; an
    // unsuited one hidden (NotSuitShow 1) or disabled (0, and any other value unless the kind
    // of row keeps unsuited rows enabled then). Hidden rows are disabled as well.
    void ApplySuitability();
    // Whether the OS mask and the editions suit the running Windows now (OSFamily, OSIsNTLine,
    // OSEdition).
    bool SuitsRunningWindows() const { return OSType.SuitsRunningWindows() && EditionSuits(iEditions, OSEdition); }
    // Why the item does not suit the running Windows, for its details; empty when it does.
    std::string UnsuitedReason() const;
    // The value as last read from the registry, in text form.
    const std::string& CurrentValue() const { return sCurValue; }
    // Whether the value was there at the last read (false: key or value missing).
    bool ValueStored() const { return valueStored_; }
    // What the compact list's "State" column shows: "On" or "Off" for a check item as its box
    // shows it, the value an edit item shows (binary data as byte pairs), "(not set)" for an
    // edit item whose value is missing and unchanged, "(not for this Windows)" for an item whose
    // OS mask leaves out the running Windows, "(Enterprise and Education only)" and the like for
    // one whose editions leave out the running edition.
    virtual std::string StateText();
    // Copies where the value lives, the current value (old), GetNewValue (new), GetDefaultValue
    // and bAutoCreate into the record entry; writes nothing.
    void FillRecord(JTRecord& record);
    // The row's text colour (no-op without a control).
    void SetTextColor(Colour colour);
    // The full registry path shown as the row's hint: root name \ sub-key \ value name.
    std::string RegistryPath() const;

    // --- fields ---
    int iTypeID = 0;       // kind index
    JTOSType OSType;       // iOSType
    int iRegRoot = 0;
    std::string sSubKey;
    std::string sDataName;
    int iRegType = 0;
    bool bReboot = false;
    bool bAutoCreate = false;
    std::string sDescribe;
    std::string sDetails;
    int iEditions = 0;     // edition bits (EditionCode); 0: every edition

    // --- events (raised only when set) ---
    std::function<void(JTSetItem*)> OnSelect;
    std::function<void(JTSetItem*, bool modified)> OnChange;
    std::function<void(JTSetItem*)> OnDetails;

protected:
    // Whether an unsuited row stays enabled when NotSuitShow is neither 0 nor 1.
    virtual bool UnsuitedRowEnabledInOtherModes() const { return false; }
    // The settings to use: the catalogue's, or the defaults when none were given.
    const TRegSetOption& Settings() const;
    // Reads the item's registry value into `text` (left alone when the key or value is
    // missing); false when the stored type is not the required one. The key is opened
    // read-only, so values under HKEY_LOCAL_MACHINE read without administrator rights.
    bool ReadStoredValue(std::string& text);
    // Writes `text` as the item's value: false, changing nothing, when the key cannot be
    // opened, the value is missing without bAutoCreate, or it is stored with another type.
    // A DWORD text that is no number raises before anything (a created key included) changes.
    // With bAutoCreate, the default value (GetDefaultValue) is not written: the value is
    // deleted and its key stays (nothing is created for it), so the next read shows the
    // state an absent value stands for.
    bool WriteStoredValue(const std::string& text);

    TXdbTable* table_ = nullptr;
    JTSetKind* page_ = nullptr;
    int recNo_ = 0;
    bool suits_ = true;
    HWND parentArea_ = nullptr;
    std::string sCurValue;
    bool valueStored_ = false;
    TRegSetOption* settings_ = nullptr;
    int listEntry_ = -1;
};

} // namespace kelt
