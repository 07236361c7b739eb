// The outcome of an operation that can fail: its value, or the error that
// says why there is none. The plug-in is built without exceptions, so every
// failure travels back as one of these, and the caller's next line shows
// what happens to it. Like C++23's std::expected, which the fuzz build's
// clang cannot compile from GCC 12's library.
#pragma once

#include <optional>
#include <utility>

#include "base/FatalError.h"

namespace vantu {

namespace detail {

// The error that both kinds of Expected may hold. Reading it from a
// success, like reading the value of a failure, is a program error: it ends
// the process rather than read what is not there.
template <class E>
class ExpectedError {
 public:
  E& Error() {
    if (!error_) FatalError("the error of a success was read");
    return *error_;
  }
  const E& Error() const {
    if (!error_) FatalError("the error of a success was read");
    return *error_;
  }

 protected:
  ExpectedError() = default;
  explicit ExpectedError(E error) : error_(std::move(error)) {}
  bool Failed() const { return error_.has_value(); }

 private:
  std::optional<E> error_;
};

}  // namespace detail

template <class T, class E>
class [[nodiscard]] Expected : public detail::ExpectedError<E> {
 public:
  // Implicit both ways, so that a function returns its value or its error
  // as it is.
  Expected(T value) : value_(std::move(value)) {}
  Expected(E error) : detail::ExpectedError<E>(std::move(error)) {}

  bool HasValue() const { return value_.has_value(); }
  explicit operator bool() const { return HasValue(); }

  T& Value() {
    if (!value_) FatalError("the value of a failure was read");
    return *value_;
  }
  const T& Value() const {
    if (!value_) FatalError("the value of a failure was read");
    return *value_;
  }
  T& operator*() { return Value(); }
  const T& operator*() const { return Value(); }
  T* operator->() { return &Value(); }
  const T* operator->() const { return &Value(); }

 private:
  std::optional<T> value_;
};

// An operation that has no value to give: it succeeded, or here is why not.
// "return {};" is the success.
template <class E>
class [[nodiscard]] Expected<void, E> : public detail::ExpectedError<E> {
 public:
  Expected() = default;
  Expected(E error) : detail::ExpectedError<E>(std::move(error)) {}

  bool HasValue() const { return !this->Failed(); }
  explicit operator bool() const { return HasValue(); }
};

}  // namespace vantu
