#include <gtest/gtest.h>

#include <algorithm>

#include "catalogue/platform/registry.h"
#include "tests/windows/platform/test_key.h"
#include "tests/windows/wide_text.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

std::string Bytes(const void* data, std::size_t size)
{
    return std::string(static_cast<const char*>(data), size);
}

} // namespace

TEST(RegistryKeys, OpeningAMissingKeyWithoutCreateFailsAndCreatesNothing)
{
    TestKey key("open-missing");
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    EXPECT_FALSE(registry.OpenKey(key.Sub("a\\b"), false));
    EXPECT_EQ(registry.CurrentKey(), nullptr);
    EXPECT_FALSE(RawKeyExists(key.Path()));
}

TEST(RegistryKeys, OpeningWithCreateMakesEveryMissingLevel)
{
    TestKey key("create-nested");
    {
        TRegistry registry;
        registry.SetRootKey(HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKey("\\" + key.Sub("one\\two\\three"), true));
        registry.WriteInteger("x", 5);
    }
    EXPECT_TRUE(RawKeyExists(key.Sub("one")));
    EXPECT_TRUE(RawKeyExists(key.Sub("one\\two\\three")));
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(RawGet(key.Sub("one\\two\\three"), "x", type, bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
}

TEST(RegistryKeys, ListsValueAndSubKeyNamesAndDeletesKeysWithChildren)
{
    TestKey key("listing");
    RawSetString(key.Path(), "first", "1");
    RawSetDword(key.Path(), "second", 2);
    RawSetString(key.Path(), "", "default");
    RawSetString(key.Sub("child1\\grandchild"), "v", "x");
    RawSetString(key.Sub("child2"), "v", "x");

    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey(key.Path(), false));
    std::vector<std::string> values{"stale"};
    registry.GetValueNames(values);
    std::sort(values.begin(), values.end());
    EXPECT_EQ(values, (std::vector<std::string>{"", "first", "second"}));
    std::vector<std::string> keys;
    registry.GetKeyNames(keys);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"child1", "child2"}));
    registry.CloseKey();

    EXPECT_TRUE(registry.KeyExists(key.Sub("child1\\grandchild")));
    EXPECT_TRUE(registry.DeleteKey(key.Sub("child1")));
    EXPECT_FALSE(RawKeyExists(key.Sub("child1")));
    EXPECT_TRUE(RawKeyExists(key.Sub("child2")));
}

TEST(RegistryValues, ReportsTypesInTheAccessorsOrder)
{
    EXPECT_EQ(static_cast<int>(rdUnknown), 0);
    EXPECT_EQ(static_cast<int>(rdString), 1);
    EXPECT_EQ(static_cast<int>(rdExpandString), 2);
    EXPECT_EQ(static_cast<int>(rdInteger), 3);
    EXPECT_EQ(static_cast<int>(rdBinary), 4);

    TestKey key("types");
    RawSetString(key.Path(), "s", "text");
    RawSetString(key.Path(), "e", "%PATH%", REG_EXPAND_SZ);
    RawSetDword(key.Path(), "d", 7);
    RawSet(key.Path(), "b", REG_BINARY, "\x01\x02\x03", 3);
    RawSet(key.Path(), "m", REG_MULTI_SZ, "a\0b\0\0", 5);

    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey(key.Path(), false));
    EXPECT_EQ(registry.GetDataType("s"), rdString);
    EXPECT_EQ(registry.GetDataType("e"), rdExpandString);
    EXPECT_EQ(registry.GetDataType("d"), rdInteger);
    EXPECT_EQ(registry.GetDataType("b"), rdBinary);
    EXPECT_EQ(registry.GetDataType("m"), rdUnknown);
    EXPECT_EQ(registry.GetDataType("missing"), rdUnknown);
    EXPECT_EQ(registry.GetDataSize("b"), 3);
    EXPECT_EQ(registry.GetDataSize("d"), 4);
    EXPECT_EQ(registry.GetDataSize("missing"), -1);
    TRegDataInfo info;
    EXPECT_TRUE(registry.GetDataInfo("s", info));
    EXPECT_EQ(info.RegData, rdString);
    EXPECT_EQ(info.DataSize, 5);
    EXPECT_FALSE(registry.GetDataInfo("missing", info));
    EXPECT_TRUE(registry.ValueExists("s"));
    EXPECT_FALSE(registry.ValueExists("S "));
}

