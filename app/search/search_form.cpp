#include "app/search/search_form.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <stdexcept>

#include "app/html_help.h"
#include "app/search/search_ids.h"
#include "app/search/search_words.h"
#include "ui/accessible.h"
#include "ui/dpi.h"
#include "ui/error_report.h"
#include "ui/handles.h"
#include "ui/hint.h"
#include "ui/paint.h"
#include "ui/seams.h"
#include "ui/text.h"
#include "ui/xp_menu.h"

namespace kelt {

namespace {

// Posted by a start: the search runs from the message loop once the click has been handled.
constexpr UINT kRunSearchMessage = WM_APP + 0x51;

constexpr char kNoneFound[] = "Sorry!None setting has been found!Please check your key words!";
constexpr char kFoundTail[] =
    " setting have been found!\nDouble click the items in the list can active the tweak in the tweaks list.";
constexpr char kNoWords[] = "Please at least specify a key word!";
constexpr char kBadLimit[] = "\"Max results\" must be \"Unlimited\" or a whole number of at least 1.";
constexpr char kHiddenTweak[] =
    "This setting does not apply to the running Windows, and the options hide such settings "
    "(\"Hide it\"), so it cannot be shown in the list.";
constexpr char kLimitTooLarge[] = "\"Max results\" is too large: the largest number it takes is 2147483647.";

constexpr int kDescribeColumnWidth = 275;
constexpr int kCatalogueColumnWidth = 90;
constexpr int kTotalPanelWidth = 120;
constexpr int kFoundPanelWidth = 376;
constexpr int kCellPadding = 4;
constexpr int kPictureSize = 16;

// The controls of the conditions group, shown and hidden with it.
constexpr int kConditionControls[] = {
    IDC_SEARCH_CONDITIONS, IDC_SEARCH_CATALOGUE_LABEL, IDC_SEARCH_CATALOGUES, IDC_SEARCH_ALL_LABEL,
    IDC_SEARCH_ALL_WORDS,  IDC_SEARCH_ONE_LABEL,       IDC_SEARCH_ONE_WORDS,  IDC_SEARCH_NO_LABEL,
    IDC_SEARCH_NO_WORDS,   IDC_SEARCH_LIMIT_LABEL,     IDC_SEARCH_LIMITS,     IDC_SEARCH_CASE,
    IDC_SEARCH_CLEAR};

// The edits in which Enter starts a search.
constexpr int kWordEdits[] = {IDC_SEARCH_SIMPLE_TEXT, IDC_SEARCH_ALL_WORDS, IDC_SEARCH_ONE_WORDS,
                              IDC_SEARCH_NO_WORDS};

// The platform's case-insensitive text comparison.
int CompareIgnoringCase(const std::string& a, const std::string& b)
{
    return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                            static_cast<int>(b.size())) -
           CSTR_EQUAL;
}

// Right edge of a control in its parent's client coordinates.
int RightEdge(HWND control)
{
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect.right;
}

// Where the ink of text[0, length) ends (one past its rightmost column) when drawn from x 0
// in `font`, as the system really draws it; 0 for no ink. The reported text widths cannot
// stand in for this: some systems draw glyphs a pixel or two away from them.
int InkEnd(HDC reference, HFONT font, const char* text, std::size_t length, int width, int height)
{
    if (length == 0 || width <= 0 || height <= 0)
        return 0;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    ui::UniqueBitmap canvas(::CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ui::MemoryDC memory(reference);
    if (!canvas || !bits || !memory.get())
        return 0;
    ui::SelectedObject selectedCanvas(memory.get(), canvas.get());
    ui::SelectedObject selectedFont(memory.get(), font);
    auto* pixels = static_cast<DWORD*>(bits);
    std::fill(pixels, pixels + static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0xFFFFFFu);
    ::SetBkMode(memory.get(), TRANSPARENT);
    ::SetTextColor(memory.get(), RGB(0, 0, 0));
    ::ExtTextOutA(memory.get(), 0, 0, 0, nullptr, text, static_cast<UINT>(length), nullptr);
    ::GdiFlush();
    for (int x = width - 1; x >= 0; --x)
        for (int y = 0; y < height; ++y)
            if ((pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] &
                 0xFFFFFFu) != 0xFFFFFFu)
                return x + 1;
    return 0;
}

} // namespace

TKeltSearchForm::TKeltSearchForm() : Dialog(IDD_SEARCH) {}

TKeltSearchForm::~TKeltSearchForm()
{
    if (mainDisabled_ && ::IsWindow(mainWindow_))
        ::EnableWindow(mainWindow_, TRUE);
}

