#pragma once
// The readable source of the shipped tweak catalogue and its compiler front end.
//
// One source file per kind, in kind order. A file names its kind, optionally its
// 32 x 32 picture, and then holds one block per tweak:
//
//   ; comment
//   kind       Explorer
//   picture    explorer.art        art source, see tools/artconv/art_image.h
//   depth      8                   8 (default) or 24 bits per pixel
//
//   [check]                        or [edit]
//   describe   Show hidden files   row caption, at most 64 characters, no '&'
//                                  (controls would turn it into a key underline)
//   root       HKCU                HKCR, HKCU, HKLM, HKU, HKCC
//   key        Software\...        key path below the root
//   value      Hidden              value name; "" is the key's default value
//   type       dword               string, dword or binary
//   on         1                   check only: value meaning on
//   off        2                   check only: value meaning off
//   default    0                   edit only: value Windows has when installed
//   windows    2000 xp 2003 7+     95 98 me nt4 2000 xp 2003 vista 7 8 10 11;
//                                  vista+ 7+ 8+ 10+ stand for that one and every
//                                  later one (8 is 8 and 8.1, 11 is 11 and later); the shipped
//                                  catalogue names its versions, never vista+
//   default-by-version 2000 xp = 14; vista+ = 5
//                                  edit only, optional: what a missing value
//                                  means per version ("families = value"
//                                  groups split by ';'), where that differs
//                                  or the details tell it
//   restart    yes                 yes when Windows or the session must restart
//   autocreate no                  yes when the key and value may be created
//   details    First line of the explanation,
//              indented lines continue it; a line holding only "." starts
//              a new paragraph.
//   source     https://...         required: the Microsoft page (learn, support
//                                  or www.microsoft.com) the key, value, type
//                                  and meaning were checked against; kept for
//                                  reviewers, not written to the tables
//   policy     CloudContent:ConfigureWindowsSpotlight
//                                  optional: the Group Policy setting that writes
//                                  the value, as template file:policy name (see
//                                  data/catalogue/policy-facts.tsv); kept for the
//                                  checks, not written to the tables
//   editions   enterprise education
//                                  optional: the only editions the setting works
//                                  on (home pro enterprise education server);
//                                  without it every edition
//
// Values: a DWORD is a signed 32-bit decimal or 0x followed by up to 8 hex
// digits, stored as signed decimal text; binary data is hex byte pairs
// ("01 FF 10"); a text value may be put in double quotes to keep blanks or to be
// empty. Every fault raises SourceError "file:line: message".
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "storage/error.h"

namespace kelt::catsrc {

class SourceError : public kelt::Error {
public:
    explicit SourceError(const std::string& message) : kelt::Error(message) {}
};

enum class Style { Check, Edit };

// Root codes: the predefined root handles as signed 32-bit numbers.
constexpr std::int32_t kRootClassesRoot = static_cast<std::int32_t>(0x80000000u);
constexpr std::int32_t kRootCurrentUser = static_cast<std::int32_t>(0x80000001u);
constexpr std::int32_t kRootLocalMachine = static_cast<std::int32_t>(0x80000002u);
constexpr std::int32_t kRootUsers = static_cast<std::int32_t>(0x80000003u);
constexpr std::int32_t kRootCurrentConfig = static_cast<std::int32_t>(0x80000005u);

// Value type codes.
constexpr int kTypeString = 0;
constexpr int kTypeDword = 1;
constexpr int kTypeBinary = 2;

// Windows family bits of iOSType.
constexpr int kWin95 = 1, kWin98 = 2, kWinMe = 4, kWinNT4 = 8, kWin2000 = 16, kWinXP = 32, kWin2003 = 64;
constexpr int kWinVista = 128, kWin7 = 256, kWin8 = 512, kWin10 = 1024, kWin11 = 2048;
// Set in every compiled mask: the mask lists Vista and later too, so the program tests it
// exactly on them (a mask of older tables, without it, suits them when it holds an NT-line bit).
constexpr int kMaskListsModern = 0x40000000;

// Edition bits of iEditions; 0 (or no column) means every edition.
constexpr int kEditionHome = 1, kEditionPro = 2, kEditionEnterprise = 4, kEditionEducation = 8, kEditionServer = 16;

constexpr size_t kMaxDescribeLength = 64;

struct Tweak {
    Style style = Style::Check;
    int kindIndex = 0;
    std::string describe;
    std::int32_t root = 0;
    std::string subKey;
    std::string dataName;
    int regType = 0;
    std::string yesVal, noVal;  // check-styled
    std::string defaultVal;     // edit-styled
    // Edit-styled, optional: what a missing value means on other versions, as (family bits,
    // value in text form) pairs; kept for reviewers and checks, not written to the tables.
    std::vector<std::pair<int, std::string>> defaultsByVersion;
    std::int32_t osMask = 0;
    std::string windowsWords;  // the 'windows' line as written, for checks of the source itself
    bool autoCreate = false;
    bool reboot = false;
    std::string details;
    std::string source;  // evidence for reviewers; not part of the tables
    std::string policy;  // "file:name" of the Group Policy setting, or empty
    int editions = 0;    // edition bits; 0: every edition
    std::string file;  // where the block starts, for messages
    int line = 0;
};

struct Kind {
    std::string name;
    std::string glyph;  // bytes of a .bmp file; empty without picture
    std::string file;
    int line = 0;
};

struct Catalogue {
    std::vector<Kind> kinds;
    std::vector<Tweak> tweaks;  // in source order
};

// Gives the .bmp bytes of a picture named on a "picture" line; raises its own
// error (naming file and line) when the picture cannot be used.
using PictureLoader = std::function<std::string(const std::string& name, int depth,
                                                const std::string& file, int line)>;

class CatalogueCompiler {
public:
    explicit CatalogueCompiler(PictureLoader loader = nullptr) : loader_(std::move(loader)) {}

    // Adds one kind source; the next kind index is the number of sources added.
    void AddSource(const std::string& text, const std::string& fileName);

    const Catalogue& Result() const { return catalogue_; }

private:
    PictureLoader loader_;
    Catalogue catalogue_;
    std::map<std::string, std::string> places_;  // duplicate check: identity -> "file:line"
    std::map<std::string, std::string> kindNames_;
};

// Text helpers shared with the tests.
// Strict DWORD: signed 32-bit decimal, or 0x with 1 to 8 hex digits.
bool ParseDword(const std::string& text, std::int32_t& value);
// Hex byte pairs separated by blanks; an empty text gives no bytes.
bool ParseHexBytes(const std::string& text, std::string& bytes);
// Root names as written in the source (HKCU or HKEY_CURRENT_USER ...).
bool ParseRoot(const std::string& text, std::int32_t& code);
// Edition words (home pro enterprise education server) to bits; false on an unknown word.
bool ParseEditions(const std::string& text, int& bits);
// The words of edition bits, in the order above, separated by blanks.
std::string EditionWords(int bits);

} // namespace kelt::catsrc
