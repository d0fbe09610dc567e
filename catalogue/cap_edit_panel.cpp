#include "catalogue/cap_edit_panel.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "catalogue/edit_value_form.h"
#include "catalogue/platform/int_text.h"
#include "catalogue/value_format.h"
#include "ui/accessible.h"
#include "ui/colour.h"
#include "ui/dpi.h"
#include "ui/hint.h"
#include "ui/instance.h"
#include "ui/seams.h"
#include "ui/text.h"

namespace kelt {

const char JTCapEditPanel::kBinaryPrompt[] =
    "Data is Binary,Double click or click the right button to modify the value!";

namespace {

const int kLabelId = 1;
const int kEditId = 2;
const UINT_PTR kEditSubclassId = 0x4B50;  // 'KP'

// Posted to the panel so the dialog and the error box open after the mouse or focus message
// that asked for them has finished.
const UINT kMsgEditValue = WM_APP + 1;
const UINT kMsgReportInvalid = WM_APP + 2;

// Background of an edit box that holds a text which is not a number.
const COLORREF kInvalidBack = RGB(255, 214, 214);

int ButtonOf(UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: return VK_LBUTTON;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: return VK_RBUTTON;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: return VK_MBUTTON;
    case WM_XBUTTONDOWN:
    case WM_XBUTTONDBLCLK: return GET_XBUTTON_WPARAM(wParam) == XBUTTON2 ? VK_XBUTTON2 : VK_XBUTTON1;
    default: return 0;
    }
}

} // namespace

JTCapEditPanel::JTCapEditPanel(int valueType) : valueType_(valueType)
{
    SetSize(ScaleRow(400), ScaleRow(47));
}

JTCapEditPanel::~JTCapEditPanel()
{
    // Destroy while this object is still a panel, so the children's last messages reach it.
    Destroy();
}

HFONT JTCapEditPanel::CurrentFont() const
{
    return RowFont();
}

SIZE JTCapEditPanel::CaptionExtent() const
{
    SIZE size{0, 0};
    ui::WindowDC screen(nullptr);
    if (!screen.get())
        return size;
    ui::SelectedObject selected(screen.get(), CurrentFont());
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(screen.get(), &metrics);
    const std::string& caption = Caption();
    if (!caption.empty())
        ::GetTextExtentPoint32A(screen.get(), caption.c_str(), static_cast<int>(caption.size()), &size);
    size.cy = std::max(size.cy, metrics.tmHeight);
    return size;
}

int JTCapEditPanel::CaptionWidth() const
{
    return CaptionExtent().cx;
}

int JTCapEditPanel::EditHeight() const
{
    ui::WindowDC screen(nullptr);
    TEXTMETRICA metrics{};
    if (screen.get()) {
        ui::SelectedObject selected(screen.get(), CurrentFont());
        ::GetTextMetricsA(screen.get(), &metrics);
    }
    return std::max(ScaleRow(21), static_cast<int>(metrics.tmHeight) + ScaleRow(8));
}

void JTCapEditPanel::SetCaption(const std::string& text)
{
    if (Caption() != text)
        JTRowControl::SetCaption(text);
    const int width = CaptionWidth();
    if (width >= Width())
        SetSize(width + ScaleRow(8), Height());
}

bool JTCapEditPanel::IsInvalid() const
{
    return valueType_ == kValueDword && !IsIntegerText(value_);
}

std::string JTCapEditPanel::DisplayOf(const std::string& text)
{
    if (valueType_ == kValueDword) {
        // A text that is no number is shown as it is, marked; writing it would raise.
        std::string normal;
        return NormalDword(text, normal) ? normal : text;
    }
    return FormatValue(valueType_, text);
}

void JTCapEditPanel::SetValue(const std::string& text)
{
    if (text == value_)
        return;
    value_ = text;
    ShowEditText(DisplayOf(value_));
}

void JTCapEditPanel::SetValueType(int type)
{
    if (type == valueType_)
        return;
    valueType_ = type;
    ShowEditText(valueType_ == kValueBinary ? std::string(kBinaryPrompt) : DisplayOf(value_));
    if (Handle())
        UpdateView();
}

void JTCapEditPanel::ShowEditText(const std::string& text)
{
    editText_ = text;
    if (!edit_)
        return;
    if (ui::WindowText(edit_) != editText_) {
        updatingEdit_ = true;
        ::SetWindowTextA(edit_, editText_.c_str());
        updatingEdit_ = false;
    }
    ::InvalidateRect(edit_, nullptr, TRUE);
}

