#include "plugins/host/plugin_guard.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "plugins/host/guarded_call.h"
#include "plugins/host/plugin_library.h"
#include "ui/instance.h"
#include "ui/seams.h"
#include "ui/window.h"

namespace kelt {

namespace {

struct Library {
    HMODULE module;
    std::uintptr_t begin;
    std::uintptr_t end;
    std::string name;
    std::string failure;  // empty while it has not failed
    bool reported;        // the user has been told of the failure
};

std::vector<Library>& Libraries()
{
    static std::vector<Library> libraries;
    return libraries;
}

// Found again after every call into plug-in code: such a call may admit another library.
Library* Find(HMODULE module)
{
    for (Library& library : Libraries())
        if (library.module == module)
            return &library;
    return nullptr;
}

bool Failed(HMODULE module)
{
    const Library* library = Find(module);
    return library && !library->failure.empty();
}

void MarkFailed(HMODULE module, const std::string& failure)
{
    Library* library = Find(module);
    if (library && library->failure.empty())
        library->failure = failure;
}

struct Wrapped {
    WNDPROC original;
    bool unicode;
    HMODULE module;
};

std::map<HWND, Wrapped>& WrappedWindows()
{
    static std::map<HWND, Wrapped> windows;
    return windows;
}

// Windows made on this thread while plug-in code ran, not yet looked at.
std::vector<HWND>& MadeDuringCalls()
{
    static std::vector<HWND> made;
    return made;
}

HWND& FaultOwner()
{
    static HWND owner = nullptr;
    return owner;
}

LRESULT CALLBACK GuardedProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK GuardedProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void Wrap(HWND window, HMODULE module)
{
    if (WrappedWindows().count(window) || ::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId())
        return;
    const bool unicode = ::IsWindowUnicode(window) != FALSE;
    const LONG_PTR original =
        unicode ? ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GuardedProcW))
                : ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GuardedProcA));
    if (original)
        WrappedWindows()[window] = Wrapped{reinterpret_cast<WNDPROC>(original), unicode, module};
}

HMODULE LibraryOfWindow(HWND window)
{
    for (const Library& library : Libraries())
        if (WindowOfLibrary(window, library.module))
            return library.module;
    return nullptr;
}

void WrapNewWindows()
{
    std::vector<HWND> made;
    made.swap(MadeDuringCalls());
    for (HWND window : made)
        if (::IsWindow(window))
            if (HMODULE module = LibraryOfWindow(window))
                Wrap(window, module);
}

// The library's windows that already exist on this thread (made while it loaded, or before
// it was admitted again).
void WrapExistingWindows(HMODULE module)
{
    for (HWND window : ModuleWindows(module))
        Wrap(window, module);
}

void CloseWindows(HMODULE module)
{
    // Under the guard first: what they are sent while they go reaches no plug-in code.
    const std::vector<HWND> windows = ModuleWindows(module);
    for (HWND window : windows)
        Wrap(window, module);
    for (HWND window : windows)
        if (::IsWindow(window) && ::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId())
            ::DestroyWindow(window);
}

LRESULT CALLBACK WatchCreation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && InsideGuardedCall())
        MadeDuringCalls().push_back(reinterpret_cast<HWND>(wParam));
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// ---------------------------------------------------------------- reporting

constexpr UINT kReportFault = WM_APP + 0x4B47;

void Report(HMODULE module)
{
    Library* library = Find(module);
    if (!library || library->reported)
        return;
    library->reported = true;
    const std::string text = "The plugin " + library->name + " failed (" + library->failure +
                             "). Its windows were closed; it will not run again until Keltrix is restarted.";
    CloseWindows(module);
    HWND owner = FaultOwner() && ::IsWindow(FaultOwner()) ? FaultOwner() : ::GetActiveWindow();
    ui::ShowMessage(owner, text, "Error", MB_OK | MB_ICONERROR);
}

LRESULT CALLBACK ReporterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kReportFault) {
        Report(reinterpret_cast<HMODULE>(lParam));
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

// A fault met while the system was delivering a message is reported once that delivery is
// over, from the message loop.
void ReportLater(HMODULE module)
{
    static HWND reporter = [] {
        WNDCLASSA type{};
        type.lpfnWndProc = ReporterProc;
        type.hInstance = ui::Instance();
        type.lpszClassName = "KeltPluginFaultReporter";
        ::RegisterClassA(&type);
        return ::CreateWindowExA(0, type.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ui::Instance(),
                                 nullptr);
    }();
    if (!reporter || !::PostMessageA(reporter, kReportFault, 0, reinterpret_cast<LPARAM>(module)))
        Report(module);
}

// ---------------------------------------------------------------- guarded messages

struct MessageCall {
    WNDPROC procedure;
    bool unicode;
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
};

void CallProcedure(void* context)
{
    auto* call = static_cast<MessageCall*>(context);
    call->result = call->unicode
                       ? ::CallWindowProcW(call->procedure, call->window, call->message, call->wParam, call->lParam)
                       : ::CallWindowProcA(call->procedure, call->window, call->message, call->wParam, call->lParam);
}

// Runs a message for plug-in code; a fault marks the library failed and is reported later.
bool RunMessage(HMODULE module, const char* where, void (*call)(void*), void* context)
{
    const bool outermost = !InsideGuardedCall();
    const GuardedResult guarded = RunGuarded(call, context);
    if (outermost)
        WrapNewWindows();
    if (!guarded.faulted)
        return true;
    MarkFailed(module, DescribeFault(guarded.code) + " " + where);
    ReportLater(module);
    return false;
}

LRESULT GuardedProc(bool unicode, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto found = WrappedWindows().find(window);
    if (found == WrappedWindows().end())
        return unicode ? ::DefWindowProcW(window, message, wParam, lParam)
                       : ::DefWindowProcA(window, message, wParam, lParam);
    const Wrapped entry = found->second;
    LRESULT result = 0;
    if (!Failed(entry.module)) {
        MessageCall call{entry.original, entry.unicode, window, message, wParam, lParam, 0};
        if (RunMessage(entry.module, "in one of its windows", CallProcedure, &call))
            result = call.result;
    } else {
        result = unicode ? ::DefWindowProcW(window, message, wParam, lParam)
                         : ::DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY)
        WrappedWindows().erase(window);
    return result;
}

LRESULT CALLBACK GuardedProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return GuardedProc(false, window, message, wParam, lParam);
}

