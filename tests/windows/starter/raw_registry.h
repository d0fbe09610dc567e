#pragma once
// Raw Win32 access to any root and view, so the auto-run tests do not check the accessor with
// itself. Without a view, HKEY_LOCAL_MACHINE is reached in the one Windows itself uses (the
// 64-bit one on 64-bit Windows, from the 32-bit tests too), where the tool's own writes go.
#include <windows.h>

#include <string>

namespace kelt::testing {

inline const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline const char kApprovedRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

inline REGSAM ViewFor(HKEY root, REGSAM view)
{
    return view != 0 || root != HKEY_LOCAL_MACHINE ? view : KEY_WOW64_64KEY;
}

struct RawValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::string data;  // strings without their terminator
};

inline LONG RawWrite(HKEY root, const std::string& path, const std::string& name, DWORD type,
                     const std::string& bytes, REGSAM view = 0)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | ViewFor(root, view), nullptr, &key,
                              nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    return rc;
}

inline LONG RawWriteText(HKEY root, const std::string& path, const std::string& name, const std::string& text,
                         DWORD type = REG_SZ, REGSAM view = 0)
{
    return RawWrite(root, path, name, type, std::string(text.c_str(), text.size() + 1), view);
}

inline RawValue RawRead(HKEY root, const std::string& path, const std::string& name, REGSAM view = 0)
{
    RawValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | ViewFor(root, view), &key) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.data.assign(size, '\0');
        if (RegQueryValueExA(key, name.c_str(), nullptr, &value.type,
                             size ? reinterpret_cast<BYTE*>(&value.data[0]) : nullptr, &size) == ERROR_SUCCESS) {
            value.exists = true;
            value.data.resize(size);
            if ((value.type == REG_SZ || value.type == REG_EXPAND_SZ) && !value.data.empty() &&
                value.data.back() == '\0')
                value.data.pop_back();
        }
    }
    RegCloseKey(key);
    return value;
}

} // namespace kelt::testing
