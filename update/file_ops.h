#pragma once
// File work of the update run: reading the small information files, the SHA-256 of a download
// (Windows CryptoAPI), and installing a file so that no half-written file can remain.
#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/files.h"

namespace kelt::update {

// The full form of a path (GetFullPathNameA); empty when it has none.
std::string FullPath(const std::string& path);

// False when the file is missing, unreadable or larger than `limit`.
bool ReadSmallFile(const std::string& path, std::size_t limit, std::string& bytes);
// False when the file is missing.
bool FileSize(const std::string& path, std::uint64_t& size);
using ui::FileExists;
// Creates the folder when it is missing; true when it exists afterwards.
bool EnsureFolder(const std::string& folder);

// Writes `bytes` to a temporary name beside `path` and renames it over `path`, so a reader sees
// the old file or the new one, never half of it.
bool ReplaceFileBytes(const std::string& path, const std::string& bytes);

// Lower-case hex SHA-256 of the file; empty when the file cannot be read or hashed.
std::string Sha256OfFile(const std::string& path);

// Copies `source` to a temporary name beside `target` and renames it over `target`.
// `runningProgram` (the updater's own file) cannot be overwritten while it runs: when it is the
// target, it is first renamed to RunningProgramAside(). False, with the target unchanged, when
// any step fails.
bool InstallFile(const std::string& source, const std::string& target, const std::string& runningProgram);
// Where the running program's old file is left until the next start.
std::string RunningProgramAside(const std::string& runningProgram);

} // namespace kelt::update
