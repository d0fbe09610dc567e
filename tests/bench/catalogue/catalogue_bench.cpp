// Loading and searching generated catalogues of 1,000 and 5,000 tweaks in 20 kinds, next to
// the bare primitives every tweak costs at least: one registry open-read-close and one check
// box window. Prints the figures; never fails on timing.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/reg_settings.h"
#include "tests/windows/catalogue/catalogue_fixture.h"
#include "ui/window.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

const int kKinds = 20;

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::string Key(int tweak)
{
    return "K" + std::to_string(tweak % kKinds);
}

// Four of five tweaks check-styled, the rest edit-styled; every value exists in the registry.
void Generate(CatalogueFiles& files, int tweaks)
{
    files.kinds.clear();
    files.ckRows.clear();
    files.edRows.clear();
    for (int k = 0; k < kKinds; ++k)
        files.kinds.push_back("Kind " + std::to_string(k));
    for (int i = 0; i < tweaks; ++i) {
        const std::string name = "V" + std::to_string(i);
        const std::string words = "tweak number " + std::to_string(i) + " changes the behaviour of part " +
                                  std::to_string(i % 97) + " of the system";
        if (i % 5 != 4) {
            CkRow row;
            row.kind = i % kKinds;
            row.describe = "Check tweak " + std::to_string(i);
            row.details = words;
            row.name = name;
            row.key = Key(i);
            files.ckRows.push_back(row);
            SetDword(row.key, name, static_cast<DWORD>(i & 1));
        } else {
            EdRow row;
            row.kind = i % kKinds;
            row.describe = "Edit tweak " + std::to_string(i);
            row.details = words;
            row.name = name;
            row.key = Key(i);
            files.edRows.push_back(row);
            SetString(row.key, name, "value " + std::to_string(i));
        }
    }
    files.Write();
}

double RegistryPrimitive(int tweaks)
{
    const double start = Now();
    for (int i = 0; i < tweaks; ++i) {
        const std::string path = std::string(kTestRoot) + "\\" + Key(i);
        const std::string name = "V" + std::to_string(i);
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
            BYTE data[256];
            DWORD size = sizeof data;
            DWORD type = 0;
            ::RegQueryValueExA(key, name.c_str(), nullptr, &type, data, &size);
            ::RegCloseKey(key);
        }
    }
    return Now() - start;
}

double CheckBoxPrimitive(HWND parent, int tweaks)
{
    std::vector<HWND> boxes;
    boxes.reserve(static_cast<std::size_t>(tweaks));
    const double start = Now();
    for (int i = 0; i < tweaks; ++i)
        boxes.push_back(::CreateWindowExA(0, "BUTTON", "Check tweak", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 0,
                                          i * 17, 300, 17, parent, nullptr, ::GetModuleHandleA(nullptr), nullptr));
    const double elapsed = Now() - start;
    for (HWND box : boxes)
        ::DestroyWindow(box);
    return elapsed;
}

struct Figures {
    double tables = 0;  // reading the three table files alone
    double loadCompact = 0;
    double loadExpanded = 0;
    double allRows = 0;  // making every row window of the expanded view
    double search = 0;
    double registry = 0;
    double boxes = 0;
    int found = 0;
};

Figures Measure(int tweaks)
{
    Figures f;
    CatalogueFiles files;
    Generate(files, tweaks);
    HostWindow host(1000, 700);
    host.Show();
    ui::ProcessPendingMessages();

    {
        const double start = Now();
        TXdbTable kinds, checks, edits;
        kinds.LoadFromFile(files.KindsPath());
        checks.LoadFromFile(files.CkPath());
        edits.LoadFromFile(files.EdPath());
        f.tables = Now() - start;
    }
    {
        auto catalogue = MakeCatalogue(files, host, false);
        const double start = Now();
        catalogue->LoadAll();
        f.loadCompact = Now() - start;

        JTSearchCriteria criteria;
        criteria.AllWords = {"PART 5"};
        criteria.AnyWords = {"system", "registry"};
        criteria.NoneWords = {"nothing"};
        int found = 0;
        catalogue->OnSearchItem = [&found](JTSetItem*, bool matched, bool&) { found += matched ? 1 : 0; };
        const double searchStart = Now();
        catalogue->Search(criteria);
        f.search = Now() - searchStart;
        f.found = found;
    }
    ui::ProcessPendingMessages();
    {
        auto catalogue = MakeCatalogue(files, host, true);
        const double start = Now();
        catalogue->LoadAll();
        f.loadExpanded = Now() - start;
        const double rowsStart = Now();
        for (int i = 0; i < catalogue->PageCount(); ++i)
            catalogue->Page(i)->CreateRowWindows();
        f.allRows = Now() - rowsStart;
    }
    ui::ProcessPendingMessages();
    f.registry = RegistryPrimitive(tweaks);
    f.boxes = CheckBoxPrimitive(host.PageParent(), tweaks);
    return f;
}

} // namespace

int main()
{
    ui::InitCommonControlsOnce();
    MessageRecorder quiet;
    RemoveTestRoot();
    // A first small round warms up the registry, the window classes and the common controls.
    Measure(100);
    std::printf("catalogue benchmark: %d kinds, 4 of 5 tweaks check-styled, every value present\n", kKinds);
    std::printf("%8s %10s %12s %13s %12s %10s %10s %10s %12s %8s\n", "tweaks", "tables ms", "LoadAll ms",
                "LoadAll exp", "all rows ms", "search ms", "reg ms", "boxes ms", "LoadAll/prim", "found");
    Figures small, large;
    for (int tweaks : {1000, 5000}) {
        RemoveTestRoot();
        const Figures f = Measure(tweaks);
        (tweaks == 1000 ? small : large) = f;
        const double primitives = f.registry + f.boxes;
        std::printf("%8d %10.1f %12.1f %13.1f %12.1f %10.2f %10.1f %10.1f %12.2f %8d\n", tweaks, f.tables,
                    f.loadCompact, f.loadExpanded, f.allRows, f.search, f.registry, f.boxes,
                    f.loadExpanded / primitives, f.found);
    }
    std::printf("growth 1000 -> 5000: LoadAll compact x%.2f, expanded x%.2f, primitives x%.2f (linear: x5)\n",
                large.loadCompact / small.loadCompact, large.loadExpanded / small.loadExpanded,
                (large.registry + large.boxes) / (small.registry + small.boxes));
    std::printf("LoadAll within 1.5x the primitives: compact %.2f, expanded %.2f; search over 5000: %.2f ms\n",
                large.loadCompact / (large.registry + large.boxes), large.loadExpanded / (large.registry + large.boxes),
                large.search);
    RemoveTestRoot();
    return 0;
}
