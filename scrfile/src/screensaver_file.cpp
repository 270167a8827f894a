#include "scrfile/screensaver_file.h"

#include "common/staged_file.h"
#include "common/stdio_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>

namespace slidewright::scrfile {

namespace fs = std::filesystem;

namespace {

using File = StdioFile;

Error fail(ErrorKind kind, std::string message) { return Error{kind, std::move(message)}; }

std::string reason(int err) { return std::strerror(err); }

bool seekTo(std::FILE* f, std::uint64_t offset) {
#ifdef _WIN32
  return _fseeki64(f, static_cast<long long>(offset), SEEK_SET) == 0;
#else
  return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

// Copies `length` bytes from `in` to `out` in pieces, so that a large movie
// never has to be held in memory.
bool copyBytes(std::FILE* in, std::FILE* out, std::uint64_t length) {
  std::vector<char> buffer(std::size_t(1) << 16);
  while (length > 0) {
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(length, buffer.size()));
    if (std::fread(buffer.data(), 1, chunk, in) != chunk) return false;
    if (std::fwrite(buffer.data(), 1, chunk, out) != chunk) return false;
    length -= chunk;
  }
  return true;
}

bool hasSignature(std::FILE* f) {
  char sig[3];
  return std::fread(sig, 1, 3, f) == 3 && sig[0] == 'F' && sig[1] == 'W' && sig[2] == 'S';
}

std::string sizeText(std::uint64_t bytes) { return std::to_string(bytes >> 20) + " MiB"; }

}  // namespace

bool isScreensaverPlayer(const std::vector<std::uint8_t>& program, std::string* why) {
  auto u16 = [&](std::size_t at) { return std::uint32_t(program[at]) | std::uint32_t(program[at + 1]) << 8; };
  auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
  auto refuse = [&](const char* reason) {
    if (why) *why = reason;
    return false;
  };
  // The DOS header points to the PE header, whose optional header gives the
  // kind of program (PE32 or PE32+) and its subsystem at the same place.
  constexpr std::size_t kCoffHeader = 24, kSubsystem = 68;
  if (program.size() < 0x40 || program[0] != 'M' || program[1] != 'Z') return refuse("not a Windows program");
  const std::size_t pe = u32(0x3C);
  if (pe > program.size() || program.size() - pe < kCoffHeader + kSubsystem + 2 ||
      std::memcmp(&program[pe], "PE\0\0", 4) != 0)
    return refuse("not a Windows program");
  const std::uint32_t magic = u16(pe + kCoffHeader);
  if (magic != 0x10B && magic != 0x20B) return refuse("not a Windows program");
  constexpr std::uint32_t kWindowsGui = 2;
  if (u16(pe + kCoffHeader + kSubsystem) != kWindowsGui)
    return refuse("a Windows program, but not a graphical one as the screensaver player is");
  const std::string_view marker(kPlayerMarker);
  if (std::search(program.begin(), program.end(), marker.begin(), marker.end()) == program.end())
    return refuse("a Windows program, but not the screensaver player (saverstub.exe)");
  return true;
}

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes) {
  File f = openStdioFile(path, "rb");
  return f && readStdioFile(f.get(), *bytes);
}

std::string screensaverPathFor(const std::string& moviePath) {
  std::string ending;
  if (moviePath.size() >= 4)
    for (char c : moviePath.substr(moviePath.size() - 4))
      ending += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return (ending == ".swf" ? moviePath.substr(0, moviePath.size() - 4) : moviePath) + ".scr";
}

