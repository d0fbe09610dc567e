// The search window over a generated catalogue of 5,000 tweaks in 20 kinds: one search whose
// every tweak matches (5,000 rows listed) and one with few matches, each timed from the click
// on "&Start search" to the painted end of the search: yielding to the message loop as the
// program does, after every batch of tweaks, and not at all. Prints the figures; never fails
// on timing.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/search/search_form.h"
#include "app/search/search_ids.h"
#include "tests/windows/catalogue/catalogue_fixture.h"
#include "ui/window.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

const int kKinds = 20;
const int kTweaks = 5000;
const int kRounds = 11;

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

void Generate(CatalogueFiles& files)
{
    for (int k = 0; k < kKinds; ++k)
        files.kinds.push_back("Kind " + std::to_string(k));
    for (int i = 0; i < kTweaks; ++i) {
        const std::string details = "tweak number " + std::to_string(i) + " changes the behaviour of part " +
                                    std::to_string(i % 97) + " of the system";
        if (i % 5 != 4) {
            files.ckRows.push_back({i % kKinds, "Check tweak " + std::to_string(i), details, "V" + std::to_string(i)});
        } else {
            EdRow row;
            row.kind = i % kKinds;
            row.describe = "Edit tweak " + std::to_string(i);
            row.details = details;
            row.name = "V" + std::to_string(i);
            files.edRows.push_back(row);
        }
    }
    files.Write();
}

// One search from the click on "&Start search" until it has ended and the window is painted.
double Measure(TKeltSearchForm& form, const std::string& words, int interval)
{
    form.SetYieldInterval(interval);
    ::SetWindowTextA(form.Item(IDC_SEARCH_SIMPLE_TEXT), words.c_str());
    ui::ProcessPendingMessages();
    ::UpdateWindow(form.Handle());
    const double start = Now();
    ::SendMessageA(form.Item(IDC_SEARCH_START), BM_CLICK, 0, 0);
    ui::ProcessPendingMessages();
    return Now() - start;
}

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main()
{
    ui::InitCommonControlsOnce();
    MessageRecorder quiet;
    CatalogueFiles files;
    Generate(files);
    HostWindow host(1000, 700);
    host.Show();
    auto catalogue = MakeCatalogue(files, host, false);
    catalogue->LoadAll();
    TKeltSearchForm form;
    form.Create(host.Frame());
    form.SetCatalogue(catalogue.get());
    form.ShowForm();
    Measure(form, "tweak", TKeltSearchForm::kYieldInterval);  // warm-up

    std::printf("search window benchmark: %d tweaks in %d kinds, median of %d searches each, from the click to "
                "the painted end\n",
                kTweaks, kKinds, kRounds);
    std::printf("%-26s %10s %12s %12s %8s\n", "search (ms)", "no yield", "every batch", "program", "rows");
    const struct {
        const char* name;
        const char* words;
    } searches[] = {{"all match (list filled)", "tweak"}, {"few matches", "number 123"}};
    // The variants take turns, so a busy moment of the machine falls on all of them alike.
    const int intervals[] = {-1, 0, TKeltSearchForm::kYieldInterval};
    for (const auto& search : searches) {
        std::vector<double> times[3];
        for (int round = 0; round < kRounds; ++round)
            for (int v = 0; v < 3; ++v)
                times[v].push_back(Measure(form, search.words, intervals[v]));
        const double none = Median(times[0]), batch = Median(times[1]), program = Median(times[2]);
        std::printf("%-26s %10.1f %12.1f %12.1f %8d\n", search.name, none, batch, program, form.ResultCount());
        std::printf("%-26s %10s %11.1f%% %11.1f%%\n", "  cost of yielding", "", (batch / none - 1) * 100,
                    (program / none - 1) * 100);
    }
    std::printf("batches of %d tweaks; the program yields after the first batch, then every %d ms, and lists the "
                "rows found every %lu ms\n",
                TKeltSearchForm::kYieldBatch, TKeltSearchForm::kYieldInterval,
                static_cast<unsigned long>(TKeltSearchForm::kRefreshInterval));
    return 0;
}
