// A plug-in written without the frame, to be broken on purpose:
//   RAW_PICKY       does not load from a folder named Plugins (its library entry fails there)
//   RAW_NO_DONE     leaves out DonePlugin
//   RAW_THROWS      GetPluginVersion throws a C++ exception
//   RAW_NULL_NAME   GetPluginName reads through a null pointer
//   RAW_FOREIGN     GetPluginAuthor raises what another runtime's C++ throw raises
//   RAW_RAISES      GetPluginGlyphResName raises an exception of its own code
//   RAW_QUITS       Execute shows a plain window with a message loop of its own, which it ends
//                   with PostQuitMessage when the window goes (WM_CLOSE or IDCANCEL close it)
//   RAW_REENTERS    Execute sends kReenterMessage to the host window and runs more of its own
//                   code after the host has answered; it answers 42
//   RAW_LINGERS     Execute opens a window of its own and returns, leaving it open; the window
//                   answers kLingerMessage with 7
//   RAW_RUN_FAULT   Execute disables the host window, opens its window and runs its own loop;
//                   the window reads through a null pointer on the first message it posts itself
//   RAW_RUN_THROWS  Execute throws a C++ exception of the plug-in's own runtime
//   RAW_RECURSES    Execute recurses until the stack overflows
//   RAW_TIMER_FAULT Execute leaves a window open whose timer reads through a null pointer
//   RAW_QUIT_LATER  Execute leaves a window open that posts WM_QUIT from its timer (1.5 s)
//   RAW_SPINNER     Execute leaves a thread running that calls code of the library every 20 ms,
//                   counting the calls in the shared memory "KeltSpinnerTicks"
//   RAW_BAD_VERSION GetPluginVersion answers a text with line breaks and a [Program] section
//   RAW_UNDO_FAULT  exports PrepareUninstall, which reads through a null pointer
//   RAW_RUN_FOREIGN Execute raises what another runtime's C++ throw raises
#include <windows.h>

#include <cctype>
#include <cstdint>
#include <stdexcept>
#include <string>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

[[maybe_unused]] constexpr UINT kReenterMessage = WM_APP + 0x4B;
[[maybe_unused]] constexpr UINT kLingerMessage = WM_APP + 0x4C;

[[maybe_unused]] HINSTANCE Self()
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

// A read of address 0 the compiler cannot see through.
[[maybe_unused]] int ReadNull()
{
    static volatile std::uintptr_t nowhere = 0;
    return *reinterpret_cast<volatile int*>(nowhere);
}

[[maybe_unused]] LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_APP:
    case WM_TIMER:
#if defined(RAW_RUN_FAULT) || defined(RAW_TIMER_FAULT)
        return ReadNull();
#elif defined(RAW_QUIT_LATER)
        ::KillTimer(window, 1);
        ::PostQuitMessage(0);
        return 0;
#else
        return 0;
#endif
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)
            ::DestroyWindow(window);
        return 0;
    case WM_DESTROY:
#ifdef RAW_QUITS
        ::PostQuitMessage(0);
#endif
        return 0;
    default:
        if (message == kLingerMessage)
            return 7;
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
}

[[maybe_unused]] HWND OpenWindow(HWND owner)
{
    WNDCLASSA type{};
    type.lpfnWndProc = WindowProc;
    type.hInstance = Self();
    type.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    type.lpszClassName = "KeltRawPluginWindow";
    ::RegisterClassA(&type);
    return ::CreateWindowExA(0, type.lpszClassName, "Raw tool " RAW_NAME, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60,
                             300, 200, owner, nullptr, Self(), nullptr);
}

#pragma GCC diagnostic ignored "-Winfinite-recursion"
[[maybe_unused, gnu::noinline]] int Deeper(int depth)
{
    volatile char frame[512];
    frame[depth % 512] = static_cast<char>(depth);
    return Deeper(depth + 1) + frame[0];
}

// Counted by the thread RAW_SPINNER leaves running.
[[maybe_unused, gnu::noinline]] void Tick(volatile LONG* ticks)
{
    ::InterlockedIncrement(ticks);
}

