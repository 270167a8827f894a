#include "media/album_maker.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "album/album_job.h"
#include "media/canvas.h"
#include "media/jpeg_writer.h"
#include "media/mp3.h"
#include "media/picture.h"
#include "media/temp_file.h"

namespace slidewright::media {

namespace fs = std::filesystem;

int transitionFrameCount(int transition, int width, int height) {
  if (transition == 9) return 27;  // the cross-fade
  int n = height / 12;             // the wipes, circle, diagonals and rectangle
  if (transition == 10) n = width / 12;        // strips
  if (transition == 12) n = (width / 12) / 2;  // blinds
  if (n < 2) return 2;
  const int k = 65000 % (n - 1) == 0 ? n - 1 : n;
  return 1 + k + 1;
}

int pauseForDuration(double seconds, const std::vector<int>& transitions, int width, int height) {
  if (transitions.empty()) return kMinPause;
  // Each slide is its transition, the hold and one frame for the settled picture.
  double fixedFrames = 0;
  for (int t : transitions) fixedFrames += transitionFrameCount(t, width, height) + 1;
  const double holdFrames = seconds * 12 - fixedFrames;
  const long pause = std::lround(holdFrames / (12.0 * static_cast<double>(transitions.size())));
  return static_cast<int>(std::clamp<long>(pause, kMinPause, kMaxPause));
}

namespace {

// Checks that a finished movie file is whole: its header's length field
// matches the file's size.
bool movieIsComplete(const std::string& path, std::uint64_t& bytes) {
  std::error_code ec;
  bytes = fs::file_size(path, ec);
  if (ec || bytes < 8) return false;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  unsigned char h[8];
  const bool read = std::fread(h, 1, 8, f) == 8;
  std::fclose(f);
  if (!read || std::memcmp(h, "FWS", 3) != 0) return false;
  const std::uint64_t length = std::uint64_t{h[4]} | std::uint64_t{h[5]} << 8 |
                               std::uint64_t{h[6]} << 16 | std::uint64_t{h[7]} << 24;
  return length == bytes;
}

std::string fileNameOf(const std::string& path) {
  std::string name = fs::path(path).filename().string();
  return name.empty() ? "album.swf" : name;
}

}  // namespace

Result<MakeOutcome> makeAlbum(const AlbumSettings& s, const MakeProgressCallback& progress) {
  if (s.pictures.empty()) return fail("no pictures were given");
  if (s.width < kMinWidth || s.width > kMaxWidth)
    return fail("the album width must be " + std::to_string(kMinWidth) + " to " + std::to_string(kMaxWidth) + " pixels");
  if (s.height < kMinHeight || s.height > kMaxHeight)
    return fail("the album height must be " + std::to_string(kMinHeight) + " to " + std::to_string(kMaxHeight) + " pixels");
  if (!s.fitToMusic && (s.pauseSeconds < kMinPause || s.pauseSeconds > kMaxPause))
    return fail("the seconds per picture must be " + std::to_string(kMinPause) + " to " + std::to_string(kMaxPause));
  for (const AlbumEntry& e : s.pictures)
    if (e.transition < 0 || e.transition >= kTransitionCount)
      return fail(e.path + ": the transition must be 0 to " + std::to_string(kTransitionCount - 1));
  if (s.outputPath.empty()) return fail("no output file was given");
  if (s.fitToMusic && s.musicPath.empty()) return fail("fitting the show to the music needs music");

  auto report = [&](MakeStage stage, std::uint64_t done, std::uint64_t total) {
    return !progress || progress(MakeProgress{stage, done, total});
  };

  // The movie is written beside its final place and moved there only when it
  // is complete, so a failed run never leaves a partial movie and never
  // damages an existing one. Creating it first also finds an unwritable
  // destination before any slow work.
  std::error_code ec;
  if (fs::is_directory(s.outputPath, ec))
    return fail(s.outputPath + ": is a folder, not a movie file name");
  std::string outDir = fs::path(s.outputPath).parent_path().string();
  if (outDir.empty()) outDir = ".";
  auto staging = TempFile::createIn(outDir, "." + fileNameOf(s.outputPath) + ".", ".part");
  if (!staging) {
    const std::string& why = staging.message();
    const auto colon = why.rfind(": ");
    return fail(s.outputPath + ": cannot write the movie there" +
                (colon == std::string::npos ? std::string() : why.substr(colon)));
  }

  MakeOutcome outcome;
  TempFile music;
  if (!s.musicPath.empty()) {
    auto made = TempFile::create(".mp3");
    if (!made) return made.error();
    music = std::move(made.value());
    auto encoded = reencodeMp3(s.musicPath, music.path(), [&](std::uint64_t done, std::uint64_t total) {
      return report(MakeStage::Music, done, total);
    });
    if (!encoded) {
      if (encoded.message() == "cancelled") return encoded.error();
      return fail(s.musicPath + ": " + encoded.message());
    }
    outcome.musicSeconds = encoded.value().seconds;
  }

  std::vector<TempFile> jpegs;
  std::vector<AlbumPicture> entries;
  std::vector<int> transitions;
  const std::uint64_t count = s.pictures.size();
  if (!report(MakeStage::Pictures, 0, count)) return fail("cancelled");
  DecodeOptions decode;
  decode.background = s.background;
  decode.fitWidth = s.width;
  decode.fitHeight = s.height;
  for (std::uint64_t i = 0; i < count; ++i) {
    const AlbumEntry& e = s.pictures[i];
    auto picture = loadPicture(e.path, decode);
    Result<Image> canvas = picture ? renderCanvas(picture.value(), s.width, s.height, s.background)
                                   : Result<Image>(picture.error());
    if (!canvas) {
      if (!s.skipBadPictures) return fail(e.path + ": " + canvas.message());
      outcome.skipped.push_back({e.path, canvas.message()});
    } else {
      auto jpeg = TempFile::create(".jpg");
      if (!jpeg) return jpeg.error();
      if (jpeg.value().path().size() >= kAlbumPathSize)
        return fail("the temporary folder's path is too long: " + jpeg.value().path());
      if (Status w = writeJpeg(jpeg.value().path(), canvas.value()); !w)
        return fail(jpeg.value().path() + ": " + w.message());
      AlbumPicture entry{};
      std::memcpy(entry.path, jpeg.value().path().c_str(), jpeg.value().path().size() + 1);
      entry.transition = e.transition;
      entry.reserved = 0;
      entries.push_back(entry);
      transitions.push_back(e.transition);
      jpegs.push_back(std::move(jpeg.value()));
    }
    if (!report(MakeStage::Pictures, i + 1, count)) return fail("cancelled");
  }
  if (entries.empty()) return fail("none of the pictures could be read");

  outcome.pictureCount = static_cast<int>(entries.size());
  outcome.pauseSeconds =
      s.fitToMusic ? pauseForDuration(outcome.musicSeconds, transitions, s.width, s.height) : s.pauseSeconds;

  std::vector<AlbumPicture*> pointers;
  for (AlbumPicture& e : entries) pointers.push_back(&e);
  const std::string stagingPath = staging.value().path();
  AlbumJob job{};
  job.size = kAlbumJobSize;
  job.ownerWindow = nullptr;
  job.outputPath = stagingPath.c_str();
  job.musicPath = s.musicPath.empty() ? nullptr : music.path().c_str();
  job.backgroundColor = std::uint32_t{s.background.r} | std::uint32_t{s.background.g} << 8 |
                        std::uint32_t{s.background.b} << 16;
  job.width = s.width;
  job.height = s.height;
  job.overBackground = 0;
  job.pauseSeconds = outcome.pauseSeconds;
  job.loop = s.loop ? 1 : 0;
  job.pictures = pointers.data();
  job.pictureCount = static_cast<std::uint32_t>(pointers.size());
  job.notifyMessage = 1124;

  if (!report(MakeStage::Movie, 0, 1)) return fail("cancelled");
  AlbumReport built;
  const int accepted = buildAlbum(&job, &built);
  if (!accepted) {
    return fail(s.outputPath + ": the movie could not be made" +
                (built.message.empty() ? std::string() : " (" + built.message + ")"));
  }
  if (!s.musicPath.empty() && built.music != MusicStatus::Used)
    return fail(s.musicPath + ": the re-encoded music could not be put into the movie");
  if (!movieIsComplete(stagingPath, outcome.movieBytes))
    return fail(s.outputPath + ": the movie could not be written completely (is the disk full?)");
  outcome.frameCount = built.frameCount;

  fs::rename(stagingPath, s.outputPath, ec);
  if (ec) return fail(s.outputPath + ": cannot put the movie in place (" + ec.message() + ")");
  staging.value().release();
  report(MakeStage::Movie, 1, 1);
  return outcome;
}

}  // namespace slidewright::media
