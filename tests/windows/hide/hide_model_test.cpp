// Drive policy masks and folder masking without a window.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "plugins/hide/drive_mask.h"
#include "plugins/hide/folder_mask.h"
#include "tests/windows/platform/test_key.h"

namespace kelt::hide {
namespace {

const std::string kRecycleBin = "{645FF040-5081-101B-9F08-00AA002F954E}";
const std::string kControlPanel = "{21EC2020-3AEA-1069-A2DD-08002B30309D}";
const std::string kWeb = "{25336920-03F9-11CF-8FD0-00AA00686F13}";

TEST(DriveMask, ListedLettersChangeOthersKeepTheirBits)
{
    struct Case {
        unsigned old, listed, hidden, stored;
    };
    const Case cases[] = {
        {0, 0x0E, 0x0C, 0x0C},                   // C and D unticked
        {0x2000, 0x0C, 0, 0x2000},               // an unlisted hidden letter stays hidden
        {0x0C | 0x2000, 0x0C, 0x04, 0x2004},     // only the listed letters follow the list
        {0xFFFFFFFF, 0x0C, 0, 0xFFFFFFF3},       // the high bits some guides set survive too
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.stored, MergeDriveMask(c.old, c.listed, c.hidden));
}

// Binary masks are little-endian and stay binary; what is no mask is refused, not read as 0.
TEST(DriveMask, BinaryFormAndRefusedValues)
{
    DWORD type = 0;
    std::string bytes;
    testing::RawSet(kExplorerPolicyKey, "BinaryMask", REG_BINARY, "\x08\x00\x00\x80", 4);
    JTDriveMask binary("BinaryMask");
    ASSERT_TRUE(binary.Read());
    EXPECT_EQ(0x80000008u, binary.Mask());
    ASSERT_TRUE(binary.Write(0x2004));
    ASSERT_TRUE(testing::RawGet(kExplorerPolicyKey, "BinaryMask", type, bytes));
    EXPECT_EQ(DWORD(REG_BINARY), type);
    EXPECT_EQ(std::string("\x04\x20\0\0", 4), bytes);

    testing::RawSetString(kExplorerPolicyKey, "TextMask", "12");
    testing::RawSet(kExplorerPolicyKey, "ShortMask", REG_BINARY, "\x0C\x00", 2);
    EXPECT_FALSE(JTDriveMask("TextMask").Read());
    EXPECT_FALSE(JTDriveMask("ShortMask").Read());
}

TEST(FolderMask, StylesOfNamesAndTheirNewNames)
{
    EXPECT_EQ("Network Neighbor ", std::string(MaskStyleName(7)));
    struct Case {
        std::string path;
        int style;         // style the name stands for
        int chosen;        // style to give it
        std::string renamed;
    };
    const std::vector<Case> cases = {
        {"C:\\Docs." + kRecycleBin, 4, 1, "C:\\Docs." + kControlPanel},
        {"C:\\Docs." + kControlPanel, 1, 0, "C:\\Docs"},
        {"C:\\my.docs", -1, 5, "C:\\my.docs." + kWeb},
        {"C:\\Docs.{645ff040-5081-101b-9f08-00aa002f954e}", 4, 0, "C:\\Docs"},  // case ignored
        {"C:\\Plain", -1, 0, "C:\\Plain"},
        {"C:\\Ends.", 0, 5, "C:\\Ends.." + kWeb},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.style, MaskStyleOfName(c.path));
        EXPECT_EQ(c.renamed, MaskedFolderName(c.path, c.chosen));
    }
}

TEST(FolderMask, RefusesFoldersWindowsNeeds)
{
    SystemFolders system;
    system.folders = {"C:\\WINDOWS", "C:\\WINDOWS\\system32", "C:\\Users\\Anna\\Documents", "E:\\Moved\\Music"};
    system.profileParents = {"C:\\Users"};
    const std::vector<std::pair<std::string, bool>> cases = {
        {"C:\\", true},           {"D:", true},
        {"\\\\server\\share", true}, {"c:\\windows\\", true},
        {"C:\\Windows\\System32", true}, {"C:\\Users\\Anna", true},
        {"C:\\Users\\Anna\\Documents", true}, {"C:\\Windows\\Temp", false},
        {"C:\\Data", false},
        // Above a needed folder, but not beside or below it.
        {"E:\\Moved", true}, {"E:\\Moved\\Music\\Albums", false}, {"E:\\Mov", false},
        {"C:\\Users\\Anna\\Documents\\Letters", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, IsSystemFolder(c.first, system)) << c.first;
}

// With an administrator's rights raised for a standard user, the program runs as the
// administrator: the desktop user's own folders, read from that user's part of the registry,
// are needed folders too.
TEST(FolderMask, AnotherUsersFoldersAreNeededToo)
{
    const std::string sid = "S-1-5-21-1000-2000-3000-1001";
    const std::string profile = "C:\\users\\standard", documents = "%USERPROFILE%\\Documents";
    const std::string profileKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid;
    const std::string folders = sid + "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, profileKey.c_str(), "ProfileImagePath", REG_SZ,
                                               profile.c_str(), static_cast<DWORD>(profile.size() + 1)));
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueA(HKEY_USERS, folders.c_str(), "Personal", REG_EXPAND_SZ,
                                               documents.c_str(), static_cast<DWORD>(documents.size() + 1)));
    SystemFolders system;
    system.AddFoldersOfUser(sid);
    EXPECT_TRUE(IsSystemFolder(profile + "\\Documents", system));
    EXPECT_TRUE(IsSystemFolder(profile, system));
    EXPECT_FALSE(IsSystemFolder(profile + "\\Documents\\Letters", system));
}

} // namespace
} // namespace kelt::hide
