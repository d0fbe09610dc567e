#include "catalogue/edit_value_form.h"

#include <commctrl.h>

#include <algorithm>

#include "catalogue/edit_value_ids.h"
#include "catalogue/platform/int_text.h"
#include "catalogue/value_format.h"
#include "ui/dpi.h"
#include "ui/seams.h"
#include "ui/xp_style.h"

namespace kelt {

int TKeltEditValueForm::RadixMode = 0;

namespace {

const UINT_PTR kEditorSubclassId = 0x4B45;  // 'KE'

// The controls of each page, in page order: "String", "DWORD", "Binary".
const int kStringPage[] = {IDC_pedString};
const int kDwordPage[] = {IDC_pedDWORD, IDC_prgSystem, IDC_prgSystemHex, IDC_prgSystemDecimal};
const int kBinaryPage[] = {IDC_pmmBinData};

// Page heights and spacing in 96-dpi pixels.
const int kPageHeights[] = {55, 130, 200};
const int kButtonGap = 5;
const int kBottomMargin = 10;

// Hexadecimal digits in the DWORD field.
const int kHexDigits = 8;
// "-2147483648"
const int kDecimalDigits = 11;

const char kBinaryRefused[] =
    "The binary data must be written as pairs of hexadecimal digits, for example 01 FF 10.";

// Select all, copy, paste, cut and undo: the edit controls act on these characters.
bool IsEditingKey(unsigned char c)
{
    return c == 1 || c == 3 || c == 22 || c == 24 || c == 26;
}


RECT ChildRect(HWND parent, HWND child)
{
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace

TKeltEditValueForm::TKeltEditValueForm(std::string& result, const std::string& value, int valueType,
                                       const std::string& dataName)
    : ui::Dialog(IDD_EDIT_VALUE), result_(result), value_(value), valueType_(valueType), dataName_(dataName)
{
    // A DWORD that is no number fails here, before any window is shown. An empty value opens an
    // empty field.
    if (valueType_ == kValueDword && !value_.empty())
        dwordText_ = IntToHex(StrToInt(value_));
}

TKeltEditValueForm::~TKeltEditValueForm() = default;

bool TKeltEditValueForm::OnInitDialog()
{
    ::SetWindowSubclass(Item(IDC_pedDWORD), EditorProc, kEditorSubclassId, reinterpret_cast<DWORD_PTR>(this));
    ::SetWindowSubclass(Item(IDC_pmmBinData), EditorProc, kEditorSubclassId, reinterpret_cast<DWORD_PTR>(this));
    FormCreate();
    return true;
}

void TKeltEditValueForm::FormCreate()
{
    ui::ApplyXPStyle(Handle(), ui::XPStyleWanted());
    SetItemText(IDC_pedDataName, dataName_);
    ShowPage(valueType_);
    switch (valueType_) {
    case kValueString:
        ::SetWindowTextA(Handle(), "Edit String Data");
        SetItemText(IDC_pedString, value_);
        break;
    case kValueDword:
        ::SetWindowTextA(Handle(), "Edit DWORD Data");
        RadixMode = 0;
        SetRadioToMode();
        ApplyLengthLimit();
        SetItemText(IDC_pedDWORD, dwordText_);
        break;
    case kValueBinary:
        ::SetWindowTextA(Handle(), "Edit Binary Data");
        SetItemText(IDC_pmmBinData, BinToText(value_));
        break;
    default:
        break;
    }
    const bool knownType = valueType_ >= kValueString && valueType_ <= kValueBinary;
    LayOut(kPageHeights[knownType ? valueType_ : 0]);
    ui::CentreOnOwner(Handle());
}

void TKeltEditValueForm::ShowPage(int page)
{
    auto show = [this](const int* ids, std::size_t count, bool visible) {
        for (std::size_t i = 0; i < count; ++i)
            ::ShowWindow(Item(ids[i]), visible ? SW_SHOW : SW_HIDE);
    };
    // Hidden controls drop out of the tab order, so the "&Value:" label and the first focus
    // reach the shown page's editor.
    show(kStringPage, std::size(kStringPage), page == kValueString);
    show(kDwordPage, std::size(kDwordPage), page == kValueDword);
    show(kBinaryPage, std::size(kBinaryPage), page == kValueBinary);
}

void TKeltEditValueForm::LayOut(int pageHeight)
{
    HWND frame = Item(IDC_ppcValue);
    HWND memo = Item(IDC_pmmBinData);
    HWND ok = Item(IDOK);
    HWND cancel = Item(IDCANCEL);

    RECT pages = ChildRect(Handle(), frame);
    pages.bottom = pages.top + Scale(pageHeight);
    ::MoveWindow(frame, pages.left, pages.top, pages.right - pages.left, pages.bottom - pages.top, FALSE);

    // The memo fills its page, keeping the margins of the template.
    RECT memoRect = ChildRect(Handle(), memo);
    const int margin = memoRect.top - pages.top;
    ::MoveWindow(memo, memoRect.left, memoRect.top, memoRect.right - memoRect.left,
                 std::max(0, static_cast<int>(pages.bottom - pages.top) - 2 * margin), FALSE);

    const int buttonTop = pages.bottom + Scale(kButtonGap);
    for (HWND button : {ok, cancel}) {
        RECT rect = ChildRect(Handle(), button);
        ::MoveWindow(button, rect.left, buttonTop, rect.right - rect.left, rect.bottom - rect.top, FALSE);
    }
    RECT okRect = ChildRect(Handle(), ok);

    RECT client{};
    ::GetClientRect(Handle(), &client);
    client.bottom = okRect.bottom + Scale(kBottomMargin);
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(Handle(), GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrA(Handle(), GWL_EXSTYLE));
    ::AdjustWindowRectEx(&client, style, FALSE, exStyle);
    ::SetWindowPos(Handle(), nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(Handle(), nullptr, TRUE);
}

void TKeltEditValueForm::SetRadioToMode()
{
    SetChecked(IDC_prgSystemHex, RadixMode == 0);
    SetChecked(IDC_prgSystemDecimal, RadixMode == 1);
}

void TKeltEditValueForm::ApplyLengthLimit()
{
    ::SendMessageA(Item(IDC_pedDWORD), EM_LIMITTEXT, RadixMode == 0 ? kHexDigits : kDecimalDigits, 0);
}

void TKeltEditValueForm::pedDWORDKeyPress(HWND sender, char& key)
{
    const unsigned char c = static_cast<unsigned char>(key);
    if (c == 8 || IsEditingKey(c) || (c >= '0' && c <= '9'))
        return;
    // Binary data is always hexadecimal; blanks and line breaks may separate the pairs.
    const bool binary = sender && sender == Item(IDC_pmmBinData);
    if (binary && (c == ' ' || c == '\r' || c == '\n'))
        return;
    if (binary || IsChecked(IDC_prgSystemHex)) {
        if (c >= 'a' && c <= 'f') {
            key = static_cast<char>(c - 'a' + 'A');
            return;
        }
        if (c >= 'A' && c <= 'F')
            return;
    }
    key = 0;
}

void TKeltEditValueForm::PasteFiltered(HWND editor)
{
    if (!::IsClipboardFormatAvailable(CF_TEXT) || !::OpenClipboard(Handle()))
        return;
    std::string pasted;
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
        if (const char* text = static_cast<const char*>(::GlobalLock(data))) {
            pasted = text;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();

    std::string kept;
    for (char c : pasted) {
        if (static_cast<unsigned char>(c) < ' ' && c != '\r' && c != '\n')
            continue;
        char key = c;
        pedDWORDKeyPress(editor, key);
        if (key != 0)
            kept += key;
    }
    ::SendMessageA(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(kept.c_str()));
}

LRESULT CALLBACK TKeltEditValueForm::EditorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                                DWORD_PTR data)
{
    auto* self = reinterpret_cast<TKeltEditValueForm*>(data);
    switch (message) {
    case WM_CHAR: {
        char key = static_cast<char>(wParam);
        self->pedDWORDKeyPress(hwnd, key);
        if (key == 0)
            return 0;
        wParam = static_cast<unsigned char>(key);
        break;
    }
    case WM_PASTE:
        self->PasteFiltered(hwnd);
        return 0;
    case WM_GETDLGCODE: {
        // The memo takes Enter for line breaks, but Tab still moves on to the buttons.
        LRESULT code = ::DefSubclassProc(hwnd, message, wParam, lParam);
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_TAB)
            code &= ~(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE);
        return code;
    }
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(hwnd, EditorProc, id);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

void TKeltEditValueForm::prgSystemClick()
{
    const int selected = IsChecked(IDC_prgSystemDecimal) ? 1 : 0;
    if (selected == RadixMode)
        return;
    const std::string text = ItemText(IDC_pedDWORD);
    if (!text.empty()) {
        if (selected == 1) {
            SetItemText(IDC_pedDWORD, IntToStr(HexToInt(text)));
        } else {
            int number = 0;
            if (!TryStrToInt(text, number)) {
                // Stay in decimal so the field keeps meaning what it shows.
                SetRadioToMode();
                ui::ShowMessage(Handle(), "'" + text + "' is not a valid integer value", "Error",
                                MB_OK | MB_ICONERROR);
                return;
            }
            SetItemText(IDC_pedDWORD, IntToHex(number));
        }
    }
    // With an empty field there is nothing to convert, but the mode still follows the radio
    // button: OK reads the field in the radix it was typed in.
    RadixMode = selected;
    ApplyLengthLimit();
}

void TKeltEditValueForm::pbtnOKClick()
{
    switch (valueType_) {
    case kValueString:
        result_ = ItemText(IDC_pedString);
        break;
    case kValueDword: {
        const std::string text = ItemText(IDC_pedDWORD);
        if (RadixMode == 1) {
            if (!IsIntegerText(text)) {
                ui::ShowMessage(Handle(), "'" + text + "' is not a valid integer value", "Error",
                                MB_OK | MB_ICONERROR);
                ::SetFocus(Item(IDC_pedDWORD));
                return;
            }
            // Normalised, so "007" does not count as a change from 7.
            result_ = IntToStr(StrToInt(text));
        } else {
            result_ = IntToStr(HexToInt(text));
        }
        break;
    }
    case kValueBinary: {
        std::string bytes;
        if (!TextToBin(ItemText(IDC_pmmBinData), bytes)) {
            ui::ShowMessage(Handle(), kBinaryRefused, "Error", MB_OK | MB_ICONERROR);
            ::SetFocus(Item(IDC_pmmBinData));
            return;
        }
        result_ = bytes;
        break;
    }
    default:
        break;
    }
    End(IDOK);
}

void TKeltEditValueForm::pbtnCancelClick()
{
    End(IDCANCEL);
}

bool TKeltEditValueForm::OnCommand(int id, int code, HWND control)
{
    if ((id == IDC_prgSystemHex || id == IDC_prgSystemDecimal) && code == BN_CLICKED) {
        prgSystemClick();
        return true;
    }
    return ui::Dialog::OnCommand(id, code, control);
}

} // namespace kelt
