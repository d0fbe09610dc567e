// Start-up figures: the staged program from process start to its ready main window (splash
// minimum included) beside a bare windowed program started the same way in the same run, the
// same main window made in-process without the splash (the work alone), and the bare catalogue
// load it contains. Figures only; nothing passes or fails on time.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/options.h"
#include "app/splash_form.h"
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

// Process creation (as the system records it) to its window of `className` shown and enabled,
// then closed; -1 when it never got there.
double StartToReady(HANDLE process, const char* className)
{
    if (!process)
        return -1;
    FILETIME before{};
    ::GetSystemTimeAsFileTime(&before);
    HWND window = probe::WaitShown(process, 120000, className);
    FILETIME ready{};
    ::GetSystemTimeAsFileTime(&ready);
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user))
        created = before;
    auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    const double ms = window ? static_cast<double>(ticks(ready) - ticks(created)) / 10000.0 : -1;
    if (window)
        ::PostMessageA(window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process, 60000) != WAIT_OBJECT_0)
        ::TerminateProcess(process, 2);
    ::CloseHandle(process);
    return ms;
}

double StagedStart(const std::string& folder)
{
    return StartToReady(probe::Start(folder), "TKeltMainForm");
}

// The bare windowed program beside this benchmark.
double BareWindowStart()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    folder = folder.substr(0, folder.find_last_of('\\') + 1);
    return StartToReady(probe::StartProgram(folder + "kelt_bare_window.exe", folder), "KeltBareWindow");
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
    const int runs = quick ? 1 : 5;

    std::vector<double> staged, bare, ready, load;
    // The first start also sets up what Wine keeps per prefix: reported on its own.
    const double firstStart = StagedStart(folder);
    BareWindowStart();
    // Side by side, one after the other, so both meet the same machine.
    for (int i = 0; i < runs; ++i) {
        bare.push_back(BareWindowStart());
        staged.push_back(StagedStart(folder));
    }
    for (int i = 0; i < runs + 2; ++i) {
        ready.push_back(InProcessReady(folder));
        load.push_back(BareLoadAll(folder));
    }
    const double start = Median(staged), bareStart = Median(bare), work = Median(ready), loadAll = Median(load);
    std::printf("startup: first start of Keltrix.exe to ready window   %8.0f ms\n", firstStart);
    std::printf("startup: bare Win32 window start to ready (median %d)  %8.0f ms\n", runs, bareStart);
    std::printf("startup: Keltrix.exe start to ready window (median %d) %8.0f ms  (includes the splash's %u ms minimum)\n",
                runs, start, TKeltSplashForm::kTimerInterval);
    std::printf("startup: beyond the splash minimum                     %8.0f ms  (the bare window: %.0f ms)\n",
                start - TKeltSplashForm::kTimerInterval, bareStart);
    std::printf("startup: main window created to ready, no splash      %8.1f ms  (median of %d)\n", work, runs + 2);
    std::printf("startup: bare LoadAll of the shipped catalogue         %8.1f ms  (median of %d)\n", loadAll, runs + 2);
    std::printf("startup: main window to ready / bare LoadAll           %8.2f\n", loadAll > 0 ? work / loadAll : 0.0);
    return 0;
}
