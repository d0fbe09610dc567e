// Clearing history keys: every value goes, keys stay, and a key that may not be changed is
// reported instead of being passed over.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>

#include <string>
#include <vector>

#include "plugins/util/history_key.h"
#include "tests/windows/platform/test_key.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

std::vector<std::string> ValueNames(const std::string& path)
{
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

bool KeyThere(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Takes the right to change values of a key away from everybody, for the scope.
class ValuesLocked {
public:
    explicit ValuesLocked(const std::string& path) : path_(path)
    {
        EXPLICIT_ACCESSA deny{};
        deny.grfAccessPermissions = KEY_SET_VALUE;
        deny.grfAccessMode = DENY_ACCESS;
        deny.grfInheritance = NO_INHERITANCE;
        deny.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
        deny.Trustee.ptstrName = const_cast<char*>("EVERYONE");
        EXPLICIT_ACCESSA allow = deny;
        allow.grfAccessPermissions = KEY_READ;
        allow.grfAccessMode = SET_ACCESS;
        EXPLICIT_ACCESSA entries[] = {deny, allow};
        PACL acl = nullptr;
        if (SetEntriesInAclA(2, entries, nullptr, &acl) == ERROR_SUCCESS) {
            locked_ = SetNamedSecurityInfoA(const_cast<char*>(("CURRENT_USER\\" + path_).c_str()), SE_REGISTRY_KEY,
                                            DACL_SECURITY_INFORMATION, nullptr, nullptr, acl, nullptr) ==
                      ERROR_SUCCESS;
            LocalFree(acl);
        }
    }
    ~ValuesLocked()
    {
        // A null DACL gives everybody everything again.
        SetNamedSecurityInfoA(const_cast<char*>(("CURRENT_USER\\" + path_).c_str()), SE_REGISTRY_KEY,
                              DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr);
    }
    bool Locked() const { return locked_; }

private:
    std::string path_;
    bool locked_ = false;
};

TEST(HistoryKey, ClearsValuesOfTheKeyAndOptionallyOfEverySubKeyWhileTheKeysStay)
{
    TestKey key("History");
    const std::string recent = key.Sub("RecentDocs");
    for (const std::string& path : {recent, recent + "\\.txt", recent + "\\Folder\\Deeper"}) {
        RawSetString(path, "0", "a.txt");
        RawSetString(path, "MRUListEx", "x");
    }
    RawSetString(recent, "", "default too");

    EXPECT_TRUE(plugin::ClearKeyValues(HKEY_CURRENT_USER, recent, false));
    EXPECT_TRUE(ValueNames(recent).empty());
    EXPECT_EQ(2u, ValueNames(recent + "\\.txt").size());

    EXPECT_TRUE(plugin::EraseHistoryKey("HKCU\\" + recent, true));
    for (const std::string& path : {recent, recent + "\\.txt", recent + "\\Folder", recent + "\\Folder\\Deeper"}) {
        EXPECT_TRUE(KeyThere(path)) << path;
        EXPECT_TRUE(ValueNames(path).empty()) << path;
    }
}

TEST(HistoryKey, MissingKeysAreClearAndRootsAreNeverCleared)
{
    TestKey key("HistoryMissing");
    EXPECT_TRUE(plugin::EraseHistoryKey("HKCU\\" + key.Sub("Nothing")));
    EXPECT_FALSE(KeyThere(key.Sub("Nothing")));
    EXPECT_FALSE(plugin::EraseHistoryKey("hkcu\\" + key.Path()));
    EXPECT_FALSE(plugin::EraseHistoryKey("HKCU"));
    EXPECT_FALSE(plugin::ClearKeyValues(HKEY_CURRENT_USER, ""));
}

TEST(HistoryKey, AKeyThatMayNotBeChangedIsReported)
{
    TestKey key("HistoryLocked");
    const std::string run = key.Sub("RunMRU");
    RawSetString(run, "a", "notepad");
    ValuesLocked lock(run);
    ASSERT_TRUE(lock.Locked());
    EXPECT_FALSE(plugin::EraseHistoryKey("HKCU\\" + run));
    EXPECT_EQ(1u, ValueNames(run).size());
}

} // namespace
