#pragma once
// The staged program as a user without a mouse and assistive technology meet it, from outside:
// keystrokes sent as the keyboard sends them, and every window read through oleacc.
#include <windows.h>
#include <oleacc.h>

#include <memory>
#include <string>
#include <vector>

namespace kelt::outside {

template <typename Condition>
bool WaitUntil(Condition done, DWORD timeoutMs = 30000)
{
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::Sleep(20);
    }
    return true;
}

// ---------------------------------------------------------------- keyboard

inline void SendKey(WORD key, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ::SendInput(1, &input, sizeof input);
}

// One key with modifiers held (VK_CONTROL, VK_SHIFT, VK_MENU), then a moment for the program.
inline void Press(WORD key, std::vector<WORD> held = {})
{
    for (WORD modifier : held)
        SendKey(modifier, false);
    SendKey(key, false);
    SendKey(key, true);
    for (auto it = held.rbegin(); it != held.rend(); ++it)
        SendKey(*it, true);
    ::Sleep(150);
}

// Text typed as characters, whatever the keyboard layout.
inline void Type(const std::string& text)
{
    for (char c : text)
        for (DWORD flags : {DWORD(KEYEVENTF_UNICODE), DWORD(KEYEVENTF_UNICODE | KEYEVENTF_KEYUP)}) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = static_cast<unsigned char>(c);
            input.ki.dwFlags = flags;
            ::SendInput(1, &input, sizeof input);
        }
    ::Sleep(150);
}

inline std::string ClassOf(HWND hwnd)
{
    char name[64] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    return name;
}

inline std::string TextOf(HWND hwnd)
{
    char text[256] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

// The control with the keyboard focus in the program that owns `window`.
inline HWND FocusOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

// Presses Tab (at most `most` times) until the focus is on a control `wanted` accepts.
template <typename Wanted>
bool TabTo(HWND window, Wanted wanted, int most = 10)
{
    for (int i = 0; i < most; ++i) {
        if (wanted(FocusOf(window)))
            return true;
        Press(VK_TAB);
    }
    return wanted(FocusOf(window));
}

// ---------------------------------------------------------------- assistive technology

struct Release {
    void operator()(IAccessible* object) const { object->Release(); }
};
using Accessible = std::unique_ptr<IAccessible, Release>;

inline Accessible ObjectOf(HWND window)
{
    IAccessible* object = nullptr;
    if (FAILED(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                            reinterpret_cast<void**>(&object))))
        return nullptr;
    return Accessible(object);
}

// What a reader hears of an object or one of its parts.
struct Reading {
    std::string name;
    long role = 0;
    long state = 0;
    std::string value;
    std::string action;
    std::string description;
};

inline std::string Narrow(BSTR text)
{
    if (!text)
        return std::string();
    char buffer[1024] = {};
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer - 1, nullptr, nullptr);
    ::SysFreeString(text);
    return buffer;
}

inline Reading Read(IAccessible* object, long child = CHILDID_SELF)
{
    Reading reading;
    VARIANT id{};
    id.vt = VT_I4;
    id.lVal = child;
    BSTR text = nullptr;
    object->get_accName(id, &text);
    reading.name = Narrow(text);
    text = nullptr;
    object->get_accValue(id, &text);
    reading.value = Narrow(text);
    text = nullptr;
    object->get_accDefaultAction(id, &text);
    reading.action = Narrow(text);
    text = nullptr;
    object->get_accDescription(id, &text);
    reading.description = Narrow(text);
    VARIANT role{}, state{};
    if (SUCCEEDED(object->get_accRole(id, &role)) && role.vt == VT_I4)
        reading.role = role.lVal;
    if (SUCCEEDED(object->get_accState(id, &state)) && state.vt == VT_I4)
        reading.state = state.lVal;
    return reading;
}

inline Reading ReadWindow(HWND window)
{
    Accessible object = ObjectOf(window);
    return object ? Read(object.get()) : Reading{};
}

// The parts of a window's object, as AccessibleChildren gives them.
inline std::vector<Reading> Parts(HWND window)
{
    std::vector<Reading> parts;
    Accessible object = ObjectOf(window);
    LONG count = 0;
    if (!object || FAILED(object->get_accChildCount(&count)) || count <= 0)
        return parts;
    std::vector<VARIANT> children(static_cast<std::size_t>(count));
    LONG got = 0;
    if (FAILED(::AccessibleChildren(object.get(), 0, count, children.data(), &got)))
        return parts;
    for (LONG i = 0; i < got; ++i) {
        if (children[i].vt == VT_I4) {
            parts.push_back(Read(object.get(), children[i].lVal));
        } else if (children[i].vt == VT_DISPATCH && children[i].pdispVal) {
            IAccessible* child = nullptr;
            if (SUCCEEDED(children[i].pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&child))))
                parts.push_back(Read(Accessible(child).get()));
        }
        ::VariantClear(&children[i]);
    }
    return parts;
}

// Asks a window's object (or one of its parts, 1-based) to do its default action.
inline bool DoDefault(HWND window, long part = CHILDID_SELF)
{
    Accessible object = ObjectOf(window);
    VARIANT id{};
    id.vt = VT_I4;
    id.lVal = part;
    return object && SUCCEEDED(object->accDoDefaultAction(id));
}

// The state changes a program announces (EVENT_OBJECT_STATECHANGE), as assistive technology
// hears them: out of the program, brought by messages to this thread.
class StateChanges {
public:
    explicit StateChanges(HANDLE process)
    {
        Heard().clear();
        hook_ = ::SetWinEventHook(EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_STATECHANGE, nullptr, Listen,
                                  ::GetProcessId(process), 0, WINEVENT_OUTOFCONTEXT);
    }
    ~StateChanges()
    {
        if (hook_)
            ::UnhookWinEvent(hook_);
    }
    // Waits, serving the messages, until `window` told of a change of its part `element`.
    bool WaitFor(HWND window, long element, DWORD timeoutMs = 15000)
    {
        return WaitUntil(
            [&] {
                MSG msg;
                while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                    ::DispatchMessageA(&msg);
                for (const auto& [hwnd, child] : Heard())
                    if (hwnd == window && child == element)
                        return true;
                return false;
            },
            timeoutMs);
    }

private:
    static std::vector<std::pair<HWND, long>>& Heard()
    {
        static std::vector<std::pair<HWND, long>> heard;
        return heard;
    }
    static void CALLBACK Listen(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD, DWORD)
    {
        if (object == OBJID_CLIENT)
            Heard().emplace_back(hwnd, child);
    }
    HWINEVENTHOOK hook_ = nullptr;
};

} // namespace kelt::outside
