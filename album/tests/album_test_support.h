// Helpers for the album builder tests: input files, jobs, and movies read
// back as tag sequences.
#pragma once

#include <album/album_job.h>
#include <player/swf_parser.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace albumtest {

using slidewright::AlbumJob;
using slidewright::AlbumPicture;

// A directory of its own per test, removed afterwards.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  std::filesystem::path dir_;
};

// Writes bytes to a file.
void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// JPEG-framed bytes (start-of-image, a comment segment carrying seed, end-of-
// image) of about size bytes. The builder does not decode pictures, so only
// their exact passage into the movie matters.
std::vector<std::uint8_t> jpegBytes(std::uint8_t seed, std::size_t size = 200);

// An MPEG-2 Layer III stream, 22050 Hz, single channel, 32 kbit/s: frames of
// 104 bytes with 576 samples each.
std::vector<std::uint8_t> mp3Bytes(unsigned frames);

// A job and the storage it points into.
struct JobFixture {
  JobFixture(const ScratchDir& dir, std::int32_t width, std::int32_t height,
             const std::vector<int>& transitions);

  // Points picture i at a file that does not exist.
  void removePicture(std::size_t i);
  void setMusic(const std::string& path);

  AlbumJob job{};
  std::vector<std::unique_ptr<AlbumPicture>> entries;
  std::vector<AlbumPicture*> pointers;
  std::string output;
  std::string music;
};

// Parses a written movie; fails the test when it cannot be read.
player::Movie readMovie(const std::string& path);

// One line per tag, e.g. "DefineBitsJPEG2 id=1", "Place id=2 d4", "Move d4 r1666",
// "Move d2 a245", "Show", "Remove d2", "End".
std::vector<std::string> trace(const player::Movie& movie);

// Appends count copies of line.
void repeat(std::vector<std::string>& lines, const std::string& line, int count);

// Tags of one type, in file order.
template <typename T>
std::vector<const T*> tagsOf(const player::Movie& movie) {
  std::vector<const T*> found;
  for (const auto& tag : movie.tags)
    if (const T* body = player::tagAs<T>(tag)) found.push_back(body);
  return found;
}

// Number of ShowFrame tags.
int showFrames(const player::Movie& movie);

// A figure of an outline: the box of the points of one sub-path (from one
// move to the next), in pixels when every point lies on whole pixels.
struct Box {
  double left, top, right, bottom;
};

// Boxes of the sub-paths of an outline, in pixels.
std::vector<Box> outlineBoxes(const std::vector<player::ShapeRecord>& records);

}  // namespace albumtest
