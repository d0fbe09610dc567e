#include "plugins/host/plugin_library.h"

#include "plugins/host/guarded_call.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kelt {

namespace {

// Calls of later systems, found at run time so the program still starts on Windows Vista.
using SetThreadErrorModeFn = BOOL(WINAPI*)(DWORD mode, DWORD* previous);

template <typename Function>
Function KernelFunction(const char* name)
{
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(kernel, name))) : nullptr;
}

// No "cannot find" or "bad image" boxes while it lives: for this thread where the system can
// say so, else for the process (restored at once).
class QuietLoaderErrors {
public:
    QuietLoaderErrors()
    {
        static const auto setThreadMode = KernelFunction<SetThreadErrorModeFn>("SetThreadErrorMode");
        setThreadMode_ = setThreadMode;
        const DWORD quiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
        if (setThreadMode_)
            setThreadMode_(quiet, &previous_);
        else
            previous_ = ::SetErrorMode(quiet);
    }
    ~QuietLoaderErrors()
    {
        if (setThreadMode_)
            setThreadMode_(previous_, nullptr);
        else
            ::SetErrorMode(previous_);
    }
    QuietLoaderErrors(const QuietLoaderErrors&) = delete;
    QuietLoaderErrors& operator=(const QuietLoaderErrors&) = delete;

private:
    SetThreadErrorModeFn setThreadMode_ = nullptr;
    DWORD previous_ = 0;
};

struct ModuleSearch {
    HMODULE module;
    std::uintptr_t begin;
    std::uintptr_t end;
    DWORD process;
    bool ownedOnly;
    std::vector<HWND> found;
    std::vector<HWND> children;
};

bool CodeInside(const ModuleSearch& search, LONG_PTR address)
{
    const auto at = static_cast<std::uintptr_t>(address);
    return at >= search.begin && at < search.end;
}

LONG_PTR WindowValue(HWND window, int index)
{
    return ::IsWindowUnicode(window) ? ::GetWindowLongPtrW(window, index) : ::GetWindowLongPtrA(window, index);
}

// Made by the library: its instance or class, a class procedure of its own, or a dialog whose
// procedure is its own.
bool WindowOfModule(HWND window, const ModuleSearch& search)
{
    if (reinterpret_cast<HMODULE>(::GetWindowLongPtrA(window, GWLP_HINSTANCE)) == search.module)
        return true;
    if (reinterpret_cast<HMODULE>(::GetClassLongPtrA(window, GCLP_HMODULE)) == search.module)
        return true;
    const LONG_PTR classProc = static_cast<LONG_PTR>(::IsWindowUnicode(window) ? ::GetClassLongPtrW(window, GCLP_WNDPROC)
                                                                                : ::GetClassLongPtrA(window, GCLP_WNDPROC));
    if (CodeInside(search, classProc))
        return true;
    char className[16] = {};
    ::GetClassNameA(window, className, sizeof className);
    return std::strcmp(className, "#32770") == 0 && CodeInside(search, WindowValue(window, DWLP_DLGPROC));
}

bool Matches(HWND window, const ModuleSearch& search)
{
    return WindowOfModule(window, search) ||
           (!search.ownedOnly && CodeInside(search, WindowValue(window, GWLP_WNDPROC)));
}

BOOL CALLBACK CheckChild(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<ModuleSearch*>(data);
    if (Matches(window, *search))
        search->children.push_back(window);
    return TRUE;
}

BOOL CALLBACK CheckTopLevel(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<ModuleSearch*>(data);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != search->process)
        return TRUE;
    // The children of the library's own windows go with them.
    if (Matches(window, *search))
        search->found.push_back(window);
    else
        ::EnumChildWindows(window, CheckChild, data);
    return TRUE;
}

std::vector<HWND> FindWindows(HMODULE module, bool ownedOnly)
{
    ModuleSearch search{module, 0, 0, ::GetCurrentProcessId(), ownedOnly, {}, {}};
    if (!ImageRange(module, search.begin, search.end))
        return {};
    ::EnumWindows(CheckTopLevel, reinterpret_cast<LPARAM>(&search));
    // Message-only windows are not among the top-level ones.
    for (HWND window = ::FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = ::FindWindowExA(HWND_MESSAGE, window, nullptr, nullptr))
        CheckTopLevel(window, reinterpret_cast<LPARAM>(&search));
    search.found.insert(search.found.end(), search.children.begin(), search.children.end());
    return search.found;
}

} // namespace

