#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "plugins/relocate/location_text.h"

using namespace kelt::relocate;

TEST(LocationText, PathsCompareWithoutCaseAndTrailingBackslash)
{
    EXPECT_TRUE(SamePath("C:\\Users\\Bob\\Docs", "c:\\users\\bob\\docs\\"));
    EXPECT_TRUE(SamePath("", "\\"));
    EXPECT_FALSE(SamePath("C:\\Docs", "C:\\Docs2"));
}

TEST(LocationText, AMovedPathKeepsItsLeadingVariableWhenItStaysInside)
{
    const std::map<std::string, std::string> environment = {{"USERPROFILE", "C:\\Users\\Bob\\"},
                                                            {"EMPTY", ""}};
    const auto lookup = [&](const std::string& name) {
        const auto found = environment.find(name);
        return found == environment.end() ? std::string() : found->second;
    };
    struct Case {
        std::string path, stored, expected;
    };
    const std::vector<Case> cases = {
        {"C:\\Users\\Bob\\Work", "%USERPROFILE%\\Desktop", "%USERPROFILE%\\Work"},
        {"c:\\users\\bob\\Work\\Deep", "%USERPROFILE%\\Desktop", "%USERPROFILE%\\Work\\Deep"},
        {"C:\\Users\\Bob", "%USERPROFILE%\\Desktop", "%USERPROFILE%"},
        // Not inside the variable's folder: the plain path.
        {"C:\\Users\\Bob2\\Work", "%USERPROFILE%\\Desktop", "C:\\Users\\Bob2\\Work"},
        {"D:\\Work", "%USERPROFILE%\\Desktop", "D:\\Work"},
        // No leading variable, an unset or empty one, a broken one.
        {"C:\\Users\\Bob\\Work", "C:\\Users\\Bob\\Desktop", "C:\\Users\\Bob\\Work"},
        {"C:\\Users\\Bob\\Work", "%UNSET%\\Desktop", "C:\\Users\\Bob\\Work"},
        {"C:\\Users\\Bob\\Work", "%EMPTY%\\Desktop", "C:\\Users\\Bob\\Work"},
        {"C:\\Users\\Bob\\Work", "%USERPROFILE", "C:\\Users\\Bob\\Work"},
        {"C:\\Users\\Bob\\Work", "%%\\x", "C:\\Users\\Bob\\Work"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ContractPath(c.path, c.stored, lookup)) << c.path << " / " << c.stored;
}

TEST(LocationText, KnownFolderIdsNameTheirFolderInAnyCase)
{
    EXPECT_EQ("Downloads", KnownFolderName("{374DE290-123F-4565-9164-39C4925E467B}"));
    EXPECT_EQ("Downloads", KnownFolderName("{374de290-123f-4565-9164-39c4925e467b}"));
    EXPECT_EQ("Links", KnownFolderName("{BFB9D5E0-C6A9-404C-B2B2-AE6DB6AF4968}"));
    EXPECT_EQ("", KnownFolderName("Desktop"));
    EXPECT_EQ("", KnownFolderName("374DE290-123F-4565-9164-39C4925E467B"));
}

// The five pairs of Windows 10 and 11 find each other, in any case; other names have none.
TEST(LocationText, TwinValuesPairBothWaysAndAreNamed)
{
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"Personal", "{F42EE2D3-909F-4907-8871-4C22FC0BF756}"},
        {"My Pictures", "{0DDD015D-B06C-45D5-8C4C-F59713854639}"},
        {"My Music", "{A0C69A99-21C8-4671-8703-7934162FCF1D}"},
        {"My Video", "{35286A68-3C57-41A1-BBB1-0EAE73D76C95}"},
        {"{374DE290-123F-4565-9164-39C4925E467B}", "{7D83EE9B-2244-4E70-B1F5-5393042AF1E4}"},
    };
    for (const auto& pair : pairs) {
        EXPECT_EQ(pair.second, TwinValueName(pair.first));
        EXPECT_EQ(pair.first, TwinValueName(pair.second));
        EXPECT_FALSE(KnownFolderName(pair.second).empty()) << pair.second;
    }
    EXPECT_EQ("{F42EE2D3-909F-4907-8871-4C22FC0BF756}", TwinValueName("personal"));
    EXPECT_EQ("Local Downloads", KnownFolderName("{7d83ee9b-2244-4e70-b1f5-5393042af1e4}"));
    EXPECT_EQ("", TwinValueName("Desktop"));
}

TEST(LocationText, DriveAndShareRoots)
{
    for (const char* root : {"D:", "D:\\", "c:\\\\", "\\\\server\\share", "\\\\server\\share\\"})
        EXPECT_TRUE(IsDriveRoot(root)) << root;
    for (const char* folder : {"D:\\Docs", "\\\\server\\share\\Docs", "\\\\server", "Docs", ""})
        EXPECT_FALSE(IsDriveRoot(folder)) << folder;
}
