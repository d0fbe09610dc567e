// Writes the seed tables of the reader's fuzz corpus (run once; the files are kept in corpus/).
//   storage_make_corpus DIR
#include <cstdint>
#include <string>
#include <vector>

#include "storage/xdb_table.h"

namespace {

void RecordFile(const std::string& path) {
    kelt::TXdbTable t;
    const char* memos[] = {"sSubKey", "sValueName"};
    for (const char* m : memos) t.FieldDefs().Add(m, kelt::ftMemo);
    t.FieldDefs().Add("bReboot", kelt::ftBoolean);
    t.FieldDefs().Add("iRegRoot", kelt::ftInteger);
    t.FieldDefs().Add("sOldVal", kelt::ftBlob);
    t.Open();
    for (int i = 0; i < 3; ++i) {
        t.Append();
        t.FieldByName("sSubKey").SetAsString("Software\\Key" + std::to_string(i));
        t.FieldByName("sValueName").SetAsString(i == 1 ? "" : "Value");
        t.FieldByName("bReboot").SetAsBoolean(i == 2);
        t.FieldByName("iRegRoot").SetAsInteger(static_cast<std::int32_t>(0x80000001u + static_cast<unsigned>(i)));
        t.FieldByName("sOldVal").SetAsString(std::string("\x01\x00\xff", 3));
        t.Post();
    }
    t.SaveToFile(path);
}

// A record file as the apply run writes it: the nine columns in their order, one row per value.
struct RecordRow {
    const char* describe;
    int type;
    std::string oldVal, newVal, defaultVal;
    bool autoCreate;
};

void RecordRows(const std::string& path, const std::vector<RecordRow>& rows) {
    kelt::TXdbTable t;
    t.FieldDefs().Add("sDescribe", kelt::ftMemo);
    t.FieldDefs().Add("sDefaultVal", kelt::ftMemo);
    t.FieldDefs().Add("bAutoCreate", kelt::ftBoolean);
    t.FieldDefs().Add("iRegRoot", kelt::ftInteger);
    t.FieldDefs().Add("sSubKey", kelt::ftMemo);
    t.FieldDefs().Add("sDataName", kelt::ftMemo);
    t.FieldDefs().Add("iRegType", kelt::ftInteger);
    t.FieldDefs().Add("sOldVal", kelt::ftBlob);
    t.FieldDefs().Add("sNewVal", kelt::ftBlob);
    t.Open();
    for (const RecordRow& r : rows) {
        t.Append();
        t.FieldByName("sDescribe").SetAsString(r.describe);
        t.FieldByName("iRegType").SetAsInteger(r.type);
        t.FieldByName("iRegRoot").SetAsInteger(static_cast<std::int32_t>(0x80000001u));
        t.FieldByName("sSubKey").SetAsString("Software\\Dorvane\\Keltrix 0.8\\Sample");
        t.FieldByName("sDataName").SetAsString(r.describe);
        t.FieldByName("sOldVal").SetAsString(r.oldVal);
        t.FieldByName("sNewVal").SetAsString(r.newVal);
        t.FieldByName("sDefaultVal").SetAsString(r.defaultVal);
        t.FieldByName("bAutoCreate").SetAsBoolean(r.autoCreate);
        t.Post();
    }
    t.SaveToFile(path);
}

void AllTypes(const std::string& path) {
    kelt::TXdbTable t;
    const kelt::TFieldType types[] = {kelt::ftSmallint, kelt::ftInteger,  kelt::ftBoolean, kelt::ftFloat,
                                      kelt::ftCurrency, kelt::ftDate,     kelt::ftTime,    kelt::ftDateTime,
                                      kelt::ftAutoInc,  kelt::ftBlob,     kelt::ftMemo,    kelt::ftFmtMemo,
                                      kelt::ftGraphic};
    int n = 0;
    for (kelt::TFieldType type : types) t.FieldDefs().Add("f" + std::to_string(n++), type);
    t.FieldDefs().Add("short", kelt::ftString, 12);
    t.FieldDefs().Add("long", kelt::ftString, 80);
    t.Open();
    for (int r = 0; r < 2; ++r) {
        t.Append();
        for (int i = 0; i < t.FieldCount(); ++i) {
            kelt::TField& f = t.Fields(i);
            if (f.DataType() == kelt::ftString || f.IsBlob()) f.SetAsString("text " + std::to_string(i + r));
            else f.SetAsInteger(i + r + 1);
        }
        t.Post();
    }
    t.SaveToFile(path);
}

void Empty(const std::string& path) {
    kelt::TXdbTable t;
    t.FieldDefs().Add("sDescribe", kelt::ftMemo);
    t.FieldDefs().Add("sName", kelt::ftString, 20);
    t.Open();
    t.SaveToFile(path);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string dir = argv[1];
    RecordFile(dir + "/record.rwr");
    RecordRows(dir + "/record_string.rwr", {{"Title", 0, "Old title", "New \"title\"", "", false}});
    RecordRows(dir + "/record_dword.rwr", {{"Count", 1, "-5", "2147483647", "0", true}});
    RecordRows(dir + "/record_binary.rwr",
               {{"Mask", 2, std::string("\x00\xFF\x10\x00", 4), std::string("\xFF\x00", 2), std::string(1, '\0'), true}});
    // Old values equal to the default: a restore deletes them. Empty fields are stored absent.
    RecordRows(dir + "/record_default_delete.rwr",
               {{"NoDrives", 1, "0", "67108863", "0", true}, {"Wallpaper", 0, "", "C:\\a.bmp", "", true}});
    AllTypes(dir + "/alltypes.xdb");
    Empty(dir + "/empty.xdb");
    return 0;
}
