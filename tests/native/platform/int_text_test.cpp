#include <gtest/gtest.h>

#include <climits>

#include "catalogue/platform/int_text.h"

using kelt::ConversionError;
using kelt::IntToStr;
using kelt::StrToInt;
using kelt::TryStrToInt;

TEST(IntText, AcceptsSignedDecimalWithPlusAndLeadingZeros)
{
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt("42"), 42);
    EXPECT_EQ(StrToInt("-1"), -1);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("007"), 7);
    EXPECT_EQ(StrToInt("-000"), 0);
}

TEST(IntText, CoversTheWholeSigned32BitRange)
{
    EXPECT_EQ(StrToInt("2147483647"), INT_MAX);
    EXPECT_EQ(StrToInt("-2147483648"), INT_MIN);
    EXPECT_EQ(StrToInt("0002147483647"), INT_MAX);
    int value = 5;
    EXPECT_FALSE(TryStrToInt("2147483648", value));
    EXPECT_FALSE(TryStrToInt("-2147483649", value));
    // The unsigned form of a DWORD is not a valid item text.
    EXPECT_FALSE(TryStrToInt("4294967295", value));
    EXPECT_FALSE(TryStrToInt("99999999999999999999999", value));
    EXPECT_EQ(value, 5);
}

TEST(IntText, RejectsEverythingElseWithAMessageQuotingTheText)
{
    const char* bad[] = {"", " ", "12a", " 12", "12 ", "+", "-", "+-1", "1.0", "0x10", "$10", "1e3", "١٢"};
    for (const char* text : bad) {
        try {
            StrToInt(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const ConversionError& error) {
            EXPECT_EQ(std::string(error.what()), "'" + std::string(text) + "' is not a valid integer value");
        }
    }
}

TEST(IntText, ConversionErrorIsAProgramError)
{
    EXPECT_THROW(StrToInt("x"), kelt::Error);
}

TEST(IntText, WritesSignedDecimal)
{
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(-1), "-1");
    EXPECT_EQ(IntToStr(INT_MIN), "-2147483648");
    EXPECT_EQ(IntToStr(static_cast<int>(0xFFFFFFFFu)), "-1");
    EXPECT_EQ(StrToInt(IntToStr(INT_MAX)), INT_MAX);
}

TEST(IntText, TextWithEmbeddedNulIsNotANumber)
{
    int value = 0;
    EXPECT_FALSE(TryStrToInt(std::string("1\0" "2", 3), value));
}
