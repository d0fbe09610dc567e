#pragma once
// The side bar: headers, each with a list of buttons (caption, hint, picture, data, click).
// Eleven preset styles give it distinct looks: stacked headers with one open list and large
// pictures (the "Outlook" and "Office" families), stacked headers with small rows (the
// "ToolBox" pair), or every header open as a group (the "ExplorerBar" family). Colours come
// from the system's, so the bar follows the user's colour scheme. The bar keeps the
// alignment its owner gives it (left or right); the owner places it.
//
// From the keyboard the bar is one stop of the tab order: the arrow keys walk its headers and
// the buttons shown (Home and End to the ends), Enter or Space opens a header or clicks a
// button, Left and Right fold and unfold. Assistive technology reads it as a tree: the headers,
// expanded or collapsed, with their buttons beneath them, the chosen one selected. With a
// high-contrast theme every style draws in the theme's colours.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/accessible.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt::ui {

enum SideBarStyle : int {
    sbOutlook,
    sbFlatOutlook,
    sbOutlookExpress,
    sbOffice,
    sbOfficeXP,
    sbOffice2000,
    sbToolBox,
    sbFlatToolBox,
    sbExplorerBar,
    sbExplorerBarXP,
    sbExplorerBar2000,
    kSideBarStyleCount
};

// "Outlook", "FlatOutlook" ... "ExplorerBar2000"; empty outside the range.
const char* SideBarStyleName(int style);

// Alignment values as the options store them.
constexpr int kAlignLeft = 3;
constexpr int kAlignRight = 4;

struct SideBarButton {
    std::string caption;
    std::string hint;
    int imageIndex = -1;
    void* data = nullptr;
    std::function<void()> onClick;
};

class SideBar : public Window, private AccessibleSource {
public:
    SideBar();
    ~SideBar() override;

    bool CreateIn(HWND parent, int left, int top, int width, int height, int id = 0);

    int AddHeader(const std::string& caption);
    int HeaderCount() const { return static_cast<int>(headers_.size()); }
    const std::string& HeaderCaption(int header) const;
    // The pictures of a header's buttons (not owned; null for none).
    void SetHeaderImages(int header, HIMAGELIST images);
    HIMAGELIST HeaderImages(int header) const;

    // Appends a button; answers its index (-1 for an unknown header).
    int AddButton(int header, SideBarButton button);
    int ButtonCount(int header) const;
    const SideBarButton& Button(int header, int index) const;
    void ClearButtons(int header);

    // Stacked styles show the buttons of the active header only; group styles show all.
    void SetActiveHeader(int header);
    int ActiveHeader() const { return active_; }
    // The button drawn as chosen in a header (-1 for none). Selecting makes the header active
    // and scrolls the button into view; it does not click it.
    void SelectButton(int header, int index);
    int SelectedButton(int header) const;
    // What a click on the button does: select it and run its handler.
    void ClickButton(int header, int index);

    // Out-of-range styles fall back to sbOutlook.
    void SetStyle(int style);
    int Style() const { return style_; }
    void SetAlignment(int alignment);
    int Alignment() const { return alignment_; }

    // Where a header or a button lies in the client area now (empty when not shown).
    RECT HeaderRect(int header) const;
    RECT ButtonRect(int header, int index) const;
    // Whether a group is folded away (group styles; a click on its header toggles it).
    bool HeaderCollapsed(int header) const;

    std::function<void(int header)> OnHeaderChange;

    // The keyboard's place in the bar: a header (button -1) or one of its buttons; -1 / -1
    // before the bar first had the focus.
    void FocusPart(int header, int button);
    int FocusedHeader() const { return focusHeader_; }
    int FocusedButton() const { return focusButton_; }
    // What assistive technology calls the bar.
    void SetAccessibleTitle(const std::string& title) { title_ = title; }

    // Draws the bar as it looks now (also answers WM_PRINTCLIENT).
    void PaintTo(HDC dc, const RECT& client);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnEraseBackground(HDC) override { return true; }
    bool OnPaint() override;
    void OnSize(UINT type, int width, int height) override;
    void OnDpiChanged(int dpi, const RECT* suggested) override;
    AccessibleSource* Accessibility() override { return this; }

private:
    struct Header {
        std::string caption;
        HIMAGELIST images = nullptr;
        std::vector<SideBarButton> buttons;
        int selected = -1;
        bool collapsed = false;
    };
    enum PartKind { pkHeader, pkButton, pkScrollUp, pkScrollDown, pkPanel };
    struct Part {
        PartKind kind;
        int header;
        int button;
        RECT rect;
    };
    struct Look;
    static Look LookFor(int style);

    void MakeFonts(int dpi);
    bool Stacked() const;
    bool LargeIcons() const;
    void Relayout();
    int ButtonHeight(HDC dc, const SideBarButton& button, int width) const;
    int HeaderHeight() const;
    const Part* PartAt(POINT p) const;
    const Part* FindPart(PartKind kind, int header, int button) const;
    void ClampScroll();
    void ScrollBy(int pixels);
    void EnsureVisible(int header, int index);
    // Scrolls the least that brings `rect` into the area.
    void ScrollToShow(const RECT& rect);
    void Invalidate();
    void SetHotPart(int hot);

    void PaintBackground(HDC dc, const RECT& client, const Look& look) const;
    void PaintHeader(HDC dc, const Part& part, const Look& look, bool hot) const;
    void PaintButton(HDC dc, const Part& part, const Look& look, bool hot, bool pressed) const;
    void PaintScroll(HDC dc, const Part& part) const;

    // Keyboard
    struct Place {
        int header;
        int button;  // -1: the header itself
    };
    // The headers and the buttons shown, in the order the eye reads them.
    std::vector<Place> KeyboardOrder() const;
    bool ButtonShown(int header) const;
    bool OnKey(WPARAM key);
    void Activate(Place place);
    void Expand(int header, bool expand);
    void ScrollToPlace(Place place);
    bool HasFocusedPart() const;

    // Assistive technology: element 1 is the first header, then its buttons, then the next header.
    int ElementOf(int header, int button) const;
    Place PlaceOf(int element) const;
    int AccessibleCount() const override;
    std::string AccessibleName(int element) const override;
    long AccessibleRole(int element) const override;
    long AccessibleState(int element) const override;
    std::string AccessibleValue(int element) const override;
    std::string AccessibleDescription(int element) const override;
    std::string AccessibleDefaultAction(int element) const override;
    bool AccessibleDoDefault(int element) override;
    bool AccessibleRect(int element, RECT& client) const override;
    int AccessibleElementAt(POINT client) const override;
    int AccessibleFocus() const override;
    int AccessibleSelection() const override;
    bool AccessibleSelect(int element, long flags) override;

    std::vector<Header> headers_;
    std::vector<Part> parts_;
    std::vector<Part> allButtons_;  // every button of the shown lists, in view or not
    RECT area_{};           // the scrolling button area (stacked) or the whole client (groups)
    int contentHeight_ = 0; // height of everything that scrolls
    int scroll_ = 0;
    int active_ = -1;
    int style_ = sbOutlook;
    int alignment_ = kAlignLeft;
    int hot_ = -1;          // index into parts_
    int pressed_ = -1;
    bool tracking_ = false;
    int focusHeader_ = -1;
    int focusButton_ = -1;
    std::string title_;
    UniqueFont font_;
    UniqueFont boldFont_;
    UniqueFont linkFont_;
};

} // namespace kelt::ui