LRESULT CALLBACK GuardedProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return GuardedProc(true, window, message, wParam, lParam);
}

void DispatchThrough(void* context)
{
    ::DispatchMessageA(static_cast<const MSG*>(context));
}

// What the program's own loops dispatch: timer callbacks in a plug-in library run guarded (and
// are dropped once it failed); a window of a library not yet under the guard is taken under it;
// a window of the program whose procedure a plug-in replaced is dispatched guarded.
bool DispatchGuarded(const MSG& message)
{
    if (message.message == WM_TIMER && message.lParam) {
        const HMODULE module = PluginLibraryAt(reinterpret_cast<const void*>(message.lParam));
        if (!module)
            return false;
        if (Failed(module))
            ::KillTimer(message.hwnd, message.wParam);
        else
            RunMessage(module, "in a timer", DispatchThrough, const_cast<MSG*>(&message));
        return true;
    }
    if (!message.hwnd)
        return false;
    const LONG_PTR procedure = ::IsWindowUnicode(message.hwnd) ? ::GetWindowLongPtrW(message.hwnd, GWLP_WNDPROC)
                                                                : ::GetWindowLongPtrA(message.hwnd, GWLP_WNDPROC);
    const HMODULE module = PluginLibraryAt(reinterpret_cast<const void*>(procedure));
    if (!module)
        return false;
    if (WindowOfLibrary(message.hwnd, module)) {
        Wrap(message.hwnd, module);
        return false;
    }
    RunMessage(module, "in a window of Keltrix", DispatchThrough, const_cast<MSG*>(&message));
    return true;
}

// ---------------------------------------------------------------- quit requests

std::vector<HWND>& QuitHosts()
{
    static std::vector<HWND> hosts;
    return hosts;
}

HHOOK& QuitHook()
{
    static HHOOK hook = nullptr;
    return hook;
}

LRESULT CALLBACK DropForeignQuit(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && lParam) {
        auto* message = reinterpret_cast<MSG*>(lParam);
        if (message->message == WM_QUIT && !InsideGuardedCall() &&
            std::any_of(QuitHosts().begin(), QuitHosts().end(), [](HWND host) { return ::IsWindow(host) != FALSE; })) {
            message->message = WM_NULL;
            message->hwnd = nullptr;
            message->wParam = 0;
            message->lParam = 0;
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

void AdmitPluginLibrary(HMODULE module, const std::string& name)
{
    if (!module)
        return;
    if (Library* known = Find(module)) {
        if (!name.empty())
            known->name = name;
        return;
    }
    Library library{module, 0, 0, name, std::string(), false};
    if (!ImageRange(module, library.begin, library.end))
        return;
    // Never unloaded before the program ends: one reference the system itself keeps.
    HMODULE pinned = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                         reinterpret_cast<LPCSTR>(module), &pinned);
    Libraries().push_back(library);
    static const HHOOK watch = ::SetWindowsHookExA(WH_CBT, WatchCreation, nullptr, ::GetCurrentThreadId());
    (void)watch;
    ui::SetDispatchHook(DispatchGuarded);
    WrapExistingWindows(module);
}

HMODULE PluginLibraryAt(const void* address)
{
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    for (const Library& library : Libraries())
        if (at >= library.begin && at < library.end)
            return library.module;
    return nullptr;
}

std::string PluginLibraryFailure(HMODULE module)
{
    const Library* library = Find(module);
    return library ? library->failure : std::string();
}

PluginCall CallPluginCode(HMODULE module, const char* where, void (*call)(void* context), void* context)
{
    const bool outermost = !InsideGuardedCall();
    const GuardedResult guarded = RunGuarded(call, context);
    if (outermost)
        WrapNewWindows();
    PluginCall result;
    if (!guarded.faulted)
        return result;
    result.faulted = true;
    result.fault = DescribeFault(guarded.code);
    MarkFailed(module, result.fault + " " + where);
    if (Library* library = Find(module))
        library->reported = true;
    CloseWindows(module);
    return result;
}

void SetPluginFaultOwner(HWND owner)
{
    FaultOwner() = owner;
}

PluginQuitFilter::PluginQuitFilter(HWND host) : host_(host)
{
    QuitHosts().push_back(host);
    if (!QuitHook())
        QuitHook() = ::SetWindowsHookExA(WH_GETMESSAGE, DropForeignQuit, nullptr, ::GetCurrentThreadId());
}

PluginQuitFilter::~PluginQuitFilter()
{
    auto& hosts = QuitHosts();
    const auto at = std::find(hosts.begin(), hosts.end(), host_);
    if (at != hosts.end())
        hosts.erase(at);
    if (hosts.empty() && QuitHook()) {
        ::UnhookWindowsHookEx(QuitHook());
        QuitHook() = nullptr;
    }
}

} // namespace kelt
