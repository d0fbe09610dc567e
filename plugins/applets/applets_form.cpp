#include "plugins/applets/applets_form.h"

#include <shellapi.h>

#include "plugins/applets/applets_ids.h"
#include "plugins/common/wow64.h"
#include "ui/instance.h"
#include "ui/paint.h"
#include "ui/seams.h"

namespace kelt::applets {

namespace {

constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
// After the file name of an applet the machine-wide list hides.
const char kMachineNote[] = "  (hidden for all users by the machine)";

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

    // The applets of the system folder Windows itself uses, also for this library in 32 bits.
    const bool wow64 = plugin::RunningUnderWow64();
    const plugin::NativeSystemFolder system = plugin::NativeSystemFolderOf(SystemFolder(), WindowsFolder(), wow64);
    std::vector<HICON> icons;
    {
        plugin::ScopedRedirectionOff native(system.redirectionOff);
        files_ = ListApplets(system.folder);
        for (const std::string& file : files_)
            icons.push_back(FirstIcon(system.folder + "\\" + file));
    }

    const WindowsVersion version = QueryWindowsVersion();
    store_ = StoreForWindows(version, WindowsFolder());
    machine_.assign(files_.size(), false);
    if (version.ok && version.platformId == VER_PLATFORM_WIN32_NT)
        machine_ = MachineSuppressed(files_, plugin::NativeRegistryView(wow64));
    const std::vector<bool> suppressed =
        store_ ? store_->ReadSuppressed(files_) : std::vector<bool>(files_.size(), false);
    for (std::size_t row = 0; row < files_.size(); ++row) {
        const bool shown = !machine_[row] && !suppressed[row];
        pCPLList.Add(machine_[row] ? files_[row] + kMachineNote : files_[row], shown, icons[row]);
    }
    pCPLList.OnToggle = [this](int row) { pCPLListToggle(row); };
}

void TForm1::pCPLListToggle(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= machine_.size() || !machine_[row] || !pCPLList.Checked(row))
        return;
    pCPLList.SetChecked(row, false);
    ui::ShowMessage(Handle(),
                    files_[row] + " is hidden for every user of this computer by the machine-wide list "
                                  "HKEY_LOCAL_MACHINE\\" +
                        std::string(kMachineDontLoadKey) +
                        ". Only an administrator can show it again there; ticking it here would change nothing.",
                    "Information", MB_ICONINFORMATION);
}

void TForm1::pbtnApplyClick()
{
    bool ok = false;
    if (store_) {
        // The machine's applets are not the user's to change: their entries stay as they are.
        std::vector<AppletEntry> entries;
        for (int row = 0; row < pCPLList.Count(); ++row)
            if (!machine_[static_cast<std::size_t>(row)])
                entries.push_back({files_[static_cast<std::size_t>(row)], !pCPLList.Checked(row)});
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
    ::SetTextColor(dc, ui::HighContrast() ? ::GetSysColor(COLOR_BTNTEXT) : kNavy);
    ::SetBkMode(dc, TRANSPARENT);
    result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    return true;
}

} // namespace kelt::applets