bool TKeltSearchForm::Create(HWND mainWindow)
{
    mainWindow_ = mainWindow;
    return CreateModeless(mainWindow);
}

// ---------------------------------------------------------------- creation

bool TKeltSearchForm::OnInitDialog()
{
    FormCreate();
    // The window is made hidden: no focus now (that would make the hidden window the active
    // one). ShowForm gives the words field the focus when the window shows.
    return false;
}

void TKeltSearchForm::FormCreate()
{
    HWND list = Item(IDC_SEARCH_RESULTS);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    const char* captions[] = {"Description", "Catalogue"};
    const int widths[] = {kDescribeColumnWidth, kCatalogueColumnWidth};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<char*>(captions[i]);
        column.cx = Scale(widths[i]);
        column.iSubItem = i;
        ::SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }

    ScaleParts();
    SetStatus(0, "Total items:0");
    SetStatus(1, "Found:0");

    SetChecked(IDC_SEARCH_IN_DESCRIBE, true);
    SetChecked(IDC_SEARCH_IN_DETAILS, true);
    SetChecked(IDC_SEARCH_CASE, false);
    SetChecked(IDC_SEARCH_CLEAR, true);

    HWND limits = Item(IDC_SEARCH_LIMITS);
    for (const char* entry : kResultLimits)
        ::SendMessageA(limits, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    ::SendMessageA(limits, CB_SETCURSEL, 0, 0);

    HWND catalogues = Item(IDC_SEARCH_CATALOGUES);
    ::SendMessageA(catalogues, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("All catalogues"));
    ::SendMessageA(catalogues, CB_SETCURSEL, 0, 0);

    for (int id : kWordEdits)
        ::SetWindowSubclass(Item(id), WordsEditProc, static_cast<UINT_PTR>(id), reinterpret_cast<DWORD_PTR>(this));

    ui::SetHint(Item(IDC_SEARCH_ACTIVATE), "Activate the selected tweak in the tweak list");
    ui::SetHint(Item(IDC_SEARCH_SLIDER), "Advance Options");
    ui::SetAccessibleName(Item(IDC_SEARCH_SLIDER), "Show Advance Conditions");
    ::SendMessageA(Item(IDC_SEARCH_PROGRESS), PBM_SETRANGE32, 0, 0);
    ::SendMessageA(Item(IDC_SEARCH_PROGRESS), PBM_SETPOS, 0, 0);

    BuildResultsMenu();
    ShowAdvanced(false);
}

void TKeltSearchForm::BuildResultsMenu()
{
    resultsMenu_.reset(::CreatePopupMenu());
    ::AppendMenuA(resultsMenu_.get(), MF_STRING, IDM_SEARCH_ACTIVE, "&Active");
    if (Handle())
        ui::SetXPMenu(Handle(), resultsMenu_.get(), useXPMenu_);
}

HMENU TKeltSearchForm::ResultsMenu()
{
    if (!resultsMenu_)
        BuildResultsMenu();
    return resultsMenu_.get();
}

void TKeltSearchForm::SetUseXPMenu(bool use)
{
    useXPMenu_ = use;
    if (Handle() && resultsMenu_)
        ui::SetXPMenu(Handle(), resultsMenu_.get(), useXPMenu_);
}

void TKeltSearchForm::SetCatalogue(JTRegSettings* catalogue)
{
    continueSearch_ = false;  // a running search over the previous catalogue ends at its next tweak
    catalogue_ = catalogue;
    ClearResults();
    HWND list = Item(IDC_SEARCH_CATALOGUES);
    ::SendMessageA(list, CB_RESETCONTENT, 0, 0);
    ::SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("All catalogues"));
    if (catalogue_ && catalogue_->PageControl())
        for (int i = 0; i < catalogue_->PageCount(); ++i)
            ::SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(catalogue_->Page(i)->sDescribe().c_str()));
    ::SendMessageA(list, CB_SETCURSEL, 0, 0);
    totalItems_ = catalogue_ ? catalogue_->CkItemCount() + catalogue_->EdItemCount() : 0;
    ShowTotal();
}

