// The staged Update.exe, started as Live Update starts it and driven through its window, against
// the hostile server: old releases replayed into fresh, upgraded and updated program folders,
// records the deployment must refuse, and a release whose third file cannot be put in place.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/gui/main_smoke/program_probe.h"
#include "tests/windows/update/update_run_fixture.h"
#include "update/release_store.h"
#include "update/update_ids.h"

using namespace kelt::update;
using namespace kelt::update::testing;

namespace {

// The message box the run ended with, as "caption: text"; Update.exe is then closed.
std::string RunStagedUpdater(const std::string& program)
{
    HANDLE process = kelt::probe::StartProgram(program + "Update.exe", program);
    HWND window = process ? kelt::probe::WaitShown(process, 120000, "#32770", "Update Keltrix") : nullptr;
    std::string shown = "<no message>";
    if (window) {
        ::PostMessageA(window, WM_COMMAND, IDC_START, reinterpret_cast<LPARAM>(::GetDlgItem(window, IDC_START)));
        HWND box = nullptr;
        char text[2048] = {};
        for (int i = 0; i < 2400 && !box; ++i, ::Sleep(50))
            for (const char* caption : {"ERROR", "Warning", "Information", "Sorry!"})
                if (!box && (box = kelt::probe::WindowOf(process, "#32770", caption)) &&
                    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text) >= 0)
                    shown = std::string(caption) + ": " + text;
        ::SendMessageA(box, WM_COMMAND, IDOK, 0);
        ::PostMessageA(window, WM_CLOSE, 0, 0);
    }
    if (process && kelt::probe::WaitExit(process, 60000) == STILL_ACTIVE)
        ::TerminateProcess(process, 1);
    return process && ::CloseHandle(process) ? shown : "<not started>";
}

using Files = std::vector<std::pair<std::string, std::string>>;

// A published file holding its name and version.
Published File(const char* section, const char* name, const std::string& version)
{
    return {section, name, name, version, std::string(name) + " " + version};
}

class StagedUpdaterTest : public UpdateRunFixture {
protected:
    // A program folder holding the staged Update.exe and the given files.
    void NewFolder(const Files& files)
    {
        program = NewTempFolder("staged");
        MakeFolders(program + "Plugins\\");
        ASSERT_TRUE(::CopyFileA((kelt::probe::StageFolder() + "Update.exe").c_str(), (program + "Update.exe").c_str(),
                                FALSE));
        for (const auto& [name, bytes] : files)
            WriteBytes(program + name, bytes);
    }
    // The folder holds these bytes, and the registry records `release` for it (0: none).
    void ExpectFolder(const Files& files, int release)
    {
        for (const auto& [name, bytes] : files)
            EXPECT_EQ(ReadBytes(program + name), bytes) << name;
        std::uint64_t recorded = 0;
        std::string problem;
        EXPECT_TRUE(InstalledRelease(program, IniText::Parse(""), recorded, problem));
        EXPECT_EQ(recorded, static_cast<std::uint64_t>(release));
    }
    void PointAt(const std::string& release) { SetBaseAddress(OddServer() + "/tree/" + release + "/update/"); }
};

// What the updater says of a release it refuses for `reason`.
std::string Refused(const std::string& reason)
{
    return "ERROR: The release on the update server was refused: " + reason + ".\nNothing was installed.";
}

TEST_F(StagedUpdaterTest, AnOlderReleaseReplayedIntoAFreshAnUpgradedOrAnUpdatedFolderInstallsNothing)
{
    const int older = Publish("old", {File("Program", "Keltrix.exe", "1"), File("Plugins", "Hide.KTP", "1")},
                              OddServer(), "tree/");
    const int newer = Publish("new", {File("Program", "Keltrix.exe", "2"), File("Plugins", "Hide.KTP", "2")},
                              OddServer(), "tree/");
    const std::string refusal = Refused("it is release " + std::to_string(older) + ", older than release " +
                                        std::to_string(newer) + ", which this program folder has");
    const std::string versions = "[Program]\r\nKeltrix.exe=2\r\n[Plugins]\r\nHide.KTP=2\r\n";
    const Files current = {{"Keltrix.exe", "Keltrix.exe 2"}, {"Plugins\\Hide.KTP", "Hide.KTP 2"}};

    // Fresh, as the zip lays it out: the release it was built from and its files' versions.
    Files fresh = current;
    fresh.push_back({"version.ini", "[Release]\r\nSequence=" + std::to_string(newer) + "\r\n" + versions});
    NewFolder(fresh);
    PointAt("old");
    EXPECT_EQ(RunStagedUpdater(program), refusal);
    ExpectFolder(fresh, 0);

    // Upgraded by the setup, which records its release where only administrators write, over
    // the version.ini of an installation older than both releases.
    Files upgraded = current;
    upgraded.push_back({"version.ini", "[Program]\r\nKeltrix.exe=0.5\r\n[Plugins]\r\nHide.KTP=0.5\r\n"});
    NewFolder(upgraded);
    ASSERT_TRUE(RecordRelease(program, static_cast<std::uint64_t>(newer)));
    PointAt("old");
    EXPECT_EQ(RunStagedUpdater(program), refusal);
    ExpectFolder(upgraded, newer);

    // Updated by the updater from the older release.
    NewFolder({{"Keltrix.exe", "Keltrix.exe 1"}, {"Plugins\\Hide.KTP", "Hide.KTP 1"}});
    PointAt("new");
    EXPECT_EQ(RunStagedUpdater(program), "Information: Installed:\n   Keltrix.exe 2\n   Hide.KTP 2");
    Files updated = current;
    updated.push_back({"version.ini", versions});
    ExpectFolder(updated, newer);
    PointAt("old");
    EXPECT_EQ(RunStagedUpdater(program), refusal);
    ExpectFolder(updated, newer);
}

