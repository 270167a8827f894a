// Errors as values: a Result holds either a value or an error, never both, so
// a failed call has no half-made value to read by mistake. E is the error type
// of the library the result comes from; each has a `kind` code can check and a
// `message` in words the user can act on, and may carry more (a path, a byte
// offset). Each library names its own results, e.g.
//   template <class T> using Result = common::Result<T, Error>;
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace slidewright::common {

template <class T, class E>
class Result {
 public:
  Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
  Result(E error) : v_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }

  // The value; only of a result that is ok (std::bad_variant_access otherwise).
  T& value() & { return std::get<0>(v_); }
  const T& value() const& { return std::get<0>(v_); }
  T&& value() && { return std::get<0>(std::move(v_)); }

  // The error; only of a result that is not ok.
  const E& error() const { return std::get<1>(v_); }
  auto kind() const { return error().kind; }
  const std::string& message() const { return error().message; }

 private:
  std::variant<T, E> v_;
};

// The result of an operation that yields nothing but success or an error;
// `return std::monostate{};` (or a library's success()) reports success.
template <class E>
using Status = Result<std::monostate, E>;

}  // namespace slidewright::common
