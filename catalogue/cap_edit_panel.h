#pragma once
// The row of an edit-styled item: a caption label over a single-line edit box, inside a panel
// that is the parent of both and draws them in the row's colours.
//
// The panel keeps the value being edited in its text form (a string, a DWORD in decimal,
// binary data as raw bytes) and shows it in the edit box in the display form of its type.
// Like every row control it keeps its state in plain fields; the windows are made when the
// panel first gets a parent area and mirror that state.
//
// DWORD rows accept any text while the user types: the value follows the typed text, the box
// is rewritten in normal form only when the text is a number, and a text that is not a number
// is shown in an error colour and reported once when the edit ends.
#include <functional>
#include <string>

#include "catalogue/set_item.h"
#include "ui/handles.h"

namespace kelt {

class JTCapEditPanel : public JTRowControl {
public:
    // What a binary row's edit box says until the value is changed.
    static const char kBinaryPrompt[];

    explicit JTCapEditPanel(int valueType = 0);
    ~JTCapEditPanel() override;

    int KindCode() const override { return ikEditRow; }

    // Shows `text` as the caption; a caption as wide as the panel or wider widens the panel to
    // the caption's width + 8.
    virtual void SetCaption(const std::string& text);
    // When `text` differs from the value: the value becomes `text` and the edit box shows its
    // display form (FormatValue). A DWORD text that is not a number is shown as it is, marked
    // invalid.
    void SetValue(const std::string& text);
    const std::string& Value() const { return value_; }
    int ValueType() const { return valueType_; }
    void SetValueType(int type);
    // The value as it was when the current (or last) edit started.
    const std::string& ValueBeforeEdit() const { return valueBeforeEdit_; }
    // The registry value name the edit-value dialog shows.
    void SetDataName(const std::string& name) { dataName_ = name; }
    const std::string& DataName() const { return dataName_; }

    // Edits the value in the edit-value dialog (binary rows: double click, right click).
    void EditValue();

    // The text the edit box shows.
    const std::string& EditText() const { return editText_; }
    // True while a DWORD row holds a text that is not a number (an empty one included): writing
    // it would raise the conversion error.
    bool IsInvalid() const;

    HWND Label() const { return label_; }
    HWND Edit() const { return edit_; }
    HWND FocusControl() const override { return edit_; }
    // The width the caption needs in the panel's font.
    int CaptionWidth() const;

    // An edit starts: the edit box got the focus (string and DWORD rows) or the dialog opens.
    std::function<void(JTCapEditPanel&)> OnBeginEdit;
    // The value changed while typing, or the dialog has closed.
    std::function<void(JTCapEditPanel&)> OnValueChange;
    // The edit ended: the edit box lost the focus, or the dialog has closed.
    std::function<void(JTCapEditPanel&)> OnEndEdit;
    // A mouse button went down on the panel, its caption or its edit box: VK_LBUTTON,
    // VK_RBUTTON, VK_MBUTTON, VK_XBUTTON1/2.
    std::function<void(JTCapEditPanel&, int button)> OnMouseDown;

protected:
    void CreateChildren() override;
    void UpdateView() override;
    void OnChildMouse(HWND child, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result) override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDetached() override;

private:
    static LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data);
    // The display form of `text` for this row.
    std::string DisplayOf(const std::string& text);
    void ShowEditText(const std::string& text);
    void TextTyped();
    void EditEnded();
    void ReportInvalidNumber();
    void DrawCaption(HDC dc, const RECT& area);
    HFONT CurrentFont() const;
    SIZE CaptionExtent() const;
    int EditHeight() const;

    HWND label_ = nullptr;
    HWND edit_ = nullptr;
    HWND builtFor_ = nullptr;  // the parent area the children were last built for
    std::string value_;
    int valueType_ = 0;
    std::string valueBeforeEdit_;
    std::string dataName_;
    std::string editText_;
    bool updatingEdit_ = false;  // the program, not the user, is changing the edit box
    ui::UniqueBrush invalidBrush_;
};

} // namespace kelt
