#include "app/command_line/state_report.h"

#include <cstdio>
#include <memory>

#include "catalogue/ck_set_item.h"
#include "catalogue/ed_set_item.h"
#include "catalogue/platform/edition.h"
#include "catalogue/platform/os_family.h"
#include "catalogue/reg_settings.h"
#include "catalogue/value_format.h"
#include "storage/error.h"
#include "storage/xdb_table.h"
#include "ui/text.h"

namespace kelt {

namespace {

void OpenCatalogueTable(TXdbTable& table, const std::string& path, const char* version)
{
    try {
        table.LoadFromFile(path);
        table.First();
    } catch (const std::exception& error) {
        throw Error("Fail to read " + path + ": " + error.what());
    }
    if (table.Eof() || table.FieldByName("sDescribe").AsString() != version)
        throw Error("Fail to read " + path + ": it is no catalogue table of this version");
    table.Next();
}

std::string TypeName(int type)
{
    switch (type) {
    case 0: return "REG_SZ";
    case 1: return "REG_DWORD";
    case 2: return "REG_BINARY";
    default: return "type " + std::to_string(type);
    }
}

// The families a mask names, for a tweak that is not offered here.
std::string NotSuitedWhy(int mask)
{
    std::string families;
    for (int family = osWindows95; family <= osWindows11; family <<= 1)
        if (mask & family)
            families += (families.empty() ? "" : ", ") + FamilyName(family);
    const std::string here = FamilyName(OSFamily);
    return (families.empty() ? std::string("for no Windows this program knows") : "for " + families) + " (this is " +
           (here.empty() ? std::string("a Windows this program does not know") : here) + ")";
}

// One tweak of the table's current row, read as the window reads it.
JTTweakState StateOf(JTSetItem& item, const std::string& catalogue)
{
    JTTweakState state;
    const bool readable = item.Initialize(true, true);
    state.catalogue = catalogue;
    state.style = ItemKindOf(&item) == ikCheckItem ? "check" : "edit";
    state.description = item.sDescribe;
    state.path = item.RegistryPath();
    state.type = TypeName(item.iRegType);
    state.suited = item.SuitsRunningWindows();
    if (!state.suited && item.OSType.SuitsRunningWindows())
        state.notSuitedWhy =
            "for the " + EditionsText(item.iEditions) + " editions (this is " + EditionsText(OSEdition) + ")";
    else if (!state.suited)
        state.notSuitedWhy = NotSuitedWhy(item.OSType.Mask());
    state.valueSet = item.ValueStored() && readable;
    if (!readable)
        state.state = "other type";
    else if (ItemKindOf(&item) == ikCheckItem)
        state.state = static_cast<JTckSetItem&>(item).RegistryState() ? "on" : "off";
    else
        state.state = item.ValueStored() ? "set" : "not set";
    if (state.valueSet)
        state.value = ValueText(item.iRegType, item.CurrentValue());
    return state;
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (char c : ui::Utf8(text)) {
        const unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (u < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", u);
                out += escape;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

} // namespace

std::vector<JTTweakState> ReadTweakStates(const std::string& programFolder)
{
    TXdbTable kinds, checks, edits;
    OpenCatalogueTable(kinds, programFolder + "KeltKinds.xdb", kKindsVersion);
    OpenCatalogueTable(checks, programFolder + "KeltckItems.xdb", kCkItemsVersion);
    OpenCatalogueTable(edits, programFolder + "KeltedItems.xdb", kEdItemsVersion);
    std::vector<std::string> names;
    for (; !kinds.Eof(); kinds.Next())
        names.push_back(kinds.FieldByName("sDescribe").AsString());

    // Each kind's check-styled tweaks, then its edit-styled ones, in table order; rows of no
    // kind are passed over, as the window passes them over.
    std::vector<std::vector<JTTweakState>> byKind(names.size() * 2);
    for (TXdbTable* table : {&checks, &edits}) {
        const bool check = table == &checks;
        for (; !table->Eof(); table->Next()) {
            const int kind = table->FieldByName("iTypeID").AsInteger();
            if (kind < 0 || kind >= static_cast<int>(names.size()))
                continue;
            std::unique_ptr<JTSetItem> item;
            if (check)
                item = std::make_unique<JTckSetItem>();
            else
                item = std::make_unique<JTedSetItem>();
            item->SetTable(table);
            byKind[kind * 2 + (check ? 0 : 1)].push_back(StateOf(*item, names[kind]));
        }
    }
    std::vector<JTTweakState> tweaks;
    for (auto& group : byKind)
        for (auto& tweak : group)
            tweaks.push_back(std::move(tweak));
    return tweaks;
}

std::string TweakStatesCsv(const std::vector<JTTweakState>& tweaks, const std::string& computer)
{
    std::string csv = "Computer,Catalogue,Style,Description,Path,Type,Suited,State,Value\r\n";
    for (const JTTweakState& t : tweaks) {
        const std::string fields[] = {computer,
                                      t.catalogue,
                                      t.style,
                                      t.description,
                                      t.path,
                                      t.type,
                                      t.suited ? "yes" : "no: " + t.notSuitedWhy,
                                      t.state,
                                      t.value};
        for (std::size_t i = 0; i < sizeof fields / sizeof fields[0]; ++i)
            csv += (i ? "," : "") + CsvField(fields[i]);
        csv += "\r\n";
    }
    return ui::Utf8(csv);
}

std::string TweakStatesJson(const std::vector<JTTweakState>& tweaks, const std::string& computer,
                            const std::string& windows)
{
    std::string json = "{\r\n  \"computer\": " + JsonString(computer) + ",\r\n  \"windows\": " + JsonString(windows) +
                       ",\r\n  \"tweaks\": [";
    for (std::size_t i = 0; i < tweaks.size(); ++i) {
        const JTTweakState& t = tweaks[i];
        json += std::string(i ? "," : "") + "\r\n    {\"catalogue\": " + JsonString(t.catalogue) +
                ", \"style\": " + JsonString(t.style) + ", \"description\": " + JsonString(t.description) +
                ", \"path\": " + JsonString(t.path) + ", \"type\": " + JsonString(t.type) +
                ", \"suited\": " + (t.suited ? "true" : "false") +
                ", \"notSuitedWhy\": " + (t.suited ? "null" : JsonString(t.notSuitedWhy)) +
                ", \"state\": " + JsonString(t.state) + ", \"value\": " + (t.valueSet ? JsonString(t.value) : "null") +
                "}";
    }
    return json + "\r\n  ]\r\n}\r\n";
}

} // namespace kelt
