// The updater against the staged Keltrix.exe, started as a user starts it from a copy of the
// program folder: a run that installs nothing leaves it running untouched, a run with a
// verified file closes it through its main window, holds its mutex and installs. The shipped
// Update.ini is used as it is, so its publisher key is the one tried.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/gui/main_smoke/program_probe.h"
#include "tests/windows/update/update_run_fixture.h"
#include "update/ini_text.h"

using namespace kelt::update;
using namespace kelt::update::testing;

namespace {

// Copies a folder's files and, one level down, its sub-folders' files.
void CopyFolder(const std::string& from, const std::string& to, int depth = 1)
{
    ::CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((from + "*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << from;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (depth > 0)
                CopyFolder(from + name + "\\", to + name + "\\", depth - 1);
        } else {
            EXPECT_TRUE(::CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE)) << name;
        }
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
}

class StagedKeltrixTest : public UpdateRunFixture {};

TEST_F(StagedKeltrixTest, IsLeftRunningUnlessAVerifiedFileIsReadyThenClosedThroughItsMainWindow)
{
    program = NewTempFolder("staged");
    CopyFolder(kelt::probe::StageFolder(), program);
    const std::string shippedKey =
        IniText::Parse(ReadBytes(program + "Update.ini")).Get("Server", "PublicKey", "");
    ASSERT_FALSE(shippedKey.empty());

    HANDLE keltrix = kelt::probe::Start(program);
    ASSERT_TRUE(keltrix);
    // A fresh Wine prefix makes the first start slow: be generous.
    HWND window = kelt::probe::WaitReady(keltrix, 120000);
    ASSERT_TRUE(window) << "no ready main window";
    closeWaitMs = 60000;

    // Signed, but not with the shipped key, whose private half nobody has.
    Publish("staged1", {{"Program", "Readme", "readme.txt", "1", "read me"}}, TreeServer());
    SetBaseAddress(TreeServer() + "/staged1/update/", shippedKey);
    RecordingView first;
    EXPECT_EQ(RunOnce(first), JTUpdateRun::Outcome::NotStarted);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "The update information is not signed with the publisher's key (the signature does "
                                "not match the publisher key).\nNothing was installed.");

    // Signed with the deployment's key, but nothing arrives as published.
    Publish("staged2", {{"Program", "Readme", "readme.txt", "1", "read me", "auto", std::string(64, '0')}},
            TreeServer());
    messages.clear();
    RecordingView second;
    EXPECT_EQ(RunOnce(second), JTUpdateRun::Outcome::Finished);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "Nothing was installed.\n\nNot installed:\n   readme.txt: SHA-256 differs from the published one");
    EXPECT_EQ(::WaitForSingleObject(keltrix, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "Keltrix ended";
    EXPECT_TRUE(::IsWindow(window));
    EXPECT_EQ(ReadBytes(program + "readme.txt"), "<missing>");

    // A verified file: Keltrix is asked to close, and cannot start again while it is installed.
    Publish("staged3", {{"Program", "Readme", "readme.txt", "1", "read me"}}, TreeServer());
    messages.clear();
    RecordingView third;
    HANDLE secondCopy = nullptr;
    DWORD secondEnded = WAIT_FAILED;
    // Started while the updater installs, it must end at once: the install waits for that.
    third.onInstallStarted = [&] {
        secondCopy = kelt::probe::Start(program);
        if (secondCopy)
            secondEnded = ::WaitForSingleObject(secondCopy, 60000);
    };
    EXPECT_EQ(RunOnce(third), JTUpdateRun::Outcome::Finished);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Installed:\n   readme.txt 1");
    EXPECT_EQ(ReadBytes(program + "readme.txt"), "read me");
    ASSERT_EQ(::WaitForSingleObject(keltrix, 0), WAIT_OBJECT_0) << "Keltrix still runs";
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(keltrix, &code);
    EXPECT_EQ(code, 0u);
    ::CloseHandle(keltrix);
    ASSERT_TRUE(secondCopy);
    ASSERT_EQ(secondEnded, WAIT_OBJECT_0) << "Keltrix started while the update was installed";
    ::GetExitCodeProcess(secondCopy, &code);
    EXPECT_EQ(code, 1u) << "Keltrix started while the update was installed";
    ::CloseHandle(secondCopy);
}

} // namespace
