// Update.exe: brings the program folder it sits in up to the update server's files.
#include <windows.h>

#include "update/file_ops.h"
#include "update/update_form.h"
#include "ui/files.h"
#include "ui/instance.h"
#include "ui/window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand)
{
    using namespace kelt::update;
    // Two updaters would download into the same staging folder: the second shows the first.
    HANDLE single = ::CreateMutexA(nullptr, TRUE, "Keltrix Update");
    if (single && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        if (HWND other = ::FindWindowA(reinterpret_cast<LPCSTR>(WC_DIALOG), "Update Keltrix"))
            ::SetForegroundWindow(other);
        ::CloseHandle(single);
        return 0;
    }

    RunSettings settings;
    settings.runningProgram = kelt::ui::ModuleFileName();
    settings.programFolder = kelt::ui::ProgramFolder();
    // The file a previous run moved aside when it replaced this program.
    ::DeleteFileA(RunningProgramAside(settings.runningProgram).c_str());

    int exitCode = 1;
    {
        TpfrmUpdate form(settings);
        if (form.Create()) {
            ::ShowWindow(form.Handle(), showCommand);
            exitCode = kelt::ui::RunMessageLoop();
        }
    }
    if (single)
        ::CloseHandle(single);
    return exitCode;
}
