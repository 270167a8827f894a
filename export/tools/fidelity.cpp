#include "fidelity.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "player/movie_player.h"
#include "player/sound.h"

namespace slidewright::exports::probe {

namespace {

// Frames of the movie closer than this (RGB PSNR) differ by little more than
// a codec's noise.
constexpr double kVisibleChangeDb = 45;

// The movie's frame n as the export draws it.
void draw(player::MoviePlayer& movie, size_t n, bool scaled, player::Image& out) {
  movie.gotoFrame(n);
  movie.render(out, scaled);
  if (!scaled) return;
  const player::Transform t = movie.stageTransform(out.width, out.height, true);
  const player::Rect& r = movie.header().frameRect;
  double x0, y0, x1, y1;
  t.apply(r.xMin, r.yMin, &x0, &y0);
  t.apply(r.xMax, r.yMax, &x1, &y1);
  const player::Rgba bg = movie.backgroundColor();
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x)
      if (x < std::floor(x0) || x >= std::ceil(x1) || y < std::floor(y0) || y >= std::ceil(y1)) {
        uint8_t* p = out.row(y) + 4 * x;
        p[0] = bg.r, p[1] = bg.g, p[2] = bg.b, p[3] = 255;
      }
}

// The image at the video's size: an odd-sided movie gets one more column and
// row of its background colour.
const player::Image& atVideoSize(const player::Image& image, const DecodedFrame& frame, player::Rgba bg,
                                 player::Image& scratch) {
  if (frame.rgba.width == image.width && frame.rgba.height == image.height) return image;
  scratch = player::Image(frame.rgba.width, frame.rgba.height);
  scratch.fill(bg);
  for (int y = 0; y < image.height && y < scratch.height; ++y)
    std::memcpy(scratch.row(y), image.row(y), size_t(std::min(image.width, scratch.width)) * 4);
  return scratch;
}

}  // namespace

FrameFidelity measureFrames(const std::string& moviePath, const std::string& videoPath, int width, int height,
                            const FrameMeasureVisitor& each) {
  player::NullAudioOutput silent;
  auto opened = player::MoviePlayer::open(moviePath, &silent);
  if (!opened) throw std::runtime_error(opened.error().message);
  player::MoviePlayer& movie = *opened.value();
  const bool scaled = width != 0;
  if (!scaled) {
    width = movie.stageWidth();
    height = movie.stageHeight();
  }
  FrameFidelity f;
  f.movieFrames = movie.frameCount();
  f.framesPerSecond = movie.framesPerSecond();
  player::Image previous(width, height), current(width, height), next(width, height);
  player::Image s1, s2, s3;
  draw(movie, 0, scaled, current);
  int sameRun = 0;  // frames before this one equal to it
  std::string error;
  const bool ok = probeVideo(
      videoPath,
      [&](int64_t index, const DecodedFrame& frame) {
        const size_t n = size_t(index);
        const bool hasNext = n + 1 < f.movieFrames;
        if (hasNext) draw(movie, n + 1, scaled, next);
        const player::Rgba bg = movie.backgroundColor();
        const double db = psnrYuv420(atVideoSize(current, frame, bg, s1), frame);
        const bool changed = n == 0 || current.pixels != previous.pixels;
        sameRun = changed ? 0 : sameRun + 1;
        if (changed) {
          ++f.changing;
          if (db < f.worstChangingDb) {
            f.worstChangingDb = db;
            f.worstChangingFrame = long(index) + 1;
          }
          if (n > 0) {
            // The same decoded frame against the frames beside it: it must
            // be closest to its own wherever they differ by more than the
            // codec's noise (a transition's first frame may add a single
            // pixel).
            const double before = psnrYuv420(atVideoSize(previous, frame, bg, s2), frame);
            auto closer = [&](double neighbour) {
              f.closerToNeighbour.push_back(long(index) + 1);
              f.mostCloserToNeighbourDb = std::max(f.mostCloserToNeighbourDb, neighbour - db);
            };
            if (psnr(previous, current, width, height) < kVisibleChangeDb && before >= db) closer(before);
            if (hasNext && psnr(next, current, width, height) < kVisibleChangeDb) {
              const double after = psnrYuv420(atVideoSize(next, frame, bg, s3), frame);
              if (after >= db) closer(after);
            }
          }
        } else {
          f.worstHoldDb = std::min(f.worstHoldDb, db);
        }
        if (sameRun >= 2 || each) {
          const double rgb = psnr(current, frame.rgba, width, height);
          if (sameRun >= 2) f.worstHoldRgbDb = std::min(f.worstHoldRgbDb, rgb);
          if (each) each(FrameMeasure{long(index) + 1, changed, db, rgb});
        }
        std::swap(previous, current);
        std::swap(current, next);
      },
      &f.video, &error);
  if (!ok) throw std::runtime_error(error);
  return f;
}

