// The video export's frame loop: the player steps through the movie once, each
// frame is drawn and encoded (at another video rate, the frames between the
// movie's own are drawn by interpolating what moves or changes between them),
// and the sounds the player starts are mixed into the audio track
// sample-exactly at the frame they start in.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <numeric>

#include "common/utf8_path.h"
#include "export/video_export.h"
#include "player/movie_player.h"
#include "sound_track.h"
#include "staging.h"
#include "video_encoder.h"

namespace slidewright::exports {

namespace {

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

struct MovieSound {
  bool any = false;
  bool stereo = false;
};

MovieSound scanSounds(const player::Movie& movie) {
  MovieSound s;
  for (const player::Tag& tag : movie.tags) {
    if (const auto* d = player::tagAs<player::DefineSoundTag>(tag)) {
      s.any = true;
      s.stereo = s.stereo || d->type == 1;
    }
  }
  return s;
}

// The frames one pass through the movie shows: up to and including the
// first frame whose actions leave it stopped, or all of them. Mirrors the
// player: a stop action after the last ShowFrame belongs to the last frame.
uint64_t framesOfOnePass(const player::Movie& movie) {
  std::vector<std::vector<const player::DoActionTag*>> frames(1);
  for (const player::Tag& tag : movie.tags) {
    if (tag.code == swfTagShowFrame) frames.emplace_back();
    if (const auto* a = player::tagAs<player::DoActionTag>(tag)) frames.back().push_back(a);
  }
  if (frames.size() > 1) {
    auto tail = std::move(frames.back());
    frames.pop_back();
    frames.back().insert(frames.back().end(), tail.begin(), tail.end());
  }
  bool playing = true;
  for (size_t i = 0; i < frames.size(); ++i) {
    for (const auto* a : frames[i])
      for (const player::Action& action : a->actions) {
        if (action.code == player::kActionStop) playing = false;
        if (action.code == player::kActionPlay) playing = true;
      }
    if (!playing) return i + 1;
  }
  return frames.size();
}

// Outside the stage (the bars of a picture scaled to a size of other
// proportions) shows the background colour only: shapes reaching past the
// stage, such as the opening circle, would otherwise smear into the bars.
void clearOutsideStage(player::Image& canvas, const player::MoviePlayer& movie, player::Rgba bg) {
  const player::Transform t = movie.stageTransform(canvas.width, canvas.height, true);
  const player::Rect& r = movie.header().frameRect;
  double x0, y0, x1, y1;
  t.apply(r.xMin, r.yMin, &x0, &y0);
  t.apply(r.xMax, r.yMax, &x1, &y1);
  const int left = std::clamp(int(std::floor(x0)), 0, canvas.width);
  const int right = std::clamp(int(std::ceil(x1)), left, canvas.width);
  const int top = std::clamp(int(std::floor(y0)), 0, canvas.height);
  const int bottom = std::clamp(int(std::ceil(y1)), top, canvas.height);
  auto paint = [&](int y, int from, int to) {
    uint8_t* p = canvas.row(y) + size_t(from) * 4;
    for (int x = from; x < to; ++x, p += 4) p[0] = bg.r, p[1] = bg.g, p[2] = bg.b, p[3] = 255;
  };
  for (int y = 0; y < canvas.height; ++y) {
    if (y < top || y >= bottom) {
      paint(y, 0, canvas.width);
    } else {
      paint(y, 0, left);
      paint(y, right, canvas.width);
    }
  }
}

// Copies `picture` into the top-left corner of `frame`, which is one pixel
// wider or higher for an odd size (yuv420p needs even sides); the extra
// column and row show the background colour.
void placeOnEvenFrame(const player::Image& picture, player::Image& frame, player::Rgba background) {
  frame.fill(background);
  for (int y = 0; y < picture.height; ++y)
    std::memcpy(frame.row(y), picture.row(y), size_t(picture.width) * 4);
}

// Where video frames fall in the movie: video frame j shows movie position
// j * num / den (in movie frames), num / den being the movie's frame rate
// over the video's; equal rates give one video frame per movie frame.
struct VideoClock {
  uint64_t num, den;

