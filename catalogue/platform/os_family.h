#pragma once
// Windows family codes and the per-item family mask.
#include <windows.h>

#include <string>

namespace kelt {

// At most one bit set; an item's mask is an OR of these.
enum OSFamilyCode : int {
    osUnknown = 0,
    osWindows95 = 1,
    osWindows98 = 2,
    osWindowsME = 4,
    osWindowsNT = 8,    // NT 4 and older
    osWindows2000 = 16,
    osWindowsXP = 32,
    osWindowsNET = 64,  // the .NET server family (NT 5.2)
    osWindowsVista = 128,   // NT 6.0: Vista, Server 2008
    osWindows7 = 256,       // NT 6.1: 7, Server 2008 R2
    osWindows8 = 512,       // NT 6.2 and 6.3: 8, 8.1, Server 2012 (R2)
    osWindows10 = 1024,     // NT 10.0 before build 22000: 10, Server 2016 to 2022
    osWindows11 = 2048,     // NT 10.0 from build 22000: 11, Server 2025; later Windows too
};

// The families from Vista on.
inline constexpr int kModernFamilies = osWindowsVista | osWindows7 | osWindows8 | osWindows10 | osWindows11;

// Set in every mask the catalogue compiler writes: the mask lists the families from Vista on
// as well, so it is tested exactly on them. A mask without it and without any of those bits
// (a table written before they existed) keeps the older rule for them.
inline constexpr int kMaskListsModern = 0x40000000;

// The lowest build of NT 10.0 that is Windows 11.
inline constexpr DWORD kWindows11Build = 22000;

// What the version query answered; ok is false when the query failed.
struct WindowsVersion {
    bool ok = false;
    DWORD platformId = 0;
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
};

// The true version of the running Windows: RtlGetVersion where the system has it (it answers
// whatever the program's manifest declares), otherwise the version query (through
// CurrentSystemCalls()) with a zeroed 148-byte record whose size field is 148.
WindowsVersion QueryWindowsVersion();

// The family code of a version answer: platform 1 4.0/4.10/4.90 -> 1/2/4; platform 2
// 5.2/5.1/5.0 -> 64/32/16, major below 5 -> 8, 6.0 -> 128, 6.1 -> 256, 6.2/6.3 -> 512, later
// 6.x and 10.0 before build 22000 -> 1024, 10.0 from build 22000 and anything newer -> 2048;
// everything else -> 0.
int FamilyOfVersion(const WindowsVersion& version);

// The family code of the running Windows.
int DetectFamily();

// Whether a version answer is of the NT line (platform id 2).
bool IsNTLine(const WindowsVersion& version);

// Detects the running Windows once, for every later test: OSFamily and OSIsNTLine.
void DetectRunningWindows();

// "Windows95" ... "WindowsNET", "WindowsVista" ... "Windows11" for a single code; empty for 0
// and for any other value.
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

    // For the families up to the server family: true when the family's bit lies inside the
    // mask (the family, taken as a signed byte, equals family AND mask); family 0 is suited by
    // every mask, mask 0 suits only family 0. For Vista and later see Suits(family, ntLine).
    bool Suits(int family) const { return Suits(family, (family & kModernFamilies) != 0); }
    // A family from Vista on is tested exactly (mask AND family) against a mask that lists
    // those families (one of their bits or kMaskListsModern); mask 0 and older masks keep the
    // rule for a Windows newer than their table: suited when 0 or holding an NT-line family
    // bit, so tweaks of the Windows 95 line alone stay away. Family 0 on the NT line (a
    // Windows no code names) is judged by that same rule.
    bool Suits(int family, bool ntLine) const;
    // Whether the mask suits the running Windows (OSFamily, OSIsNTLine).
    bool SuitsRunningWindows() const { return Suits(OSFamily, OSIsNTLine); }

    int iOSType;
};

} // namespace kelt
