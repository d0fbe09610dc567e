#include "catalogue/platform/registry.h"

#include <algorithm>

namespace kelt {

namespace {

std::string Quoted(const std::string& name)
{
    return "'" + name + "'";
}

TRegDataType DataTypeOf(DWORD type)
{
    switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
    }
}

std::string WithoutLeadingBackslash(const std::string& path)
{
    std::size_t start = 0;
    while (start < path.size() && path[start] == '\\')
        ++start;
    return path.substr(start);
}

// Lists the names of the values (keys = false) or sub-keys (keys = true) of `key`.
void ListNames(HKEY key, bool keys, std::vector<std::string>& names)
{
    names.clear();
    DWORD maxKeyName = 0, maxValueName = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &maxKeyName, nullptr, nullptr, &maxValueName,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    // The limits count characters; in UTF-8 one may take up to three bytes (a pair of
    // surrogates four).
    std::string buffer((keys ? maxKeyName : maxValueName) * 3 + 1, '\0');
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LONG rc = keys ? RegEnumKeyExA(key, index, &buffer[0], &length, nullptr, nullptr, nullptr, nullptr)
                             : RegEnumValueA(key, index, &buffer[0], &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA && buffer.size() < 0x40000) {
            // The key grew while we listed it.
            buffer.resize(buffer.size() * 2 + 256);
            --index;
            continue;
        }
        if (rc != ERROR_SUCCESS)
            break;
        names.emplace_back(buffer.data(), length);
    }
}

} // namespace

HKEY RootKeyFromCode(int code)
{
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(code))));
}

TRegistry::TRegistry(REGSAM access) : root_(HKEY_CURRENT_USER), access_(access) {}

TRegistry::~TRegistry()
{
    CloseKey();
}

void TRegistry::SetRootKey(HKEY root)
{
    CloseKey();
    root_ = root;
}

bool TRegistry::OpenKey(const std::string& path, bool canCreate)
{
    CloseKey();
    const std::string relative = WithoutLeadingBackslash(path);
    HKEY key = nullptr;
    LONG rc;
    if (canCreate) {
        // Creates every missing level of the path.
        rc = RegCreateKeyExA(root_, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_, nullptr,
                             &key, nullptr);
    } else {
        rc = RegOpenKeyExA(root_, relative.c_str(), 0, access_, &key);
    }
    if (rc != ERROR_SUCCESS) {
        // The caller may want to tell a missing key from a refused one.
        ::SetLastError(static_cast<DWORD>(rc));
        return false;
    }
    current_ = key;
    currentPath_ = relative;
    return true;
}

void TRegistry::CloseKey()
{
    if (current_) {
        RegCloseKey(current_);
        current_ = nullptr;
    }
    currentPath_.clear();
}

