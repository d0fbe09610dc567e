#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "catalogue/ed_set_item.h"
#include "catalogue/platform/int_text.h"
#include "catalogue/record.h"
#include "storage/xdb_table.h"
#include "tests/windows/edit_items/test_host.h"
#include "tests/windows/platform/test_key.h"
#include "ui/colour.h"
#include "ui/hint.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

const int kCurrentUser = static_cast<int>(0x80000001u);

std::unique_ptr<JTedSetItem> MakeItem(const TestKey& key, int type, const std::string& defaultValue,
                                      bool autoCreate = false, const std::string& subKey = "")
{
    auto item = std::make_unique<JTedSetItem>();
    item->sDescribe = "Edit item";
    item->iRegRoot = kCurrentUser;
    item->sSubKey = subKey.empty() ? key.Path() : key.Sub(subKey);
    item->sDataName = "Value";
    item->iRegType = type;
    item->sDefaultVal = defaultValue;
    item->bAutoCreate = autoCreate;
    item->OSType.SetMask(127);
    return item;
}

struct ChangeLog {
    std::vector<bool> changes;
    void Attach(JTedSetItem& item)
    {
        item.OnChange = [this](JTSetItem*, bool modified) { changes.push_back(modified); };
    }
};

class FamilyScope {
public:
    explicit FamilyScope(int family) : saved_(OSFamily) { OSFamily = family; }
    ~FamilyScope() { OSFamily = saved_; }

private:
    int saved_;
};

std::string Bytes(std::initializer_list<unsigned> values)
{
    std::string out;
    for (unsigned v : values)
        out += static_cast<char>(v);
    return out;
}

} // namespace

// ------------------------------------------------------------------ reading

TEST(EditItemRead, MissingKeyOrValueShowsTheDefaultUnmodified)
{
    TestKey key("ed-missing");
    auto item = MakeItem(key, 0, "fallback");
    ASSERT_TRUE(item->Initialize(false, true));
    EXPECT_EQ(item->CurrentValue(), "fallback");
    EXPECT_EQ(item->Panel()->Value(), "fallback");
    EXPECT_EQ(item->Panel()->EditText(), "fallback");
    EXPECT_FALSE(item->IsModified());

    RawSetString(key.Path(), "Other", "x");  // the key exists, the value does not
    ASSERT_TRUE(item->ReadValue());
    EXPECT_EQ(item->CurrentValue(), "fallback");
    EXPECT_FALSE(RawKeyExists(key.Sub("nothing")));
}

TEST(EditItemRead, ReadsEachTypeInItsTextForm)
{
    TestKey key("ed-types");
    RawSetDword(key.Path(), "Value", 0xFFFFFFFFu);
    auto dword = MakeItem(key, 1, "5");
    ASSERT_TRUE(dword->Initialize(false, true));
    EXPECT_EQ(dword->CurrentValue(), "-1");
    EXPECT_EQ(dword->Panel()->EditText(), "-1");
    EXPECT_FALSE(dword->IsModified());

    const std::string bytes = Bytes({0x00, 0x01, 0xFF, 0x10});
    RawSet(key.Sub("bin"), "Value", REG_BINARY, bytes.data(), 4);
    auto binary = MakeItem(key, 2, "", false, "bin");
    ASSERT_TRUE(binary->Initialize(false, true));
    EXPECT_EQ(binary->CurrentValue(), bytes);
    EXPECT_EQ(binary->Panel()->Value(), bytes);
    EXPECT_EQ(binary->Panel()->ValueType(), 2);

    // A binary value of 0 bytes leaves the default.
    RawSet(key.Sub("empty"), "Value", REG_BINARY, "", 0);
    auto empty = MakeItem(key, 2, Bytes({7}), false, "empty");
    ASSERT_TRUE(empty->ReadValue());
    EXPECT_EQ(empty->CurrentValue(), Bytes({7}));
}

