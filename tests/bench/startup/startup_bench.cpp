// Start-up figures: the staged program from process start to its ready main window (splash
// minimum included), the same window made in-process without the splash (the work alone),
// and the bare catalogue load it contains. Figures only; nothing passes or fails on time.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/options.h"
#include "catalogue/reg_settings.h"
#include "tests/gui/main_smoke/program_probe.h"
#include "ui/instance.h"
#include "ui/seams.h"
#include "ui/window.h"

namespace {

using namespace kelt;

double Now()
{
    LARGE_INTEGER frequency, counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Process creation (as the system records it) to the ready main window.
double StagedStart(const std::string& folder)
{
    FILETIME before{};
    ::GetSystemTimeAsFileTime(&before);
    HANDLE process = probe::Start(folder);
    if (!process)
        return -1;
    HWND window = probe::WaitReady(process, 120000);
    FILETIME ready{};
    ::GetSystemTimeAsFileTime(&ready);
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user))
        created = before;
    auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    const double ms = window ? static_cast<double>(ticks(ready) - ticks(created)) / 10000.0 : -1;
    if (window)
        probe::CloseThroughMenu(process, window, 60000);
    else
        ::TerminateProcess(process, 2);
    ::CloseHandle(process);
    return ms;
}

class Parent : public ui::Window {
public:
    Parent()
    {
        RegisterWindowClass("KeltBenchParent");
        Create("KeltBenchParent", "", WS_OVERLAPPEDWINDOW, 0, 0, 0, 900, 600, nullptr);
    }
};

double BareLoadAll(const std::string& folder)
{
    Parent parent;
    JTRegSettings catalogue;
    catalogue.SetPageControlParent(parent.Handle());
    catalogue.SetTablePaths(folder + "KeltKinds.xdb", folder + "KeltckItems.xdb", folder + "KeltedItems.xdb");
    const double start = Now();
    catalogue.LoadAll();
    return Now() - start;
}

double InProcessReady(const std::string& folder)
{
    JTKeltOptions options;
    options.ScanPlugins = false;
    const double start = Now();
    TKeltMainForm form(options, nullptr);
    form.TableFolder = folder;
    form.QuitOnDestroy = false;
    form.CreateForm(SW_HIDE);  // the work alone, not the showing of a window
    while (!form.Ready())
        ui::ProcessPendingMessages();
    return Now() - start;
}

} // namespace

int main()
{
    ui::DialogSeams seams = ui::DialogSeams::Real();
    seams.messageBox = [](HWND, const std::string& text, const std::string&, UINT) {
        std::printf("message: %s\n", text.c_str());
        return IDOK;
    };
    ui::ScopedSeams scope(seams);
    const std::string folder = probe::StageFolder();
    const bool quick = ::GetEnvironmentVariableA("KELT_BENCH_QUICK", nullptr, 0) > 0;
    const int runs = quick ? 1 : 3;

    std::vector<double> staged, ready, load;
    // The first start also sets up what Wine keeps per prefix: reported on its own.
    const double firstStart = StagedStart(folder);
    for (int i = 0; i < runs; ++i)
        staged.push_back(StagedStart(folder));
    for (int i = 0; i < runs + 2; ++i) {
        ready.push_back(InProcessReady(folder));
        load.push_back(BareLoadAll(folder));
    }
    std::printf("startup: first start of Keltrix.exe to ready window   %8.0f ms\n", firstStart);
    std::printf("startup: Keltrix.exe start to ready window (median %d) %8.0f ms  (includes the splash's 2000 ms minimum)\n",
                runs, Median(staged));
    std::printf("startup: main window created to ready, no splash      %8.1f ms  (median of %d)\n", Median(ready), runs + 2);
    std::printf("startup: bare LoadAll of the shipped catalogue         %8.1f ms  (median of %d)\n", Median(load), runs + 2);
    return 0;
}
