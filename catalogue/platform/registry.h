#pragma once
// The registry accessor: one root, at most one open key, created for one operation (one read,
// one write, one listing) and destroyed at once. Destroying it closes the open key.
//
// Reads of a value whose stored type does not fit the read, reads of a missing value and
// writes the system refuses raise RegistryError naming the value. Opening a missing key
// without creation is not an error: OpenKey answers false.
#include <windows.h>

#include <string>
#include <vector>

#include "storage/error.h"

namespace kelt {

class RegistryError : public Error {
public:
    explicit RegistryError(const std::string& message) : Error(message) {}
};

// Value types as the accessor reports them (this order is relied upon: 0..4).
enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
    TRegDataType RegData = rdUnknown;
    int DataSize = 0;
};

// The predefined root handle of a root code as stored in tables and records
// (0x80000000 HKEY_CLASSES_ROOT ... 0x80000006 HKEY_DYN_DATA). Sign-extends like the system
// headers do, so the handle is right on 64-bit Windows too.
HKEY RootKeyFromCode(int code);

class TRegistry {
public:
    // Root HKEY_CURRENT_USER; keys are opened with `access` (KEY_ALL_ACCESS by default, KEY_READ
    // for pure reads so values under HKEY_LOCAL_MACHINE stay readable without admin rights).
    explicit TRegistry(REGSAM access = KEY_ALL_ACCESS);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    // Closes any open key; later paths are relative to this root.
    void SetRootKey(HKEY root);
    HKEY RootKey() const { return root_; }
    REGSAM Access() const { return access_; }
    void SetAccess(REGSAM access) { access_ = access; }

    // Opens `path` (relative to the root; a leading backslash is ignored; empty = the root
    // itself). With canCreate the key and any missing parents are created. Closes the key
    // opened before. True when the key is now open; when not, GetLastError() tells why
    // (ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED ...).
    bool OpenKey(const std::string& path, bool canCreate);
    void CloseKey();
    HKEY CurrentKey() const { return current_; }
    const std::string& CurrentPath() const { return currentPath_; }

    // True when the key exists below the root (opens nothing).
    bool KeyExists(const std::string& path);
    // Deletes the key `path` below the root with all its sub-keys; true on success.
    bool DeleteKey(const std::string& path);

    // Value queries on the open key. GetDataType answers rdUnknown and GetDataSize -1 for a
    // missing value; GetDataInfo answers false for it.
    bool ValueExists(const std::string& name);
    TRegDataType GetDataType(const std::string& name);
    int GetDataSize(const std::string& name);
    bool GetDataInfo(const std::string& name, TRegDataInfo& info);

    // Reads. ReadString accepts string and expandable-string values and stops at the first NUL;
    // ReadInteger/ReadBool need a DWORD value; ReadBinaryData accepts binary (and other
    // untyped) values that fit the buffer and answers the number of bytes copied.
    std::string ReadString(const std::string& name);
    int ReadInteger(const std::string& name);
    bool ReadBool(const std::string& name);
    int ReadBinaryData(const std::string& name, void* buffer, int bufferSize);
    // The whole binary value as raw bytes (one character per byte).
    std::string ReadBinaryString(const std::string& name);

    // Writes (REG_SZ, REG_DWORD, REG_DWORD 0/1, REG_BINARY). A count of 0 stores an empty
    // binary value.
    void WriteString(const std::string& name, const std::string& value);
    // REG_EXPAND_SZ: a path such as %USERPROFILE%\Desktop that Windows expands when it reads it.
    void WriteExpandString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int value);
    void WriteBool(const std::string& name, bool value);
    void WriteBinaryData(const std::string& name, const void* data, int count);
    void WriteBinaryData(const std::string& name, const std::string& bytes);

    // True when the value is gone.
    bool DeleteValue(const std::string& name);

    // Names of all values / sub-keys of the open key, in the order the system enumerates them
    // (the unnamed default value appears as "" when it is set). The list is replaced.
    void GetValueNames(std::vector<std::string>& names);
    void GetKeyNames(std::vector<std::string>& names);

private:
    // Raw query; false when the value does not exist (or no key is open).
    bool QueryValue(const std::string& name, DWORD& type, DWORD& size);
    void SetData(const std::string& name, DWORD type, const void* data, DWORD size);
    HKEY KeyForValues() const;

    HKEY root_;
    HKEY current_ = nullptr;
    std::string currentPath_;
    REGSAM access_;
};

} // namespace kelt
