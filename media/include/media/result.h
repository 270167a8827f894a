// Errors as values: a Result holds either a value or an Error whose message
// says what went wrong in words the user can act on.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace slidewright::media {

struct Error {
  std::string message;
};

template <class T>
class Result {
 public:
  Result(T value) : v_(std::move(value)) {}
  Result(Error error) : v_(std::move(error)) {}

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & { return std::get<0>(v_); }
  const T& value() const& { return std::get<0>(v_); }
  T&& value() && { return std::get<0>(std::move(v_)); }
  const Error& error() const { return std::get<1>(v_); }
  const std::string& message() const { return std::get<1>(v_).message; }

 private:
  std::variant<T, Error> v_;
};

// The result of an operation that yields nothing but success or an error.
using Status = Result<std::monostate>;
inline Status success() { return std::monostate{}; }
inline Error fail(std::string message) { return Error{std::move(message)}; }

}  // namespace slidewright::media
