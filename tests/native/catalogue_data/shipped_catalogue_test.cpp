// The shipped catalogue as the program reads it: the three compiled tables, read
// back through the table engine and held against their sources.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "storage/xdb_table.h"
#include "tools/artconv/art_image.h"
#include "tools/xdbc/catalogue_source.h"
#include "tools/xdbc/catalogue_tables.h"

namespace kelt::catsrc {
namespace {

const std::string kDir = KELT_TEST_CATALOGUE_DIR;

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

// Compiles data/catalogue/*.kind the way the build does.
Catalogue CompileSources() {
    std::vector<std::string> files;
    DIR* d = opendir(KELT_TEST_CATALOGUE_SOURCES);
    EXPECT_NE(d, nullptr);
    while (dirent* e = d ? readdir(d) : nullptr) {
        std::string n = e->d_name;
        if (n.size() > 5 && n.compare(n.size() - 5, 5, ".kind") == 0) files.push_back(n);
    }
    if (d) closedir(d);
    std::sort(files.begin(), files.end());
    CatalogueCompiler c([](const std::string& name, int depth, const std::string&, int) {
        return art::EncodeBmp(art::LoadArt(std::string(KELT_TEST_KIND_PICTURES) + "/" + name), depth);
    });
    for (const auto& f : files) {
        const std::string path = std::string(KELT_TEST_CATALOGUE_SOURCES) + "/" + f;
        c.AddSource(art::ReadWholeFile(path), path);
    }
    return c.Result();
}

struct Row {
    std::int32_t type = 0, root = 0, regType = 0, os = 0;
    std::string describe, subKey, dataName, details, yes, no, def;
    bool autoCreate = false, reboot = false;
};

std::vector<Row> ReadItems(const char* file, const char* version, bool check) {
    TXdbTable t;
    t.LoadFromFile(kDir + "/" + file);
    EXPECT_EQ(t.FieldByName("sDescribe").AsString(), version);
    std::vector<Row> rows;
    for (t.Next(); !t.Eof(); t.Next()) {
        Row r;
        r.type = t.FieldByName("iTypeID").AsInteger();
        r.describe = t.FieldByName("sDescribe").AsString();
        r.root = t.FieldByName("iRegRoot").AsInteger();
        r.subKey = t.FieldByName("sSubKey").AsString();
        r.regType = t.FieldByName("iRegType").AsInteger();
        r.dataName = t.FieldByName("sDataName").AsString();
        r.os = t.FieldByName("iOSType").AsInteger();
        r.autoCreate = t.FieldByName("bAutoCreate").AsBoolean();
        r.reboot = t.FieldByName("bReboot").AsBoolean();
        r.details = t.FieldByName("sDetails").AsString();
        if (check) {
            r.yes = t.FieldByName("sYesVal").AsString();
            r.no = t.FieldByName("sNoVal").AsString();
        } else {
            r.def = t.FieldByName("sDefaultVal").AsString();
        }
        rows.push_back(r);
    }
    return rows;
}

class ShippedCatalogue : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        TXdbTable t;
        t.LoadFromFile(kDir + "/" + kKindsFile);
        versionOfKinds_ = t.FieldByName("sDescribe").AsString();
        for (t.Next(); !t.Eof(); t.Next()) {
            kindNames_.push_back(t.FieldByName("sDescribe").AsString());
            TXdbBlobStream s(t, "Glyph", bmRead);
            glyphs_.push_back(s.ReadAll());
        }
        checks_ = ReadItems(kCheckItemsFile, kCheckItemsVersion, true);
        edits_ = ReadItems(kEditItemsFile, kEditItemsVersion, false);
    }
    static std::string versionOfKinds_;
    static std::vector<std::string> kindNames_, glyphs_;
    static std::vector<Row> checks_, edits_;
};
std::string ShippedCatalogue::versionOfKinds_;
std::vector<std::string> ShippedCatalogue::kindNames_, ShippedCatalogue::glyphs_;
std::vector<Row> ShippedCatalogue::checks_, ShippedCatalogue::edits_;

TEST_F(ShippedCatalogue, VersionRowsAndSize) {
    EXPECT_EQ(versionOfKinds_, kKindsVersion);
    EXPECT_GE(kindNames_.size(), 8u);
    EXPECT_GE(checks_.size() + edits_.size(), 300u);
    EXPECT_GE(edits_.size(), 30u);
    auto binary = [](const Row& r) { return r.regType == 2; };
    EXPECT_GE(std::count_if(checks_.begin(), checks_.end(), binary) + std::count_if(edits_.begin(), edits_.end(), binary), 2);
}

