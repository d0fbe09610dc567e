// Keltrix: one window over the tweak catalogue.
#include <windows.h>

#include "app/catalogue_window.h"
#include "app/options.h"
#include "catalogue/platform/os_family.h"
#include "ui/window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    using namespace kelt;
    JTKeltOptions& options = CreateKeltOptions();
    options.LoadOptions();
    DetectRunningWindows();

    int exitCode = 1;
    {
        TKeltCatalogueWindow window(options);
        if (window.CreateMain(showCommand)) exitCode = ui::RunMessageLoop();
    }
    FreeKeltOptions();
    return exitCode;
}
