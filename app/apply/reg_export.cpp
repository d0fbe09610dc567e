#include "app/apply/reg_export.h"

#include <windows.h>

#include <cstdio>
#include <map>

#include "catalogue/platform/int_text.h"
#include "catalogue/record.h"
#include "catalogue/set_item.h"
#include "ui/text.h"

namespace kelt {

namespace {

using ui::Wide;

// Lines of byte lists are broken before they pass this width, as regedit writes them.
const std::size_t kLineWidth = 80;

// Whether a name holds a character that a registry file has no way to write: a line break
// or another control character ends or breaks the line it stands on.
bool HasControlCharacter(const std::wstring& text)
{
    for (wchar_t c : text)
        if (c < 0x20 || c == 0x7F)
            return true;
    return false;
}

// Text inside a comment line: control characters become blanks, so the comment stays one line.
std::wstring CommentText(const std::string& text)
{
    std::wstring comment = Wide(text);
    for (wchar_t& c : comment)
        if (c < 0x20 || c == 0x7F)
            c = L' ';
    return comment;
}

std::wstring Quoted(const std::wstring& text)
{
    std::wstring quoted = L"\"";
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"')
            quoted += L'\\';
        quoted += c;
    }
    return quoted + L"\"";
}

std::wstring Hex2(unsigned byte)
{
    wchar_t buffer[4];
    std::swprintf(buffer, 4, L"%02x", byte & 0xFFu);
    return buffer;
}

// `prefix` followed by a comma-separated byte list, continued on indented lines.
std::wstring ByteList(const std::wstring& prefix, const std::string& bytes)
{
    std::wstring out;
    std::wstring line = prefix;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::wstring pair = Hex2(static_cast<unsigned char>(bytes[i]));
        if (i + 1 < bytes.size())
            pair += L",";
        if (line.size() + pair.size() + 1 > kLineWidth && line.size() > 2) {
            out += line + L"\\\r\n";
            line = L"  ";
        }
        line += pair;
    }
    return out + line + L"\r\n";
}

std::wstring ValueLine(const JTRecord& row, bool oldValues, std::string& reason)
{
    const std::wstring name = row.sDataName.empty() ? L"@" : Quoted(Wide(row.sDataName));
    if (row.TargetDeletes(oldValues))
        return name + L"=-\r\n";
    const std::string& value = row.Target(oldValues);
    switch (row.iRegType) {
    case 0: {
        // The registry keeps a string up to its first NUL.
        const std::wstring text = Wide(value.substr(0, value.find('\0')));
        bool plain = true;
        for (wchar_t c : text)
            if (c < 0x20)
                plain = false;
        if (plain)
            return name + L"=" + Quoted(text) + L"\r\n";
        // Line breaks and other control characters only survive as the raw string.
        std::string raw(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
        raw.append(2, '\0');
        return ByteList(name + L"=hex(1):", raw);
    }
    case 1: {
        int number = 0;
        if (!TryStrToInt(value, number)) {
            reason = "'" + value + "' is not a valid integer value";
            return std::wstring();
        }
        wchar_t buffer[16];
        std::swprintf(buffer, 16, L"%08x", static_cast<unsigned>(number));
        return name + L"=dword:" + buffer + L"\r\n";
    }
    case 2:
        return ByteList(name + L"=hex:", value);
    default:
        reason = "the value type " + std::to_string(row.iRegType) + " is not known";
        return std::wstring();
    }
}

} // namespace

JTRegExport BuildRegExport(const std::vector<const JTRecord*>& rows, bool oldValues)
{
    JTRegExport result;
    std::wstring body;
    std::wstring conditional;
    std::wstring section;
    // Per key: whether the file writes a value there (which needs the key anyway).
    std::map<std::wstring, bool> keysWritten;
    std::vector<std::wstring> keyOrder;
    for (const JTRecord* row : rows) {
        if (!row)
            continue;
        const std::string root = RootName(row->iRegRoot);
        const std::string unusable = row->UnusableReason();
        if (!unusable.empty()) {
            result.leftOut.push_back(row->sDescribe + ": " + unusable);
            continue;
        }
        std::string subKey = row->sSubKey;
        while (!subKey.empty() && subKey.front() == '\\')
            subKey.erase(subKey.begin());
        while (!subKey.empty() && subKey.back() == '\\')
            subKey.pop_back();
        if (HasControlCharacter(Wide(subKey))) {
            result.leftOut.push_back(row->sDescribe + ": a registry file cannot carry a line break or other control "
                                                      "character in a key name");
            continue;
        }
        if (HasControlCharacter(Wide(row->sDataName))) {
            result.leftOut.push_back(row->sDescribe + ": a registry file cannot carry a line break or other control "
                                                      "character in a value name");
            continue;
        }
        std::string reason;
        const std::wstring line = ValueLine(*row, oldValues, reason);
        if (line.empty()) {
            result.leftOut.push_back(row->sDescribe + ": " + reason);
            continue;
        }
        const std::wstring key = L"[" + Wide(root) + (subKey.empty() ? L"" : L"\\" + Wide(subKey)) + L"]";
        // Rows keep their order, so a later row for the same value still wins.
        if (key != section) {
            body += L"\r\n" + key + L"\r\n";
            section = key;
        }
        body += line;
        ++result.rowCount;
        if (!keysWritten.count(key))
            keyOrder.push_back(key);
        keysWritten[key] = keysWritten[key] || !row->TargetDeletes(oldValues);
        if (!row->bAutoCreate)
            conditional += L";   " + CommentText(row->sDescribe) + L" (" + Wide(RootName(row->iRegRoot)) + L"\\" +
                           Wide(subKey) + L"\\" + Wide(row->sDataName) + L")\r\n";
    }
    result.text = L"Windows Registry Editor Version 5.00\r\n";
    if (!conditional.empty())
        result.text += L"\r\n; A replay of the record file writes these values only where key and value exist "
                       L"already;\r\n; this file sets them wherever it is imported:\r\n" +
                       conditional;
    std::wstring deleteOnly;
    for (const std::wstring& key : keyOrder)
        if (!keysWritten[key])
            deleteOnly += L";   " + key + L"\r\n";
    if (!deleteOnly.empty())
        result.text += L"\r\n; Importing this file creates these keys where they are missing, although it only "
                       L"deletes values in them\r\n; (a registry file names the key of every value it deletes); "
                       L"a replay creates no key to delete from:\r\n" +
                       deleteOnly;
    result.text += body + L"\r\n";
    return result;
}

std::string RegFileBytes(const std::wstring& text)
{
    std::string bytes("\xFF\xFE", 2);
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

} // namespace kelt
