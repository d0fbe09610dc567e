// One page: area sharing, row layout, the compact list's drawing and the kind pictures.
#include <gtest/gtest.h>

#include <cstring>

#include "catalogue/ck_set_item.h"
#include "catalogue/ed_set_item.h"
#include "tests/windows/catalogue/catalogue_fixture.h"
#include "ui/bitmap.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

// A bitmap file: 24 bits, `width` x `height`, every pixel `colour` (0xRRGGBB), the top-left one
// `corner`.
std::string BitmapFile(int width, int height, COLORREF colour, COLORREF corner)
{
    const int stride = (width * 3 + 3) & ~3;
    std::string bytes(54 + static_cast<std::size_t>(stride * height), '\0');
    auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&bytes[at], &v, 4); };
    auto put16 = [&](std::size_t at, std::uint16_t v) { std::memcpy(&bytes[at], &v, 2); };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    put16(26, 1);
    put16(28, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // Rows are stored bottom-up.
            const COLORREF c = (x == 0 && y == height - 1) ? corner : colour;
            const std::size_t at = 54 + static_cast<std::size_t>(y * stride + x * 3);
            bytes[at] = static_cast<char>(GetBValue(c));
            bytes[at + 1] = static_cast<char>(GetGValue(c));
            bytes[at + 2] = static_cast<char>(GetRValue(c));
        }
    return bytes;
}

bool HasVisibleStyle(HWND hwnd)
{
    return (::GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y)
{
    ui::WindowDC screen(nullptr);
    ui::MemoryDC memory(screen.get());
    ui::SelectedObject selected(memory.get(), bitmap);
    return ::GetPixel(memory.get(), x, y);
}

} // namespace

TEST(CataloguePage, AreasShareTheHeightWithEditRowsWeighingThree)
{
    CatalogueFiles files;
    files.kinds = {"Mixed", "Checks only", "Edits only"};
    for (int i = 0; i < 10; ++i)
        files.ckRows.push_back({0, "Check " + std::to_string(i), "", "C" + std::to_string(i)});
    files.ckRows.push_back({1, "Lonely check"});
    files.edRows = {{0, "Edit A", "", "EA"}, {0, "Edit B", "", "EB"}, {2, "Edit C", "", "EC"}};
    files.Write();
    HostWindow host;
    auto catalogue = MakeCatalogue(files, host, true);
    ASSERT_TRUE(catalogue->LoadAll());

    JTSetKind* mixed = catalogue->Page(0);
    const int usable = mixed->ClientHeight() - JTSetKind::kSplitterHeight;
    ASSERT_GT(usable, 100);
    EXPECT_EQ(mixed->EditArea()->Height(), usable * 6 / 16);
    EXPECT_EQ(mixed->CheckArea()->Height(), usable - usable * 6 / 16);
    EXPECT_EQ(mixed->SplitterBar()->Thickness(), 8);

    // Resizing the page shares again.
    ::SetWindowPos(host.PageParent(), nullptr, 0, 0, 500, 300, SWP_NOZORDER | SWP_NOMOVE);
    const int smaller = mixed->ClientHeight() - 8;
    EXPECT_EQ(mixed->EditArea()->Height(), smaller * 6 / 16);

    catalogue->PageControl()->SetActivePageIndex(1);
    EXPECT_EQ(catalogue->Page(1)->EditArea()->Height(), 0);
    catalogue->PageControl()->SetActivePageIndex(2);
    EXPECT_EQ(catalogue->Page(2)->CheckArea()->Height(), 0);

    // The compact view leaves the areas alone.
    catalogue->DisplaySettings().ExpandItems = false;
    EXPECT_FALSE(mixed->AdjustAreas());
}

