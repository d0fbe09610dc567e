// The catalogue after loading: modified list, details, compact selection, locating and
// flashing, re-reading, applying and tearing down.
#include <gtest/gtest.h>

#include "catalogue/ck_set_item.h"
#include "catalogue/ed_set_item.h"
#include "catalogue/platform/int_text.h"
#include "tests/windows/catalogue/catalogue_fixture.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

class CatalogueBehaviour : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveTestRoot();
        files_.kinds = {"Explorer", "Network"};
        files_.ckRows = {{0, "Show hidden files", "Shows the files marked hidden.", "Hidden"},
                         {0, "Show extensions", "Shows every extension.", "Ext"},
                         {1, "Disable sharing", "No shares.", "Share"}};
        files_.edRows = {{1, "Workgroup", "The workgroup.", "Group", "Items", 0, "WORKGROUP"}};
        files_.Write();
    }
    void TearDown() override { RemoveTestRoot(); }

    void Load(bool expanded)
    {
        catalogue_ = MakeCatalogue(files_, host_, expanded);
        catalogue_->OnModifiedCountChange = [this](JTSetItem* item, bool modified) {
            countEvents_.push_back({item, modified});
        };
        catalogue_->OnKindChange = [this](JTSetItem* item) { kindEvents_.push_back(item); };
        ASSERT_TRUE(catalogue_->LoadAll());
        host_.Show();
    }
    JTckSetItem* Check(int page, int index)
    {
        return static_cast<JTckSetItem*>(catalogue_->Page(page)->CkItems()[static_cast<std::size_t>(index)].get());
    }
    JTedSetItem* Edit(int page, int index)
    {
        return static_cast<JTedSetItem*>(catalogue_->Page(page)->EdItems()[static_cast<std::size_t>(index)].get());
    }

    CatalogueFiles files_;
    HostWindow host_;
    MessageRecorder recorder_;
    std::unique_ptr<JTRegSettings> catalogue_;
    std::vector<std::pair<JTSetItem*, bool>> countEvents_;
    std::vector<JTSetItem*> kindEvents_;
};

} // namespace

TEST_F(CatalogueBehaviour, ClickingARowKeepsTheModifiedListInStep)
{
    Load(true);
    JTckSetItem* item = Check(0, 0);
    catalogue_->ItemSelect(item);
    EXPECT_EQ(catalogue_->SelectedItem(), item);

    // A real click on the row's box.
    ASSERT_NE(item->Row()->Box(), nullptr);
    ::SendMessageA(item->Row()->Box(), BM_CLICK, 0, 0);
    EXPECT_TRUE(item->IsModified());
    ASSERT_EQ(catalogue_->ModifiedList(), (std::vector<JTSetItem*>{item}));
    ASSERT_EQ(countEvents_.size(), 1u);
    EXPECT_EQ(countEvents_[0], (std::pair<JTSetItem*, bool>{item, true}));
    EXPECT_EQ(catalogue_->SelectedItem(), nullptr);
    EXPECT_TRUE(catalogue_->Page(0)->EntryChecked(item));

    // Reported modified again: still listed once.
    catalogue_->ItemChange(item, true);
    EXPECT_EQ(catalogue_->ModifiedCount(), 1);
    EXPECT_EQ(countEvents_.size(), 2u);

    JTckSetItem* other = Check(1, 0);
    catalogue_->ItemChange(other, true);
    EXPECT_EQ(catalogue_->ModifiedList(), (std::vector<JTSetItem*>{item, other}));

    // Clicking back removes it.
    ::SendMessageA(item->Row()->Box(), BM_CLICK, 0, 0);
    EXPECT_FALSE(item->IsModified());
    EXPECT_EQ(catalogue_->ModifiedList(), (std::vector<JTSetItem*>{other}));
    EXPECT_FALSE(catalogue_->Page(0)->EntryChecked(item));
    EXPECT_EQ(countEvents_.back(), (std::pair<JTSetItem*, bool>{item, false}));

    catalogue_->ItemChange(nullptr, true);
    EXPECT_EQ(catalogue_->ModifiedCount(), 1);
}

