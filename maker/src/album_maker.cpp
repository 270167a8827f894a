#include "maker/album_maker.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "album/album_job.h"
#include "media/canvas.h"
#include "media/jpeg_writer.h"
#include "media/mp3.h"
#include "media/picture.h"
#include "media/temp_file.h"

namespace slidewright::maker {

using namespace media;

namespace fs = std::filesystem;

int transitionFrameCount(int transition, int width, int height) {
  if (transition == 9) return 27;              // the cross-fade
  int n = height / 12;                         // the wipes, circle, diagonals and rectangle
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
  const std::uint64_t length =
      std::uint64_t{h[4]} | std::uint64_t{h[5]} << 8 | std::uint64_t{h[6]} << 16 | std::uint64_t{h[7]} << 24;
  return length == bytes;
}

std::string fileNameOf(const std::string& path) {
  std::string name = fs::path(path).filename().string();
  return name.empty() ? "album.swf" : name;
}

// One picture rendered to a temporary JPEG, or why not: a picture error
// concerns the picture (it may be skipped), a fatal error the temporary files.
struct Rendered {
  bool done = false;
  TempFile jpeg;
  std::string pictureError;
  std::string fatalError;
};

Rendered renderPicture(const AlbumEntry& e, const DecodeOptions& decode, int W, int H, Rgb background) {
  Rendered r;
  try {
    auto picture = loadPicture(e.path, decode);
    if (!picture) {
      r.pictureError = picture.message();
      return r;
    }
    auto canvas = renderCanvas(picture.value(), W, H, background);
    if (!canvas) {
      r.pictureError = canvas.message();
      return r;
    }
    auto jpeg = TempFile::create(".jpg");
    if (!jpeg) {
      r.fatalError = jpeg.message();
      return r;
    }
    if (jpeg.value().path().size() >= kAlbumPathSize) {
      r.fatalError = "the temporary folder's path is too long: " + jpeg.value().path();
      return r;
    }
    if (Status w = writeJpeg(jpeg.value().path(), canvas.value()); !w) {
      r.fatalError = jpeg.value().path() + ": " + w.message();
      return r;
    }
    r.jpeg = std::move(jpeg.value());
  } catch (const std::bad_alloc&) {
    r.jpeg.remove();
    r.pictureError = "not enough memory to render the picture";
  }
  return r;
}

}  // namespace

