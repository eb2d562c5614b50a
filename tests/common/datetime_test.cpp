#include "common/datetime.h"

#include <gtest/gtest.h>

namespace quellon {
namespace {

TEST(GeneralDate, MorningAfternoonAndMidnight) {
    EXPECT_EQ(FormatGeneralDate({2026, 12, 7, 10, 35, 12}), "12/7/2026 10:35:12 AM");
    EXPECT_EQ(FormatGeneralDate({2026, 1, 5, 15, 4, 9}), "1/5/2026 3:04:09 PM");
    EXPECT_EQ(FormatGeneralDate({2026, 12, 7, 0, 0, 0}), "12/7/2026");
    EXPECT_EQ(FormatGeneralDate({2026, 12, 7, 0, 0, 1}), "12/7/2026 12:00:01 AM");
    EXPECT_EQ(FormatGeneralDate({2026, 12, 7, 0, 30, 0}), "12/7/2026 12:30:00 AM");
    EXPECT_EQ(FormatGeneralDate({2026, 12, 7, 12, 0, 0}), "12/7/2026 12:00:00 PM");
    EXPECT_EQ(FormatGeneralDate({2026, 12, 7, 23, 59, 59}), "12/7/2026 11:59:59 PM");
    EXPECT_EQ(FormatGeneralDate({999, 3, 4, 1, 2, 3}), "3/4/0999 1:02:03 AM");
}

TEST(GeneralDate, TheZeroDateShowsTheTimeAlone) {
    EXPECT_EQ(FormatGeneralDate({1899, 12, 30, 13, 0, 0}), "1:00:00 PM");
    EXPECT_EQ(FormatGeneralDate(kZeroDate), "12:00:00 AM");
    EXPECT_EQ(FormatGeneralDate({1899, 12, 31, 0, 0, 0}), "12/31/1899");
}

TEST(GeneralDate, ReadsBackWhatItWrites) {
    for (const DateTime t :
         {DateTime{2026, 12, 7, 10, 35, 12}, DateTime{2026, 1, 5, 15, 4, 9},
          DateTime{2026, 12, 7, 0, 0, 0}, DateTime{2024, 2, 29, 0, 0, 1},
          DateTime{1899, 12, 30, 13, 0, 0}, kZeroDate, DateTime{9999, 12, 31, 23, 59, 59}}) {
        EXPECT_EQ(ParseGeneralDate(FormatGeneralDate(t)), t) << FormatGeneralDate(t);
    }
    EXPECT_EQ(ParseGeneralDate(" 1/5/2026  3:04 pm "), (DateTime{2026, 1, 5, 15, 4, 0}));
    EXPECT_EQ(ParseGeneralDate("13:00:00"), (DateTime{1899, 12, 30, 13, 0, 0}));
    EXPECT_EQ(ParseGeneralDate("12:00:00 AM"), kZeroDate);
    EXPECT_EQ(ParseGeneralDate("12:30:00 PM"), (DateTime{1899, 12, 30, 12, 30, 0}));
}

TEST(GeneralDate, TextsThatAreNoDateTimeDoNotConvert) {
    for (const char* bad :
         {"", "Null", "None", "7", "2/29/2025", "13/1/2026", "0/1/2026", "1/32/2026", "1/5/26",
          "1/5/2026 24:00:00", "1/5/2026 13:00:00 PM", "0:30:00 AM", "1:60:00", "1:00:60",
          "1/5/2026 1:00:00 XM", "1/5/2026x", "1:00:00:00", "123:00:00", "1/5/20266"}) {
        EXPECT_EQ(ParseGeneralDate(bad), std::nullopt) << bad;
    }
}

TEST(DayOfWeek, EnglishNames) {
    EXPECT_EQ(DayOfWeek({1970, 1, 1, 0, 0, 0}), 4);
    EXPECT_EQ(DayName(DayOfWeek({2026, 1, 16, 23, 0, 0})), "Friday");
    EXPECT_EQ(DayName(DayOfWeek({2000, 2, 29, 0, 0, 0})), "Tuesday");
    EXPECT_EQ(DayName(DayOfWeek({1899, 12, 30, 0, 0, 0})), "Saturday");
    EXPECT_EQ(DayName(0), "Sunday");
}

TEST(UnixSeconds, KnownValuesAndRoundTrip) {
    EXPECT_EQ((DateTime{1970, 1, 1, 0, 0, 0}).ToUnixSeconds(), 0);
    EXPECT_EQ((DateTime{2000, 3, 1, 0, 0, 0}).ToUnixSeconds(), 951868800);
    EXPECT_EQ((DateTime{1969, 12, 31, 23, 59, 59}).ToUnixSeconds(), -1);
    EXPECT_EQ(DateTime::FromUnixSeconds(-1), (DateTime{1969, 12, 31, 23, 59, 59}));
    EXPECT_EQ(DateTime::FromUnixSeconds(951868800 - 1), (DateTime{2000, 2, 29, 23, 59, 59}));
    // The default value (the classic zero date) survives a round trip.
    const DateTime zero;
    EXPECT_EQ(DateTime::FromUnixSeconds(zero.ToUnixSeconds()), zero);
    for (std::int64_t s = -5000000000; s < 5000000000; s += 86399 * 37 + 11) {
        ASSERT_EQ(DateTime::FromUnixSeconds(s).ToUnixSeconds(), s);
    }
}

TEST(UnixSeconds, Ordering) {
    EXPECT_LT((DateTime{2026, 1, 1, 0, 0, 0}), (DateTime{2026, 1, 1, 0, 0, 1}));
    EXPECT_LT((DateTime{2025, 12, 31, 23, 0, 0}), (DateTime{2026, 1, 1, 0, 0, 0}));
}

}  // namespace
}  // namespace quellon
