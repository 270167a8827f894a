#include "maker/album_maker.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "album/album_job.h"
#include "album/transition.h"
#include "media/canvas.h"
#include "media/jpeg_writer.h"
#include "media/mp3.h"
#include "media/picture.h"
#include "media/temp_file.h"

namespace slidewright::maker {

namespace fs = std::filesystem;
using media::DecodeOptions;
using media::ErrorKind;
using media::TempFile;

int slideFrameCount(int transition, int width, int height) {
  if (transition < 0 || transition >= kTransitionCount) return 0;
  return static_cast<int>(transitionFrameCount(TransitionTable[transition], width, height));
}

namespace {

// The whole seconds of hold that make the slides last about `seconds`,
// before they are kept within the limits.
long unlimitedPause(double seconds, const std::vector<int>& transitions, int width, int height) {
  // Each slide is its transition, the hold and one frame for the settled picture.
  double fixedFrames = 0;
  for (int t : transitions) fixedFrames += slideFrameCount(t, width, height) + 1;
  const double holdFrames = seconds * kAlbumFrameRate - fixedFrames;
  return std::lround(holdFrames / (double(kAlbumFrameRate) * static_cast<double>(transitions.size())));
}

}  // namespace

int pauseForDuration(double seconds, const std::vector<int>& transitions, int width, int height) {
  if (transitions.empty()) return kMinPause;
  const long pause = unlimitedPause(seconds, transitions, width, height);
  return static_cast<int>(std::clamp<long>(pause, kMinPause, kMaxPause));
}

MusicFit musicFitFor(double seconds, const std::vector<int>& transitions, int width, int height) {
  if (transitions.empty()) return MusicFit::Fitted;
  const long pause = unlimitedPause(seconds, transitions, width, height);
  if (pause > kMaxPause) return MusicFit::MusicOutlastsShow;
  if (pause < kMinPause) return MusicFit::ShowOutlastsMusic;
  return MusicFit::Fitted;
}

static_assert(kLongestPause == static_cast<int>(kMaxMovieFrames / kAlbumFrameRate));

int longestPause(const std::vector<int>& transitions, int width, int height) {
  if (transitions.empty()) return kLongestPause;
  // As the album builder counts: each slide is its transition, the hold and
  // one frame for the settled picture.
  long long fixedFrames = 0;
  for (int t : transitions) fixedFrames += slideFrameCount(t, width, height) + 1;
  const long long room = static_cast<long long>(kMaxMovieFrames) - fixedFrames;
  if (room < 0) return -1;
  return static_cast<int>(room / (static_cast<long long>(kAlbumFrameRate) * transitions.size()));
}

namespace {

MakeError makeError(MakeErrorKind kind, const std::string& path, const std::string& reason,
                    ErrorKind cause = ErrorKind::Internal) {
  return MakeError{kind, path, path.empty() ? reason : path + ": " + reason, cause};
}

MakeError cancelled() { return MakeError{MakeErrorKind::Cancelled, std::string(), "cancelled"}; }

// Reports progress; false when the caller asked to stop.
class Reporter {
 public:
  explicit Reporter(const MakeProgressCallback& callback) : callback_(callback) {}
  bool operator()(MakeStage stage, std::uint64_t done, std::uint64_t total) const {
    return !callback_ || callback_(MakeProgress{stage, done, total});
  }

