#pragma once
// Version texts published by the update server are compared as byte strings in ordinal
// order: 0.9 is above 0.8 and also above 0.10. Publishers number their files by that rule.
#include <string>

namespace kelt::update {

// True when `server` sorts after `local`, byte by byte (bytes unsigned).
bool IsNewerVersion(const std::string& server, const std::string& local);

} // namespace kelt::update
