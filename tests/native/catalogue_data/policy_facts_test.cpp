// The catalogue held against the facts of Microsoft's policy templates: the shipped catalogue
// agrees with the facts kept beside it, the check catches each kind of disagreement, and the
// template reader takes those facts from .admx and .adml files.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "tools/artconv/art_image.h"
#include "tools/policyfacts/admx_reader.h"
#include "tools/policyfacts/policy_facts.h"
#include "tools/xdbc/catalogue_source.h"

namespace kelt::policy {
namespace {

const std::string kSources = KELT_TEST_CATALOGUE_SOURCES;

TEST(PolicyFacts, ShippedCatalogueAgreesWithTheTemplates) {
    PolicyFacts facts;
    for (const char* name : {"policy-facts.tsv", "policy-facts-pages.tsv"})
        ReadFacts(art::ReadWholeFile(kSources + "/" + name), name, facts);
    ASSERT_GT(facts.values.size(), 150u);
    std::vector<std::string> files;
    DIR* d = opendir(kSources.c_str());
    ASSERT_NE(d, nullptr);
    while (dirent* e = readdir(d)) {
        const std::string n = e->d_name;
        if (n.size() > 5 && n.compare(n.size() - 5, 5, ".kind") == 0) files.push_back(n);
    }
    closedir(d);
    std::sort(files.begin(), files.end());
    catsrc::CatalogueCompiler compiler([](const std::string&, int, const std::string&, int) { return std::string(); });
    for (const std::string& f : files) compiler.AddSource(art::ReadWholeFile(kSources + "/" + f), f);
    for (const Finding& f : CheckCatalogue(compiler.Result(), facts))
        ADD_FAILURE() << f.where << ": " << f.describe << ": " << f.message;
}

// One policy of each kind the check meets, as a facts table.
const char kFacts[] =
    "T:Plain\tUser\tSoftware\\Policies\\T\tPlain\tdword\t1\tdelete\t10\t-\tno\n"
    "T:Both\tBoth\tSoftware\\Policies\\T\tBoth\tdword\t1\t0\t7\t-\tyes\n"
    "T:Enum\tMachine\tSoftware\\Policies\\T\tEnum\tdword\t1|2\tdelete\t10\tenterprise education\t-\n"
    "T:Text\tMachine\tSoftware\\Policies\\T\tText\tstring\t*\tdelete\t10\t-\t-\n"
    "E:Browser\tBoth\tSoftware\\Policies\\E\tBrowser\tdword\t1\t0\tedge80\t-\t-\n"
    "T:Plain\t-\t*\t*\t-\t-\t-\t-\tpro\t-\thttps://learn.microsoft.com/p\n";

std::vector<std::string> Findings(const std::string& block) {
    PolicyFacts facts;
    ReadFacts(kFacts, "facts", facts);
    catsrc::CatalogueCompiler compiler;
    compiler.AddSource("kind K\n[check]\ndescribe D\ntype dword\nsource https://learn.microsoft.com/x\n"
                       "details d\n" + block, "k.kind");
    std::vector<std::string> messages;
    for (const Finding& f : CheckCatalogue(compiler.Result(), facts)) messages.push_back(f.message);
    return messages;
}

TEST(PolicyFacts, CheckCatchesEveryKindOfDisagreement) {
    const std::string plain = "root HKCU\nkey Software\\Policies\\T\nvalue Plain\npolicy T:Plain\neditions pro\n"
                              "windows 10 11\nrestart no\nautocreate yes\n";
    const struct {
        std::string block;
        std::vector<std::string> expected;
    } cases[] = {
        {plain + "on 1\noff 0\n", {}},
        {plain + "on 0\noff 1\n", {"on value 0 is no value policy T:Plain writes (enabled 1, disabled delete)"}},
        {"root HKCU\nkey Software\\Policies\\T\nvalue Plain\non 1\noff 0\nwindows 10\nrestart no\nautocreate yes\n",
         {"lies under a policy key but names no policy"}},
        {"root HKCU\nkey Software\\Other\nvalue V\non 1\noff 0\nwindows 10\nrestart no\nautocreate no\neditions pro\n",
         {"names editions but no policy whose facts say so"}},
        {"root HKCU\nkey Software\\Policies\\T\nvalue Plain\npolicy T:Gone\non 1\noff 0\nwindows 10\nrestart no\n"
         "autocreate yes\n",
         {"names policy T:Gone, which the facts do not hold"}},
        {"root HKCU\nkey Software\\Policies\\T\nvalue Other\npolicy T:Plain\non 1\noff 0\nwindows 10\nrestart no\n"
         "autocreate yes\neditions pro\n",
         {"policy T:Plain writes no value Software\\Policies\\T\\Other (it writes Software\\Policies\\T\\Plain)"}},
        {"root HKLM\nkey Software\\Policies\\T\nvalue Plain\npolicy T:Plain\non 1\noff 0\nwindows 10\nrestart yes\n"
         "autocreate yes\n",
         {"policy T:Plain is a User policy: its values live under HKCU",
          "policy T:Plain says no restart is needed, the tweak says restart yes",
          "policy T:Plain works on pro only, the tweak names no editions"}},
        {"root HKCU\nkey Software\\Policies\\T\nvalue Both\npolicy T:Both\non 1\noff 2\nwindows xp 7\nrestart no\n"
         "autocreate no\n",
         {"off value 2 is no value policy T:Both writes (enabled 1, disabled 0)",
          "policy T:Both says a restart or sign-out is needed, the tweak says restart no",
          "lists Windows that policy T:Both does not support (from 7)"}},
        {"root HKLM\nkey Software\\Policies\\T\nvalue Enum\npolicy T:Enum\non 2\noff 0\nwindows 10\nrestart no\n"
         "autocreate yes\neditions enterprise education\n",
         {}},
        {"root HKLM\nkey Software\\Policies\\T\nvalue Text\npolicy T:Text\non 1\noff 0\nwindows 10\nrestart no\n"
         "autocreate yes\n",
         {"policy T:Text writes a string value, the tweak reads a dword"}},
    };
    for (const auto& c : cases) EXPECT_EQ(Findings(c.block), c.expected) << c.block;

    PolicyFacts facts;
    ReadFacts(kFacts, "facts", facts);
    catsrc::CatalogueCompiler compiler;
    compiler.AddSource("kind K\n[check]\ndescribe B\nroot HKLM\nkey Software\\Policies\\E\nvalue Browser\ntype dword\n"
                       "on 1\noff 0\nwindows 10\nrestart no\nautocreate yes\npolicy E:Browser\n"
                       "source https://learn.microsoft.com/x\ndetails From Edge 80 on; a 24-hour clock; version 85.\n",
                       "k.kind");
    const std::vector<Finding> browser = CheckCatalogue(compiler.Result(), facts);
    ASSERT_EQ(browser.size(), 1u);
    EXPECT_EQ(browser[0].message, "details name version 85, policy E:Browser exists from version 80");
    EXPECT_THROW(ReadFacts("T:X\tUser\tk\tv\tdword\t1\n", "bad", facts), FactsError);
}

TEST(PolicyFacts, TemplateReaderTakesTheFactsOfEachPolicy) {
    char folder[] = "/tmp/kelt-admx-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string dir = folder;
    ASSERT_EQ(mkdir((dir + "/en-US").c_str(), 0700), 0);
    const std::string ns = "xmlns=\"http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions\"";
    std::ofstream(dir + "/Base.admx")
        << "<?xml version=\"1.0\"?><policyDefinitions " << ns << "><policyNamespaces>"
        << "<target prefix=\"base\" namespace=\"N.Base\"/></policyNamespaces><supportedOn><definitions>"
        << "<definition name=\"AT_LEAST_7\" displayName=\"$(string.S7)\"/></definitions></supportedOn></policyDefinitions>";
    std::ofstream(dir + "/en-US/base.adml")
        << "<policyDefinitionResources><resources><stringTable><string id=\"S7\">At least Windows Server 2008 R2 or "
           "Windows 7</string></stringTable></resources></policyDefinitionResources>";
    std::ofstream(dir + "/Feature.admx")
        << "<?xml version=\"1.0\" encoding=\"utf-8\"?><!-- sample --><policyDefinitions " << ns << ">"
        << "<policyNamespaces><target prefix=\"f\" namespace=\"N.F\"/><using prefix=\"b\" namespace=\"N.Base\"/>"
        << "</policyNamespaces><policies>"
        << "<policy name=\"Plain\" class=\"User\" key=\"Software\\Policies\\F\" valueName=\"Plain\" "
           "explainText=\"$(string.PlainHelp)\"><supportedOn ref=\"b:AT_LEAST_7\"/></policy>"
        << "<policy name=\"Choice\" class=\"Machine\" key=\"Software\\Policies\\F\" explainText=\"$(string.ChoiceHelp)\">"
           "<supportedOn ref=\"b:AT_LEAST_7\"/><elements><enum id=\"E\" valueName=\"Mode\"><item><value><decimal "
           "value=\"1\"/></value></item><item><value><string>two &amp; more</string></value></item></enum>"
           "<boolean id=\"B\" key=\"Software\\Policies\\F\\Sub\" valueName=\"Flag\"/>"
           "<decimal id=\"D\" valueName=\"Count\" maxValue=\"50\"/></elements></policy>"
        << "<policy name=\"Inverse\" class=\"Both\" key=\"K\" valueName=\"Off\"><enabledValue><decimal value=\"0\"/>"
           "</enabledValue><disabledValue><decimal value=\"1\"/></disabledValue></policy></policies></policyDefinitions>";
    // The language file in UTF-16, as some templates come.
    const std::string adml =
        "<policyDefinitionResources><resources><stringTable>"
        "<string id=\"PlainHelp\">Turns it off.\n\nNo reboots or service restarts are required for this policy setting "
        "to take effect.</string><string id=\"ChoiceHelp\">Picks a mode. A reboot is required for this policy setting "
        "to take effect. Note: This setting only applies to Enterprise and Education SKUs.</string>"
        "</stringTable></resources></policyDefinitionResources>";
    std::string utf16 = "\xFF\xFE";
    for (char c : adml) utf16 += std::string(1, c) + '\0';
    std::ofstream(dir + "/en-US/Feature.adml", std::ios::binary) << utf16;

    std::vector<std::string> lines;
    for (const PolicyValue& v : ReadTemplates(dir).values) lines.push_back(FactsLine(v));
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Feature:Plain\tUser\tSoftware\\Policies\\F\tPlain\tdword\t1\tdelete\t7\t-\tno",
                         "Feature:Choice\tMachine\tSoftware\\Policies\\F\tMode\tdword\t1|two & more\tdelete\t7\t"
                         "enterprise education\tyes",
                         "Feature:Choice\tMachine\tSoftware\\Policies\\F\\Sub\tFlag\tdword\t1|0\tdelete\t7\t"
                         "enterprise education\tyes",
                         "Feature:Choice\tMachine\tSoftware\\Policies\\F\tCount\tdword\t0..50\tdelete\t7\t"
                         "enterprise education\tyes",
                         "Feature:Inverse\tBoth\tK\tOff\tdword\t0\t1\t-\t-\t-"}));
    for (const char* f : {"/en-US/Feature.adml", "/en-US/base.adml", "/Feature.admx", "/Base.admx", "/en-US", ""})
        remove((dir + f).c_str());
}

} // namespace
} // namespace kelt::policy
