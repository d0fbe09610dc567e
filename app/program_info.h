#pragma once
// What the program says about itself, kept in one place.
#include <windows.h>

#include <string>

#include "kelt_version.h"
#include "ui/files.h"

namespace kelt {

inline constexpr const char* kProductName = "Keltrix";
inline constexpr const char* kProductVersionText = "Version " KELT_VERSION_TEXT;
// The application title while the program runs (task bar, message boxes).
inline constexpr const char* kApplicationTitle = "Keltrix " KELT_VERSION_TEXT " - Dorvane";
inline constexpr const char* kHelpFileName = "keltrix.chm";
// The maker's web site, opened by "Online support..." and every link label.
inline constexpr const char* kWebAddress = "https://www.dorvane.example/keltrix/";
inline constexpr const char* kUpdaterFileName = "Update.exe";

// The running program's folder with its trailing backslash.
using ui::ProgramFolder;
// <folder without backslash>\Records\KeltRecord<yyyymmdd>.rwr
std::string RecordFileNameFor(const std::string& programFolder, const SYSTEMTIME& date);

} // namespace kelt