[[maybe_unused]] DWORD WINAPI Spin(void*)
{
    HANDLE shared = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "KeltSpinnerTicks");
    auto* ticks = static_cast<volatile LONG*>(::MapViewOfFile(shared, FILE_MAP_WRITE, 0, 0, 4096));
    for (;;) {
        if (ticks)
            Tick(ticks);
        ::Sleep(20);
    }
}

// Code of the library that runs after the host answered.
[[maybe_unused, gnu::noinline]] std::int32_t Answer(volatile std::int32_t seed)
{
    return seed * 6;
}

} // namespace

extern "C" {

#ifdef RAW_PICKY
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char path[MAX_PATH * 2] = {};
    ::GetModuleFileNameA(instance, path, sizeof path);
    std::string folder(path);
    for (char& c : folder)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folder.find("\\plugins\\") == std::string::npos;
}
#endif

const char* __stdcall GetPluginName()
{
#ifdef RAW_NULL_NAME
    // Null as the compiler cannot see it: a plain read of address 0.
    static volatile std::uintptr_t nowhere = 0;
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(*reinterpret_cast<const char*>(nowhere)));
#endif
    return RAW_NAME;
}
const char* __stdcall GetPluginAuthor()
{
#ifdef RAW_FOREIGN
    ::RaiseException(0xE06D7363, EXCEPTION_NONCONTINUABLE, 0, nullptr);
#endif
    return "Tests";
}
const char* __stdcall GetPluginKind() { return "Broken"; }
const char* __stdcall GetPluginMenuText() { return RAW_NAME; }
const char* __stdcall GetPluginGlyphResName()
{
#ifdef RAW_RAISES
    ::RaiseException(0xE0000042, 0, 0, nullptr);
#endif
    return "Glyph";
}
const char* __stdcall GetPluginVersion()
{
#ifdef RAW_BAD_VERSION
    return "1.0\r\n[Program]\r\nKeltrix.exe=99.0";
#endif
#ifdef RAW_THROWS
    throw std::runtime_error("the version is not known");
#endif
    return "1.0";
}
const char* __stdcall GetPluginCopyright() { return "2003"; }
#ifndef RAW_NO_DONE
void __stdcall DonePlugin() {}
#endif

std::int32_t __stdcall Execute(std::uint32_t hostHandle)
{
    [[maybe_unused]] HWND host = reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(hostHandle)));
#if defined(RAW_QUITS)
    HWND window = OpenWindow(host);
    MSG message;
    while (::IsWindow(window) && ::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return 1;
#elif defined(RAW_REENTERS)
    ::SendMessageA(host, kReenterMessage, 0, 0);
    return Answer(7);
#elif defined(RAW_LINGERS)
    return OpenWindow(nullptr) ? 1 : 0;
#elif defined(RAW_RUN_FAULT)
    ::EnableWindow(host, FALSE);
    HWND window = OpenWindow(host);
    ::PostMessageA(window, WM_APP, 0, 0);
    MSG message;
    while (::IsWindow(window) && ::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    ::EnableWindow(host, TRUE);
    return 1;
#elif defined(RAW_RUN_THROWS)
    throw std::runtime_error("the tool cannot start");
#elif defined(RAW_RUN_FOREIGN)
    ::RaiseException(0xE06D7363, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    return 1;
#elif defined(RAW_RECURSES)
    return Deeper(0);
#elif defined(RAW_TIMER_FAULT) || defined(RAW_QUIT_LATER)
    HWND window = OpenWindow(nullptr);
#ifdef RAW_TIMER_FAULT
    ::SetTimer(window, 1, 300, nullptr);
#else
    ::SetTimer(window, 1, 1500, nullptr);
#endif
    return 1;
#elif defined(RAW_SPINNER)
    HANDLE thread = ::CreateThread(nullptr, 0, Spin, nullptr, 0, nullptr);
    ::CloseHandle(thread);
    return 1;
#else
    return 1;
#endif
}

#ifdef RAW_UNDO_FAULT
std::int32_t __stdcall PrepareUninstall(std::uint32_t)
{
    return ReadNull();
}
#endif

}
