// The options object against the real registry of the throw-away Wine prefix.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "app/options.h"
#include "catalogue/platform/registry.h"
#include "ui/xp_style.h"

namespace {

const char kVendorPath[] = "SoftWare\\Dorvane";
const char kParentPath[] = "SoftWare\\Dorvane\\Keltrix 0.8";
const char kOptionsPath[] = "SoftWare\\Dorvane\\Keltrix 0.8\\Options";

struct StoredValue {
    DWORD type = REG_NONE;
    DWORD number = 0;
};

class OptionsStore : public ::testing::Test {
protected:
    void SetUp() override { ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kVendorPath); }
    void TearDown() override { ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kVendorPath); }

    static HKEY CreateOptionsKey()
    {
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kOptionsPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                   nullptr, &key, nullptr));
        return key;
    }
    static void PutDword(const char* name, DWORD value)
    {
        HKEY key = CreateOptionsKey();
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                                  sizeof value));
        ::RegCloseKey(key);
    }
    static void PutString(const char* name, const std::string& text)
    {
        HKEY key = CreateOptionsKey();
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                                  static_cast<DWORD>(text.size() + 1)));
        ::RegCloseKey(key);
    }
    static void PutBinary(const char* name, const std::string& bytes, DWORD type = REG_BINARY)
    {
        HKEY key = CreateOptionsKey();
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                                  static_cast<DWORD>(bytes.size())));
        ::RegCloseKey(key);
    }
    static bool KeyExists(const char* path)
    {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        ::RegCloseKey(key);
        return true;
    }
    // Every value of the options key in the order the registry enumerates them.
    static std::vector<std::pair<std::string, StoredValue>> StoredValues()
    {
        std::vector<std::pair<std::string, StoredValue>> values;
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kOptionsPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return values;
        for (DWORD index = 0;; ++index) {
            char name[256];
            DWORD nameLength = sizeof name;
            StoredValue value;
            DWORD size = sizeof value.number;
            if (::RegEnumValueA(key, index, name, &nameLength, nullptr, &value.type,
                                reinterpret_cast<BYTE*>(&value.number), &size) != ERROR_SUCCESS)
                break;
            values.emplace_back(std::string(name, nameLength), value);
        }
        ::RegCloseKey(key);
        return values;
    }
    static std::map<std::string, DWORD> StoredNumbers()
    {
        std::map<std::string, DWORD> numbers;
        for (const auto& [name, value] : StoredValues())
            numbers[name] = value.number;
        return numbers;
    }
};

void ExpectDefaults(const kelt::JTKeltOptions& o)
{
    EXPECT_TRUE(o.UseXPMenu);
    EXPECT_EQ(0, o.MainLayout);
    EXPECT_EQ(0x8000000Fu, o.TWeakBackColor);
    EXPECT_EQ(HKEY_LOCAL_MACHINE, o.RootKey);
    EXPECT_EQ("SoftWare\\Dorvane\\Keltrix 0.8\\Options", o.KeyPath);
    EXPECT_EQ(5, o.TWeakSpace);
    EXPECT_FALSE(o.ShowCreating);
    EXPECT_EQ(0, o.NotSuitShow);
    EXPECT_EQ(0u, o.NorTWeakColor);
    EXPECT_EQ(128u, o.ModTWeakColor);
    EXPECT_TRUE(o.ScanPlugins);
    EXPECT_EQ(0, o.OutBarStyle);
    EXPECT_EQ(3, o.OutBarLayout);
    EXPECT_TRUE(o.AutoInst);
    EXPECT_FALSE(o.ExpandItems);
}

TEST_F(OptionsStore, MissingKeyAnswersZeroKeepsDefaultsAndCreatesNothing)
{
    kelt::JTKeltOptions options;
    ExpectDefaults(options);
    EXPECT_EQ(0, options.LoadOptions());
    ExpectDefaults(options);
    EXPECT_FALSE(KeyExists(kParentPath));
}

TEST_F(OptionsStore, EmptyKeyAnswersOneAndKeepsDefaults)
{
    ::RegCloseKey(CreateOptionsKey());
    kelt::JTKeltOptions options;
    EXPECT_EQ(1, options.LoadOptions());
    ExpectDefaults(options);
}

