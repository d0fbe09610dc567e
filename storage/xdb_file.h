#pragma once
// Whole-file reads and atomic whole-file writes for the table engine.
#include <string>

namespace kelt {

// Reads a whole file; raises XdbError "Error opening file PATH" when it cannot be read.
std::string XdbReadFile(const std::string& path);

// Writes bytes to path through a temporary file in the same folder that then replaces the target
// in one step, so a failed save leaves the old file as it was. Raises XdbError naming the path.
void XdbWriteFileAtomic(const std::string& path, const std::string& bytes);

// Copies path to the same name with the extension ".~d" (overwriting) when it exists.
void XdbBackupFile(const std::string& path);

} // namespace kelt
