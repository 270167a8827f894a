// The album video's frame loop: pictures are decoded in album order on a
// worker thread, each once, at the scale the video needs, while this thread
// draws the scene at each frame's time and encodes it with the music.
#include "export/album_video.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "album/scene.h"
#include "media/canvas.h"
#include "media/mp3.h"
#include "media/picture.h"
#include "player/sound.h"
#include "scene_renderer.h"
#include "sound_track.h"
#include "staging.h"
#include "video_encoder.h"

namespace slidewright::exports {

namespace {

using Picture = std::shared_ptr<const player::Image>;

// A picture fitted into a canvas of the album as the album fits it, on the
// background colour: `scale` canvas pixels to an album pixel, the canvas
// `width` x `height`.
media::Result<Picture> preparePicture(const std::string& path, int width, int height, double scale,
                                      int albumWidth, int albumHeight, media::Rgb background) {
  media::DecodeOptions decode;
  decode.background = background;
  decode.fitWidth = width;
  decode.fitHeight = height;
  auto loaded = media::loadPicture(path, decode);
  if (!loaded) return loaded.error();
  const media::Picture& picture = loaded.value();
  const media::FitRect r = media::fitPicture(picture.width, picture.height, albumWidth, albumHeight);
  const int w = width, h = height;
  auto edge = [&](double v, int limit) { return std::clamp(int(std::lround(v * scale)), 0, limit); };
  const int x0 = edge(r.x, w), x1 = std::max(x0 + 1, edge(r.x + r.width, w));
  const int y0 = edge(r.y, h), y1 = std::max(y0 + 1, edge(r.y + r.height, h));
  auto scaled = media::resizeArea(picture.pixels, x1 - x0, y1 - y0);
  if (!scaled) return scaled.error();
  const media::Image& s = scaled.value();
  auto canvas = std::make_shared<player::Image>(w, h);
  canvas->fill(player::Rgba{background.r, background.g, background.b, 255});
  for (int y = 0; y < s.height && y0 + y < h; ++y) {
    const uint8_t* in = &s.rgb[size_t(y) * s.width * 3];
    uint8_t* out = canvas->row(y0 + y) + size_t(x0) * 4;
    for (int x = 0; x < s.width && x0 + x < w; ++x, in += 3, out += 4)
      out[0] = in[0], out[1] = in[1], out[2] = in[2], out[3] = 255;
  }
  return Picture(std::move(canvas));
}

// How much larger than the album's area a moving picture is prepared: its
// largest magnification, so that it stays sharp when zoomed in, within a
// bound on the canvas's size (at most twice the area, at most 16 million pixels).
double preparedZoom(const Motion& m, const SceneLayout& layout) {
  if (!m.moves()) return 1;
  double zoom = 1;
  for (double p : {0.0, 1.0}) {
    const PictureTransform t = motionTransform(m, p, layout.albumWidth, layout.albumHeight);
    zoom = std::max({zoom, t.scaleX, t.scaleY});
  }
  const double area = double(layout.areaWidth()) * layout.areaHeight();
  return std::max(1.0, std::min({zoom, 2.0, std::sqrt(16e6 / std::max(area, 1.0))}));
}

// Prepares the pictures in album order on its own thread, keeping at most
// `ahead` finished ones waiting, so that decoding overlaps drawing and encoding.
class PictureQueue {
 public:
  using Prepare = std::function<media::Result<Picture>(size_t)>;
  PictureQueue(size_t count, Prepare prepare, size_t ahead)
      : count_(count), ahead_(ahead), prepare_(std::move(prepare)), worker_([this] { run(); }) {}
  ~PictureQueue() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    worker_.join();
  }