void JTCapEditPanel::CreateChildren()
{
    updatingEdit_ = true;
    // The panel draws the caption itself, with the font it measured the caption in and the row's
    // colours (the system's static control may draw text wider than the measured extent).
    label_ = ::CreateWindowExA(0, WC_STATICA, Caption().c_str(), WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 0, 0,
                               0, 0, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLabelId)), ui::Instance(),
                               nullptr);
    edit_ = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_EDITA, editText_.c_str(),
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0, Handle(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), ui::Instance(), nullptr);
    updatingEdit_ = false;
    if (!edit_)
        return;
    WatchMouse(edit_);
    ::SetWindowSubclass(edit_, EditProc, kEditSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void JTCapEditPanel::UpdateView()
{
    if (!label_ || !edit_)
        return;
    // Building: each new parent area shows a binary row's prompt again.
    if (ParentArea() != builtFor_) {
        builtFor_ = ParentArea();
        if (valueType_ == kValueBinary)
            editText_ = kBinaryPrompt;
    }

    HFONT font = CurrentFont();
    for (HWND child : {label_, edit_})
        if (reinterpret_cast<HFONT>(::SendMessageA(child, WM_GETFONT, 0, 0)) != font)
            ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    const SIZE caption = CaptionExtent();
    if (ui::WindowText(label_) != Caption())
        ::SetWindowTextA(label_, Caption().c_str());
    // The box is known by the tweak's caption (its own text is the value).
    if (ui::AccessibleNameOf(edit_) != Caption())
        ui::SetAccessibleName(edit_, Caption());
    const int margin = ScaleRow(2);
    ::SetWindowPos(label_, nullptr, margin, margin, caption.cx, caption.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(edit_, nullptr, margin, margin + caption.cy, std::max(0, Width() - 2 * margin), EditHeight(),
                   SWP_NOZORDER | SWP_NOACTIVATE);

    const bool readOnly = valueType_ == kValueBinary;
    const bool isReadOnly = (::GetWindowLongPtrA(edit_, GWL_STYLE) & ES_READONLY) != 0;
    if (readOnly != isReadOnly)
        ::SendMessageA(edit_, EM_SETREADONLY, readOnly, 0);
    if (ui::WindowText(edit_) != editText_) {
        updatingEdit_ = true;
        ::SetWindowTextA(edit_, editText_.c_str());
        updatingEdit_ = false;
    }

    ::EnableWindow(label_, IsEnabled());
    ::EnableWindow(edit_, IsEnabled());
    for (HWND hinted : {Handle(), edit_})
        if (ui::GetHint(hinted) != Hint())
            ui::SetHint(hinted, Hint());
    ::InvalidateRect(label_, nullptr, TRUE);
    ::InvalidateRect(edit_, nullptr, TRUE);
}

void JTCapEditPanel::TextTyped()
{
    const std::string text = ui::WindowText(edit_);
    if (valueType_ == kValueDword) {
        std::string normal;
        if (NormalDword(text, normal)) {
            // Rewritten only when it changes, so the caret is left alone while the user types a
            // number that is already in normal form.
            if (normal != text) {
                DWORD selStart = 0, selEnd = 0;
                ::SendMessageA(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
                updatingEdit_ = true;
                ::SetWindowTextA(edit_, normal.c_str());
                updatingEdit_ = false;
                const int caret = CaretAfterRewrite(text, static_cast<int>(selEnd), normal);
                ::SendMessageA(edit_, EM_SETSEL, caret, caret);
            }
            value_ = normal;
        } else {
            // An intermediate text ("-", an empty field): kept as typed and marked.
            value_ = text;
        }
        editText_ = ui::WindowText(edit_);
        ::InvalidateRect(edit_, nullptr, TRUE);
    } else {
        value_ = text;
        editText_ = text;
    }
    if (OnValueChange)
        OnValueChange(*this);
}

void JTCapEditPanel::EditEnded()
{
    if (valueType_ == kValueDword && value_ != valueBeforeEdit_ && !IsIntegerText(value_) && Handle())
        ::PostMessageA(Handle(), kMsgReportInvalid, 0, 0);
    if (OnEndEdit)
        OnEndEdit(*this);
}

void JTCapEditPanel::ReportInvalidNumber()
{
    if (valueType_ != kValueDword)
        return;
    try {
        StrToInt(value_);
    } catch (const ConversionError& error) {
        HWND owner = Handle() ? ::GetAncestor(Handle(), GA_ROOT) : nullptr;
        ui::ShowMessage(owner, error.what(), "Error", MB_OK | MB_ICONERROR);
    }
}

void JTCapEditPanel::EditValue()
{
    valueBeforeEdit_ = value_;
    {
        // The dialog copies the value first and writes the result straight into it on OK.
        TKeltEditValueForm form(value_, value_, valueType_, dataName_);
        if (OnBeginEdit)
            OnBeginEdit(*this);
        HWND owner = Handle() ? ::GetAncestor(Handle(), GA_ROOT) : nullptr;
        if (form.RunModal(owner) == -1)
            throw Error("The value editor could not be opened.");
    }
    if (value_ != valueBeforeEdit_)
        ShowEditText(DisplayOf(value_));
    if (OnValueChange)
        OnValueChange(*this);
    if (OnEndEdit)
        OnEndEdit(*this);
}

void JTCapEditPanel::DrawCaption(HDC dc, const RECT& area)
{
    // The row's own colour, or what lies beneath the row when it has none.
    PaintBackground(label_, dc, area);
    const std::string& caption = Caption();
    if (caption.empty())
        return;
    ui::SelectedObject selected(dc, CurrentFont());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, IsEnabled() ? ui::ResolveColour(TextColour()) : ::GetSysColor(COLOR_GRAYTEXT));
    // Each character at the advance the measurement gave, so the caption fills exactly the
    // width it was measured at (some renderers otherwise draw it a few pixels wider). Wide
    // text: one advance per character, however many bytes the character takes.
    const std::wstring wide = ui::Wide(caption);
    const int count = static_cast<int>(wide.size());
    std::vector<int> ends(wide.size());
    SIZE total{};
    int fitted = 0;
    ::GetTextExtentExPointW(dc, wide.c_str(), count, INT_MAX, &fitted, ends.data(), &total);
    std::vector<int> advances(wide.size());
    for (int i = 0; i < count; ++i)
        advances[i] = ends[i] - (i > 0 ? ends[i - 1] : 0);
    ::ExtTextOutW(dc, area.left, area.top, ETO_CLIPPED, &area, wide.c_str(), static_cast<UINT>(count),
                  advances.data());
}

void JTCapEditPanel::OnChildMouse(HWND child, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (child == edit_) {
        if (const int button = ButtonOf(message, wParam)) {
            if (OnMouseDown)
                OnMouseDown(*this, button);
        }
        if (message == WM_LBUTTONDBLCLK && valueType_ == kValueBinary)
            ::PostMessageA(Handle(), kMsgEditValue, 0, 0);
    }
    JTRowControl::OnChildMouse(child, message, wParam, lParam);
}

LRESULT CALLBACK JTCapEditPanel::EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR data)
{
    auto* self = reinterpret_cast<JTCapEditPanel*>(data);
    const bool binary = self->valueType_ == kValueBinary;
    switch (message) {
    case WM_CONTEXTMENU:
        // A binary row's box holds only the prompt; its right button opens the editor instead.
        if (binary)
            return 0;
        break;
    case WM_RBUTTONUP:
        if (binary && self->Handle())
            ::PostMessageA(self->Handle(), kMsgEditValue, 0, 0);
        break;
    case WM_KEYDOWN:
        if (binary && wParam == VK_RETURN && self->Handle()) {
            ::PostMessageA(self->Handle(), kMsgEditValue, 0, 0);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(hwnd, EditProc, id);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

bool JTCapEditPanel::OnCommand(int id, int code, HWND control)
{
    if (!edit_ || control != edit_)
        return false;
    if (valueType_ == kValueBinary)
        return true;
    switch (code) {
    case EN_SETFOCUS:
        valueBeforeEdit_ = value_;
        if (OnBeginEdit)
            OnBeginEdit(*this);
        return true;
    case EN_CHANGE:
        if (!updatingEdit_)
            TextTyped();
        return true;
    case EN_KILLFOCUS:
        EditEnded();
        return true;
    default:
        return false;
    }
}

bool JTCapEditPanel::OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result)
{
    if (!edit_ || control != edit_)
        return JTRowControl::OnCtlColor(message, dc, control, result);
    const bool enabled = IsEnabled() && ::IsWindowEnabled(edit_);
    ::SetTextColor(dc, enabled ? ui::ResolveColour(TextColour()) : ::GetSysColor(COLOR_GRAYTEXT));
    HBRUSH brush;
    COLORREF back;
    if (enabled && IsInvalid()) {
        if (!invalidBrush_)
            invalidBrush_.reset(::CreateSolidBrush(kInvalidBack));
        brush = invalidBrush_.get();
        back = kInvalidBack;
    } else if (message == WM_CTLCOLOREDIT) {
        brush = ::GetSysColorBrush(COLOR_WINDOW);
        back = ::GetSysColor(COLOR_WINDOW);
    } else {
        // Read-only (binary) and disabled boxes take the row's background.
        brush = BackBrush();
        back = ui::ResolveColour(BackColour());
    }
    ::SetBkColor(dc, back);
    result = reinterpret_cast<LRESULT>(brush);
    return true;
}

LRESULT JTCapEditPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kMsgEditValue:
        EditValue();
        return 0;
    case kMsgReportInvalid:
        ReportInvalidNumber();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        // The caption label lets the mouse through, so this covers the panel and its caption.
        if (OnMouseDown)
            OnMouseDown(*this, ButtonOf(message, wParam));
        break;
    case WM_DRAWITEM: {
        const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (draw && label_ && draw->hwndItem == label_) {
            DrawCaption(draw->hDC, draw->rcItem);
            return TRUE;
        }
        break;
    }
    case WM_LBUTTONUP:
        if (OnClick)
            OnClick(*this);
        break;
    case WM_DESTROY:
        if (edit_)
            ui::RemoveHint(edit_);
        ui::RemoveHint(Handle());
        break;
    default:
        break;
    }
    return JTRowControl::HandleMessage(message, wParam, lParam);
}

void JTCapEditPanel::OnDetached()
{
    label_ = nullptr;
    edit_ = nullptr;
    builtFor_ = nullptr;
    JTRowControl::OnDetached();
}

} // namespace kelt
