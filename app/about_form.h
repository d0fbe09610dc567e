#pragma once
// The About window: "About..." with the product, its version and a link to the web site, and
// "Thanks" with the acknowledgements. Modal; "OK, I know" closes it.
#include <windows.h>

#include <functional>
#include <string>

#include "ui/colour_label.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt {

class TKeltAboutForm : public ui::Dialog {
public:
    enum Page { pgAbout, pgThanks };

    TKeltAboutForm();
    ~TKeltAboutForm() override;

    void SelectPage(int page);
    int ActivePage() const { return page_; }
    HWND LinkLabel() const { return link_.Handle(); }
    static const char* ThanksText();

    // What the link opens (the program's web address through the shell by default).
    std::function<void()> OnLinkClick;

protected:
    bool OnInitDialog() override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;
    bool OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result) override;
    void OnDpiChanged(int dpi, const RECT* suggested) override;

private:
    int page_ = pgAbout;
    ui::ColourLabel link_;
    void MakeTitleFont(int dpi);
    ui::UniqueFont titleFont_;
    ui::UniqueIcon icon_;
};

} // namespace kelt