  // The next picture in album order, waiting for it.
  media::Result<Picture> next() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !ready_.empty(); });
    media::Result<Picture> r = std::move(ready_.front());
    ready_.pop_front();
    changed_.notify_all();
    return r;
  }

 private:
  void run() {
    for (size_t i = 0; i < count_; ++i) {
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stop_ || ready_.size() < ahead_; });
        if (stop_) return;
      }
      media::Result<Picture> r = [&]() -> media::Result<Picture> {
        try {
          return prepare_(i);
        } catch (const std::bad_alloc&) {
          return media::Error{media::ErrorKind::TooLarge, "not enough memory to draw the picture"};
        }
      }();
      const bool failed = !r;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        ready_.push_back(std::move(r));
      }
      changed_.notify_all();
      if (failed) return;
    }
  }

  size_t count_, ahead_;
  Prepare prepare_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<media::Result<Picture>> ready_;
  bool stop_ = false;
  std::thread worker_;
};

struct Music {
  std::shared_ptr<const player::Mp3Sound> sound;
  double seconds = 0;
};

Result<Music> readMusic(const std::string& path) {
  Music music;
  if (path.empty()) return music;
  auto bytes = media::readFile(path);
  if (!bytes) return fail(ErrorKind::Input, path + ": " + bytes.message(), path);
  auto data = std::make_shared<const std::vector<uint8_t>>(std::move(bytes.value()));
  player::Mp3Summary summary;
  if (!player::walkMp3Frames(data->data(), data->size(), &summary) || summary.sampleRate <= 0)
    return fail(ErrorKind::Input, path + ": no MPEG audio was found in the file", path);
  auto sound = std::make_shared<player::Mp3Sound>();
  sound->data = data;
  sound->sampleRate = summary.sampleRate;
  sound->channels = summary.channels;
  sound->frames = summary.samples;
  music.seconds = sound->seconds();
  music.sound = std::move(sound);
  return music;
}

Error fromMake(const maker::MakeError& e) {
  switch (e.kind) {
    case maker::MakeErrorKind::Cancelled:
      return fail(ErrorKind::Cancelled, e.message, e.path);
    case maker::MakeErrorKind::Font:
      return fail(ErrorKind::Font, e.message);
    default:
      return fail(ErrorKind::Input, e.message, e.path);
  }
}

}  // namespace

