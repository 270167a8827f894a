// Errors of the exports as values: each has a kind a caller can act on (the
// command line turns a cancelled export into its interrupted status) and a
// message that names the file and says what to do about it.
#pragma once

#include <string>
#include <utility>
#include <variant>

#include "common/result.h"

namespace slidewright::exports {

enum class ErrorKind {
  Input,      // the movie cannot be read or played
  Settings,   // an option is out of range for this movie or format
  Output,     // the video or the folder cannot be written where asked
  Encoding,   // an encoder is missing from FFmpeg's libraries, or failed
  WebPlayer,  // the web player's files are not installed
  Cancelled,  // the caller asked to stop; nothing was left behind
  Font,       // the pictures have captions but no font for them was found
};

struct Error {
  ErrorKind kind;
  std::string message;
  // The input file concerned (a picture or the music of an album), for a
  // front that words the reason itself; empty when none is.
  std::string path = {};
};

inline Error fail(ErrorKind kind, std::string message, std::string path = {}) {
  return Error{kind, std::move(message), std::move(path)};
}

template <class T>
using Result = common::Result<T, Error>;
using Status = common::Status<Error>;
inline Status success() { return std::monostate{}; }

}  // namespace slidewright::exports