TEST_F(CatalogueBehaviour, CompactListMouseDownKeepsTheEntryFlagOnTheModifiedList)
{
    Load(false);
    JTSetKind* page = catalogue_->Page(0);
    JTSetItem* item = Check(0, 1);
    catalogue_->CompactMouseDown(*page, item->ListEntry());
    EXPECT_FALSE(page->EntryChecked(item));
    catalogue_->ItemChange(item, true);
    catalogue_->CompactMouseDown(*page, item->ListEntry());
    EXPECT_TRUE(page->EntryChecked(item));
}

TEST_F(CatalogueBehaviour, DetailsGoIntoTheMemo)
{
    Load(true);
    JTckSetItem* item = Check(0, 0);
    EXPECT_EQ(JTRegSettings::DetailsText(*item), "Setting:Show hidden files\nShows the files marked hidden.");
    catalogue_->ItemDetails(item);
    EXPECT_EQ(host_.MemoText(), "Setting:Show hidden files\r\nShows the files marked hidden.");
    // A right click on the row asks for them too.
    ::SetWindowTextA(host_.Memo(), "");
    ::SendMessageA(Check(0, 1)->Row()->Box(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3));
    EXPECT_EQ(host_.MemoText(), "Setting:Show extensions\r\nShows every extension.");
    // So does moving the pointer over a row.
    ::SendMessageA(Check(0, 0)->Row()->Box(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(host_.MemoText(), "Setting:Show hidden files\r\nShows the files marked hidden.");
}

TEST_F(CatalogueBehaviour, CompactSelectionMovesTheRowIntoTheEditorPanel)
{
    Load(false);
    JTSetKind* page = catalogue_->Page(0);
    JTckSetItem* first = Check(0, 0);
    JTckSetItem* second = Check(0, 1);
    // Compact view: no row has a window until one is needed.
    EXPECT_EQ(first->Row()->Handle(), nullptr);
    const int homeTop = first->Row()->Top();

    ListView_SetItemState(page->CompactList(), first->ListEntry(), LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(catalogue_->ShownItem(), first);
    ASSERT_NE(first->Row()->Handle(), nullptr);
    EXPECT_EQ(::GetParent(first->Row()->Handle()), host_.Editor());
    EXPECT_EQ(first->Row()->Left(), 2);
    EXPECT_EQ(first->Row()->Top(), 2);
    EXPECT_TRUE(::IsWindowVisible(first->Row()->Handle()));
    EXPECT_EQ(host_.MemoText(), "Setting:Show hidden files\r\nShows the files marked hidden.");

    ListView_SetItemState(page->CompactList(), second->ListEntry(), LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(catalogue_->ShownItem(), second);
    EXPECT_EQ(::GetParent(second->Row()->Handle()), host_.Editor());
    // The first row is back in its area, where it stood.
    EXPECT_EQ(::GetParent(first->Row()->Handle()), page->CheckArea()->Area());
    EXPECT_EQ(first->Row()->Top(), homeTop);

    // Re-arranging keeps the shown row in the editor; switching to the expanded view puts it home.
    catalogue_->ArrangeAll();
    EXPECT_EQ(::GetParent(second->Row()->Handle()), host_.Editor());
    catalogue_->DisplaySettings().ExpandItems = true;
    catalogue_->ArrangeAll();
    EXPECT_EQ(catalogue_->ShownItem(), nullptr);
    EXPECT_EQ(::GetParent(second->Row()->Handle()), page->CheckArea()->Area());
}

TEST_F(CatalogueBehaviour, CompactSelectionWithoutEditorPanelOnlyShowsDetails)
{
    catalogue_ = MakeCatalogue(files_, host_, false);
    catalogue_->SetEditorPanel(nullptr);
    ASSERT_TRUE(catalogue_->LoadAll());
    JTckSetItem* item = Check(0, 1);
    catalogue_->CompactSelect(item);
    EXPECT_EQ(catalogue_->ShownItem(), nullptr);
    EXPECT_EQ(item->Row()->Handle(), nullptr);
    EXPECT_EQ(host_.MemoText(), "Setting:Show extensions\r\nShows every extension.");
}

TEST_F(CatalogueBehaviour, GoToItemRefusesItemsOutsideTheCatalogue)
{
    Load(true);
    EXPECT_FALSE(catalogue_->GoToItem(nullptr));
    JTckSetItem stranger;
    stranger.SetKindIndex(0);
    EXPECT_FALSE(catalogue_->GoToItem(&stranger));
    JTckSetItem* item = Check(1, 0);
    item->SetKindIndex(2);
    EXPECT_FALSE(catalogue_->GoToItem(item));
    item->SetKindIndex(-1);
    EXPECT_FALSE(catalogue_->GoToItem(item));
    item->SetKindIndex(1);
    EXPECT_TRUE(kindEvents_.empty());
    EXPECT_FALSE(catalogue_->FlashTimerRunning());
    EXPECT_EQ(catalogue_->PageControl()->ActivePageIndex(), 0);
}

TEST_F(CatalogueBehaviour, GoToItemInTheCompactViewSelectsTheEntry)
{
    Load(false);
    JTedSetItem* item = Edit(1, 0);
    ASSERT_TRUE(catalogue_->GoToItem(item));
    EXPECT_EQ(kindEvents_, (std::vector<JTSetItem*>{item}));
    EXPECT_EQ(catalogue_->PageControl()->ActivePageIndex(), 1);
    HWND list = catalogue_->Page(1)->CompactList();
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), item->ListEntry());
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_FOCUSED), item->ListEntry());
    EXPECT_EQ(::GetFocus(), list);
    // The selection put the item's control into the editor panel.
    EXPECT_EQ(catalogue_->ShownItem(), item);
    EXPECT_FALSE(catalogue_->FlashTimerRunning());

    // Back to an entry that is still selected on its page: the editor follows all the same.
    JTckSetItem* first = Check(0, 0);
    ASSERT_TRUE(catalogue_->GoToItem(first));
    EXPECT_EQ(catalogue_->ShownItem(), first);
    ASSERT_TRUE(catalogue_->GoToItem(item));
    EXPECT_EQ(catalogue_->ShownItem(), item);
    ASSERT_TRUE(catalogue_->GoToItem(first));
    EXPECT_EQ(catalogue_->ShownItem(), first);
    EXPECT_EQ(::GetParent(first->Row()->Handle()), host_.Editor());
    EXPECT_EQ(::GetParent(item->Panel()->Handle()), catalogue_->Page(1)->EditArea()->Area());
    EXPECT_EQ(host_.MemoText(), "Setting:Show hidden files\r\nShows the files marked hidden.");
}

