// Whole update runs of throw-away program folders against loopback servers: what is installed,
// what is refused, what is recorded, and how every failure ends.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/windows/update/update_run_fixture.h"
#include "update/ini_text.h"
#include "update/running_program.h"

using namespace kelt::update;
using namespace kelt::update::testing;

namespace {

using Lines = std::vector<std::string>;

bool Contains(const Lines& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string LocalVersion(const std::string& program, const char* section, const char* key)
{
    return IniText::Parse(ReadBytes(program + "version.ini")).Get(section, key, "<none>");
}

class UpdateRunTest : public UpdateRunFixture {};

TEST_F(UpdateRunTest, InstallsThreeFilesRecordsTheirVersionsAndFindsNothingNewAfterwards)
{
    Publish("e2e",
            {{"Program", "Main", "Keltrix.exe", "0.9", "keltrix program 0.9\n", "auto",
              "EFB4E9AB18CAF5D27A697EF61C608EC94D7A25F1E08F86B6234F52D7009DD8C1"},
             {"Database", "Kinds", "KeltKinds.xdb", "0.9", "kinds table 0.9\n", "auto",
              "f1f4899d519d15708acb86f67449fc6751a53a12b4494ea5ea9db583ead39698"},
             {"Plugins", "Hide", "Hide.KTP", "0.10", "hide plugin 0.9\n", "auto",
              "093224258c02b2185c129626ecdc403fe69e81ba591e587178cf65ce0134fc5a"}},
            TreeServer());
    WriteBytes(program + "Keltrix.exe", "old program");
    WriteBytes(program + "KeltKinds.xdb", "old kinds");
    WriteBytes(program + "version.ini", "[Program]\r\nMain=0.8\r\n[Plugins]\r\nStarter=1.0\r\nHide=0.0\r\n");

    RecordingView view;
    JTUpdateRun run(Settings(), view);
    ASSERT_EQ(run.Start(nullptr), JTUpdateRun::Outcome::Finished);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(view.downloadBar, (std::vector<int>{33, 66, 100}));
    EXPECT_EQ(view.installBar, (std::vector<int>{0, 33, 66, 100}));
    EXPECT_EQ(view.stages, (Lines{"downloads", "install"}));
    for (const char* status : {"Collecting information....", "Download information files End", "Downloading Hide.KTP...",
                               "Download update files End!"})
        EXPECT_TRUE(view.Showed(status)) << status;
    EXPECT_TRUE(view.Showed("Updating " + program + "Plugins\\Hide.KTP"));
    EXPECT_EQ(run.Log(), (Lines{"Updated successful: Keltrix.exe", "Updated successful: KeltKinds.xdb",
                                "Updated successful: Hide.KTP"}));

    EXPECT_EQ(ReadBytes(program + "Keltrix.exe"), "keltrix program 0.9\n");
    EXPECT_EQ(ReadBytes(program + "KeltKinds.xdb"), "kinds table 0.9\n");
    EXPECT_EQ(ReadBytes(program + "Plugins\\Hide.KTP"), "hide plugin 0.9\n");
    EXPECT_EQ(ReadBytes(program + "Hide.KTP"), "<missing>");
    EXPECT_EQ(LocalVersion(program, "Program", "Main"), "0.9");
    EXPECT_EQ(LocalVersion(program, "Database", "Kinds"), "0.9");
    EXPECT_EQ(LocalVersion(program, "Plugins", "Hide"), "0.10");
    EXPECT_EQ(LocalVersion(program, "Plugins", "Starter"), "1.0");
    EXPECT_NE(ReadBytes(program + "Update\\version.ini"), "<missing>");

    ASSERT_TRUE(run.SaveLog());
    EXPECT_EQ(ReadBytes(program + "Update.log"),
              "Updated successful: Keltrix.exe\r\nUpdated successful: KeltKinds.xdb\r\nUpdated successful: Hide.KTP\r\n");

    RecordingView again;
    EXPECT_EQ(RunOnce(again), JTUpdateRun::Outcome::NothingNew);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Nothing new has been found!!");
    EXPECT_EQ(messages[0].caption, "Sorry!");
    EXPECT_EQ(messages[0].flags, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_TRUE(again.downloadBar.empty());
}

TEST_F(UpdateRunTest, HostileOrDamagedFilesNeverReplaceInstalledOnes)
{
    const std::string wrongHash(64, '0');
    Publish("hostile",
            {{"Program", "Escape", "..\\evil.txt", "1", ""},
             {"Program", "Device", "CON", "1", ""},
             {"Program", "Missing", "missing.dll", "1", "", "5"},
             {"Program", "Sized", "sized.dll", "1", "short", "999"},
             {"Program", "Hashed", "hashed.dll", "1", "bytes", "auto", wrongHash},
             {"Database", "Twice", "SIZED.DLL", "1", ""},
             {"Plugins", "Good", "good.KTP", "1", "good plug-in"}},
            TreeServer());
    for (const char* name : {"missing.dll", "sized.dll", "hashed.dll"})
        WriteBytes(program + name, "installed");

    RecordingView view;
    Lines log;
    ASSERT_EQ(RunOnce(view, &log), JTUpdateRun::Outcome::Finished);
    for (const char* name : {"missing.dll", "sized.dll", "hashed.dll"}) {
        EXPECT_EQ(ReadBytes(program + name), "installed") << name;
        EXPECT_TRUE(Contains(log, std::string("Updated fail: ") + name)) << name;
        EXPECT_EQ(ReadBytes(program + name + ".new"), "<missing>");
    }
    EXPECT_EQ(ReadBytes(program + "Plugins\\good.KTP"), "good plug-in");
    EXPECT_TRUE(Contains(log, "Updated successful: good.KTP"));
    EXPECT_TRUE(Contains(log, "Refused file name: ..\\evil.txt (Program, Escape: not a plain file name)"));
    EXPECT_TRUE(Contains(log, "Refused file name: CON (Program, Device: not a plain file name)"));
    EXPECT_TRUE(Contains(log, "Refused file name: SIZED.DLL (Database, Twice: listed twice)"));
    EXPECT_TRUE(Contains(log, "Not installed: sized.dll (received 5 bytes, published 999)"));
    EXPECT_TRUE(Contains(log, "Not installed: hashed.dll (SHA-256 differs from the published one)"));
    EXPECT_TRUE(Contains(log, "Download failed: missing.dll (HTTP status 404)"));
    EXPECT_EQ(ReadBytes(program + "..\\evil.txt"), "<missing>");
    EXPECT_EQ(LocalVersion(program, "Program", "Sized"), "<none>");
    EXPECT_EQ(LocalVersion(program, "Plugins", "Good"), "1");
    EXPECT_EQ(view.downloadBar, (std::vector<int>{50, 75, 100}));
}

TEST_F(UpdateRunTest, BrokenAndEndlessTransfersFailAloneAndTheRunGoesOn)
{
    Publish("odd",
            {{"Program", "Stall", "stall.bin", "1", "x"},
             {"Program", "Short", "short.bin", "1", "x"},
             {"Program", "Error", "error.bin", "1", "x"},
             {"Program", "Good", "good.txt", "1", "fine"}},
            OddServer(), "tree/");
    WriteBytes(program + "stall.bin", "installed");

    RecordingView view;
    Lines log;
    ASSERT_EQ(RunOnce(view, &log), JTUpdateRun::Outcome::Finished);
    EXPECT_TRUE(view.Showed("Downloading stall.bin failed: Read timed out"));
    EXPECT_TRUE(view.Showed("Download update files Error!!"));
    EXPECT_TRUE(Contains(log, "Download failed: short.bin (Connection closed before the whole body arrived)"));
    EXPECT_TRUE(Contains(log, "Download failed: error.bin (HTTP status 500)"));
    for (const char* name : {"stall.bin", "short.bin", "error.bin"})
        EXPECT_TRUE(Contains(log, std::string("Updated fail: ") + name)) << name;
    EXPECT_EQ(ReadBytes(program + "stall.bin"), "installed");
    EXPECT_EQ(ReadBytes(program + "short.bin"), "<missing>");
    EXPECT_EQ(ReadBytes(program + "good.txt"), "fine");
    EXPECT_EQ(view.downloadBar, (std::vector<int>{100}));
}

TEST_F(UpdateRunTest, MissingSettingsOrInformationEndInAMessage)
{
    WriteBytes(TreeFolder() + "placeholder", "");
    const struct {
        std::string updateIni;  // "" leaves Update.ini out
        JTUpdateRun::Outcome outcome;
        std::string message;
    } cases[] = {
        {"", JTUpdateRun::Outcome::NotStarted, "No update server is set."},
        {"[Server]\r\nBaseAddress=ftp://example.org/update/\r\n", JTUpdateRun::Outcome::NotStarted,
         "The update server address in Update.ini is not valid:\nftp://example.org/update/"},
        {"[Server]\r\nBaseAddress=" + TreeServer() + "/nothing/\r\n", JTUpdateRun::Outcome::NotStarted,
         "Can not download the update information (version.ini: HTTP status 404)."},
        {"[Server]\r\nBaseAddress=http://127.0.0.1:1/update/\r\n", JTUpdateRun::Outcome::NotStarted,
         "Can not download the update information (version.ini: Connection Failed)."},
        {"[Server]\r\nBaseAddress=http://no-such-host.invalid/update/\r\n", JTUpdateRun::Outcome::Ended,
         "Can not connect to update host.Update fail!!!"},
        {"[Server]\r\nBaseAddress=" + TlsServer() + "/tree/\r\n", JTUpdateRun::Outcome::NotStarted,
         "Can not download the update information (version.ini: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.updateIni);
        program = NewTempFolder("prog");
        if (!c.updateIni.empty())
            WriteBytes(program + "Update.ini", c.updateIni);
        // Information left by an earlier run is never taken for the server's.
        MakeFolders(program + "Update\\");
        WriteBytes(program + "Update\\version.ini", "[Program]\r\nMain=9\r\n");
        WriteBytes(program + "Update\\filenames.ini", "[Program]\r\nMain=Keltrix.exe\r\n");
        messages.clear();
        RecordingView view;
        EXPECT_EQ(RunOnce(view), c.outcome);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text.substr(0, c.message.size()), c.message);
        EXPECT_EQ(messages[0].caption, "ERROR");
        EXPECT_EQ(messages[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(std::count(view.stages.begin(), view.stages.end(), "end"),
                  c.outcome == JTUpdateRun::Outcome::Ended ? 1 : 0);
        EXPECT_TRUE(view.downloadBar.empty());
        EXPECT_EQ(ReadBytes(program + "Keltrix.exe"), "<missing>");
    }
}

// Starts the stand-in Keltrix from the program folder and waits until it holds its mutex.
PROCESS_INFORMATION StartFakeKeltrix(const std::string& program, const char* mode)
{
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string fake = self;
    fake = fake.substr(0, fake.find_last_of('\\') + 1) + "update_fake_keltrix.exe";
    const std::string target = program + "Keltrix.exe";
    EXPECT_TRUE(::CopyFileA(fake.c_str(), target.c_str(), FALSE));
    std::string commandLine = "\"" + target + "\" " + mode;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    EXPECT_TRUE(::CreateProcessA(target.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                 program.c_str(), &startup, &process));
    for (int i = 0; i < 100 && !MutexExists(kKeltrixMutex); ++i)
        ::Sleep(50);
    EXPECT_TRUE(MutexExists(kKeltrixMutex));
    return process;
}

TEST_F(UpdateRunTest, RunningKeltrixIsAskedToCloseAndOtherwiseLeftAlone)
{
    Publish("running", {{"Program", "Main", "Keltrix.exe", "0.9", "new program"}}, TreeServer());

    PROCESS_INFORMATION polite = StartFakeKeltrix(program, "");
    RecordingView view;
    Lines log;
    closeWaitMs = 10000;
    EXPECT_EQ(RunOnce(view, &log), JTUpdateRun::Outcome::Finished);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(::WaitForSingleObject(polite.hProcess, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(ReadBytes(program + "Keltrix.exe") == "new program");
    EXPECT_EQ(log, (Lines{"Updated successful: Keltrix.exe"}));
    ::CloseHandle(polite.hThread);
    ::CloseHandle(polite.hProcess);

    program = NewTempFolder("prog");
    Publish("running", {{"Program", "Main", "Keltrix.exe", "0.9", "new program"}}, TreeServer());
    PROCESS_INFORMATION stubborn = StartFakeKeltrix(program, "stubborn");
    const std::string before = ReadBytes(program + "Keltrix.exe");
    answers = {IDRETRY, IDCANCEL};
    closeWaitMs = 1000;
    RecordingView second;
    EXPECT_EQ(RunOnce(second, &log), JTUpdateRun::Outcome::Finished);
    ASSERT_EQ(messages.size(), 2u);
    for (const ShownMessage& m : messages) {
        EXPECT_EQ(m.text, "Keltrix is still running.\nClose Keltrix, then choose Retry to install the update.\n"
                          "Cancel leaves every installed file as it is.");
        EXPECT_EQ(m.caption, "Warning");
        EXPECT_EQ(m.flags, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONWARNING));
    }
    EXPECT_TRUE(ReadBytes(program + "Keltrix.exe") == before) << "Keltrix.exe was replaced";
    EXPECT_EQ(log, (Lines{"Not installed: Keltrix is running", "Updated fail: Keltrix.exe"}));
    EXPECT_EQ(LocalVersion(program, "Program", "Main"), "<none>");
    ::TerminateProcess(stubborn.hProcess, 0);
    ::WaitForSingleObject(stubborn.hProcess, 5000);
    ::CloseHandle(stubborn.hThread);
    ::CloseHandle(stubborn.hProcess);
}

TEST_F(UpdateRunTest, ReplacesTheRunningUpdaterByMovingItAside)
{
    Publish("self", {{"Program", "Updater", "Update.exe", "0.9", "new updater"}}, TreeServer());
    WriteBytes(program + "Update.exe", "old updater");
    // Like the image of a running program: readable, renamable, not writable.
    HANDLE running = ::CreateFileA((program + "Update.exe").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(running, INVALID_HANDLE_VALUE);
    RecordingView view;
    Lines log;
    EXPECT_EQ(RunOnce(view, &log), JTUpdateRun::Outcome::Finished);
    ::CloseHandle(running);
    EXPECT_EQ(log, (Lines{"Updated successful: Update.exe"}));
    EXPECT_EQ(ReadBytes(program + "Update.exe"), "new updater");
    EXPECT_EQ(ReadBytes(program + "Update.exe.old"), "old updater");
}

} // namespace