Result<MakeOutcome> makeAlbum(const AlbumSettings& s, const MakeProgressCallback& progress) {
  if (s.pictures.empty()) return fail("no pictures were given");
  if (s.width < kMinWidth || s.width > kMaxWidth)
    return fail("the album width must be " + std::to_string(kMinWidth) + " to " + std::to_string(kMaxWidth) +
                " pixels");
  if (s.height < kMinHeight || s.height > kMaxHeight)
    return fail("the album height must be " + std::to_string(kMinHeight) + " to " +
                std::to_string(kMaxHeight) + " pixels");
  if (!s.fitToMusic && (s.pauseSeconds < kMinPause || s.pauseSeconds > kMaxPause))
    return fail("the seconds per picture must be " + std::to_string(kMinPause) + " to " +
                std::to_string(kMaxPause));
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
  if (fs::is_directory(s.outputPath, ec)) return fail(s.outputPath + ": is a folder, not a movie file name");
  // Moving the new movie into place goes around the old file's own
  // permissions, so ask first whether it may be changed: a read-only movie,
  // or one another program holds, is refused and kept.
  if (fs::exists(s.outputPath, ec)) {
    errno = 0;
    std::FILE* existing = std::fopen(s.outputPath.c_str(), "r+b");
    if (!existing) {
      const int error = errno;
      return fail(s.outputPath + ": the existing movie cannot be replaced (" + std::strerror(error) +
                  "); is it read-only or open in another program?");
    }
    std::fclose(existing);
  }
  std::string outDir = fs::path(s.outputPath).parent_path().string();
  if (outDir.empty()) outDir = ".";
  auto staging =
      TempFile::createIn(outDir, "." + fileNameOf(s.outputPath) + ".", ".part", TempFile::Access::Shared);
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

  // Pictures are rendered by a few worker threads, each taking the next
  // picture in album order; this thread only reports progress, so the
  // callback always runs on the caller's thread.
  const std::size_t count = s.pictures.size();
  if (!report(MakeStage::Pictures, 0, count)) return fail("cancelled");
  DecodeOptions decode;
  decode.background = s.background;
  decode.fitWidth = s.width;
  decode.fitHeight = s.height;
  std::vector<Rendered> slots(count);
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t next = 0, finished = 0;
  unsigned running = 0;
  bool stop = false;
  auto work = [&] {
    for (;;) {
      std::size_t i;
      {
        std::lock_guard<std::mutex> lock(mutex);
        if (stop || next >= count) break;
        i = next++;
      }
      Rendered r = renderPicture(s.pictures[i], decode, s.width, s.height, s.background);
      std::lock_guard<std::mutex> lock(mutex);
      if (!r.fatalError.empty() || (!r.pictureError.empty() && !s.skipBadPictures)) stop = true;
      slots[i] = std::move(r);
      slots[i].done = true;
      ++finished;
      changed.notify_all();
    }
    std::lock_guard<std::mutex> lock(mutex);
    --running;
    changed.notify_all();
  };
  const unsigned workers = static_cast<unsigned>(
      std::min<std::size_t>(count, std::clamp(std::thread::hardware_concurrency(), 1u, 4u)));
  std::vector<std::thread> threads;
  running = workers;
  for (unsigned k = 0; k < workers; ++k) threads.emplace_back(work);
  bool cancelled = false;
  {
    std::unique_lock<std::mutex> lock(mutex);
    std::size_t reported = 0;
    for (;;) {
      changed.wait(lock, [&] { return (!cancelled && finished != reported) || running == 0; });
      if (!cancelled && finished != reported) {
        // One report for every finished picture, as a single-threaded loop would give.
        const std::size_t upTo = finished;
        lock.unlock();
        bool go = true;
        while (go && reported < upTo) go = report(MakeStage::Pictures, ++reported, count);
        lock.lock();
        if (!go) stop = cancelled = true;
      } else if (running == 0) {
        break;
      }
    }
  }
  for (std::thread& t : threads) t.join();
  if (cancelled) return fail("cancelled");

  // The first failure in album order decides; every picture before it was
  // taken by a worker before it, so it has been rendered.
  std::vector<AlbumPicture> entries;
  std::vector<int> transitions;
  for (std::size_t i = 0; i < count; ++i) {
    Rendered& r = slots[i];
    if (!r.done) continue;
    if (!r.fatalError.empty()) return fail(r.fatalError);
    if (!r.pictureError.empty()) {
      if (!s.skipBadPictures) return fail(s.pictures[i].path + ": " + r.pictureError);
      outcome.skipped.push_back({s.pictures[i].path, r.pictureError});
      continue;
    }
    AlbumPicture entry{};
    std::memcpy(entry.path, r.jpeg.path().c_str(), r.jpeg.path().size() + 1);
    entry.transition = s.pictures[i].transition;
    entry.reserved = 0;
    entries.push_back(entry);
    transitions.push_back(s.pictures[i].transition);
  }
  if (entries.empty()) {
    // Say why, or the user is left guessing; one reason is enough to act on.
    std::string message = "none of the pictures could be read";
    if (!outcome.skipped.empty())
      message += " (" + outcome.skipped.front().path + ": " + outcome.skipped.front().reason +
                 (outcome.skipped.size() > 1 ? ", and " + std::to_string(outcome.skipped.size() - 1) + " more"
                                             : "") +
                 ")";
    return fail(message);
  }

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

  // A movie that replaces another keeps its permissions (a private one
  // stays private).
  if (fs::is_regular_file(s.outputPath, ec)) {
    const auto previous = fs::status(s.outputPath, ec);
    if (!ec) fs::permissions(stagingPath, previous.permissions(), ec);
  }
  fs::rename(stagingPath, s.outputPath, ec);
  if (ec) return fail(s.outputPath + ": cannot put the movie in place (" + ec.message() + ")");
  staging.value().release();
  report(MakeStage::Movie, 1, 1);
  return outcome;
}

}  // namespace slidewright::maker
