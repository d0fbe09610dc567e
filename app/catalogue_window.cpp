#include "app/catalogue_window.h"

#include <commctrl.h>

#include "app/catalogue_window_ids.h"
#include "app/html_help.h"
#include "app/options.h"
#include "app/options_form.h"
#include "catalogue/platform/os_family.h"
#include "ui/dpi.h"
#include "ui/instance.h"

namespace kelt {

namespace {

constexpr UINT WM_KELT_LOAD_CATALOGUE = WM_APP + 1;
constexpr const char* kMainClass = "TKeltCatalogueWindow";
constexpr const char* kHostClass = "KeltPaneHost";

} // namespace

TKeltCatalogueWindow::TKeltCatalogueWindow(JTKeltOptions& options)
    : options_(options), catalogue_(std::make_unique<JTRegSettings>()) {}

TKeltCatalogueWindow::~TKeltCatalogueWindow() {
    catalogue_.reset();  // frees its pages and rows before the windows they sit in go
    if (font_) ::DeleteObject(font_);
}

bool TKeltCatalogueWindow::CreateMain(int showCommand) {
    ui::InitCommonControlsOnce();
    RegisterWindowClass(kMainClass);
    RegisterWindowClass(kHostClass);
    const std::string caption = "Keltrix 0.9 --[Now Running Under:" + FamilyName(OSFamily) + "]";
    if (!Create(kMainClass, caption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                ui::Scale(820), ui::Scale(600), nullptr))
        return false;
    ::ShowWindow(Handle(), showCommand);
    ::UpdateWindow(Handle());
    ::PostMessageA(Handle(), WM_KELT_LOAD_CATALOGUE, 0, 0);
    return true;
}

bool TKeltCatalogueWindow::OnCreate(const CREATESTRUCTA&) {
    HMENU bar = ::CreateMenu();
    HMENU file = ::CreatePopupMenu();
    ::AppendMenuA(file, MF_STRING, IDM_CATALOGUE_REFRESH, "&Refresh");
    ::AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(file, MF_STRING, IDM_CATALOGUE_EXIT, "E&xit");
    HMENU view = ::CreatePopupMenu();
    ::AppendMenuA(view, MF_STRING | (options_.ExpandItems ? MF_CHECKED : 0), IDM_CATALOGUE_EXPAND,
                  "Expand Setting Items");
    ::AppendMenuA(view, MF_STRING, IDM_CATALOGUE_OPTIONS, "&Options...");
    HMENU help = ::CreatePopupMenu();
    ::AppendMenuA(help, MF_STRING, IDM_CATALOGUE_HELP, "&Help Topics");
    ::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    ::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), "&View");
    ::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
    ::SetMenu(Handle(), bar);

    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof(metrics);
    ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    font_ = ::CreateFontIndirectA(&metrics.lfMessageFont);

    host_.Create(kHostClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 10, 10, Handle(),
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CATALOGUE_PAGES)));
    pageHost_ = host_.Handle();
    editor_ = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | SS_NOTIFY, 0, 0, 10, 10,
                                Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CATALOGUE_EDITOR)),
                                ui::Instance(), nullptr);
    details_ = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                                 0, 0, 10, 10, Handle(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CATALOGUE_DETAILS)),
                                 ui::Instance(), nullptr);
    status_ = ::CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CATALOGUE_STATUS)),
                                ui::Instance(), nullptr);
    progress_ = ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 0, 10, 10, status_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CATALOGUE_PROGRESS)),
                                  ui::Instance(), nullptr);
    ::SendMessageA(details_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);

    catalogue_->SetPageControlParent(pageHost_);
    catalogue_->SetDetailsMemo(details_);
    catalogue_->SetEditorPanel(editor_);
    catalogue_->SetProgressBar(progress_);
    const std::string folder = HelpProgramFolder();
    catalogue_->SetTablePaths(folder + "KeltKinds.xdb", folder + "KeltckItems.xdb", folder + "KeltedItems.xdb");
    catalogue_->OnModifiedCountChange = [this](JTSetItem*, bool) { UpdateStatus(); };
    CopyDisplayOptions();
    statusText_ = "Loading the catalogue...";
    ::SendMessageA(status_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(statusText_.c_str()));
    return true;
}

