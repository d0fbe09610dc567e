#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "catalogue/ck_set_item.h"
#include "catalogue/platform/int_text.h"
#include "catalogue/record.h"
#include "tests/windows/platform/test_key.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

const int kCurrentUser = static_cast<int>(0x80000001u);

struct ItemSetup {
    ItemSetup(int type_, std::string yes_, std::string no_, bool autoCreate_ = false, std::string name_ = "Value",
             std::string subKey_ = "")
        : type(type_), yes(std::move(yes_)), no(std::move(no_)), autoCreate(autoCreate_), name(std::move(name_)),
          subKey(std::move(subKey_))
    {
    }
    int type;
    std::string yes;
    std::string no;
    bool autoCreate;
    std::string name;
    std::string subKey;  // below the test key
    int mask = 127;
};

std::unique_ptr<JTckSetItem> MakeItem(const TestKey& key, const ItemSetup& sample)
{
    auto item = std::make_unique<JTckSetItem>();
    item->sDescribe = "Test item";
    item->iRegRoot = kCurrentUser;
    item->sSubKey = sample.subKey.empty() ? key.Path() : key.Sub(sample.subKey);
    item->sDataName = sample.name;
    item->iRegType = sample.type;
    item->sYesVal = sample.yes;
    item->sNoVal = sample.no;
    item->bAutoCreate = sample.autoCreate;
    item->OSType.SetMask(sample.mask);
    return item;
}

// Sets the running family (and line) for one test and puts the old ones back.
class FamilyScope {
public:
    explicit FamilyScope(int family, bool ntLine = false) : saved_(OSFamily), savedLine_(OSIsNTLine)
    {
        OSFamily = family;
        OSIsNTLine = ntLine;
    }
    ~FamilyScope()
    {
        OSFamily = saved_;
        OSIsNTLine = savedLine_;
    }

private:
    int saved_;
    bool savedLine_;
};

} // namespace

// ------------------------------------------------------------------ reading and judging

TEST(CheckItemRead, IntegerItemIsOnOnlyForAnIntegerValue)
{
    TestKey key("ck-int");
    auto item = MakeItem(key, {1, "1", "0"});
    RawSetDword(key.Path(), "Value", 1);
    ASSERT_TRUE(item->Initialize(false, true));
    EXPECT_TRUE(item->RegistryState());
    EXPECT_TRUE(item->IsChecked());
    EXPECT_EQ(item->CurrentValue(), "1");
    EXPECT_FALSE(item->IsModified());

    // The same digit stored as a string is a type mismatch: off, and the read answers false.
    RawSetString(key.Path(), "Value", "1");
    EXPECT_FALSE(item->ReadValue());
    EXPECT_FALSE(item->RegistryState());
    EXPECT_EQ(item->CurrentValue(), "0");
    EXPECT_FALSE(item->Initialize(false, true));
}

TEST(CheckItemRead, AllOnesDwordReadsAsMinusOne)
{
    TestKey key("ck-minus");
    RawSetDword(key.Path(), "Value", 0xFFFFFFFFu);
    auto minus = MakeItem(key, {1, "-1", "0"});
    ASSERT_TRUE(minus->ReadValue());
    EXPECT_TRUE(minus->RegistryState());
    EXPECT_EQ(minus->CurrentValue(), "-1");
    auto unsignedForm = MakeItem(key, {1, "4294967295", "0"});
    ASSERT_TRUE(unsignedForm->ReadValue());
    EXPECT_FALSE(unsignedForm->RegistryState());
}

TEST(CheckItemRead, ComparisonIsExactAndCaseSensitive)
{
    TestKey key("ck-case");
    RawSetString(key.Path(), "Value", "yes");
    EXPECT_TRUE([&] { auto i = MakeItem(key, {0, "yes", "no"}); i->ReadValue(); return i->RegistryState(); }());
    EXPECT_FALSE([&] { auto i = MakeItem(key, {0, "YES", "no"}); i->ReadValue(); return i->RegistryState(); }());
    EXPECT_FALSE([&] { auto i = MakeItem(key, {0, "yes ", "no"}); i->ReadValue(); return i->RegistryState(); }());
    // Number-looking strings are compared as text, never as numbers.
    RawSetString(key.Path(), "Value", "01");
    EXPECT_FALSE([&] { auto i = MakeItem(key, {0, "1", "0"}); i->ReadValue(); return i->RegistryState(); }());
}

