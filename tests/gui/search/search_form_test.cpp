// The search window over generated catalogues: a real window in a real catalogue, driven by
// messages; message boxes are scripted through the seams.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/html_help.h"
#include "app/search/search_form.h"
#include "app/search/search_ids.h"
#include "app/search/search_words.h"
#include "tests/windows/catalogue/catalogue_fixture.h"
#include "ui/files.h"
#include "ui/hint.h"
#include "ui/seams.h"
#include "ui/window.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

const char kFoundTail[] =
    " setting have been found!\nDouble click the items in the list can active the tweak in the tweaks list.";
const char kNoneFound[] = "Sorry!None setting has been found!Please check your key words!";

bool Shown(HWND control)
{
    return (::GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

// A search window over a loaded catalogue, with every message box recorded; `atMessage` runs
// while a box is up (the search is still at its end then).
class SearchWindow {
public:
    explicit SearchWindow(const CatalogueFiles& files, int notSuitShow = 0)
        : seams_(Seams()), catalogue_(MakeCatalogue(files, host_))
    {
        host_.Show();
        catalogue_->DisplaySettings().NotSuitShow = static_cast<std::uint8_t>(notSuitShow);
        catalogue_->LoadAll();
        form_.Create(host_.Frame());
        form_.SetCatalogue(catalogue_.get());
        form_.ShowForm();
        ui::ProcessPendingMessages();
    }

    TKeltSearchForm& Form() { return form_; }
    JTRegSettings& Catalogue() { return *catalogue_; }
    HWND Host() const { return host_.Frame(); }
    HWND Item(int id) const { return form_.Item(id); }
    std::vector<ShownMessage> messages;
    std::function<void()> atMessage;

    void SetText(int id, const std::string& text) { ::SetWindowTextA(Item(id), text.c_str()); }
    std::string Text(int id) const { return ui::WindowText(Item(id)); }
    void Click(int id) { ::SendMessageA(Item(id), BM_CLICK, 0, 0); }
    void Check(int id, bool on) { ::SendMessageA(Item(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
    void Choose(int comboId, int entry)
    {
        ::SendMessageA(Item(comboId), CB_SETCURSEL, entry, 0);
        ::SendMessageA(form_.Handle(), WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(Item(comboId)));
    }
    std::string Status(int part) const
    {
        char text[256] = {};
        ::SendMessageA(Item(IDC_SEARCH_STATUS), SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
        return text;
    }
    // Start, then let the deferred search run.
    void Search(const std::string& words)
    {
        SetText(IDC_SEARCH_SIMPLE_TEXT, words);
        Click(IDC_SEARCH_START);
        ui::ProcessPendingMessages();
    }
    void Notify(UINT code, int column = 0)
    {
        NMLISTVIEW info{};
        info.hdr = {Item(IDC_SEARCH_RESULTS), static_cast<UINT_PTR>(IDC_SEARCH_RESULTS), code};
        info.iItem = -1;
        info.iSubItem = column;
        ::SendMessageA(form_.Handle(), WM_NOTIFY, IDC_SEARCH_RESULTS, reinterpret_cast<LPARAM>(&info));
    }
    void SelectRow(int row)
    {
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = row >= 0 ? LVIS_SELECTED | LVIS_FOCUSED : 0;
        ::SendMessageA(Item(IDC_SEARCH_RESULTS), LVM_SETITEMSTATE, row >= 0 ? row : -1,
                       reinterpret_cast<LPARAM>(&state));
    }
    std::vector<std::string> Column(int column) const
    {
        std::vector<std::string> texts;
        for (int row = 0; row < form_.ResultCount(); ++row)
            texts.push_back(form_.ResultText(row, column));
        return texts;
    }
    int Progress(UINT message) const
    {
        return static_cast<int>(::SendMessageA(Item(IDC_SEARCH_PROGRESS), message, FALSE, 0));
    }

private:
    ui::DialogSeams Seams()
    {
        ui::DialogSeams seams = ui::DialogSeams::Real();
        seams.messageBox = [this](HWND, const std::string& text, const std::string& caption, UINT flags) {
            messages.push_back({text, caption, flags});
            if (atMessage)
                atMessage();
            return IDOK;
        };
        return seams;
    }

    ui::ScopedSeams seams_;
    HostWindow host_;
    std::unique_ptr<JTRegSettings> catalogue_;
    TKeltSearchForm form_;
};

// Three kinds whose names sort differently with and without case: 12 "alpha" check tweaks,
// 6 "Beta" check tweaks and 4 "Gamma" edit tweaks, all with "tweak" in their descriptions.
CatalogueFiles SmallCatalogue()
{
    CatalogueFiles files;
    files.kinds = {"Gamma", "alpha", "Beta"};
    for (int i = 0; i < 12; ++i)
        files.ckRows.push_back({1, "Alpha tweak " + std::to_string(i), "first kind", "A" + std::to_string(i)});
    for (int i = 0; i < 6; ++i)
        files.ckRows.push_back({2, "Beta tweak " + std::to_string(i), "telemetry details", "B" + std::to_string(i)});
    for (int i = 0; i < 4; ++i) {
        EdRow row;
        row.kind = 0;
        row.describe = "Gamma tweak " + std::to_string(i);
        row.details = "telemetry";
        row.name = "G" + std::to_string(i);
        files.edRows.push_back(row);
    }
    files.Write();
    return files;
}

class SearchFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { files_ = new CatalogueFiles(SmallCatalogue()); }
    static void TearDownTestSuite()
    {
        delete files_;
        files_ = nullptr;
    }
    static CatalogueFiles* files_;
};
CatalogueFiles* SearchFormTest::files_ = nullptr;

TEST(SearchWords, SplitAtBlanksOnlyAndReadTheLimit)
{
    const struct {
        std::string text;
        std::vector<std::string> words;
    } splits[] = {{"a  b", {"a", "b"}},
                  {"  thumbnail ", {"thumbnail"}},
                  {"a\tb", {"a\tb"}},
                  {"\"two words\"", {"\"two", "words\""}},
                  {"", {}}};
    for (const auto& split : splits) {
        std::vector<std::string> words = {"left over"};
        EXPECT_EQ(SplitWords(split.text, words), static_cast<int>(split.words.size())) << split.text;
        EXPECT_EQ(words, split.words) << split.text;
    }
    using Limit = JTResultLimit;
    const struct {
        std::string text;
        Limit read;
        int limit;
    } limits[] = {{"10", Limit::Number, 10},          {" 25 ", Limit::Number, 25},
                  {"2147483647", Limit::Number, 2147483647}, {"2147483648", Limit::TooLarge, 0},
                  {"99999999999999999999999", Limit::TooLarge, 0}, {"unlimited", Limit::Unlimited, 0},
                  {" UNLIMITED ", Limit::Unlimited, 0}, {"Unlimited", Limit::Unlimited, 0},
                  {"abc", Limit::Invalid, 0},        {"-5", Limit::Invalid, 0},
                  {"0", Limit::Invalid, 0},          {"", Limit::Invalid, 0},
                  {"1e3", Limit::Invalid, 0},        {"99999999999x", Limit::Invalid, 0}};
    for (const auto& limit : limits) {
        int value = -1;
        EXPECT_EQ(ParseResultLimit(limit.text, value), limit.read) << limit.text;
        EXPECT_EQ(value, limit.read == Limit::Number ? limit.limit : -1) << limit.text;
    }
    using Ranges = std::vector<std::pair<std::size_t, std::size_t>>;
    EXPECT_EQ(WordRanges("Do not cache Thumbnails", {"thumb", "cache"}, false), (Ranges{{7, 5}, {13, 5}}));
    EXPECT_EQ(WordRanges("Do not cache Thumbnails", {"thumb"}, true), Ranges{});
    EXPECT_EQ(WordRanges("aaaa", {"aa"}, false), (Ranges{{0, 4}}));
}

TEST_F(SearchFormTest, TextFieldsMirrorAndEnterInEachWordFieldStarts)
{
    SearchWindow w(*files_);
    w.SetText(IDC_SEARCH_SIMPLE_TEXT, "thumb nail");
    EXPECT_EQ(w.Text(IDC_SEARCH_ALL_WORDS), "thumb nail");
    w.SetText(IDC_SEARCH_ALL_WORDS, "tweak");
    EXPECT_EQ(w.Text(IDC_SEARCH_SIMPLE_TEXT), "tweak");

    for (int edit : {IDC_SEARCH_SIMPLE_TEXT, IDC_SEARCH_ALL_WORDS, IDC_SEARCH_ONE_WORDS, IDC_SEARCH_NO_WORDS}) {
        w.messages.clear();
        ::SendMessageA(w.Item(edit), WM_CHAR, VK_RETURN, 0);
        ui::ProcessPendingMessages();
        ASSERT_EQ(w.messages.size(), 1u) << edit;
        EXPECT_EQ(w.messages[0].text, "22" + std::string(kFoundTail)) << edit;
    }
}

TEST_F(SearchFormTest, LimitScopeAndFieldsDecideWhatIsVisitedAndListed)
{
    struct Case {
        const char* name;
        int limitEntry;   // in "Max results"
        int catalogue;    // entry of "Search in cataloge"
        bool describe, details;
        const char* words;
        int rows, progressMaximum, progressReached;
        std::string text, caption;
        UINT flags;
    };
    const Case cases[] = {
        {"limit 10", 1, 0, true, true, "tweak", 10, 10, 10, "10" + std::string(kFoundTail), "Found:", 64},
        {"unlimited", 0, 0, true, true, "tweak", 22, 22, 22, "22" + std::string(kFoundTail), "Found:", 64},
        {"one catalogue", 0, 3, true, true, "tweak", 6, 6, 6, "6" + std::string(kFoundTail), "Found:", 64},
        {"details only", 0, 0, false, true, "telemetry", 10, 22, 22, "10" + std::string(kFoundTail), "Found:", 64},
        {"no fields", 0, 0, false, false, "tweak", 0, 22, 22, kNoneFound, "Information", 64},
    };
    // One window for all cases (closing a window is slow here); each case sets every field.
    auto w = std::make_unique<SearchWindow>(*files_);
    int maximum = -1, reached = -1;
    w->atMessage = [&] {
        maximum = w->Progress(PBM_GETRANGE);
        reached = w->Progress(PBM_GETPOS);
    };
    for (const Case& c : cases) {
        w->messages.clear();
        w->Choose(IDC_SEARCH_LIMITS, c.limitEntry);
        w->Choose(IDC_SEARCH_CATALOGUES, c.catalogue);
        w->Check(IDC_SEARCH_IN_DESCRIBE, c.describe);
        w->Check(IDC_SEARCH_IN_DETAILS, c.details);
        w->Search(c.words);
        EXPECT_EQ(w->Form().ResultCount(), c.rows) << c.name;
        ASSERT_EQ(w->messages.size(), 1u) << c.name;
        EXPECT_EQ(w->messages[0].text, c.text) << c.name;
        EXPECT_EQ(w->messages[0].caption, c.caption) << c.name;
        EXPECT_EQ(w->messages[0].flags, c.flags) << c.name;
        EXPECT_EQ(maximum, c.progressMaximum) << c.name;
        EXPECT_EQ(reached, c.progressReached) << c.name;
        EXPECT_EQ(w->Status(1), "Found:" + std::to_string(c.rows)) << c.name;
        EXPECT_EQ(w->Progress(PBM_GETPOS), 0) << c.name;
        EXPECT_TRUE(Shown(w->Item(IDC_SEARCH_START)) && !Shown(w->Item(IDC_SEARCH_STOP))) << c.name;
    }
}

TEST_F(SearchFormTest, TotalFollowsTheChosenCatalogueAndAnEmptyScopeIsRefused)
{
    SearchWindow w(*files_);
    EXPECT_EQ(w.Status(0), "Total items:22");
    w.Choose(IDC_SEARCH_CATALOGUES, 1);
    EXPECT_EQ(w.Status(0), "Total items:4");
    w.Choose(IDC_SEARCH_CATALOGUES, 0);
    EXPECT_EQ(w.Status(0), "Total items:22");

    w.Search("");
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].text, "Please at least specify a key word!");
    EXPECT_EQ(w.messages[0].caption, "Error");
    EXPECT_EQ(w.messages[0].flags, 16u);
    EXPECT_TRUE(Shown(w.Item(IDC_SEARCH_START)));

    w.Form().SetCatalogue(nullptr);
    EXPECT_EQ(w.Status(0), "Total items:0");
    w.Search("tweak");
    ASSERT_EQ(w.messages.size(), 2u);
    EXPECT_EQ(w.messages[1].text, kNoneFound);
    EXPECT_EQ(w.messages[1].caption, "Information");
    EXPECT_EQ(w.messages[1].flags, 16u);
}

TEST_F(SearchFormTest, WithoutClearingASecondSearchAppendsAndCountsOnlyItsOwn)
{
    SearchWindow w(*files_);
    w.Search("alpha");
    w.Check(IDC_SEARCH_CLEAR, false);
    w.Search("beta");
    ASSERT_EQ(w.Form().ResultCount(), 18);
    EXPECT_EQ(w.Form().ResultText(0, 0), "Alpha tweak 0");
    EXPECT_EQ(w.Form().ResultText(12, 0), "Beta tweak 0");
    EXPECT_EQ(w.Status(1), "Found:6");
    EXPECT_EQ(w.messages.back().text, "6" + std::string(kFoundTail));
    // The found words of each search are shown in its own rows.
    EXPECT_EQ(w.Form().ResultHighlights(0), (std::vector<std::pair<std::size_t, std::size_t>>{{0, 5}}));
    EXPECT_EQ(w.Form().ResultHighlights(12), (std::vector<std::pair<std::size_t, std::size_t>>{{0, 4}}));
}

TEST_F(SearchFormTest, SortingIgnoresCaseNeverReversesAndKeepsTheSelection)
{
    SearchWindow w(*files_);
    w.Search("tweak");
    ASSERT_EQ(w.Column(1).front(), "Gamma");  // the search visits the kinds in their order
    w.SelectRow(2);
    JTSetItem* selected = w.Form().ResultItem(2);
    for (int click = 0; click < 2; ++click) {
        w.Notify(LVN_COLUMNCLICK, 1);
        const auto names = w.Column(1);
        EXPECT_EQ(names.front(), "alpha");
        EXPECT_EQ(names[12], "Beta");
        EXPECT_EQ(names.back(), "Gamma");
        EXPECT_EQ(w.Form().SortColumn(), 1);
    }
    const int row = static_cast<int>(
        ::SendMessageA(w.Item(IDC_SEARCH_RESULTS), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    EXPECT_EQ(w.Form().ResultItem(row), selected);
    w.Notify(LVN_COLUMNCLICK, 0);
    EXPECT_EQ(w.Column(0).front(), "Alpha tweak 0");
    EXPECT_EQ(w.Column(0).back(), "Gamma tweak 3");
}

TEST_F(SearchFormTest, MaxResultsThatIsNotANumberIsRefusedAndChangesNothing)
{
    SearchWindow w(*files_);
    w.Search("beta");
    ASSERT_EQ(w.Form().ResultCount(), 6);
    const std::string notANumber = "\"Max results\" must be \"Unlimited\" or a whole number of at least 1.";
    const std::string tooLarge = "\"Max results\" is too large: the largest number it takes is 2147483647.";
    const struct {
        const char* text;
        std::string message;
    } refused[] = {{"abc", notANumber}, {"-5", notANumber}, {"0", notANumber}, {"", notANumber},
                   {"2147483648", tooLarge}, {"99999999999", tooLarge}};
    for (const auto& limit : refused) {
        w.messages.clear();
        w.SetText(IDC_SEARCH_LIMITS, limit.text);
        w.Search("alpha");
        ASSERT_EQ(w.messages.size(), 1u) << limit.text;
        EXPECT_EQ(w.messages[0].text, limit.message) << limit.text;
        EXPECT_EQ(w.messages[0].caption, "Error");
        EXPECT_EQ(w.messages[0].flags, 16u);
        EXPECT_EQ(w.Form().ResultCount(), 6) << limit.text;
        EXPECT_TRUE(Shown(w.Item(IDC_SEARCH_START)) && !Shown(w.Item(IDC_SEARCH_STOP))) << limit.text;
    }
    // "Unlimited" typed in any case searches without a limit.
    w.messages.clear();
    w.SetText(IDC_SEARCH_LIMITS, "unlimited");
    w.Search("alpha");
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_EQ(w.messages[0].text, "12" + std::string(kFoundTail));
}

TEST_F(SearchFormTest, ActivationShowsTheTweakOnItsPageInTheMainWindow)
{
    SearchWindow w(*files_);
    w.Search("tweak");
    EXPECT_FALSE(::IsWindowEnabled(w.Item(IDC_SEARCH_ACTIVATE)));
    const struct {
        const char* name;
        int row;
        std::function<void()> activate;
    } ways[] = {
        {"button", 2, [&] { w.Click(IDC_SEARCH_ACTIVATE); }},
        {"double click", 14, [&] { w.Notify(NM_DBLCLK); }},
        {"menu", 20, [&] { ::SendMessageA(w.Form().Handle(), WM_COMMAND, IDM_SEARCH_ACTIVE, 0); }},
    };
    for (const auto& way : ways) {
        w.SelectRow(way.row);
        EXPECT_TRUE(::IsWindowEnabled(w.Item(IDC_SEARCH_ACTIVATE))) << way.name;
        JTSetItem* item = w.Form().ResultItem(way.row);
        way.activate();
        JTSetKind* page = item->Page();
        EXPECT_EQ(w.Catalogue().PageControl()->ActivePage(), page) << way.name;
        const int entry = static_cast<int>(
            ::SendMessageA(page->CompactList(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        EXPECT_EQ(page->ItemOfEntry(entry), item) << way.name;
        EXPECT_EQ(::GetActiveWindow(), w.Host()) << way.name;
    }
    w.SelectRow(-1);
    EXPECT_FALSE(::IsWindowEnabled(w.Item(IDC_SEARCH_ACTIVATE)));

    // The menu's "&Active" as it stands while the menu is open, with and without a selection.
    static HMENU menu = nullptr;
    static UINT stateWhileOpen = 0;
    menu = w.Form().ResultsMenu();
    for (const bool selected : {false, true}) {
        w.SelectRow(selected ? 3 : -1);
        stateWhileOpen = 0xFFFF;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) CALLBACK {
            stateWhileOpen = ::GetMenuState(menu, IDM_SEARCH_ACTIVE, MF_BYCOMMAND);
            ::EndMenu();
        });
        ::SendMessageA(w.Form().Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w.Item(IDC_SEARCH_RESULTS)),
                       MAKELPARAM(-1, -1));
        ::KillTimer(nullptr, timer);
        EXPECT_EQ((stateWhileOpen & MF_GRAYED) != 0, !selected);
    }
    char caption[32] = {};
    ::GetMenuStringA(w.Form().ResultsMenu(), IDM_SEARCH_ACTIVE, caption, sizeof caption, MF_BYCOMMAND);
    EXPECT_STREQ(caption, "&Active");
}

TEST(SearchActivation, AHiddenTweakSaysWhyAndAMinimisedMainWindowComesBack)
{
    RemoveTestRoot();
    FamilyScope family(2);
    CatalogueFiles files;
    files.kinds = {"First", "Second"};
    files.ckRows.push_back({0, "Suited tweak", "", "S"});
    CkRow unsuited{1, "Unsuited tweak", "", "U"};
    unsuited.os = 1;  // another family only
    files.ckRows.push_back(unsuited);
    files.Write();
    for (const int mode : {0, 1}) {
        SearchWindow w(files, mode);
        w.Search("tweak");
        ASSERT_EQ(w.Form().ResultCount(), 2);
        w.messages.clear();
        w.SelectRow(1);
        w.Click(IDC_SEARCH_ACTIVATE);
        JTSetKind* second = w.Catalogue().Page(1);
        if (mode == 1) {
            ASSERT_EQ(w.messages.size(), 1u);
            EXPECT_EQ(w.messages[0].text,
                      "This setting does not apply to the running Windows, and the options hide such settings "
                      "(\"Hide it\"), so it cannot be shown in the list.");
            EXPECT_EQ(w.messages[0].caption, "Information");
            EXPECT_EQ(w.messages[0].flags, 64u);
        } else {
            // Shown disabled: found in its list like any other.
            EXPECT_TRUE(w.messages.empty());
            EXPECT_EQ(w.Catalogue().PageControl()->ActivePage(), second);
        }

        // The main window, minimised meanwhile, comes back with the tweak shown.
        ::ShowWindow(w.Host(), SW_MINIMIZE);
        ASSERT_TRUE(::IsIconic(w.Host()));
        w.SelectRow(0);
        w.Click(IDC_SEARCH_ACTIVATE);
        ui::ProcessPendingMessages();
        EXPECT_FALSE(::IsIconic(w.Host())) << mode;
        EXPECT_EQ(w.Catalogue().PageControl()->ActivePage(), w.Catalogue().Page(0));
    }
    RemoveTestRoot();
}

TEST_F(SearchFormTest, SliderShowsAndHidesTheConditionsAndSetsTheWidth)
{
    SearchWindow w(*files_);
    auto right = [&](int id) {
        RECT rect{};
        ::GetWindowRect(w.Item(id), &rect);
        ::MapWindowPoints(nullptr, w.Form().Handle(), reinterpret_cast<POINT*>(&rect), 2);
        return rect.right;
    };
    auto width = [&] {
        RECT rect{};
        ::GetWindowRect(w.Form().Handle(), &rect);
        return rect.right - rect.left;
    };
    EXPECT_FALSE(w.Form().AdvancedShown());
    EXPECT_EQ(width(), right(IDC_SEARCH_SLIDER) + 10);
    EXPECT_EQ(ui::GetHint(w.Item(IDC_SEARCH_SLIDER)), "Advance Options");
    EXPECT_EQ(ui::GetHint(w.Item(IDC_SEARCH_ACTIVATE)), "Activate the selected tweak in the tweak list");
    const struct {
        bool shown;
        const char* caption;
        const char* hint;
        int edge;
    } steps[] = {{true, "<<", "HIDE Advance Conditions", IDC_SEARCH_CONDITIONS},
                 {false, ">>", "Show Advance Conditions", IDC_SEARCH_SLIDER}};
    for (const auto& step : steps) {
        w.Click(IDC_SEARCH_SLIDER);
        EXPECT_EQ(w.Form().AdvancedShown(), step.shown);
        EXPECT_EQ(Shown(w.Item(IDC_SEARCH_ALL_WORDS)), step.shown);
        EXPECT_EQ(w.Text(IDC_SEARCH_SLIDER), step.caption);
        EXPECT_EQ(ui::GetHint(w.Item(IDC_SEARCH_SLIDER)), step.hint);
        EXPECT_EQ(width(), right(step.edge) + 10);
    }
}

TEST_F(SearchFormTest, CloseAndEscapeOnlyHideAndHelpShowsTheSearchTopic)
{
    SearchWindow w(*files_);
    EXPECT_EQ(ui::WindowText(w.Form().Handle()), "Search for Settings in Keltrix...");
    EXPECT_TRUE(::GetWindowLongA(w.Form().Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    w.Search("beta");
    for (const auto& hide : std::vector<std::function<void()>>{
             [&] { w.Click(IDC_SEARCH_CLOSE); },
             [&] { ::SendMessageA(w.Form().Handle(), WM_COMMAND, IDCANCEL, 0); }}) {
        hide();
        EXPECT_FALSE(::IsWindowVisible(w.Form().Handle()));
        w.Form().ShowForm();
        EXPECT_TRUE(::IsWindowVisible(w.Form().Handle()));
        EXPECT_EQ(w.Form().ResultCount(), 6);
    }
    // The viewer is only asked when the help file is there.
    const std::string file = ui::ProgramFolder() + "keltrix.chm";
    const bool created = ::GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES;
    if (created)
        ::CloseHandle(::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    std::vector<std::pair<HWND, std::string>> shown;
    auto previous = SetHtmlHelpCall(
        [&](HWND owner, const std::string& path, UINT, DWORD_PTR) { shown.emplace_back(owner, path); });
    w.Click(IDC_SEARCH_HELP);
    SetHtmlHelpCall(previous);
    if (created)
        ::DeleteFileA(file.c_str());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, ::GetDesktopWindow());
    EXPECT_EQ(shown[0].second, ui::ProgramFolder() + "keltrix.chm::/search.htm");
}

// 5,000 tweaks, every one matching "tweak": long enough that the search yields many times.
class LongSearchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        files_ = new CatalogueFiles;
        files_->kinds = {"First", "Second", "Third", "Fourth"};
        for (int i = 0; i < 5000; ++i)
            files_->ckRows.push_back({i % 4, "Generated tweak " + std::to_string(i), "details", "V" + std::to_string(i)});
        files_->Write();
    }
    static void TearDownTestSuite()
    {
        delete files_;
        files_ = nullptr;
    }
    static CatalogueFiles* files_;
};
CatalogueFiles* LongSearchTest::files_ = nullptr;

TEST_F(LongSearchTest, StopCloseAndQuitEndTheSearchEarlyAndTheMainWindowComesBack)
{
    const struct {
        const char* name;
        int control;  // clicked while the search runs; 0: the program is asked to end
        bool summary;
    } interruptions[] = {{"stop", IDC_SEARCH_STOP, true}, {"close", IDC_SEARCH_CLOSE, false}, {"quit", 0, false}};
    auto w = std::make_unique<SearchWindow>(*files_);
    bool mainEnabledAtEnd = true;
    w->atMessage = [&] { mainEnabledAtEnd = ::IsWindowEnabled(w->Host()); };
    for (const auto& interruption : interruptions) {
        w->messages.clear();
        w->Form().ShowForm();
        w->SetText(IDC_SEARCH_SIMPLE_TEXT, "tweak");
        w->Click(IDC_SEARCH_START);
        EXPECT_TRUE(Shown(w->Item(IDC_SEARCH_STOP)));
        // Queued behind the search: served only when the search lets the loop run.
        if (interruption.control)
            ::PostMessageA(w->Item(interruption.control), BM_CLICK, 0, 0);
        else
            ::PostQuitMessage(7);
        ui::ProcessPendingMessages();

        const int found = w->Form().ResultCount();
        EXPECT_GT(found, 0) << interruption.name;
        EXPECT_LT(found, 1000) << interruption.name;
        EXPECT_FALSE(w->Form().Searching()) << interruption.name;
        EXPECT_TRUE(::IsWindowEnabled(w->Host())) << interruption.name;
        EXPECT_TRUE(Shown(w->Item(IDC_SEARCH_START))) << interruption.name;
        if (interruption.summary) {
            ASSERT_EQ(w->messages.size(), 1u);
            EXPECT_EQ(w->messages[0].text, std::to_string(found) + kFoundTail);
            EXPECT_FALSE(mainEnabledAtEnd);  // kept from closing while its catalogue is searched
        } else {
            EXPECT_TRUE(w->messages.empty()) << interruption.name;
        }
        if (interruption.control == IDC_SEARCH_CLOSE) {
            EXPECT_FALSE(::IsWindowVisible(w->Form().Handle()));
        }
        if (!interruption.control) {
            MSG msg;
            ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
            EXPECT_EQ(msg.wParam, 7u);
        }
    }
}

} // namespace
