#include "app/apply/gpp_export.h"

#include <windows.h>

#include <cstdio>

#include "catalogue/platform/int_text.h"
#include "catalogue/record.h"
#include "catalogue/set_item.h"
#include "ui/text.h"

namespace kelt {

namespace {

const char kSettingsClsid[] = "{A3CCFC41-DFDB-43a5-8D26-0FE8B954DA51}";
const char kItemClsid[] = "{9CD4B2F4-923D-47f5-A062-E897DD1DAD50}";

bool IsXmlCharacter(wchar_t c)
{
    return c == L'\t' || c == L'\n' || c == L'\r' || (c >= 0x20 && c != 0xFFFE && c != 0xFFFF);
}

// Whether XML can carry the text at all: control characters other than tab, line feed and
// carriage return have no place in an XML 1.0 document, not even as references.
bool Carriable(const std::string& text)
{
    for (wchar_t c : ui::Wide(text))
        if (!IsXmlCharacter(c))
            return false;
    return true;
}

// Text that only describes (a description, a comment): what XML cannot carry becomes a blank.
std::string Blanked(const std::string& text)
{
    if (Carriable(text))
        return text;
    std::wstring wide = ui::Wide(text);
    for (wchar_t& c : wide)
        if (!IsXmlCharacter(c))
            c = L' ';
    return ui::Narrow(wide);
}

// 64-bit FNV-1a of the text, started from `basis`.
unsigned long long Fnv(const std::string& text, unsigned long long basis)
{
    unsigned long long hash = basis;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001B3ULL;
    }
    return hash;
}

// An item identity that follows from what the item states and where it stands.
std::string ItemUid(const std::string& identity)
{
    const unsigned long long high = Fnv(identity, 0xCBF29CE484222325ULL);
    const unsigned long long low = Fnv(identity, 0x84222325CBF29CE4ULL);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "{%08lX-%04X-%04X-%04X-%04X%08lX}",
                  static_cast<unsigned long>(high >> 32), static_cast<unsigned>((high >> 16) & 0xFFFF),
                  static_cast<unsigned>(high & 0xFFFF), static_cast<unsigned>((low >> 48) & 0xFFFF),
                  static_cast<unsigned>((low >> 32) & 0xFFFF), static_cast<unsigned long>(low & 0xFFFFFFFFUL));
    return buffer;
}

// An attribute value: the text in UTF-8 with the characters markup uses escaped; tab and line
// ends as references, so a reader does not fold them into blanks.
std::string Attribute(const std::string& text)
{
    std::string out;
    for (char c : ui::Utf8(text)) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\t': out += "&#9;"; break;
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        default: out += c; break;
        }
    }
    return out;
}

// Text inside a comment stays on its line and may not hold two hyphens in a row (nor end in
// one).
std::string CommentText(const std::string& text)
{
    std::string out;
    for (char c : ui::Utf8(Blanked(text))) {
        if (c == '\r' || c == '\n' || c == '\t')
            c = ' ';
        if (c == '-' && !out.empty() && out.back() == '-')
            out += ' ';
        out += c;
    }
    if (!out.empty() && out.back() == '-')
        out += ' ';
    return out;
}

const char* TypeName(int type)
{
    switch (type) {
    case 0: return "REG_SZ";
    case 1: return "REG_DWORD";
    default: return "REG_BINARY";
    }
}

// The picture the Group Policy editor shows for an item: one set of four (create, replace,
// update, delete) per kind of value.
int Image(int type, bool deletes)
{
    const int first = type == 0 ? 5 : type == 1 ? 10 : 15;
    return first + (deletes ? 3 : 2);
}

// The value attribute as the preferences carry it: a string as it is (up to its first NUL, as
// the registry keeps it), a DWORD as eight hexadecimal digits, binary data as byte pairs.
bool ValueText(const JTRecord& row, const std::string& value, std::string& text, std::string& reason)
{
    switch (row.iRegType) {
    case 0: {
        const std::string kept = value.substr(0, value.find('\0'));
        if (!Carriable(kept)) {
            reason = "the text holds control characters an XML file cannot carry";
            return false;
        }
        text = Attribute(kept);
        return true;
    }
    case 1: {
        int number = 0;
        if (!TryStrToInt(value, number)) {
            reason = "'" + value + "' is not a valid integer value";
            return false;
        }
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%08X", static_cast<unsigned>(number));
        text = buffer;
        return true;
    }
    default: {
        text.clear();
        for (unsigned char c : value) {
            char pair[4];
            std::snprintf(pair, sizeof pair, "%02x", c);
            if (!text.empty())
                text += ' ';
            text += pair;
        }
        return true;
    }
    }
}

