#pragma once
// The window and dialog bases every window of the program derives from.
//
// A static procedure attaches the C++ object to its HWND at WM_NCCREATE (windows) or
// WM_INITDIALOG (dialogs), dispatches to the virtual handlers below and detaches at
// WM_NCDESTROY. Every exception a handler throws is caught there and shown through
// ReportError; the program keeps running.
//
// Reflection: WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, WM_DRAWITEM and WM_MEASUREITEM that a
// child control sends to its parent are first offered to the child's handler registered with
// SetReflectionHandler, so a control can draw and react by itself whatever window it sits in.
//
// Scale: sizes are given for 96 dpi and scaled with Scale() to the scale of the window's
// top-level window (ui/dpi.h). When a top-level window is told its scale changed
// (WM_DPICHANGED), the base records the new scale, tells every descendant (OnDpiChanged with no
// rectangle), then the window itself (OnDpiChanged with the rectangle the system suggests).
// A dialog's base also moves, sizes and re-fonts the controls of its template to the new scale.
#include <windows.h>

#include <functional>
#include <string>

#include "ui/handles.h"

namespace kelt::ui {

class AccessibleSource;

// Answers true when it handled the message, with the result to return in `result`.
using ReflectionHandler = std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

// Registers (or, with an empty handler, removes) the handler of a child control. The handler is
// removed automatically when the control is destroyed.
void SetReflectionHandler(HWND control, ReflectionHandler handler);
// Offers a parent's message to the sending child's handler; used by the bases, and by any
// window procedure not derived from them that wants to host self-drawing controls.
bool ReflectToChild(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return hwnd_; }
    // The object attached to a window made by this base (null for other windows).
    static Window* FromHandle(HWND hwnd);

    // Destroys the window if it still exists.
    void Destroy();

    // The scale of the top-level window this one belongs to; a 96-dpi size at that scale.
    int Dpi() const;
    int Scale(int pixels) const;

protected:
    // Registers the class (once per module and name) with Window's procedure.
    static void RegisterWindowClass(const char* className, UINT style = CS_HREDRAW | CS_VREDRAW,
                                    HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                                    HICON icon = nullptr, HCURSOR cursor = nullptr);
    // Creates the window of a class registered above; true when it exists.
    bool Create(const char* className, const std::string& title, DWORD style, DWORD exStyle, int x, int y,
                int width, int height, HWND parent, HMENU menuOrId = nullptr);

    // The default dispatch; override for messages without a dedicated handler, and call it for
    // the rest.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Handlers answer true when they handled the message.
    virtual bool OnCreate(const CREATESTRUCTA& create) { return true; }  // false cancels creation
    virtual bool OnCommand(int id, int code, HWND control) { return false; }
    virtual bool OnNotify(NMHDR& header, LRESULT& result) { return false; }
    virtual bool OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result) { return false; }
    virtual void OnSize(UINT type, int width, int height) {}
    virtual bool OnTimer(UINT_PTR id) { return false; }
    virtual bool OnEraseBackground(HDC dc) { return false; }
    virtual bool OnPaint() { return false; }
    virtual bool OnClose() { return false; }  // true: handled (the window stays)
    virtual void OnDestroy() {}
    // After WM_NCDESTROY; the object is detached and Handle() is null.
    virtual void OnDetached() {}
    // The scale changed: fonts, pictures and sizes follow `dpi`. A top-level window is given the
    // rectangle the system suggests, which the default takes; a child is given none.
    virtual void OnDpiChanged(int dpi, const RECT* suggested);
    // What assistive technology reads of the window (ui/accessible.h); null leaves it to the
    // system's own reading.
    virtual AccessibleSource* Accessibility() { return nullptr; }
    // A top-level window: the system's colours or its high-contrast setting changed. Every
    // control inside has been told (WM_SYSCOLORCHANGE); the window is repainted afterwards.
    virtual void OnColoursChanged() {}

