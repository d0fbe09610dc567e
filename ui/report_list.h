#pragma once
// A report-style list view driven through its messages: rows of texts (one per column), a
// number of the caller's choosing per row and, where the view has them, check boxes. It holds
// nothing but the control's handle, so a view of any dialog's list is made where it is needed.
#include <windows.h>

#include <string>
#include <vector>

namespace kelt::ui {

class ReportList {
public:
    struct Column {
        std::string caption;
        int width;  // pixels at 96 dpi
    };

    explicit ReportList(HWND list = nullptr) : list_(list) {}

    // Takes over `list`: whole-row selection, check boxes unless `checkBoxes` is false, the
    // columns at the list's scale (one column without captions hides the header) and, with a
    // `rowHeight`, rows that many 96-dpi pixels high at every scale.
    void Attach(HWND list, const std::vector<Column>& columns, int rowHeight = 0, bool checkBoxes = true);
    HWND Handle() const { return list_; }

    void Clear();
    // Appends a row (or puts it in sorted place when the control sorts); answers its index.
    int Add(const std::vector<std::string>& texts, bool checked, LPARAM data);
    // Appends a row with its first text only, unchecked; answers its index.
    int AddRow(const std::string& caption, LPARAM data);
    void SetText(int row, int column, const std::string& text);
    std::string Text(int row, int column = 0) const;
    int Count() const;
    bool Checked(int row) const;
    void SetChecked(int row, bool checked);
    // The row's number; 0 for a row that is not there.
    LPARAM Data(int row) const;
    // The selected row, -1 when none.
    int Selected() const;

    // Whether a list view notification reports a change of a row's check box; the row in `row`.
    static bool IsCheckChange(const NMHDR& header, int& row);

private:
    HWND list_ = nullptr;
};

} // namespace kelt::ui
