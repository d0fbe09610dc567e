#pragma once
// The jump lists Windows keeps below the Recent folder, and which of them hold what the user
// pinned.
//
// AutomaticDestinations holds one file per program: a compound file with one stream per
// item and an index stream "DestList", whose header counts the items and, in its third
// 32-bit number, the items the user pinned. A file whose header is read and counts no pinned
// item holds history only. A file that cannot be opened or whose header is of a layout not
// known here (versions 1 to 4 are) cannot be told: it is kept like one with pins. The file of
// Quick Access (f01b4d95cf55d32a) holds the folders pinned there; it is kept whatever its
// count says, as removing it brings back pins the user took away.
//
// CustomDestinations holds the lists the programs themselves publish (their tasks and
// categories) beside what the user pinned there; nothing tells the two apart, so those files
// are kept too.
//
// Both go only when the user chooses to clear the pins as well.
#include <string>

namespace kelt::scrub {

enum class JumpListPins { None, Some, Unknown };

// What an automatic-destinations file holds.
JumpListPins PinsOf(const std::string& file);

// True for the file of Quick Access.
bool IsQuickAccessList(const std::string& fileName);

} // namespace kelt::scrub