TEST_F(OptionsStore, StoredIntegersAreTakenOver)
{
    PutDword("UseXPMenu", 0);
    PutDword("MainLayout", 1);
    PutDword("ShowCreating", 7);  // anything but 0 is true
    PutDword("NotSuitShow", 1);
    PutDword("TWeakBackColor", 0x80000005);
    PutDword("NorTWeakColor", 0x00FF8040);
    PutDword("ModTWeakColor", 0x0000C000);
    PutDword("ScanPlugins", 0);
    PutDword("AutoInst", 0);
    PutDword("OutBarStyle", 10);
    PutDword("OutBarLayout", 4);
    PutDword("ExpandItems", 1);

    kelt::JTKeltOptions options;
    EXPECT_EQ(1, options.LoadOptions());
    EXPECT_FALSE(options.UseXPMenu);
    EXPECT_EQ(1, options.MainLayout);
    EXPECT_TRUE(options.ShowCreating);
    EXPECT_EQ(1, options.NotSuitShow);
    EXPECT_EQ(0x80000005u, options.TWeakBackColor);
    EXPECT_EQ(0x00FF8040u, options.NorTWeakColor);
    EXPECT_EQ(0x0000C000u, options.ModTWeakColor);
    EXPECT_FALSE(options.ScanPlugins);
    EXPECT_FALSE(options.AutoInst);
    EXPECT_EQ(10, options.OutBarStyle);
    EXPECT_EQ(4, options.OutBarLayout);
    EXPECT_TRUE(options.ExpandItems);
}

TEST_F(OptionsStore, ValuesOfAnotherTypeLeaveTheirFieldAlone)
{
    PutString("MainLayout", "1");
    PutString("OutBarLayout", "4");
    PutBinary("UseXPMenu", std::string("\0\0\0\0", 4));
    PutString("NorTWeakColor", "255");
    PutDword("AutoInst", 0);
    PutDword("NotSuitShow", 1);

    kelt::JTKeltOptions options;
    options.NorTWeakColor = 0x00123456;  // a field keeps what it holds, default or not
    EXPECT_EQ(1, options.LoadOptions());
    EXPECT_EQ(0, options.MainLayout);
    EXPECT_EQ(3, options.OutBarLayout);
    EXPECT_TRUE(options.UseXPMenu);
    EXPECT_EQ(0x00123456u, options.NorTWeakColor);
    EXPECT_FALSE(options.AutoInst);
    EXPECT_EQ(1, options.NotSuitShow);
}

TEST_F(OptionsStore, IntegerValuesThatCannotBeReadAsIntegersAreIgnoredToo)
{
    // REG_DWORD values whose data is not four bytes long.
    PutBinary("MainLayout", std::string("\1\0", 2), REG_DWORD);
    PutBinary("UseXPMenu", std::string(), REG_DWORD);
    PutBinary("ModTWeakColor", std::string("\xFF\0\0\0\0\0\0\0", 8), REG_DWORD);
    PutDword("OutBarLayout", 4);

    kelt::JTKeltOptions options;
    EXPECT_EQ(1, options.LoadOptions());
    EXPECT_EQ(0, options.MainLayout);
    EXPECT_TRUE(options.UseXPMenu);
    EXPECT_EQ(128u, options.ModTWeakColor);
    EXPECT_EQ(4, options.OutBarLayout);
}

TEST_F(OptionsStore, OutOfRangeLayoutAndStyleNumbersAreRepairedOnLoadOnly)
{
    struct Case {
        DWORD mainLayout, outBarStyle, outBarLayout;
        int expectMain, expectStyle, expectLayout;
    };
    const Case cases[] = {
        {2, 11, 5, 0, 0, 3},
        {0xFFFFFFFF, 0xFFFFFFFF, 0, 0, 0, 3},
        {1, 10, 4, 1, 10, 4},
        {0, 0, 3, 0, 0, 3},
    };
    for (const Case& c : cases) {
        PutDword("MainLayout", c.mainLayout);
        PutDword("OutBarStyle", c.outBarStyle);
        PutDword("OutBarLayout", c.outBarLayout);
        PutDword("NotSuitShow", 9);  // taken as read
        kelt::JTKeltOptions options;
        EXPECT_EQ(1, options.LoadOptions());
        EXPECT_EQ(c.expectMain, options.MainLayout) << c.mainLayout;
        EXPECT_EQ(c.expectStyle, options.OutBarStyle) << c.outBarStyle;
        EXPECT_EQ(c.expectLayout, options.OutBarLayout) << c.outBarLayout;
        EXPECT_EQ(9, options.NotSuitShow);
    }
    // The repair is not written back by loading.
    EXPECT_EQ(0u, StoredNumbers()["MainLayout"]);
    PutDword("MainLayout", 2);
    kelt::JTKeltOptions options;
    options.LoadOptions();
    EXPECT_EQ(2u, StoredNumbers()["MainLayout"]);
}

TEST_F(OptionsStore, StoredRowGapIsIgnoredAndTheNextSaveWritesFive)
{
    PutDword("TWeakSpace", 10);
    kelt::JTKeltOptions options;
    EXPECT_EQ(1, options.LoadOptions());
    EXPECT_EQ(5, options.TWeakSpace);
    options.SaveOptions();
    EXPECT_EQ(5u, StoredNumbers()["TWeakSpace"]);
}

