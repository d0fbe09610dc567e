#pragma once
// A list of rows with tick boxes, drawn by the program: tick box, an optional icon, the text.
// It takes over a list box of a dialog template made with
// LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY. A click on a row's box, or Space on the
// selected row, flips its tick. Each row's item data mirrors its tick (1 ticked, 0 not), so
// anything holding only the list box handle can read the state. Assistive technology reads the
// rows with their ticks (checked or not) and hears of every change.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/accessible.h"
#include "ui/handles.h"

namespace kelt::plugin {

class CheckListBox : private ui::AccessibleSource {
public:
    CheckListBox() = default;
    ~CheckListBox();
    CheckListBox(const CheckListBox&) = delete;
    CheckListBox& operator=(const CheckListBox&) = delete;

    // `rowHeight` in 96-dpi pixels. With `iconColumn` every row keeps room for an icon, so
    // that texts line up whether a row has one or not.
    bool Attach(HWND listBox, int rowHeight, bool iconColumn = false);
    HWND Handle() const { return list_; }

    // Appends a row and answers its index. The list owns `icon` from then on (null for none).
    int Add(const std::string& text, bool checked, HICON icon = nullptr);
    void Clear();
    int Count() const { return static_cast<int>(rows_.size()); }

    bool Checked(int row) const;
    void SetChecked(int row, bool checked);
    void SetAllChecked(bool checked);
    std::string Text(int row) const;
    void SetText(int row, const std::string& text);
    HICON Icon(int row) const;

    // The row under a point in the list's client coordinates; -1 below the last row.
    int RowAt(POINT client) const;
    int Selected() const;
    void Select(int row);

    // A tick the user flipped (not raised for SetChecked).
    std::function<void(int row)> OnToggle;

    // What assistive technology calls the list (default: the label before it in its dialog).
    void SetAccessibleTitle(const std::string& title) { title_ = title; }

private:
    int AccessibleCount() const override { return Count(); }
    std::string AccessibleName(int element) const override;
    long AccessibleRole(int element) const override;
    long AccessibleState(int element) const override;
    std::string AccessibleDefaultAction(int element) const override;
    bool AccessibleDoDefault(int element) override;
    bool AccessibleRect(int element, RECT& client) const override;
    int AccessibleElementAt(POINT client) const override { return RowAt(client) + 1; }
    int AccessibleFocus() const override { return Selected() + 1; }
    int AccessibleSelection() const override { return Selected() + 1; }

    struct Row {
        bool checked = false;
        ui::UniqueIcon icon;
    };

    static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data);
    void Draw(const DRAWITEMSTRUCT& item);
    RECT BoxRect(const RECT& row) const;
    void Toggle(int row);
    void Mirror(int row);

    HWND list_ = nullptr;
    int rowHeight96_ = 0;
    int rowHeight_ = 0;
    bool iconColumn_ = false;
    std::vector<Row> rows_;
    std::string title_;
};

} // namespace kelt::plugin
