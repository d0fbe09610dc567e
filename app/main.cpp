// Keltrix: the program entry. Without arguments it starts the window; with a command it runs
// that command instead (app/command_line).
#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <string>
#include <vector>

#include "app/command_line/command_line.h"
#include "app/main_form.h"
#include "app/options.h"
#include "app/program_info.h"
#include "app/single_instance.h"
#include "app/splash_form.h"
#include "ui/hint.h"
#include "ui/instance.h"
#include "ui/window.h"

#include "app/search/search_form.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    using namespace kelt;
    // A command runs without any window, beside a running window or without one: it neither
    // claims the single-copy mutex nor brings a running copy forward.
    const std::vector<std::string> args = ProgramArguments();
    if (!args.empty())
        return RunCommandLine(args);
    if (!ClaimSingleInstance(InstanceMutexName())) {
        // The user started the program again: show the copy that runs.
        BringRunningCopyForward();
        return 1;
    }
    try {
        ui::InitCommonControlsOnce();
        // Hints stay up for five seconds.
        ::SendMessageA(ui::HintWindow(), TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(5000, 0));

        JTKeltOptions& options = CreateKeltOptions();
        options.LoadOptions();

        TKeltSplashForm splash;
        splash.CreateSplash();
        ui::ProcessPendingMessages();

        TKeltMainForm mainForm(options, &splash);
        if (!mainForm.CreateForm(SW_SHOWMAXIMIZED))
            return 0;
        TKeltSearchForm searchForm;
        if (searchForm.Create(mainForm.Handle())) {
            JTSearchWindowLink link;
            link.SetCatalogue = [&searchForm](JTRegSettings* catalogue) { searchForm.SetCatalogue(catalogue); };
            link.ShowForm = [&searchForm] { searchForm.ShowForm(); };
            link.SetUseXPMenu = [&searchForm](bool on) { searchForm.SetUseXPMenu(on); };
            mainForm.SetSearchWindow(std::move(link));
        }
        // Only the main window's end ends the loop: a quit request a plug-in leaves behind
        // (to end a message loop of its own) is dropped.
        return ui::RunMessageLoop(mainForm.Handle());
    } catch (const std::exception& error) {
        ::MessageBoxA(nullptr, error.what(), kApplicationTitle, MB_OK | MB_ICONERROR);
    } catch (...) {
        ::MessageBoxA(nullptr, "An unexpected error ended the program.", kApplicationTitle, MB_OK | MB_ICONERROR);
    }
    return 0;
}
