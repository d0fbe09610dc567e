#include "ui/error_report.h"

#include "ui/seams.h"

namespace kelt::ui {

void ReportError(const std::exception& error, HWND owner)
{
    ShowMessage(owner, error.what(), "Error", MB_OK | MB_ICONERROR);
}

void ReportUnknownError(HWND owner)
{
    ShowMessage(owner, "An unknown error occurred.", "Error", MB_OK | MB_ICONERROR);
}

} // namespace kelt::ui
