#include "tools/xdbc/catalogue_tables.h"

#include "storage/xdb_table.h"

namespace kelt::catsrc {
namespace {

std::string Join(const std::string& folder, const char* name) {
    if (folder.empty()) return name;
    if (folder.back() == '/' || folder.back() == '\\') return folder + name;
    return folder + "/" + name;
}

// Text columns are memos: they keep any length and binary values byte for byte.
void DefineItemColumns(TXdbTable& t, Style style) {
    TFieldDefs& d = t.FieldDefs();
    d.Add("iTypeID", ftInteger);
    d.Add("sDescribe", ftMemo);
    d.Add("iRegRoot", ftInteger);
    d.Add("sSubKey", ftMemo);
    d.Add("iRegType", ftInteger);
    d.Add("sDataName", ftMemo);
    d.Add("iOSType", ftInteger);
    d.Add("bAutoCreate", ftBoolean);
    d.Add("bReboot", ftBoolean);
    d.Add("sDetails", ftMemo);
    // Added later: older programs find columns by name and pass over this one.
    d.Add("iEditions", ftInteger);
    if (style == Style::Check) {
        d.Add("sYesVal", ftMemo);
        d.Add("sNoVal", ftMemo);
    } else {
        d.Add("sDefaultVal", ftMemo);
    }
}

void AppendVersionRow(TXdbTable& t, const char* version) {
    t.Append();
    t.FieldByName("sDescribe").SetAsString(version);
    t.Post();
}

void WriteItems(const Catalogue& catalogue, Style style, const std::string& path) {
    TXdbTable t;
    DefineItemColumns(t, style);
    t.Open();
    AppendVersionRow(t, style == Style::Check ? kCheckItemsVersion : kEditItemsVersion);
    for (const Tweak& tw : catalogue.tweaks) {
        if (tw.style != style) continue;
        t.Append();
        t.FieldByName("iTypeID").SetAsInteger(tw.kindIndex);
        t.FieldByName("sDescribe").SetAsString(tw.describe);
        t.FieldByName("iRegRoot").SetAsInteger(tw.root);
        t.FieldByName("sSubKey").SetAsString(tw.subKey);
        t.FieldByName("iRegType").SetAsInteger(tw.regType);
        t.FieldByName("sDataName").SetAsString(tw.dataName);
        t.FieldByName("iOSType").SetAsInteger(tw.osMask);
        t.FieldByName("bAutoCreate").SetAsBoolean(tw.autoCreate);
        t.FieldByName("bReboot").SetAsBoolean(tw.reboot);
        t.FieldByName("sDetails").SetAsString(tw.details);
        t.FieldByName("iEditions").SetAsInteger(tw.editions);
        if (style == Style::Check) {
            t.FieldByName("sYesVal").SetAsString(tw.yesVal);
            t.FieldByName("sNoVal").SetAsString(tw.noVal);
        } else {
            t.FieldByName("sDefaultVal").SetAsString(tw.defaultVal);
        }
        t.Post();
    }
    t.SaveToFile(path);
}

} // namespace

void WriteCatalogueTables(const Catalogue& catalogue, const std::string& folder) {
    {
        TXdbTable t;
        t.FieldDefs().Add("sDescribe", ftMemo);
        t.FieldDefs().Add("Glyph", ftBlob);
        t.Open();
        AppendVersionRow(t, kKindsVersion);
        for (const Kind& k : catalogue.kinds) {
            t.Append();
            t.FieldByName("sDescribe").SetAsString(k.name);
            if (!k.glyph.empty()) {
                TXdbBlobStream w(t, "Glyph", bmWrite);
                w.Write(k.glyph);
            }
            t.Post();
        }
        t.SaveToFile(Join(folder, kKindsFile));
    }
    WriteItems(catalogue, Style::Check, Join(folder, kCheckItemsFile));
    WriteItems(catalogue, Style::Edit, Join(folder, kEditItemsFile));
}

} // namespace kelt::catsrc
