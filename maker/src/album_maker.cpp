#include "maker/album_maker.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "album/album.h"
#include "common/utf8_path.h"
#include "album/transition.h"
#include "media/canvas.h"
#include "media/caption_text.h"
#include "media/jpeg_writer.h"
#include "media/mp3.h"
#include "media/picture.h"

namespace slidewright::maker {

namespace fs = std::filesystem;

std::optional<media::Rgb> parseColour(std::string text) {
  if (!text.empty() && text[0] == '#') text.erase(0, 1);
  if (text.size() != 6) return std::nullopt;
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
  const unsigned long v = std::strtoul(text.c_str(), nullptr, 16);
  return media::Rgb{static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                    static_cast<std::uint8_t>(v)};
}
using media::DecodeOptions;
using media::ErrorKind;

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
  std::vector<AlbumEntry> pictures;
  for (int t : transitions) pictures.push_back({std::string(), t});
  return longestAlbumPause(pictures, width, height);
}

int longestAlbumPause(const std::vector<AlbumEntry>& pictures, int width, int height) {
  // As the album builder counts: each slide is its transition, its hold and
  // one frame for the settled picture; own holds count among the fixed frames.
  long long fixedFrames = 0, albumHeld = 0;
  for (const AlbumEntry& e : pictures) {
    fixedFrames += slideFrameCount(e.transition, width, height) + 1;
    if (e.holdSeconds)
      fixedFrames += static_cast<long long>(std::max(*e.holdSeconds, 0)) * kAlbumFrameRate;
    else
      ++albumHeld;
  }
  const long long room = static_cast<long long>(kMaxMovieFrames) - fixedFrames;
  if (room < 0) return -1;
  if (albumHeld == 0) return kLongestPause;
  return static_cast<int>(
      std::min<long long>(kLongestPause, room / (static_cast<long long>(kAlbumFrameRate) * albumHeld)));
}

std::uint32_t showFrameCount(const std::vector<AlbumEntry>& pictures, int pauseSeconds, int width,
                             int height) {
  // Each slide is its transition, its hold and one frame for the settled picture.
  std::uint64_t frames = 0;
  for (const AlbumEntry& e : pictures)
    frames += static_cast<std::uint64_t>(slideFrameCount(e.transition, width, height)) + 1 +
              static_cast<std::uint64_t>(std::max(e.holdSeconds.value_or(pauseSeconds), 0)) * kAlbumFrameRate;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, UINT32_MAX));
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
  for (std::size_t i = 0; i < s.pictures.size(); ++i) {
    const AlbumEntry& e = s.pictures[i];
    if (e.transition < 0 || e.transition >= kTransitionCount)
      return makeError(MakeErrorKind::Settings, e.path,
                       "the transition must be 0 to " + std::to_string(kTransitionCount - 1));
    if (e.motion.kind == MotionKind::Explicit) {
      std::string why = checkMotionRect(e.motion.start);
      if (why.empty()) why = checkMotionRect(e.motion.end);
      if (!why.empty())
        return makeError(MakeErrorKind::Settings, e.path, "picture " + std::to_string(i + 1) + ": " + why);
    }
    if (e.holdSeconds && (*e.holdSeconds < 0 || *e.holdSeconds > kLongestPause))
      return makeError(
          MakeErrorKind::Settings, e.path,
          "picture " + std::to_string(i + 1) + ": its seconds must be " + range(0, kLongestPause));
  }
  // The movie counts at most 65535 frames, which bounds the hold (the
  // pictures' count, transitions and own holds decide how far).
  const int longest = longestAlbumPause(s.pictures, s.width, s.height);
  if (longest < 0)
    return bad("the " + std::to_string(s.pictures.size()) +
               " pictures are too many for one movie (more than 65535 frames)");
  if (!s.fitToMusic && s.pauseSeconds < 0) return bad("the seconds per picture cannot be negative");
  if (!s.fitToMusic && s.pauseSeconds > longest)
    return bad("the seconds per picture must be " + range(0, longest) + " for these " +
               std::to_string(s.pictures.size()) + " pictures (a movie counts at most 65535 frames)");
  if (s.fadeOutSeconds < 0 || s.fadeOutSeconds > kLongestFadeOut)
    return bad("the fade-out must be " + range(0, kLongestFadeOut) + " seconds");
  if (s.outputPath.empty()) return bad("no output file was given");
  if (s.fitToMusic && s.musicPath.empty()) return bad("fitting the show to the music needs music");
  return std::nullopt;
}

