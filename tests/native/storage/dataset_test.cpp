// The table interface the program uses: navigation, record numbers, editing with update
// statuses, field access, BLOB streams and the open/close life cycle.
#include "tests/native/storage/storage_test_util.h"

namespace kelt {
namespace {

using test::OpenBytes;

void Fill(TXdbTable& t, int count) {
    t.FieldDefs().Clear();
    t.FieldDefs().Add("iNo", ftInteger);
    t.FieldDefs().Add("sOldVal", ftBlob);
    t.Open();
    for (int i = 1; i <= count; ++i) {
        t.Append();
        t.FieldByName("iNo").SetAsInteger(i);
        t.Post();
    }
}

std::string Numbers(TXdbTable& t) {
    std::string seen;
    for (t.First(); !t.Eof(); t.Next()) seen += t.FieldByName("iNo").AsString() + ",";
    return seen;
}

TEST(XdbDataset, NewTableIsClosedAndEmpty) {
    TXdbTable t;
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(t.TableName(), "");
    EXPECT_EQ(t.LoadMode(), lmClear);
    EXPECT_EQ(t.FieldDefs().Count(), 0);
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_EQ(t.FindField("x"), nullptr);
}

TEST(XdbDataset, NavigationAndRecNo) {
    TXdbTable t;
    Fill(t, 5);
    EXPECT_EQ(t.RecordCount(), 5);
    EXPECT_EQ(Numbers(t), "1,2,3,4,5,");
    t.First();
    EXPECT_TRUE(t.Bof());
    EXPECT_FALSE(t.Eof());
    EXPECT_EQ(t.RecNo(), 1);
    t.Next();
    t.Next();
    EXPECT_EQ(t.RecNo(), 3);
    t.Prior();
    EXPECT_EQ(t.FieldByName("iNo").AsInteger(), 2);
    t.Last();
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(t.RecNo(), 5);
    EXPECT_EQ(t.MoveBy(-3), -3);
    EXPECT_EQ(t.RecNo(), 2);

    t.SetRecNo(4);
    EXPECT_EQ(t.FieldByName("iNo").AsInteger(), 4);
    t.SetRecNo(0);
    EXPECT_EQ(t.RecNo(), 1);
    t.SetRecNo(-7);
    EXPECT_EQ(t.RecNo(), 1);
    t.SetRecNo(99);
    EXPECT_EQ(t.RecNo(), 5);
    EXPECT_EQ(t.FieldByName("iNo").AsInteger(), 5);
}

TEST(XdbDataset, RecNoCountsVisibleRecordsOnly) {
    TXdbTable t;
    Fill(t, 5);
    t.SetRecNo(2);
    t.Delete();
    EXPECT_EQ(t.RecordCount(), 4);
    EXPECT_EQ(t.FieldByName("iNo").AsInteger(), 3);  // the next record becomes current
    EXPECT_EQ(t.RecNo(), 2);
    t.SetRecNo(4);
    EXPECT_EQ(t.FieldByName("iNo").AsInteger(), 5);
    t.Delete();  // the last one: the new last becomes current
    EXPECT_EQ(t.FieldByName("iNo").AsInteger(), 4);
    EXPECT_EQ(Numbers(t), "1,3,4,");
    EXPECT_EQ(t.RecordCount(), 3);
}

TEST(XdbDataset, UpdateStatuses) {
    test::TempDir dir;
    const std::string path = dir.file("s.xdb");
    {
        TXdbTable t;
        Fill(t, 3);
        t.SaveToFile(path);
    }
    TXdbTable t;
    t.LoadFromFile(path);
    const std::vector<TXdbRecord>& records = t.Cursor()->Records();
    EXPECT_EQ(records[0].UpdStatus, xusUnmodified);
    EXPECT_EQ(t.UpdateStatus(), xusUnmodified);

    t.Edit();
    t.FieldByName("iNo").SetAsInteger(10);
    EXPECT_EQ(t.State(), dsEdit);
    t.Post();
    EXPECT_EQ(records[0].UpdStatus, xusModified);

    t.Append();
    EXPECT_EQ(t.UpdateStatus(), xusInserted);
    t.FieldByName("iNo").SetAsInteger(4);
    t.Post();
    EXPECT_EQ(records[3].UpdStatus, xusInserted);
    EXPECT_EQ(t.RecNo(), 4);  // a posted record is added at the end and becomes current
    t.Edit();
    t.FieldByName("iNo").SetAsInteger(40);
    t.Post();
    EXPECT_EQ(records[3].UpdStatus, xusInserted);  // only unmodified turns into modified

    t.Delete();
    EXPECT_EQ(records[3].UpdStatus, xusAbsent);
    EXPECT_TRUE(records[3].Data.empty());
    t.SetRecNo(2);
    t.Delete();
    EXPECT_EQ(records[1].UpdStatus, xusDeleted);
    EXPECT_EQ(records.size(), 4u);
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(Numbers(t), "10,3,");
}

TEST(XdbDataset, CancelRestoresAndInsertAddsAtTheEnd) {
    TXdbTable t;
    Fill(t, 2);
    t.First();
    t.Edit();
    t.FieldByName("iNo").SetAsInteger(77);
    EXPECT_EQ(t.FieldByName("iNo").AsInteger(), 77);
    t.Cancel();
    EXPECT_EQ(t.FieldByName("iNo").AsInteger(), 1);
    t.Append();
    t.FieldByName("iNo").SetAsInteger(5);
    t.Cancel();
    EXPECT_EQ(t.RecordCount(), 2);
    t.First();
    t.Insert();
    t.FieldByName("iNo").SetAsInteger(9);
    t.Post();
    EXPECT_EQ(Numbers(t), "1,2,9,");
    // Moving away from a changed record posts it; an untouched one is dropped.
    t.First();
    t.Edit();
    t.FieldByName("iNo").SetAsInteger(8);
    t.Next();
    t.Append();
    t.Next();
    EXPECT_EQ(Numbers(t), "8,2,9,");
}

TEST(XdbDataset, EditOnAnEmptyTableAppends) {
    TXdbTable t;
    Fill(t, 0);
    t.Edit();
    EXPECT_EQ(t.State(), dsInsert);
    t.FieldByName("iNo").SetAsInteger(1);
    t.Post();
    EXPECT_EQ(t.RecordCount(), 1);
}

TEST(XdbDataset, ApplyUpdatesSavesOnlyChangedFileTables) {
    test::TempDir dir;
    const std::string path = dir.file("r.rwr");
    {
        TXdbTable t;
        Fill(t, 2);
        EXPECT_FALSE(t.ApplyUpdates());  // not loaded from a file
        t.SaveToFile(path);
    }
    const std::string original = test::ReadAll(path);
    TXdbTable t;
    t.LoadFromFile(path);
    EXPECT_FALSE(t.ApplyUpdates());
    t.Edit();
    t.Cancel();
    EXPECT_EQ(t.EditCount(), 0);
    EXPECT_FALSE(t.ApplyUpdates());

    t.Append();
    t.FieldByName("iNo").SetAsInteger(3);
    EXPECT_TRUE(t.ApplyUpdates());  // posts the pending append, then saves
    EXPECT_EQ(t.State(), dsBrowse);
    EXPECT_NE(test::ReadAll(path), original);
    EXPECT_EQ(t.EditCount(), 1);
    test::WriteAll(path, original);
    EXPECT_TRUE(t.ApplyUpdates());  // saving does not reset the count
    TXdbTable back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.RecordCount(), 3);