TEST_F(CatalogueBehaviour, GoToItemFlashesTheRowSixTimesAndEndsOnTheBackground)
{
    Load(true);
    const Colour back = 0x00C0D0E0;
    catalogue_->DisplaySettings().TWeakBackColor = back;
    catalogue_->ApplyColors();
    JTckSetItem* item = Check(1, 0);
    EXPECT_EQ(item->Row()->Handle(), nullptr);  // its page has not been shown yet

    ASSERT_TRUE(catalogue_->GoToItem(item));
    EXPECT_EQ(catalogue_->PageControl()->ActivePageIndex(), 1);
    EXPECT_NE(item->Row()->Handle(), nullptr);
    EXPECT_EQ(catalogue_->FlashTarget(), item);
    EXPECT_EQ(catalogue_->FlashCounter(), 0);
    EXPECT_TRUE(catalogue_->FlashTimerRunning());

    const Colour highlight = 0x7FFFFFFFu - back;
    std::vector<Colour> seen;
    for (int tick = 0; tick < 12; ++tick) {
        catalogue_->FlashTick();
        seen.push_back(item->Row()->BackColour());
        EXPECT_TRUE(catalogue_->FlashTimerRunning());
    }
    const std::vector<Colour> expected = {highlight, back, highlight, back, highlight, back,
                                          highlight, back, highlight, back, highlight, back};
    EXPECT_EQ(seen, expected);
    catalogue_->FlashTick();
    EXPECT_FALSE(catalogue_->FlashTimerRunning());
    EXPECT_EQ(item->Row()->BackColour(), back);
}