SoundFidelity measureSound(const std::string& moviePath, const ProbedVideo& video) {
  SoundFidelity s;
  const int rate = video.sampleRate;
  const std::vector<float>& track = video.audio;
  s.trackSeconds = video.audioSeconds();
  s.trackStart = video.audioStart;
  for (float v : track) s.loudestSample = std::max(s.loudestSample, double(std::fabs(v)));

  // Where the last loud stretch ends: 10 ms windows louder than a whisper.
  const size_t window = size_t(rate / 100);
  size_t loudEnd = 0;
  for (size_t at = 0; at + window <= track.size(); at += window) {
    double sum = 0;
    for (size_t k = at; k < at + window; ++k) sum += double(track[k]) * track[k];
    if (std::sqrt(sum / double(window)) > 0.02) loudEnd = at + window;
  }
  s.audibleUntil = double(loudEnd) / rate;
  for (size_t k = loudEnd; k < track.size(); ++k)
    s.silentPeak = std::max(s.silentPeak, double(std::fabs(track[k])));

  // The movie's music as the player decodes it, brought to the track's rate.
  auto parsed = player::parseMovieFile(moviePath);
  if (!parsed) throw std::runtime_error(parsed.error().message);
  player::PcmSound music;
  for (const player::Tag& tag : parsed.value().tags) {
    const auto* sound = player::tagAs<player::DefineSoundTag>(tag);
    if (!sound || sound->data.size() <= 2) continue;
    std::string error;
    if (!player::decodeMp3(sound->data.data() + 2, sound->data.size() - 2, &music, &error))
      throw std::runtime_error("the movie's sound: " + error);
    break;
  }
  if (music.frames() == 0) return s;
  s.musicSeconds = music.seconds();
  const size_t n = std::min(track.size(), size_t(2.0 * rate));
  std::vector<double> reference(n);
  for (size_t k = 0; k < n; ++k) {
    const double at = double(k) * music.sampleRate / rate;
    const size_t i = size_t(at);
    if (i + 1 >= music.frames()) break;
    auto sample = [&](size_t f) {
      double sum = 0;
      for (int c = 0; c < music.channels; ++c) sum += music.samples[f * size_t(music.channels) + size_t(c)];
      return sum / music.channels / 32768.0;
    };
    reference[k] = sample(i) + (sample(i + 1) - sample(i)) * (at - double(i));
  }
  // Normalised cross-correlation over lags of up to 20 ms either way.
  const int maxLag = rate / 50;
  s.correlation = -1;
  for (int lag = -maxLag; lag <= maxLag; ++lag) {
    double xy = 0, xx = 0, yy = 0;
    for (size_t k = size_t(maxLag); k + size_t(maxLag) < n; ++k) {
      const double x = reference[k], y = track[size_t(int64_t(k) + lag)];
      xy += x * y;
      xx += x * x;
      yy += y * y;
    }
    const double c = xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0;
    if (c > s.correlation) {
      s.correlation = c;
      s.bestLagMs = 1000.0 * lag / rate;
    }
  }
  return s;
}

}  // namespace slidewright::exports::probe
