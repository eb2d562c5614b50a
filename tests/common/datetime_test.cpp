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
