#pragma once
// Text of any language in tests: expectations are written as wide text and checked against the
// registry's and the file system's own wide form, so they hold whatever the code page.
#include <windows.h>

#include <string>

namespace kelt::testing {

inline std::wstring FromUtf8(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    wide.resize(static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                               &wide[0], static_cast<int>(wide.size()))));
    return wide;
}

inline std::string Utf8(const std::wstring& text)
{
    std::string narrow(text.size() * 4, '\0');
    narrow.resize(static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                                 &narrow[0], static_cast<int>(narrow.size()), nullptr,
                                                                 nullptr)));
    return narrow;
}

// A string value as the registry holds it; "<missing>" when the key or value is not there.
inline std::wstring WideValue(HKEY root, const std::wstring& path, const std::wstring& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return L"<missing>";
    std::wstring data(8192, L'\0');
    DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    const LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&data[0]), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return L"<missing>";
    data.resize(size / sizeof(wchar_t));
    if (!data.empty() && data.back() == L'\0')
        data.pop_back();
    return data;
}

inline bool SetWideValue(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

} // namespace kelt::testing
