// The album as a scene: the transitions' figures and schedules, and the
// timeline of slides that says what shows at any moment.
#include <album/caption.h>
#include <album/scene.h>
#include <album/transition.h>

#include <algorithm>
#include <cmath>

namespace slidewright {

namespace {

// Variants of the morph family (low 16 bits of the transition code).
enum Variant : std::uint32_t {
  WipeRight = 1,
  WipeLeft = 2,
  WipeDown = 3,
  WipeUp = 4,
  Circle = 5,
  FromTopLeft = 6,
  FromTopRight = 7,
  FromBottomRight = 8,
  FromBottomLeft = 9,
  Strips = 10,
  CentreRectangle = 11,
  Blinds = 12,
};

constexpr std::uint32_t kMorphFamily = 1;
constexpr std::uint32_t kFadeFamily = 2;

// The strip and blind variants cut the album into this many horizontal bands.
constexpr std::int32_t kBandCount = 15;

// Last ratio the stepping aims at before the final jump to the end outline.
constexpr std::int32_t kMorphStepLimit = 65000;

std::int32_t truncToInt(double value) { return static_cast<std::int32_t>(value); }

double lerp(double a, double b, double t) { return a + (b - a) * t; }

MorphFigure rectangle(SwfPixelRect start, SwfPixelRect end) {
  return MorphFigure{FigureKind::Rectangle, start, end};
}

}  // namespace

SceneBox MorphFigure::at(double ratio) const {
  const double t = std::clamp(ratio / kMorphEndRatio, 0.0, 1.0);
  return SceneBox{lerp(start.left, end.left, t), lerp(start.top, end.top, t), lerp(start.right, end.right, t),
                  lerp(start.bottom, end.bottom, t)};
}

std::vector<MorphFigure> morphFigures(std::uint32_t variant, std::int32_t W, std::int32_t H) {
  const std::int32_t W2 = W / 2;
  const std::int32_t H2 = H / 2;
  const std::int32_t S = H / kBandCount;
  const SwfPixelRect full{0, 0, W, H};
  // Top and bottom of band k; the last band takes the remainder of the height.
  auto bandTop = [S](std::int32_t k) { return k * S; };
  auto bandBottom = [S, H](std::int32_t k) { return k == kBandCount - 1 ? H : (k + 1) * S; };

  std::vector<MorphFigure> figures;
  switch (variant) {
    case Circle: {
      // Radius about 1.7071 * W2: the circle covers the corners of albums up
      // to about 1.38 times as high as wide. The box starts left of and above
      // the album, so it is computed in signed arithmetic.
      const double e = W2 * (std::sqrt(2.0) * 0.5 + 1.0);
      const std::int32_t left = truncToInt(W2 - e), top = truncToInt(H2 - e), side = truncToInt(2 * e);
      figures.push_back(MorphFigure{FigureKind::Ellipse, SwfPixelRect{W2 - 2, H2 - 2, W2 + 2, H2 + 2},
                                    SwfPixelRect{left, top, left + side, top + side}});
      return figures;
    }
    case Strips:
      // Even bands start as a one-pixel column at the left edge, odd bands
      // at the right edge.
      for (std::int32_t k = 0; k < kBandCount; ++k) {
        const std::int32_t left = (k % 2 == 0) ? 0 : W - 1;
        figures.push_back(rectangle(SwfPixelRect{left, bandTop(k), left + 1, bandBottom(k)},
                                    SwfPixelRect{0, bandTop(k), W, bandBottom(k)}));
      }
      return figures;
    case Blinds:
      // Each slat opens downwards from a one-pixel line at its top.
      for (std::int32_t k = 0; k < kBandCount; ++k)
        figures.push_back(rectangle(SwfPixelRect{0, bandTop(k), W, bandTop(k) + 1},
                                    SwfPixelRect{0, bandTop(k), W, bandBottom(k)}));
      return figures;
    default:
      break;
  }

  SwfPixelRect from;
  switch (variant) {
    case WipeRight:
      from = {0, 0, 1, H};
      break;
    case WipeLeft:
      from = {W - 1, 0, W, H};
      break;
    case WipeDown:
      from = {0, 0, W, 1};
      break;
    case WipeUp:
      from = {0, H - 1, W, H};
      break;
    case FromTopLeft:
      from = {0, 0, 1, 1};
      break;
    case FromTopRight:
      from = {W - 1, 0, W, 1};
      break;
    case FromBottomRight:
      from = {W - 1, H - 1, W, H};
      break;
    case FromBottomLeft:
      from = {0, H - 1, 1, H};
      break;
    case CentreRectangle:
      from = {W2 - 1, H2 - 1, W2, H2};
      break;
    default:
      from = full;
      break;
  }
  figures.push_back(rectangle(from, full));
  return figures;
}

MorphSchedule MorphSchedule::of(std::uint32_t variant, std::int32_t width, std::int32_t height) {
  MorphSchedule s;
  const std::int32_t n = MorphTransition::frameCount(variant, width, height);
  if (n < 2) return s;
  // Unsigned division as in the ratio arithmetic.
  s.step = static_cast<std::int32_t>(std::uint32_t(kMorphStepLimit) / std::uint32_t(n - 1));
  s.steps = (kMorphStepLimit + s.step - 1) / s.step;
  return s;
}

double MorphSchedule::ratioAt(double frame) const {
  if (step <= 0 || frame >= steps + 1) return kMorphEndRatio;
  if (frame <= 1) return 0;
  if (frame <= steps) return (frame - 1) * step;
  return lerp(double(steps - 1) * step, kMorphEndRatio, frame - steps);
}

double FadeSchedule::incomingAt(double frame) {
  return std::clamp(frame - 1, 0.0, double(kSteps - 1)) * kStep;
}

double FadeSchedule::settledAt(double frame) {
  if (frame < 1) return 256;
  if (frame <= kSteps) return 255 - (frame - 1) * kStep;
  if (frame >= kSteps + 1) return 0;
  return lerp(255 - double(kSteps - 1) * kStep, 0, frame - kSteps);
}

AlbumScene::AlbumScene(std::int32_t width, std::int32_t height, bool overBackground,
                       std::vector<SceneSlide> slides)
    : width_(width), height_(height), overBackground_(overBackground), slides_(std::move(slides)) {
  for (const SceneSlide& s : slides_) {
    starts_.push_back(frameCount_);
    transitionFrames_.push_back(transitionFrameCount(TransitionTable[s.transition], width_, height_));
    frameCount_ += transitionFrames_.back() + std::uint64_t(std::max(s.holdSeconds, 0)) * kAlbumFrameRate +
                   (overBackground_ ? 0 : 1);
  }
}

std::size_t AlbumScene::slideAt(double frame) const {
  if (slides_.empty() || frame < 0) return 0;
  const auto f = static_cast<std::uint64_t>(frame);
  return std::size_t(std::upper_bound(starts_.begin(), starts_.end(), f) - starts_.begin()) - 1;
}

std::uint64_t AlbumScene::lastShown(std::size_t i) const {
  if (i + 1 >= slides_.size()) return frameCount_ - 1;
  // Under the background-only rule the next slide replaces the picture at
  // once; otherwise the picture stays beneath the next one's transition.
  return overBackground_ ? starts_[i + 1] - 1 : starts_[i + 1] + transitionFrames_[i + 1] - 1;
}

PictureTransform AlbumScene::transformAt(std::size_t i, double frame) const {
  const Motion& m = slides_[i].motion;
  if (!m.moves()) return PictureTransform{};
  const double first = double(starts_[i]), span = double(lastShown(i)) - first;
  double clock = frame - first;
  if ((TransitionTable[slides_[i].transition] >> 16) == kMorphFamily) clock = std::max(clock, 1.0);
  const double p = span > 0 ? std::clamp(clock / span, 0.0, 1.0) : 1.0;
  return motionTransform(m, p, width_, height_);
}

SceneFrame AlbumScene::at(double frame) const {
  SceneFrame out;
  if (slides_.empty()) return out;
  frame = std::clamp(frame, 0.0, double(frameCount_ - 1));
  const std::size_t i = slideAt(frame);
  const double g = frame - double(starts_[i]);
  const std::uint64_t end = i + 1 < slides_.size() ? starts_[i + 1] : frameCount_;
  const bool settleFrame = !overBackground_ && g >= double(end - starts_[i] - 1);
  const std::uint32_t code = TransitionTable[slides_[i].transition];

  SceneLayer incoming;
  incoming.slide = i;
  if ((code >> 16) == kFadeFamily) {
    if (!overBackground_ && i > 0 && FadeSchedule::settledAt(g) > 0)
      out.layers.push_back(SceneLayer{i - 1, FadeSchedule::settledAt(g) / 256, false, {}, {}, {}});
    // In the settle frame the picture stands beneath itself, as good as opaque.
    incoming.opacity = settleFrame ? 1.0 : FadeSchedule::incomingAt(g) / 256;
  } else if ((code >> 16) == kMorphFamily) {
    const std::uint32_t variant = code & 0xFFFF;
    const MorphSchedule schedule = MorphSchedule::of(variant, width_, height_);
    if (!overBackground_ && i > 0 && g < schedule.frames())
      out.layers.push_back(SceneLayer{i - 1, 1.0, false, {}, {}, {}});
    const double ratio = schedule.ratioAt(g);
    if (ratio < kMorphEndRatio) {
      incoming.masked = true;
      for (const MorphFigure& f : morphFigures(variant, width_, height_)) {
        incoming.kind = f.kind;
        incoming.figures.push_back(f.at(ratio));
      }
    }
  }
  out.layers.push_back(std::move(incoming));
  for (SceneLayer& layer : out.layers) layer.transform = transformAt(layer.slide, frame);
  if (slides_[i].captioned) {
    const std::int64_t hold = std::int64_t(std::max(slides_[i].holdSeconds, 0)) * kAlbumFrameRate;
    out.captionSlide = i;
    out.captionOpacity = captionOpacity(hold, g - double(transitionFrameCount(code, width_, height_)));
  }
  return out;
}

}  // namespace slidewright
