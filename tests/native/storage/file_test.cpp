// Saving to and loading from files: atomic replacement, failures that leave the old file,
// and the save options.
#include "tests/native/storage/storage_test_util.h"

namespace kelt {
namespace {

void Fill(TXdbTable& t, std::initializer_list<int> values) {
    t.FieldDefs().Clear();
    t.FieldDefs().Add("iNo", ftInteger);
    t.FieldDefs().Add("sName", ftString, 10);
    t.Open();
    for (int v : values) {
        t.Append();
        t.FieldByName("iNo").SetAsInteger(v);
        t.FieldByName("sName").SetAsString("n" + std::to_string(v));
        t.Post();
    }
}

std::size_t CountFiles(const std::filesystem::path& dir) {
    std::size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        (void)entry;
        ++n;
    }
    return n;
}

TEST(XdbFile, SaveThenLoadGivesTheSameBytes) {
    test::TempDir dir;
    const std::string path = dir.file("KeltKinds.xdb");
    TXdbTable t;
    Fill(t, {3, 1, 2});
    t.SaveToFile(path);
    const std::string saved = test::ReadAll(path);
    EXPECT_EQ(saved, t.SaveToString());

    TXdbTable back;
    back.LoadFromFile(path);
    EXPECT_TRUE(back.Active());
    EXPECT_EQ(back.RecNo(), 1);
    EXPECT_EQ(back.FieldByName("sName").AsString(), "n3");
    const std::string copy = dir.file("copy.xdb");
    back.SaveToFile(copy);
    EXPECT_EQ(test::ReadAll(copy), saved);
    EXPECT_EQ(CountFiles(dir.path()), 2u);  // no temporary file is left behind
}

TEST(XdbFile, SaveReplacesAnExistingFile) {
    test::TempDir dir;
    const std::string path = dir.file("t.xdb");
    test::WriteAll(path, std::string(5000, 'x'));
    TXdbTable t;
    Fill(t, {1});
    t.SaveToFile(path);
    EXPECT_EQ(test::ReadAll(path), t.SaveToString());
}

TEST(XdbFile, FailedSaveKeepsTheOldFile) {
    test::TempDir dir;
    TXdbTable t;
    Fill(t, {1, 2});

    // The target is a folder.
    const std::string folder = dir.file("folder.xdb");
    std::filesystem::create_directory(folder);
    std::filesystem::create_directory(folder + "/inside");
    try {
        t.SaveToFile(folder);
        FAIL() << "saved over a folder";
    } catch (const XdbError& e) {
        EXPECT_NE(std::string(e.what()).find(folder), std::string::npos) << e.what();
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder + "/inside"));

    // The folder of the target does not exist.
    const std::string nowhere = dir.file("missing/t.xdb");
    try {
        t.SaveToFile(nowhere);
        FAIL();
    } catch (const XdbError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file " + nowhere, 0), 0u) << e.what();
    }

    // A value that cannot be written leaves the previous contents untouched.
    const std::string path = dir.file("t.xdb");
    t.SaveToFile(path);
    const std::string before = test::ReadAll(path);
    t.Close();
    t.FieldDefs().Clear();
    t.FieldDefs().Add("s", ftString, 9000);
    t.Open();
    t.Append();
    t.FieldByName("s").SetAsString(std::string(8500, 's'));
    t.Post();
    EXPECT_THROW(t.SaveToFile(path), XdbError);
    EXPECT_EQ(test::ReadAll(path), before);
    EXPECT_EQ(CountFiles(dir.path()), 2u);
}

TEST(XdbFile, SaveOptions) {
    test::TempDir dir;
    const std::string path = dir.file("rec.rwr");
    TXdbTable t;
    Fill(t, {3, 1, 2});
    t.SaveToFile(path);
    const std::string first = test::ReadAll(path);

    // Streaming to the file writes the same bytes as composing in memory.
    t.SetSaveOptions(savSlowMode);
    const std::string slow = dir.file("slow.rwr");
    t.SaveToFile(slow);
    EXPECT_EQ(test::ReadAll(slow), first);

    // A backup keeps the previous file under the extension ".~d".
    t.SetSaveOptions(savAutoBackup | savSortOnIndex);
    t.SetIndexFieldNames("iNo");
    t.SaveToFile(path);
    EXPECT_EQ(test::ReadAll(dir.file("rec.~d")), first);

    // Sorting while a record is being edited keeps the edit on that record.
    TXdbTable u;
    Fill(u, {3, 1, 2});
    u.SetRecNo(1);
    u.Edit();
    u.FieldByName("sName").SetAsString("edited");
    u.SetSaveOptions(savSortOnIndex);
    u.SetIndexFieldNames("iNo");
    u.SaveToFile(dir.file("sorted.rwr"));
    u.Post();
    EXPECT_EQ(u.RecNo(), 3);
    EXPECT_EQ(u.FieldByName("iNo").AsInteger(), 3);
    EXPECT_EQ(u.FieldByName("sName").AsString(), "edited");
    u.First();
    EXPECT_EQ(u.FieldByName("sName").AsString(), "n1");

    TXdbTable back;
    back.LoadFromFile(path);
    std::string order;
    for (back.First(); !back.Eof(); back.Next()) order += back.FieldByName("iNo").AsString();
    EXPECT_EQ(order, "123");
}

} // namespace
} // namespace kelt