void TKeltSearchForm::ShowForm()
{
    if (!Handle())
        return;
    if (!placed_) {
        placed_ = true;
        RECT around{};
        if (mainWindow_ && ::IsWindowVisible(mainWindow_) && !::IsIconic(mainWindow_))
            ::GetWindowRect(mainWindow_, &around);
        else
            ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &around, 0);
        RECT own{};
        ::GetWindowRect(Handle(), &own);
        const int width = own.right - own.left;
        const int height = own.bottom - own.top;
        ::SetWindowPos(Handle(), nullptr, around.left + (around.right - around.left - width) / 2,
                       std::max<LONG>(0, around.top + (around.bottom - around.top - height) / 2), 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::ShowWindow(Handle(), ::IsIconic(Handle()) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(Handle());
    ::BringWindowToTop(Handle());
    // Ready to type: the words field takes the focus with its old text selected.
    if (HWND words = Item(IDC_SEARCH_SIMPLE_TEXT); words && ::IsWindowVisible(words)) {
        ::SendMessageA(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(words), TRUE);
        ::SendMessageA(words, EM_SETSEL, 0, -1);
    }
}

// ---------------------------------------------------------------- messages

INT_PTR TKeltSearchForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kRunSearchMessage:
        SearchRun();
        return TRUE;
    case WM_DRAWITEM: {
        const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (draw.CtlID == IDC_SEARCH_CATALOGUES) {
            pcmbCataloguesDrawItem(draw);
            return TRUE;
        }
        if (draw.CtlID == IDC_SEARCH_RESULTS) {
            plvFoundItemsDrawItem(draw);
            return TRUE;
        }
        break;
    }
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == Item(IDC_SEARCH_RESULTS)) {
            plvFoundItemsContextMenu(lParam);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return Dialog::HandleMessage(message, wParam, lParam);
}

bool TKeltSearchForm::OnCommand(int id, int code, HWND control)
{
    switch (id) {
    case IDC_SEARCH_START:
        if (code == BN_CLICKED)
            pbtnStartClick();
        return true;
    case IDC_SEARCH_STOP:
        if (code == BN_CLICKED)
            pbtnStopClick();
        return true;
    case IDC_SEARCH_CLOSE:
        if (code == BN_CLICKED)
            pbtnCloseClick();
        return true;
    case IDC_SEARCH_HELP:
        if (code == BN_CLICKED)
            pbtnHelpClick();
        return true;
    case IDC_SEARCH_ACTIVATE:
        if (code == BN_CLICKED)
            pbtnActiveClick();
        return true;
    case IDM_SEARCH_ACTIVE:
        pbtnActiveClick();
        return true;
    case IDC_SEARCH_SLIDER:
        if (code == BN_CLICKED)
            pSliderClick();
        return true;
    case IDC_SEARCH_CATALOGUES:
        if (code == CBN_SELCHANGE)
            pcmbCataloguesChange();
        return true;
    case IDC_SEARCH_SIMPLE_TEXT:
        if (code == EN_CHANGE)
            pedSimpleTextChange();
        return true;
    case IDC_SEARCH_ALL_WORDS:
        if (code == EN_CHANGE)
            pedAllWordsChange();
        return true;
    default:
        return Dialog::OnCommand(id, code, control);
    }
}

bool TKeltSearchForm::OnNotify(NMHDR& header, LRESULT& result)
{
    if (header.idFrom != IDC_SEARCH_RESULTS)
        return false;
    switch (header.code) {
    case LVN_GETDISPINFOA: {
        auto& info = reinterpret_cast<NMLVDISPINFOA&>(header);
        if ((info.item.mask & LVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0) {
            const std::string text = ResultText(info.item.iItem, info.item.iSubItem);
            ui::CopyText(info.item.pszText, info.item.cchTextMax, text);
        }
        result = 0;
        return true;
    }
    case LVN_ITEMCHANGED:
    case LVN_ODSTATECHANGED:
        plvFoundItemsChange();
        return false;
    case LVN_COLUMNCLICK:
        plvFoundItemsColumnClick(reinterpret_cast<NMLISTVIEW&>(header).iSubItem);
        return false;
    case NM_DBLCLK:
        pbtnActiveClick();
        return false;
    default:
        return false;
    }
}

void TKeltSearchForm::OnDestroy()
{
    continueSearch_ = false;
}

LRESULT CALLBACK TKeltSearchForm::WordsEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                                DWORD_PTR data)
{
    auto* self = reinterpret_cast<TKeltSearchForm*>(data);
    switch (message) {
    case WM_GETDLGCODE:
        // Enter reaches the edit as a character instead of pressing a default button.
        if (wParam == VK_RETURN && lParam && reinterpret_cast<const MSG*>(lParam)->message == WM_KEYDOWN)
            return ::DefSubclassProc(hwnd, message, wParam, lParam) | DLGC_WANTALLKEYS;
        break;
    case WM_CHAR:
        if (wParam == VK_RETURN) {
            try {
                self->pbtnStartClick();
            } catch (const std::exception& error) {
                ui::ReportError(error, self->Handle());
            }
            return 0;
        }
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(hwnd, WordsEditProc, id);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

// ---------------------------------------------------------------- field handlers

void TKeltSearchForm::CopyText(int fromId, int toId)
{
    const std::string text = ItemText(fromId);
    if (ItemText(toId) != text)
        SetItemText(toId, text);
}

void TKeltSearchForm::pedSimpleTextChange()
{
    CopyText(IDC_SEARCH_SIMPLE_TEXT, IDC_SEARCH_ALL_WORDS);
}

void TKeltSearchForm::pedAllWordsChange()
{
    CopyText(IDC_SEARCH_ALL_WORDS, IDC_SEARCH_SIMPLE_TEXT);
}

void TKeltSearchForm::pcmbCataloguesChange()
{
    const int entry = static_cast<int>(::SendMessageA(Item(IDC_SEARCH_CATALOGUES), CB_GETCURSEL, 0, 0));
    totalItems_ = 0;
    if (catalogue_) {
        if (entry <= 0) {
            totalItems_ = catalogue_->CkItemCount() + catalogue_->EdItemCount();
        } else if (JTSetKind* page = catalogue_->Page(entry - 1)) {
            totalItems_ = page->CkItemCount() + page->EdItemCount();
        }
    }
    ShowTotal();
}

void TKeltSearchForm::ShowTotal()
{
    SetStatus(0, "Total items:" + std::to_string(totalItems_));
}

void TKeltSearchForm::SetStatus(int part, const std::string& text)
{
    ::SendMessageA(Item(IDC_SEARCH_STATUS), SB_SETTEXTA, part, reinterpret_cast<LPARAM>(text.c_str()));
}

void TKeltSearchForm::pSliderClick()
{
    ShowAdvanced(!advancedShown_);
    HWND slider = Item(IDC_SEARCH_SLIDER);
    ::SetWindowTextA(slider, advancedShown_ ? "<<" : ">>");
    ui::SetHint(slider, advancedShown_ ? "HIDE Advance Conditions" : "Show Advance Conditions");
    // Read by its hint: its caption is only arrows.
    ui::SetAccessibleName(slider, advancedShown_ ? "Hide Advance Conditions" : "Show Advance Conditions");
}

void TKeltSearchForm::ScaleParts()
{
    const int parts[] = {Scale(kTotalPanelWidth), Scale(kTotalPanelWidth + kFoundPanelWidth)};
    ::SendMessageA(Item(IDC_SEARCH_STATUS), SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    // Room for the catalogue pictures: the list's item height is asked before this object
    // is attached to the window, so it is set here.
    HWND catalogues = Item(IDC_SEARCH_CATALOGUES);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(catalogues, WM_GETFONT, 0, 0));
    TEXTMETRICA metrics{};
    {
        ui::WindowDC dc(catalogues);
        ui::SelectedObject selected(dc.get(), font ? font : ui::DefaultFontFor(Dpi()));
        ::GetTextMetricsA(dc.get(), &metrics);
    }
    const int entryHeight = std::max<int>(Scale(kPictureSize + 2), metrics.tmHeight + 2);
    ::SendMessageA(catalogues, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), entryHeight);
    ::SendMessageA(catalogues, CB_SETITEMHEIGHT, 0, entryHeight);
}

void TKeltSearchForm::OnDpiChanged(int dpi, const RECT* suggested)
{
    ui::Dialog::OnDpiChanged(dpi, suggested);
    ScaleParts();
    // Owner-drawn menu items are measured again once they are set up anew.
    if (resultsMenu_)
        ui::SetXPMenu(Handle(), resultsMenu_.get(), useXPMenu_);
    ::SendMessageA(Item(IDC_SEARCH_STATUS), WM_SIZE, 0, 0);
}

void TKeltSearchForm::ShowAdvanced(bool shown)
{
    advancedShown_ = shown;
    for (int id : kConditionControls)
        ::ShowWindow(Item(id), shown ? SW_SHOWNA : SW_HIDE);
    const int right = RightEdge(Item(shown ? IDC_SEARCH_CONDITIONS : IDC_SEARCH_SLIDER));
    RECT frame{};
    ::GetWindowRect(Handle(), &frame);
    ::SetWindowPos(Handle(), nullptr, 0, 0, right + Scale(10), frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------- buttons

void TKeltSearchForm::ShowRunning(bool running)
{
    HWND start = Item(IDC_SEARCH_START);
    HWND stop = Item(IDC_SEARCH_STOP);
    HWND from = running ? start : stop;
    HWND to = running ? stop : start;
    const bool moveFocus = ::GetFocus() == from;
    ::ShowWindow(to, SW_SHOWNA);
    if (moveFocus)
        ::SendMessageA(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(to), TRUE);
    ::ShowWindow(from, SW_HIDE);
}

void TKeltSearchForm::pbtnStartClick()
{
    if (searching_ || runPending_)
        return;
    if (totalItems_ <= 0) {
        ui::ShowMessage(Handle(), kNoneFound, "Information", MB_ICONERROR);
        return;
    }
    // Read before anything changes, so a refused start leaves results and buttons alone.
    int limit = 0;
    const JTResultLimit read = ParseResultLimit(ItemText(IDC_SEARCH_LIMITS), limit);
    if (read == JTResultLimit::TooLarge || read == JTResultLimit::Invalid) {
        ui::ShowMessage(Handle(), read == JTResultLimit::TooLarge ? kLimitTooLarge : kBadLimit, "Error", MB_ICONERROR);
        ::SendMessageA(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_SEARCH_LIMITS)), TRUE);
        return;
    }
    pendingLimit_ = limit;
    ShowRunning(true);
    continueSearch_ = true;
    quietEnd_ = false;
    runPending_ = true;
    ::PostMessageA(Handle(), kRunSearchMessage, 0, 0);
}

void TKeltSearchForm::pbtnStopClick()
{
    continueSearch_ = false;
}

void TKeltSearchForm::pbtnCloseClick()
{
    if (searching_ || runPending_) {
        continueSearch_ = false;
        quietEnd_ = true;
    }
    ::ShowWindow(Handle(), SW_HIDE);
}

void TKeltSearchForm::pbtnHelpClick()
{
    ShowHelpTopic("::/search.htm", Handle());
}

void TKeltSearchForm::pbtnActiveClick()
{
    const int row = SelectedRow();
    if (row < 0 || !catalogue_)
        return;
    JTSetItem* item = results_[static_cast<std::size_t>(row)].item;
    JTSetKind* page = catalogue_->PageOf(item);
    if (page && page->Hidden(item)) {
        ui::ShowMessage(Handle(), kHiddenTweak, "Information", MB_ICONINFORMATION);
        return;
    }
    if (mainWindow_ && ::IsWindow(mainWindow_)) {
        // A minimised main window would take the focus and show nothing.
        if (::IsIconic(mainWindow_))
            ::ShowWindow(mainWindow_, SW_RESTORE);
        ::SetFocus(mainWindow_);
    }
    catalogue_->GoToItem(item);
}

// ---------------------------------------------------------------- the search

void TKeltSearchForm::SearchRun()
{
    runPending_ = false;
    // Stopped, closed or left without a catalogue before the run came round.
    if (!catalogue_ || !continueSearch_) {
        ShowRunning(false);
        return;
    }
    if (IsChecked(IDC_SEARCH_CLEAR))
        ClearResults();
    foundCount_ = 0;
    visited_ = 0;
    sinceYield_ = 0;
    yielded_ = false;
    refreshed_ = false;
    SetStatus(1, "Found:0");
    resultLimit_ = totalItems_;

    JTSearchCriteria criteria;
    const int words = SplitWords(ItemText(IDC_SEARCH_ALL_WORDS), criteria.AllWords) +
                      SplitWords(ItemText(IDC_SEARCH_ONE_WORDS), criteria.AnyWords) +
                      SplitWords(ItemText(IDC_SEARCH_NO_WORDS), criteria.NoneWords);
    if (words == 0) {
        ui::ShowMessage(Handle(), kNoWords, "Error", MB_ICONERROR);
        ShowRunning(false);
        return;
    }
    criteria.iKind = std::max(0, static_cast<int>(::SendMessageA(Item(IDC_SEARCH_CATALOGUES), CB_GETCURSEL, 0, 0)));
    criteria.bCaseSensitive = IsChecked(IDC_SEARCH_CASE);
    criteria.bSearchDescribe = IsChecked(IDC_SEARCH_IN_DESCRIBE);
    criteria.bSearchDetails = IsChecked(IDC_SEARCH_IN_DETAILS);
    if (pendingLimit_ > 0)
        resultLimit_ = pendingLimit_;

    HWND progress = Item(IDC_SEARCH_PROGRESS);
    const int maximum = pendingLimit_ == 0 || totalItems_ <= resultLimit_ ? totalItems_ : resultLimit_;
    ::SendMessageA(progress, PBM_SETRANGE32, 0, maximum);
    ::SendMessageA(progress, PBM_SETPOS, 0, 0);

    auto shown = std::make_shared<SearchWords>();
    shown->words = criteria.AllWords;
    shown->words.insert(shown->words.end(), criteria.AnyWords.begin(), criteria.AnyWords.end());
    shown->caseSensitive = criteria.bCaseSensitive;
    runWords_ = std::move(shown);

    // Whatever happens inside, the catalogue gets its previous handlers back, the main window
    // is enabled again and the window leaves the searching state.
    struct RunScope {
        TKeltSearchForm& form;
        JTRegSettings& searched;
        std::function<void(JTSetItem*, bool, bool&)> previousItem;
        std::function<void()> previousEnd;
        ~RunScope()
        {
            searched.OnSearchItem = std::move(previousItem);
            searched.OnSearchEnd = std::move(previousEnd);
            form.searching_ = false;
            if (form.mainDisabled_) {
                form.mainDisabled_ = false;
                if (::IsWindow(form.mainWindow_))
                    ::EnableWindow(form.mainWindow_, TRUE);
            }
        }
    } scope{*this, *catalogue_, catalogue_->OnSearchItem, catalogue_->OnSearchEnd};

    catalogue_->OnSearchItem = [this](JTSetItem* item, bool matched, bool& continueSearch) {
        SearchItem(item, matched, continueSearch);
    };
    catalogue_->OnSearchEnd = [this] { SearchEnd(); };
    searching_ = true;
    // From its first tweak to its closing message (short searches never let the loop run
    // in between, but the message does), nothing may close the main window and free the
    // catalogue this search is inside.
    DisableMainWindow();
    scope.searched.Search(criteria);
}

void TKeltSearchForm::SearchItem(JTSetItem* item, bool matched, bool& continueSearch)
{
    // Stopped (or closed, or the catalogue changed) since the last tweak: this one ends it.
    if (!continueSearch_) {
        continueSearch = false;
        return;
    }
    ++visited_;
    if (matched && item) {
        ++foundCount_;
        JTSetKind* page = item->Page();
        results_.push_back({item, item->sDescribe, page ? page->sDescribe() : std::string(), runWords_, {}, false});
        continueSearch = foundCount_ < resultLimit_;
    }
    if (yieldInterval_ >= 0 && ++sinceYield_ >= kYieldBatch) {
        sinceYield_ = 0;
        if (!yielded_ || ::GetTickCount() - lastYield_ >= static_cast<DWORD>(yieldInterval_)) {
            YieldToMessages();
            yielded_ = true;
            lastYield_ = ::GetTickCount();
            if (!continueSearch_)
                continueSearch = false;
        }
    }
}

void TKeltSearchForm::YieldToMessages()
{
    // Input, posted and sent messages are served at every turn: Stop, Close and moving the
    // window. Painting, and growing the list, which costs far more, wait for the less frequent
    // refresh.
    UINT queues = PM_QS_INPUT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE;
    const DWORD now = ::GetTickCount();
    if (refreshed_ && now - lastRefresh_ >= kRefreshInterval) {
        ShowCounts();
        queues = 0;
        lastRefresh_ = now;
    }
    if (!refreshed_) {
        refreshed_ = true;
        lastRefresh_ = now;
    }
    DisableMainWindow();
    // The end of the program was asked for: stop; the request stays queued for the loop.
    if (ui::ProcessPendingMessages(queues)) {
        continueSearch_ = false;
        quietEnd_ = true;
    }
}

void TKeltSearchForm::DisableMainWindow()
{
    if (!mainDisabled_ && mainWindow_ && ::IsWindowEnabled(mainWindow_)) {
        ::EnableWindow(mainWindow_, FALSE);
        mainDisabled_ = true;
    }
}

void TKeltSearchForm::SearchEnd()
{
    ShowCounts();
    if (!quietEnd_) {
        if (foundCount_ > 0)
            ui::ShowMessage(Handle(), std::to_string(foundCount_) + kFoundTail, "Found:", MB_ICONINFORMATION);
        else
            ui::ShowMessage(Handle(), kNoneFound, "Information", MB_ICONINFORMATION);
    }
    ::SendMessageA(Item(IDC_SEARCH_PROGRESS), PBM_SETPOS, 0, 0);
    ShowRunning(false);
}

void TKeltSearchForm::ShowCounts()
{
    MirrorResultCount();
    SetStatus(1, "Found:" + std::to_string(foundCount_));
    ::SendMessageA(Item(IDC_SEARCH_PROGRESS), PBM_SETPOS, visited_, 0);
}

void TKeltSearchForm::MirrorResultCount()
{
    const int count = ResultCount();
    if (count == listedCount_)
        return;
    // Rows are only ever appended between two clears: only the new ones need painting.
    const LPARAM flags = count > listedCount_ ? LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL : 0;
    ::SendMessageA(Item(IDC_SEARCH_RESULTS), LVM_SETITEMCOUNT, count, flags);
    listedCount_ = count;
}

void TKeltSearchForm::ClearResults()
{
    HWND list = Item(IDC_SEARCH_RESULTS);
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    results_.clear();
    MirrorResultCount();
    plvFoundItemsChange();
}

// ---------------------------------------------------------------- the result list

JTSetItem* TKeltSearchForm::ResultItem(int row) const
{
    return row >= 0 && row < ResultCount() ? results_[static_cast<std::size_t>(row)].item : nullptr;
}

std::string TKeltSearchForm::ResultText(int row, int column) const
{
    if (row < 0 || row >= ResultCount())
        return std::string();
    const Result& result = results_[static_cast<std::size_t>(row)];
    return column == 0 ? result.describe : column == 1 ? result.catalogue : std::string();
}

std::vector<std::pair<std::size_t, std::size_t>> TKeltSearchForm::ResultHighlights(int row) const
{
    if (row < 0 || row >= ResultCount())
        return {};
    const Result& result = results_[static_cast<std::size_t>(row)];
    if (!result.words)
        return {};
    return WordRanges(result.describe, result.words->words, result.words->caseSensitive);
}

int TKeltSearchForm::SelectedRow() const
{
    const int row = static_cast<int>(
        ::SendMessageA(Item(IDC_SEARCH_RESULTS), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return row >= 0 && row < ResultCount() ? row : -1;
}

void TKeltSearchForm::plvFoundItemsChange()
{
    ::EnableWindow(Item(IDC_SEARCH_ACTIVATE), SelectedRow() >= 0);
}

void TKeltSearchForm::plvFoundItemsColumnClick(int column)
{
    sortColumn_ = column;
    const int selected = SelectedRow();
    std::vector<std::size_t> order(results_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [this, column](std::size_t a, std::size_t b) {
        return CompareIgnoringCase(ResultText(static_cast<int>(a), column), ResultText(static_cast<int>(b), column)) <
               0;
    });
    std::vector<Result> sorted;
    sorted.reserve(results_.size());
    int newSelected = -1;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (static_cast<int>(order[i]) == selected)
            newSelected = static_cast<int>(i);
        sorted.push_back(std::move(results_[order[i]]));
    }
    results_ = std::move(sorted);
    HWND list = Item(IDC_SEARCH_RESULTS);
    if (newSelected >= 0) {
        // The selected tweak stays selected in its new place.
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(newSelected), reinterpret_cast<LPARAM>(&state));
        ::SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(newSelected), FALSE);
    }
    ::InvalidateRect(list, nullptr, FALSE);
}

void TKeltSearchForm::plvFoundItemsContextMenu(LPARAM position)
{
    HWND list = Item(IDC_SEARCH_RESULTS);
    POINT at{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    const int row = SelectedRow();
    if (at.x == -1 && at.y == -1) {
        // From the keyboard: beside the selected row, or the list's corner.
        RECT rect{LVIR_BOUNDS, 0, 0, 0};
        if (row < 0 || !::SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect)))
            rect = RECT{0, 0, 0, 0};
        at = {rect.left + kCellPadding, rect.bottom};
        ::ClientToScreen(list, &at);
    }
    HMENU menu = ResultsMenu();
    ::EnableMenuItem(menu, IDM_SEARCH_ACTIVE, MF_BYCOMMAND | (row >= 0 ? MF_ENABLED : MF_GRAYED));
    ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
}