TEST(CheckItemRead, BinaryValuesMatchByteForByte)
{
    TestKey key("ck-bin");
    const std::string four("\x01\x00\x00\x00", 4);
    RawSet(key.Path(), "Value", REG_BINARY, four.data(), 4);
    auto exact = MakeItem(key, {2, four, std::string("\x00\x00\x00\x00", 4)});
    ASSERT_TRUE(exact->ReadValue());
    EXPECT_TRUE(exact->RegistryState());
    EXPECT_EQ(exact->CurrentValue(), four);
    auto shorter = MakeItem(key, {2, std::string("\x01", 1), std::string("\x00", 1)});
    ASSERT_TRUE(shorter->ReadValue());
    EXPECT_FALSE(shorter->RegistryState());

    // A binary value of 0 bytes keeps the "off" value.
    RawSet(key.Path(), "Value", REG_BINARY, nullptr, 0);
    auto empty = MakeItem(key, {2, "", std::string("\x00", 1)});
    ASSERT_TRUE(empty->ReadValue());
    EXPECT_EQ(empty->CurrentValue(), std::string("\x00", 1));
    EXPECT_FALSE(empty->RegistryState());
}

TEST(CheckItemRead, ExpandableStringIsNotAString)
{
    TestKey key("ck-expand");
    RawSetString(key.Path(), "Value", "on", REG_EXPAND_SZ);
    auto item = MakeItem(key, {0, "on", "off"});
    EXPECT_FALSE(item->ReadValue());
    EXPECT_FALSE(item->RegistryState());
    EXPECT_EQ(item->CurrentValue(), "off");
}

TEST(CheckItemRead, ShortDwordDataIsAMismatchNotAnError)
{
    // A REG_DWORD holding two bytes cannot be read as a number; one such value must not
    // fail the whole catalogue.
    TestKey key("ck-short-dword");
    const unsigned short two = 1;
    ASSERT_EQ(RawSet(key.Path(), "Value", REG_DWORD, &two, sizeof two), ERROR_SUCCESS);
    auto item = MakeItem(key, {1, "1", "0"});
    bool read = true;
    EXPECT_NO_THROW(read = item->ReadValue());
    EXPECT_FALSE(read);
    EXPECT_FALSE(item->RegistryState());
    EXPECT_EQ(item->CurrentValue(), "0");
}

TEST(CheckItemRead, MissingKeyOrValueIsOffWithoutError)
{
    TestKey key("ck-missing");
    auto noKey = MakeItem(key, {0, "on", "off", false, "Value", "absent\\deeper"});
    EXPECT_TRUE(noKey->ReadValue());
    EXPECT_FALSE(noKey->RegistryState());
    EXPECT_EQ(noKey->CurrentValue(), "off");
    EXPECT_FALSE(RawKeyExists(key.Sub("absent")));

    RawSetString(key.Path(), "Other", "on");
    auto noValue = MakeItem(key, {0, "on", "off"});
    EXPECT_TRUE(noValue->ReadValue());
    EXPECT_FALSE(noValue->RegistryState());
}

TEST(CheckItemRead, ValueHoldingNeitherStateIsOffUntilWritten)
{
    TestKey key("ck-neither");
    RawSetDword(key.Path(), "Value", 7);
    auto item = MakeItem(key, {1, "1", "0"});
    ASSERT_TRUE(item->Initialize(false, true));
    EXPECT_EQ(item->CurrentValue(), "7");
    EXPECT_FALSE(item->IsChecked());
    EXPECT_FALSE(item->IsModified());
    EXPECT_EQ(item->GetNewValue(), "0");
    ASSERT_TRUE(item->WriteValue());
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(RawGet(key.Path(), "Value", type, bytes));
    EXPECT_EQ(bytes, std::string("\0\0\0\0", 4));
}

