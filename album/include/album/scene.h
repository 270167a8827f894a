// The album as a scene: which pictures are visible at any moment of the slide
// show, through which figures and how opaque. The transitions' geometry is
// defined here once, as a function of continuous progress: the movie builder
// samples it at its 12 frames a second, a video renderer at any time.
#pragma once

#include <album/album.h>
#include <album/motion.h>
#include <album/transition.h>

#include <swf/shape.h>

#include <cstdint>
#include <vector>

namespace slidewright {

// A box in album pixels, possibly fractional.
struct SceneBox {
  double left = 0, top = 0, right = 0, bottom = 0;
};

enum class FigureKind { Rectangle, Ellipse };

// One figure of a morph transition's outline: where it starts (ratio 0) and
// where it ends (ratio 65535); in between it is interpolated linearly, as a
// morph shape is.
struct MorphFigure {
  FigureKind kind = FigureKind::Rectangle;
  SwfPixelRect start, end;
  SceneBox at(double ratio) const;
};

// The figures of a morph variant (low 16 bits of its code) at an album size.
std::vector<MorphFigure> morphFigures(std::uint32_t variant, std::int32_t width, std::int32_t height);

// The ratios a morph transition shows, frame by frame from its placement: the
// placement and the first step at ratio 0, then steps of `step` below 65000,
// then the end outline. Between frames the ratio moves linearly.
struct MorphSchedule {
  std::int32_t step = 0;   // 0: the variant cannot step at this size
  std::int32_t steps = 0;  // ratios 0, step, ... below 65000
  static MorphSchedule of(std::uint32_t variant, std::int32_t width, std::int32_t height);
  std::int32_t frames() const { return steps + 2; }
  // The ratio at a frame position counted from the placement (0 before it,
  // 65535 from the last frame on).
  double ratioAt(double frame) const;
};

// The cross-fade's opacities, in 1/256, at a frame position counted from its
// placement: the incoming picture from 0 up by 10 a frame to 250, the settled
// one from full down to 5 and gone in the frame after.
struct FadeSchedule {
  static constexpr std::int32_t kStep = 10;
  static constexpr std::int32_t kSteps = 26;
  static constexpr std::int32_t frames() { return kSteps + 1; }
  static double incomingAt(double frame);
  static double settledAt(double frame);  // 256 before the fade starts, 0 after it
};

// One picture shown in a scene frame.
struct SceneLayer {
  std::size_t slide = 0;  // index into the scene's slides
  double opacity = 1;     // 0 to 1
  bool masked = false;    // false: the whole album; true: only inside the figures
  FigureKind kind = FigureKind::Rectangle;
  std::vector<SceneBox> figures;  // disjoint, album pixels
  PictureTransform transform;     // where the picture lies; the figures stay in album pixels
};

// What the album shows at one moment: layers over the background, bottom
// first, and above them the caption of the slide being held, if any.
struct SceneFrame {
  std::vector<SceneLayer> layers;
  std::size_t captionSlide = 0;
  double captionOpacity = 0;  // 0: no caption shows
};

struct SceneSlide {
  int transition = 0;  // index into TransitionTable
  int holdSeconds = 0;
  Motion motion{};         // resolved: no "auto"
  bool captioned = false;  // the slide has a caption
};

class AlbumScene {
 public:
  AlbumScene(std::int32_t width, std::int32_t height, bool overBackground, std::vector<SceneSlide> slides);

  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  // Frames of the album's movie at kAlbumFrameRate; the scene lasts as long.
  std::uint64_t frameCount() const { return frameCount_; }
  double seconds() const { return double(frameCount_) / kAlbumFrameRate; }
  const std::vector<SceneSlide>& slides() const { return slides_; }

  // The scene at a position in movie frames (seconds times the movie's
  // frame rate); at a whole number it is that frame of the movie.
  SceneFrame at(double frame) const;
  // The slide showing at that position.
  std::size_t slideAt(double frame) const;
  // Where slide i's picture lies at a frame position. Its motion runs at a
  // steady pace from the first frame of its transition to the last frame it
  // is on screen; a morph transition shows its first two frames alike.
  PictureTransform transformAt(std::size_t i, double frame) const;
  // The frames slide i's picture is on screen: [first, last].
  std::uint64_t firstShown(std::size_t i) const { return starts_[i]; }
  std::uint64_t lastShown(std::size_t i) const;

 private:
  std::int32_t width_, height_;
  bool overBackground_;
  std::vector<SceneSlide> slides_;
  std::vector<std::uint64_t> starts_;  // first frame of each slide
  std::vector<std::uint64_t> transitionFrames_;
  std::uint64_t frameCount_ = 0;
};

}  // namespace slidewright
