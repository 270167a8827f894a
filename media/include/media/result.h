// The media layer's errors: a kind code can check and a message that says
// what went wrong in words the user can act on.
#pragma once

#include <string>
#include <utility>
#include <variant>

#include "common/result.h"

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

template <class T>
using Result = common::Result<T, Error>;

// The result of an operation that yields nothing but success or an error.
using Status = common::Status<Error>;
inline Status success() { return std::monostate{}; }
inline Error fail(ErrorKind kind, std::string message) { return Error{kind, std::move(message)}; }

}  // namespace slidewright::media
