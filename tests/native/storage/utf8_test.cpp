// Text of any language in the table engine: characters are counted and cut whole.
#include <gtest/gtest.h>

#include <string>

#include "storage/utf8_text.h"
#include "storage/xdb_table.h"

namespace kelt {
namespace {

const std::string kLodz = "\xC5\x81\xC3\xB3\x64\xC5\xBA";  // "Łódź": 4 characters, 7 bytes
const std::string kEmoji = "\xF0\x9F\x99\x82";              // one character of 4 bytes

TEST(Utf8Text, CountsAndCutsWholeCharacters) {
    struct Case {
        std::string text;
        bool utf8;
        std::size_t length;
        std::size_t cut;       // maximum bytes asked for
        std::size_t prefix;    // bytes kept
    } cases[] = {
        {"plain", true, 5, 3, 3},
        {kLodz, true, 4, 1, 0},  // half of "Ł": nothing
        {kLodz, true, 4, 5, 5},  // "Łód"
        {kEmoji + "a", true, 2, 3, 0},
        {"Caf\xE9", false, 4, 4, 4},         // a byte that is no UTF-8 counts as one character
        {"\xED\xA0\x80", false, 3, 2, 2},  // an encoded surrogate is no UTF-8
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.utf8, IsUtf8(c.text));
        EXPECT_EQ(c.length, Utf8Length(c.text));
        EXPECT_EQ(c.prefix, Utf8Prefix(c.text, c.cut));
    }
}

TEST(Utf8Text, StringFieldsKeepWholeCharactersWithinTheirLength) {
    TXdbTable t;
    t.FieldDefs().Add("s", ftString, 6);
    t.Open();
    t.Append();
    t.FieldByName("s").SetAsString(kLodz);  // 7 bytes into 6: "Łód" and not half of "ź"
    t.Post();
    EXPECT_EQ(kLodz.substr(0, 5), t.FieldByName("s").AsString());
}

} // namespace
} // namespace kelt
