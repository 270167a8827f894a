#include <swf/movie.h>
#include <swf/stream.h>

#include <common/staged_file.h>

#include <cassert>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t headerSize = 21;
constexpr std::size_t ioBufferSize = 1 << 20;

std::string systemError(int error) {
  return error != 0 ? std::string(std::strerror(error)) : std::string("unknown error");
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

SwfWriteFailure writeFailure(SwfWriteError kind, const std::string& path, const std::string& reason,
                             std::string advice = std::string()) {
  std::string message = "Cannot write the movie \"" + path + "\": " + reason + ".";
  if (advice.empty()) return SwfWriteFailure{kind, message, reason};
  message += " " + advice;
  advice[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(advice[0])));
  return SwfWriteFailure{kind, message, reason + "; " + advice};
}

// The staging mechanism's failures in the writer's words.
SwfWriteFailure stagingFailure(const std::string& path, const slidewright::StagingError& error) {
  using slidewright::StagingErrorKind;
  const std::string reason = error.reason();
  switch (error.kind) {
    case StagingErrorKind::NoFileName:
      return writeFailure(SwfWriteError::NoFileName, path, reason);
    case StagingErrorKind::IsFolder:
      return writeFailure(SwfWriteError::CannotReplace, path, "it is a folder");
    case StagingErrorKind::CannotReplace:
      // Moving a new file into place would go around the old file's own
      // permissions: a read-only movie, or one another program holds, is
      // refused and left as it is, as writing over it in place would be.
      return writeFailure(SwfWriteError::CannotReplace, path,
                          "the existing file cannot be changed (" + reason + ")",
                          error.accessDenied() ? "Is it read-only or open in another program?" : "");
    case StagingErrorKind::CannotCreate:
      return writeFailure(SwfWriteError::CannotCreate, path, "cannot write the movie there (" + reason + ")");
    case StagingErrorKind::WriteFailed:
      return writeFailure(SwfWriteError::WriteFailed, path, reason,
                          "The previous file, if any, is unchanged.");
    case StagingErrorKind::CannotMove:
      break;
  }
  const bool denied = error.accessDenied();
  return SwfWriteFailure{SwfWriteError::CannotReplace,
                         "Cannot replace \"" + path + "\" with the new movie: " + reason + "." +
                             (denied ? " Is the file open in another program?" : ""),
                         "the new movie cannot replace it (" + reason + ")" +
                             (denied ? "; is the file open in another program?" : "")};
}

}  // namespace

SwfWriteResult checkMovieDestination(const std::string& path) {
  slidewright::StagingError error;
  if (!slidewright::StagedFile::checkDestination(path, &error)) return stagingFailure(path, error);
  return std::monostate{};
}

SwfWriteResult SwfMovie::writeFile(const std::string& path, Twips width, Twips height,
                                   std::uint8_t frameRate) const {
  if (path.empty())
    return SwfWriteFailure{SwfWriteError::NoFileName, "Cannot write the movie: no file name was given.",
                           "no file name was given"};

  SwfStream stream;
  std::string why;
  if (!writeTo(stream, width, height, frameRate, &why))
    return writeFailure(SwfWriteError::DoesNotFit, path, why);

  // Pictures come as chunks of some tens of kilobytes between small runs
  // of tag bytes: a large buffer turns them into few large writes, which
  // the system handles markedly faster. Declared before the file, so that
  // it outlives the file's closing on every path.
  std::vector<char> ioBuffer(ioBufferSize);
  // Written beside the target and moved over it, so that a failure
  // part-way leaves whatever was at path untouched.
  slidewright::StagedFile staged;
  slidewright::StagingError error;
  if (!staged.open(path, &error)) return stagingFailure(path, error);
  std::setvbuf(staged.file(), ioBuffer.data(), _IOFBF, ioBuffer.size());

  errno = 0;
  if (!stream.writeToFile(staged.file())) {
    const int writeErrno = errno;
    return writeFailure(SwfWriteError::WriteFailed, path, systemError(writeErrno),
                        "The previous file, if any, is unchanged.");
  }
  if (!staged.commit(&error)) return stagingFailure(path, error);
  return std::monostate{};
}