private:
    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// A dialog from a DIALOGEX template in the module's resources. Dialogs are data holders: the
// caller fills inputs, runs the dialog and reads the results.
class Dialog {
public:
    explicit Dialog(int templateId, HINSTANCE module = nullptr);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Modal; answers the code passed to End (IDOK, IDCANCEL ...) or -1 when it could not start.
    INT_PTR RunModal(HWND owner);
    // Modeless; true when the dialog exists.
    bool CreateModeless(HWND owner);

    HWND Handle() const { return hwnd_; }
    HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }
    static Dialog* FromHandle(HWND hwnd);
    // Ends a modal dialog (destroys a modeless one).
    void End(INT_PTR result);
    bool IsModal() const { return modal_; }

    std::string ItemText(int id) const;
    void SetItemText(int id, const std::string& text);
    bool IsChecked(int id) const;
    void SetChecked(int id, bool checked);

    int Dpi() const;
    int Scale(int pixels) const;

protected:
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Answer true to let the system set the default focus.
    virtual bool OnInitDialog() { return true; }
    // Default: IDOK -> OnOK, IDCANCEL -> OnCancel.
    virtual bool OnCommand(int id, int code, HWND control);
    virtual bool OnNotify(NMHDR& header, LRESULT& result) { return false; }
    virtual bool OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result) { return false; }
    virtual bool OnTimer(UINT_PTR id) { return false; }
    virtual void OnSize(UINT type, int width, int height) {}
    // Default: End(IDOK) / End(IDCANCEL).
    virtual void OnOK() { End(IDOK); }
    virtual void OnCancel() { End(IDCANCEL); }
    virtual void OnDestroy() {}
    // The scale changed; the template's controls already have their new places and fonts.
    // Override for what the dialog made itself (fonts, pictures, list rows), and call the base,
    // which moves a top-level dialog into the rectangle the system suggests.
    virtual void OnDpiChanged(int dpi, const RECT* suggested);

private:
    static INT_PTR CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void RescaleControls(int dpi);
    int templateId_;
    HINSTANCE module_;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
    int layoutDpi_ = 0;    // the scale the controls are placed and sized for
    UniqueFont ownFont_;   // the template's font at layoutDpi_, once the base made one
};

// Runs the message loop until WM_QUIT; answers its exit code. Keyboard navigation is given to
// modeless dialogs registered with AddModelessDialog. With a `mainWindow`, a WM_QUIT that
// arrives while that window still exists is somebody else's and is dropped.
int RunMessageLoop(HWND mainWindow = nullptr);
// The program's own loops (RunMessageLoop, ProcessPendingMessages) hand every message they do
// not give a modeless dialog to the dispatch hook, which may run it itself (answering true);
// else it is dispatched as usual. The plug-in host guards messages for plug-in code so.
using DispatchHook = bool (*)(const MSG& message);
void SetDispatchHook(DispatchHook hook);
// The text of a window or control.
std::string WindowText(HWND hwnd);
// Whether a message to a top-level window says the system's colours or its high-contrast
// setting changed.
bool IsColourChange(UINT message, WPARAM wParam);
// Tells every control inside `top` (WM_SYSCOLORCHANGE), as the system tells top-level windows
// only; the caller repaints.
void SpreadColourChange(HWND top);
// Centres `dialog` on its owner (on the work area when it has none or the owner is hidden or
// minimised), kept on the screen.
void CentreOnOwner(HWND dialog);
void AddModelessDialog(HWND dialog);
void RemoveModelessDialog(HWND dialog);
// Handles every message already waiting (tests and long operations); `queues` (PM_QS_INPUT,
// PM_QS_POSTMESSAGE ...) limits it to some kinds, 0 handles all. Answers true when it met a
// request to end the loop (WM_QUIT), which it leaves queued for the loop.
bool ProcessPendingMessages(UINT queues = 0);

} // namespace kelt::ui
