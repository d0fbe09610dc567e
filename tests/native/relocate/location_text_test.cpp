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
