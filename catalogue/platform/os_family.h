#pragma once
// Windows family codes and the per-item family mask.
#include <windows.h>

#include <string>

namespace kelt {

// One byte, at most one bit set; an item's mask is an OR of these.
enum OSFamilyCode : int {
    osUnknown = 0,
    osWindows95 = 1,
    osWindows98 = 2,
    osWindowsME = 4,
    osWindowsNT = 8,    // NT 4 and older
    osWindows2000 = 16,
    osWindowsXP = 32,
    osWindowsNET = 64,  // the .NET server family (NT 5.2)
};

// What the version query answered; ok is false when the query failed.
struct WindowsVersion {
    bool ok = false;
    DWORD platformId = 0;
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
};

// Asks the system (through CurrentSystemCalls()) with a zeroed 148-byte record whose size
// field is 148.
WindowsVersion QueryWindowsVersion();

// The family code of a version answer: platform 1 4.0/4.10/4.90 -> 1/2/4; platform 2
// 5.2/5.1/5.0 -> 64/32/16, major below 5 -> 8; everything else (later Windows included) -> 0.
// Later Windows of the NT line are told apart by IsNTLine.
int FamilyOfVersion(const WindowsVersion& version);

// The family code of the running Windows.
int DetectFamily();

// Whether a version answer is of the NT line (platform id 2).
bool IsNTLine(const WindowsVersion& version);

// Detects the running Windows once, for every later test: OSFamily and OSIsNTLine.
void DetectRunningWindows();

// "Windows95" ... "WindowsNET" for a single code; empty for 0 and for any other value.
std::string FamilyName(int family);

// The NT-line families: NT 4 and older, 2000, XP, the server family.
inline constexpr int kNTLineFamilies = osWindowsNT | osWindows2000 | osWindowsXP | osWindowsNET;

// The running family, detected once by the main window at start (0 until then, which suits
// every item).
extern int OSFamily;
// Whether the running Windows is of the NT line, detected with OSFamily (false until then).
extern bool OSIsNTLine;

// An item's family mask.
class JTOSType {
public:
    // The mask arrives as a signed byte and is sign-extended into the stored integer.
    explicit JTOSType(signed char mask = 0) : iOSType(mask) {}

    int Mask() const { return iOSType; }
    void SetMask(int mask) { iOSType = mask; }

    // True when the family's bit lies inside the mask: the family, taken as a signed byte,
    // equals (family AND mask). Family 0 is suited by every mask; mask 0 suits only family 0.
    bool Suits(int family) const { return static_cast<signed char>(family) == (family & iOSType); }
    // As Suits(family), except on an NT-line Windows newer than the family table (family 0 on
    // the NT line): only mask 0 and masks holding an NT-line family bit suit it, so tweaks of
    // the Windows 95 line alone stay away from it.
    bool Suits(int family, bool ntLine) const;
    // Whether the mask suits the running Windows (OSFamily, OSIsNTLine).
    bool SuitsRunningWindows() const { return Suits(OSFamily, OSIsNTLine); }

    int iOSType;
};

} // namespace kelt
