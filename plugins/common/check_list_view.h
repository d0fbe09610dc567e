#pragma once
// A list view with a check box in front of every row, as the tool windows use it: rows carry
// their texts (one per column), a check mark and a number of the caller's choosing. The view
// holds no state of its own beyond what the list control shows.
#include <windows.h>

#include <string>
#include <vector>

namespace kelt::plugin {

class CheckListView {
public:
    struct Column {
        std::string caption;
        int width;  // pixels at 96 dpi
    };

    // Takes over a list view of the dialog (report style): check boxes, full-row selection,
    // the columns (one column without captions hides the header) and rows `rowHeight` pixels
    // high.
    void Attach(HWND listView, const std::vector<Column>& columns, int rowHeight);
    HWND Handle() const { return list_; }

    void Clear();
    // Appends a row (or puts it in sorted place when the control sorts); answers its index.
    int Add(const std::vector<std::string>& texts, bool checked, LPARAM data);
    int Count() const;
    bool Checked(int row) const;
    void SetChecked(int row, bool checked);
    LPARAM Data(int row) const;
    std::string Text(int row, int column = 0) const;
    // The selected row, -1 when none.
    int Selected() const;

private:
    HWND list_ = nullptr;
    int columns_ = 0;
};

} // namespace kelt::plugin
