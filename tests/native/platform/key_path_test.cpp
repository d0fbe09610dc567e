#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/platform/key_path.h"

using namespace kelt;

TEST(RootKeyFromName, KnowsTheSixShortNamesExactlyAndNothingElse)
{
    const std::vector<std::pair<std::string, std::uint32_t>> cases = {
        {"HKCR", 0x80000000u}, {"HKCU", 0x80000001u}, {"HKLM", 0x80000002u}, {"HKU", 0x80000003u},
        {"HKCC", 0x80000005u}, {"HKDD", 0x80000006u},
        // Case, long names, near misses and blanks address no root.
        {"hkcu", 0}, {"Hkcu", 0}, {"HKEY_CURRENT_USER", 0}, {"HKCUX", 0}, {"HKC", 0}, {" HKCU", 0}, {"", 0},
    };
    for (const auto& [name, root] : cases)
        EXPECT_EQ(root, RootKeyFromName(name)) << name;
}

TEST(SplitKeyPath, CutsAtTheFirstBackslashAndTheValueAtTheLast)
{
    struct Case {
        std::string path;
        bool withValue;
        std::uint32_t root;
        std::string subKey, value;
    };
    const std::vector<Case> cases = {
        {"HKCU\\Software\\Microsoft\\RunMRU", false, rootCurrentUser, "Software\\Microsoft\\RunMRU", ""},
        {"HKLM\\SOFTWARE\\Setup\\SourcePath", true, rootLocalMachine, "SOFTWARE\\Setup", "SourcePath"},
        {"HKCU\\Value", true, rootCurrentUser, "", "Value"},
        {"HKCU\\Key\\", true, rootCurrentUser, "Key", ""},
        {"hkcu\\Software", false, rootNone, "Software", ""},
        // Without any backslash nothing is addressed, not the whole root.
        {"HKCU", false, rootNone, "", ""},
        {"HKCU", true, rootNone, "", ""},
    };
    for (const Case& c : cases) {
        const KeyPath split = SplitKeyPath(c.path, c.withValue);
        EXPECT_EQ(c.root, split.root) << c.path;
        EXPECT_EQ(c.subKey, split.subKey) << c.path;
        EXPECT_EQ(c.value, split.valueName) << c.path;
    }
}
