#include "catalogue/platform/key_path.h"

namespace kelt {

std::uint32_t RootKeyFromName(const std::string& name)
{
    struct Entry {
        const char* name;
        std::uint32_t root;
    };
    static const Entry kRoots[] = {
        {"HKCR", rootClassesRoot}, {"HKCU", rootCurrentUser},   {"HKLM", rootLocalMachine},
        {"HKU", rootUsers},        {"HKCC", rootCurrentConfig}, {"HKDD", rootDynData},
    };
    for (const Entry& entry : kRoots)
        if (name == entry.name)
            return entry.root;
    return rootNone;
}

KeyPath SplitKeyPath(const std::string& path, bool withValueName)
{
    KeyPath result;
    const std::size_t first = path.find('\\');
    if (first == std::string::npos)
        return result;
    result.root = RootKeyFromName(path.substr(0, first));
    if (!withValueName) {
        result.subKey = path.substr(first + 1);
        return result;
    }
    const std::size_t last = path.rfind('\\');
    result.valueName = path.substr(last + 1);
    if (last > first)
        result.subKey = path.substr(first + 1, last - first - 1);
    return result;
}

} // namespace kelt