void TKeltSearchForm::plvFoundItemsDrawItem(const DRAWITEMSTRUCT& draw)
{
    const int row = static_cast<int>(draw.itemID);
    if (row < 0 || row >= ResultCount())
        return;
    const Result& result = results_[static_cast<std::size_t>(row)];
    HWND list = draw.hwndItem;
    HDC dc = draw.hDC;
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    const bool active = ::GetFocus() == list;
    const int fill = selected ? (active ? COLOR_HIGHLIGHT : COLOR_BTNFACE) : COLOR_WINDOW;
    ::FillRect(dc, &draw.rcItem, ::GetSysColorBrush(fill));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(selected && active ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));

    HFONT normal = reinterpret_cast<HFONT>(::SendMessageA(list, WM_GETFONT, 0, 0));
    if (!normal)
        normal = ui::DefaultFontFor(Dpi());
    HGDIOBJ previousFont = ::SelectObject(dc, normal);

    const UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    const int describeWidth = static_cast<int>(::SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0));
    const int catalogueWidth = static_cast<int>(::SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0));

    // The description in one stroke, then the found words struck again one pixel to the right:
    // they show bold and every letter stays where the first stroke put it. The second stroke
    // is the whole text clipped to the word, so it lines up whatever widths the font reports.
    RECT cell = draw.rcItem;
    cell.right = draw.rcItem.left + describeWidth - kCellPadding;
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(dc, &metrics);
    const int top = draw.rcItem.top + (draw.rcItem.bottom - draw.rcItem.top - metrics.tmHeight) / 2;
    const int left = draw.rcItem.left + kCellPadding;
    const std::string& text = result.describe;
    const UINT length = static_cast<UINT>(text.size());
    ::ExtTextOutA(dc, left, top, ETO_CLIPPED, &cell, text.data(), length, nullptr);
    if (!result.inkKnown) {
        result.inkKnown = true;
        SIZE extent{};
        ::GetTextExtentPoint32A(dc, text.data(), static_cast<int>(length), &extent);
        const int width = extent.cx + 2 * metrics.tmMaxCharWidth;
        for (const auto& [start, count] : ResultHighlights(row)) {
            const int from = start > 0 ? InkEnd(dc, normal, text.data(), start, width, metrics.tmHeight) + 1
                                       : -kCellPadding;
            result.inkBounds.emplace_back(from,
                                          InkEnd(dc, normal, text.data(), start + count, width, metrics.tmHeight) + 1);
        }
    }
    for (const auto& [from, to] : result.inkBounds) {
        RECT word = cell;
        word.left = std::max<LONG>(cell.left, left + from);
        word.right = std::min<LONG>(cell.right, left + to);
        if (word.left < word.right)
            ::ExtTextOutA(dc, left + 1, top, ETO_CLIPPED, &word, text.data(), length, nullptr);
    }

    ::SelectObject(dc, normal);
    RECT second = draw.rcItem;
    second.left = draw.rcItem.left + describeWidth + kCellPadding;
    second.right = draw.rcItem.left + describeWidth + catalogueWidth - kCellPadding;
    ::DrawTextA(dc, result.catalogue.c_str(), static_cast<int>(result.catalogue.size()), &second,
                format | DT_END_ELLIPSIS);
    ::SelectObject(dc, previousFont);
    if ((draw.itemState & ODS_FOCUS) && active)
        ::DrawFocusRect(dc, &draw.rcItem);
}

