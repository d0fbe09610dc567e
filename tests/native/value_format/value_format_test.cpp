#include "catalogue/value_format.h"

#include "catalogue/platform/int_text.h"

#include <gtest/gtest.h>

namespace kelt {
namespace {

std::string Bytes(std::initializer_list<unsigned> values) {
    std::string out;
    for (unsigned v : values) out += static_cast<char>(v);
    return out;
}

TEST(FormatValue, DwordIsNormalisedToSignedDecimal) {
    EXPECT_EQ(FormatValue(kValueDword, "007"), "7");
    EXPECT_EQ(FormatValue(kValueDword, "+5"), "5");
    EXPECT_EQ(FormatValue(kValueDword, "-1"), "-1");
    EXPECT_EQ(FormatValue(kValueDword, "-2147483648"), "-2147483648");
}

TEST(FormatValue, DwordThatIsNoIntegerRaisesConversionError) {
    EXPECT_THROW(FormatValue(kValueDword, "-"), ConversionError);
    EXPECT_THROW(FormatValue(kValueDword, "12a"), ConversionError);
    EXPECT_THROW(FormatValue(kValueDword, "abc"), ConversionError);
}

TEST(FormatValue, EmptyTextStaysEmptyForEveryType) {
    for (int type = -1; type <= 3; ++type) EXPECT_EQ(FormatValue(type, ""), "") << type;
}

TEST(FormatValue, StringUnchangedBinaryAsLengthOtherTypesEmpty) {
    EXPECT_EQ(FormatValue(kValueString, " Mixed Case 007 "), " Mixed Case 007 ");
    // Twelve bytes, some of them NUL: the length counts them all.
    const std::string data = Bytes({0, 1, 2, 0, 0xFF, 5, 6, 7, 0, 9, 10, 0});
    ASSERT_EQ(data.size(), 12u);
    EXPECT_EQ(FormatValue(kValueBinary, data), "Value is Binary data with length:12");
    EXPECT_EQ(FormatValue(3, "x"), "");
}

TEST(HexToInt, ReadsLikeScanfHex) {
    EXPECT_EQ(HexToInt("1F"), 31);
    EXPECT_EQ(HexToInt("1f"), 31);
    EXPECT_EQ(HexToInt("ffffffff"), -1);
    EXPECT_EQ(HexToInt("FFFFFFFF"), -1);
    EXPECT_EQ(HexToInt("80000000"), INT32_MIN);
    EXPECT_EQ(HexToInt("xyz"), 0);
    EXPECT_EQ(HexToInt(""), 0);
    EXPECT_EQ(HexToInt("12G"), 18);
    EXPECT_EQ(HexToInt("  \t1f"), 31);
    EXPECT_EQ(HexToInt("+A"), 10);
    EXPECT_EQ(HexToInt("-1"), -1);
    EXPECT_EQ(HexToInt("-"), 0);
    EXPECT_EQ(HexToInt("0x1F"), 31);
    EXPECT_EQ(HexToInt("0x"), 0);
    EXPECT_EQ(HexToInt("0xg"), 0);
}

TEST(HexToInt, KeepsTheLow32Bits) {
    EXPECT_EQ(HexToInt("100000000"), 0);
    EXPECT_EQ(HexToInt("123456789"), 0x23456789);
}

TEST(IntToHex, UpperCaseShortest) {
    EXPECT_EQ(IntToHex(31), "1F");
    EXPECT_EQ(IntToHex(0), "0");
    EXPECT_EQ(IntToHex(-1), "FFFFFFFF");
    EXPECT_EQ(IntToHex(INT32_MIN), "80000000");
    for (std::int32_t v : {0, 1, 15, 16, 255, 4096, 0x7FFFFFFF, -2, INT32_MIN})
        EXPECT_EQ(HexToInt(IntToHex(v)), v);
}

TEST(BinToText, WritesUpperCaseBytePairs) {
    EXPECT_EQ(BinToText(Bytes({0x01, 0xFF, 0x10})), "01 FF 10");
    EXPECT_EQ(BinToText(Bytes({0x00})), "00");
    EXPECT_EQ(BinToText(""), "");
}

TEST(TextToBin, EveryByteValueRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string text = BinToText(all);
    EXPECT_EQ(text.size(), 256u * 3 - 1);
    std::string back;
    ASSERT_TRUE(TextToBin(text, back));
    EXPECT_EQ(back, all);
}

TEST(TextToBin, BlanksBetweenPairsAreOptionalAndCaseIsFree) {
    std::string data;
    ASSERT_TRUE(TextToBin("01ff10", data));
    EXPECT_EQ(data, Bytes({0x01, 0xFF, 0x10}));
    ASSERT_TRUE(TextToBin("  01 Ff\r\n\t10  ", data));
    EXPECT_EQ(data, Bytes({0x01, 0xFF, 0x10}));
    ASSERT_TRUE(TextToBin("0102 0304", data));
    EXPECT_EQ(data, Bytes({1, 2, 3, 4}));
    ASSERT_TRUE(TextToBin(" \r\n", data));
    EXPECT_EQ(data, "");
}

TEST(TextToBin, RefusesTextThatIsNotBytePairsAndKeepsTheData) {
    const std::string before = Bytes({0xAB, 0xCD});
    for (const char* bad : {"1", "012", "0 1", "1 23 4", "0G", "-1", "0x01", "01,02", "zz"}) {
        std::string data = before;
        EXPECT_FALSE(TextToBin(bad, data)) << bad;
        EXPECT_EQ(data, before) << bad;
    }
}

TEST(ValueText, ListsBinaryAsPairsOthersAsTheyAre) {
    EXPECT_EQ(ValueText(kValueString, "abc"), "abc");
    EXPECT_EQ(ValueText(kValueDword, "-1"), "-1");
    EXPECT_EQ(ValueText(kValueBinary, Bytes({0x01, 0xFF})), "01 FF");
    EXPECT_EQ(ValueText(7, "abc"), "");
}

TEST(NormalDword, NumbersInNormalFormOthersRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {"007", "7"}, {"+5", "5"}, {"-0", "0"}, {"-2147483648", "-2147483648"}, {"12", "12"},
        {"", nullptr}, {"-", nullptr}, {"1x", nullptr}, {"2147483648", nullptr}, {" 1", nullptr}};
    for (const auto& [text, expected] : cases) {
        std::string normal = "kept";
        EXPECT_EQ(NormalDword(text, normal), expected != nullptr) << text;
        EXPECT_EQ(normal, expected ? expected : "kept") << text;
    }
}

TEST(CaretAfterRewrite, KeepsItsDistanceFromTheEnd) {
    struct Case {
        const char* typed;
        int caret;
        const char* normal;
        int expected;
    };
    const Case cases[] = {{"0012", 4, "12", 2},  // at the end stays at the end
                          {"0012", 2, "12", 0},  // before the digits stays before them
                          {"+34", 1, "34", 0},
                          {"1005", 2, "1005", 2},
                          {"007", 0, "7", 0},     // never before the start
                          {"5", 9, "5", 1}};      // a caret past the end counts as at the end
    for (const Case& c : cases)
        EXPECT_EQ(CaretAfterRewrite(c.typed, c.caret, c.normal), c.expected) << c.typed << " " << c.caret;
}

TEST(IsIntegerText, AgreesWithTheConversion) {
    EXPECT_TRUE(IsIntegerText("0"));
    EXPECT_TRUE(IsIntegerText("-15"));
    EXPECT_FALSE(IsIntegerText(""));
    EXPECT_FALSE(IsIntegerText("-"));
    EXPECT_FALSE(IsIntegerText("1.5"));
}

} // namespace
} // namespace kelt
