#include "common/convert.h"

#include <gtest/gtest.h>

namespace quellon::convert {
namespace {

TEST(ConvertLeadingNumber, ReadsLikeVal) {
    EXPECT_EQ(LeadingNumber("12abc"), 12.0);
    EXPECT_EQ(LeadingNumber("  7"), 7.0);
    EXPECT_EQ(LeadingNumber("-3.5x"), -3.5);
    EXPECT_EQ(LeadingNumber("+4"), 4.0);
    EXPECT_EQ(LeadingNumber(".25"), 0.25);
    EXPECT_EQ(LeadingNumber("5."), 5.0);
    EXPECT_EQ(LeadingNumber("1e3"), 1000.0);
    EXPECT_EQ(LeadingNumber("2e"), 2.0);
    EXPECT_EQ(LeadingNumber("0.1"), 0.1);
    EXPECT_FALSE(LeadingNumber(""));
    EXPECT_FALSE(LeadingNumber("abc"));
    EXPECT_FALSE(LeadingNumber("-"));
    EXPECT_FALSE(LeadingNumber("."));
}

TEST(ConvertToNumber, FallbackAndRounding) {
    EXPECT_EQ(ToNumber("42", -1), 42);
    EXPECT_EQ(ToNumber("2.5", -1), 2);
    EXPECT_EQ(ToNumber("3.5", -1), 4);
    EXPECT_EQ(ToNumber("", -1), -1);
    EXPECT_EQ(ToNumber("x1", 9), 9);
    EXPECT_EQ(ToNumber("-2147483646", 0), -2147483646);
}

TEST(ConvertToBool, WordsNumbersAndFallback) {
    EXPECT_TRUE(ToBool("True", false));
    EXPECT_TRUE(ToBool(" tRUE ", false));
    EXPECT_FALSE(ToBool("FALSE", true));
    EXPECT_TRUE(ToBool("1", false));
    EXPECT_TRUE(ToBool("-1", false));
    EXPECT_FALSE(ToBool("0", true));
    EXPECT_TRUE(ToBool("yes", true));
    EXPECT_FALSE(ToBool("yes", false));
    EXPECT_FALSE(ToBool("", false));
    EXPECT_TRUE(ToBool("1x", true));
    EXPECT_FALSE(ToBool("1x", false));
}

TEST(ConvertRounding, HalvesToEven) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5000001), 3);
    EXPECT_EQ(RoundHalfEven(-0.4), 0);
    EXPECT_EQ(RoundHalfEven(1e300), INT64_MAX);
    EXPECT_EQ(RoundHalfEven(-1e300), INT64_MIN);
}

TEST(ConvertPercent, RoundsAndRejectsZeroWhole) {
    EXPECT_FALSE(Percent(5, 0));
    EXPECT_EQ(Percent(1, 8), 12);  // 12.5
    EXPECT_EQ(Percent(3, 8), 38);  // 37.5
    EXPECT_EQ(Percent(50, 50), 100);
    EXPECT_EQ(Percent(0, 7), 0);
}

}  // namespace
}  // namespace quellon::convert