bool TRegistry::KeyExists(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_, WithoutLeadingBackslash(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool TRegistry::DeleteKey(const std::string& path)
{
    const std::string relative = WithoutLeadingBackslash(path);
    if (relative.empty())
        return false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_, relative.c_str(), 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS)
        return false;
    // Sub-keys first: RegDeleteKeyA refuses a key that still has children.
    std::vector<std::string> children;
    ListNames(key, true, children);
    RegCloseKey(key);
    for (const std::string& child : children)
        DeleteKey(relative + "\\" + child);
    return RegDeleteKeyA(root_, relative.c_str()) == ERROR_SUCCESS;
}

HKEY TRegistry::KeyForValues() const
{
    return current_ ? current_ : root_;
}

bool TRegistry::QueryValue(const std::string& name, DWORD& type, DWORD& size)
{
    type = REG_NONE;
    size = 0;
    return RegQueryValueExA(KeyForValues(), name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const std::string& name)
{
    DWORD type, size;
    return QueryValue(name, type, size);
}

bool TRegistry::GetDataInfo(const std::string& name, TRegDataInfo& info)
{
    DWORD type, size;
    if (!QueryValue(name, type, size)) {
        info = TRegDataInfo{};
        return false;
    }
    info.RegData = DataTypeOf(type);
    info.DataSize = static_cast<int>(size);
    return true;
}

TRegDataType TRegistry::GetDataType(const std::string& name)
{
    TRegDataInfo info;
    GetDataInfo(name, info);
    return info.RegData;
}

int TRegistry::GetDataSize(const std::string& name)
{
    TRegDataInfo info;
    return GetDataInfo(name, info) ? info.DataSize : -1;
}

std::string TRegistry::ReadString(const std::string& name)
{
    DWORD type, size;
    if (!QueryValue(name, type, size))
        throw RegistryError("Failed to get data for " + Quoted(name));
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw RegistryError("Invalid data type for " + Quoted(name));
    // The size asked first may count the stored wide text; in UTF-8 the text can be longer.
    std::string data(size, '\0');
    while (size > 0) {
        DWORD got = static_cast<DWORD>(data.size());
        const LONG rc = RegQueryValueExA(KeyForValues(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &got);
        if (rc == ERROR_MORE_DATA && data.size() < 0x10000000) {
            data.resize(std::max<std::size_t>(got, data.size() * 2));
            continue;
        }
        if (rc != ERROR_SUCCESS)
            throw RegistryError("Failed to get data for " + Quoted(name));
        size = got;
        break;
    }
    data.resize(std::min<std::size_t>(size, data.size()));
    // The stored terminator (and anything a careless writer put after it) is not text.
    const std::size_t end = data.find('\0');
    if (end != std::string::npos)
        data.resize(end);
    return data;
}

int TRegistry::ReadInteger(const std::string& name)
{
    DWORD type, size;
    if (!QueryValue(name, type, size))
        throw RegistryError("Failed to get data for " + Quoted(name));
    if (type != REG_DWORD || size != sizeof(DWORD))
        throw RegistryError("Invalid data type for " + Quoted(name));
    DWORD value = 0;
    size = sizeof value;
    if (RegQueryValueExA(KeyForValues(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
        ERROR_SUCCESS)
        throw RegistryError("Failed to get data for " + Quoted(name));
    return static_cast<int>(value);
}

bool TRegistry::ReadBool(const std::string& name)
{
    return ReadInteger(name) != 0;
}

int TRegistry::ReadBinaryData(const std::string& name, void* buffer, int bufferSize)
{
    DWORD type, size;
    if (!QueryValue(name, type, size))
        throw RegistryError("Failed to get data for " + Quoted(name));
    const TRegDataType kind = DataTypeOf(type);
    if (kind != rdBinary && kind != rdUnknown)
        throw RegistryError("Invalid data type for " + Quoted(name));
    if (bufferSize < 0 || size > static_cast<DWORD>(bufferSize))
        throw RegistryError("Buffer too small for " + Quoted(name));
    if (size == 0)
        return 0;
    if (RegQueryValueExA(KeyForValues(), name.c_str(), nullptr, &type, static_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS)
        throw RegistryError("Failed to get data for " + Quoted(name));
    return static_cast<int>(size);
}

std::string TRegistry::ReadBinaryString(const std::string& name)
{
    const int size = GetDataSize(name);
    if (size < 0)
        throw RegistryError("Failed to get data for " + Quoted(name));
    std::string bytes(static_cast<std::size_t>(size), '\0');
    const int count = ReadBinaryData(name, size > 0 ? &bytes[0] : nullptr, size);
    bytes.resize(static_cast<std::size_t>(count));
    return bytes;
}

void TRegistry::SetData(const std::string& name, DWORD type, const void* data, DWORD size)
{
    if (RegSetValueExA(KeyForValues(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size) !=
        ERROR_SUCCESS)
        throw RegistryError("Failed to set data for " + Quoted(name));
}

void TRegistry::WriteString(const std::string& name, const std::string& value)
{
    SetData(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value)
{
    SetData(name, REG_EXPAND_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void TRegistry::WriteInteger(const std::string& name, int value)
{
    const DWORD data = static_cast<DWORD>(value);
    SetData(name, REG_DWORD, &data, sizeof data);
}

void TRegistry::WriteBool(const std::string& name, bool value)
{
    WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteBinaryData(const std::string& name, const void* data, int count)
{
    if (count < 0)
        throw RegistryError("Failed to set data for " + Quoted(name));
    SetData(name, REG_BINARY, count > 0 ? data : nullptr, static_cast<DWORD>(count));
}

void TRegistry::WriteBinaryData(const std::string& name, const std::string& bytes)
{
    WriteBinaryData(name, bytes.data(), static_cast<int>(bytes.size()));
}

bool TRegistry::DeleteValue(const std::string& name)
{
    return RegDeleteValueA(KeyForValues(), name.c_str()) == ERROR_SUCCESS;
}


void TRegistry::GetValueNames(std::vector<std::string>& names)
{
    ListNames(KeyForValues(), false, names);
}

void TRegistry::GetKeyNames(std::vector<std::string>& names)
{
    ListNames(KeyForValues(), true, names);
}

} // namespace kelt
