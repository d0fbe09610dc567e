// The catalogue source compiler: what a tweak block becomes, and every fault a
// reviewer can make, each reported with its file and line.
#include <gtest/gtest.h>

#include <string>

#include "tools/xdbc/catalogue_source.h"

namespace kelt::catsrc {
namespace {

const std::string kHead = "kind Explorer\n";

// A complete check block whose lines can be replaced one at a time.
std::string CheckBlock(const std::string& replaceField = "", const std::string& with = "") {
    const char* fields[][2] = {{"describe", "Show hidden files"},
                               {"root", "HKCU"},
                               {"key", "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced"},
                               {"value", "Hidden"},
                               {"type", "dword"},
                               {"on", "1"},
                               {"off", "2"},
                               {"windows", "2000 xp 2003 vista+"},
                               {"restart", "yes"},
                               {"autocreate", "no"},
                               {"details", "Shows hidden files."},
                               {"source", "https://learn.microsoft.com/x"}};
    std::string out = "[check]\n";
    for (auto& f : fields) {
        if (replaceField == f[0]) {
            if (!with.empty()) out += with + "\n";
        } else {
            out += std::string(f[0]) + " " + f[1] + "\n";
        }
    }
    return out;
}

std::string MessageOf(const std::string& text, const std::string& second = "") {
    CatalogueCompiler c;
    try {
        c.AddSource(text, "a.kind");
        if (!second.empty()) c.AddSource(second, "b.kind");
    } catch (const SourceError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(CatalogueSource, CheckBlockBecomesItsTableRow) {
    CatalogueCompiler c;
    c.AddSource(kHead + CheckBlock(), "a.kind");
    const Catalogue& cat = c.Result();
    ASSERT_EQ(cat.kinds.size(), 1u);
    EXPECT_EQ(cat.kinds[0].name, "Explorer");
    EXPECT_TRUE(cat.kinds[0].glyph.empty());
    ASSERT_EQ(cat.tweaks.size(), 1u);
    const Tweak& t = cat.tweaks[0];
    EXPECT_EQ(t.style, Style::Check);
    EXPECT_EQ(t.kindIndex, 0);
    EXPECT_EQ(t.describe, "Show hidden files");
    EXPECT_EQ(t.root, -2147483647);
    EXPECT_EQ(t.subKey, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced");
    EXPECT_EQ(t.dataName, "Hidden");
    EXPECT_EQ(t.regType, 1);
    EXPECT_EQ(t.yesVal, "1");
    EXPECT_EQ(t.noVal, "2");
    EXPECT_EQ(t.osMask, kMaskListsModern | 16 | 32 | 64 | 128 | 256 | 512 | 1024 | 2048);
    EXPECT_TRUE(t.reboot);
    EXPECT_FALSE(t.autoCreate);
    EXPECT_EQ(t.details, "Shows hidden files.");
    EXPECT_EQ(t.source, "https://learn.microsoft.com/x");
    EXPECT_EQ(t.line, 2);
}

TEST(CatalogueSource, EditBlockValuesAndTextForms) {
    CatalogueCompiler c;
    c.AddSource(kHead +
                    "[edit]\ndescribe Mask\nroot HKLM\nkey A\\B\nvalue \"\"\ntype binary\ndefault 9e 3E 07 80\n"
                    "windows 95 98 me nt4 2000 xp 2003\nrestart no\nautocreate yes\n"
                    "details First line\n  continues here.\n  .\n  Second paragraph.\nsource http://a.example/1\n"
                    "[edit]\ndescribe Big\nroot HKEY_USERS\nkey K\nvalue V\ntype dword\ndefault 0x80000000\n"
                    "windows vista+\nrestart no\nautocreate no\ndetails D\nsource https://b.example\n"
                    "[edit]\ndescribe Text\nroot HKCC\nkey K\nvalue V2\ntype string\ndefault \"  spaced \"\n"
                    "windows xp\nrestart no\nautocreate no\nsource https://c.example/p?q=1\ndetails D\n",
                "a.kind");
    const auto& tw = c.Result().tweaks;
    ASSERT_EQ(tw.size(), 3u);
    EXPECT_EQ(tw[0].style, Style::Edit);
    EXPECT_EQ(tw[0].root, -2147483646);
    EXPECT_EQ(tw[0].dataName, "");
    EXPECT_EQ(tw[0].regType, 2);
    EXPECT_EQ(tw[0].defaultVal, std::string("\x9e\x3e\x07\x80", 4));
    EXPECT_EQ(tw[0].osMask, kMaskListsModern | 127);
    EXPECT_EQ(tw[0].details, "First line continues here.\r\n\r\nSecond paragraph.");
    EXPECT_EQ(tw[1].root, -2147483645);
    EXPECT_EQ(tw[1].defaultVal, "-2147483648");  // DWORD text form is signed decimal
    EXPECT_EQ(tw[1].osMask, kMaskListsModern | 128 | 256 | 512 | 1024 | 2048);  // Vista and later
    EXPECT_EQ(tw[2].root, -2147483643);
    EXPECT_EQ(tw[2].defaultVal, "  spaced ");
    EXPECT_EQ(tw[2].details, "D");  // a source line ends the details it follows
    EXPECT_EQ(tw[2].source, "https://c.example/p?q=1");
}

TEST(CatalogueSource, WindowsWordsAndRanges) {
    const std::pair<const char*, int> cases[] = {
        {"xp 2003", 32 | 64},
        {"vista 7 8 10 11", 128 | 256 | 512 | 1024 | 2048},
        {"10 11", 1024 | 2048},
        {"10+", 1024 | 2048},
        {"8+", 512 | 1024 | 2048},
        {"7+", 256 | 512 | 1024 | 2048},
        {"XP Vista 7", 32 | 128 | 256},
        {"11", 2048},
        {"98 me", 2 | 4},
    };
    for (const auto& [words, mask] : cases) {
        CatalogueCompiler c;
        c.AddSource(kHead + CheckBlock("windows", std::string("windows ") + words), "a.kind");
        ASSERT_EQ(c.Result().tweaks.size(), 1u) << words;
        EXPECT_EQ(c.Result().tweaks[0].osMask, kMaskListsModern | mask) << words;
    }
}

TEST(CatalogueSource, DefaultsByVersionAreParsedAndChecked) {
    const std::string edit = "[edit]\ndescribe Days\nroot HKLM\nkey K\nvalue V\ntype dword\ndefault 5\n"
                             "windows 7+\nrestart no\nautocreate no\ndetails D\nsource https://a.example\n";
    CatalogueCompiler c;
    c.AddSource(kHead + edit + "default-by-version 2000 xp 2003 vista = 14; 7+ = 5\n", "a.kind");
    const auto& byVersion = c.Result().tweaks.at(0).defaultsByVersion;
    ASSERT_EQ(byVersion.size(), 2u);
    EXPECT_EQ(byVersion[0], std::make_pair(16 | 32 | 64 | 128, std::string("14")));
    EXPECT_EQ(byVersion[1], std::make_pair(256 | 512 | 1024 | 2048, std::string("5")));

    EXPECT_EQ(MessageOf(kHead + edit + "default-by-version xp 14\n"),
              "a.kind:14: bad default-by-version group 'xp 14' (families = value)");
    EXPECT_EQ(MessageOf(kHead + edit + "default-by-version xp = 14; xp 7 = 5\n"),
              "a.kind:14: a Windows family has two defaults in default-by-version");
    EXPECT_EQ(MessageOf(kHead + CheckBlock() + "default-by-version xp = 1\n"),
              "a.kind:15: 'default-by-version' belongs to [edit] blocks");
}

TEST(CatalogueSource, KindIndexFollowsSourceOrder) {
    CatalogueCompiler c;
    c.AddSource("kind One\n" + CheckBlock(), "a.kind");
    c.AddSource("kind Empty\n", "b.kind");
    c.AddSource("kind Three\n" + CheckBlock("value", "value Other"), "c.kind");
    const Catalogue& cat = c.Result();
    ASSERT_EQ(cat.kinds.size(), 3u);
    EXPECT_EQ(cat.kinds[1].name, "Empty");
    ASSERT_EQ(cat.tweaks.size(), 2u);
    EXPECT_EQ(cat.tweaks[0].kindIndex, 0);
    EXPECT_EQ(cat.tweaks[1].kindIndex, 2);
}

TEST(CatalogueSource, PictureIsLoadedWithItsDepth) {
    std::string seen;
    CatalogueCompiler c([&](const std::string& name, int depth, const std::string& file, int line) {
        seen = name + "/" + std::to_string(depth) + "/" + file + ":" + std::to_string(line);
        return std::string("BMbytes");
    });
    c.AddSource("kind K\npicture k.art\ndepth 24\n" + CheckBlock(), "a.kind");
    EXPECT_EQ(seen, "k.art/24/a.kind:2");
    EXPECT_EQ(c.Result().kinds[0].glyph, "BMbytes");
}

TEST(CatalogueSource, FaultsInValues) {
    EXPECT_EQ(MessageOf(kHead + CheckBlock("root", "root HKEY_LOCAL")),
              "a.kind:4: unknown root 'HKEY_LOCAL' (HKCR, HKCU, HKLM, HKU or HKCC)");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("type", "type qword")),
              "a.kind:7: unknown type 'qword' (string, dword or binary)");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("on", "on 2147483648")),
              "a.kind:8: DWORD value '2147483648' is not a signed 32-bit number (decimal, or 0x and up to 8 hex digits)");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("off", "off -2147483649")).substr(0, 40), "a.kind:9: DWORD value '-2147483649' is n");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("on", "on 1.5")).substr(0, 9), "a.kind:8:");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("on", "on 0x100000000")).substr(0, 9), "a.kind:8:");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("on", "on 2")), "a.kind:9: 'on' and 'off' are the same value");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("type", "type binary") /* on 1 is not hex pairs */),
              "a.kind:8: bad binary value '1' (hex byte pairs such as 01 FF 10)");
    EXPECT_EQ(MessageOf(kHead + "[check]\ndescribe d\nroot HKCU\nkey k\nvalue v\ntype binary\non 01 0G\noff 00\n"),
              "a.kind:8: bad binary value '01 0G' (hex byte pairs such as 01 FF 10)");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("windows", "windows xp 9")),
              "a.kind:10: unknown Windows family '9' (95 98 me nt4 2000 xp 2003 vista 7 8 10 11, or vista+ 7+ 8+ 10+)");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("windows", "windows 7+ 10")),
              "a.kind:10: Windows family '10' listed twice");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("windows", "windows xp XP")), "a.kind:10: Windows family 'XP' listed twice");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("restart", "restart maybe")), "a.kind:11: bad restart 'maybe' (yes or no)");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("key", "key Software\\\\Microsoft")),
              "a.kind:5: key path 'Software\\\\Microsoft' has an empty part");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("describe", "describe Tom & Jerry")).substr(0, 20), "a.kind:3: '&' in a d");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("describe", "describe " + std::string(65, 'x'))),
              "a.kind:3: description is 65 characters long, at most 64 fit a row");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("autocreate", "autocreate no\npolicy StartMenu")),
              "a.kind:13: policy 'StartMenu' is not template:name (for example CloudContent:ConfigureWindowsSpotlight)");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("autocreate", "autocreate no\neditions pro pro")),
              "a.kind:13: bad editions 'pro pro' (home pro enterprise education server, each once)");
    EXPECT_EQ(MessageOf(kHead + "[edit]\ndescribe d\nroot HKCU\nkey k\nvalue v\ntype dword\ndefault \"\"\n"),
              "a.kind:8: DWORD value '\"\"' is not a signed 32-bit number (decimal, or 0x and up to 8 hex digits)");
}

