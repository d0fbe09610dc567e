#include "update/running_program.h"

#include "update/file_names.h"
#include "update/file_ops.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt::update {

const char kKeltrixMutex[] = "Keltrix";

bool MutexExists(const std::string& name)
{
    ui::UniqueKernelHandle mutex(::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str()));
    // A mutex we may not open still exists.
    return static_cast<bool>(mutex) || ::GetLastError() == ERROR_ACCESS_DENIED;
}

namespace {

struct CloseSearch {
    std::string programFile;
    int asked = 0;
};

std::string ImageOf(DWORD processId)
{
    ui::UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process)
        return {};
    char buffer[MAX_PATH * 2];
    DWORD size = sizeof buffer;
    if (!::QueryFullProcessImageNameA(process.get(), 0, buffer, &size))
        return {};
    return std::string(buffer, size);
}

BOOL CALLBACK AskToClose(HWND window, LPARAM parameter)
{
    auto& search = *reinterpret_cast<CloseSearch*>(parameter);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId == ::GetCurrentProcessId() || !::IsWindowVisible(window))
        return TRUE;
    if (SameFileName(FullPath(ImageOf(processId)), search.programFile)) {
        ::PostMessageA(window, WM_CLOSE, 0, 0);
        ++search.asked;
    }
    return TRUE;
}

} // namespace

int RequestClose(const std::string& programFile)
{
    CloseSearch search{FullPath(programFile), 0};
    ::EnumWindows(AskToClose, reinterpret_cast<LPARAM>(&search));
    return search.asked;
}

bool WaitForMutexGone(const std::string& name, int ms)
{
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(ms);
    for (;;) {
        if (!MutexExists(name))
            return true;
        if (::GetTickCount64() >= deadline)
            return false;
        ui::ProcessPendingMessages();
        ::Sleep(50);
    }
}

} // namespace kelt::update
