// What an update run decides before it touches the network: version order, which names may be
// joined to the program folder, the INI text of the information files and the entries found.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "update/file_names.h"
#include "update/ini_text.h"
#include "update/server_setting.h"
#include "update/update_plan.h"
#include "update/version_text.h"

using namespace kelt::update;

namespace {

TEST(VersionTextTest, ComparesByteStringsInOrdinalOrder)
{
    const struct {
        const char* server;
        const char* local;
        bool newer;
    } cases[] = {
        {"0.9", "0.8", true},  {"0.9", "0.10", true}, {"0.10", "0.9", false}, {"1.0", "1.0", false},
        {"0.8", "0.9", false}, {"0.1", "0", true},    {"0", "0", false},      {"", "0", false},
        {"1.0a", "1.0", true}, {"\xE9", "z", true},   {"1.0", "1.0 ", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsNewerVersion(c.server, c.local), c.newer) << c.server << " vs " << c.local;
}

TEST(FileNameTest, OnlyPlainNamesOfOneFilePass)
{
    for (const char* good : {"Keltrix.exe", "KeltKinds.xdb", "Starter.KTP", "read me.txt", "a", "console.txt",
                             "COM10", "nul_not.txt", ".hidden"})
        EXPECT_TRUE(IsPlainFileName(good)) << good;
    const std::string bad[] = {"", "..", ".", "..\\Keltrix.exe", "../x", "a\\b", "a/b", "C:x", "x:stream",
                               "a..b", "a*", "a?", "a\"", "a<", "a>", "a|", std::string("a\0b", 3), "a\tb",
                               "trail.", "trail ", "CON", "con.txt", "Nul", "aux .dll", "COM1", "lpt9.log", "NUL.tar.gz",
                               std::string(201, 'n')};
    for (const std::string& name : bad)
        EXPECT_FALSE(IsPlainFileName(name)) << PrintableName(name);
    // What the INI files cannot carry, and bytes whose file differs by code page (among them the
    // superscript device names COM¹ and LPT³, in UTF-8 and in Windows-1252).
    for (const char* name : {"[x.dll", ";x.dll", " x.dll", "a=b.dll", "COM\xC2\xB9", "LPT\xB3.txt", "caf\xC3\xA9.dll"})
        EXPECT_FALSE(IsPlainFileName(name)) << PrintableName(name);
    EXPECT_EQ(PrintableName(std::string("a\r\nb\0", 5)), "a??b?");
}

TEST(FileNameTest, InsideFolderMeansStrictlyBelowIt)
{
    const std::string folder = "C:\\Program Files\\Keltrix\\";
    EXPECT_TRUE(IsInsideFolder("C:\\Program Files\\Keltrix\\Keltrix.exe", folder));
    EXPECT_TRUE(IsInsideFolder("c:\\program files\\keltrix\\Plugins\\Hide.KTP", folder));
    EXPECT_TRUE(IsInsideFolder("C:/Program Files/Keltrix/Update/a", folder));
    EXPECT_FALSE(IsInsideFolder("C:\\Program Files\\Keltrix\\", folder));
    EXPECT_FALSE(IsInsideFolder("C:\\Program Files\\Keltrix2\\a", folder));
    EXPECT_FALSE(IsInsideFolder("C:\\Program Files\\Keltrix\\..\\evil.exe", folder));
    EXPECT_FALSE(IsInsideFolder("C:\\Program Files\\Keltrix\\Plugins\\.\\x", folder));
    EXPECT_FALSE(IsInsideFolder("C:\\Windows\\a", folder));
    EXPECT_FALSE(IsInsideFolder("C:\\Program Files\\Keltrix\\a", "C:\\Program Files\\Keltrix"));
}

TEST(IniTextTest, ReadsLikeTheProfileFunctions)
{
    const IniText ini = IniText::Parse(
        "\xEF\xBB\xBF; published 2024\r\n"
        "orphan=ignored\r\n"
        "[Program]\r\n"
        "  Keltrix = 0.9  \r\n"
        "KELTRIX=0.1\r\n"
        "Update=\"0.9 beta\"\r"
        "broken line\n"
        "=novalue\n"
        "[ program ]\n"
        "Extra=1\n"
        "Keltrix=0.2\n"
        "[Empty]\n");
    EXPECT_EQ(ini.Keys("PROGRAM"), (std::vector<std::string>{"Keltrix", "Update", "Extra"}));
    EXPECT_EQ(ini.Get("program", "keltrix", "-"), "0.9");
    EXPECT_EQ(ini.Get("Program", "Update", "-"), "0.9 beta");
    EXPECT_EQ(ini.GetRaw("Program", "Update", "-"), "\"0.9 beta\"");
    EXPECT_EQ(ini.GetRaw("Program", "Keltrix", "-"), "0.9");
    EXPECT_EQ(ini.Get("Program", "missing", "-"), "-");
    EXPECT_EQ(ini.Get("Nowhere", "orphan", "-"), "-");
    EXPECT_TRUE(ini.HasSection("empty"));
    EXPECT_TRUE(ini.Keys("Empty").empty());

    std::uint64_t n = 7;
    EXPECT_TRUE(ParseUnsigned("123456", n));
    EXPECT_EQ(n, 123456u);
    for (const char* bad : {"", "-1", "12a", " 1", "1234567890123456789"})
        EXPECT_FALSE(ParseUnsigned(bad, n)) << bad;
}

TEST(IniTextTest, SettingAValueKeepsEveryOtherByteAndReadsBackAsWritten)
{
    const std::string manager = "; written by hand\r\n[Plugins]\r\nHide Drives=1.0\r\n\r\n[Program]\r\nMain = 0.8 \r\n";
    const struct {
        std::string text, section, key, raw, result;
    } cases[] = {
        {manager, "Program", "main", "0.9", "; written by hand\r\n[Plugins]\r\nHide Drives=1.0\r\n\r\n[Program]\r\nMain =0.9\r\n"},
        {manager, "plugins", "Hide.KTP", "\"1.0 beta \"",
         "; written by hand\r\n[Plugins]\r\nHide Drives=1.0\r\nHide.KTP=\"1.0 beta \"\r\n\r\n[Program]\r\nMain = 0.8 \r\n"},
        {manager, "Database", "Kinds", "0.9", manager + "[Database]\r\nKinds=0.9\r\n"},
        {"", "Program", "Main", "1", "[Program]\r\nMain=1\r\n"},
        {"[Program]\nMain=1", "Program", "Other", "2", "[Program]\nMain=1\r\nOther=2\r\n"},
        {"[Program]\nMain=1\n[Other]\n[program]\nMain=3\n", "Program", "Main", "2",
         "[Program]\nMain=2\n[Other]\n[program]\nMain=3\n"},
        {"[Program]\nA=1\n[Other]\nB=1\n[Program]\nMain=3\n", "Program", "Main", "4",
         "[Program]\nA=1\n[Other]\nB=1\n[Program]\nMain=4\n"},
        {"Main=0\n[Program]\n;Main=0\n", "Program", "Main", "5", "Main=0\n[Program]\n;Main=0\nMain=5\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + " / " + c.key);
        const std::string result = SetIniValue(c.text, c.section, c.key, c.raw);
        EXPECT_EQ(result, c.result);
        // Whatever the text was, the value reads back as the one published.
        const IniText published = IniText::Parse("[" + c.section + "]\n" + c.key + "=" + c.raw + "\n");
        EXPECT_EQ(IniText::Parse(result).Get(c.section, c.key, "-"), published.Get(c.section, c.key, "+"));
    }
}

const UpdateFolders kFolders{"C:\\K\\", "C:\\K\\Update\\", "http://127.0.0.1:8000/update/"};

const std::string kHashA(64, 'a');

TEST(UpdatePlanTest, CollectsNewerFilesInSectionAndKeyOrder)
{
    ServerInfo server;
    server.versions = IniText::Parse(
        "[Plugins]\nHide=0.9\n"
        "[Database]\nKinds=0.10\nItems=0.9\n"
        "[Program]\nMain=0.9\nSame=0.5\nOlder=0.1\nNew=\"0.2 \"\nZero=0\nEmpty=\n");
    server.names = IniText::Parse(
        "[Program]\nMain=Keltrix.exe\nSame=same.dll\nOlder=old.dll\nNew=new.dll\nZero=z\nEmpty=e\n"
        "[Database]\nKinds=KeltKinds.xdb\nItems=KeltckItems.xdb\n[Plugins]\nHide=Hide.KTP\n");
    server.sizes = IniText::Parse("[Program]\nMain=1234\nNew=0\n[Database]\nItems=7\n[Plugins]\nHide=8\n");
    server.hashes = IniText::Parse("[Program]\nMain=" + std::string(64, 'A') + "\nNew=" + kHashA + "\n[Database]\nItems=" +
                                   kHashA + "\n[Plugins]\nHide=" + kHashA + "\n");
    const IniText local = IniText::Parse("[Program]\nMain=0.8\nSame=0.5\nOlder=0.2\n[Database]\nKinds=0.9\nItems=0.8\n");

    const UpdatePlan plan = CollectEntries(server, local, kFolders);
    std::vector<std::string> names;
    for (const TUpdateItem& e : plan.entries)
        names.push_back(e.section + "/" + e.fileName);
    EXPECT_EQ(names, (std::vector<std::string>{"Program/Keltrix.exe", "Program/new.dll", "Database/KeltckItems.xdb",
                                               "Plugins/Hide.KTP"}));
    EXPECT_TRUE(plan.refused.empty());

    const TUpdateItem& main = plan.entries[0];
    EXPECT_EQ(main.key, "Main");
    EXPECT_EQ(main.downloadUrl, "http://127.0.0.1:8000/update/Keltrix.exe");
    EXPECT_EQ(main.stagingPath, "C:\\K\\Update\\Keltrix.exe");
    EXPECT_EQ(main.installPath, "C:\\K\\Keltrix.exe");
    EXPECT_EQ(main.newVersion, "0.9");
    EXPECT_EQ(main.size, 1234u);
    EXPECT_EQ(main.hash, kHashA);
    EXPECT_EQ(plan.entries[1].size, 0u);
    EXPECT_EQ(plan.entries[1].newVersion, "0.2 ");
    EXPECT_EQ(plan.entries[1].rawVersion, "\"0.2 \"");
    EXPECT_EQ(plan.entries[3].installPath, "C:\\K\\Plugins\\Hide.KTP");
    EXPECT_EQ(plan.entries[3].stagingPath, "C:\\K\\Update\\Hide.KTP");
}

TEST(UpdatePlanTest, RefusesNamesThatLeaveTheFolderRepeatOrAreTheInformationsOwn)
{
    ServerInfo server;
    server.versions = IniText::Parse("[Program]\nA=1\nB=1\nC=1\nD=1\nE=1\nG=1\nH=1\nI=1\nJ=1\nK=1\nL=1\n"
                                     "[Plugins]\nF=1\nM=1\n");
    server.names = IniText::Parse(
        "[Program]\nA=..\\Keltrix.exe\nB=ok.dll\nC=C:\\Windows\\x.dll\nE=OK.DLL\nG=Version.INI\nH=update.sig\n"
        "I=UPDATE.INI\nJ=filenames.ini\nK=conout$\nL=same.dll\n[Plugins]\nF=sub/x.KTP\nM=Same.DLL\n");
    // L is not newer here, but still lists its name first.
    const IniText local = IniText::Parse("[Program]\nL=1\n");
    std::string sizes = "[Program]\n", hashes = "[Program]\n";
    for (const char* key : {"A", "B", "C", "D", "E", "G", "H", "I", "J", "K", "L", "M"}) {
        sizes += std::string(key) + "=1\n";
        hashes += std::string(key) + "=" + kHashA + "\n";
    }
    server.sizes = IniText::Parse(sizes);
    server.hashes = IniText::Parse(hashes);
    const UpdatePlan plan = CollectEntries(server, local, kFolders);
    ASSERT_EQ(plan.entries.size(), 1u);
    EXPECT_EQ(plan.entries[0].fileName, "ok.dll");
    std::vector<std::string> refused;
    for (const RefusedName& r : plan.refused)
        refused.push_back(r.key + ":" + r.name + ":" + r.reason);
    EXPECT_EQ(refused, (std::vector<std::string>{"A:..\\Keltrix.exe:not a plain file name",
                                                 "C:C:\\Windows\\x.dll:not a plain file name",
                                                 "D::not a plain file name", "E:OK.DLL:listed twice",
                                                 "G:Version.INI:a name of the update information",
                                                 "H:update.sig:a name of the update information",
                                                 "I:UPDATE.INI:a name of the update information",
                                                 "J:filenames.ini:a name of the update information",
                                                 "K:conout$:not a plain file name",
                                                 "F:sub/x.KTP:not a plain file name",
                                                 "M:Same.DLL:listed twice"}));
}

TEST(ServerSettingTest, NeedsAnHttpAddressEndingInSlash)
{
    EXPECT_FALSE(ReadServerSetting(false, IniText::Parse("")).ok);
    const ServerSetting missing = ReadServerSetting(true, IniText::Parse("[Server]\n"));
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.problem.find("BaseAddress="), std::string::npos);

    for (const char* good : {"http://update.example.org/update/", "HTTPS://h:8443/u/", "http://127.0.0.1:9/"}) {
        const ServerSetting s = ReadServerSetting(true, IniText::Parse(std::string("[server]\nbaseaddress=") + good));
        EXPECT_TRUE(s.ok) << good;
        EXPECT_EQ(s.baseAddress, good);
    }
    for (const char* bad : {"update.example.org/update/", "http://h/update", "ftp://h/u/", "http:///u/",
                            "http://h:99999/u/", "https:/h/"}) {
        const ServerSetting s = ReadServerSetting(true, IniText::Parse(std::string("[Server]\nBaseAddress=") + bad));
        EXPECT_FALSE(s.ok) << bad;
        EXPECT_NE(s.problem.find(bad), std::string::npos);
    }
}

TEST(ServerSettingTest, NamesThePublishersKeysOrWhyThereIsNone)
{
    ServerSetting s = ReadServerSetting(true, IniText::Parse("[Server]\nBaseAddress=http://h/u/\n"));
    EXPECT_TRUE(s.ok);
    EXPECT_TRUE(s.publicKeys.empty());
    EXPECT_EQ(s.keyProblem.rfind("This deployment has no publisher key", 0), 0u);
    // The shipped setting names a usable key; a second one may follow, and one bad key of
    // several is named rather than passed over.
    std::ifstream shipped(KELT_TEST_SHIPPED_UPDATE_INI, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(shipped)), std::istreambuf_iterator<char>());
    s = ReadServerSetting(true, IniText::Parse(text));
    EXPECT_TRUE(s.ok) << s.problem;
    ASSERT_EQ(s.publicKeys.size(), 1u) << s.keyProblem;
    EXPECT_EQ(s.publicKeys[0].size(), 64u);
    const std::string key = IniText::Parse(text).Get("Server", "PublicKey", "");
    s = ReadServerSetting(true, IniText::Parse(text + "\nPublicKey2=" + key + "\nChannel=beta\n"));
    EXPECT_EQ(s.publicKeys.size(), 2u);
    EXPECT_EQ(s.channel, "beta");
    s = ReadServerSetting(true, IniText::Parse(text + "\npublickey7=" + key.substr(4) + "\n"));
    EXPECT_TRUE(s.publicKeys.empty());
    EXPECT_NE(s.keyProblem.find("\npublickey7= must hold"), std::string::npos) << s.keyProblem;
}

} // namespace
