#include "update/running_program.h"

#include <tlhelp32.h>

#include "update/file_names.h"
#include "update/file_ops.h"
#include "ui/window.h"

namespace kelt::update {

// Keltrix names its guard after its own program file, without folder and extension.
const char kKeltrixMutex[] = "Keltrix";
const char kKeltrixWindowClass[] = "TKeltMainForm";

bool MutexExists(const std::string& name)
{
    ui::UniqueKernelHandle mutex(::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str()));
    // A mutex we may not open still exists.
    return static_cast<bool>(mutex) || ::GetLastError() == ERROR_ACCESS_DENIED;
}

bool ProgramGuard::Claim(const std::string& name)
{
    mutex_.reset();
    HANDLE mutex = ::CreateMutexA(nullptr, TRUE, name.c_str());
    if (mutex && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        mutex = nullptr;
    }
    mutex_.reset(mutex);
    return static_cast<bool>(mutex_);
}

namespace {

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

std::string FileNameOf(const std::string& path)
{
    return path.substr(path.find_last_of("\\/") + 1);
}

struct CloseSearch {
    std::string programFile;
    int asked = 0;
};

BOOL CALLBACK AskToClose(HWND window, LPARAM parameter)
{
    auto& search = *reinterpret_cast<CloseSearch*>(parameter);
    char className[64] = {};
    ::GetClassNameA(window, className, sizeof className);
    if (std::string(className) != kKeltrixWindowClass || !::IsWindowEnabled(window))
        return TRUE;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId != ::GetCurrentProcessId() && SameFileName(FullPath(ImageOf(processId)), search.programFile)) {
        ::PostMessageA(window, WM_CLOSE, 0, 0);
        ++search.asked;
    }
    return TRUE;
}

} // namespace

int RunningCopies(const std::string& programFile)
{
    const std::string wanted = FullPath(programFile);
    const std::string name = FileNameOf(wanted);
    ui::UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int copies = 0;
    for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == ::GetCurrentProcessId() || !SameFileName(entry.szExeFile, name))
            continue;
        const std::string image = ImageOf(entry.th32ProcessID);
        if (image.empty() || SameFileName(FullPath(image), wanted))
            ++copies;
    }
    return copies;
}

int RequestClose(const std::string& programFile)
{
    CloseSearch search{FullPath(programFile), 0};
    ::EnumWindows(AskToClose, reinterpret_cast<LPARAM>(&search));
    return search.asked;
}

bool WaitForProgramGone(const std::string& mutexName, const std::string& programFile, int ms)
{
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(ms);
    for (;;) {
        if (!MutexExists(mutexName) && RunningCopies(programFile) == 0)
            return true;
        if (::GetTickCount64() >= deadline)
            return false;
        ui::ProcessPendingMessages();
        ::Sleep(50);
    }
}

} // namespace kelt::update
