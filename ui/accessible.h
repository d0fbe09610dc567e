#pragma once
// What assistive technology (screen readers, magnifiers, speech control) reads of the program's
// windows, through the Windows accessibility interfaces (IAccessible).
//
// A control the program draws itself describes itself through AccessibleSource: element 0 is
// the control, elements 1 .. AccessibleCount() are its parts (the buttons of a bar, the rows of
// a list). The window base answers WM_GETOBJECT with an accessible object built on it (see
// Window::Accessibility), so the system reads the control exactly as described.
//
// A standard control whose name the system cannot find (an edit box without a label before it,
// a list without a caption) is named with SetAccessibleName; everything else the system's own
// reading of it tells stays as it is.
#include <windows.h>

#include <string>

namespace kelt::ui {

class AccessibleSource {
public:
    virtual ~AccessibleSource() = default;

    // Number of parts (elements 1..n).
    virtual int AccessibleCount() const { return 0; }
    virtual std::string AccessibleName(int element) const = 0;
    // ROLE_SYSTEM_* of oleacc.h.
    virtual long AccessibleRole(int element) const = 0;
    // STATE_SYSTEM_* bits. For element 0 the window's own state (disabled, invisible,
    // focusable, focused) is added.
    virtual long AccessibleState(int element) const { return 0; }
    virtual std::string AccessibleValue(int element) const { return std::string(); }
    virtual std::string AccessibleDescription(int element) const { return std::string(); }
    virtual std::string AccessibleShortcut(int element) const { return std::string(); }
    // What the default action is called ("Press", "Jump" ...); empty: none.
    virtual std::string AccessibleDefaultAction(int element) const { return std::string(); }
    // Runs the default action; false when there is none. Called from outside the program's own
    // input: anything that may open a window must be posted, not run at once.
    virtual bool AccessibleDoDefault(int element) { return false; }
    // Where a part lies, in client coordinates; false while it is not shown.
    virtual bool AccessibleRect(int element, RECT& client) const { return false; }
    // The part at a client point: 0 for the control itself.
    virtual int AccessibleElementAt(POINT client) const { return 0; }
    // The part that has the keyboard focus while the control has it (0: the control).
    virtual int AccessibleFocus() const { return 0; }
    // The selected part (0: none).
    virtual int AccessibleSelection() const { return 0; }
    // Selects or focuses a part (SELFLAG_*); false when it cannot.
    virtual bool AccessibleSelect(int element, long flags) { return false; }
};

// Answers WM_GETOBJECT for `window` from `source`; 0 for a request the source does not
// answer (the system then reads the window its own way). The object lives until the window
// is destroyed (ForgetAccessible); a reader that still holds it then gets errors.
LRESULT AnswerGetObject(HWND window, WPARAM wParam, LPARAM lParam, AccessibleSource& source);
void ForgetAccessible(HWND window);

// Names a standard control for assistive technology; an empty name takes the name back. A
// control that answers WM_GETOBJECT itself keeps its answer (and may read the name with
// AccessibleNameOf).
void SetAccessibleName(HWND control, const std::string& name);
std::string AccessibleNameOf(HWND control);

// Names the edit boxes, lists and drop-down lists of a dialog from the label in front of each
// (the static text just before it in the tab order, its '&' and trailing ':' left out), as a
// reader of the dialog would. Controls that carry a name of their own (window text) keep it.
void NameControlsFromLabels(HWND dialog);

// A caption as it is read: its mnemonic marks taken out ("&&" stays one '&').
std::string WithoutMnemonic(const std::string& caption);

// Tells assistive technology that something changed: `event` is EVENT_OBJECT_*, `element` a
// part (0: the control).
void NotifyAccessible(DWORD event, HWND window, int element = 0);

} // namespace kelt::ui