TEST(CataloguePage, RowsStackWithTheRowGapAndTheScrollStepsFollowTheRowHeights)
{
    CatalogueFiles files;
    files.kinds = {"Only"};
    files.ckRows = {{0, "First", "", "A"}, {0, "Second", "", "B"}, {0, "Third", "", "C"}};
    files.edRows = {{0, "Edit one", "", "E1"}, {0, "Edit two", "", "E2"}};
    files.Write();
    for (int space : {0, 6}) {
        SCOPED_TRACE(space);
        HostWindow host;
        auto catalogue = MakeCatalogue(files, host, true);
        catalogue->DisplaySettings().TWeakSpace = space;
        ASSERT_TRUE(catalogue->LoadAll());
        JTSetKind* page = catalogue->Page(0);
        int top = space;
        for (const auto& item : page->CkItems()) {
            JTRowControl* row = item->GetControl();
            EXPECT_EQ(row->Top(), top);
            EXPECT_EQ(row->Left(), 0);
            ASSERT_NE(row->Handle(), nullptr);
            EXPECT_EQ(::GetParent(row->Handle()), page->CheckArea()->Area());
            RECT r;
            ::GetWindowRect(row->Handle(), &r);
            ::MapWindowPoints(nullptr, page->CheckArea()->Area(), reinterpret_cast<POINT*>(&r), 2);
            EXPECT_EQ(r.top, top);
            top += row->Height() + space;
        }
        top = space;
        for (const auto& item : page->EdItems()) {
            EXPECT_EQ(item->GetControl()->Top(), top);
            EXPECT_EQ(::GetParent(item->GetControl()->Handle()), page->EditArea()->Area());
            top += item->GetControl()->Height() + space;
        }
        EXPECT_EQ(page->CheckArea()->WheelStep(), 22);
        EXPECT_EQ(page->EditArea()->WheelStep(), 52);
        EXPECT_EQ(page->CheckArea()->HorzIncrement(), 52);
        EXPECT_EQ(page->EditArea()->HorzIncrement(), 52);
        EXPECT_EQ(page->CheckArea()->BarSize(), 15);
    }
}

