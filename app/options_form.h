#pragma once
// The options dialog: edits the layout and display values of the options object and saves
// them on OK. Three pages ("Layout", "Appearence", "Advance") behind a tab control.
#include <windows.h>

#include <array>
#include <memory>

#include "app/options.h"
#include "ui/colour.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt {

class TKeltOptionsForm : public ui::Dialog {
public:
    // `result` (may be null) receives 1 after OK has saved the options, 0 after Cancel.
    // Without an options object the dialog works on one of its own with the defaults.
    TKeltOptionsForm(HWND owner, int* result, JTKeltOptions* options);
    ~TKeltOptionsForm() override;

    // Shows the dialog modally on the owner given at construction.
    INT_PTR ShowModal();

    enum Page { pgLayout, pgAppearence, pgAdvance, kPageCount };
    // The page dialog that holds a page's controls, and page switching as the tabs do it.
    HWND PageHandle(int page) const;
    int ActivePage() const { return activePage_; }
    void SelectPage(int page);

    // The options the dialog edits.
    JTKeltOptions& Options() const { return *options_; }

    // The colours as the dialog currently shows them (not yet copied to the options).
    ui::Colour BackColour() const { return backColour_; }
    ui::Colour NormalColour() const { return norColour_; }
    ui::Colour ModifiedColour() const { return modColour_; }

    // Ctrl+Tab / Ctrl+Shift+Tab / Ctrl+PgDn / Ctrl+PgUp between the pages; true when the
    // message was such a key. The modal loop feeds it through a message filter.
    bool TranslatePageKey(const MSG& msg);

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;
    void OnOK() override { pbtnOKClick(); }
    void OnCancel() override { pbtnCancelClick(); }
    void OnDestroy() override;
    void OnDpiChanged(int dpi, const RECT* suggested) override;

private:
    class PageDialog;
    friend class PageDialog;

    void FormCreate();
    void CreatePages();
    void FillControls();
    void ShowPreview(int index);
    void ShowPreviewPictures(int dpi);
    void PlacePreviewPictures();

    void pbtnOKClick();
    void pbtnCancelClick();
    void pbtnHelpClick();
    void pcmbMainLayoutChange();
    void pbtnBackColorClick();
    void pbtnNorColorClick();
    void pbtnModColorClick();

    // Commands and colour requests of the controls on the pages.
    bool PageCommand(int id, int code);
    bool PageCtlColor(HDC dc, HWND control, LRESULT& result);
    void SetBackColour(ui::Colour colour);

    HWND owner_;
    int* result_;
    JTKeltOptions* options_;
    std::unique_ptr<JTKeltOptions> ownOptions_;

    std::array<std::unique_ptr<PageDialog>, kPageCount> pages_;
    int activePage_ = pgLayout;

    ui::Colour backColour_ = 0;
    ui::Colour norColour_ = 0;
    ui::Colour modColour_ = 0;
    ui::UniqueBrush backBrush_;
    ui::UniqueBitmap barsPicture_;
    ui::UniqueBitmap tabsPicture_;
    HHOOK keyFilter_ = nullptr;
};

} // namespace kelt
