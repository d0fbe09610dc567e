#pragma once
// Whole-file reads and atomic whole-file writes for the table engine.
#include <functional>
#include <iosfwd>
#include <string>

namespace kelt {

// Reads a whole file; raises XdbError "Error opening file PATH" when it cannot be read.
std::string XdbReadFile(const std::string& path);

// Writes bytes to path through a temporary file in the same folder that then replaces the target
// in one step, so a failed save leaves the old file as it was. Raises XdbError naming the path.
void XdbWriteFileAtomic(const std::string& path, const std::string& bytes);
// The same, with the bytes streamed by write onto the temporary file.
void XdbWriteFileAtomic(const std::string& path, const std::function<void(std::ostream&)>& write);

// Copies path to the same name with the extension ".~d" (overwriting) when it exists.
void XdbBackupFile(const std::string& path);

} // namespace kelt
