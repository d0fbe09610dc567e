// Drive policy masks and folder masking without a window.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "plugins/hide/drive_mask.h"
#include "plugins/hide/folder_mask.h"
#include "tests/windows/platform/test_key.h"

namespace kelt {
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

    const std::vector<DriveEntry> drives = ListDrives([](const std::string& root) -> UINT {
        switch (root[0]) {
        case 'A': return DRIVE_REMOVABLE;
        case 'C': return DRIVE_FIXED;
        case 'E': return DRIVE_CDROM;
        case 'N': return DRIVE_REMOTE;
        case 'R': return DRIVE_RAMDISK;
        default: return DRIVE_NO_ROOT_DIR;
        }
    });
    ASSERT_EQ(3u, drives.size());
    EXPECT_EQ("A:\\", drives[0].root);
    EXPECT_EQ(1u, drives[0].bit);
    EXPECT_EQ("C:\\", drives[1].root);
    EXPECT_EQ(4u, drives[1].bit);
    EXPECT_EQ("E:\\", drives[2].root);
}

// Runs first: the prefix starts without the policy key.
TEST(DriveMask, ReadsAndWritesBothStoredForms)
{
    ASSERT_FALSE(testing::RawKeyExists(kExplorerPolicyKey));
    JTDriveMask missing(kNoDrivesValue);
    ASSERT_TRUE(missing.Read());
    EXPECT_EQ(0u, missing.Mask());
    ASSERT_TRUE(missing.Write(12));  // creates the key
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(testing::RawGet(kExplorerPolicyKey, kNoDrivesValue, type, bytes));
    EXPECT_EQ(DWORD(REG_DWORD), type);
    EXPECT_EQ(std::string("\x0C\0\0\0", 4), bytes);

    testing::RawSet(kExplorerPolicyKey, "BinaryMask", REG_BINARY, "\x08\x00\x00\x80", 4);
    JTDriveMask binary("BinaryMask");
    ASSERT_TRUE(binary.Read());
    EXPECT_EQ(0x80000008u, binary.Mask());
    ASSERT_TRUE(binary.Write(0x2004));
    ASSERT_TRUE(testing::RawGet(kExplorerPolicyKey, "BinaryMask", type, bytes));
    EXPECT_EQ(DWORD(REG_BINARY), type);
    EXPECT_EQ(std::string("\x04\x20\0\0", 4), bytes);

    // What is no mask is refused rather than taken for 0.
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
    system.folders = {"C:\\WINDOWS", "C:\\WINDOWS\\system32"};
    system.profileParents = {"C:\\Users"};
    const std::vector<std::pair<std::string, bool>> cases = {
        {"C:\\", true},           {"D:", true},
        {"\\\\server\\share", true}, {"c:\\windows\\", true},
        {"C:\\Windows\\System32", true}, {"C:\\Users\\Anna", true},
        {"C:\\Users\\Anna\\Documents", false}, {"C:\\Windows\\Temp", false},
        {"C:\\Data", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, IsSystemFolder(c.first, system)) << c.first;

    // The running system's own folders.
    std::string renamed;
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    const SystemFolders current = SystemFolders::Current();
    EXPECT_EQ(MaskResult::Refused, MaskFolder(windows, 1, current, renamed));
    char profile[MAX_PATH] = {};
    ::GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH);
    EXPECT_EQ(MaskResult::Refused, MaskFolder(profile, 4, current, renamed));
    EXPECT_EQ(profile, renamed);
}

TEST(FolderMask, RenamesOnDisk)
{
    const std::string base = "C:\\masktest";
    ::CreateDirectoryA(base.c_str(), nullptr);
    const std::string docs = base + "\\Docs";
    ::CreateDirectoryA((docs + "." + kRecycleBin).c_str(), nullptr);
    const SystemFolders none;
    std::string renamed;

    EXPECT_EQ(4, MaskStyleOfFolder(docs + "." + kRecycleBin));
    ASSERT_EQ(MaskResult::Renamed, MaskFolder(docs + "." + kRecycleBin, 1, none, renamed));
    EXPECT_EQ(docs + "." + kControlPanel, renamed);
    ASSERT_EQ(MaskResult::Renamed, MaskFolder(renamed, 0, none, renamed));
    EXPECT_EQ(docs, renamed);
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, ::GetFileAttributesA(docs.c_str()) & FILE_ATTRIBUTE_DIRECTORY);

    EXPECT_EQ(MaskResult::NotAFolder, MaskFolder(base + "\\missing", 1, none, renamed));
    EXPECT_EQ(-1, MaskStyleOfFolder(base + "\\missing." + kWeb));
    // The target name is taken.
    ::CreateDirectoryA((docs + "." + kWeb).c_str(), nullptr);
    EXPECT_EQ(MaskResult::RenameFailed, MaskFolder(docs, 5, none, renamed));
    EXPECT_EQ(docs, renamed);
}

} // namespace
} // namespace kelt
