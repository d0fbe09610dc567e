#pragma once
// Registry paths written with a root prefix ("HKCU\Software\..."), as the plug-ins keep their
// fixed lists of keys. Portable: roots are the predefined handle values as plain numbers.
#include <cstdint>
#include <string>

namespace kelt {

// The predefined root handles as numbers (HKEY_CLASSES_ROOT ... HKEY_DYN_DATA).
enum RootCode : std::uint32_t {
    rootNone = 0,
    rootClassesRoot = 0x80000000u,
    rootCurrentUser = 0x80000001u,
    rootLocalMachine = 0x80000002u,
    rootUsers = 0x80000003u,
    rootCurrentConfig = 0x80000005u,
    rootDynData = 0x80000006u,
};

// "HKCR", "HKCU", "HKLM", "HKU", "HKCC", "HKDD", compared exactly (case-sensitively) with the
// whole name; anything else is rootNone.
std::uint32_t RootKeyFromName(const std::string& name);

struct KeyPath {
    std::uint32_t root = rootNone;
    std::string subKey;
    std::string valueName;
};

// Splits "ROOT\sub\key" at its first backslash: the root from the text before it, the sub-key
// from the rest. With a value name, the value is what follows the last backslash and the
// sub-key stops before it. A path without any backslash addresses nothing: root rootNone and
// empty texts, so that no caller ever works on a whole root by accident.
KeyPath SplitKeyPath(const std::string& path, bool withValueName);

} // namespace kelt