TEST(EditItemRead, StoredTypeMismatchKeepsTheDefaultAndAnswersFalse)
{
    TestKey key("ed-mismatch");
    RawSetString(key.Path(), "Value", "%SystemRoot%", REG_EXPAND_SZ);
    auto item = MakeItem(key, 0, "default text");
    EXPECT_FALSE(item->Initialize(false, true));
    EXPECT_FALSE(item->ReadValue());
    EXPECT_EQ(item->CurrentValue(), "default text");
    // The row is built all the same by the catalogue.
    ASSERT_TRUE(item->BuildControl());
    EXPECT_EQ(item->Panel()->Value(), "default text");

    RawSetString(key.Sub("s"), "Value", "12");
    auto dword = MakeItem(key, 1, "3", false, "s");
    EXPECT_FALSE(dword->ReadValue());
    EXPECT_EQ(dword->CurrentValue(), "3");
}

// ------------------------------------------------------------------ writing

TEST(EditItemWrite, MissingValueIsCreatedOnlyWithAutoCreate)
{
    TestKey key("ed-create");
    auto refused = MakeItem(key, 0, "", false, "a\\b");
    ASSERT_TRUE(refused->Initialize(false, true));
    refused->Panel()->SetValue("typed");
    EXPECT_TRUE(refused->IsModified());
    EXPECT_FALSE(refused->WriteValue());
    EXPECT_FALSE(RawKeyExists(key.Sub("a")));

    // The key exists, the value does not: still refused.
    RawSetString(key.Sub("a\\b"), "Other", "x");
    EXPECT_FALSE(refused->WriteValue());
    DWORD type = 0;
    std::string data;
    EXPECT_FALSE(RawGet(key.Sub("a\\b"), "Value", type, data));

    auto created = MakeItem(key, 1, "0", true, "c\\d");
    ASSERT_TRUE(created->Initialize(false, true));
    created->Panel()->SetValue("-2");
    ASSERT_TRUE(created->WriteValue());
    ASSERT_TRUE(RawGet(key.Sub("c\\d"), "Value", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(data, std::string("\xFE\xFF\xFF\xFF", 4));
    // The current value changes only with the next read.
    EXPECT_EQ(created->CurrentValue(), "0");
    ASSERT_TRUE(created->ReadValue());
    EXPECT_EQ(created->CurrentValue(), "-2");
}

TEST(EditItemWrite, TheDefaultValueOfAnAutoCreateItemIsDeletedNotWritten)
{
    TestKey key("ed-default");
    for (bool autoCreate : {true, false}) {
        SCOPED_TRACE(autoCreate);
        RawSetDword(key.Path(), "Value", 30);
        auto item = MakeItem(key, 1, "20", autoCreate);
        ASSERT_TRUE(item->Initialize(false, true));
        item->Panel()->SetValue("20");
        ASSERT_TRUE(item->WriteValue());
        DWORD type = 0;
        std::string data;
        EXPECT_EQ(RawGet(key.Path(), "Value", type, data), !autoCreate);
        EXPECT_TRUE(RawKeyExists(key.Path()));
        ASSERT_TRUE(item->ReadValue());
        EXPECT_EQ(item->CurrentValue(), "20");
    }
}

TEST(EditItemWrite, WritesStringsAndBinaryBytesExactly)
{
    TestKey key("ed-write");
    RawSetString(key.Path(), "Value", "old");
    auto text = MakeItem(key, 0, "");
    ASSERT_TRUE(text->Initialize(false, true));
    text->Panel()->SetValue("New Text");
    ASSERT_TRUE(text->WriteValue());
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(RawGet(key.Path(), "Value", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, std::string("New Text\0", 9));

    const std::string bytes = Bytes({0x00, 0xFF, 0x00, 0x80, 0x7F});
    RawSet(key.Sub("b"), "Value", REG_BINARY, "\x01", 1);
    auto binary = MakeItem(key, 2, "", false, "b");
    ASSERT_TRUE(binary->Initialize(false, true));
    binary->Panel()->SetValue(bytes);
    ASSERT_TRUE(binary->WriteValue());
    ASSERT_TRUE(RawGet(key.Sub("b"), "Value", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(data, bytes);
}

TEST(EditItemWrite, RefusedWritesLeaveTheRegistryUnchanged)
{
    TestKey key("ed-refused");
    // Stored as an expandable string: a string item may not overwrite it.
    RawSetString(key.Path(), "Value", "%TEMP%", REG_EXPAND_SZ);
    auto item = MakeItem(key, 0, "d", true);
    item->Initialize(false, true);
    item->Panel()->SetValue("plain");
    EXPECT_FALSE(item->WriteValue());
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(RawGet(key.Path(), "Value", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(data, std::string("%TEMP%\0", 7));
}

TEST(EditItemWrite, DwordThatIsNoNumberRaisesAndWritesNothing)
{
    TestKey key("ed-nonumber");
    auto item = MakeItem(key, 1, "1", true, "new");
    ASSERT_TRUE(item->Initialize(false, true));
    for (const char* bad : {"-", "", "12x", "4294967295"}) {
        item->Panel()->SetValue(bad);
        EXPECT_THROW(item->WriteValue(), ConversionError) << bad;
    }
    // Not even the key was created.
    EXPECT_FALSE(RawKeyExists(key.Sub("new")));
}

TEST(EditItemWrite, ApplyRecordsOldNewAndDefaultThenWrites)
{
    TestKey key("ed-apply");
    RawSetDword(key.Path(), "Value", 10);
    auto item = MakeItem(key, 1, "3");
    ASSERT_TRUE(item->Initialize(false, true));
    item->Panel()->SetValue("20");
    JTRecord record;
    EXPECT_TRUE(item->Apply(&record));
    EXPECT_EQ(record.sOldVal, "10");
    EXPECT_EQ(record.sNewVal, "20");
    EXPECT_EQ(record.sDefaultVal, "3");
    EXPECT_EQ(record.sDataName, "Value");
    EXPECT_EQ(record.iRegType, 1);
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(RawGet(key.Path(), "Value", type, data));
    EXPECT_EQ(data, std::string("\x14\0\0\0", 4));

    // After the apply run's re-read and rebuild the row is unmodified.
    ChangeLog log;
    log.Attach(*item);
    ASSERT_TRUE(item->ReadValue());
    ASSERT_TRUE(item->BuildControl());
    EXPECT_FALSE(item->IsModified());
    EXPECT_EQ(item->Panel()->TextColour(), TRegSetOption().NorTWeakColor);
}

// ------------------------------------------------------------------ SetValue and the change check

TEST(EditItemSetValue, ColoursAndReportsAgainstTheCurrentValue)
{
    TestKey key("ed-setvalue");
    RawSetString(key.Path(), "Value", "now");
    TRegSetOption settings;
    settings.NorTWeakColor = RGB(0, 0, 200);
    settings.ModTWeakColor = RGB(200, 0, 0);
    auto item = MakeItem(key, 0, "");
    item->SetDisplaySettings(&settings);
    ChangeLog log;
    ASSERT_TRUE(item->Initialize(false, true));
    EXPECT_EQ(item->Panel()->TextColour(), settings.NorTWeakColor);
    log.Attach(*item);

    item->SetValue("other");
    EXPECT_EQ(item->Panel()->Value(), "other");
    EXPECT_EQ(item->Panel()->EditText(), "other");
    EXPECT_EQ(item->Panel()->TextColour(), settings.ModTWeakColor);
    EXPECT_TRUE(item->IsModified());
    ASSERT_EQ(log.changes, std::vector<bool>{true});

    item->SetValue("now");
    EXPECT_EQ(item->Panel()->TextColour(), settings.NorTWeakColor);
    EXPECT_FALSE(item->IsModified());
    ASSERT_EQ(log.changes, (std::vector<bool>{true, false}));

    // The value it was last given: nothing happens, even after typing changed the panel.
    item->Panel()->SetValue("typed meanwhile");
    item->SetValue("now");
    EXPECT_EQ(log.changes.size(), 2u);
    EXPECT_EQ(item->Panel()->Value(), "typed meanwhile");
}

TEST(EditItemSetValue, RebuildShowsTheRegistryValueUnmodified)
{
    TestKey key("ed-rebuild");
    RawSetString(key.Path(), "Value", "same");
    auto item = MakeItem(key, 0, "");
    ASSERT_TRUE(item->Initialize(false, true));
    item->Panel()->SetValue("typed");
    item->SetTextColor(TRegSetOption().ModTWeakColor);
    // A re-read with nothing changed in the registry: the typed text goes, and so does the
    // modified colour.
    ASSERT_TRUE(item->ReadValue());
    ASSERT_TRUE(item->BuildControl());
    EXPECT_EQ(item->Panel()->Value(), "same");
    EXPECT_EQ(item->Panel()->TextColour(), TRegSetOption().NorTWeakColor);
}

// ------------------------------------------------------------------ row building

TEST(EditItemBuild, RowShowsDescriptionHintAndTheItem)
{
    TestKey key("ed-build");
    HostWindow host;
    auto item = MakeItem(key, 1, "42");
    item->sDescribe = "Menu show delay (milliseconds)";
    item->SetParentArea(host.Handle());
    ASSERT_TRUE(item->Initialize(false, true));
    JTCapEditPanel* panel = item->Panel();
    EXPECT_EQ(item->GetControl(), panel);
    EXPECT_EQ(ItemKindOf(item.get()), ikEditItem);
    EXPECT_EQ(ItemKindOf(panel), ikEditRow);
    EXPECT_EQ(panel->Tag(), item.get());
    EXPECT_EQ(panel->Caption(), "Menu show delay (milliseconds)");
    EXPECT_EQ(panel->Hint(), "HKEY_CURRENT_USER\\" + key.Path() + "\\Value");
    EXPECT_EQ(panel->DataName(), "Value");
    ASSERT_NE(panel->Handle(), nullptr);
    EXPECT_EQ(::GetParent(panel->Handle()), host.Handle());
    EXPECT_EQ(TextOf(panel->Label()), "Menu show delay (milliseconds)");
    EXPECT_EQ(TextOf(panel->Edit()), "42");
    EXPECT_EQ(ui::GetHint(panel->Edit()), panel->Hint());
}

TEST(EditItemBuild, BinaryItemCreatedBeforeItsRowIsReadGetsABinaryRow)
{
    TestKey key("ed-bintype");
    TXdbTable table;
    table.FieldDefs().Add("sDescribe", ftMemo);
    table.FieldDefs().Add("iRegRoot", ftInteger);
    table.FieldDefs().Add("sSubKey", ftMemo);
    table.FieldDefs().Add("iRegType", ftInteger);
    table.FieldDefs().Add("sDataName", ftMemo);
    table.FieldDefs().Add("iOSType", ftInteger);
    table.FieldDefs().Add("bAutoCreate", ftBoolean);
    table.FieldDefs().Add("bReboot", ftBoolean);
    table.FieldDefs().Add("sDetails", ftMemo);
    table.FieldDefs().Add("sDefaultVal", ftBlob);
    table.Open();
    table.Append();
    table.FieldByName("sDescribe").SetAsString("Binary tweak");
    table.FieldByName("iRegRoot").SetAsInteger(kCurrentUser);
    table.FieldByName("sSubKey").SetAsString(key.Path());
    table.FieldByName("iRegType").SetAsInteger(2);
    table.FieldByName("sDataName").SetAsString("Bin");
    table.FieldByName("iOSType").SetAsInteger(127);
    table.FieldByName("bAutoCreate").SetAsBoolean(true);
    table.FieldByName("bReboot").SetAsBoolean(false);
    table.FieldByName("sDetails").SetAsString("details");
    table.FieldByName("sDefaultVal").SetAsString(Bytes({0x00, 0x0A, 0xFF}));
    table.Post();
    table.First();

    HostWindow host;
    JTedSetItem item;
    item.SetTable(&table);
    item.SetParentArea(host.Handle());
    ASSERT_TRUE(item.Initialize(true, true));
    EXPECT_EQ(item.sDefaultVal, Bytes({0x00, 0x0A, 0xFF}));
    EXPECT_EQ(item.GetDefaultValue(), item.sDefaultVal);
    EXPECT_EQ(item.CurrentValue(), item.sDefaultVal);
    EXPECT_EQ(item.Panel()->ValueType(), 2);
    EXPECT_EQ(item.Panel()->Value(), item.sDefaultVal);
    EXPECT_TRUE(::GetWindowLongPtrA(item.Panel()->Edit(), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(TextOf(item.Panel()->Edit()), JTCapEditPanel::kBinaryPrompt);
}

TEST(EditItemBuild, UnsuitedRowsAreHiddenOnlyInModeOneOtherwiseDisabled)
{
    TestKey key("ed-suits");
    FamilyScope family(32);  // Windows XP
    for (int mode : {0, 1, 2}) {
        TRegSetOption settings;
        settings.NotSuitShow = static_cast<std::uint8_t>(mode);
        auto item = MakeItem(key, 0, "x");
        item->OSType.SetMask(7);  // the Windows 95 line only
        item->SetDisplaySettings(&settings);
        ASSERT_TRUE(item->Initialize(false, true));
        EXPECT_FALSE(item->Suits());
        EXPECT_EQ(item->Panel()->IsVisible(), mode != 1) << mode;
        EXPECT_FALSE(item->Panel()->IsEnabled()) << mode;
    }
    auto suited = MakeItem(key, 0, "x");
    suited->OSType.SetMask(56);
    ASSERT_TRUE(suited->Initialize(false, true));
    EXPECT_TRUE(suited->Suits());
    EXPECT_TRUE(suited->Panel()->IsEnabled());
    EXPECT_TRUE(suited->Panel()->IsVisible());
}

TEST(EditItemEvents, FocusSelectsEndOfEditChecksRightClickAsksForDetails)
{
    TestKey key("ed-events");
    RawSetString(key.Path(), "Value", "abc");
    HostWindow host;
    auto item = MakeItem(key, 0, "");
    item->SetParentArea(host.Handle());
    ASSERT_TRUE(item->Initialize(false, true));
    int selects = 0, details = 0;
    ChangeLog log;
    log.Attach(*item);
    item->OnSelect = [&](JTSetItem* which) { selects += which == item.get(); };
    item->OnDetails = [&](JTSetItem* which) { details += which == item.get(); };
    HWND edit = item->Panel()->Edit();

    ::SetFocus(edit);
    EXPECT_EQ(selects, 1);
    EXPECT_EQ(item->Panel()->ValueBeforeEdit(), "abc");
    ::SendMessageA(edit, EM_SETSEL, 3, 3);
    TypeChars(edit, "d");
    EXPECT_EQ(item->GetNewValue(), "abcd");
    EXPECT_TRUE(log.changes.empty());  // the check runs when the edit ends
    ::SetFocus(host.Other());
    ASSERT_EQ(log.changes, std::vector<bool>{true});
    EXPECT_EQ(item->Panel()->TextColour(), TRegSetOption().ModTWeakColor);

    ::SetFocus(edit);
    Backspace(edit);
    ::SetFocus(host.Other());
    ASSERT_EQ(log.changes, (std::vector<bool>{true, false}));
    EXPECT_EQ(item->Panel()->TextColour(), TRegSetOption().NorTWeakColor);

    // The right button on the edit box, on the caption or on the panel itself asks for the
    // details; the left button does not.
    ::SendMessageA(edit, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    RECT label = RectInParent(item->Panel()->Label());
    ::SendMessageA(item->Panel()->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(label.left + 1, label.top + 1));
    ::SendMessageA(item->Panel()->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(300, 44));
    ::SendMessageA(item->Panel()->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 44));
    EXPECT_EQ(details, 3);
    ui::ProcessPendingMessages();
}
