#pragma once
// The start-up manager store of Windows 8 and later: beside the Run keys, Windows keeps one
// binary value per entry under ...\Explorer\StartupApproved\Run (Run32 for the 32-bit view of
// the machine-wide key). Bit 0 of its first byte set means the user switched the entry off; the
// 8 bytes from offset 4 then hold the time it was switched off. Windows skips such entries
// without moving them, so they are toggled by rewriting this value.
#include <windows.h>

#include <string>

namespace kelt::starter {

enum class ApprovedState { None, Enabled, Disabled };

// Where the store of a position lives; empty path for positions without one.
std::string StartupApprovedPath(int position, bool wow32);

// The state the store holds for an entry (None when it holds nothing or no store exists).
ApprovedState ReadStartupApproved(int position, bool wow32, const std::string& name);
// Writes the entry's state as Windows does; false when the store cannot be written.
bool WriteStartupApproved(int position, bool wow32, const std::string& name, bool enabled);
// Removes the entry's record (true also when there was none).
bool RemoveStartupApproved(int position, bool wow32, const std::string& name);

// The record bytes for a new state, keeping the other flag bits of `old` (12 bytes at least).
std::string StartupApprovedRecord(const std::string& old, bool enabled, const FILETIME& now);
// The state a record's bytes stand for (None for an empty record).
ApprovedState StartupApprovedStateOf(const std::string& record);

} // namespace kelt::starter
