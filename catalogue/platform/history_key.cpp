#include "catalogue/platform/history_key.h"

#include <vector>

#include "catalogue/platform/key_path.h"
#include "catalogue/platform/registry.h"

namespace kelt {

bool ClearKeyValues(HKEY root, const std::string& subKey, bool withSubKeys)
{
    if (!root || subKey.empty())
        return false;
    {
        TRegistry probe(KEY_READ);
        probe.SetRootKey(root);
        if (!probe.KeyExists(subKey))
            return true;
    }
    std::vector<std::string> subKeys;
    bool complete = true;
    {
        TRegistry key(KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS);
        key.SetRootKey(root);
        if (!key.OpenKey(subKey, false))
            return false;  // there, but not ours to change
        std::vector<std::string> names;
        key.GetValueNames(names);
        for (const std::string& name : names) {
            // A value that vanished meanwhile is as good as deleted.
            if (!key.DeleteValue(name) && key.ValueExists(name))
                complete = false;
        }
        if (withSubKeys)
            key.GetKeyNames(subKeys);
    }
    for (const std::string& child : subKeys)
        if (!ClearKeyValues(root, subKey + "\\" + child, true))
            complete = false;
    return complete;
}

bool EraseHistoryKey(const std::string& path, bool withSubKeys)
{
    const KeyPath split = SplitKeyPath(path, false);
    if (split.root == rootNone)
        return false;
    return ClearKeyValues(RootKeyFromCode(static_cast<int>(split.root)), split.subKey, withSubKeys);
}

} // namespace kelt