Result<AlbumVideoOutcome> exportAlbumVideo(const maker::AlbumSettings& given, const AlbumVideoOptions& o,
                                           const VideoProgressCallback& progress) {
  maker::AlbumSettings settings = given;
  settings.outputPath = o.outputPath;
  if (auto bad = maker::checkAlbumSettings(settings)) return fromMake(*bad);
  const auto quality = checkedQuality(o.format, o.crf, o.preset);
  if (!quality) return quality.error();
  const int crf = quality.value();
  if (o.framesPerSecond < AlbumVideoLimits::kMinFps || o.framesPerSecond > AlbumVideoLimits::kMaxFps)
    return fail(ErrorKind::Settings, "the frame rate must be " + std::to_string(AlbumVideoLimits::kMinFps) +
                                         " to " + std::to_string(AlbumVideoLimits::kMaxFps) + " a second");
  const int width = o.width ? o.width : settings.width, height = o.height ? o.height : settings.height;
  if (width < VideoLimits::kMinSide || height < VideoLimits::kMinSide ||
      width > AlbumVideoLimits::kMaxWidth || height > AlbumVideoLimits::kMaxWidth ||
      int64_t(width) * height > AlbumVideoLimits::kMaxPixels)
    return fail(ErrorKind::Settings, "the video size must be " + std::to_string(VideoLimits::kMinSide) +
                                         " to 3840 pixels a side and at most 3840 x 2160 pixels in all");
  if (o.audioKbps < 0 || o.audioKbps > 512)
    return fail(ErrorKind::Settings, "the audio bit rate must be up to 512 kbit/s");

  AlbumVideoOutcome outcome;
  auto music = readMusic(settings.musicPath);
  if (!music) return music.error();
  const SceneLayout layout = SceneLayout::fit(settings.width, settings.height, width, height);

  // Which pictures make the album. Pictures that may be left out are tried
  // first (at the smallest scale), since the album's timing depends on them.
  std::vector<const maker::AlbumEntry*> entries;
  for (const maker::AlbumEntry& e : settings.pictures) {
    if (settings.skipBadPictures) {
      media::DecodeOptions quick;
      quick.fitWidth = quick.fitHeight = 1;
      quick.fromEmbeddedThumbnail = false;  // the picture itself must decode
      auto tried = media::loadPicture(e.path, quick);
      if (!tried) {
        outcome.skipped.push_back({e.path, tried.message()});
        continue;
      }
    }
    entries.push_back(&e);
  }
  if (entries.empty())
    return fail(ErrorKind::Input,
                "none of the pictures could be read (" + outcome.skipped.front().path + ": " +
                    outcome.skipped.front().reason + ")",
                outcome.skipped.front().path);
  std::vector<int> transitions;
  for (const auto* e : entries) transitions.push_back(e->transition);
  outcome.pauseSeconds = settings.pauseSeconds;
  if (settings.fitToMusic) {
    outcome.pauseSeconds =
        maker::pauseForDuration(music.value().seconds, transitions, settings.width, settings.height);
    outcome.musicFit =
        maker::musicFitFor(music.value().seconds, transitions, settings.width, settings.height);
  }
  std::vector<maker::AlbumEntry> kept;
  for (const auto* e : entries) kept.push_back(*e);
  auto captions = maker::layoutCaptions(kept, settings.width, settings.height);
  if (!captions) return fromMake(captions.error());
  std::vector<Motion> motions;
  for (const auto* e : entries) motions.push_back(e->motion);
  motions = resolveMotions(motions, settings.seed);
  std::vector<SceneSlide> slides;
  for (std::size_t i = 0; i < entries.size(); ++i)
    slides.push_back(SceneSlide{entries[i]->transition,
                                entries[i]->holdSeconds.value_or(outcome.pauseSeconds), motions[i],
                                captions.value()[i].has_value()});
  const AlbumScene scene(settings.width, settings.height, false, std::move(slides));

  StagedFile staged;
  StagingError stagingError;
  if (!staged.open(o.outputPath, &stagingError) || !staged.close(&stagingError))
    return stagingFailure(o.outputPath, stagingError);
  const int channels = music.value().sound && music.value().sound->channels == 2 ? 2 : 1;
  EncoderSettings es;
  es.format = o.format;
  es.width = (width + 1) & ~1;
  es.height = (height + 1) & ~1;
  es.fpsNum = o.framesPerSecond;
  es.fpsDen = 1;
  es.crf = crf;
  es.preset = o.preset;
  es.sampleRate = audioRateFor(o.format);
  es.channels = channels;
  es.audioBitrate = (o.audioKbps ? o.audioKbps : channels == 2 ? 128 : 96) * 1000;
  auto opened = VideoEncoder::open(staged.path(), o.outputPath, es);
  if (!opened) return opened.error();
  VideoEncoder& encoder = *opened.value();

  SoundTrack track(es.sampleRate, channels, o.framesPerSecond, 1);
  if (music.value().sound) track.playMp3(1, music.value().sound);
  // The music fades over the show's last seconds as the movie's does.
  std::optional<media::FadeOut> fade;
  if (music.value().sound && settings.fadeOutSeconds > 0)
    fade = media::FadeOut::overEnd(double(scene.frameCount()) / kAlbumFrameRate, settings.fadeOutSeconds);

  // A still picture fills the album's area as it is; a moving one is a larger
  // canvas of the whole album that each frame samples through its transform.
  auto prepare = [&](size_t i) {
    const Motion& motion = scene.slides()[i].motion;
    if (!motion.moves())
      return preparePicture(entries[i]->path, layout.areaWidth(), layout.areaHeight(), layout.scale,
                            settings.width, settings.height, settings.background);
    const double scale = layout.scale * preparedZoom(motion, layout);
    return preparePicture(entries[i]->path, std::max(1, int(std::lround(settings.width * scale))),
                          std::max(1, int(std::lround(settings.height * scale))), scale, settings.width,
                          settings.height, settings.background);
  };
  PictureQueue queue(entries.size(), prepare, 2);
  std::map<size_t, Picture> shown;  // the pictures of the slides on screen, by slide
  size_t taken = 0;
  const player::Rgba background{settings.background.r, settings.background.g, settings.background.b, 255};
  player::Image canvas(es.width, es.height), moving;  // the frame, a moving picture drawn for it
  std::vector<const player::Image*> pictures(entries.size(), nullptr);
  std::vector<float> samples;
  SceneFrame last;
  std::optional<CaptionImage> caption;  // of the slide last captioned
  size_t captionSlide = 0;
  const uint64_t total =
      (scene.frameCount() * uint64_t(o.framesPerSecond) + kAlbumFrameRate - 1) / kAlbumFrameRate;
  for (uint64_t k = 0; k < total; ++k) {
    const SceneFrame frame = scene.at(double(k) * kAlbumFrameRate / o.framesPerSecond);
    const bool held = k > 0 && sameScene(frame, last);
    if (!held) {
      size_t lowest = frame.layers.front().slide;
      for (const SceneLayer& layer : frame.layers) {
        lowest = std::min(lowest, layer.slide);
        while (taken <= layer.slide) {
          auto next = queue.next();
          if (!next)
            return fail(ErrorKind::Input, entries[taken]->path + ": " + next.message(), entries[taken]->path);
          shown[taken] = std::move(next.value());
          pictures[taken] = shown[taken].get();
          ++taken;
        }
      }
      for (auto it = shown.begin(); it != shown.end() && it->first < lowest;) {
        pictures[it->first] = nullptr;
        it = shown.erase(it);
      }
      drawScene(frame, pictures, layout, background, canvas, moving);
      if (frame.captionOpacity > 0) {
        if (!caption || captionSlide != frame.captionSlide) {
          caption = CaptionImage::of(*captions.value()[frame.captionSlide], settings.width, settings.height,
                                     layout);
          captionSlide = frame.captionSlide;
        }
        drawCaption(*caption, frame.captionOpacity, layout, canvas);
      }
      last = frame;
    }
    if (Status s = encoder.writeFrame(canvas, held); !s) return s.error();
    const bool end = k + 1 == total;
    if (!track.mixFrame(k, end, &samples) || !track.missingSounds().empty())
      return fail(ErrorKind::Input,
                  settings.musicPath + ": the music cannot be put into the video" +
                      (track.missingSounds().empty() ? "" : " (" + track.missingSounds().front() + ")"),
                  settings.musicPath);
    if (fade) {
      const int64_t first = track.frameStart(k);
      for (size_t i = 0; i < samples.size(); ++i)
        samples[i] *= fade->gainAt(double(first + int64_t(i / size_t(channels))) / es.sampleRate);
    }
    if (Status s = encoder.writeAudio(samples.data(), samples.size() / size_t(channels)); !s)
      return s.error();
    if (progress && !progress(VideoProgress{k + 1, total})) return fail(ErrorKind::Cancelled, "cancelled");
  }
  if (Status s = encoder.finish(); !s) return s.error();
  opened.value().reset();

  std::error_code ec;
  outcome.video.bytes = std::filesystem::file_size(staged.path(), ec);
  if (!staged.commit(&stagingError)) return stagingFailure(o.outputPath, stagingError);
  outcome.video.frames = total;
  outcome.video.width = es.width;
  outcome.video.height = es.height;
  outcome.video.framesPerSecond = o.framesPerSecond;
  outcome.video.seconds = double(total) / o.framesPerSecond;
  outcome.video.movieHasSound = bool(music.value().sound);
  return outcome;
}

}  // namespace slidewright::exports
