#pragma once

#include <swf/tag.h>
#include <swf/twips.h>

#include <common/result.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// RGB colour record; alpha is written only when hasAlpha is set (RGBA).
struct SwfColor {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  std::uint8_t alpha = 255;
  bool hasAlpha = false;

  SwfColor() = default;
  SwfColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) : red(r), green(g), blue(b) {}
  // Splits a Windows COLORREF value (red in the low byte, then green, blue).
  static SwfColor fromColorRef(std::uint32_t colorRef);

  void write(SwfStream& out) const;
};

// SetBackgroundColor: always an RGB record.
class SwfBackground : public SwfTag {
 public:
  explicit SwfBackground(SwfColor color);
  void write(SwfStream& out) const override;
  const SwfColor& color() const { return color_; }

 private:
  SwfColor color_;
};

// Why a movie could not be written.
enum class SwfWriteError {
  NoFileName,     // the path is empty
  DoesNotFit,     // the frame size or the file length do not fit the format
  CannotReplace,  // an existing file may not be changed (read-only, or held by another program)
  CannotCreate,   // no new file can be made beside the path (missing or unwritable folder)
  WriteFailed,    // writing the data failed part-way (disk full, I/O error)
};

// A movie that could not be written: the kind of failure and a message
// naming the path and the cause. `reason` is the cause alone, for callers
// that name the path themselves.
struct SwfWriteFailure {
  SwfWriteError kind = SwfWriteError::WriteFailed;
  std::string message;
  std::string reason;
};

// Outcome of writing a movie: ok, or why it was not written.
using SwfWriteResult = slidewright::common::Status<SwfWriteFailure>;

// Checks, before any slow work, that a movie can be written at path: an
// existing file there must be one this program may change, and the folder
// must take a new file beside it. writeFile makes the same checks itself.
SwfWriteResult checkMovieDestination(const std::string& path);

// One SWF movie: an ordered list of owned tags and the number of frames.
class SwfMovie {
 public:
  // Largest frame width or height the fixed-width frame RECT can hold.
  static constexpr std::int32_t maxFrameTwips = 16383;

  SwfMovie() = default;
  SwfMovie(const SwfMovie&) = delete;
  SwfMovie& operator=(const SwfMovie&) = delete;
  ~SwfMovie();

  // Appends tag (which must not be null); a ShowFrame adds a frame.
  void addTag(std::unique_ptr<SwfTag> tag);

  std::uint32_t frameCount() const { return frameCount_; }
  std::size_t tagCount() const { return tags_.size(); }

  // The identifiers of this movie's characters: each character made for the
  // movie takes its identifier from here.
  SwfCharacterIds& characterIds() { return characterIds_; }

  // Serialises the whole file (header, tags, End) into out, which must be
  // empty. Large data stays as chunks referring to the tags' buffers.
  // Returns false (out unusable) when the frame size or the file length do
  // not fit the format, with the reason in *why if given.
  bool writeTo(SwfStream& out, Twips width, Twips height, std::uint8_t frameRate,
               std::string* why = nullptr) const;

  // Writes the movie as an uncompressed version-4 SWF file. The file is
  // written beside path and moved over it only once complete, so a failure
  // never leaves a truncated movie at path nor destroys a file already there.
  SwfWriteResult writeFile(const std::string& path, Twips width, Twips height, std::uint8_t frameRate) const;

 private:
  std::vector<std::unique_ptr<SwfTag>> tags_;
  std::uint32_t frameCount_ = 0;
  SwfCharacterIds characterIds_;
};
