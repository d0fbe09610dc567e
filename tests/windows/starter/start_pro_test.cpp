// Auto-run entries against the registry of the throw-away prefix: the positions, listing every
// place, switching off and on, the start-up manager store, the 32-bit view, replacing.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "plugins/common/wow64.h"
#include "plugins/starter/start_positions.h"
#include "plugins/starter/start_pro.h"
#include "plugins/starter/startup_approved.h"
#include "tests/windows/starter/raw_registry.h"

namespace kelt::starter {
namespace {

using testing::kApprovedRunKey;
using testing::kRunKey;
using testing::RawRead;
using testing::RawWrite;
using testing::RawWriteText;

const std::string kShadow = std::string(kRunKey) + "-";

// The entries named `name`, in listing order.
std::vector<JTStartPro> Named(const std::string& name)
{
    std::vector<JTStartPro> found;
    for (const JTStartPro& entry : ListStartPros())
        if (entry.Name == name)
            found.push_back(entry);
    return found;
}

TEST(StartPositions, DropDownTextsAndRoots)
{
    const char* texts[] = {
        "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
        "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
        "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices",
        "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
        "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Userinit",
        "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
        "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
        "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices",
        "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
        "HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
    };
    for (int position = 1; position <= 10; ++position) {
        EXPECT_EQ(texts[position - 1], StartPositionText(position));
        EXPECT_EQ(position <= 5 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, StartPositionRoot(position));
    }
    EXPECT_EQ(std::string(kRunKey) + "-", StartPositionKey(6, false));
    EXPECT_EQ("", StartPositionPath(0));
    EXPECT_EQ(HKEY_LOCAL_MACHINE, StartPositionRoot(11));
}

// Nothing is merged: a value in the key and in its shadow, and one command at two positions,
// are separate entries; expandable strings are entries, other types are not.
TEST(StartList, ListsEveryPlaceAndBothStringTypes)
{
    RawWriteText(HKEY_CURRENT_USER, kRunKey, "Twice", "twice.exe");
    RawWriteText(HKEY_CURRENT_USER, kShadow, "Twice", "twice.exe");
    RawWriteText(HKEY_LOCAL_MACHINE, kRunKey, "Both", "both.exe");
    RawWriteText(HKEY_CURRENT_USER, kRunKey, "Both", "both.exe");
    RawWriteText(HKEY_CURRENT_USER, kRunKey, "Expand", "%SystemRoot%\\x.exe", REG_EXPAND_SZ);
    RawWrite(HKEY_CURRENT_USER, kRunKey, "Number", REG_DWORD, std::string(4, '\1'));

    const std::vector<JTStartPro> twice = Named("Twice");
    ASSERT_EQ(2u, twice.size());
    EXPECT_TRUE(twice[0].Enabled);
    EXPECT_FALSE(twice[1].Enabled);
    EXPECT_TRUE(twice[1].Shadowed);

    const std::vector<JTStartPro> both = Named("Both");
    ASSERT_EQ(2u, both.size());
    EXPECT_EQ("HKLM Run", both[0].Place());
    EXPECT_EQ("HKCU Run", both[1].Place());

    const std::vector<JTStartPro> expand = Named("Expand");
    ASSERT_EQ(1u, expand.size());
    EXPECT_TRUE(expand[0].Expandable);
    EXPECT_EQ("%SystemRoot%\\x.exe", expand[0].Command);
    EXPECT_TRUE(Named("Number").empty());
}

// Off moves the value into the "-" key and on moves it back, keeping data and type; a value of
// the same name with other data at the target stops the move.
TEST(StartList, SwitchingMovesBetweenKeyAndShadow)
{
    for (DWORD type : {DWORD(REG_SZ), DWORD(REG_EXPAND_SZ)}) {
        SCOPED_TRACE(type);
        const std::string name = "Mover" + std::to_string(type);
        RawWriteText(HKEY_CURRENT_USER, kRunKey, name, "%TEMP%\\mover.exe", type);
        std::vector<JTStartPro> entries = Named(name);
        ASSERT_EQ(1u, entries.size());
        JTStartPro entry = entries[0];

        ASSERT_EQ(StartProResult::Done, SetStartProEnabled(entry, false));
        EXPECT_FALSE(RawRead(HKEY_CURRENT_USER, kRunKey, name).exists);
        testing::RawValue off = RawRead(HKEY_CURRENT_USER, kShadow, name);
        EXPECT_TRUE(off.exists);
        EXPECT_EQ(type, off.type);
        EXPECT_EQ("%TEMP%\\mover.exe", off.data);

        ASSERT_EQ(StartProResult::Done, SetStartProEnabled(entry, true));
        EXPECT_FALSE(RawRead(HKEY_CURRENT_USER, kShadow, name).exists);
        EXPECT_EQ(type, RawRead(HKEY_CURRENT_USER, kRunKey, name).type);
    }

    RawWriteText(HKEY_CURRENT_USER, kRunKey, "Clash", "new.exe");
    RawWriteText(HKEY_CURRENT_USER, kShadow, "Clash", "old.exe");
    JTStartPro clash = Named("Clash")[0];
    EXPECT_EQ(StartProResult::NameTaken, SetStartProEnabled(clash, false));
    EXPECT_TRUE(clash.Enabled);
    EXPECT_EQ("new.exe", RawRead(HKEY_CURRENT_USER, kRunKey, "Clash").data);
    EXPECT_EQ("old.exe", RawRead(HKEY_CURRENT_USER, kShadow, "Clash").data);
}

// Entries Windows switched off in its start-up manager are listed unticked and toggled there,
// the value staying where it is.
TEST(StartList, StartupApprovedEntriesAreToggledInTheStore)
{
    RawWriteText(HKEY_CURRENT_USER, kRunKey, "Managed", "managed.exe");
    RawWrite(HKEY_CURRENT_USER, kApprovedRunKey, "Managed", REG_BINARY,
             std::string("\x07\0\0\0\x11\x22\x33\x44\x55\x66\x77\x01", 12));
    JTStartPro entry = Named("Managed").at(0);
    EXPECT_FALSE(entry.Enabled);
    EXPECT_TRUE(entry.Approved);

    ASSERT_EQ(StartProResult::Done, SetStartProEnabled(entry, true));
    EXPECT_EQ(std::string("\x06\0\0\0\0\0\0\0\0\0\0\0", 12), RawRead(HKEY_CURRENT_USER, kApprovedRunKey, "Managed").data);
    EXPECT_EQ("managed.exe", RawRead(HKEY_CURRENT_USER, kRunKey, "Managed").data);
    EXPECT_TRUE(Named("Managed").at(0).Enabled);

    ASSERT_EQ(StartProResult::Done, SetStartProEnabled(entry, false));
    const std::string off = RawRead(HKEY_CURRENT_USER, kApprovedRunKey, "Managed").data;
    ASSERT_EQ(12u, off.size());
    EXPECT_EQ('\x07', off[0]);
    EXPECT_NE(std::string(8, '\0'), off.substr(4));  // the time it was switched off
    EXPECT_TRUE(RawRead(HKEY_CURRENT_USER, kRunKey, "Managed").exists);
    EXPECT_FALSE(RawRead(HKEY_CURRENT_USER, kShadow, "Managed").exists);

    // Deleting the entry takes its record along.
    EXPECT_TRUE(DeleteStartPro(Named("Managed").at(0)));
    EXPECT_FALSE(RawRead(HKEY_CURRENT_USER, kRunKey, "Managed").exists);
    EXPECT_FALSE(RawRead(HKEY_CURRENT_USER, kApprovedRunKey, "Managed").exists);
}

TEST(StartList, ThirtyTwoBitViewIsListedAndSwitchedInItsView)
{
    if (!plugin::Is64BitWindows())
        GTEST_SKIP() << "one view only";
    RawWriteText(HKEY_LOCAL_MACHINE, kRunKey, "Legacy", "legacy.exe", REG_SZ, KEY_WOW64_32KEY);
    JTStartPro entry = Named("Legacy").at(0);
    EXPECT_TRUE(entry.Wow32);
    EXPECT_EQ("HKLM Run (32-bit)", entry.Place());

    ASSERT_EQ(StartProResult::Done, SetStartProEnabled(entry, false));
    EXPECT_TRUE(RawRead(HKEY_LOCAL_MACHINE, kShadow, "Legacy", KEY_WOW64_32KEY).exists);
    EXPECT_FALSE(RawRead(HKEY_LOCAL_MACHINE, kShadow, "Legacy", KEY_WOW64_64KEY).exists);
    EXPECT_FALSE(RawRead(HKEY_LOCAL_MACHINE, kRunKey, "Legacy", KEY_WOW64_32KEY).exists);
}

// Modify replaces the selected entry: written first in its type and state, then the old value
// goes; rewriting in place keeps the value.
TEST(StartList, ModifyReplacesTheSelectedEntry)
{
    RawWriteText(HKEY_CURRENT_USER, kRunKey, "OldName", "%APPDATA%\\a.exe", REG_EXPAND_SZ);
    JTStartPro entry = Named("OldName").at(0);
    ASSERT_EQ(StartProResult::Done, ModifyStartPro(entry, "NewName", 1, "%APPDATA%\\b.exe"));
    EXPECT_FALSE(RawRead(HKEY_CURRENT_USER, kRunKey, "OldName").exists);
    const testing::RawValue moved = RawRead(HKEY_LOCAL_MACHINE, kRunKey, "NewName");
    EXPECT_EQ(DWORD(REG_EXPAND_SZ), moved.type);
    EXPECT_EQ("%APPDATA%\\b.exe", moved.data);

    entry = Named("NewName").at(0);
    ASSERT_EQ(StartProResult::Done, ModifyStartPro(entry, "NewName", 1, "c.exe"));
    EXPECT_EQ("c.exe", RawRead(HKEY_LOCAL_MACHINE, kRunKey, "NewName").data);
    ASSERT_EQ(1u, Named("NewName").size());

    // A switched-off entry stays off.
    RawWriteText(HKEY_CURRENT_USER, kShadow, "Sleeper", "s.exe");
    ASSERT_EQ(StartProResult::Done, ModifyStartPro(Named("Sleeper").at(0), "Sleeper", 7, "s2.exe"));
    EXPECT_FALSE(RawRead(HKEY_CURRENT_USER, kShadow, "Sleeper").exists);
    EXPECT_EQ("s2.exe", RawRead(HKEY_CURRENT_USER, StartPositionKey(7, false), "Sleeper").data);

    // Adding beside a value of another type of that name leaves it alone.
    RawWrite(HKEY_CURRENT_USER, kRunKey, "Typed", REG_DWORD, std::string(4, '\0'));
    EXPECT_EQ(StartProResult::NameTaken, AddStartPro("Typed", 6, "t.exe"));
    EXPECT_EQ(DWORD(REG_DWORD), RawRead(HKEY_CURRENT_USER, kRunKey, "Typed").type);
}

} // namespace
} // namespace kelt::starter
