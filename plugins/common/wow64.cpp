#include "plugins/common/wow64.h"

namespace kelt::plugin {

namespace {

int& ScriptedAnswer()
{
    static int answer = -1;
    return answer;
}

bool AskWindows()
{
#ifdef _WIN64
    return false;
#else
    using IsWow64ProcessEntry = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto entry = reinterpret_cast<IsWow64ProcessEntry>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL result = FALSE;
    return entry && entry(::GetCurrentProcess(), &result) && result;
#endif
}

FARPROC Kernel(const char* name)
{
    return ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), name);
}

} // namespace

bool RunningUnderWow64()
{
    if (ScriptedAnswer() >= 0)
        return ScriptedAnswer() != 0;
    static const bool answer = AskWindows();
    return answer;
}

bool Is64BitWindows()
{
#ifdef _WIN64
    return true;
#else
    return RunningUnderWow64();
#endif
}

void ScriptWow64Answer(int answer)
{
    ScriptedAnswer() = answer < 0 ? -1 : (answer != 0);
}

REGSAM NativeRegistryView(bool underWow64)
{
    return underWow64 ? KEY_WOW64_64KEY : 0;
}

NativeSystemFolder NativeSystemFolderOf(const std::string& systemFolder, const std::string& windowsFolder,
                                        bool underWow64)
{
    if (!underWow64)
        return {systemFolder, false};
    const std::string alias = windowsFolder + "\\Sysnative";
    const DWORD attributes = ::GetFileAttributesA(alias.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {alias, false};
    return {systemFolder, true};
}

ScopedRedirectionOff::ScopedRedirectionOff(bool off)
{
    if (!off)
        return;
    using Disable = BOOL(WINAPI*)(PVOID*);
    if (auto disable = reinterpret_cast<Disable>(reinterpret_cast<void*>(Kernel("Wow64DisableWow64FsRedirection"))))
        off_ = disable(&old_) != FALSE;
}

ScopedRedirectionOff::~ScopedRedirectionOff()
{
    if (!off_)
        return;
    using Revert = BOOL(WINAPI*)(PVOID);
    if (auto revert = reinterpret_cast<Revert>(reinterpret_cast<void*>(Kernel("Wow64RevertWow64FsRedirection"))))
        revert(old_);
}

} // namespace kelt::plugin

extern "C" __declspec(dllexport) void KeltSetWow64Answer(int answer)
{
    kelt::plugin::ScriptWow64Answer(answer);
}
