#pragma once
// File work of the update run: reading the small information files, the SHA-256 of a download
// (Windows CryptoAPI), and installing a file so that no half-written file can remain.
#include <windows.h>
#include <wincrypt.h>

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

// SHA-256 of bytes given piece by piece (CryptoAPI).
class Sha256Stream {
public:
    Sha256Stream();
    ~Sha256Stream();
    Sha256Stream(const Sha256Stream&) = delete;
    Sha256Stream& operator=(const Sha256Stream&) = delete;

    bool Add(const char* data, DWORD size);
    // Lower-case hex; empty when anything failed.
    std::string HexValue();

private:
    HCRYPTPROV provider_ = 0;
    HCRYPTHASH hash_ = 0;
    bool failed_ = false;
};

// Lower-case hex SHA-256 of the file; empty when the file cannot be read or hashed.
std::string Sha256OfFile(const std::string& path);

// Creates the staging folder so that only administrators and the system can open it or what
// is downloaded into it (an explicit, protected access list); a folder that is already there
// gets that list, and a link in its place is removed first. False with the reason when that
// cannot be done.
bool MakeStagingFolder(const std::string& folder, std::string& problem);

// Where the running program's old file is left until the next start.
std::string RunningProgramAside(const std::string& runningProgram);

// Why the last failed file operation failed, in words for a message.
std::string LastErrorText();

} // namespace kelt::update
