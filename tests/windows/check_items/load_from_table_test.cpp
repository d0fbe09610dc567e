#include <gtest/gtest.h>

#include "catalogue/ck_set_item.h"
#include "storage/xdb_table.h"
#include "tests/windows/platform/test_key.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

struct Row {
    std::string describe, subKey, dataName, details, yes, no;
    int root, type, osType;
    bool autoCreate, reboot;
};

// A check-items table in memory, with the columns in an order of its own.
void BuildTable(TXdbTable& t, const std::vector<Row>& rows, bool withNoVal = true)
{
    t.FieldDefs().Add("sDetails", ftMemo);
    t.FieldDefs().Add("iTypeID", ftInteger);
    t.FieldDefs().Add("sDescribe", ftMemo);
    t.FieldDefs().Add("iRegRoot", ftInteger);
    t.FieldDefs().Add("sSubKey", ftMemo);
    t.FieldDefs().Add("iRegType", ftInteger);
    t.FieldDefs().Add("sDataName", ftMemo);
    t.FieldDefs().Add("iOSType", ftInteger);
    t.FieldDefs().Add("bAutoCreate", ftBoolean);
    t.FieldDefs().Add("bReboot", ftBoolean);
    t.FieldDefs().Add("sYesVal", ftBlob);
    if (withNoVal)
        t.FieldDefs().Add("sNoVal", ftBlob);
    t.FieldDefs().Add("sExtra", ftMemo);
    t.Open();
    for (const Row& r : rows) {
        t.Append();
        t.FieldByName("iTypeID").SetAsInteger(0);
        t.FieldByName("sDescribe").SetAsString(r.describe);
        t.FieldByName("iRegRoot").SetAsInteger(r.root);
        t.FieldByName("sSubKey").SetAsString(r.subKey);
        t.FieldByName("iRegType").SetAsInteger(r.type);
        t.FieldByName("sDataName").SetAsString(r.dataName);
        t.FieldByName("iOSType").SetAsInteger(r.osType);
        t.FieldByName("bAutoCreate").SetAsBoolean(r.autoCreate);
        t.FieldByName("bReboot").SetAsBoolean(r.reboot);
        t.FieldByName("sDetails").SetAsString(r.details);
        t.FieldByName("sYesVal").SetAsString(r.yes);
        if (withNoVal)
            t.FieldByName("sNoVal").SetAsString(r.no);
        t.Post();
    }
    t.First();
}

} // namespace

TEST(CheckItemTable, InitializeReadsTheRowTheRegistryAndBuildsTheRow)
{
    TestKey key("ck-table");
    RawSet(key.Path(), "Bin", REG_BINARY, "\x01\x00", 2);
    TXdbTable table;
    BuildTable(table, {
        {"Version row", "", "", "", "", "", 0, 0, 0, false, false},
        {"Binary tweak", key.Path(), "Bin", "Longer text", std::string("\x01\x00", 2), std::string("\x00\x00", 2),
         static_cast<int>(0x80000001u), 2, 56, true, true},
    });
    table.Next();
    ASSERT_EQ(table.RecNo(), 2);

    JTckSetItem item;
    item.SetTable(&table);
    ASSERT_TRUE(item.Initialize(true, true));
    EXPECT_EQ(item.RecNo(), 2);
    EXPECT_EQ(item.sDescribe, "Binary tweak");
    EXPECT_EQ(item.iRegRoot, static_cast<int>(0x80000001u));
    EXPECT_EQ(item.sSubKey, key.Path());
    EXPECT_EQ(item.iRegType, 2);
    EXPECT_EQ(item.sDataName, "Bin");
    EXPECT_EQ(item.OSType.Mask(), 56);
    EXPECT_TRUE(item.bAutoCreate);
    EXPECT_TRUE(item.bReboot);
    EXPECT_EQ(item.sDetails, "Longer text");
    EXPECT_EQ(item.sYesVal, std::string("\x01\x00", 2));
    EXPECT_EQ(item.sNoVal, std::string("\x00\x00", 2));
    // Registry read and row built.
    EXPECT_TRUE(item.RegistryState());
    EXPECT_TRUE(item.Row()->IsChecked());
    EXPECT_EQ(item.Row()->Caption(), "Binary tweak");
    EXPECT_FALSE(item.IsModified());
}

TEST(CheckItemTable, AMissingColumnRaisesTheTablesError)
{
    TXdbTable table;
    BuildTable(table, {{"Item", "Software", "x", "", "1", "0", static_cast<int>(0x80000001u), 1, 127, false, false}},
               false);
    JTckSetItem item;
    item.SetTable(&table);
    try {
        item.Initialize(true, false);
        ADD_FAILURE() << "no error";
    } catch (const XdbError& error) {
        EXPECT_STREQ(error.what(), "Field 'sNoVal' not found");
    }
}
