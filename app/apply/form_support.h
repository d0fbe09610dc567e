#pragma once
// Small pieces both record dialogs share: placing a dialog over its owner and a report-style
// list view with check boxes driven through its messages.
#include <windows.h>

#include <string>

namespace kelt::apply_forms {

// Centres `dialog` on its owner (on the work area when it has none), kept on the screen.
void CentreOnOwner(HWND dialog);

// The folder of the running program without its trailing backslash.
std::string ProgramFolder();

// A report list with check boxes and whole-row selection.
void PrepareCheckList(HWND list);
void AddColumn(HWND list, int index, const char* caption, int width);
// Adds a row at the end with its caption (column 0) and data; answers its index.
int AddRow(HWND list, const std::string& caption, LPARAM data);
void SetCell(HWND list, int row, int column, const std::string& text);
std::string Cell(HWND list, int row, int column);
LPARAM RowData(HWND list, int row);
int RowCount(HWND list);
bool RowChecked(HWND list, int row);
void SetRowChecked(HWND list, int row, bool checked);
// Whether a list view notification reports a change of a row's check box; the row in `row`.
bool IsCheckChange(const NMHDR& header, int& row);

} // namespace kelt::apply_forms
