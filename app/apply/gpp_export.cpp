#include "app/apply/gpp_export.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include "catalogue/platform/int_text.h"
#include "catalogue/record.h"
#include "catalogue/set_item.h"

namespace kelt {

namespace {

const char kSettingsClsid[] = "{A3CCFC41-DFDB-43a5-8D26-0FE8B954DA51}";
const char kItemClsid[] = "{9CD4B2F4-923D-47f5-A062-E897DD1DAD50}";

// Program text (the system's code page) as UTF-8, the file's encoding.
std::string Utf8(const std::string& text)
{
    if (text.empty())
        return std::string();
    const int wide = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring buffer(static_cast<std::size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &buffer[0], wide);
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, buffer.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, buffer.data(), wide, &out[0], bytes, nullptr, nullptr);
    return out;
}

// Whether XML can carry the text at all: control characters other than tab, line feed and
// carriage return have no place in an XML 1.0 document, not even as references.
bool Carriable(const std::string& text)
{
    for (unsigned char c : text)
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
            return false;
    return true;
}

// An attribute value: the text in UTF-8 with the characters markup uses escaped; tab and line
// ends as references, so a reader does not fold them into blanks.
std::string Attribute(const std::string& text)
{
    std::string out;
    for (char c : Utf8(text)) {
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

// Text inside a comment may not hold two hyphens in a row (nor end in one).
std::string CommentText(const std::string& text)
{
    std::string out;
    for (char c : Utf8(text)) {
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
            reason = "the text holds control characters a Group Policy file cannot carry";
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

JTGppExport BuildGppRegistryXml(const std::vector<const JTRecord*>& rows, bool oldValues, const std::string& changed,
                                const std::function<std::string()>& newUid)
{
    JTGppExport result;
    std::string items;
    std::string conditional;
    for (const JTRecord* row : rows) {
        if (!row)
            continue;
        const std::string unusable = row->UnusableReason();
        if (!unusable.empty()) {
            result.leftOut.push_back(row->sDescribe + ": " + unusable);
            continue;
        }
        const bool deletes = row->TargetDeletes(oldValues);
        std::string value, reason;
        if (!deletes && !ValueText(*row, row->Target(oldValues), value, reason)) {
            result.leftOut.push_back(row->sDescribe + ": " + reason);
            continue;
        }
        const std::string key = Trimmed(row->sSubKey);
        const bool unnamed = row->sDataName.empty();
        // The item's own name is what the editor lists: the value's name, or the key's last
        // level for the key's default value.
        const std::string shown = unnamed ? key.substr(key.find_last_of('\\') + 1) : row->sDataName;
        items += "\t<Registry clsid=\"" + std::string(kItemClsid) + "\" name=\"" + Attribute(shown) + "\" status=\"" +
                 Attribute(shown) + "\" image=\"" + std::to_string(Image(row->iRegType, deletes)) + "\" changed=\"" +
                 changed + "\" uid=\"" + newUid() + "\" desc=\"" + Attribute(row->sDescribe) + "\">";
        items += "<Properties action=\"" + std::string(deletes ? "D" : "U") + "\" displayDecimal=\"" +
                 std::string(row->iRegType == 1 ? "1" : "0") + "\" default=\"" + std::string(unnamed ? "1" : "0") +
                 "\" hive=\"" + RootName(row->iRegRoot) + "\" key=\"" + Attribute(key) + "\" name=\"" +
                 Attribute(row->sDataName) + "\" type=\"" + TypeName(row->iRegType) + "\" value=\"" + value +
                 "\"/></Registry>\r\n";
        ++result.rowCount;
        if (!row->bAutoCreate)
            conditional += "\t" + CommentText(row->sDescribe) + " (" + RootName(row->iRegRoot) + "\\" +
                           CommentText(key) + "\\" + CommentText(row->sDataName) + ")\r\n";
    }
    result.xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
    if (!conditional.empty())
        result.xml += "<!-- A replay of the record file writes these values only where key and value exist already;\r\n"
                      "     these items set them on every computer they apply to:\r\n" +
                      conditional + "-->\r\n";
    result.xml += "<RegistrySettings clsid=\"" + std::string(kSettingsClsid) + "\">\r\n" + items + "</RegistrySettings>\r\n";
    return result;
}

std::string GppNowStamp()
{
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    return buffer;
}

std::string NewGppUid()
{
    GUID id{};
    ::CoCreateGuid(&id);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2],
                  id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return buffer;
}

} // namespace kelt
