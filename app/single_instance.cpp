#include "app/single_instance.h"

#include "ui/instance.h"

namespace kelt {

std::string InstanceMutexName()
{
    std::string name = ui::ModuleFileName();
    const std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

bool ClaimSingleInstance(const std::string& name)
{
    HANDLE mutex = ::CreateMutexA(nullptr, TRUE, name.c_str());
    const DWORD error = ::GetLastError();
    if (mutex && error != ERROR_ALREADY_EXISTS)
        return true;  // kept open on purpose: the system releases it when the process ends
    if (mutex)
        ::CloseHandle(mutex);
    return false;
}

bool BringRunningCopyForward()
{
    HWND window = ::FindWindowA("TKeltMainForm", nullptr);
    if (!window || !::IsWindowVisible(window)) {
        // Still starting: its splash is what the user sees.
        if (HWND splash = ::FindWindowA("TKeltSplashForm", nullptr))
            window = splash;
    }
    if (!window)
        return false;
    if (::IsIconic(window))
        ::ShowWindow(window, SW_RESTORE);
    ::SetForegroundWindow(window);
    return true;
}

} // namespace kelt