TEST(CataloguePage, CompactListHasTheSettingsAndStateColumnsAndOnlyTheListShows)
{
    CatalogueFiles files;
    files.kinds = {"Only"};
    files.ckRows = {{0, "First", "", "A"}};
    files.Write();
    HostWindow host;
    auto catalogue = MakeCatalogue(files, host, false);
    ASSERT_TRUE(catalogue->LoadAll());
    JTSetKind* page = catalogue->Page(0);
    HWND list = page->CompactList();
    const LONG style = ::GetWindowLongA(list, GWL_STYLE);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(style & LVS_OWNERDRAWFIXED);
    EXPECT_TRUE(style & LVS_SHOWSELALWAYS);
    EXPECT_TRUE(style & LVS_NOSORTHEADER);
    EXPECT_FALSE(style & LVS_EDITLABELS);
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(list) & LVS_EX_FULLROWSELECT);
    // The State column keeps its width; the descriptions take what is left, up to 600.
    RECT client{};
    ::GetClientRect(list, &client);
    EXPECT_EQ(ListView_GetColumnWidth(list, 1), 210);
    EXPECT_LE(ListView_GetColumnWidth(list, 0) + ListView_GetColumnWidth(list, 1), client.right);
    EXPECT_GT(ListView_GetColumnWidth(list, 0), 240);
    char text[32] = {};
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT;
    column.pszText = text;
    column.cchTextMax = sizeof text;
    ASSERT_TRUE(::SendMessageA(list, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(text, "Settings");
    ASSERT_TRUE(::SendMessageA(list, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(text, "State");
    EXPECT_FALSE(::SendMessageA(list, LVM_GETCOLUMNA, 2, reinterpret_cast<LPARAM>(&column)));
    EXPECT_TRUE(HasVisibleStyle(list));
    EXPECT_FALSE(page->CheckArea()->IsVisible());
    EXPECT_FALSE(page->EditArea()->IsVisible());
    EXPECT_FALSE(page->SplitterBar()->IsVisible());
    // Nothing has needed the row's window yet.
    EXPECT_EQ(page->CkItems()[0]->GetControl()->Handle(), nullptr);
}

TEST(CataloguePage, DrawEntryUsesTheStatePicturesAndColours)
{
    RemoveTestRoot();
    CatalogueFiles files;
    files.kinds = {"Only"};
    files.ckRows = {{0, "Check", "", "A"}};
    files.edRows = {{0, "Edit", "", "E"}};
    files.Write();
    HostWindow host;
    auto catalogue = MakeCatalogue(files, host, false);
    catalogue->DisplaySettings().NorTWeakColor = 0x00112233;
    catalogue->DisplaySettings().ModTWeakColor = 0x000000FF;
    ASSERT_TRUE(catalogue->LoadAll());
    JTSetKind* page = catalogue->Page(0);
    auto* check = static_cast<JTckSetItem*>(page->CkItems()[0].get());
    JTSetItem* edit = page->EdItems()[0].get();

    ui::WindowDC screen(nullptr);
    ui::MemoryDC dc(screen.get());
    ui::UniqueBitmap canvas(::CreateCompatibleBitmap(screen.get(), 200, 20));
    ui::SelectedObject selected(dc.get(), canvas.get());

    auto draw = [&](JTSetItem* item, bool focused) {
        DRAWITEMSTRUCT d{};
        d.CtlType = ODT_LISTVIEW;
        d.itemID = static_cast<UINT>(item->ListEntry());
        d.itemState = focused ? (ODS_FOCUS | ODS_SELECTED) : 0;
        d.hwndItem = page->CompactList();
        d.hDC = dc.get();
        d.rcItem = {0, 0, 200, 18};
        page->DrawEntry(d);
    };
    auto picture = [&](JTRegSettings::StatePictureId id) { return PixelOf(catalogue->StatePicture(id), 8, 8); };

    draw(check, false);
    EXPECT_EQ(::GetPixel(dc.get(), 8, 8), picture(JTRegSettings::spNorTick));
    EXPECT_EQ(::GetPixel(dc.get(), 190, 10), RGB(255, 255, 255));
    draw(check, true);
    EXPECT_EQ(::GetPixel(dc.get(), 190, 10), ::GetSysColor(COLOR_ACTIVECAPTION));
    draw(edit, false);
    EXPECT_EQ(::GetPixel(dc.get(), 8, 8), picture(JTRegSettings::spNorEdit));

    check->SetChecked(!check->IsChecked());
    ASSERT_TRUE(check->IsModified());
    draw(check, false);
    EXPECT_EQ(::GetPixel(dc.get(), 8, 8), picture(JTRegSettings::spModTick));
    auto* editItem = static_cast<JTedSetItem*>(edit);
    editItem->SetValue("changed");
    ASSERT_TRUE(edit->IsModified());
    draw(edit, true);
    EXPECT_EQ(::GetPixel(dc.get(), 8, 8), picture(JTRegSettings::spModEdit));

    // The four pictures differ from each other.
    EXPECT_NE(picture(JTRegSettings::spNorTick), picture(JTRegSettings::spModTick));

    // Text colours: count pixels of the expected colour right of the picture.
    auto textPixels = [&](COLORREF colour) {
        int count = 0;
        for (int x = 17; x < 120; ++x)
            for (int y = 0; y < 18; ++y)
                if (::GetPixel(dc.get(), x, y) == colour)
                    ++count;
        return count;
    };
    check->SetChecked(!check->IsChecked());
    draw(check, false);
    EXPECT_GT(textPixels(RGB(0x33, 0x22, 0x11)), 0);
    draw(check, true);
    EXPECT_GT(textPixels(RGB(255, 255, 255)), 0);
    EXPECT_EQ(textPixels(RGB(0x33, 0x22, 0x11)), 0);
    check->SetChecked(!check->IsChecked());
    draw(check, true);
    EXPECT_GT(textPixels(RGB(255, 0, 0)), 0);
    RemoveTestRoot();
}

TEST(CataloguePage, TheStateColumnShowsWhatEachTweakIsSetToAndFollowsIt)
{
    RemoveTestRoot();
    FamilyScope family(2);
    CatalogueFiles files;
    files.kinds = {"Only"};
    files.ckRows = {{0, "Check on", "", "On"}, {0, "Check off", "", "Off"}};
    CkRow other{0, "Other Windows", "", "Other"};
    other.os = 1;
    files.ckRows.push_back(other);
    EdRow text{0, "Text", "", "Text"}, number{0, "Number", "", "Number"}, bytes{0, "Bytes", "", "Bytes"},
        missing{0, "Missing", "", "Missing"};
    number.type = 1;
    bytes.type = 2;
    files.edRows = {text, number, bytes, missing};
    files.Write();
    SetDword("Items", "On", 1);
    SetDword("Items", "Off", 0);
    SetDword("Items", "Other", 1);
    SetString("Items", "Text", "hello");
    SetDword("Items", "Number", 0xFFFFFFFFu);
    ::RegSetKeyValueA(HKEY_CURRENT_USER, (std::string(kTestRoot) + "\\Items").c_str(), "Bytes", REG_BINARY,
                      "\x01\xFF\x10", 3);
    HostWindow host;
    auto catalogue = MakeCatalogue(files, host, false);
    ASSERT_TRUE(catalogue->LoadAll());
    JTSetKind* page = catalogue->Page(0);
    HWND list = page->CompactList();
    // The column as the list control gives it out.
    auto states = [&] {
        std::vector<std::string> shown;
        for (int entry = 0; entry < page->ListCount(); ++entry) {
            char cell[64] = {};
            ListView_GetItemText(list, entry, 1, cell, sizeof cell);
            shown.push_back(cell);
        }
        return shown;
    };
    EXPECT_EQ(states(), (std::vector<std::string>{"On", "Off", "(not for this Windows)", "hello", "-1", "01 FF 10",
                                                  "(not set)"}));

    // A change shows before it is applied; a value changed outside shows after a refresh.
    auto* off = static_cast<JTckSetItem*>(page->CkItems()[1].get());
    off->SetChecked(true);
    catalogue->ItemChange(off, true);
    static_cast<JTedSetItem*>(page->EdItems()[3].get())->SetValue("typed");
    SetString("Items", "Text", "changed outside");
    catalogue->RefreshAll(true);
    EXPECT_EQ(states(), (std::vector<std::string>{"On", "On", "(not for this Windows)", "changed outside", "-1",
                                                  "01 FF 10", "typed"}));

    // The entry draws its state beside its description.
    ui::WindowDC screen(nullptr);
    ui::MemoryDC dc(screen.get());
    ui::UniqueBitmap canvas(::CreateCompatibleBitmap(screen.get(), 800, 20));
    ui::SelectedObject selected(dc.get(), canvas.get());
    DRAWITEMSTRUCT d{};
    d.CtlType = ODT_LISTVIEW;
    d.itemID = 3;
    d.hwndItem = list;
    d.hDC = dc.get();
    d.rcItem = {0, 0, 800, 18};
    page->DrawEntry(d);
    int ink = 0;
    for (int x = ListView_GetColumnWidth(list, 0); x < 800; ++x)
        for (int y = 0; y < 18; ++y)
            if (::GetPixel(dc.get(), x, y) != RGB(255, 255, 255))
                ++ink;
    EXPECT_GT(ink, 20);
    RemoveTestRoot();
}

TEST(CataloguePage, KindPicturesBecomeTabAndSideBarPictures)
{
    const COLORREF magenta = RGB(0x84, 0x82, 0x84);
    CatalogueFiles files;
    files.kinds = {"With picture", "Without", "Big picture"};
    files.glyphs = {BitmapFile(32, 32, RGB(0, 128, 0), RGB(255, 0, 0)), "", BitmapFile(64, 64, magenta, magenta)};
    files.Write();
    HostWindow host;
    MessageRecorder recorder;
    auto catalogue = MakeCatalogue(files, host, false);
    ASSERT_TRUE(catalogue->LoadAll());
    EXPECT_TRUE(recorder.Messages().empty());
    EXPECT_EQ(catalogue->Page(0)->ImageIndex(), 0);
    EXPECT_EQ(catalogue->Page(1)->ImageIndex(), -1);
    EXPECT_EQ(catalogue->Page(1)->Glyph(), nullptr);
    EXPECT_EQ(catalogue->Page(2)->ImageIndex(), 1);
    ASSERT_NE(catalogue->Page(0)->Glyph(), nullptr);
    EXPECT_EQ(PixelOf(catalogue->Page(0)->Glyph(), 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(catalogue->Page(0)->Glyph(), 5, 5), RGB(0, 128, 0));
    // One side-bar picture per kind with a picture, whatever its size.
    EXPECT_EQ(::ImageList_GetImageCount(catalogue->GlyphImages()), 2);
    EXPECT_EQ(::ImageList_GetImageCount(catalogue->TabImages()), 2);
    EXPECT_EQ(catalogue->PageControl()->ImageList(), catalogue->TabImages());

    // The tab pictures: green, and the transparent colour masked out.
    ui::WindowDC screen(nullptr);
    ui::MemoryDC dc(screen.get());
    ui::UniqueBitmap canvas(::CreateCompatibleBitmap(screen.get(), 16, 16));
    ui::SelectedObject selected(dc.get(), canvas.get());
    ui::UniqueBrush blue(::CreateSolidBrush(RGB(0, 0, 255)));
    const RECT all{0, 0, 16, 16};
    ::FillRect(dc.get(), &all, blue.get());
    ASSERT_TRUE(::ImageList_Draw(catalogue->TabImages(), 0, dc.get(), 0, 0, ILD_TRANSPARENT));
    EXPECT_EQ(::GetPixel(dc.get(), 8, 8), RGB(0, 128, 0));
    ::FillRect(dc.get(), &all, blue.get());
    ASSERT_TRUE(::ImageList_Draw(catalogue->TabImages(), 1, dc.get(), 0, 0, ILD_TRANSPARENT));
    EXPECT_EQ(::GetPixel(dc.get(), 8, 8), RGB(0, 0, 255));
}

TEST(CataloguePage, AGlyphThatIsNoBitmapFailsTheKinds)
{
    CatalogueFiles files;
    files.kinds = {"Broken"};
    files.glyphs = {"BM this is not a bitmap at all, only text that starts like one"};
    files.Write();
    HostWindow host;
    MessageRecorder recorder;
    auto catalogue = MakeCatalogue(files, host, false);
    EXPECT_FALSE(catalogue->LoadAll());
    ASSERT_EQ(recorder.Messages().size(), 1u);
    EXPECT_EQ(recorder.Messages()[0].text, "An error has been occured when reading data from database of catalogues!");
    EXPECT_EQ(catalogue->KindsState(), lsFailed);
}

TEST(CatalogueBitmap, TruncatedOrOddFilesAreRefused)
{
    const std::string good = BitmapFile(4, 4, RGB(1, 2, 3), RGB(1, 2, 3));
    ui::UniqueBitmap ok(ui::LoadBitmapFromBytes(good));
    EXPECT_NE(ok.get(), nullptr);
    EXPECT_EQ(ui::LoadBitmapFromBytes(std::string()), nullptr);
    EXPECT_THROW(ui::LoadBitmapFromBytes(good.substr(0, good.size() - 1)), Error);
    EXPECT_THROW(ui::LoadBitmapFromBytes(good.substr(0, 20)), Error);
    std::string zeroWidth = good;
    std::memset(&zeroWidth[18], 0, 4);
    EXPECT_THROW(ui::LoadBitmapFromBytes(zeroWidth), Error);
    std::string badDepth = good;
    badDepth[28] = 7;
    EXPECT_THROW(ui::LoadBitmapFromBytes(badDepth), Error);
    std::string huge = good;
    const std::uint32_t big = 100000;
    std::memcpy(&huge[22], &big, 4);
    EXPECT_THROW(ui::LoadBitmapFromBytes(huge), Error);

    // A bitmap resource holds the same bytes without the file header.
    ui::UniqueBitmap dib(ui::LoadBitmapFromDib(good.substr(14)));
    ASSERT_NE(dib.get(), nullptr);
    EXPECT_EQ(ui::BitmapSize(dib.get()).cx, 4);
    EXPECT_EQ(ui::BitmapSize(dib.get()).cy, 4);
    EXPECT_THROW(ui::LoadBitmapFromDib(good), Error);  // "BM" is no info header
    EXPECT_THROW(ui::LoadBitmapFromDib(good.substr(14, 30)), Error);
}
