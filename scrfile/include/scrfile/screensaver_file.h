// Screensaver files: the screensaver player's own program bytes followed by an
// uncompressed SWF movie and the movie's length as four little-endian bytes.
// Writing is done by the maker window and `slidewright screensaver`; reading
// by the screensaver player, which finds the movie appended to its own file.
// Standard library only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/result.h"

namespace slidewright::scrfile {

// The largest movie a screensaver file carries. The player copies the movie
// out of its own file and then loads it whole, so the limit is set well
// above any album the maker makes (hundreds of pictures come to tens of
// MiB) and well below what a 32-bit process can hold twice.
constexpr std::uint64_t kMaxMovieBytes = std::uint64_t(512) << 20;

enum class ErrorKind {
  NoMovie,      // the movie file does not exist or cannot be read
  NotAMovie,    // the file is not an uncompressed SWF movie ("FWS")
  TooLarge,     // the movie is larger than kMaxMovieBytes
  NoStub,       // no screensaver player program to write in front of it
  CannotWrite,  // the screensaver file cannot be written or put in place
  NoPayload,    // a player file without a movie appended, or a damaged one
  CannotRead,   // the player's own file or the destination cannot be used
};

struct Error {
  ErrorKind kind = ErrorKind::CannotWrite;
  std::string message;  // names the file and says what to do where possible
};

template <class T>
using Result = common::Result<T, Error>;
using Status = common::Status<Error>;

// The screensaver file beside a movie: its ".swf" (any case) becomes ".scr";
// a name without that ending gets ".scr" added.
std::string screensaverPathFor(const std::string& moviePath);

// Writes stub + movie + trailer to `scrPath`. The file is written beside its
// final name and moved into place only when it is complete, so a failure
// never leaves a partial file and never destroys an earlier one. An error
// means nothing was written.
Status writeScreensaverFile(const std::string& scrPath, const std::vector<std::uint8_t>& stub,
                            const std::string& moviePath);

// Where a movie appended to a player file lies.
struct Payload {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
};

// Finds the movie appended to `playerPath`: the trailer's length must fit in
// the file in front of the trailer, be no larger than kMaxMovieBytes and lead
// to an "FWS" signature.
Result<Payload> locateMovie(const std::string& playerPath);

// Copies the movie appended to `playerPath` into `moviePath` (created or
// replaced). On failure nothing usable is left at `moviePath`.
Status extractMovie(const std::string& playerPath, const std::string& moviePath);

// The text the screensaver player's program carries, by which a program
// given as the player is told from any other.
constexpr const char kPlayerMarker[] =
    "Slidewright screensaver player: plays the movie appended to this file";

// Whether program is a screensaver player: a Windows program for the
// graphical subsystem (PE, 32- or 64-bit) that carries kPlayerMarker. False
// with the reason in `why` otherwise.
bool isScreensaverPlayer(const std::vector<std::uint8_t>& program, std::string* why);

// Reads a whole file into memory (false if it cannot be opened or read).
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes);

}  // namespace slidewright::scrfile
