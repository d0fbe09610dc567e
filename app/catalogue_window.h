#pragma once
// The program window: the catalogue's pages, the editor strip that shows the selected tweak
// (compact view), the details of the tweak under the pointer and the count of modified tweaks.
#include <windows.h>

#include <memory>
#include <string>

#include "catalogue/reg_settings.h"
#include "ui/window.h"

namespace kelt {

class JTKeltOptions;

class TKeltCatalogueWindow : public ui::Window {
public:
    explicit TKeltCatalogueWindow(JTKeltOptions& options);
    ~TKeltCatalogueWindow() override;

    // Creates and shows the window; the catalogue loads from the message loop right after.
    bool CreateMain(int showCommand);

    JTRegSettings& Catalogue() { return *catalogue_; }
    // Loads the catalogue now (normally posted to the message loop by CreateMain).
    void LoadCatalogue();
    // Copies the display options into the catalogue and lays everything out again.
    void ApplyOptions();
    const std::string& StatusText() const { return statusText_; }

protected:
    bool OnCreate(const CREATESTRUCTA& create) override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnSize(UINT type, int width, int height) override;
    void OnDestroy() override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Layout();
    void CopyDisplayOptions();
    void UpdateStatus();
    void ShowOptions();

    JTKeltOptions& options_;
    // The window the catalogue's page control fills.
    class PaneHost : public ui::Window {
    public:
        using ui::Window::Create;
    };
    PaneHost host_;
    std::unique_ptr<JTRegSettings> catalogue_;
    HWND pageHost_ = nullptr;
    HWND editor_ = nullptr;
    HWND details_ = nullptr;
    HWND status_ = nullptr;
    HWND progress_ = nullptr;
    HFONT font_ = nullptr;
    std::string statusText_;
};

} // namespace kelt
