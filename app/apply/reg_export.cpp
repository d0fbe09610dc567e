#include "app/apply/reg_export.h"

#include <windows.h>

#include <cstdio>

#include "catalogue/platform/int_text.h"
#include "catalogue/record.h"
#include "catalogue/set_item.h"

namespace kelt {

namespace {

// Lines of byte lists are broken before they pass this width, as regedit writes them.
const std::size_t kLineWidth = 80;

std::wstring Wide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
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
    for (const JTRecord* row : rows) {
        if (!row)
            continue;
        const std::string root = RootName(row->iRegRoot);
        const std::string unusable = row->UnusableReason();
        if (!unusable.empty()) {
            result.leftOut.push_back(row->sDescribe + ": " + unusable);
            continue;
        }
        std::string reason;
        const std::wstring line = ValueLine(*row, oldValues, reason);
        if (line.empty()) {
            result.leftOut.push_back(row->sDescribe + ": " + reason);
            continue;
        }
        std::string subKey = row->sSubKey;
        while (!subKey.empty() && subKey.front() == '\\')
            subKey.erase(subKey.begin());
        while (!subKey.empty() && subKey.back() == '\\')
            subKey.pop_back();
        const std::wstring key = L"[" + Wide(root) + (subKey.empty() ? L"" : L"\\" + Wide(subKey)) + L"]";
        // Rows keep their order, so a later row for the same value still wins.
        if (key != section) {
            body += L"\r\n" + key + L"\r\n";
            section = key;
        }
        body += line;
        ++result.rowCount;
        if (!row->bAutoCreate)
            conditional += L";   " + Wide(row->sDescribe) + L" (" + Wide(RootName(row->iRegRoot)) + L"\\" +
                           Wide(subKey) + L"\\" + Wide(row->sDataName) + L")\r\n";
    }
    result.text = L"Windows Registry Editor Version 5.00\r\n";
    if (!conditional.empty())
        result.text += L"\r\n; A replay of the record file writes these values only where key and value exist "
                       L"already;\r\n; this file sets them wherever it is imported:\r\n" +
                       conditional;
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