// Finds an output the movie cannot be written to before any slow work: the
// movie writer's own checks (an existing movie that may not be changed, a
// folder that takes no new file), made early.
std::optional<MakeError> checkOutput(const std::string& outputPath) {
  std::error_code ec;
  if (fs::is_directory(slidewright::pathFromUtf8(outputPath), ec))
    return makeError(MakeErrorKind::Output, outputPath, "is a folder, not a movie file name");
  const SwfWriteResult destination = checkMovieDestination(outputPath);
  if (!destination) return makeError(MakeErrorKind::Output, outputPath, destination.error().reason);
  return std::nullopt;
}

struct EncodedMusic {
  std::optional<std::vector<std::uint8_t>> mp3;  // none without music
  double seconds = 0;
};

MakeError musicError(const std::string& musicPath, const media::Error& error) {
  if (error.kind == ErrorKind::Cancelled) return cancelled();
  return makeError(MakeErrorKind::Music, musicPath, error.message, error.kind);
}

// Re-encodes the music, reporting progress. A music that is to fade is only
// measured here: the show's length, which the fade needs, is known once the
// pictures are (see fadeMusic).
MakeResult<EncodedMusic> encodeMusic(const AlbumSettings& s, const Reporter& report) {
  EncodedMusic music;
  if (s.musicPath.empty()) return music;
  auto progress = [&](std::uint64_t done, std::uint64_t total) {
    return report(MakeStage::Music, done, total);
  };
  if (s.fadeOutSeconds > 0) {
    auto measured = media::measureMp3(s.musicPath, progress);
    if (!measured) return musicError(s.musicPath, measured.error());
    music.seconds = measured.value().seconds;
    return music;
  }
  auto encoded = media::reencodeMp3(s.musicPath, progress);
  if (!encoded) return musicError(s.musicPath, encoded.error());
  music.seconds = encoded.value().summary.seconds;
  music.mp3 = std::move(encoded.value().mp3);
  return music;
}

// Re-encodes the music faded over the last fadeOutSeconds of a show of
// showFrames frames and cut at its end. Its progress is the movie's first step.
MakeResult<EncodedMusic> fadeMusic(const AlbumSettings& s, std::uint32_t showFrames, double musicSeconds,
                                   const Reporter& report) {
  EncodedMusic music;
  music.seconds = musicSeconds;
  const auto fade = media::FadeOut::overEnd(double(showFrames) / kAlbumFrameRate, s.fadeOutSeconds);
  auto encoded = media::reencodeMp3(
      s.musicPath, [&](std::uint64_t, std::uint64_t) { return report(MakeStage::Movie, 0, 1); }, fade);
  if (!encoded) return musicError(s.musicPath, encoded.error());
  music.mp3 = std::move(encoded.value().mp3);
  return music;
}

// One picture rendered to the JPEG bytes of its slide, or why not.
struct Rendered {
  bool done = false;
  std::vector<std::uint8_t> jpeg;
  std::string error;
  ErrorKind errorKind = ErrorKind::Internal;
};

