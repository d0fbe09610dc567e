#pragma once
// A 32-bit plug-in on 64-bit Windows runs under WOW64: the system folder it opens is the
// 32-bit copy (SysWOW64) and part of HKEY_LOCAL_MACHINE\SOFTWARE it reads is the 32-bit view.
// What Windows itself uses is reached through the "Sysnative" alias of the Windows folder (or
// with the file-system redirection switched off) and through the 64-bit registry view.
#include <windows.h>

#include <string>

namespace kelt::plugin {

// True when this process is a 32-bit one on 64-bit Windows. IsWow64Process is looked up by
// name (older systems lack it); a 64-bit build answers false. Tests may script the answer.
bool RunningUnderWow64();
// -1 puts the real answer back; 0 and 1 script it.
void ScriptWow64Answer(int answer);
// True when Windows itself is 64-bit: always for a 64-bit build, under WOW64 for a 32-bit one.
bool Is64BitWindows();

// The access flag that reaches the registry Windows itself uses: the 64-bit view under WOW64,
// nothing elsewhere (systems before XP refuse the flag).
REGSAM NativeRegistryView(bool underWow64);

// Where the 64-bit system files are for a program under WOW64, and how to reach them.
struct NativeSystemFolder {
    std::string folder;
    // The folder is the system folder's own name and is reached only with the file-system
    // redirection switched off (systems without the "Sysnative" alias).
    bool redirectionOff = false;
};
// `systemFolder` itself unless `underWow64`; then `windowsFolder` + "\Sysnative" where that
// alias exists, else `systemFolder` with the redirection switched off.
NativeSystemFolder NativeSystemFolderOf(const std::string& systemFolder, const std::string& windowsFolder,
                                        bool underWow64);

// Switches the file-system redirection of this thread off while it lives (when asked to and
// the system has the switch) and back on afterwards.
class ScopedRedirectionOff {
public:
    explicit ScopedRedirectionOff(bool off);
    ~ScopedRedirectionOff();
    ScopedRedirectionOff(const ScopedRedirectionOff&) = delete;
    ScopedRedirectionOff& operator=(const ScopedRedirectionOff&) = delete;

private:
    void* old_ = nullptr;
    bool off_ = false;
};

} // namespace kelt::plugin

// The test export of the plug-ins that link this: scripts RunningUnderWow64 (-1 real answer).
extern "C" __declspec(dllexport) void KeltSetWow64Answer(int answer);
