#include <gtest/gtest.h>

#include <utility>

#include "catalogue/platform/os_family.h"
#include "catalogue/platform/system_calls.h"

using namespace kelt;

namespace {

// Detects the family with the version query answering the given version.
int FamilyOf(DWORD platform, DWORD major, DWORD minor, DWORD build = 0, DWORD* seenSize = nullptr)
{
    SystemCalls calls;
    calls.GetVersionExA = [=](OSVERSIONINFOA* info) {
        if (seenSize)
            *seenSize = info->dwOSVersionInfoSize;
        info->dwPlatformId = platform;
        info->dwMajorVersion = major;
        info->dwMinorVersion = minor;
        info->dwBuildNumber = build;
        return TRUE;
    };
    ScopedSystemCalls scope(calls);
    return DetectFamily();
}

// Detects the running Windows with the version query answering the given version, and puts
// the detected values back afterwards.
std::pair<int, bool> RunningOf(DWORD platform, DWORD major, DWORD minor, BOOL answered = TRUE)
{
    SystemCalls calls;
    calls.GetVersionExA = [=](OSVERSIONINFOA* info) {
        info->dwPlatformId = platform;
        info->dwMajorVersion = major;
        info->dwMinorVersion = minor;
        return answered;
    };
    ScopedSystemCalls scope(calls);
    const int savedFamily = OSFamily;
    const bool savedLine = OSIsNTLine;
    DetectRunningWindows();
    const std::pair<int, bool> running{OSFamily, OSIsNTLine};
    OSFamily = savedFamily;
    OSIsNTLine = savedLine;
    return running;
}

} // namespace

TEST(FamilyDetection, TheRunningWindowsKeepsItsFamilyAndItsLine)
{
    EXPECT_EQ(RunningOf(2, 10, 0), std::make_pair(1024, true));
    EXPECT_EQ(RunningOf(2, 5, 1), std::make_pair(32, true));
    EXPECT_EQ(RunningOf(1, 4, 10), std::make_pair(2, false));
    EXPECT_EQ(RunningOf(1, 5, 0), std::make_pair(0, false));  // unknown, line and all
    EXPECT_EQ(RunningOf(3, 5, 1), std::make_pair(0, false));
    EXPECT_EQ(RunningOf(2, 6, 0, FALSE), std::make_pair(0, false));
}

TEST(FamilyDetection, NtLine)
{
    EXPECT_EQ(FamilyOf(2, 5, 1), 32);   // XP
    EXPECT_EQ(FamilyOf(2, 5, 0), 16);   // 2000
    EXPECT_EQ(FamilyOf(2, 5, 2), 64);   // the .NET server family
    EXPECT_EQ(FamilyOf(2, 4, 0), 8);    // NT 4
    EXPECT_EQ(FamilyOf(2, 3, 51), 8);   // NT 3.51
    EXPECT_EQ(FamilyOf(2, 5, 3), 0);
}

TEST(FamilyDetection, VistaToElevenByVersionAndBuild)
{
    const struct {
        DWORD major, minor, build;
        int family;
    } cases[] = {
        {6, 0, 6002, 128},    // Vista, Server 2008
        {6, 1, 7601, 256},    // 7, Server 2008 R2
        {6, 2, 9200, 512},    // 8, Server 2012
        {6, 3, 9600, 512},    // 8.1, Server 2012 R2
        {6, 4, 9841, 1024},   // a preview of 10
        {10, 0, 19045, 1024}, // 10 22H2
        {10, 0, 20348, 1024}, // Server 2022
        {10, 0, 21999, 1024},
        {10, 0, 22000, 2048}, // 11 21H2
        {10, 0, 26100, 2048}, // 11 24H2, Server 2025
        {10, 1, 0, 2048},     // newer than 11: the nearest family known
        {11, 0, 30000, 2048},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FamilyOf(2, c.major, c.minor, c.build), c.family) << c.major << '.' << c.minor << '.' << c.build;
}

