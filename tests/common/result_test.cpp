#include "common/result.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>

namespace quellon {
namespace {

// Neither a Status nor a Result exists without saying what happened, and a
// reason is never taken for a value.
static_assert(!std::is_default_constructible_v<Status>);
static_assert(!std::is_default_constructible_v<Result<int>>);
static_assert(!std::is_default_constructible_v<Result<std::string>>);
static_assert(!std::is_constructible_v<Status, std::string>);
static_assert(!std::is_constructible_v<Status, bool>);
static_assert(!std::is_constructible_v<Result<int>, std::string>);
static_assert(!std::is_constructible_v<Result<int>, const char*>);
// Testing one needs an explicit look.
static_assert(!std::is_convertible_v<Status, bool>);
static_assert(!std::is_convertible_v<Result<int>, bool>);

// Death tests start the test program again; they are left to the Linux run.
#if GTEST_HAS_DEATH_TEST && !defined(_WIN32)
constexpr bool kDeathTests = true;
#else
constexpr bool kDeathTests = false;
#endif

TEST(Status, SuccessAndFailure) {
    const Status ok = Status::Ok();
    EXPECT_TRUE(ok.ok());
    EXPECT_TRUE(static_cast<bool>(ok));

    const Status failed = Status::Failure("cannot write settings.ini");
    EXPECT_FALSE(failed.ok());
    EXPECT_FALSE(static_cast<bool>(failed));
    EXPECT_EQ(failed.reason(), "cannot write settings.ini");

    // An empty reason is still a failure (one already told).
    const Status told = Status::Failure("");
    EXPECT_FALSE(told.ok());
    EXPECT_EQ(told.reason(), "");
}

TEST(Result, HoldsTheValueOrTheReason) {
    Result<std::string> good = std::string("value");
    ASSERT_TRUE(good.ok());
    EXPECT_EQ(good.value(), "value");
    EXPECT_EQ(good->size(), 5u);
    EXPECT_EQ(*good, "value");
    EXPECT_TRUE(good.status().ok());
    good.value() += "!";
    EXPECT_EQ(std::move(good).value(), "value!");

    // A string value is a value, and a failure's reason only comes through Failure.
    const Result<std::string> bad = Result<std::string>::Failure("cannot read x.txt");
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.reason(), "cannot read x.txt");
    EXPECT_FALSE(bad.status().ok());
    EXPECT_EQ(bad.status().reason(), "cannot read x.txt");

    const Result<int> fromStatus = Status::Failure("no");
    ASSERT_FALSE(fromStatus);
    EXPECT_EQ(fromStatus.reason(), "no");
}

TEST(Result, HoldsMoveOnlyValues) {
    Result<std::unique_ptr<int>> r = std::make_unique<int>(7);
    ASSERT_TRUE(r.ok());
    std::unique_ptr<int> taken = std::move(r).value();
    EXPECT_EQ(*taken, 7);
}

TEST(Result, MadeFromASuccessIsAFailureNeverAnEmptyValue) {
#ifdef NDEBUG
    const Result<int> r{Status::Ok()};
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.reason(), "");
    EXPECT_FALSE(r.status().ok());
#else
    if (kDeathTests) {
        EXPECT_DEATH(Result<int>{Status::Ok()}.ok(), "made from a success");
    }
#endif
}

TEST(Result, ValueOfAFailureStopsTheProgram) {
    if (!kDeathTests) {
        GTEST_SKIP() << "death tests run on Linux";
    }
    const Result<int> bad = Result<int>::Failure("cannot read");
    EXPECT_DEATH(static_cast<void>(bad.value()), "value of a failed result");
    EXPECT_DEATH(static_cast<void>(*bad), "value of a failed result");
    Result<std::string> badText = Result<std::string>::Failure("cannot read");
    EXPECT_DEATH(static_cast<void>(badText->size()), "value of a failed result");
    EXPECT_DEATH(static_cast<void>(std::move(badText).value()), "value of a failed result");
}

TEST(Result, ReasonOfASuccessIsEmptyOrCaught) {
    const Result<int> good = 3;
    const Status ok = Status::Ok();
#ifdef NDEBUG
    EXPECT_EQ(good.reason(), "");
    EXPECT_EQ(ok.reason(), "");
#else
    if (kDeathTests) {
        EXPECT_DEATH(static_cast<void>(good.reason()), "reason of a good Result");
        EXPECT_DEATH(static_cast<void>(ok.reason()), "reason of a success");
    }
#endif
}

}  // namespace
}  // namespace quellon