TEST(CatalogueSource, FaultsInStructure) {
    EXPECT_EQ(MessageOf(CheckBlock()), "a.kind:1: tweak block before the 'kind' line: no kind to put it in");
    EXPECT_EQ(MessageOf("; only a comment\n"), "a.kind:1: no 'kind' line in this file");
    EXPECT_EQ(MessageOf(kHead + "kind Again\n"), "a.kind:2: second 'kind' line: one kind per file");
    EXPECT_EQ(MessageOf("kind A & B\n").substr(0, 20), "a.kind:1: '&' in a k");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("details")), "a.kind:2: tweak has no 'details'");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("off")), "a.kind:2: tweak has no 'off'");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("source")), "a.kind:2: tweak has no 'source'");
    for (const char* bad : {"learn.microsoft.com/x", "ftp://a.example/x", "https://localhost/x", "https://a .example",
                            "https://", "https://.example/"})
        EXPECT_EQ(MessageOf(kHead + CheckBlock("source", std::string("source ") + bad)),
                  std::string("a.kind:14: source '") + bad + "' is not a web address (http:// or https:// and a host)")
            << bad;
    EXPECT_EQ(MessageOf(kHead + CheckBlock("restart", "reboot yes")), "a.kind:11: unknown field 'reboot'");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("restart", "default 1")),
              "a.kind:11: 'default' belongs to [edit] blocks; a [check] block has 'on' and 'off'");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("restart", "root HKLM")),
              "a.kind:11: 'root' given twice in this block (first at line 4)");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("value", "value")),
              "a.kind:6: empty 'value'; write \"\" for an empty text");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("restart", "picture x.art")),
              "a.kind:11: 'picture' belongs before the first tweak block");
    EXPECT_EQ(MessageOf(kHead + "describe x\n"),
              "a.kind:2: field 'describe' outside a tweak block (start one with [check] or [edit])");
    EXPECT_EQ(MessageOf(kHead + "colour red\n"), "a.kind:2: unknown field 'colour'");
    EXPECT_EQ(MessageOf(kHead + "[tweak]\n"), "a.kind:2: unknown block '[tweak]' (expected [check] or [edit])");
    EXPECT_EQ(MessageOf(kHead + "  stray\n"),
              "a.kind:2: indented line continues nothing (only 'details' has continuation lines)");
    EXPECT_EQ(MessageOf(kHead + "depth 8\n"), "a.kind:2: 'depth' without a 'picture'");
    EXPECT_EQ(MessageOf(kHead + "picture p.art\n"), "a.kind:2: pictures cannot be loaded here");
    // Text of any language, as UTF-8; a file saved in a single-byte code page is refused.
    EXPECT_EQ(MessageOf(kHead + CheckBlock("describe", "describe Caf\xC3\xA9 \xE8\xA8\xAD\xE5\xAE\x9A")), "(no error)");
    std::string cyrillic;
    for (int i = 0; i < 64; ++i)
        cyrillic += "\xD0\x96";  // 64 characters in 128 bytes still fit a row
    EXPECT_EQ(MessageOf(kHead + CheckBlock("describe", "describe " + cyrillic)), "(no error)");
    EXPECT_EQ(MessageOf(kHead + CheckBlock("describe", "describe Caf\xE9")),
              "a.kind:3: text that is not UTF-8 (save the file as UTF-8)");
}

