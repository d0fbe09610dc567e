// Loaded into the staged program by the tests: Wine keeps no high-contrast setting, so this
// library answers the program's question for it (SystemParametersInfoA, SPI_GETHIGHCONTRAST)
// from where Windows keeps the setting, HKCU\Control Panel\Accessibility\HighContrast "Flags".
// Every other question goes to the system as before.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>

namespace {

using SystemParametersCall = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT);
SystemParametersCall systemCall = nullptr;

bool HighContrastStored()
{
    char flags[32] = {};
    DWORD size = sizeof flags;
    if (::RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Accessibility\\HighContrast", "Flags", RRF_RT_REG_SZ,
                       nullptr, flags, &size) != ERROR_SUCCESS)
        return false;
    return (std::strtoul(flags, nullptr, 10) & HCF_HIGHCONTRASTON) != 0;
}

BOOL WINAPI Answer(UINT action, UINT number, PVOID data, UINT update)
{
    auto* contrast = static_cast<HIGHCONTRASTA*>(data);
    if (action != SPI_GETHIGHCONTRAST || !contrast || contrast->cbSize != sizeof *contrast)
        return systemCall(action, number, data, update);
    contrast->dwFlags = HCF_AVAILABLE | (HighContrastStored() ? HCF_HIGHCONTRASTON : 0);
    contrast->lpszDefaultScheme = nullptr;
    return TRUE;
}

// Points the program's import of SystemParametersInfoA at Answer.
void Redirect(HMODULE module)
{
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         imports.VirtualAddress && dll->Name; ++dll) {
        if (::lstrcmpiA(reinterpret_cast<char*>(base + dll->Name), "user32.dll") != 0)
            continue;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) ||
                std::strcmp(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name,
                            "SystemParametersInfoA") != 0)
                continue;
            DWORD protection = 0;
            ::VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
            systemCall = reinterpret_cast<SystemParametersCall>(slot->u1.Function);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(&Answer);
            ::VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
        }
    }
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    // The program and every module it has loaded (the plug-ins draw with their own copy of the
    // visual components).
    HANDLE modules = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, ::GetCurrentProcessId());
    MODULEENTRY32 module{};
    module.dwSize = sizeof module;
    for (BOOL more = ::Module32First(modules, &module); more; more = ::Module32Next(modules, &module))
        Redirect(module.hModule);
    ::CloseHandle(modules);
    return TRUE;
}
