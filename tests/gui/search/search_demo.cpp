// Shows the search window over the shipped catalogue with the results of one search, for
// looking at it:  search_demo.exe FOLDER [words] [narrow|wide|drop] [seconds]
// FOLDER holds the three catalogue tables (the staged program folder).
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/search/search_form.h"
#include "app/search/search_ids.h"
#include "catalogue/reg_settings.h"
#include "tests/windows/catalogue/catalogue_fixture.h"
#include "ui/seams.h"
#include "ui/window.h"

using namespace kelt;

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const std::string folder = std::string(argv[1]) + "\\";
    const std::string words = argc > 2 ? argv[2] : "the";
    const std::string mode = argc > 3 ? argv[3] : "";
    const bool drop = mode == "drop";
    const bool wide = mode == "wide" || drop;
    const int seconds = argc > 4 ? std::atoi(argv[4]) : 20;

    testing::MessageRecorder quiet;
    testing::HostWindow host(900, 650);
    host.Show();
    JTRegSettings catalogue;
    catalogue.SetTablePaths(folder + "KeltKinds.xdb", folder + "KeltckItems.xdb", folder + "KeltedItems.xdb");
    catalogue.SetPageControlParent(host.PageParent());
    catalogue.SetDetailsMemo(host.Memo());
    catalogue.SetEditorPanel(host.Editor());
    catalogue.LoadAll();

    TKeltSearchForm form;
    if (!form.Create(host.Frame()))
        return 3;
    form.SetCatalogue(&catalogue);
    form.ShowForm();
    if (wide)
        ::SendMessageA(form.Item(IDC_SEARCH_SLIDER), BM_CLICK, 0, 0);
    ::SetWindowTextA(form.Item(IDC_SEARCH_SIMPLE_TEXT), words.c_str());
    ::SendMessageA(form.Item(IDC_SEARCH_START), BM_CLICK, 0, 0);
    ui::ProcessPendingMessages();
    ::SetFocus(form.Item(IDC_SEARCH_RESULTS));
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(form.Item(IDC_SEARCH_RESULTS), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));

    if (drop) {
        ::SendMessageA(form.Item(IDC_SEARCH_CATALOGUES), CB_SETCURSEL, 3, 0);
        ::SendMessageA(form.Item(IDC_SEARCH_CATALOGUES), CB_SHOWDROPDOWN, TRUE, 0);
    }
    const DWORD until = ::GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    while (::GetTickCount() < until && ::IsWindow(form.Handle())) {
        ui::ProcessPendingMessages();
        ::Sleep(20);
    }
    return 0;
}