TEST_F(CatalogueBehaviour, ANewFlashRestoresTheRowOfTheOldOne)
{
    Load(true);
    // The default background is a system colour: the highlight is its resolved complement,
    // a plain colour, never the black of a system colour index that does not exist.
    const Colour back = catalogue_->DisplaySettings().TWeakBackColor;
    ASSERT_TRUE(ui::IsSystemColour(back));
    const Colour highlight = 0x7FFFFFFFu - ui::ResolveColour(back);
    JTckSetItem* first = Check(0, 0);
    JTckSetItem* second = Check(0, 1);
    ASSERT_TRUE(catalogue_->GoToItem(first));
    catalogue_->FlashTick();
    EXPECT_EQ(first->Row()->BackColour(), highlight);
    EXPECT_FALSE(ui::IsSystemColour(first->Row()->BackColour()));
    EXPECT_EQ(ui::ResolveColour(first->Row()->BackColour()), 0xFFFFFFu - ui::ResolveColour(back));
    ASSERT_TRUE(catalogue_->GoToItem(second));
    EXPECT_EQ(first->Row()->BackColour(), back);
    EXPECT_EQ(catalogue_->FlashTarget(), second);
    EXPECT_EQ(catalogue_->FlashCounter(), 0);
    catalogue_->FlashTick();
    EXPECT_EQ(second->Row()->BackColour(), highlight);
    EXPECT_EQ(first->Row()->BackColour(), back);
}

TEST_F(CatalogueBehaviour, GoToItemScrollsTheRowIntoView)
{
    CatalogueFiles files;
    files.kinds = {"Long"};
    for (int i = 0; i < 60; ++i)
        files.ckRows.push_back({0, "Row " + std::to_string(i), "", "V" + std::to_string(i)});
    files.Write();
    catalogue_ = MakeCatalogue(files, host_, true);
    ASSERT_TRUE(catalogue_->LoadAll());
    JTSetKind* page = catalogue_->Page(0);
    ui::ScrollBox* area = page->CheckArea();
    ASSERT_TRUE(area->VertBarShown());
    EXPECT_EQ(area->ScrollY(), 0);
    JTSetItem* last = page->CkItems().back().get();
    ASSERT_TRUE(catalogue_->GoToItem(last));
    JTRowControl* row = last->GetControl();
    EXPECT_EQ(area->ScrollY(), row->Top() + row->Height() - area->ViewHeight());
    RECT rowRect, viewRect;
    ::GetWindowRect(row->Handle(), &rowRect);
    ::GetWindowRect(::GetParent(area->Area()), &viewRect);
    EXPECT_LE(rowRect.bottom, viewRect.bottom);
    EXPECT_GE(rowRect.top, viewRect.top);
}

TEST_F(CatalogueBehaviour, RefreshAllRereadsAndDropsRowsNoLongerModified)
{
    Load(true);
    JTckSetItem* item = Check(0, 0);
    EXPECT_FALSE(item->IsChecked());
    ::SendMessageA(item->Row()->Box(), BM_CLICK, 0, 0);
    ASSERT_EQ(catalogue_->ModifiedCount(), 1);
    // Someone else switches the tweak on.
    SetDword("Items", "Hidden", 1);
    ASSERT_TRUE(catalogue_->RefreshAll());
    EXPECT_TRUE(item->RegistryState());
    EXPECT_TRUE(item->IsChecked());
    EXPECT_FALSE(item->IsModified());
    EXPECT_EQ(catalogue_->ModifiedCount(), 0);
    EXPECT_EQ(countEvents_.back(), (std::pair<JTSetItem*, bool>{item, false}));

    SetString("Items", "Group", "HOME");
    EXPECT_TRUE(catalogue_->ReadAllValues());
    EXPECT_EQ(Edit(1, 0)->CurrentValue(), "HOME");
}