TEST(RegistryValues, ReadsWhatWasStored)
{
    TestKey key("reads");
    RawSetString(key.Path(), "s", "Hello World");
    RawSetString(key.Path(), "e", "%SystemRoot%", REG_EXPAND_SZ);
    RawSetDword(key.Path(), "minus", 0xFFFFFFFFu);
    RawSetDword(key.Path(), "zero", 0);
    RawSet(key.Path(), "bin", REG_BINARY, "\x00\xFF\x10\x00", 4);
    RawSet(key.Path(), "empty", REG_BINARY, nullptr, 0);
    // A string stored without its terminator still reads as its text.
    RawSet(key.Path(), "noterm", REG_SZ, "abc", 3);

    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey(key.Path(), false));
    EXPECT_EQ(registry.ReadString("s"), "Hello World");
    EXPECT_EQ(registry.ReadString("e"), "%SystemRoot%");  // never expanded
    EXPECT_EQ(registry.ReadString("noterm"), "abc");
    EXPECT_EQ(registry.ReadInteger("minus"), -1);
    EXPECT_TRUE(registry.ReadBool("minus"));
    EXPECT_FALSE(registry.ReadBool("zero"));

    char buffer[8] = {};
    EXPECT_EQ(registry.ReadBinaryData("bin", buffer, sizeof buffer), 4);
    EXPECT_EQ(Bytes(buffer, 4), std::string("\x00\xFF\x10\x00", 4));
    EXPECT_EQ(registry.ReadBinaryString("bin"), std::string("\x00\xFF\x10\x00", 4));
    EXPECT_EQ(registry.ReadBinaryData("empty", buffer, sizeof buffer), 0);
    EXPECT_EQ(registry.ReadBinaryString("empty"), "");
}

TEST(RegistryValues, ReadsOfTheWrongTypeOrMissingValuesRaiseNamingTheValue)
{
    TestKey key("bad-reads");
    RawSetString(key.Path(), "text", "1");
    RawSetDword(key.Path(), "number", 1);
    RawSet(key.Path(), "bin", REG_BINARY, "\x01\x02\x03\x04\x05", 5);

    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey(key.Path(), false));
    auto message = [](auto&& call) -> std::string {
        try {
            call();
        } catch (const RegistryError& error) {
            return error.what();
        }
        return "no error";
    };
    EXPECT_EQ(message([&] { registry.ReadInteger("text"); }), "Invalid data type for 'text'");
    EXPECT_EQ(message([&] { registry.ReadString("number"); }), "Invalid data type for 'number'");
    EXPECT_EQ(message([&] { registry.ReadBool("text"); }), "Invalid data type for 'text'");
    char buffer[4];
    EXPECT_EQ(message([&] { registry.ReadBinaryData("number", buffer, 4); }), "Invalid data type for 'number'");
    EXPECT_EQ(message([&] { registry.ReadBinaryData("bin", buffer, 4); }), "Buffer too small for 'bin'");
    EXPECT_EQ(message([&] { registry.ReadInteger("gone"); }), "Failed to get data for 'gone'");
    EXPECT_EQ(message([&] { registry.ReadString("gone"); }), "Failed to get data for 'gone'");
    EXPECT_THROW(registry.ReadInteger("text"), kelt::Error);
}

