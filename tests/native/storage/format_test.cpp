// The byte format: what is written for each type, the null rule, the layout string and the
// round trip of files byte for byte.
#include <cmath>
#include <limits>

#include "tests/native/storage/storage_test_util.h"

namespace kelt {
namespace {

using test::Bytes;
using test::Layout;
using test::OpenBytes;
using test::TableBytes;

void MakeRecordTable(TXdbTable& t) {
    t.FieldDefs().Clear();
    t.FieldDefs().Add("sName", ftString, 20);
    t.FieldDefs().Add("iRegRoot", ftInteger);
    t.FieldDefs().Add("bReboot", ftBoolean);
    t.FieldDefs().Add("sDescribe", ftMemo);
    t.Open();
}

TEST(XdbFormat, SmallTableHasExactBytes) {
    TXdbTable t;
    MakeRecordTable(t);
    t.Append();
    t.FieldByName("sName").SetAsString("ab");
    t.FieldByName("iRegRoot").SetAsInteger(static_cast<std::int32_t>(0x80000002u));
    t.FieldByName("bReboot").SetAsBoolean(true);
    t.FieldByName("sDescribe").SetAsString(std::string("x\0y", 3));
    t.Post();
    t.Append();  // every field null
    t.FieldByName("sName").SetAsString("");
    t.Post();
    t.Append();
    t.FieldByName("iRegRoot").SetAsInteger(5);
    t.FieldByName("bReboot").SetAsBoolean(false);
    t.FieldByName("sDescribe").SetAsString("");
    t.Post();

    const std::string layout = Layout({"XXX.sName K", "XXX.iRegRoot i", "XXX.bReboot b", "XXX.sDescribe m"});
    Bytes body;
    body.u8(2).u8(4).u8(2).u8(4).str("ab").u8(0x02).u8(0).u8(0).u8(0x80).u8(1).u8(0).i32(3).str(std::string("x\0y", 3));
    body.u8(0).u8(0).u8(0).u8(0);
    body.u8(0).u8(4).u8(0).u8(0).i32(5);
    const std::string expected = TableBytes(3, 4, layout, body.get());
    EXPECT_EQ(t.SaveToString(), expected);

    TXdbTable back;
    OpenBytes(back, expected);
    ASSERT_EQ(back.RecordCount(), 3);
    EXPECT_EQ(back.FieldByName("sName").AsString(), "ab");
    EXPECT_EQ(back.FieldByName("iRegRoot").AsInteger(), static_cast<std::int32_t>(0x80000002u));
    EXPECT_TRUE(back.FieldByName("bReboot").AsBoolean());
    EXPECT_EQ(back.FieldByName("sDescribe").AsString(), std::string("x\0y", 3));
    back.Next();
    EXPECT_TRUE(back.FieldByName("sDescribe").IsNull());
    back.Next();
    EXPECT_EQ(back.FieldByName("iRegRoot").AsInteger(), 5);
    EXPECT_EQ(back.SaveToString(), expected);
}

TEST(XdbFormat, EmptyTableIsHeaderOnly) {
    TXdbTable t;
    MakeRecordTable(t);
    const std::string bytes = t.SaveToString();
    const std::string layout = Layout({"XXX.sName K", "XXX.iRegRoot i", "XXX.bReboot b", "XXX.sDescribe m"});
    EXPECT_EQ(bytes.size(), 17 + layout.size());
    EXPECT_EQ(bytes, TableBytes(0, 4, layout, ""));

    TXdbTable back;
    OpenBytes(back, bytes);
    EXPECT_TRUE(back.Active());
    EXPECT_EQ(back.RecordCount(), 0);
    EXPECT_TRUE(back.Eof());
    EXPECT_EQ(back.RecNo(), 0);
    EXPECT_EQ(back.FieldByName("sDescribe").AsString(), "");
}

TEST(XdbFormat, LayoutUsesAliasesUnderscoresAndTypeParts) {
    TXdbTable t;
    t.FieldDefs().Add("a b", ftSmallint);
    t.FieldDefs().Add("w", ftWord);
    t.FieldDefs().Add("s0", ftString, 0);
    t.FieldDefs().Add("s9", ftString, 9);
    t.FieldDefs().Add("s10", ftString, 10);
    t.FieldDefs().Add("s35", ftString, 35);
    t.FieldDefs().Add("s36", ftString, 36);
    t.FieldDefs().Add("f", ftFloat);
    t.FieldDefs().Add("c", ftCurrency);
    t.FieldDefs().Add("d", ftDate);
    t.FieldDefs().Add("v", ftTime);
    t.FieldDefs().Add("t", ftDateTime);
    t.FieldDefs().Add("a", ftAutoInc);
    t.FieldDefs().Add("o", ftBlob);
    t.FieldDefs().Add("r", ftFmtMemo);
    t.FieldDefs().Add("g", ftGraphic);
    t.Open();
    const std::string expected = Layout({"XXX.a_b l", "XXX.w l", "XXX.s0 0", "XXX.s9 9", "XXX.s10 A", "XXX.s35 Z",
                                         "XXX.s36 s36", "XXX.f f", "XXX.c c", "XXX.d d", "XXX.v v", "XXX.t t",
                                         "XXX.a a", "XXX.o o", "XXX.r r", "XXX.g g"});
    const TXdbCursor& c = *t.Cursor();
    EXPECT_EQ(c.LayoutStr(), expected);

    // Slot widths, declared lengths and offsets of the descriptors.
    const std::uint16_t widths[] = {2, 2, 1, 10, 11, 36, 4, 8, 8, 4, 4, 8, 4, 8, 8, 8};
    std::uint32_t offset = 0;
    for (int i = 0; i < c.FieldCount(); ++i) {
        EXPECT_EQ(c.Field(i).Width, widths[i]) << c.Field(i).Name;
        EXPECT_EQ(c.Field(i).Offset, offset) << c.Field(i).Name;
        EXPECT_EQ(c.Field(i).Alias, "XXX");
        offset += widths[i];
    }
    EXPECT_EQ(c.RecordWidth(), offset);
    EXPECT_EQ(c.Field(0).Name, "a_b");
    EXPECT_EQ(c.Field(5).Type, xftSmallStr);
    EXPECT_EQ(c.Field(5).Length, 35);
    EXPECT_EQ(c.Field(6).Type, xftString);
    EXPECT_EQ(c.Field(6).Length, 36);
    EXPECT_TRUE(c.Field(0).Numeric);
    EXPECT_TRUE(c.Field(7).Numeric);
    EXPECT_TRUE(c.Field(12).Numeric);
    EXPECT_FALSE(c.Field(9).Numeric);
    EXPECT_FALSE(c.Field(13).Numeric);

    // Field definitions read back as host types; both string kinds are strings of their length.
    EXPECT_EQ(t.FieldDefs()[1].DataType, ftWord);  // lmClear keeps the definitions given
    TXdbTable back;
    OpenBytes(back, t.SaveToString());
    EXPECT_EQ(back.FieldDefs()[1].DataType, ftSmallint);
    EXPECT_EQ(back.FieldDefs()[5].DataType, ftString);
    EXPECT_EQ(back.FieldDefs()[5].Size, 35);
    EXPECT_EQ(back.FieldDefs()[6].Size, 36);
    EXPECT_EQ(back.FieldByName("g").DataType(), ftGraphic);
}

TEST(XdbFormat, TypeMappingHelpers) {
    EXPECT_EQ(TXdbCursor::GetFldType(ftString, 35), xftSmallStr);
    EXPECT_EQ(TXdbCursor::GetFldType(ftString, 36), xftString);
    EXPECT_EQ(TXdbCursor::GetFldType(ftWord, 0), xftSmallInt);
    EXPECT_EQ(TXdbCursor::GetFldType(ftUnknown, 0), xftUnknown);
    EXPECT_EQ(TXdbCursor::GetCharType(xftSmallStr, 20), "K");
    EXPECT_EQ(TXdbCursor::GetCharType(xftString, 100), "s100");
    EXPECT_EQ(TXdbCursor::GetCharType(xftUnknown, 0), "");
    EXPECT_EQ(static_cast<int>(xftGraphic), 15);
    EXPECT_EQ(static_cast<int>(xftSmallStr), 10);
    EXPECT_EQ(static_cast<int>(xusAbsent), 4);
}

TEST(XdbFormat, EveryTypeRoundTrips) {
    TXdbTable t;
    t.FieldDefs().Add("l", ftSmallint);
    t.FieldDefs().Add("i", ftInteger);
    t.FieldDefs().Add("b", ftBoolean);
    t.FieldDefs().Add("f", ftFloat);
    t.FieldDefs().Add("c", ftCurrency);
    t.FieldDefs().Add("d", ftDate);
    t.FieldDefs().Add("v", ftTime);
    t.FieldDefs().Add("t", ftDateTime);
    t.FieldDefs().Add("a", ftAutoInc);
    t.FieldDefs().Add("ss", ftString, 5);
    t.FieldDefs().Add("s", ftString, 200);
    t.FieldDefs().Add("o", ftBlob);
    t.FieldDefs().Add("m", ftMemo);
    t.FieldDefs().Add("r", ftFmtMemo);
    t.FieldDefs().Add("g", ftGraphic);
    t.Open();
    t.Append();
    t.FieldByName("l").SetAsInteger(-2);
    t.FieldByName("i").SetAsInteger(-100000);
    t.FieldByName("b").SetAsBoolean(true);
    t.FieldByName("f").SetAsFloat(-1.5);
    t.FieldByName("c").SetAsFloat(12.25);
    t.FieldByName("d").SetAsString("2004-02-29");
    t.FieldByName("v").SetAsString("13:45:10.250");
    t.FieldByName("t").SetAsString("0001-01-01 00:00:01");
    t.FieldByName("a").SetAsInteger(7);
    t.FieldByName("ss").SetAsString("toolongvalue");  // kept to its declared length
    t.FieldByName("s").SetAsString(std::string("str\0ing", 7));  // strings end at a NUL
    t.FieldByName("o").SetAsString(std::string("\0\xff\x01", 3));
    t.FieldByName("m").SetAsString("memo");
    t.FieldByName("r").SetAsString("{\\rtf}");
    t.FieldByName("g").SetAsString("BM");
    t.Post();

    const std::string bytes = t.SaveToString();
    TXdbTable back;
    OpenBytes(back, bytes);
    EXPECT_EQ(back.FieldByName("l").AsInteger(), -2);
    EXPECT_EQ(back.FieldByName("i").AsInteger(), -100000);
    EXPECT_TRUE(back.FieldByName("b").AsBoolean());
    EXPECT_EQ(back.FieldByName("f").AsFloat(), -1.5);
    EXPECT_EQ(back.FieldByName("c").AsString(), "12.25");
    EXPECT_EQ(back.FieldByName("d").AsString(), "2004-02-29");
    EXPECT_EQ(back.FieldByName("d").AsInteger(), 731640);
    EXPECT_EQ(back.FieldByName("v").AsInteger(), 49510250);
    EXPECT_EQ(back.FieldByName("v").AsString(), "13:45:10.250");
    EXPECT_EQ(back.FieldByName("t").AsFloat(), 86400000.0 + 1000.0);
    EXPECT_EQ(back.FieldByName("t").AsString(), "0001-01-01 00:00:01");
    EXPECT_EQ(back.FieldByName("a").AsInteger(), 7);
    EXPECT_EQ(back.FieldByName("ss").AsString(), "toolo");
    EXPECT_EQ(back.FieldByName("s").AsString(), "str");
    EXPECT_EQ(back.FieldByName("o").AsString(), std::string("\0\xff\x01", 3));
    EXPECT_EQ(back.FieldByName("m").AsString(), "memo");
    EXPECT_EQ(back.FieldByName("r").AsString(), "{\\rtf}");
    EXPECT_EQ(back.FieldByName("g").AsString(), "BM");
    EXPECT_EQ(back.SaveToString(), bytes);

    // Length bytes of the record: fixed widths, short string length, 4 for prefixed values.
    const std::size_t mapAt = 17 + back.Cursor()->LayoutStr().size();
    const unsigned char map[] = {2, 4, 2, 8, 8, 4, 4, 8, 4, 5, 4, 4, 4, 4, 4};
    for (std::size_t i = 0; i < sizeof map; ++i)
        EXPECT_EQ(static_cast<unsigned char>(bytes[mapAt + i]), map[i]) << "field " << i;
}

TEST(XdbFormat, ZeroFalseEmptyAndOddFloatsAreNotStored) {
    TXdbTable t;
    t.FieldDefs().Add("i", ftInteger);
    t.FieldDefs().Add("b", ftBoolean);
    t.FieldDefs().Add("s", ftString, 10);
    t.FieldDefs().Add("f", ftFloat);
    t.FieldDefs().Add("m", ftMemo);
    t.Open();
    const double values[] = {0.0, -0.0, std::numeric_limits<double>::quiet_NaN()};
    for (double v : values) {
        t.Append();
        t.FieldByName("i").SetAsInteger(0);
        t.FieldByName("b").SetAsBoolean(false);
        t.FieldByName("s").SetAsString("");
        t.FieldByName("f").SetAsFloat(v);
        t.FieldByName("m").SetAsString("");
        t.Post();
    }
    const std::string bytes = t.SaveToString();
    const std::string layout = t.Cursor()->LayoutStr();
    EXPECT_EQ(bytes, TableBytes(3, 5, layout, std::string(15, '\0')));

    TXdbTable back;
    OpenBytes(back, bytes);
    for (back.First(); !back.Eof(); back.Next()) {
        EXPECT_EQ(back.FieldByName("i").AsInteger(), 0);
        EXPECT_EQ(back.FieldByName("i").AsString(), "");
        EXPECT_FALSE(back.FieldByName("b").AsBoolean());
        EXPECT_EQ(back.FieldByName("s").AsString(), "");
        EXPECT_EQ(back.FieldByName("f").AsFloat(), 0.0);
        EXPECT_FALSE(std::signbit(back.FieldByName("f").AsFloat()));
        EXPECT_TRUE(back.FieldByName("m").IsNull());
    }
}

TEST(XdbFormat, BooleansWriteOneAndReadAnyNonZeroAsTrue) {
    const std::string layout = Layout({"XXX.b b"});
    TXdbTable t;
    OpenBytes(t, TableBytes(3, 1, layout, Bytes().u8(2).u8(0xFF).u8(0xFF).u8(2).u8(0).u8(1).u8(1).u8(9).get()));
    ASSERT_EQ(t.RecordCount(), 3);
    EXPECT_TRUE(t.FieldByName("b").AsBoolean());
    t.Next();
    EXPECT_TRUE(t.FieldByName("b").AsBoolean());
    t.Next();
    EXPECT_TRUE(t.FieldByName("b").AsBoolean());  // a one-byte value fills the slot's first byte

    t.Edit();
    t.FieldByName("b").SetAsBoolean(true);
    t.Post();
    const std::string bytes = t.SaveToString();
    EXPECT_EQ(bytes.substr(bytes.size() - 3), std::string("\x02\x01\x00", 3));
}

TEST(XdbFormat, ShortStringBoundary) {
    TXdbTable t;
    t.FieldDefs().Add("s35", ftString, 35);
    t.FieldDefs().Add("s36", ftString, 36);
    t.Open();
    t.Append();
    t.FieldByName("s35").SetAsString(std::string(40, 'a'));
    t.FieldByName("s36").SetAsString(std::string(40, 'b'));
    t.Post();
    EXPECT_EQ(t.Cursor()->Field(0).Width, 36);
    EXPECT_EQ(t.Cursor()->Field(1).Width, 4);
    const std::string bytes = t.SaveToString();
    const std::size_t mapAt = 17 + t.Cursor()->LayoutStr().size();
    EXPECT_EQ(static_cast<unsigned char>(bytes[mapAt]), 35);
    EXPECT_EQ(static_cast<unsigned char>(bytes[mapAt + 1]), 4);
    TXdbTable back;
    OpenBytes(back, bytes);
    EXPECT_EQ(back.FieldByName("s35").AsString(), std::string(35, 'a'));
    EXPECT_EQ(back.FieldByName("s36").AsString(), std::string(36, 'b'));
}

TEST(XdbFormat, LongStringBoundary) {
    const std::string layout = Layout({"XXX.s s9000"});
    const std::string ok(8191, 'q');
    TXdbTable t;
    OpenBytes(t, TableBytes(1, 1, layout, Bytes().u8(4).i32(8191).str(ok).get()));
    EXPECT_EQ(t.FieldByName("s").AsString(), ok);

    EXPECT_EQ(test::OpenError(TableBytes(1, 1, layout, Bytes().u8(4).i32(8192).str(ok + "q").get())),
              "Error opening table: String field 's' has wrong length 8192 in record 1");

    // The writer refuses a value no reader would accept, instead of writing an unreadable file.
    t.Edit();
    t.FieldByName("s").SetAsString(ok + "q");
    t.Post();
    try {
        t.SaveToString();
        FAIL() << "saved an unreadable string";
    } catch (const XdbError& e) {
        EXPECT_STREQ(e.what(), "String field 's' has wrong length 8192 in record 1");
    }
}

TEST(XdbFormat, ReaderAcceptsNamesWithoutAliasAndPlainStringLetter) {
    const std::string layout = Layout({"plain s", "DB.x 3", "A.b.c i"}, false);
    TXdbTable t;
    OpenBytes(t, TableBytes(1, 3, layout, Bytes().u8(4).u8(3).u8(4).i32(2).str("hi").str("abc").i32(9).get()));
    const TXdbCursor& c = *t.Cursor();
    EXPECT_EQ(c.Field(0).Alias, "XXX");
    EXPECT_EQ(c.Field(0).Name, "plain");
    EXPECT_EQ(c.Field(0).Length, 100);
    EXPECT_EQ(c.Field(1).Alias, "DB");
    EXPECT_EQ(c.Field(2).Name, "b.c");
    EXPECT_EQ(t.FieldByName("plain").AsString(), "hi");
    EXPECT_EQ(t.FieldByName("x").AsString(), "abc");
    EXPECT_EQ(t.FieldByName("b.c").AsInteger(), 9);
    // The layout is written back exactly as read (no trailer added).
    EXPECT_EQ(t.SaveToString(), TableBytes(1, 3, layout, Bytes().u8(4).u8(3).u8(4).i32(2).str("hi").str("abc").i32(9).get()));
}

TEST(XdbFormat, HeaderNoteRoundTrips) {
    const std::string layout = Layout({"XXX.i i", "XXX.m m"});
    const std::string note = Bytes().u8('*').i16(5).str("hello").get();
    const std::string withRecord = TableBytes(1, 2, layout, note + Bytes().u8(4).u8(0).i32(3).get());
    TXdbTable t;
    OpenBytes(t, withRecord);
    EXPECT_EQ(t.Cursor()->HeaderNote(), "hello");
    EXPECT_EQ(t.FieldByName("i").AsInteger(), 3);
    EXPECT_EQ(t.SaveToString(), withRecord);

    // A note on an empty table is kept even when it is shorter than a length map would be.
    const std::string wide = Layout({"XXX.a i", "XXX.b i", "XXX.c i", "XXX.d i", "XXX.e i", "XXX.f i"});
    const std::string empty = TableBytes(0, 6, wide, Bytes().u8('*').i16(1).str("n").get());
    OpenBytes(t, empty);
    EXPECT_EQ(t.Cursor()->HeaderNote(), "n");
    EXPECT_EQ(t.SaveToString(), empty);
}

TEST(XdbFormat, DeletedRecordsAreLeftOutAndCounted) {
    TXdbTable t;
    t.FieldDefs().Add("i", ftInteger);
    t.Open();
    for (int i = 1; i <= 4; ++i) {
        t.Append();
        t.FieldByName("i").SetAsInteger(i);
        t.Post();
    }
    t.SetRecNo(2);
    t.Delete();
    const std::string bytes = t.SaveToString();
    TXdbTable back;
    OpenBytes(back, bytes);
    ASSERT_EQ(back.RecordCount(), 3);
    std::string seen;
    for (back.First(); !back.Eof(); back.Next()) seen += back.FieldByName("i").AsString();
    EXPECT_EQ(seen, "134");
    EXPECT_EQ(bytes.substr(5, 4), Bytes().i32(3).get());
}

TEST(XdbFormat, RecordsBeyondTheDeclaredCountAreIgnored) {
    const std::string layout = Layout({"XXX.i i"});
    const std::string body = Bytes().u8(4).i32(1).u8(4).i32(2).u8(4).i32(3).get();
    TXdbTable t;
    OpenBytes(t, TableBytes(2, 1, layout, body));
    EXPECT_EQ(t.RecordCount(), 2);
    t.Last();
    EXPECT_EQ(t.FieldByName("i").AsInteger(), 2);
}

TEST(XdbFormat, ProgressRoundsHalvesToEven) {
    EXPECT_EQ(TXdbCursor::ProgressPercent(1, 8), 12);  // 12.5
    EXPECT_EQ(TXdbCursor::ProgressPercent(3, 8), 38);  // 37.5
    EXPECT_EQ(TXdbCursor::ProgressPercent(5, 8), 62);  // 62.5
    EXPECT_EQ(TXdbCursor::ProgressPercent(1, 3), 33);
    EXPECT_EQ(TXdbCursor::ProgressPercent(2, 3), 67);
    EXPECT_EQ(TXdbCursor::ProgressPercent(1, 200), 0);  // 0.5
    EXPECT_EQ(TXdbCursor::ProgressPercent(3, 200), 2);  // 1.5

    TXdbTable t;
    t.FieldDefs().Add("i", ftInteger);
    t.Open();
    for (int i = 0; i < 8; ++i) {
        t.Append();
        t.FieldByName("i").SetAsInteger(i + 1);
        t.Post();
    }
    t.SetRecNo(8);
    t.Delete();  // a hidden record still counts in the list size
    std::vector<int> saved;
    t.SetOnProgress([&](int p) { saved.push_back(p); });
    const std::string bytes = t.SaveToString();
    EXPECT_EQ(saved, (std::vector<int>{12, 25, 38, 50, 62, 75, 88}));

    std::vector<int> loaded;
    TXdbTable back;
    back.SetOnProgress([&](int p) { loaded.push_back(p); });
    OpenBytes(back, bytes);
    EXPECT_EQ(loaded, (std::vector<int>{14, 29, 43, 57, 71, 86, 100}));
}

} // namespace
} // namespace kelt
