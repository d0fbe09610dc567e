#pragma once
// The places in the registry that Windows starts programs from ("positions" 1 to 10), the
// "-" shadow key an entry is kept in while it is switched off, and the two views of the
// machine-wide keys on 64-bit Windows.
#include <windows.h>

#include <string>

namespace kelt::starter {

constexpr int kStartPositionCount = 10;

// HKEY_LOCAL_MACHINE for positions 1 to 5 and for every number outside 1 to 10,
// HKEY_CURRENT_USER for 6 to 10.
HKEY StartPositionRoot(int position);
// The key path of a position; empty outside 1 to 10.
std::string StartPositionPath(int position);
// The key an entry lives in: the position's key, or with "-" appended while it is off.
std::string StartPositionKey(int position, bool enabled);
// The drop-down text: root abbreviation and key path ("HKLM\Software\...\Run").
std::string StartPositionText(int position);
// Where an entry lives, short: "HKLM Run", "HKCU RunOnce", "HKLM Run (32-bit)" ...
std::string StartPositionPlace(int position, bool wow32);
// Positions whose keys are read when listing (1 to 9; the Windows key runs only two values).
bool StartPositionListed(int position);
// True for the machine-wide positions, which 64-bit Windows keeps in two views.
bool StartPositionHasViews(int position);

// Why a new entry cannot be written (empty when it can): an empty name, no position, a
// position Windows never runs programs from (Userinit, the Windows key, the per-user
// RunServices keys everywhere, the machine-wide ones outside the Windows 95 line), an empty
// command.
std::string StartEntryRefusal(const std::string& name, int position, const std::string& command,
                              bool windows95Line);

// The access flag that selects the native or the 32-bit view of a position's key: nothing on
// 32-bit Windows and for the per-user positions.
REGSAM StartPositionView(int position, bool wow32);

} // namespace kelt::starter