std::string Trimmed(std::string key)
{
    while (!key.empty() && key.front() == '\\')
        key.erase(key.begin());
    while (!key.empty() && key.back() == '\\')
        key.pop_back();
    return key;
}

} // namespace

JTGppSide GppSideOf(const JTRecord& row)
{
    return static_cast<unsigned>(row.iRegRoot) == 0x80000001u ? JTGppSide::User : JTGppSide::Computer;
}

JTGppExport BuildGppRegistryXml(const std::vector<const JTRecord*>& rows, bool oldValues, JTGppSide side,
                                const std::string& changed)
{
    JTGppExport result;
    std::string items;
    std::string conditional;
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const JTRecord* row = rows[index];
        if (!row || GppSideOf(*row) != side)
            continue;
        const std::string unusable = row->UnusableReason();
        if (!unusable.empty()) {
            result.leftOut.push_back(row->sDescribe + ": " + unusable);
            result.leftOutRows.push_back(index);
            continue;
        }
        const std::string key = Trimmed(row->sSubKey);
        if (!Carriable(key) || !Carriable(row->sDataName)) {
            result.leftOut.push_back(row->sDescribe + ": the " + (Carriable(key) ? "value name" : "key") +
                                     " holds control characters an XML file cannot carry");
            result.leftOutRows.push_back(index);
            continue;
        }
        const bool deletes = row->TargetDeletes(oldValues);
        std::string value, reason;
        if (!deletes && !ValueText(*row, row->Target(oldValues), value, reason)) {
            result.leftOut.push_back(row->sDescribe + ": " + reason);
            result.leftOutRows.push_back(index);
            continue;
        }
        const bool unnamed = row->sDataName.empty();
        // The item's own name is what the editor lists: the value's name, or the key's last
        // level for the key's default value.
        const std::string shown = unnamed ? key.substr(key.find_last_of('\\') + 1) : row->sDataName;
        const std::string hive = RootName(row->iRegRoot);
        const std::string uid = ItemUid(std::to_string(index) + "\n" + hive + "\n" + key + "\n" + row->sDataName +
                                        "\n" + (deletes ? "D" : "U") + "\n" + value);
        items += "\t<Registry clsid=\"" + std::string(kItemClsid) + "\" name=\"" + Attribute(shown) + "\" status=\"" +
                 Attribute(shown) + "\" image=\"" + std::to_string(Image(row->iRegType, deletes)) + "\" changed=\"" +
                 changed + "\" uid=\"" + uid + "\" desc=\"" + Attribute(Blanked(row->sDescribe)) + "\">";
        items += "<Properties action=\"" + std::string(deletes ? "D" : "U") + "\" displayDecimal=\"" +
                 std::string(row->iRegType == 1 ? "1" : "0") + "\" default=\"" + std::string(unnamed ? "1" : "0") +
                 "\" hive=\"" + hive + "\" key=\"" + Attribute(key) + "\" name=\"" + Attribute(row->sDataName) +
                 "\" type=\"" + TypeName(row->iRegType) + "\" value=\"" + value + "\"/></Registry>\r\n";
        ++result.rowCount;
        if (!row->bAutoCreate)
            conditional += "\t" + CommentText(row->sDescribe) + " (" + hive + "\\" + CommentText(key) + "\\" +
                           CommentText(row->sDataName) + ")\r\n";
    }
    result.xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
    if (!conditional.empty())
        result.xml += "<!-- A replay of the record file writes these values only where key and value exist already;\r\n"
                      "     these items set them on every computer they apply to:\r\n" +
                      conditional + "-->\r\n";
    result.xml += "<RegistrySettings clsid=\"" + std::string(kSettingsClsid) + "\">\r\n" + items + "</RegistrySettings>\r\n";
    return result;
}

std::string GppStampOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    SYSTEMTIME time{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        !::FileTimeToSystemTime(&data.ftLastWriteTime, &time))
        ::GetSystemTime(&time);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay,
                  time.wHour, time.wMinute, time.wSecond);
    return buffer;
}

} // namespace kelt