void TKeltSearchForm::pcmbCataloguesDrawItem(const DRAWITEMSTRUCT& draw)
{
    HDC dc = draw.hDC;
    const RECT& rect = draw.rcItem;
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    // A blue frame round the focused entry, a white one round the rest; the theme's text and
    // entry colours in high contrast.
    const bool contrast = ui::HighContrast();
    const COLORREF frame = (draw.itemState & ODS_FOCUS)
                               ? (contrast ? ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT) : RGB(0, 0, 255))
                               : (contrast ? ::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW) : RGB(255, 255, 255));
    ui::UniquePen pen(::CreatePen(PS_SOLID, 1, frame));
    HGDIOBJ previousPen = ::SelectObject(dc, pen.get());
    HGDIOBJ previousBrush = ::SelectObject(dc, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    ::Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
    ::SelectObject(dc, previousBrush);
    ::SelectObject(dc, previousPen);
    if (static_cast<int>(draw.itemID) < 0)
        return;

    // Every name starts where the names beside a picture start.
    const int pictureLeft = rect.left + 2;
    const int textLeft = pictureLeft + Scale(kPictureSize) + 2;
    const int entry = static_cast<int>(draw.itemID);
    if (entry >= 1 && catalogue_) {
        JTSetKind* page = catalogue_->Page(entry - 1);
        HIMAGELIST images = catalogue_->TabImages();
        if (page && images && page->ImageIndex() >= 0) {
            int width = 0, height = 0;
            ::ImageList_GetIconSize(images, &width, &height);
            const int pictureTop = rect.top + (rect.bottom - rect.top - height) / 2;
            if (contrast)
                ui::DrawImageMono(dc, images, page->ImageIndex(), pictureLeft, pictureTop, width,
                                  ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
            else
                ::ImageList_Draw(images, page->ImageIndex(), dc, pictureLeft, pictureTop, ILD_TRANSPARENT);
        }
    }
    const LRESULT length = ::SendMessageA(draw.hwndItem, CB_GETLBTEXTLEN, draw.itemID, 0);
    if (length < 0)
        return;
    std::string name(static_cast<std::size_t>(length) + 1, '\0');
    ::SendMessageA(draw.hwndItem, CB_GETLBTEXT, draw.itemID, reinterpret_cast<LPARAM>(name.data()));
    name.resize(static_cast<std::size_t>(length));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT text = rect;
    text.left = textLeft;
    text.right -= 2;
    ::DrawTextA(dc, name.c_str(), static_cast<int>(name.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

} // namespace kelt
