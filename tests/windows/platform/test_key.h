#pragma once
// A unique key under HKEY_CURRENT_USER\Software\KeltrixTest for one test, removed afterwards.
#include <windows.h>

#include <string>

#include "catalogue/platform/registry.h"

namespace kelt::testing {

class TestKey {
public:
    explicit TestKey(const std::string& name)
        : path_("Software\\KeltrixTest\\" + name + "-" + std::to_string(::GetCurrentProcessId()))
    {
        Remove();
    }
    ~TestKey() { Remove(); }
    const std::string& Path() const { return path_; }
    std::string Sub(const std::string& relative) const { return path_ + "\\" + relative; }

private:
    void Remove()
    {
        TRegistry registry;
        registry.SetRootKey(HKEY_CURRENT_USER);
        registry.DeleteKey(path_);
    }
    std::string path_;
};

// Raw Win32 helpers, so tests do not check the accessor with itself.
inline LONG RawSet(const std::string& path, const std::string& name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return rc;
}

inline LONG RawSetString(const std::string& path, const std::string& name, const std::string& text,
                         DWORD type = REG_SZ)
{
    return RawSet(path, name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

inline LONG RawSetDword(const std::string& path, const std::string& name, DWORD value)
{
    return RawSet(path, name, REG_DWORD, &value, sizeof value);
}

// Answers false when the value is missing; type and bytes otherwise.
inline bool RawGet(const std::string& path, const std::string& name, DWORD& type, std::string& bytes)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        bytes.assign(size, '\0');
        rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, size ? reinterpret_cast<BYTE*>(&bytes[0]) : nullptr,
                              &size);
        bytes.resize(size);
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

inline bool RawKeyExists(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

} // namespace kelt::testing
