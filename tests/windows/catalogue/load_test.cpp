// Loading the catalogue: good tables, broken tables, rows naming no kind, unsuited items and
// the shipped catalogue itself.
#include <gtest/gtest.h>

#include "catalogue/ck_set_item.h"
#include "catalogue/ed_set_item.h"
#include "tests/windows/catalogue/catalogue_fixture.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

CatalogueFiles TwoKinds()
{
    CatalogueFiles files;
    files.kinds = {"Explorer", "Network"};
    files.ckRows = {{0, "Show hidden files", "Hidden files show.", "Hidden"},
                    {1, "Disable sharing", "No shares.", "Share"},
                    {0, "Show extensions", "Extensions show.", "Ext"}};
    files.edRows = {{1, "Workgroup", "The workgroup.", "Group"}, {0, "Start folder", "Where it starts.", "Folder"}};
    return files;
}

std::vector<std::string> Describes(const std::vector<std::unique_ptr<JTSetItem>>& items)
{
    std::vector<std::string> result;
    for (const auto& item : items)
        result.push_back(item->sDescribe);
    return result;
}

void ExpectOneError(const MessageRecorder& recorder, const std::string& text)
{
    ASSERT_EQ(recorder.Messages().size(), 1u);
    EXPECT_EQ(recorder.Messages()[0].text, text);
    EXPECT_EQ(recorder.Messages()[0].caption, "Error");
    EXPECT_EQ(recorder.Messages()[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
}

} // namespace

TEST(CatalogueLoad, BuildsOnePagePerKindAndPlacesItemsInTableOrder)
{
    RemoveTestRoot();
    CatalogueFiles files = TwoKinds();
    files.Write();
    HostWindow host;
    MessageRecorder recorder;
    auto catalogue = MakeCatalogue(files, host);
    ASSERT_TRUE(catalogue->LoadAll());

    EXPECT_TRUE(recorder.Messages().empty());
    EXPECT_EQ(catalogue->LoadState(), lsLoaded);
    EXPECT_EQ(catalogue->KindsState(), lsLoaded);
    EXPECT_EQ(catalogue->CkItemsState(), lsLoaded);
    EXPECT_EQ(catalogue->EdItemsState(), lsLoaded);
    EXPECT_EQ(catalogue->KindCount(), 2);
    EXPECT_EQ(catalogue->CkItemCount(), 3);
    EXPECT_EQ(catalogue->EdItemCount(), 2);
    EXPECT_EQ(catalogue->SuitedCkCount(), 3);
    EXPECT_EQ(catalogue->SuitedEdCount(), 2);

    ASSERT_EQ(catalogue->PageCount(), 2);
    ui::PageControl* control = catalogue->PageControl();
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(control->IsVisible());
    EXPECT_EQ(control->ActivePageIndex(), 0);
    EXPECT_EQ(control->TabCount(), 2);
    JTSetKind* explorer = catalogue->Page(0);
    JTSetKind* network = catalogue->Page(1);
    EXPECT_EQ(explorer->Caption(), "Explorer");
    EXPECT_EQ(network->Caption(), "Network");
    EXPECT_EQ(ItemKindOf(explorer), ikPage);
    // The page remembers its row: the version row is row 1.
    EXPECT_EQ(explorer->RecordNumber(), 2);
    EXPECT_EQ(network->RecordNumber(), 3);

    EXPECT_EQ(Describes(explorer->CkItems()), (std::vector<std::string>{"Show hidden files", "Show extensions"}));
    EXPECT_EQ(Describes(explorer->EdItems()), (std::vector<std::string>{"Start folder"}));
    EXPECT_EQ(Describes(network->CkItems()), (std::vector<std::string>{"Disable sharing"}));
    EXPECT_EQ(Describes(network->EdItems()), (std::vector<std::string>{"Workgroup"}));
    EXPECT_EQ(ItemKindOf(explorer->CkItems()[0].get()), ikCheckItem);
    EXPECT_EQ(ItemKindOf(explorer->EdItems()[0].get()), ikEditItem);
    EXPECT_EQ(explorer->CkItems()[1]->KindIndex(), 0);
    EXPECT_EQ(explorer->CkItems()[1]->Page(), explorer);

    // Compact view: one entry per item, check items first, each entry's data its item.
    ASSERT_EQ(explorer->ListCount(), 3);
    EXPECT_EQ(explorer->ItemOfEntry(0), explorer->CkItems()[0].get());
    EXPECT_EQ(explorer->ItemOfEntry(2), explorer->EdItems()[0].get());
    EXPECT_EQ(explorer->EdItems()[0]->ListEntry(), 2);
    EXPECT_TRUE(::GetWindowLongA(explorer->CompactList(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(explorer->CheckArea()->IsVisible());
    EXPECT_TRUE(catalogue->ModifiedList().empty());
    RemoveTestRoot();
}

TEST(CatalogueLoad, ReportsProgressOnTheGivenBar)
{
    CatalogueFiles files = TwoKinds();
    files.Write();
    HostWindow host;
    HWND bar = ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 0, 100, 10, host.Frame(), nullptr,
                                 ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(bar, PBM_SETPOS, 77, 0);
    auto catalogue = MakeCatalogue(files, host);
    catalogue->SetProgressBar(bar);
    ASSERT_TRUE(catalogue->LoadAll());
    // Two edit rows after the version row: the last row sets (1 * 100 / 3) - 1.
    EXPECT_EQ(::SendMessageA(bar, PBM_GETPOS, 0, 0), 32);
}

TEST(CatalogueLoad, VersionRowsMustMatchExactly)
{
    struct Case {
        const char* what;
        void (*spoil)(CatalogueFiles&);
        const char* message;
        int kinds, ck, ed;
    };
    const Case cases[] = {
        {"trailing blank in the kinds version", [](CatalogueFiles& f) { f.kindsVersion += " "; },
         "An error has been occured when opening database of catalogues!", lsNotLoaded, lsNotLoaded, lsNotLoaded},
        {"kinds version in lower case", [](CatalogueFiles& f) { f.kindsVersion = "dnv'S KELT KINDS DB 0.8"; },
         "An error has been occured when opening database of catalogues!", lsNotLoaded, lsNotLoaded, lsNotLoaded},
        {"check items carry the kinds version", [](CatalogueFiles& f) { f.ckVersion = kKindsVersion; },
         "An error has been occured when opening database of check-styled items!", lsLoaded, lsFailed, lsNotLoaded},
        {"edit items carry an old version", [](CatalogueFiles& f) { f.edVersion = "DNV'S KELT EDITEMS DB 0.7"; },
         "An error has been occured when opening database of edit-styled items!", lsLoaded, lsLoaded, lsFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CatalogueFiles files = TwoKinds();
        c.spoil(files);
        files.Write();
        HostWindow host;
        MessageRecorder recorder;
        auto catalogue = MakeCatalogue(files, host);
        EXPECT_FALSE(catalogue->LoadAll());
        ExpectOneError(recorder, c.message);
        EXPECT_EQ(catalogue->LoadState(), lsFailed);
        EXPECT_EQ(catalogue->KindsState(), c.kinds);
        EXPECT_EQ(catalogue->CkItemsState(), c.ck);
        EXPECT_EQ(catalogue->EdItemsState(), c.ed);
    }
}

TEST(CatalogueLoad, VersionCheckLeavesTheTableOnTheSecondRowEveryTime)
{
    CatalogueFiles files = TwoKinds();
    files.Write();
    JTRegSettings catalogue;
    catalogue.SetTablePaths(files.KindsPath(), files.CkPath(), files.EdPath());
    ASSERT_TRUE(catalogue.OpenKindsTable());
    EXPECT_EQ(catalogue.KindsTable().RecNo(), 2);
    EXPECT_TRUE(catalogue.CheckKindsVersion());
    EXPECT_EQ(catalogue.KindsTable().RecNo(), 2);
    // A table that fails the check is not moved on.
    ASSERT_TRUE(catalogue.OpenTable(&catalogue.CkTable(), files.KindsPath()));
    EXPECT_FALSE(catalogue.CheckCkVersion());
    EXPECT_EQ(catalogue.CkTable().RecNo(), 1);
}

TEST(CatalogueLoad, MissingFilesAndColumnsGiveTheirMessages)
{
    {
        SCOPED_TRACE("no kinds file");
        CatalogueFiles files = TwoKinds();
        files.Write();
        HostWindow host;
        MessageRecorder recorder;
        auto catalogue = MakeCatalogue(files, host);
        catalogue->SetTablePaths(files.KindsPath() + ".missing", files.CkPath(), files.EdPath());
        EXPECT_FALSE(catalogue->LoadAll());
        ExpectOneError(recorder, "An error has been occured when opening database of catalogues!");
    }
    {
        SCOPED_TRACE("check items without sDetails");
        CatalogueFiles files = TwoKinds();
        files.ckMissingColumn = "sDetails";
        files.Write();
        HostWindow host;
        MessageRecorder recorder;
        auto catalogue = MakeCatalogue(files, host);
        EXPECT_FALSE(catalogue->LoadAll());
        ExpectOneError(recorder, "An error has been occured when reading data from database of ckeck-styled items!");
        EXPECT_EQ(catalogue->CkItemsState(), lsFailed);
        EXPECT_EQ(catalogue->EdItemsState(), lsNotLoaded);
        EXPECT_EQ(catalogue->LoadState(), lsFailed);
        // The pages already built stay, and show.
        EXPECT_EQ(catalogue->PageCount(), 2);
        EXPECT_TRUE(catalogue->PageControl()->IsVisible());
    }
    {
        SCOPED_TRACE("edit items without sDefaultVal");
        CatalogueFiles files = TwoKinds();
        files.edMissingColumn = "sDefaultVal";
        files.Write();
        HostWindow host;
        MessageRecorder recorder;
        auto catalogue = MakeCatalogue(files, host);
        EXPECT_FALSE(catalogue->LoadAll());
        ExpectOneError(recorder, "An error has been occured when reading data from database of edit-styled items!");
        EXPECT_EQ(catalogue->EdItemsState(), lsFailed);
        // The check items built before stay on their pages, and the window shows them.
        EXPECT_EQ(catalogue->Page(0)->CkItemCount(), 2);
        EXPECT_TRUE(catalogue->PageControl()->IsVisible());
        EXPECT_EQ(catalogue->PageControl()->ActivePageIndex(), 0);
        EXPECT_EQ(catalogue->Page(0)->ListCount(), 2);
        EXPECT_EQ(catalogue->CkItemCount(), 3);
    }
    {
        SCOPED_TRACE("kinds without their Glyph column");
        CatalogueFiles files = TwoKinds();
        files.Write();
        TXdbTable kinds;
        kinds.FieldDefs().Add("sDescribe", ftMemo);
        kinds.Open();
        for (const char* text : {kKindsVersion, "Only"}) {
            kinds.Append();
            kinds.FieldByName("sDescribe").SetAsString(text);
            kinds.Post();
        }
        kinds.SaveToFile(files.KindsPath());
        HostWindow host;
        MessageRecorder recorder;
        auto catalogue = MakeCatalogue(files, host);
        EXPECT_FALSE(catalogue->LoadAll());
        ExpectOneError(recorder, "An error has been occured when reading data from database of catalogues!");
        EXPECT_EQ(catalogue->KindsState(), lsFailed);
    }
}

TEST(CatalogueLoad, NoPageControlParentFailsWithoutAMessage)
{
    CatalogueFiles files = TwoKinds();
    files.Write();
    MessageRecorder recorder;
    JTRegSettings catalogue;
    catalogue.SetTablePaths(files.KindsPath(), files.CkPath(), files.EdPath());
    EXPECT_FALSE(catalogue.CreatePageControl());
    EXPECT_FALSE(catalogue.LoadAll());
    EXPECT_EQ(catalogue.LoadState(), lsFailed);
    EXPECT_TRUE(recorder.Messages().empty());
}

TEST(CatalogueLoad, RowsNamingNoKindAreSkipped)
{
    CatalogueFiles files;
    files.kinds = {"First", "Second"};
    files.ckRows = {{2, "kind equal to the kind count"}, {0, "kind zero"}, {-1, "negative kind"}, {1, "kind one"}};
    files.edRows = {{7, "far out"}, {1, "edit on second"}};
    files.Write();
    HostWindow host;
    MessageRecorder recorder;
    auto catalogue = MakeCatalogue(files, host);
    ASSERT_TRUE(catalogue->LoadAll());
    EXPECT_TRUE(recorder.Messages().empty());
    EXPECT_EQ(Describes(catalogue->Page(0)->CkItems()), (std::vector<std::string>{"kind zero"}));
    EXPECT_EQ(Describes(catalogue->Page(1)->CkItems()), (std::vector<std::string>{"kind one"}));
    EXPECT_EQ(Describes(catalogue->Page(1)->EdItems()), (std::vector<std::string>{"edit on second"}));
    EXPECT_EQ(catalogue->CkItemCount(), 2);
    EXPECT_EQ(catalogue->EdItemCount(), 1);
}

TEST(CatalogueLoad, KindsTableWithOnlyItsVersionRowGivesAnEmptyPageControl)
{
    CatalogueFiles files = TwoKinds();
    files.kinds.clear();
    files.Write();
    HostWindow host;
    MessageRecorder recorder;
    auto catalogue = MakeCatalogue(files, host);
    ASSERT_TRUE(catalogue->LoadAll());
    EXPECT_TRUE(recorder.Messages().empty());
    EXPECT_EQ(catalogue->PageCount(), 0);
    EXPECT_EQ(catalogue->KindCount(), 0);
    EXPECT_EQ(catalogue->CkItemCount(), 0);
    EXPECT_EQ(catalogue->EdItemCount(), 0);
    EXPECT_EQ(catalogue->PageControl()->TabCount(), 0);
    EXPECT_EQ(catalogue->PageControl()->ActivePageIndex(), -1);
}

TEST(CatalogueLoad, KindWithoutItemsStillGetsItsPage)
{
    CatalogueFiles files = TwoKinds();
    files.kinds.push_back("Empty");
    files.Write();
    HostWindow host;
    auto catalogue = MakeCatalogue(files, host, true);
    ASSERT_TRUE(catalogue->LoadAll());
    ASSERT_EQ(catalogue->PageCount(), 3);
    EXPECT_EQ(catalogue->Page(2)->CkItemCount() + catalogue->Page(2)->EdItemCount(), 0);
    EXPECT_EQ(catalogue->Page(2)->Caption(), "Empty");
}

TEST(CatalogueLoad, UnsuitedItemsAreDisabledOrHiddenButKept)
{
    FamilyScope family(osWindowsXP);
    CatalogueFiles files;
    files.kinds = {"Only"};
    files.ckRows = {{0, "for XP", "", "A", "Items", 1, "1", "0", osWindowsXP},
                    {0, "for 95 only", "", "B", "Items", 1, "1", "0", osWindows95}};
    files.edRows = {{0, "edit for 98", "", "C", "Items", 0, "x", osWindows98}};
    files.Write();
    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        HostWindow host;
        auto catalogue = MakeCatalogue(files, host, true);
        catalogue->DisplaySettings().NotSuitShow = static_cast<std::uint8_t>(mode);
        ASSERT_TRUE(catalogue->LoadAll());
        JTSetKind* page = catalogue->Page(0);
        ASSERT_EQ(page->CkItemCount(), 2);
        ASSERT_EQ(page->EdItemCount(), 1);
        EXPECT_EQ(catalogue->SuitedCkCount(), 1);
        EXPECT_EQ(catalogue->SuitedEdCount(), 0);
        EXPECT_EQ(catalogue->CkItemCount(), 2);
        JTSetItem* unsuited = page->CkItems()[1].get();
        JTRowControl* row = unsuited->GetControl();
        ASSERT_NE(row, nullptr);
        if (mode == 0) {
            EXPECT_EQ(page->ListCount(), 3);
            EXPECT_TRUE(row->IsVisible());
            EXPECT_FALSE(row->IsEnabled());
            EXPECT_FALSE(page->EdItems()[0]->GetControl()->IsEnabled());
            ASSERT_NE(row->Handle(), nullptr);
            EXPECT_TRUE(::GetWindowLongA(row->Handle(), GWL_STYLE) & WS_VISIBLE);
            EXPECT_FALSE(::IsWindowEnabled(row->Handle()));
        } else {
            EXPECT_EQ(page->ListCount(), 1);
            EXPECT_EQ(unsuited->ListEntry(), -1);
            EXPECT_FALSE(row->IsVisible());
            EXPECT_FALSE(page->EdItems()[0]->GetControl()->IsVisible());
        }
        // The suited row follows the unsuited, hidden one directly.
        EXPECT_TRUE(page->CkItems()[0]->GetControl()->IsEnabled());
    }
}

TEST(CatalogueLoad, UnsuitedRowsFollowTheModeAtEveryArrange)
{
    FamilyScope family(osWindowsXP);
    CatalogueFiles files;
    files.kinds = {"Only"};
    files.ckRows = {{0, "for XP", "", "A", "Items", 1, "1", "0", osWindowsXP},
                    {0, "for 95 only", "", "B", "Items", 1, "1", "0", osWindows95}};
    files.edRows = {{0, "edit for 98", "", "C", "Items", 0, "x", osWindows98}};
    files.Write();
    HostWindow host;
    MessageRecorder recorder;
    auto catalogue = MakeCatalogue(files, host, true);
    catalogue->DisplaySettings().NotSuitShow = 1;
    ASSERT_TRUE(catalogue->LoadAll());
    host.Show();
    JTSetKind* page = catalogue->Page(0);
    JTRowControl* suited = page->CkItems()[0]->GetControl();
    JTRowControl* check = page->CkItems()[1]->GetControl();
    JTRowControl* edit = page->EdItems()[0]->GetControl();

    // mode, then visible and enabled of the unsuited check row and of the unsuited edit row.
    struct Step {
        int mode;
        bool checkVisible, checkEnabled, editVisible, editEnabled;
    };
    const Step steps[] = {{1, false, false, false, false}, {0, true, false, true, false},
                          {2, true, true, true, false},    {1, false, false, false, false},
                          {0, true, false, true, false}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.mode);
        catalogue->DisplaySettings().NotSuitShow = static_cast<std::uint8_t>(step.mode);
        ASSERT_TRUE(catalogue->ArrangeAll());
        EXPECT_EQ(check->IsVisible(), step.checkVisible);
        EXPECT_EQ(check->IsEnabled(), step.checkEnabled);
        EXPECT_EQ(edit->IsVisible(), step.editVisible);
        EXPECT_EQ(edit->IsEnabled(), step.editEnabled);
        EXPECT_TRUE(suited->IsVisible() && suited->IsEnabled());
        // The windows mirror it.
        for (JTRowControl* row : {check, edit}) {
            if (!row->IsVisible())
                continue;
            ASSERT_NE(row->Handle(), nullptr);
            EXPECT_TRUE(::IsWindowVisible(row->Handle()));
            EXPECT_EQ(::IsWindowEnabled(row->FocusControl()) != FALSE, row->IsEnabled());
        }
    }
}

TEST(CatalogueLoad, HidingUnsuitedRowsEmptiesTheEditorThatShowedOne)
{
    FamilyScope family(osWindowsXP);
    CatalogueFiles files;
    files.kinds = {"Only"};
    files.ckRows = {{0, "for XP", "", "A", "Items", 1, "1", "0", osWindowsXP},
                    {0, "for 95 only", "", "B", "Items", 1, "1", "0", osWindows95}};
    files.Write();
    HostWindow host;
    MessageRecorder recorder;
    auto catalogue = MakeCatalogue(files, host, false);
    ASSERT_TRUE(catalogue->LoadAll());
    host.Show();
    JTSetKind* page = catalogue->Page(0);
    JTSetItem* unsuited = page->CkItems()[1].get();
    catalogue->CompactSelect(unsuited);
    ASSERT_EQ(catalogue->ShownItem(), unsuited);

    catalogue->DisplaySettings().NotSuitShow = 1;
    ASSERT_TRUE(catalogue->ArrangeAll());
    EXPECT_EQ(catalogue->ShownItem(), nullptr);
    EXPECT_EQ(::GetWindow(host.Editor(), GW_CHILD), nullptr);
    EXPECT_EQ(::GetParent(unsuited->GetControl()->Handle()), page->CheckArea()->Area());

    // A suited row shown in the editor stays there.
    JTSetItem* suited = page->CkItems()[0].get();
    catalogue->CompactSelect(suited);
    ASSERT_TRUE(catalogue->ArrangeAll());
    EXPECT_EQ(catalogue->ShownItem(), suited);
    EXPECT_EQ(::GetParent(suited->GetControl()->Handle()), host.Editor());
}

TEST(CatalogueLoad, ShippedCatalogueLoadsAndEveryItemReadsItsValue)
{
    const std::string stage = StageFolder();
    ASSERT_FALSE(stage.empty()) << "KELT_STAGE_DIR is not set";
    HostWindow host;
    MessageRecorder recorder;
    JTRegSettings catalogue;
    catalogue.SetTablePaths(stage + "\\KeltKinds.xdb", stage + "\\KeltckItems.xdb", stage + "\\KeltedItems.xdb");
    catalogue.SetPageControlParent(host.PageParent());
    ASSERT_TRUE(catalogue.LoadAll());
    EXPECT_TRUE(recorder.Messages().empty());
    EXPECT_GT(catalogue.PageCount(), 0);
    EXPECT_EQ(catalogue.PageCount(), catalogue.KindCount());
    EXPECT_GT(catalogue.CkItemCount(), 0);
    EXPECT_GT(catalogue.EdItemCount(), 0);
    int items = 0;
    for (int i = 0; i < catalogue.PageCount(); ++i) {
        JTSetKind* page = catalogue.Page(i);
        EXPECT_FALSE(page->Caption().empty());
        for (const auto* list : {&page->CkItems(), &page->EdItems()})
            for (const auto& item : *list) {
                ++items;
                EXPECT_TRUE(item->ReadValue()) << item->sDescribe;
                EXPECT_FALSE(item->sDescribe.empty());
                EXPECT_FALSE(RootName(item->iRegRoot).empty()) << item->sDescribe;
            }
    }
    EXPECT_EQ(items, catalogue.CkItemCount() + catalogue.EdItemCount());
    // Every kind with a picture has a tab picture and a side-bar picture.
    int pictures = 0;
    for (int i = 0; i < catalogue.PageCount(); ++i)
        if (catalogue.Page(i)->Glyph()) {
            EXPECT_EQ(catalogue.Page(i)->ImageIndex(), pictures);
            ++pictures;
        }
    EXPECT_EQ(::ImageList_GetImageCount(catalogue.TabImages()), pictures);
    EXPECT_EQ(::ImageList_GetImageCount(catalogue.GlyphImages()), pictures);
    int cx = 0, cy = 0;
    ::ImageList_GetIconSize(catalogue.GlyphImages(), &cx, &cy);
    EXPECT_EQ(cx, 32);
    EXPECT_EQ(cy, 32);
}
