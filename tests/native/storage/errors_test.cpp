// Every failure the reader and the dataset raise, and hostile files: wrong counts, lengths
// and layouts must fail with the format's messages without reading out of bounds or
// allocating what a file merely claims.
#include <random>

#include "tests/native/storage/storage_test_util.h"

namespace kelt {
namespace {

using test::Bytes;
using test::Layout;
using test::OpenBytes;
using test::OpenError;
using test::TableBytes;

const std::string kPrefix = "Error opening table: ";

TEST(XdbReadErrors, HeaderCutShort) {
    const std::string full = TableBytes(0, 1, Layout({"XXX.i i"}), "");
    for (std::size_t n : {0u, 3u, 4u, 5u, 8u, 16u, 17u, 20u}) {
        EXPECT_EQ(OpenError(full.substr(0, n)), kPrefix + "Buffer structure corruption!") << n;
    }
    // A negative or oversized layout length.
    Bytes neg;
    neg.i32(0).u8('S').i32(0).i32(1).i32(-1);
    EXPECT_EQ(OpenError(neg.get()), kPrefix + "Buffer structure corruption!");
    Bytes big;
    big.i32(0).u8('S').i32(0).i32(1).i32(0x7FFFFFFF).str("XXX.i i\x12");
    EXPECT_EQ(OpenError(big.get()), kPrefix + "Buffer structure corruption!");
    // A header note running past the end, or with a negative length.
    const std::string layout = Layout({"XXX.i i"});
    EXPECT_EQ(OpenError(TableBytes(0, 1, layout, Bytes().u8('*').i16(10).str("abc").get())),
              kPrefix + "Buffer structure corruption!");
    EXPECT_EQ(OpenError(TableBytes(0, 1, layout, Bytes().u8('*').i16(-2).get())),
              kPrefix + "Buffer structure corruption!");
    EXPECT_EQ(OpenError(TableBytes(0, 1, layout, "*")), kPrefix + "Buffer structure corruption!");
}

TEST(XdbReadErrors, FieldDescriptionSection) {
    const std::string msg = kPrefix + "Error in buffer structure (field description section)";
    EXPECT_EQ(OpenError(TableBytes(0, 1, "XXX.i i", "")), msg);                     // no separator
    EXPECT_EQ(OpenError(TableBytes(0, 2, "XXX.i i\x12\x12", "")), msg);             // empty descriptor
    EXPECT_EQ(OpenError(TableBytes(0, 3, Layout({"XXX.i i", "XXX.j i"}), "")), msg);  // fewer descriptors
    EXPECT_EQ(OpenError(TableBytes(0, 1, Layout({"XXX.i x"}), "")), msg);           // unknown type letter
    EXPECT_EQ(OpenError(TableBytes(0, 1, Layout({"XXX.i #"}), "")), msg);
    EXPECT_EQ(OpenError(TableBytes(0, 1, Layout({"XXX.s s70000"}), "")), msg);      // length beyond 16 bits
    EXPECT_EQ(OpenError(TableBytes(0, 0, Layout({"XXX.i i"}), "")), msg);           // no fields
    EXPECT_EQ(OpenError(TableBytes(0, -1, Layout({"XXX.i i"}), "")), msg);          // negative count
    EXPECT_EQ(OpenError(TableBytes(1, 0x7FFFFFFF, Layout({"XXX.i i"}), "\x04")), msg);
}

TEST(XdbReadErrors, RecordsCutShortOrWithBadLengths) {
    const std::string layout = Layout({"XXX.n l", "XXX.s 3", "XXX.t s50", "XXX.m m"});
    auto open = [&](const std::string& body, int records = 1) { return OpenError(TableBytes(records, 4, layout, body)); };
    const std::string end = kPrefix + "Unexpected end of buffer";
    EXPECT_EQ(open(Bytes().u8(2).u8(0).u8(0).u8(0).u8(1).get()), end);               // value cut
    EXPECT_EQ(open(Bytes().u8(0).u8(0).u8(4).u8(0).i16(1).get()), end);              // length prefix cut
    EXPECT_EQ(open(Bytes().u8(0).u8(0).u8(4).u8(0).i32(5).str("ab").get()), end);    // string cut
    EXPECT_EQ(open(Bytes().u8(0).u8(0).u8(0).u8(4).i32(3).str("a").get()), end);     // BLOB cut
    EXPECT_EQ(open(Bytes().u8(3).u8(0).u8(0).u8(0).get()), kPrefix + "Field 'n' has wrong length 3 in record 1");
    EXPECT_EQ(open(Bytes().u8(0).u8(5).u8(0).u8(0).get()), kPrefix + "Field 's' has wrong length 5 in record 1");
    EXPECT_EQ(open(Bytes().u8(0).u8(0).u8(3).u8(0).get()), kPrefix + "Field 't' has wrong length 3 in record 1");
    EXPECT_EQ(open(Bytes().u8(0).u8(0).u8(0).u8(8).get()), kPrefix + "Field 'm' has wrong length 8 in record 1");
    EXPECT_EQ(open(Bytes().u8(0).u8(0).u8(4).u8(0).i32(-1).get()),
              kPrefix + "String field 't' has wrong length -1 in record 1");
    EXPECT_EQ(open(Bytes().u8(0).u8(0).u8(0).u8(4).i32(-5).get()),
              kPrefix + "BLOB field 'm' has wrong length -5 in record 1");
    EXPECT_EQ(open(Bytes().u8(0).u8(0).u8(0).u8(4).i32(1073741824).get()),
              kPrefix + "BLOB field 'm' has wrong length 1073741824 in record 1");
    // The record number counts the records read before.
    EXPECT_EQ(open(Bytes().u8(0).u8(0).u8(0).u8(0).u8(9).u8(0).u8(0).u8(0).get(), 2),
              kPrefix + "Field 'n' has wrong length 9 in record 2");
}

TEST(XdbReadErrors, AClaimedHugeBlobFailsWithoutAllocating) {
    // 30 bytes that declare a BLOB of nearly 1 GB: the claim is checked against what is there.
    const std::string bytes = TableBytes(1, 1, "XXX.o o\x12", Bytes().u8(4).i32(1073741823).get());
    ASSERT_EQ(bytes.size(), 30u);
    EXPECT_EQ(OpenError(bytes), kPrefix + "Unexpected end of buffer");
}

TEST(XdbReadErrors, RecordCountMismatch) {
    const std::string layout = Layout({"XXX.i i"});
    EXPECT_EQ(OpenError(TableBytes(3, 1, layout, Bytes().u8(4).i32(1).get())),
              kPrefix + "Number of records read (1) does not match declared record count (3)");
    EXPECT_EQ(OpenError(TableBytes(-4, 1, layout, "")),
              kPrefix + "Number of records read (0) does not match declared record count (-4)");
    EXPECT_EQ(OpenError(TableBytes(0x7FFFFFFF, 1, layout, std::string(10, '\0'))),
              kPrefix + "Number of records read (10) does not match declared record count (2147483647)");
}

TEST(XdbReadErrors, ErrorReportInPlaceOfATable) {
    Bytes b;
    b.i32(0).u8('E').str("Server said no").u8(0).str("ignored");
    EXPECT_EQ(OpenError(b.get()), kPrefix + "Server said no");
    Bytes unterminated;
    unterminated.i32(0).u8('E').str("cut");
    EXPECT_EQ(OpenError(unterminated.get()), kPrefix + "cut");
    // Any other signature byte is read as a table.
    std::string other = TableBytes(0, 1, Layout({"XXX.i i"}), "");
    other[4] = 'Q';
    EXPECT_EQ(OpenError(other), "");
}

TEST(XdbReadErrors, PartialOpenKeepsWhatWasRead) {
    const std::string layout = Layout({"XXX.i i"});
    const std::string bytes = TableBytes(3, 1, layout, Bytes().u8(4).i32(1).u8(4).i32(2).u8(7).get());
    std::vector<std::string> warnings;
    XdbWarningHandler previous = SetXdbWarningHandler([&](const std::string& m) { warnings.push_back(m); });
    TXdbTable t;
    t.SetPartialOpen(true);
    OpenBytes(t, bytes);
    SetXdbWarningHandler(previous);
    EXPECT_TRUE(t.Active());
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(warnings, (std::vector<std::string>{"Field 'i' has wrong length 7 in record 3"}));

    // Without it, the same file does not open.
    EXPECT_EQ(OpenError(bytes), kPrefix + "Field 'i' has wrong length 7 in record 3");
    // Structure errors cannot be opened partly.
    TXdbTable s;
    s.SetPartialOpen(true);
    EXPECT_THROW(OpenBytes(s, bytes.substr(0, 10)), XdbError);
    EXPECT_FALSE(s.Active());
}

TEST(XdbReadErrors, MissingFile) {
    test::TempDir dir;
    const std::string path = dir.file("absent.xdb");
    TXdbTable t;
    try {
        t.LoadFromFile(path);
        FAIL();
    } catch (const XdbError& e) {
        EXPECT_EQ(std::string(e.what()), "Error opening file " + path);
    }
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(t.TableName(), path);
    EXPECT_EQ(t.LoadMode(), lmFile);
    // A folder is not a table file either.
    EXPECT_THROW(t.LoadFromFile(dir.path().string()), XdbError);
}

TEST(XdbDatasetErrors, Messages) {
    TXdbTable t;
    try {
        t.Open();
        FAIL();
    } catch (const XdbError& e) {
        EXPECT_STREQ(e.what(), "Error creating table (no field descriptions)");
    }
    EXPECT_FALSE(t.Active());

    t.FieldDefs().Add("i", ftInteger);
    t.FieldDefs().Add("m", ftMemo);
    t.Open();
    try {
        t.FieldByName("i").SetAsInteger(1);
        FAIL();
    } catch (const XdbError& e) {
        EXPECT_STREQ(e.what(), "Table is not in edit or insert mode");
    }
    try {
        t.FieldByName("nope");
        FAIL();
    } catch (const XdbError& e) {
        EXPECT_STREQ(e.what(), "Field 'nope' not found");
    }
    EXPECT_EQ(t.FindField("nope"), nullptr);
    EXPECT_THROW(TXdbBlobStream(t, "m", bmWrite), XdbError);

    t.FieldByName("i").SetReadOnly(true);
    t.Append();
    try {
        t.FieldByName("i").SetAsInteger(1);
        FAIL();
    } catch (const XdbError& e) {
        EXPECT_STREQ(e.what(), "Field 'i' is read only!");
    }
    t.FieldByName("m").SetAsString("ok");
    t.Post();
    EXPECT_EQ(t.FieldByName("m").AsString(), "ok");

    try {
        t.FieldByName("i").AsString();
        t.Edit();
        t.FieldByName("m").SetAsInteger(0);
        t.Cancel();
        t.Append();
        t.Cancel();
        t.First();
        t.Delete();
        t.Delete();
        FAIL() << "deleting from an empty table succeeded";
    } catch (const XdbError& e) {
        EXPECT_STREQ(e.what(), "Cannot perform this operation on an empty dataset");
    }
    t.Close();
    EXPECT_THROW(t.First(), XdbError);
    EXPECT_THROW(t.Append(), XdbError);
    EXPECT_THROW(t.SaveToString(), XdbError);
}

TEST(XdbDatasetErrors, ValueConversions) {
    TXdbTable t;
    t.FieldDefs().Add("n", ftSmallint);
    t.FieldDefs().Add("s", ftString, 10);
    t.FieldDefs().Add("i", ftInteger);
    t.Open();
    t.Append();
    EXPECT_THROW(t.FieldByName("n").SetAsInteger(40000), XdbError);
    t.FieldByName("s").SetAsString("abc");
    EXPECT_THROW(t.FieldByName("s").AsInteger(), XdbError);
    EXPECT_THROW(t.FieldByName("s").AsBoolean(), XdbError);
    EXPECT_THROW(t.FieldByName("i").SetAsString("12x"), XdbError);
    t.FieldByName("i").SetAsString(" -12 ");
    EXPECT_EQ(t.FieldByName("i").AsInteger(), -12);
    t.FieldByName("s").SetAsInteger(42);
    EXPECT_EQ(t.FieldByName("s").AsInteger(), 42);
}

TEST(XdbCursorErrors, RecordNotFoundAndDeleted) {
    TXdbTable t;
    t.FieldDefs().Add("i", ftInteger);
    t.Open();
    t.Append();
    t.FieldByName("i").SetAsInteger(1);
    t.Post();
    TXdbCursor& c = *t.Cursor();
    TXdbRecord copy = c.Records()[0];
    try {
        c.ModifyRecord(5, copy);
        FAIL();
    } catch (const XdbError& e) {
        EXPECT_STREQ(e.what(), "Record is not found");
    }
    EXPECT_THROW(c.DeleteRecord(1), XdbError);

    // Two datasets over one table: the record one edits is deleted through the other.
    TXdbTable clone;
    clone.SetLoadMode(lmClone);
    clone.SetCloneSource(&t);
    clone.Open();
    EXPECT_EQ(clone.RecordCount(), 1);
    clone.Edit();
    clone.FieldByName("i").SetAsInteger(2);
    t.Delete();
    try {
        clone.Post();
        FAIL();
    } catch (const XdbError& e) {
        EXPECT_STREQ(e.what(), "Record has been deleted");
    }
    try {
        c.DeleteRecord(0);
        FAIL();
    } catch (const XdbError& e) {
        EXPECT_STREQ(e.what(), "Record has been deleted");
    }
    clone.Cancel();
    EXPECT_EQ(clone.RecordCount(), 0);
}

// Every single-byte change and every cut of valid tables either opens or fails with an engine
// error; the sanitizers catch any read out of bounds.
TEST(XdbHostileInput, MutatedTablesNeverCrash) {
    TXdbTable t;
    t.FieldDefs().Add("s", ftString, 4);
    t.FieldDefs().Add("t", ftString, 60);
    t.FieldDefs().Add("i", ftInteger);
    t.FieldDefs().Add("b", ftBoolean);
    t.FieldDefs().Add("f", ftFloat);
    t.FieldDefs().Add("m", ftMemo);
    t.Open();
    for (int r = 0; r < 3; ++r) {
        t.Append();
        t.FieldByName("s").SetAsString("ab");
        t.FieldByName("t").SetAsString("longer text " + std::to_string(r));
        t.FieldByName("i").SetAsInteger(r + 1);
        t.FieldByName("b").SetAsBoolean(r % 2 == 0);
        t.FieldByName("f").SetAsFloat(r + 0.5);
        t.FieldByName("m").SetAsString(std::string(5 + r, '\0'));
        t.Post();
    }
    const std::string valid = t.SaveToString();
    std::mt19937 rng(12345);
    const unsigned char specials[] = {0x00, 0x01, 0x04, 0x12, 0x14, 0x2A, 0x7F, 0x80, 0xFF};
    for (std::size_t pos = 0; pos < valid.size(); ++pos) {
        for (unsigned char v : specials) {
            std::string bytes = valid;
            bytes[pos] = static_cast<char>(v);
            TXdbTable x;
            try {
                OpenBytes(x, bytes);
                for (x.First(); !x.Eof(); x.Next()) {
                    for (int i = 0; i < x.FieldCount(); ++i) (void)x.Fields(i).AsString();
                }
                (void)x.SaveToString();
            } catch (const XdbError&) {
            }
        }
        std::string cut = valid.substr(0, pos);
        EXPECT_NE(OpenError(cut), "") << pos;
    }
    for (int round = 0; round < 2000; ++round) {
        std::string bytes = valid;
        for (int k = 0; k < 4; ++k) bytes[rng() % bytes.size()] = static_cast<char>(rng() & 0xFF);
        TXdbTable x;
        try {
            OpenBytes(x, bytes);
            (void)x.SaveToString();
        } catch (const XdbError&) {
        }
    }
}

} // namespace
} // namespace kelt