TEST(CheckItemRead, DefaultYesTurnsTheJudgementAround)
{
    TestKey key("ck-defyes");
    auto missing = MakeItem(key, {0, "on", "off"});
    missing->bDefaultYes = true;
    EXPECT_TRUE(missing->ReadValue());
    EXPECT_TRUE(missing->RegistryState());
    EXPECT_EQ(missing->CurrentValue(), "on");
    EXPECT_EQ(missing->GetDefaultValue(), "on");

    RawSetString(key.Path(), "Value", "off");
    auto off = MakeItem(key, {0, "on", "off"});
    off->bDefaultYes = true;
    off->ReadValue();
    EXPECT_FALSE(off->RegistryState());
}

// ------------------------------------------------------------------ writing

TEST(CheckItemWrite, MissingValueWithoutAutoCreateIsRefusedAndCreatesNothing)
{
    TestKey key("ck-noauto");
    auto item = MakeItem(key, {1, "1", "0", false, "Value", "a\\b"});
    ASSERT_TRUE(item->Initialize(false, true));
    EXPECT_FALSE(item->WriteValue());
    EXPECT_FALSE(RawKeyExists(key.Path()));

    // The key exists, the value does not.
    RawSetString(key.Sub("a\\b"), "Other", "x");
    EXPECT_FALSE(item->WriteValue());
    DWORD type = 0;
    std::string bytes;
    EXPECT_FALSE(RawGet(key.Sub("a\\b"), "Value", type, bytes));
}

TEST(CheckItemWrite, AutoCreateMakesTheKeyPathAndAValueOfTheItemsType)
{
    TestKey key("ck-auto");
    struct Case {
        int type;
        std::string yes, no;
        DWORD regType;
        std::string stored;  // bytes expected for the "on" write
    };
    const std::vector<Case> cases{
        {0, "on", "off", REG_SZ, std::string("on\0", 3)},
        {1, "-2", "0", REG_DWORD, std::string("\xFE\xFF\xFF\xFF", 4)},
        {2, std::string("\x00\x7F", 2), "", REG_BINARY, std::string("\x00\x7F", 2)},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string sub = "level" + std::to_string(n++) + "\\inner";
        auto item = MakeItem(key, {c.type, c.yes, c.no, true, "Value", sub});
        ASSERT_TRUE(item->Initialize(false, true));
        item->SetChecked(true);
        ASSERT_TRUE(item->WriteValue()) << c.type;
        DWORD type = 0;
        std::string bytes;
        ASSERT_TRUE(RawGet(key.Sub(sub), "Value", type, bytes)) << c.type;
        EXPECT_EQ(type, c.regType);
        EXPECT_EQ(bytes, c.stored);
        // The write changes neither the registry state nor the current value ...
        EXPECT_FALSE(item->RegistryState());
        // ... the next read does.
        item->ReadValue();
        EXPECT_TRUE(item->RegistryState());
    }
}