Rendered renderPicture(const AlbumEntry& e, const DecodeOptions& decode, int width, int height,
                       Rgb background) {
  Rendered r;
  try {
    auto picture = media::loadPicture(e.path, decode);
    if (!picture) {
      r.error = picture.message();
      r.errorKind = picture.kind();
      return r;
    }
    auto canvas = media::renderCanvas(picture.value(), width, height, background);
    if (!canvas) {
      r.error = canvas.message();
      r.errorKind = canvas.kind();
      return r;
    }
    auto jpeg = media::encodeJpeg(canvas.value());
    if (!jpeg) {
      r.error = jpeg.message();
      r.errorKind = jpeg.kind();
      return r;
    }
    r.jpeg = std::move(jpeg.value());
  } catch (const std::bad_alloc&) {
    r.jpeg = std::vector<std::uint8_t>();
    r.error = "not enough memory to render the picture";
    r.errorKind = ErrorKind::TooLarge;
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
      if (!r.error.empty() && !s.skipBadPictures) stop = true;
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

// The album's slides in order, with the transitions they use.
struct Slides {
  std::vector<AlbumSlide> slides;
  std::vector<int> transitions;
  std::vector<std::optional<int>> holds;  // each slide's own hold, if it has one
};

// Turns the rendered slots into the album's slides, their JPEG bytes moved
// along. The first failure in album order decides; every picture before it
// was taken by a worker before it, so it has been rendered.
MakeResult<Slides> collectSlides(const AlbumSettings& s, std::vector<Rendered>& slots,
                                 std::vector<std::optional<AlbumCaption>>& captions,
                                 std::vector<SkippedPicture>& skipped) {
  Slides slides;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    Rendered& r = slots[i];
    if (!r.done) continue;
    if (!r.error.empty()) {
      if (!s.skipBadPictures)
        return makeError(MakeErrorKind::Picture, s.pictures[i].path, r.error, r.errorKind);
      skipped.push_back({s.pictures[i].path, r.error});
      continue;
    }
    AlbumSlide slide;
    slide.jpeg = std::move(r.jpeg);
    slide.transition = s.pictures[i].transition;
    slide.motion = s.pictures[i].motion;
    slide.caption = std::move(captions[i]);
    slides.slides.push_back(std::move(slide));
    slides.transitions.push_back(s.pictures[i].transition);
    slides.holds.push_back(s.pictures[i].holdSeconds);
  }
  if (slides.slides.empty()) {
    // Say why, or the user is left guessing; one reason is enough to act on.
    std::string message = "none of the pictures could be read";
    if (!skipped.empty())
      message += " (" + skipped.front().path + ": " + skipped.front().reason +
                 (skipped.size() > 1 ? ", and " + std::to_string(skipped.size() - 1) + " more" : "") + ")";
    return MakeError{MakeErrorKind::Picture, skipped.empty() ? std::string() : skipped.front().path, message};
  }
  return slides;
}

// The album for the builder: the rendered slides, each held for its own
// seconds or else pauseSeconds, and the re-encoded music.
Album albumFor(const AlbumSettings& s, Slides slides, EncodedMusic music, int pauseSeconds) {
  Album album;
  album.width = s.width;
  album.height = s.height;
  album.background = SwfColor(s.background.r, s.background.g, s.background.b);
  album.music = std::move(music.mp3);
  album.loop = s.loop;
  album.seed = s.seed;
  album.slides = std::move(slides.slides);
  for (std::size_t i = 0; i < album.slides.size(); ++i)
    album.slides[i].holdSeconds = slides.holds[i].value_or(pauseSeconds);
  return album;
}

// Builds the movie and writes it; the movie writer stages it beside the
// output and moves it there only when it is complete.
std::optional<MakeError> buildMovie(const AlbumSettings& s, Album album, MakeOutcome& outcome) {
  AlbumBuilder builder;
  if (!builder.build(std::move(album))) {
    const std::string& why = builder.report().message;
    return makeError(MakeErrorKind::Output, s.outputPath,
                     "the movie could not be made" + (why.empty() ? "" : " (" + why + ")"));
  }
  if (!s.musicPath.empty() && builder.report().music != MusicStatus::Used)
    return makeError(MakeErrorKind::Music, s.musicPath,
                     "the re-encoded music could not be put into the movie");
  const SwfWriteResult written = builder.writeFile(s.outputPath);
  if (!written) return makeError(MakeErrorKind::Output, s.outputPath, written.error().reason);
  std::error_code ec;
  outcome.movieBytes = fs::file_size(slidewright::pathFromUtf8(s.outputPath), ec);
  outcome.frameCount = builder.report().frameCount;
  return std::nullopt;
}

}  // namespace