TEST_F(OptionsStore, FirstSaveCreatesTheKeyWithAllThirteenIntegers)
{
    kelt::JTKeltOptions options;
    options.SaveOptions();

    // Every value is an integer; the registry does not keep the write order, so compare names.
    for (const auto& [name, value] : StoredValues())
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value.type) << name;
    const std::map<std::string, DWORD> expected = {
        {"UseXPMenu", 1},       {"MainLayout", 0},      {"ShowCreating", 0},    {"NotSuitShow", 0},
        {"TWeakSpace", 5},      {"TWeakBackColor", 0x8000000F}, {"NorTWeakColor", 0}, {"ModTWeakColor", 128},
        {"ScanPlugins", 1},     {"AutoInst", 1},        {"OutBarStyle", 0},     {"OutBarLayout", 3},
        {"ExpandItems", 0}};
    EXPECT_EQ(expected, StoredNumbers());
}

TEST_F(OptionsStore, BooleansAreStoredAsZeroAndOneAndSurviveARoundTrip)
{
    kelt::JTKeltOptions options;
    options.UseXPMenu = false;
    options.ShowCreating = true;
    options.ScanPlugins = false;
    options.AutoInst = false;
    options.ExpandItems = true;
    options.MainLayout = 1;
    options.NotSuitShow = 1;
    options.TWeakBackColor = 0x00E0FFFF;
    options.NorTWeakColor = 0x80000008;
    options.ModTWeakColor = 0x00FF0000;
    options.OutBarStyle = 7;
    options.OutBarLayout = 4;
    options.SaveOptions();

    auto stored = StoredNumbers();
    EXPECT_EQ(0u, stored["UseXPMenu"]);
    EXPECT_EQ(1u, stored["ShowCreating"]);
    EXPECT_EQ(0u, stored["ScanPlugins"]);
    EXPECT_EQ(0u, stored["AutoInst"]);
    EXPECT_EQ(1u, stored["ExpandItems"]);

    kelt::JTKeltOptions again;
    ASSERT_EQ(1, again.LoadOptions());
    EXPECT_FALSE(again.UseXPMenu);
    EXPECT_TRUE(again.ShowCreating);
    EXPECT_FALSE(again.ScanPlugins);
    EXPECT_FALSE(again.AutoInst);
    EXPECT_TRUE(again.ExpandItems);
    EXPECT_EQ(1, again.MainLayout);
    EXPECT_EQ(1, again.NotSuitShow);
    EXPECT_EQ(0x00E0FFFFu, again.TWeakBackColor);
    EXPECT_EQ(0x80000008u, again.NorTWeakColor);
    EXPECT_EQ(0x00FF0000u, again.ModTWeakColor);
    EXPECT_EQ(7, again.OutBarStyle);
    EXPECT_EQ(4, again.OutBarLayout);
}

// The system refuses a non-volatile key below a volatile one, which stands in for a key
// the user has no right to create.
void MakeVolatileParent()
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kParentPath, 0, nullptr, REG_OPTION_VOLATILE,
                                               KEY_ALL_ACCESS, nullptr, &key, nullptr));
    ::RegCloseKey(key);
}

TEST_F(OptionsStore, RefusedSaveRaisesTheRegistryErrorAndWritesNothingElsewhere)
{
    MakeVolatileParent();
    kelt::JTKeltOptions options;
    options.MainLayout = 1;
    try {
        options.SaveOptions();
        FAIL() << "the save should have failed";
    } catch (const kelt::RegistryError& error) {
        EXPECT_STREQ("Failed to open or create key 'SoftWare\\Dorvane\\Keltrix 0.8\\Options'", error.what());
    }
    EXPECT_EQ(1, options.MainLayout);
    EXPECT_FALSE(KeyExists(kOptionsPath));
    // Nothing may land in the root or the parent instead.
    for (const char* path : {"", kParentPath}) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key));
        EXPECT_NE(ERROR_SUCCESS, ::RegQueryValueExA(key, "UseXPMenu", nullptr, nullptr, nullptr, nullptr)) << path;
        ::RegCloseKey(key);
    }
}

TEST(ProgramOptions, CreatedWithDefaultsAndFreedByItsOwner)
{
    EXPECT_EQ(nullptr, kelt::KeltOptions());
    kelt::JTKeltOptions& created = kelt::CreateKeltOptions();
    EXPECT_EQ(&created, kelt::KeltOptions());
    ExpectDefaults(created);
    created.MainLayout = 1;
    EXPECT_EQ(1, kelt::KeltOptions()->MainLayout);
    // Windows that cannot see the options ask the ui layer, which follows UseXPMenu.
    EXPECT_TRUE(kelt::ui::XPStyleWanted());
    created.UseXPMenu = false;
    EXPECT_FALSE(kelt::ui::XPStyleWanted());
    kelt::FreeKeltOptions();
    EXPECT_EQ(nullptr, kelt::KeltOptions());
    EXPECT_TRUE(kelt::ui::XPStyleWanted());
}

} // namespace
