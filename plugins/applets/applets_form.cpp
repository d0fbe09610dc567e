#include "plugins/applets/applets_form.h"

#include <shellapi.h>

#include "plugins/applets/applets_ids.h"
#include "ui/instance.h"
#include "ui/seams.h"

namespace kelt::applets {

namespace {

constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

// The file's first icon, small; null when it has none.
HICON FirstIcon(const std::string& file)
{
    HICON small = nullptr;
    if (::ExtractIconExA(file.c_str(), 0, nullptr, &small, 1) == 0 || !small) {
        // Some files carry only a large picture.
        HICON large = nullptr;
        ::ExtractIconExA(file.c_str(), 0, &large, nullptr, 1);
        return large;
    }
    return small;
}

} // namespace

TForm1::TForm1() : ui::Dialog(IDD_APPLETS) {}

bool TForm1::OnInitDialog()
{
    FormCreate();
    return true;
}

void TForm1::FormCreate()
{
    ui::InitCommonControlsOnce();
    pCPLList.Attach(Item(IDC_CPL_LIST), 20, true);
    pbtnApply.Attach(Item(IDC_APPLETS_APPLY), kBlue);
    pbtnClose.Attach(Item(IDCANCEL), kRed);

    const std::string folder = SystemFolder();
    const std::vector<std::string> files = ListApplets(folder);
    for (const std::string& file : files)
        pCPLList.Add(file, true, FirstIcon(folder + "\\" + file));

    store_ = StoreForWindows(QueryWindowsVersion(), WindowsFolder());
    if (!store_)
        return;
    const std::vector<bool> suppressed = store_->ReadSuppressed(files);
    for (std::size_t row = 0; row < suppressed.size(); ++row)
        if (suppressed[row])
            pCPLList.SetChecked(static_cast<int>(row), false);
}

void TForm1::pbtnApplyClick()
{
    bool ok = false;
    if (store_) {
        std::vector<AppletEntry> entries;
        for (int row = 0; row < pCPLList.Count(); ++row)
            entries.push_back({pCPLList.Text(row), !pCPLList.Checked(row)});
        ok = store_->Store(entries);
    }
    ui::ShowMessage(Handle(), ok ? "OK" : "Some errors have Happened!", "Finish!", MB_ICONINFORMATION);
}

bool TForm1::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_APPLETS_APPLY && code == BN_CLICKED) {
        pbtnApplyClick();
        return true;
    }
    return ui::Dialog::OnCommand(id, code, control);
}

bool TForm1::OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result)
{
    if (message != WM_CTLCOLORSTATIC || control != Item(IDC_APPLETS_PROMPT))
        return false;
    ::SetTextColor(dc, kNavy);
    ::SetBkMode(dc, TRANSPARENT);
    result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    return true;
}

} // namespace kelt::applets