std::optional<MakeError> checkAlbumSettings(const AlbumSettings& settings) { return checkSettings(settings); }

MakeResult<std::vector<std::optional<AlbumCaption>>> layoutCaptions(const std::vector<AlbumEntry>& pictures,
                                                                    int width, int height) {
  std::vector<std::optional<AlbumCaption>> captions(pictures.size());
  auto blank = [](const std::string& text) { return text.find_first_not_of(" \t\r\n") == std::string::npos; };
  if (std::all_of(pictures.begin(), pictures.end(), [&](const AlbumEntry& e) { return blank(e.caption); }))
    return captions;
  auto font = media::findCaptionFont();
  if (!font)
    return makeError(MakeErrorKind::Font, std::string(), "no font for the captions: " + font.message(),
                     font.kind());
  const CaptionStyle style = captionStyle(width, height);
  media::CaptionLayout layout;
  layout.sizePx = style.fontPx;
  layout.maxWidth = style.maxWidth;
  layout.maxLines = 2;
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    if (blank(pictures[i].caption)) continue;
    media::TextOutline text = font.value().layout(pictures[i].caption, layout);
    if (text.contours.empty()) continue;
    captions[i] = AlbumCaption{std::move(text.contours), text.width, text.height};
  }
  return captions;
}

MakeResult<MakeOutcome> makeAlbum(const AlbumSettings& s, const MakeProgressCallback& progress) {
  if (auto bad = checkSettings(s)) return *bad;
  if (auto bad = checkOutput(s.outputPath)) return *bad;
  const Reporter report(progress);

  auto captions = layoutCaptions(s.pictures, s.width, s.height);
  if (!captions) return captions.error();
  auto music = encodeMusic(s, report);
  if (!music) return music.error();
  auto rendered = renderPictures(s, report);
  if (!rendered) return rendered.error();

  MakeOutcome outcome;
  outcome.musicSeconds = music.value().seconds;
  auto slides = collectSlides(s, rendered.value(), captions.value(), outcome.skipped);
  if (!slides) return slides.error();
  outcome.pictureCount = static_cast<int>(slides.value().slides.size());
  outcome.pauseSeconds = s.pauseSeconds;
  if (s.fitToMusic) {
    const std::vector<int>& transitions = slides.value().transitions;
    outcome.pauseSeconds = pauseForDuration(outcome.musicSeconds, transitions, s.width, s.height);
    outcome.musicFit = musicFitFor(outcome.musicSeconds, transitions, s.width, s.height);
  }

  if (!report(MakeStage::Movie, 0, 1)) return cancelled();
  if (s.fadeOutSeconds > 0 && !s.musicPath.empty()) {
    std::vector<AlbumEntry> shown;
    for (std::size_t i = 0; i < slides.value().transitions.size(); ++i)
      shown.push_back({std::string(), slides.value().transitions[i], slides.value().holds[i]});
    const std::uint32_t frames = showFrameCount(shown, outcome.pauseSeconds, s.width, s.height);
    music = fadeMusic(s, frames, outcome.musicSeconds, report);
    if (!music) return music.error();
  }
  Album album = albumFor(s, std::move(slides.value()), std::move(music.value()), outcome.pauseSeconds);
  if (auto bad = buildMovie(s, std::move(album), outcome)) return *bad;
  report(MakeStage::Movie, 1, 1);
  return outcome;
}

}  // namespace slidewright::maker