TEST_F(CatalogueBehaviour, ApplyAllWritesEveryModifiedItemAndEmptiesTheList)
{
    Load(true);
    JTckSetItem* a = Check(0, 0);
    JTckSetItem* b = Check(1, 0);
    // Values must exist: the items may not create them.
    SetDword("Items", "Hidden", 0);
    SetDword("Items", "Share", 0);
    ASSERT_TRUE(catalogue_->RefreshAll());
    ::SendMessageA(a->Row()->Box(), BM_CLICK, 0, 0);
    catalogue_->GoToItem(b);
    ::SendMessageA(b->Row()->Box(), BM_CLICK, 0, 0);
    ASSERT_EQ(catalogue_->ModifiedCount(), 2);
    ASSERT_TRUE(catalogue_->ApplyAll());
    EXPECT_EQ(catalogue_->ModifiedCount(), 0);
    DWORD value = 7;
    EXPECT_TRUE(GetDword("Items", "Hidden", value));
    EXPECT_EQ(value, 1u);
    EXPECT_TRUE(GetDword("Items", "Share", value));
    EXPECT_EQ(value, 1u);
}

TEST_F(CatalogueBehaviour, ApplyAllReportsARefusedWriteAndStillEmptiesTheList)
{
    Load(true);
    JTckSetItem* item = Check(0, 0);
    // The value is missing and the item may not create it: the write is refused.
    ::SendMessageA(item->Row()->Box(), BM_CLICK, 0, 0);
    ASSERT_EQ(catalogue_->ModifiedCount(), 1);
    EXPECT_FALSE(catalogue_->ApplyAll());
    EXPECT_EQ(catalogue_->ModifiedCount(), 0);
    DWORD value = 7;
    EXPECT_FALSE(GetDword("Items", "Hidden", value));
}

TEST_F(CatalogueBehaviour, ApplyAllTakesAnItemOffTheListEvenWhenItsWriteRaises)
{
    CatalogueFiles files;
    files.kinds = {"Numbers"};
    files.edRows = {{0, "Bad", "", "Bad", "Items", 1, "5"}, {0, "Good", "", "Good", "Items", 1, "6"}};
    files.Write();
    SetDword("Items", "Bad", 1);
    SetDword("Items", "Good", 1);
    catalogue_ = MakeCatalogue(files, host_, true);
    ASSERT_TRUE(catalogue_->LoadAll());
    JTedSetItem* bad = Edit(0, 0);
    JTedSetItem* good = Edit(0, 1);
    bad->SetValue("twelve");
    good->SetValue("7");
    ASSERT_EQ(catalogue_->ModifiedCount(), 2);

    EXPECT_THROW(catalogue_->ApplyAll(), ConversionError);
    EXPECT_EQ(catalogue_->ModifiedList(), (std::vector<JTSetItem*>{good}));
    // The next run is not stuck on the item that raised.
    EXPECT_TRUE(catalogue_->ApplyAll());
    EXPECT_EQ(catalogue_->ModifiedCount(), 0);
    DWORD value = 0;
    EXPECT_TRUE(GetDword("Items", "Good", value));
    EXPECT_EQ(value, 7u);
}

TEST_F(CatalogueBehaviour, ApplyColorsGivesModifiedItemsTheModifiedColour)
{
    Load(true);
    JTckSetItem* item = Check(0, 1);
    ::SendMessageA(item->Row()->Box(), BM_CLICK, 0, 0);
    catalogue_->DisplaySettings().ModTWeakColor = 0x0000FF;
    catalogue_->DisplaySettings().NorTWeakColor = 0x101010;
    catalogue_->DisplaySettings().TWeakBackColor = 0x00FFFFFF;
    catalogue_->ApplyColors();
    EXPECT_EQ(item->Row()->TextColour(), 0x0000FFu);
    EXPECT_EQ(Check(0, 0)->Row()->TextColour(), 0x101010u);
    EXPECT_EQ(Check(0, 0)->Row()->BackColour(), 0xFFFFFFu);
    EXPECT_EQ(catalogue_->Page(0)->CheckArea()->BackColour(), 0xFFFFFFu);
    EXPECT_EQ(catalogue_->Page(0)->SplitterBar()->BackColour(), 0xFFFFFFu);
}