TEST(RegistryValues, WritesStoreTheExactTypesAndBytes)
{
    TestKey key("writes");
    {
        TRegistry registry;
        registry.SetRootKey(HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKey(key.Path(), true));
        registry.WriteString("s", "Value");
        registry.WriteInteger("i", -1);
        registry.WriteBool("t", true);
        registry.WriteBool("f", false);
        registry.WriteBinaryData("b", "\x00\x01\x02\x03", 4);
        registry.WriteBinaryData("empty", nullptr, 0);
        registry.WriteBinaryData("fromText", std::string("\0z", 2));
    }
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(RawGet(key.Path(), "s", type, bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, std::string("Value\0", 6));
    ASSERT_TRUE(RawGet(key.Path(), "i", type, bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(bytes, std::string("\xFF\xFF\xFF\xFF", 4));
    ASSERT_TRUE(RawGet(key.Path(), "t", type, bytes));
    EXPECT_EQ(bytes, std::string("\x01\x00\x00\x00", 4));
    ASSERT_TRUE(RawGet(key.Path(), "f", type, bytes));
    EXPECT_EQ(bytes, std::string("\x00\x00\x00\x00", 4));
    ASSERT_TRUE(RawGet(key.Path(), "b", type, bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(bytes, std::string("\x00\x01\x02\x03", 4));
    ASSERT_TRUE(RawGet(key.Path(), "empty", type, bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(bytes.size(), 0u);
    ASSERT_TRUE(RawGet(key.Path(), "fromText", type, bytes));
    EXPECT_EQ(bytes, std::string("\0z", 2));
}

TEST(RegistryValues, DeleteValueAnswersWhetherTheValueIsGone)
{
    TestKey key("delete");
    RawSetString(key.Path(), "v", "x");
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey(key.Path(), false));
    EXPECT_TRUE(registry.DeleteValue("v"));
    EXPECT_FALSE(registry.ValueExists("v"));
    EXPECT_FALSE(registry.DeleteValue("v"));
}

TEST(RegistryValues, RefusedWritesRaiseAndLeaveTheRegistryAlone)
{
    TestKey key("refused");
    RawSetString(key.Path(), "v", "before");
    TRegistry registry(KEY_READ);
    registry.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey(key.Path(), false));
    try {
        registry.WriteString("v", "after");
        ADD_FAILURE() << "a read-only key accepted a write";
    } catch (const RegistryError& error) {
        EXPECT_STREQ(error.what(), "Failed to set data for 'v'");
    }
    EXPECT_EQ(registry.ReadString("v"), "before");
}

TEST(RegistryValues, DestroyingTheAccessorClosesItsKey)
{
    TestKey key("close");
    RawSetString(key.Path(), "v", "x");
    HKEY opened = nullptr;
    {
        TRegistry registry;
        registry.SetRootKey(HKEY_CURRENT_USER);
        ASSERT_TRUE(registry.OpenKey(key.Path(), false));
        opened = registry.CurrentKey();
        ASSERT_NE(opened, nullptr);
    }
    DWORD type = 0, size = 0;
    EXPECT_NE(RegQueryValueExA(opened, "v", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
}

TEST(RegistryRoots, RootCodesBecomeThePredefinedHandles)
{
    EXPECT_EQ(RootKeyFromCode(static_cast<int>(0x80000000u)), HKEY_CLASSES_ROOT);
    EXPECT_EQ(RootKeyFromCode(static_cast<int>(0x80000001u)), HKEY_CURRENT_USER);
    EXPECT_EQ(RootKeyFromCode(static_cast<int>(0x80000002u)), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RootKeyFromCode(static_cast<int>(0x80000003u)), HKEY_USERS);
    EXPECT_EQ(RootKeyFromCode(static_cast<int>(0x80000005u)), HKEY_CURRENT_CONFIG);
    EXPECT_EQ(RootKeyFromCode(static_cast<int>(0x80000006u)), HKEY_DYN_DATA);
}


// Runs with UTF-8 as the code page, as the programs do: names and texts of any language, also
// those whose UTF-8 form is longer than what the registry reports for them, come back exactly,
// and a key whose sub-key has such a long name is deleted with it.
TEST(RegistryText, NamesAndTextsOfAnyLanguageComeBackExactly)
{
    ASSERT_EQ(static_cast<UINT>(CP_UTF8), ::GetACP());
    TestKey key("unicode");
    const std::wstring path = FromUtf8(key.Path());
    const std::wstring cyrillic = L"\x0410\x0432\x0442\x043E\x0437\x0430\x043F\x0443\x0441\x043A";  // Автозапуск
    const std::wstring command = L"C:\\users\\\x0141\x00F3\x0064\x017A\\app.exe";                    // C:\users\Łódź\...
    const std::wstring longCjk(800, L'\x8A2D');  // 2400 bytes in UTF-8
    const std::wstring longName(200, L'\x6587');  // a sub-key name of 600 bytes in UTF-8
    ASSERT_TRUE(SetWideValue(HKEY_CURRENT_USER, path, cyrillic, command));
    ASSERT_TRUE(SetWideValue(HKEY_CURRENT_USER, path, L"cjk", longCjk));
    ASSERT_TRUE(SetWideValue(HKEY_CURRENT_USER, path + L"\\" + longName, L"v", L"x"));

    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey(key.Path(), false));
    std::vector<std::string> names;
    registry.GetValueNames(names);
    std::vector<std::wstring> wideNames;
    for (const std::string& name : names)
        wideNames.push_back(FromUtf8(name));
    std::sort(wideNames.begin(), wideNames.end());
    EXPECT_EQ(wideNames, (std::vector<std::wstring>{L"cjk", cyrillic}));
    std::vector<std::string> keys;
    registry.GetKeyNames(keys);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_TRUE(FromUtf8(keys[0]) == longName);

    for (const std::string& name : names)
        if (FromUtf8(name) == cyrillic) {
            EXPECT_TRUE(FromUtf8(registry.ReadString(name)) == command);
            registry.WriteString(name, registry.ReadString(name) + u8" \u0141");
        }
    EXPECT_TRUE(FromUtf8(registry.ReadString("cjk")) == longCjk);
    registry.WriteString("cjk", registry.ReadString("cjk"));
    registry.CloseKey();
    EXPECT_TRUE(WideValue(HKEY_CURRENT_USER, path, cyrillic) == command + L" \x0141");
    EXPECT_TRUE(WideValue(HKEY_CURRENT_USER, path, L"cjk") == longCjk);

    EXPECT_TRUE(registry.DeleteKey(key.Path()));
    EXPECT_FALSE(RawKeyExists(key.Path()));
}