 private:
  const MakeProgressCallback& callback_;  // not owned
};

std::string range(int low, int high) { return std::to_string(low) + " to " + std::to_string(high); }

// The settings a make needs before it reads anything.
std::optional<MakeError> checkSettings(const AlbumSettings& s) {
  auto bad = [](const std::string& why) { return makeError(MakeErrorKind::Settings, std::string(), why); };
  if (s.pictures.empty()) return bad("no pictures were given");
  if (s.width < kMinWidth || s.width > kMaxWidth)
    return bad("the album width must be " + range(kMinWidth, kMaxWidth) + " pixels");
  if (s.height < kMinHeight || s.height > kMaxHeight)
    return bad("the album height must be " + range(kMinHeight, kMaxHeight) + " pixels");
  std::vector<int> transitions;
  for (const AlbumEntry& e : s.pictures) {
    if (e.transition < 0 || e.transition >= kTransitionCount)
      return makeError(MakeErrorKind::Settings, e.path,
                       "the transition must be 0 to " + std::to_string(kTransitionCount - 1));
    transitions.push_back(e.transition);
  }
  // The movie counts at most 65535 frames, which bounds the hold (the
  // pictures' count and transitions decide how far).
  const int longest = longestPause(transitions, s.width, s.height);
  if (longest < 0)
    return bad("the " + std::to_string(s.pictures.size()) +
               " pictures are too many for one movie (more than 65535 frames)");
  if (!s.fitToMusic && s.pauseSeconds < 0) return bad("the seconds per picture cannot be negative");
  if (!s.fitToMusic && s.pauseSeconds > longest)
    return bad("the seconds per picture must be " + range(0, longest) + " for these " +
               std::to_string(s.pictures.size()) + " pictures (a movie counts at most 65535 frames)");
  if (s.outputPath.empty()) return bad("no output file was given");
  if (s.fitToMusic && s.musicPath.empty()) return bad("fitting the show to the music needs music");
  return std::nullopt;
}

// Finds an output the movie cannot be written to before any slow work: the
// movie writer's own checks (an existing movie that may not be changed, a
// folder that takes no new file), made early.
std::optional<MakeError> checkOutput(const std::string& outputPath) {
  std::error_code ec;
  if (fs::is_directory(outputPath, ec))
    return makeError(MakeErrorKind::Output, outputPath, "is a folder, not a movie file name");
  const SwfWriteResult destination = checkMovieDestination(outputPath);
  if (!destination) return makeError(MakeErrorKind::Output, outputPath, destination.reason);
  return std::nullopt;
}

struct EncodedMusic {
  TempFile file;  // empty without music
  double seconds = 0;
};

// Re-encodes the music to a temporary MP3, reporting progress.
MakeResult<EncodedMusic> encodeMusic(const std::string& musicPath, const Reporter& report) {
  EncodedMusic music;
  if (musicPath.empty()) return music;
  auto made = TempFile::create(".mp3");
  if (!made) return makeError(MakeErrorKind::TempFiles, std::string(), made.message());
  music.file = std::move(made.value());
  auto encoded = media::reencodeMp3(
      musicPath, music.file.path(),
      [&](std::uint64_t done, std::uint64_t total) { return report(MakeStage::Music, done, total); });
  if (!encoded) {
    if (encoded.kind() == ErrorKind::Cancelled) return cancelled();
    return makeError(MakeErrorKind::Music, musicPath, encoded.message(), encoded.kind());
  }
  music.seconds = encoded.value().seconds;
  return music;
}

// One picture rendered to a temporary JPEG, or why not: a picture error
// concerns the picture (it may be skipped), a fatal error the temporary files.
struct Rendered {
  bool done = false;
  TempFile jpeg;
  std::string pictureError;
  ErrorKind pictureErrorKind = ErrorKind::Internal;
  std::string fatalError;
};

Rendered renderPicture(const AlbumEntry& e, const DecodeOptions& decode, int width, int height,
                       Rgb background) {
  Rendered r;
  try {
    auto picture = media::loadPicture(e.path, decode);
    if (!picture) {
      r.pictureError = picture.message();
      r.pictureErrorKind = picture.kind();
      return r;
    }
    auto canvas = media::renderCanvas(picture.value(), width, height, background);
    if (!canvas) {
      r.pictureError = canvas.message();
      r.pictureErrorKind = canvas.kind();
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
    if (media::Status w = media::writeJpeg(jpeg.value().path(), canvas.value()); !w) {
      r.fatalError = jpeg.value().path() + ": " + w.message();
      return r;
    }
    r.jpeg = std::move(jpeg.value());
  } catch (const std::bad_alloc&) {
    r.jpeg.remove();
    r.pictureError = "not enough memory to render the picture";
    r.pictureErrorKind = ErrorKind::TooLarge;
  }
  return r;
}

// Renders every picture on a few worker threads, each taking the next
// picture in album order; this thread only reports progress, so the callback
// always runs on the caller's thread. Stops early at the first failure that
// ends the make. Returns the slots in album order, or Cancelled.
MakeResult<std::vector<Rendered>> renderPictures(const AlbumSettings& s, const Reporter& report) {
  const std::size_t count = s.pictures.size();
  if (!report(MakeStage::Pictures, 0, count)) return cancelled();
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
  bool stopped = false;
  {
    std::unique_lock<std::mutex> lock(mutex);
    std::size_t reported = 0;
    for (;;) {
      changed.wait(lock, [&] { return (!stopped && finished != reported) || running == 0; });
      if (!stopped && finished != reported) {
        // One report for every finished picture, as a single-threaded loop would give.
        const std::size_t upTo = finished;
        lock.unlock();
        bool go = true;
        while (go && reported < upTo) go = report(MakeStage::Pictures, ++reported, count);
        lock.lock();
        if (!go) stop = stopped = true;
      } else if (running == 0) {
        break;
      }
    }
  }
  for (std::thread& t : threads) t.join();
  if (stopped) return cancelled();
  return slots;
}

// The album's pictures in order, with the pictures left out and why.
struct Slides {
  std::vector<AlbumPicture> entries;
  std::vector<int> transitions;
};

// Turns the rendered slots into album entries. The first failure in album
// order decides; every picture before it was taken by a worker before it, so
// it has been rendered.
MakeResult<Slides> collectSlides(const AlbumSettings& s, const std::vector<Rendered>& slots,
                                 std::vector<SkippedPicture>& skipped) {
  Slides slides;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    const Rendered& r = slots[i];
    if (!r.done) continue;
    if (!r.fatalError.empty()) return makeError(MakeErrorKind::TempFiles, std::string(), r.fatalError);
    if (!r.pictureError.empty()) {
      if (!s.skipBadPictures)
        return makeError(MakeErrorKind::Picture, s.pictures[i].path, r.pictureError, r.pictureErrorKind);
      skipped.push_back({s.pictures[i].path, r.pictureError});
      continue;
    }
    AlbumPicture entry{};
    std::memcpy(entry.path, r.jpeg.path().c_str(), r.jpeg.path().size() + 1);
    entry.transition = s.pictures[i].transition;
    entry.reserved = 0;
    slides.entries.push_back(entry);
    slides.transitions.push_back(s.pictures[i].transition);
  }
  if (slides.entries.empty()) {
    // Say why, or the user is left guessing; one reason is enough to act on.
    std::string message = "none of the pictures could be read";
    if (!skipped.empty())
      message += " (" + skipped.front().path + ": " + skipped.front().reason +
                 (skipped.size() > 1 ? ", and " + std::to_string(skipped.size() - 1) + " more" : "") + ")";
    return MakeError{MakeErrorKind::Picture, skipped.empty() ? std::string() : skipped.front().path, message};
  }
  return slides;
}

std::uint32_t colorRef(Rgb c) {
  return std::uint32_t{c.r} | std::uint32_t{c.g} << 8 | std::uint32_t{c.b} << 16;
}

// Fills the album job; it points into `pointers` and `music`, which must
// outlive it.
AlbumJob fillJob(const AlbumSettings& s, const EncodedMusic& music, int pauseSeconds,
                 std::vector<AlbumPicture*>& pointers) {
  AlbumJob job{};
  job.size = kAlbumJobSize;
  job.ownerWindow = nullptr;
  job.outputPath = s.outputPath.c_str();
  job.musicPath = s.musicPath.empty() ? nullptr : music.file.path().c_str();
  job.backgroundColor = colorRef(s.background);
  job.width = s.width;
  job.height = s.height;
  job.overBackground = 0;
  job.pauseSeconds = pauseSeconds;
  job.loop = s.loop ? 1 : 0;
  job.pictures = pointers.data();
  job.pictureCount = static_cast<std::uint32_t>(pointers.size());
  job.notifyMessage = EncodeProgress;
  return job;
}

// Builds and writes the movie; the movie writer stages it beside the output
// and moves it there only when it is complete.
std::optional<MakeError> buildMovie(const AlbumSettings& s, const AlbumJob& job, MakeOutcome& outcome) {
  AlbumReport built;
  if (!buildAlbum(&job, &built)) {
    if (built.failure == AlbumFailure::NotWritten)
      return makeError(MakeErrorKind::Output, s.outputPath, built.written.reason);
    return makeError(
        MakeErrorKind::Output, s.outputPath,
        "the movie could not be made" + (built.message.empty() ? "" : " (" + built.message + ")"));
  }
  if (!s.musicPath.empty() && built.music != MusicStatus::Used)
    return makeError(MakeErrorKind::Music, s.musicPath,
                     "the re-encoded music could not be put into the movie");
  std::error_code ec;
  outcome.movieBytes = fs::file_size(s.outputPath, ec);
  outcome.frameCount = built.frameCount;
  return std::nullopt;
}

}  // namespace

MakeResult<MakeOutcome> makeAlbum(const AlbumSettings& s, const MakeProgressCallback& progress) {
  if (auto bad = checkSettings(s)) return *bad;
  if (auto bad = checkOutput(s.outputPath)) return *bad;
  const Reporter report(progress);

  auto music = encodeMusic(s.musicPath, report);
  if (!music) return music.error();
  auto rendered = renderPictures(s, report);
  if (!rendered) return rendered.error();

  MakeOutcome outcome;
  outcome.musicSeconds = music.value().seconds;
  auto slides = collectSlides(s, rendered.value(), outcome.skipped);
  if (!slides) return slides.error();
  outcome.pictureCount = static_cast<int>(slides.value().entries.size());
  outcome.pauseSeconds = s.pauseSeconds;
  if (s.fitToMusic) {
    const std::vector<int>& transitions = slides.value().transitions;
    outcome.pauseSeconds = pauseForDuration(outcome.musicSeconds, transitions, s.width, s.height);
    outcome.musicFit = musicFitFor(outcome.musicSeconds, transitions, s.width, s.height);
  }

  std::vector<AlbumPicture*> pointers;
  for (AlbumPicture& e : slides.value().entries) pointers.push_back(&e);
  const AlbumJob job = fillJob(s, music.value(), outcome.pauseSeconds, pointers);
  if (!report(MakeStage::Movie, 0, 1)) return cancelled();
  if (auto bad = buildMovie(s, job, outcome)) return *bad;
  report(MakeStage::Movie, 1, 1);
  return outcome;
}

}  // namespace slidewright::maker
