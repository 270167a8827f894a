#include <swf/movie.h>
#include <swf/stream.h>

#include <common/stdio_file.h>

#include <cassert>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <filesystem>
#include <system_error>
#endif

namespace {

constexpr std::size_t headerSize = 21;
constexpr std::size_t ioBufferSize = 1 << 20;

// Resets the character identifier counter on every return path of writeFile.
struct CharacterIdReset {
  ~CharacterIdReset() { resetCharacterIds(); }
};

std::string systemError(int error) {
  return error != 0 ? std::string(std::strerror(error)) : std::string("unknown error");
}

using slidewright::openStdioFile;
using slidewright::StdioFile;

bool fileExists(const std::string& path) { return openStdioFile(path, "rb") != nullptr; }

// A name beside path, made of path and suffix, that no file has yet, so that
// staging never overwrites a file of the user's that happens to carry it.
std::string freeNameBeside(const std::string& path, const char* suffix) {
  std::string name = path + suffix;
  for (int n = 1; fileExists(name) && n < 1000; ++n) name = path + "." + std::to_string(n) + suffix;
  return name;
}

// Moves the finished file from over target. Where the C library's rename
// refuses to replace an existing file (Windows), the old file is set aside
// first and put back if the move fails, so it is never lost. Narrow paths go
// to the C library only, so they are read in the same code page as fopen's.
bool replaceFile(const std::string& from, const std::string& target) {
  errno = 0;
  if (std::rename(from.c_str(), target.c_str()) == 0) return true;
  const int error = errno;
  if ((error != EEXIST && error != EACCES) || !fileExists(target)) {
    errno = error;
    return false;
  }
  const std::string aside = freeNameBeside(from, "~");
  if (std::rename(target.c_str(), aside.c_str()) != 0) {
    // Keep the reason the old file could not be moved (it may be open
    // in another program), not the first rename's.
    return false;
  }
  if (std::rename(from.c_str(), target.c_str()) == 0) {
    std::remove(aside.c_str());
    return true;
  }
  const int moveError = errno;
  std::rename(aside.c_str(), target.c_str());
  errno = moveError;
  return false;
}

}  // namespace

SwfColor SwfColor::fromColorRef(std::uint32_t colorRef) {
  return SwfColor(static_cast<std::uint8_t>(colorRef), static_cast<std::uint8_t>(colorRef >> 8),
                  static_cast<std::uint8_t>(colorRef >> 16));
}

void SwfColor::write(SwfStream& out) const {
  out.writeU8(red);
  out.writeU8(green);
  out.writeU8(blue);
  if (hasAlpha) out.writeU8(alpha);
}

SwfBackground::SwfBackground(SwfColor color) : color_(color) { color_.hasAlpha = false; }

void SwfBackground::write(SwfStream& out) const {
  SwfStream body;
  color_.write(body);
  writeTag(out, swfTagSetBackgroundColor, body);
}

SwfMovie::~SwfMovie() = default;

void SwfMovie::addTag(std::unique_ptr<SwfTag> tag) {
  assert(tag);
  if (!tag) return;
  if (tag->isShowFrame()) ++frameCount_;
  tags_.push_back(std::move(tag));
}

bool SwfMovie::writeTo(SwfStream& out, Twips width, Twips height, std::uint8_t frameRate,
                       std::string* why) const {
  assert(out.totalSize() == 0);
  // The frame RECT has a fixed field width of 15 bits: a larger size would
  // come out as a different, wrong size.
  if (width.value() < 0 || width.value() > maxFrameTwips || height.value() < 0 ||
      height.value() > maxFrameTwips) {
    if (why)
      *why = "the frame size " + std::to_string(width.value() / Twips::perPixel) + " x " +
             std::to_string(height.value() / Twips::perPixel) + " pixels is too large for a movie (at most " +
             std::to_string(maxFrameTwips / Twips::perPixel) + " pixels each way)";
    return false;
  }

  for (std::size_t i = 0; i < headerSize; ++i) out.writeU8(0);
  for (const auto& tag : tags_) tag->write(out);
  writeTagHeader(out, swfTagEnd, 0, nullptr);

  const std::uint64_t length = out.totalSize();
  if (length > 0xFFFFFFFFu) {
    if (why) *why = "the movie would be larger than 4 GB, more than an SWF file can hold";
    return false;
  }

  SwfStream header;
  header.writeU8('F');
  header.writeU8('W');
  header.writeU8('S');
  header.writeU8(4);
  header.writeU32(static_cast<std::uint32_t>(length));
  header.writeBits(15, 5);
  header.writeBits(0, 15);
  header.writeBits(width.value(), 15);
  header.writeBits(0, 15);
  header.writeBits(height.value(), 15);
  header.flushBits();
  header.writeU8(0);  // frame rate fraction (8.8 fixed point)
  header.writeU8(frameRate);
  // Saturate rather than wrap: a count that wrapped would tell players the
  // movie is far shorter than it is.
  header.writeU16(frameCount_ > 0xFFFF ? 0xFFFF : frameCount_);
  assert(header.committed() == headerSize);
  out.overwrite(0, header);
  return true;
}

