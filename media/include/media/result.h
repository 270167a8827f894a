// Errors as values: a Result holds either a value or an Error, whose kind code
// can check and whose message says what went wrong in words the user can act
// on.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace slidewright::media {

enum class ErrorKind {
  FileAccess,    // a file cannot be opened, read, created or written
  NotSupported,  // not a kind of file (or a variant of one) this layer reads
  Damaged,       // a known kind of file, but damaged, truncated or empty
  TooLarge,      // larger than this layer accepts or than memory allows
  Cancelled,     // the caller's progress callback asked to stop
  Internal,      // a codec library failed to start, or a caller passed nothing to work on
};

struct Error {
  ErrorKind kind = ErrorKind::Internal;
  std::string message;
};

// E is the error type of the library the result comes from; every one has
// a `kind` and a `message`.
template <class T, class E = Error>
class Result {
 public:
  Result(T value) : v_(std::move(value)) {}
  Result(E error) : v_(std::move(error)) {}

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & { return std::get<0>(v_); }
  const T& value() const& { return std::get<0>(v_); }
  T&& value() && { return std::get<0>(std::move(v_)); }
  const E& error() const { return std::get<1>(v_); }
  auto kind() const { return std::get<1>(v_).kind; }
  const std::string& message() const { return std::get<1>(v_).message; }

 private:
  std::variant<T, E> v_;
};

// The result of an operation that yields nothing but success or an error.
using Status = Result<std::monostate>;
inline Status success() { return std::monostate{}; }
inline Error fail(ErrorKind kind, std::string message) { return Error{kind, std::move(message)}; }

}  // namespace slidewright::media
