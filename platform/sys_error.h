#pragma once

#include <optional>
#include <string>
#include <utility>

namespace gw::platform {

// A failed system call as the user reads it: the errno value and the
// system's own description of it (strerror text).
struct SysError {
    int code = 0;
    std::string description;

    static SysError fromErrno(int errnoValue);
    static SysError withText(std::string text, int errnoValue = 0) {
        SysError error;
        error.code = errnoValue;
        error.description = std::move(text);
        return error;
    }
};

// A value or the reason there is none.
template <class T>
class Result {
  public:
    Result(T value) : value_(std::move(value)) {}         // NOLINT: implicit by design
    Result(SysError error) : error_(std::move(error)) {}  // NOLINT

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const { return *value_; }
    T& value() { return *value_; }
    const T& operator*() const { return *value_; }
    const T* operator->() const { return &*value_; }
    const SysError& error() const { return error_; }

  private:
    std::optional<T> value_;
    SysError error_;
};

// Success, or the reason it failed; true on success like every Result.
template <>
class Result<void> {
  public:
    Result() = default;
    Result(SysError error) : error_(std::move(error)) {}  // NOLINT: implicit by design

    bool ok() const { return !error_.has_value(); }
    bool failed() const { return error_.has_value(); }
    explicit operator bool() const { return ok(); }
    const SysError& error() const { return *error_; }

  private:
    std::optional<SysError> error_;
};

using Status = Result<void>;

}  // namespace gw::platform
