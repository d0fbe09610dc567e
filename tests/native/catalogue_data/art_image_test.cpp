// Text pictures: strict parsing with file:line messages, and the exact .bmp bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tools/artconv/art_image.h"

namespace kelt::art {
namespace {

std::uint32_t U32(const std::string& b, size_t at) {
    return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(b[at + 2])) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}
unsigned U16(const std::string& b, size_t at) {
    return unsigned(std::uint8_t(b[at])) | unsigned(std::uint8_t(b[at + 1])) << 8;
}

// 3 x 2: red green blue / white black red
const char* kSmall =
    "; a comment\n"
    "width 3\n"
    "height 2\n"
    "colours\n"
    "r #FF0000\n"
    "g #00FF00\n"
    "  b #0000ff\n"
    "w #FFFFFF\n"
    "k #000000\n"
    "pixels\n"
    "rgb\n"
    "; comments may sit between rows\n"
    "wkr\n";

std::string MessageOf(const std::string& text) {
    try {
        ParseArt(text, "pic.art");
    } catch (const ArtError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(ArtParse, ReadsSizePaletteAndRowsTopFirst) {
    Image im = ParseArt(kSmall, "pic.art");
    ASSERT_EQ(im.width, 3);
    ASSERT_EQ(im.height, 2);
    EXPECT_EQ(im.At(0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(im.At(2, 0), (Rgb{0, 0, 255}));
    EXPECT_EQ(im.At(1, 1), (Rgb{0, 0, 0}));
    EXPECT_EQ(UsedColours(im).size(), 5u);
}

TEST(ArtParse, TwoCharacterKeys) {
    Image im = ParseArt("width 2\nheight 1\nchars 2\ncolours\naa #010203\nab #040506\npixels\nabaa\n", "p.art");
    EXPECT_EQ(im.At(0, 0), (Rgb{4, 5, 6}));
    EXPECT_EQ(im.At(1, 0), (Rgb{1, 2, 3}));
}

TEST(ArtParse, FaultsNameFileAndLine) {
    const std::string head = "width 2\nheight 2\ncolours\na #000000\npixels\n";
    EXPECT_EQ(MessageOf("width 0\n"), "pic.art:1: bad width '0' (1 to 1024)");
    EXPECT_EQ(MessageOf("width 2x\n"), "pic.art:1: bad width '2x' (1 to 1024)");
    EXPECT_EQ(MessageOf("height 5000\n"), "pic.art:1: bad height '5000' (1 to 1024)");
    EXPECT_EQ(MessageOf("width 2\nwidth 3\n"), "pic.art:2: 'width' given twice");
    EXPECT_EQ(MessageOf("size 2\n"), "pic.art:1: unknown keyword 'size'");
    EXPECT_EQ(MessageOf(head + "aa\nab\n"), "pic.art:7: unknown colour key 'b' at column 2");
    EXPECT_EQ(MessageOf(head + "aa\naaa\n"), "pic.art:7: row 2 is 3 characters long, expected 2");
    EXPECT_EQ(MessageOf(head + "aa\n"), "pic.art:6: picture has 1 rows, expected 2");
    EXPECT_EQ(MessageOf(head + "aa\naa\naa\n"), "pic.art:8: more rows than the height 2");
    EXPECT_EQ(MessageOf("width 2\nheight 2\ncolours\na #00000G\n"), "pic.art:4: bad colour '#00000G' (expected #RRGGBB)");
    EXPECT_EQ(MessageOf("width 2\nheight 2\ncolours\na #000000\na #FFFFFF\n"), "pic.art:5: colour key 'a' defined twice");
    EXPECT_EQ(MessageOf("width 2\nheight 2\ncolours\nab #000000\n"), "pic.art:4: colour key 'ab' must be 1 character(s) long");
    EXPECT_EQ(MessageOf("width 2\nheight 2\ncolours\npixels\n"), "pic.art:4: no colours defined before the pixels");
    EXPECT_EQ(MessageOf("height 2\ncolours\na #000000\npixels\n"), "pic.art:4: 'width' must come before the pixels");
    EXPECT_EQ(MessageOf("width 2\nheight 2\ncolours\na #000000\n"), "pic.art:4: no 'pixels' section");
    EXPECT_EQ(MessageOf("chars 3\n"), "pic.art:1: bad chars '3' (1 or 2)");
    // Lines of other blank characters (vertical tab, form feed) are empty lines.
    EXPECT_EQ(MessageOf("\v\f\nwidth 0\n"), "pic.art:2: bad width '0' (1 to 1024)");
}

TEST(ArtBmp, TrueColourHeadersAndPaddedBottomUpRows) {
    const std::string b = EncodeBmp(ParseArt(kSmall, "pic.art"), 24);
    // 3 pixels * 3 bytes = 9, padded to 12 per row.
    ASSERT_EQ(b.size(), 14u + 40u + 24u);
    EXPECT_EQ(b.substr(0, 2), "BM");
    EXPECT_EQ(U32(b, 2), b.size());
    EXPECT_EQ(U32(b, 10), 54u);
    EXPECT_EQ(U32(b, 14), 40u);
    EXPECT_EQ(U32(b, 18), 3u);
    EXPECT_EQ(U32(b, 22), 2u);  // positive: bottom-up
    EXPECT_EQ(U16(b, 26), 1u);
    EXPECT_EQ(U16(b, 28), 24u);
    EXPECT_EQ(U32(b, 30), 0u);
    EXPECT_EQ(U32(b, 34), 24u);
    // First stored row is the bottom one: white black red, as B G R.
    EXPECT_EQ(b.substr(54, 12), std::string("\xFF\xFF\xFF\x00\x00\x00\x00\x00\xFF\x00\x00\x00", 12));
    // Then the top row: red green blue.
    EXPECT_EQ(b.substr(66, 12), std::string("\x00\x00\xFF\x00\xFF\x00\xFF\x00\x00\x00\x00\x00", 12));
}

TEST(ArtBmp, PalettedHas256EntriesAndIndexRows) {
    const std::string b = EncodeBmp(ParseArt(kSmall, "pic.art"), 8);
    ASSERT_EQ(b.size(), 14u + 40u + 1024u + 8u);
    EXPECT_EQ(U32(b, 10), 14u + 40u + 1024u);
    EXPECT_EQ(U16(b, 28), 8u);
    EXPECT_EQ(U32(b, 46), 256u);
    // Palette in order of first use: red, green, blue, white, black; the rest zero.
    EXPECT_EQ(b.substr(54, 20), std::string("\x00\x00\xFF\x00\x00\xFF\x00\x00\xFF\x00\x00\x00\xFF\xFF\xFF\x00\x00\x00\x00\x00", 20));
    EXPECT_EQ(b.substr(74, 1024 - 20), std::string(1024 - 20, '\0'));
    const size_t px = 54 + 1024;
    EXPECT_EQ(b.substr(px, 4), std::string("\x03\x04\x00\x00", 4));  // bottom row: white black red + pad
    EXPECT_EQ(b.substr(px + 4, 4), std::string("\x00\x01\x02\x00", 4));
}

TEST(ArtBmp, TooManyColoursForEightBitsFails) {
    Image im;
    im.width = 300;
    im.height = 1;
    for (int i = 0; i < 300; ++i) im.pixels.push_back(Rgb{std::uint8_t(i & 0xFF), std::uint8_t(i >> 8), 0});
    EXPECT_THROW(EncodeBmp(im, 8), ArtError);
    EXPECT_EQ(EncodeBmp(im, 24).size(), 14u + 40u + 900u);
    EXPECT_THROW(EncodeBmp(im, 16), ArtError);
}

} // namespace
} // namespace kelt::art