namespace {

SwfWriteResult writeFailure(SwfWriteError kind, const std::string& path, const std::string& reason,
                            std::string advice = std::string()) {
  std::string message = "Cannot write the movie \"" + path + "\": " + reason + ".";
  if (advice.empty()) return SwfWriteResult::failure(kind, message, reason);
  message += " " + advice;
  advice[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(advice[0])));
  return SwfWriteResult::failure(kind, message, reason + "; " + advice);
}

// Replacing a file goes around its own permissions (a rename needs only the
// folder's), so ask first whether the file itself may be changed: a read-only
// movie, or one another program holds, is refused and left as it is, as
// writing over it in place would be.
SwfWriteResult checkReplaceable(const std::string& path) {
  if (!fileExists(path)) return SwfWriteResult::success();
  errno = 0;
  if (!openStdioFile(path, "r+b")) {
    const int error = errno;
    return writeFailure(
        SwfWriteError::CannotReplace, path,
        "the existing file cannot be changed (" + systemError(error) + ")",
        error == EACCES || error == EPERM ? "Is it read-only or open in another program?" : "");
  }
  return SwfWriteResult::success();
}

}  // namespace

SwfWriteResult checkMovieDestination(const std::string& path) {
  if (path.empty()) return writeFailure(SwfWriteError::NoFileName, path, "no file name was given");
  SwfWriteResult replaceable = checkReplaceable(path);
  if (!replaceable) return replaceable;
  // The folder must take the file the movie is first written to.
  const std::string probe = freeNameBeside(path, ".part");
  errno = 0;
  if (!openStdioFile(probe, "wb"))
    return writeFailure(SwfWriteError::CannotCreate, path,
                        "cannot write the movie there (" + systemError(errno) + ")");
  std::remove(probe.c_str());
  return SwfWriteResult::success();
}

SwfWriteResult SwfMovie::writeFile(const std::string& path, Twips width, Twips height,
                                   std::uint8_t frameRate) const {
  CharacterIdReset resetIds;

  if (path.empty())
    return SwfWriteResult::failure(SwfWriteError::NoFileName,
                                   "Cannot write the movie: no file name was given.",
                                   "no file name was given");

  SwfStream stream;
  std::string why;
  if (!writeTo(stream, width, height, frameRate, &why))
    return writeFailure(SwfWriteError::DoesNotFit, path, why);

  SwfWriteResult replaceable = checkReplaceable(path);
  if (!replaceable) return replaceable;

  // Write beside the target and move the finished file over it, so that a
  // failure part-way leaves whatever was at path untouched.
  const std::string partial = freeNameBeside(path, ".part");
  // Pictures come as chunks of some tens of kilobytes between small runs
  // of tag bytes: a large buffer turns them into few large writes, which
  // the system handles markedly faster. Declared before the file, so that
  // it outlives the file's closing on every path.
  std::vector<char> ioBuffer(ioBufferSize);
  errno = 0;
  StdioFile file = openStdioFile(partial, "wb");
  if (!file)
    return writeFailure(SwfWriteError::CannotCreate, path,
                        "creating \"" + partial + "\" failed: " + systemError(errno));
  std::setvbuf(file.get(), ioBuffer.data(), _IOFBF, ioBuffer.size());

  errno = 0;
  bool written = stream.writeToFile(file.get());
  written = std::fflush(file.get()) == 0 && written;
  written = !std::ferror(file.get()) && written;
  const int writeErrno = errno;
  errno = 0;
  const bool closed = slidewright::closeWritten(file);
  const int closeErrno = errno;
  if (!written || !closed) {
    std::remove(partial.c_str());
    return writeFailure(SwfWriteError::WriteFailed, path, systemError(!written ? writeErrno : closeErrno),
                        "The previous file, if any, is unchanged.");
  }

#if !defined(_WIN32)
  // The new file takes the permissions of the one it replaces, so a movie
  // the user kept private stays private.
  {
    std::error_code ec;
    const auto previous = std::filesystem::status(path, ec);
    if (!ec && std::filesystem::is_regular_file(previous))
      std::filesystem::permissions(partial, previous.permissions(), ec);
  }
#endif

  if (!replaceFile(partial, path)) {
    const int error = errno;
    std::remove(partial.c_str());
    const std::string reason = "the new movie cannot replace it (" + systemError(error) + ")";
    return SwfWriteResult::failure(
        SwfWriteError::CannotReplace,
        "Cannot replace \"" + path + "\" with the new movie: " + systemError(error) + "." +
            (error == EACCES ? " Is the file open in another program?" : ""),
        reason + (error == EACCES ? "; is the file open in another program?" : ""));
  }
  return SwfWriteResult::success();
}