TEST(FamilyDetection, TheTrueVersionWinsOverTheManifestDependentQuery)
{
    // Without a manifest naming it, Windows 11 answers the version query as 8 (6.2).
    bool trueQueryFails = false;
    SystemCalls calls;
    calls.GetVersionExA = [](OSVERSIONINFOA* info) {
        info->dwPlatformId = 2;
        info->dwMajorVersion = 6;
        info->dwMinorVersion = 2;
        info->dwBuildNumber = 9200;
        return TRUE;
    };
    calls.RtlGetVersion = [&](RTL_OSVERSIONINFOW* info) -> LONG {
        EXPECT_EQ(info->dwOSVersionInfoSize, sizeof(RTL_OSVERSIONINFOW));
        if (trueQueryFails)
            return static_cast<LONG>(0xC0000001);
        info->dwPlatformId = 2;
        info->dwMajorVersion = 10;
        info->dwMinorVersion = 0;
        info->dwBuildNumber = 22631;
        return 0;
    };
    ScopedSystemCalls scope(calls);
    EXPECT_EQ(DetectFamily(), 2048);
    EXPECT_EQ(QueryWindowsVersion().build, 22631u);
    trueQueryFails = true;  // then the version query is the fallback
    EXPECT_EQ(DetectFamily(), 512);
}

TEST(FamilyDetection, Windows95Line)
{
    EXPECT_EQ(FamilyOf(1, 4, 0), 1);
    EXPECT_EQ(FamilyOf(1, 4, 0, 1111), 1);  // OSR2: only major and minor count
    EXPECT_EQ(FamilyOf(1, 4, 10), 2);
    EXPECT_EQ(FamilyOf(1, 4, 90), 4);
    EXPECT_EQ(FamilyOf(1, 4, 3), 0);
    EXPECT_EQ(FamilyOf(1, 5, 0), 0);
}

TEST(FamilyDetection, OtherPlatformsAndFailedQueriesAreUnknown)
{
    EXPECT_EQ(FamilyOf(0, 4, 0), 0);  // Win32s
    EXPECT_EQ(FamilyOf(3, 5, 1), 0);
    SystemCalls calls;
    calls.GetVersionExA = [](OSVERSIONINFOA*) { return FALSE; };
    ScopedSystemCalls scope(calls);
    EXPECT_EQ(DetectFamily(), 0);
}

TEST(FamilyDetection, AsksWithAZeroed148ByteRecord)
{
    bool zeroed = false;
    DWORD size = 0;
    SystemCalls calls;
    calls.GetVersionExA = [&](OSVERSIONINFOA* info) {
        size = info->dwOSVersionInfoSize;
        const auto* bytes = reinterpret_cast<const unsigned char*>(info);
        zeroed = true;
        for (std::size_t i = sizeof(DWORD); i < 148; ++i)
            zeroed = zeroed && bytes[i] == 0;
        return FALSE;
    };
    ScopedSystemCalls scope(calls);
    DetectFamily();
    EXPECT_EQ(size, 148u);
    EXPECT_TRUE(zeroed);
}

TEST(FamilyDetection, TheRealQueryAnswersUnderThisSystem)
{
    // Whatever Windows (or Wine) runs the tests, the real query works and the answer is a
    // single family bit or 0.
    const WindowsVersion version = QueryWindowsVersion();
    EXPECT_TRUE(version.ok);
    const int family = DetectFamily();
    EXPECT_EQ(family & (family - 1), 0);
    EXPECT_LE(family, 2048);
}

TEST(FamilyMask, SuitsWhenTheFamilyBitLiesInsideTheMask)
{
    EXPECT_TRUE(JTOSType(56).Suits(32));   // NT 4, 2000, XP
    EXPECT_FALSE(JTOSType(7).Suits(32));   // 95, 98, Me
    EXPECT_TRUE(JTOSType(7).Suits(4));
    EXPECT_TRUE(JTOSType(127).Suits(64));
    EXPECT_FALSE(JTOSType(0).Suits(1));
    // Family 0 (unknown Windows) is suited by every mask, mask 0 included.
    EXPECT_TRUE(JTOSType(0).Suits(0));
    EXPECT_TRUE(JTOSType(7).Suits(0));
    // A combination of bits as "family" only fits a mask that holds all of them.
    EXPECT_TRUE(JTOSType(48).Suits(48));
    EXPECT_FALSE(JTOSType(32).Suits(48));
}