  // The first video frame at or after the start of movie frame k.
  uint64_t firstVideoFrame(uint64_t k) const { return (k * den + num - 1) / num; }
  // How far video frame j lies past the start of movie frame k, 0 to 1.
  double fraction(uint64_t j, uint64_t k) const { return double(j * num - k * den) / double(den); }
};

}  // namespace

std::optional<VideoFormat> videoFormatForName(const std::string& path) {
  const std::string name = lower(utf8FromPath(pathFromUtf8(path).filename()));
  auto endsWith = [&](const char* tail) {
    const size_t n = std::strlen(tail);
    return name.size() > n && name.compare(name.size() - n, n, tail) == 0;
  };
  if (endsWith(".mp4")) return VideoFormat::Mp4;
  if (endsWith(".webm")) return VideoFormat::WebM;
  return std::nullopt;
}

CrfRange crfRange(VideoFormat format) {
  return format == VideoFormat::Mp4 ? CrfRange{0, 51, 23} : CrfRange{0, 63, 32};
}

Result<int> checkedQuality(VideoFormat format, int crf, const std::string& preset) {
  const CrfRange range = crfRange(format);
  if (crf < 0) crf = range.standard;
  if (crf < range.lowest || crf > range.highest)
    return fail(ErrorKind::Settings, "the quality (crf) must be " + std::to_string(range.lowest) + " to " +
                                         std::to_string(range.highest) + " for this format");
  if (videoPresetIndex(preset) < 0) return fail(ErrorKind::Settings, "unknown preset '" + preset + "'");
  return crf;
}

Result<VideoOutcome> exportVideo(const VideoOptions& o, const VideoProgressCallback& progress) {
  const auto quality = checkedQuality(o.format, o.crf, o.preset);
  if (!quality) return quality.error();
  const int crf = quality.value();
  if (o.width || o.height) {
    if (o.width < VideoLimits::kMinSide || o.height < VideoLimits::kMinSide ||
        o.width > VideoLimits::kMaxSide || o.height > VideoLimits::kMaxSide)
      return fail(ErrorKind::Settings, "the video size must be " + std::to_string(VideoLimits::kMinSide) +
                                           " to " + std::to_string(VideoLimits::kMaxSide) + " pixels a side");
  }
  if (o.audioKbps < 0 || o.audioKbps > 512)
    return fail(ErrorKind::Settings, "the audio bit rate must be up to 512 kbit/s");

  // The movie.
  player::Parsed<player::Movie> parsed = player::parseMovieFile(o.moviePath);
  if (!parsed) return fail(ErrorKind::Input, parsed.error().message);
  player::Movie movie = std::move(parsed).value();
  const MovieSound sounds = scanSounds(movie);
  const uint64_t expectedFrames = framesOfOnePass(movie);

  // Frame rate as a fraction: the header's 8.8 fixed point over 256.
  int fpsNum = movie.header.frameRate ? movie.header.frameRate : 12 * 256, fpsDen = 256;
  const int g = std::gcd(fpsNum, fpsDen);
  fpsNum /= g;
  fpsDen /= g;
  if (fpsNum < fpsDen || fpsNum > 120 * fpsDen)
    return fail(ErrorKind::Input, o.moviePath + ": the movie's frame rate (" +
                                      std::to_string(double(fpsNum) / fpsDen) +
                                      " a second) is outside what a video can have (1 to 120)");

  // The video's rate: the movie's own, or the one asked for. Video frame j
  // shows the movie at frame j * step, step = movieRate / videoRate, kept as
  // the fraction stepNum / stepDen.
  int64_t videoNum = fpsNum, videoDen = fpsDen;
  if (o.framesPerSecond && int64_t(o.framesPerSecond) * fpsDen != fpsNum) {
    if (o.framesPerSecond < 1 || o.framesPerSecond > 120)
      return fail(ErrorKind::Settings, "the video's frame rate must be 1 to 120 a second");
    videoNum = o.framesPerSecond;
    videoDen = 1;
  }
  const VideoClock clock{uint64_t(fpsNum) * uint64_t(videoDen), uint64_t(videoNum) * uint64_t(fpsDen)};

  VideoOutcome outcome;
  outcome.framesPerSecond = double(videoNum) / double(videoDen);
  outcome.movieHasSound = sounds.any;

  const int channels = sounds.stereo ? 2 : 1;
  const int rate = audioRateFor(o.format);
  SoundTrack track(rate, channels, fpsNum, fpsDen);
  player::MoviePlayer player(std::move(movie), &track);

  const bool scaled = o.width != 0;
  const int width = scaled ? o.width : player.stageWidth();
  const int height = scaled ? o.height : player.stageHeight();
  if (width > VideoLimits::kMaxSide || height > VideoLimits::kMaxSide)
    return fail(ErrorKind::Settings,
                o.moviePath + ": the movie's frame is " + std::to_string(width) + " x " +
                    std::to_string(height) + " pixels, more than a video may have here (" +
                    std::to_string(VideoLimits::kMaxSide) + " a side); give a smaller size");
  const int videoWidth = std::max(VideoLimits::kMinSide, (width + 1) & ~1);
  const int videoHeight = std::max(VideoLimits::kMinSide, (height + 1) & ~1);

  // The encoder writes the staged file by its name.
  StagedFile staged;
  StagingError stagingError;
  if (!staged.open(o.outputPath, &stagingError) || !staged.close(&stagingError))
    return stagingFailure(o.outputPath, stagingError);

  EncoderSettings settings;
  settings.format = o.format;
  settings.width = videoWidth;
  settings.height = videoHeight;
  settings.fpsNum = int(videoNum);
  settings.fpsDen = int(videoDen);
  settings.crf = crf;
  settings.preset = o.preset;
  settings.sampleRate = rate;
  settings.channels = channels;
  settings.audioBitrate = (o.audioKbps ? o.audioKbps : channels == 2 ? 128 : 96) * 1000;
  auto opened = VideoEncoder::open(staged.path(), o.outputPath, settings);
  if (!opened) return opened.error();
  VideoEncoder& encoder = *opened.value();

  // Two pictures in turn, so that a frame can be compared with the last.
  player::Image picture(width, height), lastPicture(width, height);
  const bool padded = videoWidth != width || videoHeight != height;
  player::Image frame = padded ? player::Image(videoWidth, videoHeight) : player::Image();
  const player::Transform toCanvas = player.stageTransform(width, height, scaled);
  std::vector<float> samples;
  uint64_t total = clock.firstVideoFrame(std::min<uint64_t>(expectedFrames, player.frameCount()));
  uint64_t videoFrame = 0;

  // Draws and encodes the video frames that fall within movie frame `k`
  // (shown by `from`); those after its start are drawn part of the way to
  // `to`, the next frame's display list (none after the last frame).
  auto writeVideoFrames = [&](uint64_t k, const player::DisplayList& from, player::Rgba background,
                              const player::DisplayList* to, bool lastMovieFrame) -> Status {
    const uint64_t end = clock.firstVideoFrame(k + 1);
    if (lastMovieFrame) total = end;
    for (; videoFrame < end; ++videoFrame) {
      const double t = to ? clock.fraction(videoFrame, k) : 0;
      if (t > 0)
        player.render(picture, toCanvas, player::interpolateDisplayLists(from, *to, t), background);
      else
        player.render(picture, toCanvas, from, background);
      if (scaled) clearOutsideStage(picture, player, background);
      const bool held = videoFrame > 0 && picture.pixels == lastPicture.pixels;
      if (padded && !held) placeOnEvenFrame(picture, frame, background);
      if (Status s = encoder.writeFrame(padded ? frame : picture, held); !s) return s;
      std::swap(picture, lastPicture);
      outcome.frames = videoFrame + 1;
      if (progress && !progress(VideoProgress{outcome.frames, std::max(total, outcome.frames)}))
        return fail(ErrorKind::Cancelled, "cancelled");
    }
    return success();
  };
  // The frame's samples go in after its pictures, silence included, so that
  // the two streams stay interleaved and end together.
  auto writeSound = [&](uint64_t k, bool lastMovieFrame) -> Status {
    track.mixFrame(k, lastMovieFrame, &samples);
    // A video whose sound is missing is not what was asked for.
    if (!track.missingSounds().empty())
      return fail(ErrorKind::Input, o.moviePath + ": the movie's sound cannot be put into the video (" +
                                        track.missingSounds().front() + ")");
    return encoder.writeAudio(samples.data(), samples.size() / size_t(channels));
  };

  // The player runs one frame ahead of the frames drawn, so that what
  // changes between frame k and k + 1 is known while frame k is filmed.
  player::DisplayList shown = player.displayList();
  player::Rgba shownBackground = player.backgroundColor();
  for (uint64_t k = 0;; ++k) {
    const bool last = k + 1 >= player.frameCount() || !player.isPlaying();
    if (last) {
      if (Status s = writeVideoFrames(k, shown, shownBackground, nullptr, true); !s) return s.error();
      if (Status s = writeSound(k, true); !s) return s.error();
      break;
    }
    track.setFrame(k + 1);
    player.nextFrame();
    if (Status s = writeVideoFrames(k, shown, shownBackground, &player.displayList(), false); !s)
      return s.error();
    if (Status s = writeSound(k, false); !s) return s.error();
    shown = player.displayList();
    shownBackground = player.backgroundColor();
  }
  if (Status s = encoder.finish(); !s) return s.error();
  opened.value().reset();

  std::error_code ec;
  outcome.bytes = std::filesystem::file_size(staged.path(), ec);
  if (!staged.commit(&stagingError)) return stagingFailure(o.outputPath, stagingError);
  outcome.width = videoWidth;
  outcome.height = videoHeight;
  outcome.seconds = double(outcome.frames) * double(videoDen) / double(videoNum);
  outcome.warnings = player.warnings();
  return outcome;
}

}  // namespace slidewright::exports
