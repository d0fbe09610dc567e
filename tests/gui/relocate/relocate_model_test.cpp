// Where the installation files setting is read and written: in the 64-bit registry view for a
// 32-bit build on 64-bit Windows (scripted here), in the process's own view otherwise. (Later
// Windows, and Wine, keep this key shared between the views; earlier 64-bit Windows kept two.)
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <string>

#include "plugins/common/wow64.h"
#include "plugins/relocate/folder_locations.h"

using namespace kelt;
using namespace kelt::relocate;

namespace {

const char kSetup[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";

void SetSource(REGSAM view, const std::string& path)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSetup, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                                             &key, nullptr));
    RegSetValueExA(key, "SourcePath", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>(path.size() + 1));
    RegCloseKey(key);
}

std::string Source(REGSAM view)
{
    char path[MAX_PATH] = {};
    DWORD size = sizeof path;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSetup, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return "<none>";
    RegQueryValueExA(key, "SourcePath", nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size);
    RegCloseKey(key);
    return path;
}

TEST(InstallationFiles, UnderWow64WindowsOwnSettingIsReadAndWritten)
{
    SetSource(KEY_WOW64_64KEY, "C:\\Setup64");
    plugin::ScriptWow64Answer(1);
    OtherFolders others;
    others.Load(1, 2, 3, 4, plugin::RunningUnderWow64());
    const JTLocation setup = others.Location(OtherFolders::kInstallation);
    const OtherFolders::SaveResult saved = others.Save({"D:\\Sources", ""});
    plugin::ScriptWow64Answer(-1);
    EXPECT_EQ(REGSAM(KEY_WOW64_64KEY), setup.view);
    EXPECT_EQ("C:\\Setup64", setup.loaded);
    EXPECT_EQ(1, saved.written);
    EXPECT_EQ("D:\\Sources", Source(KEY_WOW64_64KEY));
}

} // namespace
