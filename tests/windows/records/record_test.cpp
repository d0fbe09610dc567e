// Record rows: written into a record file and read back through the engine, and written back
// into the registry of the Wine prefix in either direction.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "catalogue/platform/int_text.h"
#include "catalogue/record.h"
#include "catalogue/reg_settings.h"
#include "storage/xdb_table.h"
#include "tests/windows/catalogue/catalogue_fixture.h"
#include "tests/windows/platform/test_key.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

JTRecord Row(std::string describe, int type, std::string oldVal, std::string newVal, std::string def, bool autoCreate)
{
    JTRecord r;
    r.sDescribe = std::move(describe);
    r.iRegRoot = kCurrentUser;
    r.iRegType = type;
    r.sSubKey = "Software\\KeltrixTest\\Records";
    r.sDataName = "Value";
    r.sOldVal = std::move(oldVal);
    r.sNewVal = std::move(newVal);
    r.sDefaultVal = std::move(def);
    r.bAutoCreate = autoCreate;
    return r;
}

void ExpectSameRow(const JTRecord& a, const JTRecord& b)
{
    EXPECT_EQ(a.sDescribe, b.sDescribe);
    EXPECT_EQ(a.sOldVal, b.sOldVal);
    EXPECT_EQ(a.sNewVal, b.sNewVal);
    EXPECT_EQ(a.sDefaultVal, b.sDefaultVal);
    EXPECT_EQ(a.sSubKey, b.sSubKey);
    EXPECT_EQ(a.sDataName, b.sDataName);
    EXPECT_EQ(a.iRegRoot, b.iRegRoot);
    EXPECT_EQ(a.iRegType, b.iRegType);
    EXPECT_EQ(a.bAutoCreate, b.bAutoCreate);
}

} // namespace

TEST(RecordFile, RowsSurviveTheFileByteForByteInOrder)
{
    TempFolder folder;
    JTRegSettings catalogue;
    catalogue.SetRecordFileName(folder.File("KeltRecord20240102.rwr"));
    ASSERT_EQ(catalogue.CreateRecordTable(), 1);

    std::vector<JTRecord> rows = {
        Row("A string", 0, "old text", "new \"text\"", "", false),
        Row("A number", 1, "-5", "2147483647", "0", true),
        Row("Raw bytes", 2, std::string("\x00\xFF\x10\x00", 4), std::string("\xFF\x00", 2), std::string("\x00", 1), true),
        // Empty, zero and false fields are stored as absent and read back as such.
        Row("", 0, "", "", "", false),
    };
    rows[0].iRegRoot = static_cast<int>(0x80000002u);
    rows[3].iRegRoot = 0;
    TXdbTable& table = *catalogue.RecordTable();
    EXPECT_EQ(rows[0].SaveToTable(nullptr), 0);
    for (const JTRecord& r : rows) {
        ASSERT_EQ(r.SaveToTable(&table), 1);
        table.ApplyUpdates();
    }

    TXdbTable file;
    file.LoadFromFile(catalogue.RecordFileName());
    ASSERT_EQ(file.RecordCount(), static_cast<int>(rows.size()));
    for (const JTRecord& expected : rows) {
        ASSERT_FALSE(file.Eof());
        JTRecord read;
        read.bAutoCreate = !expected.bAutoCreate;
        EXPECT_EQ(read.LoadFromTable(file), 1);
        ExpectSameRow(read, expected);
        file.Next();
    }
    EXPECT_TRUE(file.Eof());
}

TEST(RecordFile, ANewRowObjectMayCreateItsValue)
{
    EXPECT_TRUE(JTRecord().bAutoCreate);
}