TEST_F(CatalogueBehaviour, TabsCanBeHiddenAndShownAgain)
{
    Load(false);
    ui::PageControl* control = catalogue_->PageControl();
    catalogue_->PageControl()->SetActivePageIndex(1);
    catalogue_->SetTabsVisible(false);
    EXPECT_EQ(control->TabCount(), 0);
    EXPECT_FALSE(::IsWindowVisible(control->Tabs()));
    // The active page fills the control.
    RECT client;
    ::GetClientRect(control->Handle(), &client);
    EXPECT_EQ(catalogue_->Page(1)->ClientHeight(), client.bottom);
    EXPECT_TRUE(::IsWindowVisible(catalogue_->Page(1)->Handle()));
    catalogue_->SetTabsVisible(true);
    EXPECT_EQ(control->TabCount(), 2);
    EXPECT_EQ(TabCtrl_GetCurSel(control->Tabs()), 1);
    EXPECT_LT(catalogue_->Page(1)->ClientHeight(), client.bottom);
}

TEST_F(CatalogueBehaviour, TearingDownWithARowInTheEditorLeavesThePanelEmpty)
{
    Load(false);
    JTSetItem* item = Check(0, 0);
    catalogue_->CompactSelect(item);
    ASSERT_NE(::GetWindow(host_.Editor(), GW_CHILD), nullptr);
    catalogue_.reset();
    EXPECT_EQ(::GetWindow(host_.Editor(), GW_CHILD), nullptr);
    EXPECT_EQ(::GetWindow(host_.PageParent(), GW_CHILD), nullptr);
}

TEST(CatalogueRecordTable, CreatesAnEmptyFileWithTheNineColumnsInOrder)
{
    TempFolder folder;
    JTRegSettings catalogue;
    const std::string path = folder.File("KeltRecord20240101.rwr");
    catalogue.SetRecordFileName(path);
    EXPECT_EQ(catalogue.RecordFileName(), path);
    EXPECT_FALSE(catalogue.RecordTableReady());
    ASSERT_EQ(catalogue.CreateRecordTable(), 1);
    EXPECT_TRUE(catalogue.RecordTableReady());
    ASSERT_NE(catalogue.RecordTable(), nullptr);
    EXPECT_TRUE(catalogue.RecordTable()->Active());
    EXPECT_EQ(catalogue.RecordTable()->RecordCount(), 0);

    // What the file holds, read back through the engine.
    TXdbTable file;
    file.LoadFromFile(path);
    EXPECT_EQ(file.RecordCount(), 0);
    const std::vector<std::pair<std::string, TXdbFieldType>> expected = {
        {"sDescribe", xftMemo}, {"sDefaultVal", xftMemo}, {"bAutoCreate", xftBoolean},
        {"iRegRoot", xftInteger}, {"sSubKey", xftMemo}, {"sDataName", xftMemo},
        {"iRegType", xftInteger}, {"sOldVal", xftBlob}, {"sNewVal", xftBlob}};
    ASSERT_EQ(file.FieldCount(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(file.Fields(i).FieldName(), expected[static_cast<std::size_t>(i)].first);
        EXPECT_EQ(file.Fields(i).XdbType(), expected[static_cast<std::size_t>(i)].second);
    }

    // The open table takes rows; creating again replaces the file with an empty one.
    TXdbTable& table = *catalogue.RecordTable();
    table.Append();
    table.FieldByName("sDescribe").SetAsString("x");
    table.Post();
    table.SaveToFile(path);
    TXdbTable one;
    one.LoadFromFile(path);
    EXPECT_EQ(one.RecordCount(), 1);
    ASSERT_EQ(catalogue.CreateRecordTable(), 1);
    TXdbTable again;
    again.LoadFromFile(path);
    EXPECT_EQ(again.RecordCount(), 0);
}

TEST(CatalogueRecordTable, AnUnwritablePathRaisesAndLeavesTheTableNotReady)
{
    JTRegSettings catalogue;
    catalogue.SetRecordFileName("Z:\\no\\such\\folder\\at\\all\\x.rwr");
    EXPECT_THROW(catalogue.CreateRecordTable(), Error);
    EXPECT_FALSE(catalogue.RecordTableReady());
}
