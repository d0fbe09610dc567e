// Whole update runs of throw-away program folders against loopback servers, one of them
// hostile: what is installed, what is refused and why, what is recorded, how every failure
// ends, and what a running Keltrix sees.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

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

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string LocalVersion(const std::string& program, const char* section, const char* key)
{
    return IniText::Parse(ReadBytes(program + "version.ini")).Get(section, key, "<none>");
}

class UpdateRunTest : public UpdateRunFixture {};

TEST_F(UpdateRunTest, ASignedRunInstallsExactlyTheSignedFilesAndRecordsTheirVersionsAsPublished)
{
    Publish("e2e",
            {{"Program", "Main", "Keltrix.exe", "0.9", "keltrix program 0.9\n", "auto",
              "EFB4E9AB18CAF5D27A697EF61C608EC94D7A25F1E08F86B6234F52D7009DD8C1"},
             {"Database", "Kinds", "KeltKinds.xdb", "\"0.9 beta \"", "kinds table 0.9\n"},
             {"Plugins", "Hide", "Hide.KTP", "0.10", "hide plugin 0.9\n"}},
            TreeServer());
    // Served beside them, but not listed: never fetched.
    WriteBytes(TreeFolder() + "e2e\\update\\extra.dll", "not published");
    WriteBytes(program + "Keltrix.exe", "old program");
    WriteBytes(program + "KeltKinds.xdb", "old kinds");
    // The plug-in manager's record (by display name) shares the file.
    WriteBytes(program + "version.ini", "[Program]\r\nMain=0.8\r\n[Plugins]\r\nStarter=1.0\r\nHide=0.0\r\nHide Drives=1.0\r\n");

    RecordingView view;
    JTUpdateRun run(Settings(), view);
    ASSERT_EQ(run.Start(nullptr), JTUpdateRun::Outcome::Finished);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Installed:\n   Keltrix.exe 0.9\n   KeltKinds.xdb 0.9 beta \n   Hide.KTP 0.10");
    EXPECT_EQ(messages[0].caption, "Information");
    EXPECT_EQ(messages[0].flags, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(view.downloadBar, (std::vector<int>{33, 66, 100}));
    EXPECT_EQ(view.installBar, (std::vector<int>{0, 33, 66, 100}));
    EXPECT_EQ(view.stages, (Lines{"downloads", "install"}));
    for (const char* status : {"Collecting information....", "Download information files End", "Downloading Hide.KTP...",
                               "Download update files End!"})
        EXPECT_TRUE(view.Showed(status)) << status;
    EXPECT_TRUE(view.Showed("Updating " + program + "Plugins\\Hide.KTP"));
    const Lines log{"Update information signed with the publisher's key", "Updated successful: Keltrix.exe",
                    "Updated successful: KeltKinds.xdb", "Updated successful: Hide.KTP"};
    EXPECT_EQ(run.Log(), log);

    EXPECT_EQ(ReadBytes(program + "Keltrix.exe"), "keltrix program 0.9\n");
    EXPECT_EQ(ReadBytes(program + "KeltKinds.xdb"), "kinds table 0.9\n");
    EXPECT_EQ(ReadBytes(program + "Plugins\\Hide.KTP"), "hide plugin 0.9\n");
    EXPECT_EQ(ReadBytes(program + "Hide.KTP"), "<missing>");
    EXPECT_EQ(ReadBytes(program + "extra.dll"), "<missing>");
    // Nobody but administrators and the system may open what is downloaded (Wine keeps the
    // access list as the folder's Unix mode, so only the absence of everyone else is seen here).
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    LPSTR access = nullptr;
    ASSERT_EQ(::GetNamedSecurityInfoA((program + "Update").c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                      nullptr, nullptr, nullptr, &descriptor), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_TRUE(::ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1,
                                                                       DACL_SECURITY_INFORMATION, &access, nullptr));
    for (const char* others : {";WD)", ";BU)", ";AU)"})
        EXPECT_EQ(std::string(access).find(others), std::string::npos) << access;
    ::LocalFree(access);
    ::LocalFree(descriptor);
    EXPECT_EQ(ReadBytes(program + "version.ini"),
              "[Program]\r\nMain=0.9\r\n[Plugins]\r\nStarter=1.0\r\nHide=0.10\r\nHide Drives=1.0\r\n"
              "[Database]\r\nKinds=\"0.9 beta \"\r\n");

    ASSERT_TRUE(run.SaveLog());
    EXPECT_EQ(ReadBytes(program + "Update.log"),
              "Update information signed with the publisher's key\r\nUpdated successful: Keltrix.exe\r\n"
              "Updated successful: KeltKinds.xdb\r\nUpdated successful: Hide.KTP\r\n");

    // What was recorded is read back as the very versions published: nothing is fetched again.
    RecordingView again;
    messages.clear();
    EXPECT_EQ(RunOnce(again), JTUpdateRun::Outcome::NothingNew);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Nothing new has been found!!");
    EXPECT_EQ(messages[0].caption, "Sorry!");
    EXPECT_EQ(messages[0].flags, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_TRUE(again.downloadBar.empty());
}

TEST_F(UpdateRunTest, InformationNotSignedWithThePublishersKeyInstallsNothing)
{
    const std::string noKey = "This deployment has no publisher key, so no update can be verified and nothing is "
                              "installed.";
    const std::string badKey = "The publisher key in Update.ini is not valid, so no update can be verified and "
                               "nothing is installed.";
    const std::string refused = "The update information is not signed with the publisher's key (";
    const struct {
        const char* name;
        Signer signer;
        std::string key;          // in Update.ini
        std::string signature;    // replaces the signature of release.rec when not empty
        bool tamper;              // filesize.ini changed after signing
        std::string message;      // the start of the one message
        std::string logLine;
    } cases[] = {
        {"unsigned", Signer::Nobody, Env("KELT_SIGN_PUBLIC"), "", false,
         "Can not download the update information (release.rec: HTTP status 404).",
         "Download failed: release.rec (HTTP status 404)"},
        {"otherkey", Signer::Other, Env("KELT_SIGN_PUBLIC"), "", false,
         refused + "the signature does not match the publisher key).",
         "Signature refused: the signature does not match the publisher key"},
        {"tampered", Signer::Publisher, Env("KELT_SIGN_PUBLIC"), "", true,
         "The release on the update server was refused: filesize.ini is not the file the signed release names.",
         "Release refused: filesize.ini is not the file the signed release names"},
        {"notbase64", Signer::Publisher, Env("KELT_SIGN_PUBLIC"), "not base64!", false,
         refused + "release.rec: its signature lines are malformed).",
         "Signature refused: release.rec: its signature lines are malformed"},
        {"notder", Signer::Publisher, Env("KELT_SIGN_PUBLIC"), "aGVsbG8gd29ybGQ=", false,
         refused + "release.rec holds no ECDSA signature).", "Signature refused: release.rec holds no ECDSA signature"},
        {"nokey", Signer::Publisher, "", "", false, noKey, "Nothing installed: " + noKey},
        {"badkey", Signer::Publisher, "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAE", "", false, badKey,
         "Nothing installed: " + badKey},
        {"wrongkey", Signer::Publisher, Env("KELT_OTHER_PUBLIC"), "", false,
         refused + "the signature does not match the publisher key).",
         "Signature refused: the signature does not match the publisher key"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        program = NewTempFolder("prog");
        messages.clear();
        WriteBytes(program + "Keltrix.exe", "installed");
        Publish(c.name, {{"Program", "Main", "Keltrix.exe", "9", "from whoever answers"}}, TreeServer(), "", c.signer);
        const std::string folder = TreeFolder() + c.name + "\\update\\";
        if (!c.signature.empty()) {
            const std::string record = ReadBytes(folder + "release.rec");
            WriteBytes(folder + "release.rec", record.substr(0, record.find("signature ")) + "signature " +
                                                   std::to_string(c.signature.size()) + ":" + c.signature + "\n");
        }
        if (c.tamper)
            WriteBytes(folder + "filesize.ini", "[Program]\r\nMain=21\r\n[Database]\r\n[Plugins]\r\n");
        SetBaseAddress(TreeServer() + "/" + c.name + "/update/", c.key);

        RecordingView view;
        Lines log;
        EXPECT_EQ(RunOnce(view, &log), JTUpdateRun::Outcome::NotStarted);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text.substr(0, c.message.size()), c.message);
        EXPECT_EQ(messages[0].caption, "ERROR");
        EXPECT_EQ(messages[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_TRUE(Contains(log, c.logLine));
        EXPECT_TRUE(view.downloadBar.empty());
        EXPECT_EQ(ReadBytes(program + "Keltrix.exe"), "installed");
        EXPECT_EQ(ReadBytes(program + "Update\\Keltrix.exe"), "<missing>");
        EXPECT_EQ(ReadBytes(program + "version.ini"), "<missing>");
    }
}

TEST_F(UpdateRunTest, HostileAnswersAndNamesTouchNoInstalledFile)
{
    const struct {
        const char* name;
        std::string bytes, size, hash;
        std::string reason;
    } cases[] = {
        {"html.dll", "@odd:html", "48", "auto", "SHA-256 differs from the published one"},
        {"nocontent.dll", "@odd:nocontent", "auto", "auto", "download failed: HTTP status 204"},
        {"empty.dll", "@odd:empty", "auto", "auto", "received 0 bytes, published 10"},
        {"cut.dll", "@odd:cut", "auto", "auto", "received 3 bytes, published 8"},
        {"chunked.dll", "@odd:chunked", "5", "auto",
         "download failed: The answer's body is chunked or encoded, not the file itself"},
        {"flood.dll", "@odd:flood", "auto", "auto", "download failed: The answer is larger than the 10 bytes expected"},
        // On the server these names are the information itself; nothing else is written there.
        {"version.ini", "", "auto", "auto", "a name of the update information"},
        {"FILEHASH.INI", "", "auto", "auto", "a name of the update information"},
        {"update.sig", "", "auto", "auto", "a name of the update information"},
        {"Update.ini", "", "auto", "auto", "a name of the update information"},
        {"CONIN$", "", "auto", "auto", "not a plain file name"},
        {"nosize.dll", "fine bytes", "", "auto", "no published size"},
        {"badsize.dll", "fine bytes", "12x", "auto", "the published size is not a number"},
        {"nohash.dll", "fine bytes", "auto", "", "no published SHA-256"},
        {"badhash.dll", "fine bytes", "auto", "abc", "the published SHA-256 is not 64 hex digits"},
        {"Records", "fine bytes", "auto", "auto", "a folder of that name is in the way"},
    };
    std::vector<Published> files;
    int key = 0;
    for (const auto& c : cases)
        files.emplace_back("Program", "K" + std::to_string(++key), c.name, "1", c.bytes, c.size, c.hash);
    files.emplace_back("Program", "Good", "good.dll", "1", "good bytes");
    Publish("hostile", files, OddServer(), "tree/");
    const std::string setting = ReadBytes(program + "Update.ini");
    // Update.ini is the setting itself, version.ini the run's own record, CONIN$ a device, Records a folder.
    auto plainFile = [](const std::string& name) {
        return name != "Update.ini" && name != "version.ini" && name != "CONIN$" && name != "Records";
    };
    MakeFolders(program + "Records\\");
    for (const auto& c : cases)
        if (plainFile(c.name))
            WriteBytes(program + c.name, "installed");

    RecordingView view;
    Lines log;
    ASSERT_EQ(RunOnce(view, &log), JTUpdateRun::Outcome::Finished);
    // A release installs whole or not at all.
    EXPECT_EQ(ReadBytes(program + "good.dll"), "<missing>");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "Warning");
    EXPECT_EQ(messages[0].flags, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(messages[0].text.rfind("Nothing was installed.\n\nNot installed:\n", 0), 0u) << messages[0].text;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(Has(messages[0].text, std::string("\n   ") + c.name + ": " + c.reason)) << messages[0].text;
        EXPECT_FALSE(Contains(log, std::string("Updated successful: ") + c.name));
        if (!plainFile(c.name))
            continue;
        EXPECT_EQ(ReadBytes(program + c.name), "installed");
        EXPECT_EQ(ReadBytes(program + c.name + ".new"), "<missing>");
        // The staging folder holds the information files under these names, nothing else.
        if (c.reason != "a name of the update information") {
            EXPECT_EQ(ReadBytes(program + "Update\\" + c.name), "<missing>");
        }
    }
    EXPECT_EQ(ReadBytes(program + "Update.ini"), setting);
    EXPECT_EQ(ReadBytes(program + "version.ini"), "<missing>") << "the published version.ini was installed";
    EXPECT_TRUE(Contains(log, "Refused: CONIN$ (Program, K11: not a plain file name)"));
    EXPECT_TRUE(Contains(log, "Not installed: html.dll (SHA-256 differs from the published one)"));
    EXPECT_TRUE(Contains(log, "Download failed: nocontent.dll (HTTP status 204)"));
}

TEST_F(UpdateRunTest, PathsDevicesRepeatsAndDamagedFilesAreRefused)
{
    const std::string wrongHash(64, '0');
    Publish("damaged",
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
        EXPECT_EQ(ReadBytes(program + "Update\\" + name), "<missing>");
    }
    EXPECT_EQ(ReadBytes(program + "Plugins\\good.KTP"), "<missing>");
    EXPECT_TRUE(Contains(log, "Updated fail: good.KTP"));
    EXPECT_TRUE(Contains(log, "Refused: ..\\evil.txt (Program, Escape: not a plain file name)"));
    EXPECT_TRUE(Contains(log, "Refused: CON (Program, Device: not a plain file name)"));
    EXPECT_TRUE(Contains(log, "Refused: SIZED.DLL (Database, Twice: listed twice)"));
    EXPECT_TRUE(Contains(log, "Not installed: sized.dll (received 5 bytes, published 999)"));
    EXPECT_TRUE(Contains(log, "Not installed: hashed.dll (SHA-256 differs from the published one)"));
    EXPECT_TRUE(Contains(log, "Download failed: missing.dll (HTTP status 404)"));
    EXPECT_EQ(ReadBytes(program + "..\\evil.txt"), "<missing>");
    EXPECT_EQ(LocalVersion(program, "Program", "Sized"), "<none>");
    EXPECT_EQ(LocalVersion(program, "Plugins", "Good"), "<none>");
    EXPECT_EQ(view.downloadBar, (std::vector<int>{50, 75, 100}));
}

TEST_F(UpdateRunTest, BrokenAndEndlessTransfersFailAloneAndTheRunGoesOnToInstallNothing)
{
    Publish("odd",
            {{"Program", "Stall", "stall.bin", "1", "x", "1000"},
             {"Program", "Short", "short.bin", "1", "x", "100"},
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
    for (const char* name : {"stall.bin", "short.bin", "error.bin"}) {
        EXPECT_TRUE(Contains(log, std::string("Updated fail: ") + name)) << name;
        EXPECT_EQ(ReadBytes(program + "Update\\" + name), "<missing>") << name;
    }
    EXPECT_EQ(ReadBytes(program + "stall.bin"), "installed");
    EXPECT_EQ(ReadBytes(program + "short.bin"), "<missing>");
    EXPECT_EQ(ReadBytes(program + "good.txt"), "<missing>");
    EXPECT_EQ(view.downloadBar, (std::vector<int>{100}));
}

TEST_F(UpdateRunTest, AServerThatDripsEndsWithinTheBounds)
{
    // One byte every tenth of a second never lets a single wait expire.
    Publish("drip",
            {{"Program", "Head", "head.dll", "1", "@odd:drip-head"},
             {"Program", "Body", "body.dll", "1", "@odd:drip-body", "1000000"}},
            OddServer(), "tree/");
    WriteBytes(program + "body.dll", "installed");
    RecordingView view;
    Lines log;
    ASSERT_EQ(RunOnce(view, &log), JTUpdateRun::Outcome::Finished);
    EXPECT_TRUE(Contains(log, "Download failed: head.dll (The server took too long to send the head of its answer)"));
    EXPECT_TRUE(Contains(log, "Download failed: body.dll (The download took longer than allowed)"));
    EXPECT_EQ(ReadBytes(program + "body.dll"), "installed");
    EXPECT_EQ(ReadBytes(program + "Update\\body.dll"), "<missing>");

    // The information is bounded the same way, and by the size a record can have.
    WriteBytes(TreeFolder() + "drip\\update\\release.rec", "@odd:drip-body");
    messages.clear();
    RecordingView second;
    EXPECT_EQ(RunOnce(second), JTUpdateRun::Outcome::NotStarted);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Can not download the update information (release.rec: The answer announces 1000000 "
                                "bytes, more than the 16384 expected).");
    WriteBytes(TreeFolder() + "drip\\update\\release.rec", "@odd:drip-head");
    messages.clear();
    EXPECT_EQ(RunOnce(second), JTUpdateRun::Outcome::NotStarted);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Can not download the update information (release.rec: The server took too long to "
                                "send the head of its answer).");
    EXPECT_EQ(ReadBytes(program + "Update\\release.rec"), "<missing>");
}

TEST_F(UpdateRunTest, MissingSettingsOrInformationEndInAMessage)
{
    WriteBytes(TreeFolder() + "placeholder", "");
    const std::string key = "PublicKey=" + Env("KELT_SIGN_PUBLIC") + "\r\n";
    const struct {
        std::string updateIni;  // "" leaves Update.ini out
        JTUpdateRun::Outcome outcome;
        std::string message;
    } cases[] = {
        {"", JTUpdateRun::Outcome::NotStarted, "No update server is set."},
        {"[Server]\r\nBaseAddress=ftp://example.org/update/\r\n" + key, JTUpdateRun::Outcome::NotStarted,
         "The update server address in Update.ini is not valid:\nftp://example.org/update/"},
        {"[Server]\r\nBaseAddress=" + TreeServer() + "/nothing/\r\n" + key, JTUpdateRun::Outcome::NotStarted,
         "Can not download the update information (release.rec: HTTP status 404)."},
        {"[Server]\r\nBaseAddress=http://127.0.0.1:1/update/\r\n" + key, JTUpdateRun::Outcome::NotStarted,
         "Can not download the update information (release.rec: Connection Failed)."},
        {"[Server]\r\nBaseAddress=http://no-such-host.invalid/update/\r\n" + key, JTUpdateRun::Outcome::Ended,
         "Can not connect to update host.Update fail!!!"},
        {"[Server]\r\nBaseAddress=" + TlsServer() + "/tree/\r\n" + key, JTUpdateRun::Outcome::NotStarted,
         "Can not download the update information (release.rec: "},
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

TEST_F(UpdateRunTest, AFileAlreadyInPlaceIsRecordedAndNotFetchedAgain)
{
    // Installed through the plug-in manager, which recorded it by its display name only.
    MakeFolders(program + "Plugins\\");
    WriteBytes(program + "Plugins\\Hide.KTP", "hide plugin 1.0");
    WriteBytes(program + "version.ini", "[Plugins]\r\nHide Drives=1.0\r\n");
    Publish("current", {{"Plugins", "Hide.KTP", "Hide.KTP", "0.10", "hide plugin 1.0"}}, TreeServer());

    RecordingView view;
    Lines log;
    EXPECT_EQ(RunOnce(view, &log), JTUpdateRun::Outcome::NothingNew);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Nothing new has been found!!");
    EXPECT_FALSE(view.Showed("Downloading Hide.KTP..."));
    EXPECT_TRUE(Contains(log, "Already installed: Hide.KTP (version 0.10 recorded)"));
    EXPECT_EQ(ReadBytes(program + "version.ini"), "[Plugins]\r\nHide Drives=1.0\r\nHide.KTP=0.10\r\n");
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
    for (int i = 0; i < 100 && !(MutexExists(kKeltrixMutex) && ::FindWindowA("TKeltMainForm", nullptr)); ++i)
        ::Sleep(50);
    EXPECT_TRUE(MutexExists(kKeltrixMutex));
    return process;
}

void StopFakeKeltrix(PROCESS_INFORMATION& process)
{
    if (!process.hProcess)
        return;
    ::TerminateProcess(process.hProcess, 0);
    ::WaitForSingleObject(process.hProcess, 5000);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    process = {};
}

// Ends the stand-in however the test ends, so that its mutex never reaches the next test.
struct FakeKeltrixGuard {
    PROCESS_INFORMATION& process;
    ~FakeKeltrixGuard() { StopFakeKeltrix(process); }
};

bool StillRunning(const PROCESS_INFORMATION& process)
{
    return ::WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
}

TEST_F(UpdateRunTest, KeltrixKeepsRunningWhenNothingWillBeInstalled)
{
    PROCESS_INFORMATION keltrix = StartFakeKeltrix(program, "");
    FakeKeltrixGuard guard{keltrix};
    const std::string before = ReadBytes(program + "Keltrix.exe");
    const struct {
        const char* name;
        Published file;
        std::string message;
    } cases[] = {
        {"samefile", {"Program", "Main", "Keltrix.exe", "0", "old"}, "Nothing new has been found!!"},
        {"badhash", {"Program", "Main", "Keltrix.exe", "0.9", "new program", "auto", std::string(64, 'a')},
         "Nothing was installed.\n\nNot installed:\n   Keltrix.exe: SHA-256 differs from the published one"},
        {"badname", {"Program", "Main", "Update.ini", "0.9", "x"},
         "Nothing was installed.\n\nNot installed:\n   Update.ini: a name of the update information"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Publish(c.name, {c.file}, TreeServer());
        messages.clear();
        RecordingView view;
        RunOnce(view);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, c.message);
        EXPECT_TRUE(StillRunning(keltrix));
        EXPECT_EQ(ReadBytes(program + "closes.txt"), "<missing>") << "a window of Keltrix was asked to close";
        EXPECT_TRUE(ReadBytes(program + "Keltrix.exe") == before);
    }
    StopFakeKeltrix(keltrix);
}

TEST_F(UpdateRunTest, OnlyKeltrixsMainWindowIsAskedAndItsMutexIsHeldWhileInstalling)
{
    Publish("running", {{"Program", "Main", "Keltrix.exe", "0.9", "new program"}}, TreeServer());
    PROCESS_INFORMATION polite = StartFakeKeltrix(program, "");
    FakeKeltrixGuard guardPolite{polite};
    RecordingView view;
    bool heldWhileInstalling = false, keltrixCouldStart = true;
    view.onInstallStarted = [&] {
        heldWhileInstalling = MutexExists(kKeltrixMutex);
        // What a Keltrix started now does first.
        HANDLE mutex = ::CreateMutexA(nullptr, TRUE, kKeltrixMutex);
        keltrixCouldStart = mutex && ::GetLastError() != ERROR_ALREADY_EXISTS;
        if (mutex)
            ::CloseHandle(mutex);
    };
    Lines log;
    closeWaitMs = 10000;
    EXPECT_EQ(RunOnce(view, &log), JTUpdateRun::Outcome::Finished);
    EXPECT_EQ(::WaitForSingleObject(polite.hProcess, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(ReadBytes(program + "closes.txt"), "main\n");
    EXPECT_TRUE(heldWhileInstalling);
    EXPECT_FALSE(keltrixCouldStart);
    EXPECT_FALSE(MutexExists(kKeltrixMutex)) << "still held after the install";
    EXPECT_TRUE(ReadBytes(program + "Keltrix.exe") == "new program");
    EXPECT_TRUE(Contains(log, "Updated successful: Keltrix.exe"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Installed:\n   Keltrix.exe 0.9");
    StopFakeKeltrix(polite);

    // One that does not close, or whose main window a dialog keeps busy: the user decides.
    const struct {
        const char* mode;
        std::deque<int> answers;
        std::string closes;
    } cases[] = {{"stubborn", {IDRETRY, IDCANCEL}, "main\n"}, {"busy", {IDCANCEL}, "<missing>"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        program = NewTempFolder("prog");
        Publish("running", {{"Program", "Main", "Keltrix.exe", "0.9", "new program"}}, TreeServer());
        PROCESS_INFORMATION keltrix = StartFakeKeltrix(program, c.mode);
        FakeKeltrixGuard guard{keltrix};
        const std::string before = ReadBytes(program + "Keltrix.exe");
        answers = c.answers;
        messages.clear();
        closeWaitMs = 1000;
        RecordingView second;
        EXPECT_EQ(RunOnce(second, &log), JTUpdateRun::Outcome::Finished);
        ASSERT_EQ(messages.size(), c.answers.size() + 1) << (messages.empty() ? "" : messages.back().text);
        for (std::size_t i = 0; i < c.answers.size(); ++i) {
            EXPECT_EQ(messages[i].text, "Keltrix is still running.\nClose Keltrix, then choose Retry to install the "
                                        "update.\nCancel leaves every installed file as it is.");
            EXPECT_EQ(messages[i].caption, "Warning");
            EXPECT_EQ(messages[i].flags, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONWARNING));
        }
        EXPECT_EQ(messages.back().text, "Nothing was installed.\n\nNot installed:\n   Keltrix.exe: Keltrix is running");
        EXPECT_TRUE(ReadBytes(program + "Keltrix.exe") == before) << "Keltrix.exe was replaced";
        const std::string closes = ReadBytes(program + "closes.txt");
        EXPECT_TRUE(closes == c.closes || (c.closes == "main\n" && closes.find_first_not_of("main\n") == std::string::npos))
            << closes;
        EXPECT_TRUE(Contains(log, "Not installed: Keltrix.exe (Keltrix is running)"));
        EXPECT_TRUE(Contains(log, "Updated fail: Keltrix.exe"));
        EXPECT_EQ(LocalVersion(program, "Program", "Main"), "<none>");
        EXPECT_TRUE(StillRunning(keltrix));
        StopFakeKeltrix(keltrix);
    }
}

TEST_F(UpdateRunTest, CancelWhileWaitingForKeltrixEndsTheRunAndInstallsNothing)
{
    Publish("cancelwait", {{"Program", "Main", "Keltrix.exe", "0.9", "new program"}}, TreeServer());
    PROCESS_INFORMATION keltrix = StartFakeKeltrix(program, "stubborn");
    FakeKeltrixGuard guard{keltrix};
    const std::string before = ReadBytes(program + "Keltrix.exe");
    closeWaitMs = 60000;
    RecordingView view;
    JTUpdateRun run(Settings(), view);
    static JTUpdateRun* running = nullptr;
    running = &run;
    // The cancel button, pressed while the updater waits for Keltrix to close.
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 1500, [](HWND, UINT, UINT_PTR id, DWORD) CALLBACK {
        ::KillTimer(nullptr, id);
        running->Abort();
    });
    EXPECT_EQ(run.Start(nullptr), JTUpdateRun::Outcome::Ended);
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(view.Showed("Waiting for Keltrix to close..."));
    EXPECT_TRUE(ReadBytes(program + "Keltrix.exe") == before);
    EXPECT_TRUE(StillRunning(keltrix));
    StopFakeKeltrix(keltrix);
    EXPECT_FALSE(MutexExists(kKeltrixMutex)) << "the updater kept Keltrix's mutex";
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
    EXPECT_TRUE(Contains(log, "Updated successful: Update.exe"));
    EXPECT_EQ(ReadBytes(program + "Update.exe"), "new updater");
    EXPECT_EQ(ReadBytes(program + "Update.exe.old"), "old updater");
}

} // namespace