TEST(CatalogueSource, DuplicatesAcrossBlocksAndFiles) {
    // Key paths and value names compare without regard to case, as the registry does.
    EXPECT_EQ(MessageOf(kHead + CheckBlock() + CheckBlock("key", "key SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ADVANCED")),
              "a.kind:15: duplicate tweak: the same root, key and value as a.kind:2");
    EXPECT_EQ(MessageOf(kHead + CheckBlock(), "kind Other\n" + CheckBlock()),
              "b.kind:2: duplicate tweak: the same root, key and value as a.kind:2");
    // Another root is another value.
    EXPECT_EQ(MessageOf(kHead + CheckBlock() + CheckBlock("root", "root HKLM")), "(no error)");
    EXPECT_EQ(MessageOf(kHead, "kind Explorer\n"), "b.kind:1: kind 'Explorer' already defined at a.kind:1");
}

TEST(CatalogueSource, FailedSourceLeavesCatalogueUnchanged) {
    CatalogueCompiler c;
    c.AddSource(kHead + CheckBlock(), "a.kind");
    EXPECT_THROW(c.AddSource("kind B\n" + CheckBlock("value", "value Fine") + CheckBlock("type", "type bad"), "b.kind"),
                 SourceError);
    EXPECT_EQ(c.Result().kinds.size(), 1u);
    EXPECT_EQ(c.Result().tweaks.size(), 1u);
    // The failed file's kind name and tweaks are free again.
    c.AddSource("kind B\n" + CheckBlock("value", "value Fine"), "b.kind");
    EXPECT_EQ(c.Result().tweaks.size(), 2u);
}

TEST(CatalogueSource, DwordAndHexHelpers) {
    std::int32_t v = 0;
    EXPECT_TRUE(ParseDword("-2147483648", v));
    EXPECT_EQ(v, INT32_MIN);
    EXPECT_TRUE(ParseDword("0xFFFFFFFF", v));
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(ParseDword("007", v));
    EXPECT_EQ(v, 7);
    for (const char* bad : {"", "-", "+1", " 1", "0x", "0x1G", "99999999999", "4294967295"})
        EXPECT_FALSE(ParseDword(bad, v)) << bad;
    std::string bytes;
    EXPECT_TRUE(ParseHexBytes("00 ff  7F", bytes));
    EXPECT_EQ(bytes, std::string("\x00\xff\x7f", 3));
    EXPECT_FALSE(ParseHexBytes("0ff", bytes));
    EXPECT_FALSE(ParseHexBytes("f", bytes));
}

} // namespace
} // namespace kelt::catsrc
