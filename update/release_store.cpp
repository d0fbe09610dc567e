#include "update/release_store.h"

#include <windows.h>

#include "update/file_ops.h"
#include "ui/handles.h"

namespace kelt::update {

const char kReleaseKey[] = "SoftWare\\Dorvane\\Keltrix 0.8\\Update";

std::string ReleaseValueName(const std::string& programFolder)
{
    std::string path = FullPath(programFolder);
    char buffer[MAX_PATH * 2];
    const DWORD n = ::GetLongPathNameA(path.c_str(), buffer, sizeof buffer);
    if (n > 0 && n < sizeof buffer)
        path.assign(buffer, n);
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    return path;
}

bool InstalledRelease(const std::string& programFolder, const IniText& localVersions, std::uint64_t& sequence,
                      std::string& problem)
{
    sequence = 0;
    std::uint64_t shipped = 0;
    if (ParseUnsigned(localVersions.Get("Release", "Sequence", ""), shipped))
        sequence = shipped;

    HKEY raw = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kReleaseKey, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return true;
    ui::UniqueKey key(raw);
    const std::string name = ReleaseValueName(programFolder);
    char data[32] = {};
    DWORD type = 0, size = sizeof data - 1;
    const LONG status = ::RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    if (status == ERROR_FILE_NOT_FOUND)
        return true;
    std::string text = status == ERROR_SUCCESS && type == REG_SZ ? std::string(data, size) : std::string();
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    std::uint64_t recorded = 0;
    if (!ParseUnsigned(text, recorded)) {
        problem = "The record of the release installed here (HKEY_LOCAL_MACHINE\\" + std::string(kReleaseKey) + ", " +
                  name + ") cannot be read.";
        return false;
    }
    if (recorded > sequence)
        sequence = recorded;
    return true;
}

bool RecordRelease(const std::string& programFolder, std::uint64_t sequence)
{
    HKEY raw = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kReleaseKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr) !=
        ERROR_SUCCESS)
        return false;
    ui::UniqueKey key(raw);
    const std::string text = std::to_string(sequence);
    return ::RegSetValueExA(key.get(), ReleaseValueName(programFolder).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1)) ==
           ERROR_SUCCESS;
}

} // namespace kelt::update