TEST_F(StagedUpdaterTest, ARecordTheDeploymentMustNotTrustIsRefusedWithItsReason)
{
    const std::vector<Published> files = {File("Program", "Keltrix.exe", "2"), File("Database", "KeltKinds.xdb", "2")};
    const struct {
        const char* name;
        std::string release;
        std::string message;
    } cases[] = {
        {"expired", "expires=2020-02-29T12:00:00Z",
         "ERROR: The update information on the server is out of date since 2020-02-29 12:00:00 UTC.\nNothing was "
         "installed: its publisher has not renewed it, or something between here and the server holds newer "
         "information back."},
        {"product", "product=Keltrax",
         Refused("it is a release of Keltrax stable, this installation follows Keltrix stable")},
        {"channel", "channel=beta", Refused("it is a release of Keltrix beta, this installation follows Keltrix stable")},
        // The same bytes as signed, cut into the four files at other places.
        {"resplit", "", Refused("version.ini has 38 bytes, the signed release names 66")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Files before = {{"Keltrix.exe", "Keltrix.exe 1"}, {"KeltKinds.xdb", "KeltKinds.xdb 1"},
                              {"version.ini", "[Program]\r\nKeltrix.exe=1\r\n"}};
        NewFolder(before);
        Publish(c.name, files, OddServer(), "tree/", Signer::Publisher, c.release);
        const std::string folder = TreeFolder() + c.name + "\\update\\";
        const std::string versions = ReadBytes(folder + "version.ini");
        if (std::string(c.name) == "resplit") {
            const std::size_t cut = versions.rfind("KeltKinds");
            WriteBytes(folder + "filenames.ini", versions.substr(cut) + ReadBytes(folder + "filenames.ini"));
            WriteBytes(folder + "version.ini", versions.substr(0, cut));
        }
        EXPECT_EQ(RunStagedUpdater(program), c.message);
        ExpectFolder(before, 0);
    }

    // A publisher moving to a new key signs with both; a deployment that knows only the new one
    // installs the release.
    NewFolder({{"Keltrix.exe", "Keltrix.exe 1"}});
    Publish("rotated", files, OddServer(), "tree/", Signer::Both);
    SetBaseAddress(OddServer() + "/tree/rotated/update/", Env("KELT_OTHER_PUBLIC"));
    EXPECT_EQ(RunStagedUpdater(program), "Information: Installed:\n   Keltrix.exe 2\n   KeltKinds.xdb 2");
}

TEST_F(StagedUpdaterTest, AReleaseWhoseThirdFileCannotBePutInPlaceLeavesEveryFileAsItWas)
{
    const Files before = {{"Keltrix.exe", "Keltrix.exe 1"}, {"KeltKinds.xdb", "KeltKinds.xdb 1"},
                          {"KeltckItems.xdb", "KeltckItems.xdb 1"}, {"Plugins\\Hide.KTP", "Hide.KTP 1"},
                          {"version.ini", "[Plugins]\r\nHide Drives=1.0\r\n"}};
    NewFolder(before);
    Publish("locked",
            {File("Program", "Keltrix.exe", "2"), File("Database", "KeltKinds.xdb", "2"),
             File("Database", "KeltckItems.xdb", "2"), File("Plugins", "Hide.KTP", "2")},
            OddServer(), "tree/");
    // Open as another program keeps it: readable by others, but not writable, deletable or renamable.
    HANDLE locked = ::CreateFileA((program + "KeltckItems.xdb").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RunStagedUpdater(program),
              "Warning: Nothing was installed: KeltckItems.xdb could not be put in place (it is in use).\nEvery "
              "file already replaced was put back: the installed files and version.ini are as they were.");
    ::CloseHandle(locked);
    ExpectFolder(before, 0);
    for (const char* left : {"Keltrix.exe.new", "KeltKinds.xdb.new", "KeltckItems.xdb.new", "Plugins\\Hide.KTP.new"})
        EXPECT_EQ(ReadBytes(program + left), "<missing>") << left;
}

} // namespace