    back.SetRecNo(1);
    back.Delete();
    EXPECT_EQ(back.EditCount(), 1);
    EXPECT_TRUE(back.ApplyUpdates());
    TXdbTable again;
    again.LoadFromFile(path);
    EXPECT_EQ(Numbers(again), "2,3,");
}

TEST(XdbDataset, NameAndModeChangesClose) {
    test::TempDir dir;
    const std::string path = dir.file("t.xdb");
    TXdbTable t;
    Fill(t, 1);
    t.SaveToFile(path);
    t.SetTableName(path);
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(t.LoadMode(), lmFile);
    t.Open();
    EXPECT_TRUE(t.Active());
    EXPECT_EQ(t.FieldDefs().Count(), 2);
    t.SetLoadMode(lmClear);
    EXPECT_FALSE(t.Active());
    t.Open();  // an empty table with the columns read before
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_NE(t.FindField("sOldVal"), nullptr);
    t.SetTableName(path);
    t.SetTableName("");
    EXPECT_EQ(t.LoadMode(), lmClear);
    t.LoadFromFile(path);
    EXPECT_EQ(t.RecordCount(), 1);
    EXPECT_EQ(t.RecNo(), 1);
}

TEST(XdbDataset, BlobStreams) {
    TXdbTable t;
    Fill(t, 1);
    const std::string bytes("\0\x01\x02zz\xff", 6);
    t.Edit();
    {
        TXdbBlobStream w(t, "sOldVal", bmWrite);
        w.Write(bytes.substr(0, 2));
        w.Write(bytes.substr(2));
    }
    t.Post();
    {
        TXdbBlobStream r(t, "sOldVal", bmRead);
        EXPECT_EQ(r.Size(), 6u);
        char head[2];
        EXPECT_EQ(r.Read(head, 2), 2u);
        EXPECT_EQ(std::string(head, 2), bytes.substr(0, 2));
        EXPECT_EQ(r.ReadAll(), bytes.substr(2));
        EXPECT_THROW(r.Write("x"), XdbError);
    }
    EXPECT_EQ(t.FieldByName("sOldVal").AsString(), bytes);
    // A write stream starts empty: closing it without writing clears the value.
    t.Edit();
    {
        TXdbBlobStream w(t, "sOldVal", bmWrite);
        w.Close();
    }
    t.Post();
    EXPECT_TRUE(t.FieldByName("sOldVal").IsNull());
    EXPECT_THROW(TXdbBlobStream(t, "iNo", bmRead), XdbError);
}

TEST(XdbDataset, ValuesSurviveRewritesOfOtherFields) {
    TXdbTable t;
    t.FieldDefs().Add("a", ftMemo);
    t.FieldDefs().Add("s", ftString, 50);
    t.FieldDefs().Add("b", ftBlob);
    t.FieldDefs().Add("i", ftInteger);
    t.Open();
    t.Append();
    t.FieldByName("a").SetAsString("first");
    t.FieldByName("b").SetAsString(std::string(1000, 'b'));
    t.FieldByName("s").SetAsString("mid");
    t.FieldByName("a").SetAsString("changed");
    t.FieldByName("i").SetAsInteger(3);
    t.FieldByName("b").Clear();
    t.Post();
    EXPECT_EQ(t.FieldByName("a").AsString(), "changed");
    EXPECT_EQ(t.FieldByName("s").AsString(), "mid");
    EXPECT_TRUE(t.FieldByName("b").IsNull());
    EXPECT_EQ(t.FieldByName("i").AsInteger(), 3);
    EXPECT_EQ(t.FieldByName("i").AsString(), "3");
    EXPECT_TRUE(t.FieldByName("i").AsBoolean());
}

} // namespace
} // namespace kelt
