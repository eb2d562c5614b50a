// The outcome of an operation whose failure the user must be told about:
// success, or failure with the reason in words a user can act on.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace quellon {

class [[nodiscard]] Status {
public:
    static Status Ok() { return Status(); }
    static Status Failure(std::string reason) { return Status(std::move(reason)); }

    bool ok() const { return !reason_.has_value(); }
    explicit operator bool() const { return ok(); }
    // Why it failed; empty on success.
    const std::string& reason() const {
        static const std::string none;
        return reason_ ? *reason_ : none;
    }

private:
    Status() = default;
    explicit Status(std::string reason) : reason_(std::move(reason)) {}
    std::optional<std::string> reason_;
};

// A value, or the reason there is none.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}             // NOLINT: a value converts implicitly
    Result(Status failure) : failure_(std::move(failure)) {}  // NOLINT: so does a failure

    static Result Failure(std::string reason) { return Result(Status::Failure(std::move(reason))); }

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return *value_; }
    T& value() & { return *value_; }
    T&& value() && { return std::move(*value_); }
    const T* operator->() const { return &*value_; }
    const T& operator*() const { return *value_; }
    const std::string& reason() const { return failure_.reason(); }
    Status status() const { return ok() ? Status::Ok() : failure_; }

private:
    std::optional<T> value_;
    Status failure_ = Status::Ok();
};

}  // namespace quellon