void TKeltCatalogueWindow::LoadCatalogue() {
    RECT bar{};
    ::GetClientRect(status_, &bar);
    ::MoveWindow(progress_, bar.right / 2, 2, bar.right / 2 - 20, bar.bottom - 4, TRUE);
    ::ShowWindow(progress_, SW_SHOW);
    catalogue_->LoadAll();
    ::ShowWindow(progress_, SW_HIDE);
    Layout();
    UpdateStatus();
}

void TKeltCatalogueWindow::ApplyOptions() {
    CopyDisplayOptions();
    ::CheckMenuItem(::GetMenu(Handle()), IDM_CATALOGUE_EXPAND, options_.ExpandItems ? MF_CHECKED : MF_UNCHECKED);
    Layout();
    // Re-applying the colours arranges every page as well.
    catalogue_->ApplyColors();
}

void TKeltCatalogueWindow::CopyDisplayOptions() {
    TRegSetOption& display = catalogue_->DisplaySettings();
    display.NotSuitShow = static_cast<std::uint8_t>(options_.NotSuitShow);
    display.ShowCreating = options_.ShowCreating;
    display.TWeakBackColor = options_.TWeakBackColor;
    display.TWeakSpace = options_.TWeakSpace;
    display.NorTWeakColor = options_.NorTWeakColor;
    display.ModTWeakColor = options_.ModTWeakColor;
    display.ExpandItems = options_.ExpandItems;
}

void TKeltCatalogueWindow::UpdateStatus() {
    if (!catalogue_) return;
    const JTRegSettings& c = *catalogue_;
    if (c.LoadState() == 2) {
        statusText_ = "Modified Item Count:" + std::to_string(c.ModifiedCount()) + "    Tweaks: " +
                      std::to_string(c.CkItemCount() + c.EdItemCount()) + " in " + std::to_string(c.KindCount()) +
                      " catalogues";
    } else {
        statusText_ = "The catalogue could not be loaded.";
    }
    ::SendMessageA(status_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(statusText_.c_str()));
}

void TKeltCatalogueWindow::Layout() {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    ::SendMessageA(status_, WM_SIZE, 0, 0);
    RECT bar{};
    ::GetWindowRect(status_, &bar);
    const int statusHeight = bar.bottom - bar.top;
    const int width = client.right;
    const int detailsHeight = ui::Scale(72);
    // The editor strip shows the selected tweak of the compact list; the expanded view has none.
    const int editorHeight = options_.ExpandItems ? 0 : ui::Scale(54);
    const int pagesHeight = client.bottom - statusHeight - detailsHeight - editorHeight;
    ::MoveWindow(pageHost_, 0, 0, width, pagesHeight > 0 ? pagesHeight : 0, TRUE);
    ::ShowWindow(editor_, editorHeight ? SW_SHOW : SW_HIDE);
    ::MoveWindow(editor_, 0, pagesHeight, width, editorHeight, TRUE);
    ::MoveWindow(details_, 0, pagesHeight + editorHeight, width, detailsHeight, TRUE);
    if (ui::PageControl* pages = catalogue_->PageControl()) {
        RECT host{};
        ::GetClientRect(pageHost_, &host);
        pages->SetBounds(0, 0, host.right, host.bottom);
    }
}

void TKeltCatalogueWindow::OnSize(UINT, int, int) { Layout(); }

void TKeltCatalogueWindow::ShowOptions() {
    int result = 0;
    TKeltOptionsForm form(Handle(), &result, &options_);
    form.ShowModal();
    if (result == 1) ApplyOptions();
}

bool TKeltCatalogueWindow::OnCommand(int id, int, HWND) {
    switch (id) {
    case IDM_CATALOGUE_REFRESH:
        catalogue_->RefreshAll();
        return true;
    case IDM_CATALOGUE_EXIT:
        ::DestroyWindow(Handle());
        return true;
    case IDM_CATALOGUE_EXPAND:
        options_.ExpandItems = !options_.ExpandItems;
        options_.SaveOptions();
        ApplyOptions();
        return true;
    case IDM_CATALOGUE_OPTIONS:
        ShowOptions();
        return true;
    case IDM_CATALOGUE_HELP:
        ShowHelpTopic("::/index.htm", Handle());
        return true;
    default:
        return false;
    }
}

LRESULT TKeltCatalogueWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KELT_LOAD_CATALOGUE) {
        LoadCatalogue();
        return 0;
    }
    return ui::Window::HandleMessage(message, wParam, lParam);
}

void TKeltCatalogueWindow::OnDestroy() {
    catalogue_.reset();
    ::PostQuitMessage(0);
}

} // namespace kelt
