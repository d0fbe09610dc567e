#pragma once
// Clearing registry keys that hold history lists: every value goes, the keys themselves stay.
#include <windows.h>

#include <string>

namespace kelt {

// Deletes every value of `subKey` below `root` (the unnamed default value included when it is
// set); with `withSubKeys`, the values of all its sub-keys as well, at any depth. Keys are never
// deleted. True when no value is left: also when the key does not exist. False when the key
// exists but could not be opened for changes, when a value refused to go, or when `subKey` is
// empty (a root's own values are never cleared).
bool ClearKeyValues(HKEY root, const std::string& subKey, bool withSubKeys = false);

// ClearKeyValues on a full path "HKCU\Software\..." (see SplitKeyPath). False for a path that
// names no root.
bool EraseHistoryKey(const std::string& path, bool withSubKeys = false);

} // namespace kelt
