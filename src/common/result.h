// The outcome of an operation whose failure the user must be told about:
// success, or failure with the reason in words a user can act on.
//
// How a failure's reason is carried, everywhere in the program:
// - `Status` where an operation yields nothing but success or a reason;
// - `Result<T>` where it yields a value: it holds the value or the reason,
//   never both and never neither;
// - a plain `bool` where no reason reaches a user (a check whose caller only
//   decides, or a failure the callee has already reported), documented at the
//   function as "true when ...";
// - a struct of its own only for what is more than a reason (an HTTP
//   status, a count, a refused line), with the reason itself in a `Status`.
// A failure with an empty reason means it has been told already.
//
// Asking a failed Result for its value is a mistake of the caller and
// always stops the program (there is no value to make up); asking a success
// for its reason is a mistake caught in checked builds, and answers an empty
// text otherwise.
#pragma once

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

namespace quellon {

namespace result_detail {

[[noreturn]] inline void NoValue() {
    std::fputs("quellon: the value of a failed result was used\n", stderr);
    std::abort();
}

inline const std::string& NoReason() {
    static const std::string none;
    return none;
}

}  // namespace result_detail

class [[nodiscard]] Status {
public:
    static Status Ok() { return Status(false, {}); }
    static Status Failure(std::string reason) { return Status(true, std::move(reason)); }

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    // Why it failed; only a failure has a reason.
    const std::string& reason() const {
        assert(failed_ && "the reason of a success was asked for");
        return failed_ ? reason_ : result_detail::NoReason();
    }

private:
    Status(bool failed, std::string reason) : failed_(failed), reason_(std::move(reason)) {}
    bool failed_;
    std::string reason_;
};

// A value, or the reason there is none.
template <typename T>
class [[nodiscard]] Result {
    static_assert(!std::is_same_v<std::remove_cv_t<T>, Status>,
                  "a Result holds a value, not a Status");
    static_assert(!std::is_reference_v<T>, "a Result holds its value");

public:
    Result(T value) : value_(std::move(value)) {}  // NOLINT: a value converts implicitly
    // From a failure. A success carries no value to hold: that is the
    // caller's mistake, caught in checked builds and otherwise kept as a
    // failure so that nothing reads a value that is not there.
    Result(Status failure)  // NOLINT: a failure converts implicitly
        : reason_(failure.ok() ? std::string("internal error: a success without a value")
                               : failure.reason()) {
        assert(!failure.ok() && "a Result was made from a success");
    }

    static Result Failure(std::string reason) { return Result(Status::Failure(std::move(reason))); }

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return Checked(); }
    T& value() & { return Checked(); }
    T&& value() && { return std::move(Checked()); }
    const T* operator->() const { return &Checked(); }
    T* operator->() { return &Checked(); }
    const T& operator*() const& { return Checked(); }
    T& operator*() & { return Checked(); }

    // Why there is no value; only a failure has a reason.
    const std::string& reason() const {
        assert(!ok() && "the reason of a good Result was asked for");
        return ok() ? result_detail::NoReason() : reason_;
    }
    Status status() const { return ok() ? Status::Ok() : Status::Failure(reason_); }

private:
    const T& Checked() const {
        if (!value_) {
            result_detail::NoValue();
        }
        return *value_;
    }
    T& Checked() {
        if (!value_) {
            result_detail::NoValue();
        }
        return *value_;
    }

    // Either the value, or no value and the reason.
    std::optional<T> value_;
    std::string reason_;
};

}  // namespace quellon
