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

[[maybe_unused]] LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
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
#else
    return 1;
#endif
}

}