namespace {

struct Stored {
    DWORD type;
    std::string bytes;
};

std::string Dword(DWORD v)
{
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

struct WriteBackCase {
    const char* what;
    JTRecord row;
    bool restore;
    bool keyBefore;                   // the key exists before
    std::optional<Stored> before;     // and this value in it
    int result;
    JTWriteOutcome outcome;
    bool keyAfter;
    std::optional<Stored> after;      // nullopt: the value is missing afterwards
};

} // namespace

TEST(RecordWriteBack, WritesDeletesOrLeavesTheValueByItsFields)
{
    const std::string bytes("\x00\xFF\x10\x00", 4);
    const std::vector<WriteBackCase> cases = {
        {"binary bytes 00 and FF are redone exactly", Row("b", 2, "x", bytes, "", false), false, true,
         Stored{REG_BINARY, "zz"}, 1, JTWriteOutcome::Written, true, Stored{REG_BINARY, bytes}},
        {"an empty binary value writes 0 bytes", Row("b", 2, "", "x", "x", false), true, true, Stored{REG_BINARY, "zz"},
         1, JTWriteOutcome::Written, true, Stored{REG_BINARY, ""}},
        {"a string is restored with quotes intact", Row("s", 0, "a\"b\\", "new", "", false), true, true,
         Stored{REG_SZ, std::string("zz\0", 3)}, 1, JTWriteOutcome::Written, true,
         Stored{REG_SZ, std::string("a\"b\\\0", 5)}},
        {"a negative DWORD", Row("d", 1, "-5", "1", "", false), true, true, Stored{REG_DWORD, Dword(1)}, 1,
         JTWriteOutcome::Written, true, Stored{REG_DWORD, Dword(0xFFFFFFFBu)}},
        {"the default of an auto-create row deletes", Row("d", 1, "3", "7", "3", true), true, true,
         Stored{REG_DWORD, Dword(7)}, 1, JTWriteOutcome::Deleted, true, std::nullopt},
        {"deleting under a missing key creates no key", Row("d", 1, "3", "7", "3", true), true, false, std::nullopt, 1,
         JTWriteOutcome::Deleted, false, std::nullopt},
        {"auto-create makes the key and value", Row("s", 0, "x", "y", "", true), true, false, std::nullopt, 1,
         JTWriteOutcome::Written, true, Stored{REG_SZ, std::string("x\0", 2)}},
        {"a missing value may not be created", Row("s", 0, "x", "y", "", false), true, true, std::nullopt, 1,
         JTWriteOutcome::NothingToDo, true, std::nullopt},
        {"a missing key answers 0 and stays missing", Row("s", 0, "x", "y", "", false), false, false, std::nullopt, 0,
         JTWriteOutcome::KeyMissing, false, std::nullopt},
        {"an unknown type writes nothing", Row("u", 7, "x", "y", "", false), true, true, Stored{REG_SZ, std::string("z\0", 2)},
         1, JTWriteOutcome::UnknownType, true, Stored{REG_SZ, std::string("z\0", 2)}},
    };
    for (const WriteBackCase& c : cases) {
        SCOPED_TRACE(c.what);
        TestKey key("Records");
        JTRecord row = c.row;
        row.sSubKey = key.Sub("Deep");
        if (c.keyBefore) {
            ASSERT_EQ(RawSet(row.sSubKey, "Other", REG_SZ, "", 1), ERROR_SUCCESS);
        }
        if (c.before) {
            ASSERT_EQ(RawSet(row.sSubKey, "Value", c.before->type, c.before->bytes.data(),
                             static_cast<DWORD>(c.before->bytes.size())),
                      ERROR_SUCCESS);
        }
        JTRecord again = row;
        EXPECT_EQ(c.restore ? row.Restore() : row.Redo(), c.result);
        EXPECT_EQ(RawKeyExists(row.sSubKey), c.keyAfter);
        DWORD type = 0;
        std::string data;
        const bool present = RawGet(row.sSubKey, "Value", type, data);
        ASSERT_EQ(present, c.after.has_value());
        if (present) {
            EXPECT_EQ(type, c.after->type);
            EXPECT_EQ(data, c.after->bytes);
            // Afterwards the registry holds what the row asks for.
            EXPECT_EQ(row.AlreadyAtTarget(c.restore), c.outcome == JTWriteOutcome::Written);
        }
        EXPECT_EQ(again.WriteBackOutcome(c.restore), c.outcome);
    }
}

TEST(RecordWriteBack, AValueThatIsNoNumberRaisesBeforeAnythingChanges)
{
    TestKey key("Records-bad");
    // An empty old DWORD is no number; the key the row could create stays missing.
    JTRecord row = Row("d", 1, "", "1", "5", true);
    row.sSubKey = key.Sub("Deep");
    EXPECT_THROW(row.Restore(), ConversionError);
    EXPECT_FALSE(RawKeyExists(row.sSubKey));

    row.bAutoCreate = false;
    row.sNewVal = "12abc";
    ASSERT_EQ(RawSetDword(row.sSubKey, "Value", 9), ERROR_SUCCESS);
    EXPECT_THROW(row.Redo(), ConversionError);
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(RawGet(row.sSubKey, "Value", type, data));
    EXPECT_EQ(data, Dword(9));
}

TEST(RecordLiveValue, TellsMissingKeyMissingValueOtherTypeAndPresent)
{
    TestKey key("Records-live");
    JTRecord row = Row("b", 2, "", "", "", false);
    row.sSubKey = key.Path();
    EXPECT_EQ(row.ReadLive().state, JTLiveValue::KeyMissing);
    RawSetString(key.Path(), "Other", "x");
    EXPECT_EQ(row.ReadLive().state, JTLiveValue::ValueMissing);
    RawSetString(key.Path(), "Value", "x");
    EXPECT_EQ(row.ReadLive().state, JTLiveValue::OtherType);
    RawSet(key.Path(), "Value", REG_BINARY, "\x01\x00\xFF", 3);
    const JTLiveValue live = row.ReadLive();
    EXPECT_EQ(live.state, JTLiveValue::Present);
    EXPECT_EQ(live.value, std::string("\x01\x00\xFF", 3));
}