TEST(FamilyMask, AnNtLineWindowsNewerThanTheTableIsSuitedOnlyByNtLineMasks)
{
    const std::pair<int, bool> masks[] = {{0, true},   {7, false},   {1, false},  {8, true},
                                          {56, true},  {64, true},   {71, true},  {127, true},
                                          {-1, true},  {-128, false}};
    for (const auto& [mask, suits] : masks) {
        JTOSType type;
        type.SetMask(mask);
        EXPECT_EQ(type.Suits(0, true), suits) << mask;
        // A Windows whose line is not known either keeps being suited by every mask.
        EXPECT_TRUE(type.Suits(0, false)) << mask;
    }
    // Known families are judged as before.
    EXPECT_FALSE(JTOSType(7).Suits(32, true));
    EXPECT_TRUE(JTOSType(56).Suits(32, true));
    EXPECT_TRUE(JTOSType(2).Suits(2, false));
}

TEST(FamilyMask, MasksListingVistaToElevenAreTestedExactly)
{
    const int listed = kMaskListsModern;
    const struct {
        int mask, family;
        bool suits;
    } cases[] = {
        {listed | 32 | 64, 1024, false},      // XP and 2003 only: not on 10
        {listed | 32 | 64, 32, true},
        {listed | 2048, 2048, true},          // 11 only
        {listed | 2048, 1024, false},
        {listed | 2048, 256, false},
        {1024 | 2048, 1024, true},            // the family bits alone say it too
        {128 | 256, 512, false},
        {listed | 128 | 256 | 512 | 1024 | 2048, 128, true},
        {listed | 128, 32, false},            // Vista only: not on XP
        {listed | 128, 0, true},              // an unknown Windows is suited by every mask
        {0, 1024, true},                      // 0 still suits every Windows newer than the table
        {-1, 2048, true},
    };
    for (const auto& c : cases) {
        JTOSType type;
        type.SetMask(c.mask);
        EXPECT_EQ(type.Suits(c.family), c.suits) << c.mask << " on " << c.family;
        EXPECT_EQ(type.Suits(c.family, c.family != 0), c.suits) << c.mask << " on " << c.family;
    }
}

TEST(FamilyMask, MasksOfOlderTablesKeepTheirMeaningOnVistaToEleven)
{
    // Nothing in them names the later families: suited when 0 or holding an NT-line bit.
    const std::pair<int, bool> masks[] = {{0, true}, {7, false}, {1, false}, {8, true}, {32, true},
                                          {96, true}, {127, true}, {-1, true}, {-128, false}};
    for (const int family : {128, 256, 512, 1024, 2048}) {
        for (const auto& [mask, suits] : masks) {
            JTOSType type;
            type.SetMask(mask);
            EXPECT_EQ(type.Suits(family, true), suits) << mask << " on " << family;
            EXPECT_EQ(type.Suits(family), suits) << mask << " on " << family;
        }
    }
    // And the families up to the server family are judged as before.
    JTOSType listed;
    listed.SetMask(kMaskListsModern | 7);
    EXPECT_TRUE(listed.Suits(2));
    EXPECT_FALSE(listed.Suits(32));
}

TEST(FamilyMask, TheByteArgumentIsSignExtended)
{
    JTOSType negative(static_cast<signed char>(-1));
    EXPECT_EQ(negative.Mask(), -1);
    EXPECT_TRUE(negative.Suits(64));
    JTOSType high(static_cast<signed char>(0x80));
    EXPECT_EQ(high.Mask(), -128);
    // Items store the table's mask unchanged.
    JTOSType item(0);
    item.SetMask(56);
    EXPECT_EQ(item.Mask(), 56);
    EXPECT_TRUE(item.Suits(16));
}

TEST(FamilyNames, OneNamePerCodeAndNothingForOthers)
{
    EXPECT_EQ(FamilyName(1), "Windows95");
    EXPECT_EQ(FamilyName(2), "Windows98");
    EXPECT_EQ(FamilyName(4), "WindowsME");
    EXPECT_EQ(FamilyName(8), "WindowsNT");
    EXPECT_EQ(FamilyName(16), "Windows2000");
    EXPECT_EQ(FamilyName(32), "WindowsXP");
    EXPECT_EQ(FamilyName(64), "WindowsNET");
    EXPECT_EQ(FamilyName(128), "WindowsVista");
    EXPECT_EQ(FamilyName(256), "Windows7");
    EXPECT_EQ(FamilyName(512), "Windows8");
    EXPECT_EQ(FamilyName(1024), "Windows10");
    EXPECT_EQ(FamilyName(2048), "Windows11");
    EXPECT_EQ(FamilyName(0), "");
    EXPECT_EQ(FamilyName(3), "");
    EXPECT_EQ(FamilyName(384), "");
    EXPECT_EQ(FamilyName(4096), "");
}
