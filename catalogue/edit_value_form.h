#pragma once
// "Edit registry value": edits one value of an item in its text form. One page per value
// type (string, DWORD with hexadecimal or decimal entry, binary as hexadecimal byte pairs);
// only the page of the value's type is shown. OK writes the result through the reference the
// caller passed; Cancel leaves it alone.
#include <windows.h>

#include <string>

#include "ui/window.h"

namespace kelt {

class TKeltEditValueForm : public ui::Dialog {
public:
    // `result` receives the edited value on OK; it may be the very string `value` refers to.
    // A DWORD value that is not an integer raises ConversionError here, before any window
    // exists. `dataName` is the registry value name shown at the top.
    TKeltEditValueForm(std::string& result, const std::string& value, int valueType,
                       const std::string& dataName = std::string());
    ~TKeltEditValueForm() override;

    // The radix the DWORD page currently shows its number in: 0 hexadecimal, 1 decimal.
    // Program-wide; every DWORD dialog starts in hexadecimal.
    static int RadixMode;

    int ValueType() const { return valueType_; }

    // Handlers, also reachable for tests that drive a modeless dialog.
    void FormCreate();
    // Key filter of pedDWORD and pmmBinData; sets `key` to 0 to drop it.
    void pedDWORDKeyPress(HWND sender, char& key);
    void prgSystemClick();
    void pbtnOKClick();
    void pbtnCancelClick();

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override { pbtnOKClick(); }
    void OnCancel() override { pbtnCancelClick(); }

private:
    static LRESULT CALLBACK EditorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR data);
    // Pastes the clipboard's text into `editor`, keeping only what the key filter would let in.
    void PasteFiltered(HWND editor);
    void ShowPage(int page);
    void LayOut(int pageHeight);
    void SetRadioToMode();
    void ApplyLengthLimit();

    std::string& result_;
    std::string value_;
    int valueType_;
    std::string dataName_;
    std::string dwordText_;  // the DWORD's first text, upper-case hexadecimal
};

} // namespace kelt