TEST_F(ShippedCatalogue, EveryKindHasNameAndThirtyTwoPixelPicture) {
    std::set<std::string> names;
    for (size_t i = 0; i < kindNames_.size(); ++i) {
        EXPECT_FALSE(kindNames_[i].empty());
        EXPECT_EQ(kindNames_[i].find('&'), std::string::npos) << kindNames_[i];
        EXPECT_TRUE(names.insert(kindNames_[i]).second) << kindNames_[i];
        const std::string& g = glyphs_[i];
        ASSERT_GT(g.size(), 54u) << kindNames_[i];
        EXPECT_EQ(g.substr(0, 2), "BM");
        auto u32 = [&](size_t at) { return std::uint32_t(std::uint8_t(g[at])) | std::uint32_t(std::uint8_t(g[at + 1])) << 8; };
        EXPECT_EQ(u32(2), g.size());
        EXPECT_EQ(u32(18), 32u);
        EXPECT_EQ(u32(22), 32u);
        const unsigned bits = u32(28);
        EXPECT_TRUE(bits == 8 || bits == 24) << bits;
    }
}

TEST_F(ShippedCatalogue, EveryItemIsWellFormed) {
    const std::set<std::int32_t> roots = {kRootClassesRoot, kRootCurrentUser, kRootLocalMachine, kRootUsers, kRootCurrentConfig};
    std::set<std::string> identities;
    auto dwordText = [](const std::string& s) {
        std::int32_t v = 0;
        return ParseDword(s, v) && std::to_string(v) == s;
    };
    for (const auto* rows : {&checks_, &edits_}) {
        std::vector<int> perKind(kindNames_.size(), 0);
        for (const Row& r : *rows) {
            SCOPED_TRACE(r.describe);
            ASSERT_GE(r.type, 0);
            ASSERT_LT(r.type, static_cast<int>(kindNames_.size()));
            ++perKind[r.type];
            EXPECT_FALSE(r.describe.empty());
            EXPECT_LE(r.describe.size(), kMaxDescribeLength);
            EXPECT_EQ(r.describe.find('&'), std::string::npos);
            EXPECT_GT(r.details.size(), 40u);
            EXPECT_TRUE(roots.count(r.root));
            EXPECT_FALSE(r.subKey.empty());
            EXPECT_GE(r.regType, 0);
            EXPECT_LE(r.regType, 2);
            // Every mask names its families, Vista to 11 included, and is tested exactly.
            EXPECT_EQ(r.os & ~(kMaskListsModern | 4095), 0);
            EXPECT_NE(r.os & kMaskListsModern, 0);
            EXPECT_NE(r.os & 4095, 0);
            EXPECT_TRUE(identities.insert(std::to_string(r.root) + "|" + Lower(r.subKey) + "|" + Lower(r.dataName)).second)
                << "duplicate " << r.subKey << "\\" << r.dataName;
            if (rows == &checks_) {
                EXPECT_NE(r.yes, r.no);
                // An empty string is a real value; an empty binary value always reads as off.
                EXPECT_TRUE(r.regType == 0 || !r.yes.empty());
                if (r.regType == 1) {
                    EXPECT_TRUE(dwordText(r.yes)) << r.yes;
                    EXPECT_TRUE(dwordText(r.no)) << r.no;
                }
            } else if (r.regType == 1) {
                EXPECT_TRUE(dwordText(r.def)) << r.def;
            }
        }
        if (rows == &checks_)
            for (size_t k = 0; k < perKind.size(); ++k) EXPECT_GT(perKind[k], 0) << "kind without check items: " << kindNames_[k];
    }
}

TEST_F(ShippedCatalogue, TablesHoldExactlyWhatTheSourcesSay) {
    const Catalogue cat = CompileSources();
    ASSERT_EQ(cat.kinds.size(), kindNames_.size());
    for (size_t i = 0; i < cat.kinds.size(); ++i) {
        EXPECT_EQ(cat.kinds[i].name, kindNames_[i]);
        EXPECT_EQ(cat.kinds[i].glyph, glyphs_[i]);
    }
    size_t ci = 0, ei = 0;
    for (const Tweak& t : cat.tweaks) {
        const bool check = t.style == Style::Check;
        const std::vector<Row>& rows = check ? checks_ : edits_;
        size_t& at = check ? ci : ei;
        ASSERT_LT(at, rows.size());
        const Row& r = rows[at++];
        SCOPED_TRACE(t.file + ":" + std::to_string(t.line));
        EXPECT_EQ(r.type, t.kindIndex);
        EXPECT_EQ(r.describe, t.describe);
        EXPECT_EQ(r.root, t.root);
        EXPECT_EQ(r.subKey, t.subKey);
        EXPECT_EQ(r.regType, t.regType);
        EXPECT_EQ(r.dataName, t.dataName);
        EXPECT_EQ(r.os, t.osMask);
        EXPECT_EQ(r.autoCreate, t.autoCreate);
        EXPECT_EQ(r.reboot, t.reboot);
        EXPECT_EQ(r.details, t.details);
        EXPECT_EQ(r.yes, t.yesVal);
        EXPECT_EQ(r.no, t.noVal);
        EXPECT_EQ(r.def, t.defaultVal);
        EXPECT_EQ(t.source.compare(0, 4, "http"), 0) << t.source;
    }
    EXPECT_EQ(ci, checks_.size());
    EXPECT_EQ(ei, edits_.size());
}