TEST(CheckItemWrite, EmptyBinaryOffValueStoresAnEmptyBinaryValue)
{
    TestKey key("ck-emptybin");
    RawSet(key.Path(), "Value", REG_BINARY, "\x05", 1);
    auto item = MakeItem(key, {2, std::string("\x01", 1), ""});
    ASSERT_TRUE(item->Initialize(false, true));
    ASSERT_TRUE(item->WriteValue());
    DWORD type = 0;
    std::string bytes = "x";
    ASSERT_TRUE(RawGet(key.Path(), "Value", type, bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_TRUE(bytes.empty());
}

TEST(CheckItemWrite, SwitchingOffAnAutoCreateItemDeletesItsValueAndKeepsTheKey)
{
    TestKey key("ck-offdeletes");
    // Each kind of value, stored "on", and the bytes "off" is written as without auto-create.
    struct Case {
        int type;
        std::string yes, no;
        DWORD regType;
        std::string onBytes, offBytes;
    };
    const Case cases[] = {{0, "on", "off", REG_SZ, std::string("on\0", 3), std::string("off\0", 4)},
                          {1, "1", "0", REG_DWORD, std::string("\x01\0\0\0", 4), std::string(4, '\0')},
                          {2, std::string("\x01", 1), "", REG_BINARY, std::string("\x01", 1), ""}};
    for (const Case& c : cases) {
        for (bool autoCreate : {true, false}) {
            SCOPED_TRACE(c.type * 10 + autoCreate);
            RawSet(key.Path(), "Value", c.regType, c.onBytes.data(), static_cast<DWORD>(c.onBytes.size()));
            auto item = MakeItem(key, {c.type, c.yes, c.no, autoCreate});
            ASSERT_TRUE(item->Initialize(false, true));
            ASSERT_TRUE(item->IsChecked());
            item->SetChecked(false);
            ASSERT_TRUE(item->WriteValue());
            DWORD type = 0;
            std::string bytes;
            if (autoCreate) {
                // Absent stands for off: nothing forces the other state.
                EXPECT_FALSE(RawGet(key.Path(), "Value", type, bytes));
                EXPECT_TRUE(RawKeyExists(key.Path()));
            } else {
                ASSERT_TRUE(RawGet(key.Path(), "Value", type, bytes));
                EXPECT_EQ(type, c.regType);
                EXPECT_EQ(bytes, c.offBytes);
            }
            // Read back, the row shows off.
            ASSERT_TRUE(item->ReadValue());
            ASSERT_TRUE(item->BuildControl());
            EXPECT_FALSE(item->RegistryState());
            EXPECT_FALSE(item->IsChecked());
            EXPECT_FALSE(item->IsModified());
            EXPECT_EQ(item->CurrentValue(), c.no);
        }
    }

    // Nothing to delete: no key is made for it, and a value of another type stays.
    auto absent = MakeItem(key, {1, "1", "0", true, "Value", "none\\deeper"});
    ASSERT_TRUE(absent->Initialize(false, true));
    EXPECT_TRUE(absent->WriteValue());
    EXPECT_FALSE(RawKeyExists(key.Sub("none")));
    RawSetString(key.Path(), "Value", "0");
    auto other = MakeItem(key, {1, "1", "0", true});
    other->Initialize(false, true);
    EXPECT_FALSE(other->WriteValue());
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(RawGet(key.Path(), "Value", type, bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
}

TEST(CheckItemWrite, ExistingValueOfAnotherTypeIsLeftAlone)
{
    TestKey key("ck-wrongtype");
    RawSetString(key.Path(), "Value", "1");
    auto item = MakeItem(key, {1, "1", "0", true});
    item->Initialize(false, true);
    item->SetChecked(true);
    EXPECT_FALSE(item->WriteValue());
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(RawGet(key.Path(), "Value", type, bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, std::string("1\0", 2));

    // An expandable string is not overwritten by a string item either.
    RawSetString(key.Path(), "Exp", "%X%", REG_EXPAND_SZ);
    auto text = MakeItem(key, {0, "a", "b", true, "Exp"});
    text->Initialize(false, true);
    EXPECT_FALSE(text->WriteValue());
    ASSERT_TRUE(RawGet(key.Path(), "Exp", type, bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
}

TEST(CheckItemWrite, NonNumericDwordTextRaisesBeforeAnythingChanges)
{
    TestKey key("ck-conv");
    auto item = MakeItem(key, {1, "on", "0", true, "Value", "made\\by\\write"});
    item->Initialize(false, true);
    item->SetChecked(true);
    try {
        item->WriteValue();
        ADD_FAILURE() << "no conversion error";
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "'on' is not a valid integer value");
    }
    // Not even the key path was created.
    EXPECT_FALSE(RawKeyExists(key.Path()));

    // An existing value is kept as it was.
    RawSetDword(key.Sub("made\\by\\write"), "Value", 5);
    EXPECT_THROW(item->WriteValue(), ConversionError);
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(RawGet(key.Sub("made\\by\\write"), "Value", type, bytes));
    EXPECT_EQ(bytes, std::string("\x05\0\0\0", 4));
}

TEST(CheckItemWrite, UnknownTypeCodesWriteNothing)
{
    TestKey key("ck-type9");
    RawSetString(key.Path(), "Value", "keep");
    auto item = MakeItem(key, {9, "a", "b"});
    EXPECT_TRUE(item->ReadValue());
    EXPECT_EQ(item->CurrentValue(), "b");
    EXPECT_TRUE(item->WriteValue());
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(RawGet(key.Path(), "Value", type, bytes));
    EXPECT_EQ(bytes, std::string("keep\0", 5));
}

// ------------------------------------------------------------------ the shared write routine

TEST(WriteRegValueRoutine, WritesEachTypeAndRefusesMismatches)
{
    TestKey key("wrv");
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey(key.Path(), true));

    // Without create, a missing value is not written (but the answer is true).
    EXPECT_TRUE(WriteRegValue(registry, 0, "s", "text", false));
    EXPECT_FALSE(registry.ValueExists("s"));
    EXPECT_TRUE(WriteRegValue(registry, 0, "s", "text", true));
    EXPECT_EQ(registry.ReadString("s"), "text");
    EXPECT_TRUE(WriteRegValue(registry, 0, "s", "again", false));  // exists: written
    EXPECT_EQ(registry.ReadString("s"), "again");

    EXPECT_TRUE(WriteRegValue(registry, 1, "d", "+0010", true));
    EXPECT_EQ(registry.ReadInteger("d"), 10);
    EXPECT_TRUE(WriteRegValue(registry, 2, "b", std::string("\0\1", 2), true));
    EXPECT_EQ(registry.ReadBinaryString("b"), std::string("\0\1", 2));

    EXPECT_FALSE(WriteRegValue(registry, 1, "s", "1", true));
    EXPECT_FALSE(WriteRegValue(registry, 2, "s", "x", true));
    EXPECT_FALSE(WriteRegValue(registry, 0, "d", "x", true));
    EXPECT_EQ(registry.ReadString("s"), "again");
    EXPECT_EQ(registry.ReadInteger("d"), 10);
    EXPECT_THROW(WriteRegValue(registry, 1, "d", "1 ", true), ConversionError);
    EXPECT_EQ(registry.ReadInteger("d"), 10);
    EXPECT_TRUE(WriteRegValue(registry, 7, "other", "x", true));
    EXPECT_FALSE(registry.ValueExists("other"));
}

// ------------------------------------------------------------------ apply with a record

TEST(CheckItemApply, FillsTheRecordThenWrites)
{
    TestKey key("ck-apply");
    RawSetString(key.Path(), "Value", "off");
    auto item = MakeItem(key, {0, "on", "off"});
    item->sDescribe = "Show the thing";
    item->Initialize(false, true);
    item->SetChecked(true);
    JTRecord record;
    EXPECT_TRUE(item->Apply(&record));
    EXPECT_EQ(record.sDescribe, "Show the thing");
    EXPECT_EQ(record.iRegRoot, kCurrentUser);
    EXPECT_EQ(record.iRegType, 0);
    EXPECT_EQ(record.sSubKey, key.Path());
    EXPECT_EQ(record.sDataName, "Value");
    EXPECT_EQ(record.sOldVal, "off");
    EXPECT_EQ(record.sNewVal, "on");
    EXPECT_EQ(record.sDefaultVal, "off");
    EXPECT_FALSE(record.bAutoCreate);
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(RawGet(key.Path(), "Value", type, bytes));
    EXPECT_EQ(bytes, std::string("on\0", 3));
}

TEST(CheckItemApply, WritesWithoutARecordAndPassesOnARefusedWrite)
{
    TestKey key("ck-apply2");
    auto item = MakeItem(key, {0, "on", "off"});  // value missing, no auto-create
    item->Initialize(false, true);
    item->SetChecked(true);
    EXPECT_FALSE(item->Apply(nullptr));
    EXPECT_FALSE(RawKeyExists(key.Path()));
    // The record is filled all the same: the apply run decides what to keep.
    JTRecord record;
    EXPECT_FALSE(item->Apply(&record));
    EXPECT_EQ(record.sNewVal, "on");
}

// ------------------------------------------------------------------ state and the row model

TEST(CheckItemState, SetCheckedColoursTheRowWithoutRaisingChange)
{
    TestKey key("ck-setchecked");
    TRegSetOption settings;
    settings.NorTWeakColor = 0x112233;
    settings.ModTWeakColor = 0x445566;
    auto item = MakeItem(key, {0, "on", "off"});
    item->SetDisplaySettings(&settings);
    int changes = 0;
    item->OnChange = [&](JTSetItem*, bool) { ++changes; };
    ASSERT_TRUE(item->Initialize(false, true));
    EXPECT_EQ(item->Row()->TextColour(), 0x112233u);
    EXPECT_EQ(item->GetNewValue(), "off");

    item->SetChecked(true);
    EXPECT_TRUE(item->IsModified());
    EXPECT_TRUE(item->Row()->IsChecked());
    EXPECT_EQ(item->Row()->TextColour(), 0x445566u);
    EXPECT_EQ(item->GetNewValue(), "on");
    item->SetChecked(false);
    EXPECT_FALSE(item->IsModified());
    EXPECT_EQ(item->Row()->TextColour(), 0x112233u);
    EXPECT_EQ(changes, 0);
}

TEST(CheckItemState, BuildControlMirrorsTheItemIntoItsRow)
{
    TestKey key("ck-build");
    RawSetString(key.Path(), "Value", "on");
    auto item = MakeItem(key, {0, "on", "off"});
    item->sDescribe = std::string(40, 'x');
    ASSERT_TRUE(item->Initialize(false, true));
    JTCheckRow* row = item->Row();
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(item->GetControl(), row);
    EXPECT_EQ(row->Caption(), std::string(40, 'x'));
    EXPECT_EQ(row->Hint(), "HKEY_CURRENT_USER\\" + key.Path() + "\\Value");
    EXPECT_EQ(row->Tag(), item.get());
    EXPECT_EQ(row->Width(), 390);
    EXPECT_EQ(row->Height(), 17);
    // Characters, not bytes: 40 Cyrillic letters take 80 bytes and the same row.
    std::string cyrillic;
    for (int i = 0; i < 40; ++i)
        cyrillic += "\xD0\x96";  // "Ж"
    item->sDescribe = cyrillic;
    ASSERT_TRUE(item->BuildControl());
    EXPECT_EQ(row->Width(), 390);
    EXPECT_TRUE(row->IsChecked());
    EXPECT_TRUE(row->IsEnabled());
    EXPECT_TRUE(row->IsVisible());
    EXPECT_EQ(row->Handle(), nullptr);  // no parent area yet: no window
}

TEST(CheckItemState, UnsuitedItemsAreDisabledOrHiddenButStillReadAndWritten)
{
    FamilyScope family(32);  // XP
    TestKey key("ck-unsuited");
    RawSetDword(key.Path(), "Value", 1);
    TRegSetOption settings;
    for (int mode : {0, 1, 2}) {
        settings.NotSuitShow = static_cast<std::uint8_t>(mode);
        ItemSetup sample{1, "1", "0"};
        sample.mask = 7;  // the Windows 95 line only
        auto item = MakeItem(key, sample);
        item->SetDisplaySettings(&settings);
        ASSERT_TRUE(item->Initialize(false, true));
        EXPECT_FALSE(item->Suits());
        EXPECT_TRUE(item->RegistryState()) << "still read";
        // Hidden rows are disabled too; only other modes leave an unsuited check row usable.
        EXPECT_EQ(item->Row()->IsEnabled(), mode == 2) << mode;
        EXPECT_EQ(item->Row()->IsVisible(), mode != 1) << mode;
        item->SetChecked(false);
        ASSERT_TRUE(item->WriteValue()) << "still written";
        item->ReadValue();
        EXPECT_FALSE(item->RegistryState());
        RawSetDword(key.Path(), "Value", 1);
    }
    ItemSetup suited{1, "1", "0"};
    suited.mask = 56;
    auto item = MakeItem(key, suited);
    item->Initialize(false, true);
    EXPECT_TRUE(item->Suits());
    EXPECT_TRUE(item->Row()->IsEnabled());
}

TEST(CheckItemState, OnAnNtLineWindowsNewerThanTheTableTweaksOfThe95LineAloneDoNotSuit)
{
    FamilyScope family(0, true);
    TestKey key("ck-newer");
    for (const auto& [mask, suits] : {std::pair{7, false}, std::pair{48, true}, std::pair{0, true}}) {
        ItemSetup sample{1, "1", "0"};
        sample.mask = mask;
        auto item = MakeItem(key, sample);
        ASSERT_TRUE(item->Initialize(false, true));
        EXPECT_EQ(item->Suits(), suits) << mask;
        EXPECT_EQ(item->SuitsRunningWindows(), suits) << mask;
        EXPECT_EQ(item->Row()->IsEnabled(), suits) << mask;
    }
}

TEST(CheckItemState, FontAndColoursGoToTheRow)
{
    TestKey key("ck-font");
    auto item = MakeItem(key, {0, "on", "off"});
    EXPECT_FALSE(item->SetFont(reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))));  // no row yet
    EXPECT_FALSE(item->ApplyColors());
    item->Initialize(false, true);
    EXPECT_FALSE(item->SetFont(nullptr));
    HFONT font = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    EXPECT_TRUE(item->SetFont(font));
    EXPECT_EQ(item->Row()->Font(), font);
    EXPECT_TRUE(item->SetColor(0x00FF00));
    EXPECT_EQ(item->Row()->BackColour(), 0x00FF00u);

    TRegSetOption settings;
    settings.TWeakBackColor = 0x8000000Fu;
    settings.NorTWeakColor = 0x0000FF;
    item->SetDisplaySettings(&settings);
    item->SetChecked(true);  // modified colour first ...
    EXPECT_TRUE(item->ApplyColors());
    EXPECT_EQ(item->Row()->BackColour(), 0x8000000Fu);
    EXPECT_EQ(item->Row()->TextColour(), 0x0000FFu);  // ... then the unmodified one
}

// ------------------------------------------------------------------ shared names and kinds

TEST(ItemNames, RootNamesAndKindCodes)
{
    EXPECT_EQ(RootName(static_cast<int>(0x80000000u)), "HKEY_CLASSES_ROOT");
    EXPECT_EQ(RootName(static_cast<int>(0x80000001u)), "HKEY_CURRENT_USER");
    EXPECT_EQ(RootName(static_cast<int>(0x80000002u)), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(RootName(static_cast<int>(0x80000003u)), "HKEY_USERS");
    EXPECT_EQ(RootName(static_cast<int>(0x80000005u)), "HKEY_CURRENT_CONFIG");
    EXPECT_EQ(RootName(static_cast<int>(0x80000004u)), "");
    EXPECT_EQ(RootName(static_cast<int>(0x80000006u)), "");
    EXPECT_EQ(RootName(0), "");

    JTckSetItem item;
    item.CreateControl();
    JTObject plain;
    EXPECT_EQ(ItemKindOf(&item), 2);
    EXPECT_EQ(ItemKindOf(item.GetControl()), 4);
    EXPECT_EQ(ItemKindOf(&plain), 0);
    EXPECT_EQ(ItemKindOf(nullptr), 0);
}

TEST(ItemNames, FreshItemsStartEmpty)
{
    JTckSetItem item;
    EXPECT_EQ(item.GetControl(), nullptr);
    EXPECT_EQ(item.OSType.Mask(), 0);
    EXPECT_TRUE(item.sYesVal.empty());
    EXPECT_TRUE(item.sNoVal.empty());
    EXPECT_FALSE(item.bDefaultYes);
    EXPECT_FALSE(item.LoadFromTable());  // no table
    EXPECT_EQ(item.ListEntry(), -1);
}