Status writeScreensaverFile(const std::string& scrPath, const std::vector<std::uint8_t>& stub,
                            const std::string& moviePath) {
  if (stub.empty())
    return fail(ErrorKind::NoStub, "the screensaver player program is missing from this build");
  std::error_code ec;
  if (fs::is_directory(pathFromUtf8(moviePath), ec))
    return fail(ErrorKind::NoMovie, moviePath + ": is a folder");
  errno = 0;
  File movie = openStdioFile(moviePath, "rb");
  if (!movie) {
    const int err = errno;
    return fail(ErrorKind::NoMovie, moviePath + ": cannot read the movie (" + reason(err) + ")");
  }
  const std::uint64_t length = fs::file_size(pathFromUtf8(moviePath), ec);
  if (ec) return fail(ErrorKind::NoMovie, moviePath + ": cannot read the movie (" + ec.message() + ")");
  if (!hasSignature(movie.get()))
    return fail(ErrorKind::NotAMovie, moviePath + ": not an uncompressed SWF movie");
  if (length > kMaxMovieBytes)
    return fail(ErrorKind::TooLarge, moviePath + ": the movie is " + sizeText(length) +
                                         "; a screensaver holds at most " + sizeText(kMaxMovieBytes) +
                                         " (make an album of fewer or smaller pictures)");
  if (!seekTo(movie.get(), 0)) return fail(ErrorKind::NoMovie, moviePath + ": cannot read the movie");
  if (fs::is_directory(pathFromUtf8(scrPath), ec))
    return fail(ErrorKind::CannotWrite, scrPath + ": is a folder, not a screensaver file name");

  StagedFile staged;
  StagingError staging;
  if (!staged.open(scrPath, &staging)) {
    if (staging.kind == StagingErrorKind::CannotReplace)
      return fail(ErrorKind::CannotWrite, scrPath + ": the existing file cannot be replaced (" +
                                              staging.reason() + ")" +
                                              (staging.accessDenied() ? "; is it read-only or in use?" : ""));
    return fail(ErrorKind::CannotWrite, scrPath + ": cannot write there (" + staging.reason() + ")");
  }
  const std::uint8_t trailer[4] = {std::uint8_t(length), std::uint8_t(length >> 8),
                                   std::uint8_t(length >> 16), std::uint8_t(length >> 24)};
  bool written = std::fwrite(stub.data(), 1, stub.size(), staged.file()) == stub.size();
  if (written && !copyBytes(movie.get(), staged.file(), length)) {
    if (std::ferror(movie.get()))
      return fail(ErrorKind::NoMovie, moviePath + ": the movie could not be read to its end");
    written = false;
  }
  written = written && std::fwrite(trailer, 1, 4, staged.file()) == 4;
  written = staged.close(&staging) && written;
  movie.reset();
  if (!written || fs::file_size(pathFromUtf8(staged.path()), ec) != stub.size() + length + 4)
    return fail(ErrorKind::CannotWrite,
                scrPath + ": the screensaver could not be written completely (is the disk full?)");
  if (!staged.commit(&staging))
    return fail(ErrorKind::CannotWrite, scrPath + ": cannot put the screensaver in place (" +
                                            staging.reason() + "); is the old one read-only or in use?");
  return std::monostate{};
}

Result<Payload> locateMovie(const std::string& playerPath) {
  std::error_code ec;
  const std::uint64_t size = fs::file_size(pathFromUtf8(playerPath), ec);
  if (ec) return fail(ErrorKind::CannotRead, playerPath + ": cannot read the screensaver file");
  File f = openStdioFile(playerPath, "rb");
  if (!f) return fail(ErrorKind::CannotRead, playerPath + ": cannot read the screensaver file");
  std::uint8_t trailer[4];
  if (size < 4 || !seekTo(f.get(), size - 4) || std::fread(trailer, 1, 4, f.get()) != 4)
    return fail(ErrorKind::NoPayload, playerPath + ": no movie is appended to this file");
  // The trailer is unsigned; a length that does not fit in front of it, or
  // that is beyond any movie the maker writes, is not a movie's length.
  const std::uint64_t length = std::uint64_t(trailer[0]) | std::uint64_t(trailer[1]) << 8 |
                               std::uint64_t(trailer[2]) << 16 | std::uint64_t(trailer[3]) << 24;
  if (length < 3 || length > size - 4)
    return fail(ErrorKind::NoPayload, playerPath + ": no movie is appended to this file");
  if (length > kMaxMovieBytes)
    return fail(ErrorKind::TooLarge,
                playerPath + ": the appended movie is larger than " + sizeText(kMaxMovieBytes));
  const std::uint64_t offset = size - 4 - length;
  if (!seekTo(f.get(), offset) || !hasSignature(f.get()))
    return fail(ErrorKind::NoPayload, playerPath + ": no uncompressed SWF movie is appended to this file");
  return Payload{offset, length};
}

Status extractMovie(const std::string& playerPath, const std::string& moviePath) {
  const Result<Payload> located = locateMovie(playerPath);
  if (!located) return located.error();
  const Payload& payload = located.value();
  File in = openStdioFile(playerPath, "rb");
  if (!in || !seekTo(in.get(), payload.offset))
    return fail(ErrorKind::CannotRead, playerPath + ": cannot read the screensaver file");
  File out = openStdioFile(moviePath, "wb");
  if (!out) return fail(ErrorKind::CannotRead, moviePath + ": cannot write the movie there");
  bool ok = copyBytes(in.get(), out.get(), payload.length);
  ok = closeWritten(out) && ok;
  if (!ok) {
    removeFile(moviePath);
    return fail(ErrorKind::CannotRead, moviePath + ": the movie could not be copied out");
  }
  return std::monostate{};
}

}  // namespace slidewright::scrfile