// Every tweak names the Windows versions it was checked on; "vista+" would also
// offer it on versions that came later and were never looked at.
TEST_F(ShippedCatalogue, EveryTweakNamesItsWindowsVersions) {
    for (const Tweak& t : CompileSources().tweaks) {
        SCOPED_TRACE(t.file + ":" + std::to_string(t.line) + " " + t.describe);
        std::istringstream words(Lower(t.windowsWords));
        std::string w;
        while (words >> w) EXPECT_NE(w, "vista+") << "name the versions: vista 7 8 10 11, or fewer";
    }
}

// Writing the default of an auto-create edit tweak deletes the value, so the default
// has to be what a missing value means on every version the tweak is offered on.
TEST_F(ShippedCatalogue, AutoCreateDefaultHoldsOnEveryListedVersion) {
    for (const Tweak& t : CompileSources().tweaks) {
        if (t.style != Style::Edit || !t.autoCreate) continue;
        SCOPED_TRACE(t.file + ":" + std::to_string(t.line) + " " + t.describe);
        for (const auto& [families, value] : t.defaultsByVersion)
            if ((families & t.osMask & 4095) != 0)
                EXPECT_EQ(value, t.defaultVal) << "a listed version has another default; narrow 'windows' or write 'autocreate no'";
    }
}

// Evidence comes from Microsoft's own pages, over https.
TEST_F(ShippedCatalogue, EverySourceIsAMicrosoftPage) {
    const std::set<std::string> hosts = {"learn.microsoft.com", "support.microsoft.com", "www.microsoft.com"};
    for (const Tweak& t : CompileSources().tweaks) {
        SCOPED_TRACE(t.file + ":" + std::to_string(t.line) + " " + t.describe);
        const std::string scheme = "https://";
        ASSERT_EQ(t.source.compare(0, scheme.size(), scheme), 0) << t.source;
        const std::string host = Lower(t.source.substr(scheme.size(), t.source.find('/', scheme.size()) - scheme.size()));
        EXPECT_TRUE(hosts.count(host)) << t.source;
    }
}

// One value listed twice in a kind under different roots (a policy kept per user
// and per machine, or the Windows 9x form of an NT value) must not leave a
// Windows family with two readings of it.
TEST_F(ShippedCatalogue, SameValueInOneKindNeverMeetsOnOneFamily) {
    std::vector<const Row*> all;
    for (const auto* rows : {&checks_, &edits_})
        for (const Row& r : *rows) all.push_back(&r);
    for (size_t i = 0; i < all.size(); ++i)
        for (size_t j = i + 1; j < all.size(); ++j) {
            const Row& a = *all[i];
            const Row& b = *all[j];
            if (a.type != b.type || Lower(a.subKey) != Lower(b.subKey) || Lower(a.dataName) != Lower(b.dataName)) continue;
            const bool shareFamily = (a.os & b.os & 4095) != 0;
            EXPECT_FALSE(shareFamily && a.regType != b.regType)
                << a.describe << " / " << b.describe << ": one value, two types on the same Windows";
            EXPECT_FALSE(shareFamily && a.root == b.root) << a.describe << " / " << b.describe;
        }
}

TEST(CatalogueTables, WriterKeepsBinaryBytesAndEmptyTables) {
    Catalogue cat;
    cat.kinds.push_back(Kind{"Only", "", "x", 1});
    Tweak t;
    t.style = Style::Check;
    t.describe = "Binary";
    t.root = kRootCurrentUser;
    t.subKey = "K";
    t.dataName = "V";
    t.regType = kTypeBinary;
    t.yesVal = std::string("\x00\xff\x00\x01", 4);
    t.noVal = std::string("\x00", 1);
    t.details = "d";
    cat.tweaks.push_back(t);
    char tmpl[] = "/tmp/kelt-xdbc-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    WriteCatalogueTables(cat, dir);

    TXdbTable items;
    items.LoadFromFile(dir + "/" + kCheckItemsFile);
    EXPECT_EQ(items.RecordCount(), 2);
    items.Next();
    EXPECT_EQ(items.FieldByName("sYesVal").AsString(), t.yesVal);
    EXPECT_EQ(items.FieldByName("sNoVal").AsString(), t.noVal);
    EXPECT_EQ(items.FieldByName("iRegRoot").AsInteger(), -2147483647);

    TXdbTable edits;
    edits.LoadFromFile(dir + "/" + kEditItemsFile);
    EXPECT_EQ(edits.RecordCount(), 1);
    EXPECT_EQ(edits.FieldByName("sDescribe").AsString(), kEditItemsVersion);
    EXPECT_NE(edits.FindField("sDefaultVal"), nullptr);
    EXPECT_EQ(edits.FindField("sYesVal"), nullptr);

    TXdbTable kinds;
    kinds.LoadFromFile(dir + "/" + kKindsFile);
    kinds.Next();
    EXPECT_EQ(kinds.FieldByName("sDescribe").AsString(), "Only");
    EXPECT_EQ(kinds.FieldByName("Glyph").AsString(), "");
    for (const char* f : {kKindsFile, kCheckItemsFile, kEditItemsFile}) std::remove((dir + "/" + f).c_str());
    rmdir(dir.c_str());
}

} // namespace
} // namespace kelt::catsrc