bool ImageRange(HMODULE module, std::uintptr_t& begin, std::uintptr_t& end)
{
    if (!module)
        return false;
    const auto* base = reinterpret_cast<const unsigned char*>(module);
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, base, sizeof dos);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE)
        return false;
    IMAGE_NT_HEADERS nt;
    std::memcpy(&nt, base + dos.e_lfanew, sizeof nt);
    if (nt.Signature != IMAGE_NT_SIGNATURE)
        return false;
    begin = reinterpret_cast<std::uintptr_t>(base);
    end = begin + nt.OptionalHeader.SizeOfImage;
    return true;
}

HMODULE LoadPluginLibrary(const std::string& path)
{
    if (path.empty())
        return nullptr;
    char full[MAX_PATH * 4] = {};
    const DWORD length = ::GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    const std::string target = length > 0 && length < sizeof full ? std::string(full, length) : path;

    QuietLoaderErrors quiet;
    // The search-path flags exist where AddDllDirectory does (Windows 8, and 7 with its update).
    static const bool searchFlags = KernelFunction<FARPROC>("AddDllDirectory") != nullptr;
    // The library's start-up code runs inside the load: guarded like every call into it.
    struct Load {
        const char* path;
        DWORD flags;
        HMODULE module;
        DWORD error;
    };
    const auto load = [](Load& request) {
        const GuardedResult guarded = RunGuarded(
            [](void* context) {
                auto* call = static_cast<Load*>(context);
                call->module = ::LoadLibraryExA(call->path, nullptr, call->flags);
                call->error = ::GetLastError();
            },
            &request);
        return guarded.faulted ? nullptr : request.module;
    };
    Load request{target.c_str(), LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS, nullptr, 0};
    HMODULE module = searchFlags ? load(request) : nullptr;
    if (!module && (!searchFlags || request.error == ERROR_INVALID_PARAMETER)) {
        request = Load{target.c_str(), LOAD_WITH_ALTERED_SEARCH_PATH, nullptr, 0};
        module = load(request);
    }
    return module;
}

std::string ForeignMachine(const std::string& path)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    WORD machine = 0;
    IMAGE_DOS_HEADER dos{};
    DWORD read = 0;
    DWORD signature = 0;
    IMAGE_FILE_HEADER header{};
    bool program = ::ReadFile(file, &dos, sizeof dos, &read, nullptr) && read == sizeof dos &&
                   dos.e_magic == IMAGE_DOS_SIGNATURE && dos.e_lfanew > 0 &&
                   ::SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
                   ::ReadFile(file, &signature, sizeof signature, &read, nullptr) && read == sizeof signature &&
                   signature == IMAGE_NT_SIGNATURE &&
                   ::ReadFile(file, &header, sizeof header, &read, nullptr) && read == sizeof header;
    ::CloseHandle(file);
    if (!program)
        return std::string();
    machine = header.Machine;
#if defined(_WIN64)
    const WORD own = IMAGE_FILE_MACHINE_AMD64;
#else
    const WORD own = IMAGE_FILE_MACHINE_I386;
#endif
    if (machine == own)
        return std::string();
    if (machine == IMAGE_FILE_MACHINE_I386)
        return "a 32-bit plugin";
    if (machine == IMAGE_FILE_MACHINE_AMD64)
        return "a 64-bit plugin";
    return "a plugin for another processor";
}

std::vector<HWND> ModuleWindows(HMODULE module)
{
    return FindWindows(module, true);
}

bool WindowOfLibrary(HWND window, HMODULE module)
{
    ModuleSearch search{module, 0, 0, 0, true, {}, {}};
    return ImageRange(module, search.begin, search.end) && WindowOfModule(window, search);
}

bool ModuleHasWindows(HMODULE module)
{
    return !FindWindows(module, false).empty();
}

} // namespace kelt
