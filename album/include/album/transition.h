// Transition effects: each one emits the slide of one picture (its bitmap,
// the transition that reveals it, the hold and the hand-over to the settled
// depth) into the movie being built.
#pragma once

#include <album/album.h>

#include <swf/bitmap.h>
#include <swf/movie.h>
#include <swf/place.h>
#include <swf/shape.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace slidewright {

// Display depths: the previous picture stands settled at SettledDepth while
// the incoming one is revealed above it at TransitionDepth.
constexpr std::uint16_t SettledDepth = 2;
constexpr std::uint16_t TransitionDepth = 4;

// Frames per second of every album movie; holds are measured in frames.
constexpr std::uint8_t kAlbumFrameRate = 12;

// The caption of the picture being held stands above both.
constexpr std::uint16_t CaptionDepth = 6;

// Ratio of a morph shape's end outline.
constexpr std::int32_t kMorphEndRatio = 65535;

// What one slide is drawn into and with.
struct SlideContext {
  SwfMovie& movie;     // takes the slide's tags and gives its character ids
  std::int32_t width;  // album size in pixels
  std::int32_t height;
  bool overBackground;                    // every transition plays over the bare background
  std::int32_t holdSeconds;               // this picture's hold; 0 or less: none
  const AlbumCaption* caption = nullptr;  // shown during the hold; none: no caption
};

// Abstract base of the two transition families, with the slide operations
// both share. One effect object is made per picture, applied once and
// destroyed. All coordinates passed to the operations are pixels.
class TransitionEffect {
 public:
  virtual ~TransitionEffect();

  // Emits the whole slide of picture (a loaded bitmap of the album's size,
  // added to the movie first) into slide.movie.
  virtual void apply(const SlideContext& slide, std::unique_ptr<SwfBitmap> picture) = 0;

  // A bitmap fill matrix that maps one bitmap pixel onto one album pixel
  // (scale 20) with the bitmap's origin at (x, y).
  static SwfMatrix bitmapMatrix(std::int32_t x, std::int32_t y);

  // Bitmap fill of a morph shape: clipped for kind 0, repeating for kind 1.
  // The end matrix equals the start matrix, so the picture stands still at
  // its full size while the morph's outline uncovers it.
  static SwfMorphFillStyle morphBitmapFill(int kind, std::uint16_t bitmapId, std::int32_t x, std::int32_t y);

  // Places character id as a new object at depth, then ends the frame.
  static void placeCharacter(std::uint16_t depth, std::uint16_t id, SwfMovie& movie);

  // One frame moving the morph at depth to ratio.
  static void morphFrame(std::int32_t ratio, std::uint16_t depth, SwfMovie& movie);

  // Moves the morph at depth to its end outline and ends the frame.
  static void finishMorph(std::uint16_t depth, SwfMovie& movie);

  // Removes the previous picture from SettledDepth, unless every transition
  // plays over the background. Adds no frame.
  static void removeSettled(const SlideContext& slide);

  // Holds the picture for its seconds: twelve frames a second, none for
  // zero or a negative value. A caption is placed above the picture on the
  // hold's first frame, fades in and out with alpha steps and is removed
  // from the frame after the hold.
  static void holdFrames(const SlideContext& slide);

  // The caption's tags for frame `position` of a hold of `holdFrames`
  // frames (0 < holdFrames): on frame 0 it is defined and placed at
  // CaptionDepth, on later frames its alpha is changed when the fade steps
  // it, and at position == holdFrames it is removed. `track` carries the
  // caption's id and the alpha last set from one frame to the next.
  struct CaptionTrack {
    std::uint16_t id = 0;
    std::int32_t shownAlpha = -1;
  };
  static void captionFrame(SwfMovie& movie, const AlbumCaption& caption, std::int32_t width,
                           std::int32_t height, std::int64_t holdFrames, std::int64_t position,
                           CaptionTrack& track);

  // Leaves the picture standing at SettledDepth as a plain shape, unless
  // every transition plays over the background.
  static void settlePicture(const SlideContext& slide, const SwfBitmap& bitmap);

  // Defines a rectangle shape filled with the bitmap (clipped, one bitmap
  // pixel per album pixel, aligned with the rectangle's top-left corner),
  // places it as a new object at depth and ends the frame. Returns the
  // placement it added, owned by the movie.
  // Defines that rectangle shape without placing it; returns its id.
  static std::uint16_t defineBitmapShape(const SwfBitmap& bitmap, const SwfPixelRect& rect, SwfMovie& movie);
  static SwfPlaceObject* placeBitmapShape(const SwfBitmap& bitmap, std::uint16_t depth,
                                          const SwfPixelRect& rect, SwfMovie& movie);
};

// Family one: a morph shape filled with the picture grows from a tiny region
// to the whole album. The variant (low 16 bits of the code) picks the figure.
class MorphTransition : public TransitionEffect {
 public:
  explicit MorphTransition(std::uint32_t code) : code_(code) {}
  void apply(const SlideContext& slide, std::unique_ptr<SwfBitmap> picture) override;

  std::uint32_t code() const { return code_; }

  // Number of frames N over which the morph runs for a variant and album size.
  static std::int32_t frameCount(std::uint32_t variant, std::int32_t width, std::int32_t height);

  // Draws the variant's start and end outlines, each closed with an end
  // record, into morph with fill index fill.
  static void drawOutlines(std::uint32_t variant, std::int32_t width, std::int32_t height,
                           SwfMorphShape& morph, unsigned fill);

 private:
  std::uint32_t code_;
};

// Family two: the cross-fade. The incoming picture fades in over the settled
// one while the settled one fades out.
class FadeTransition : public TransitionEffect {
 public:
  explicit FadeTransition(std::uint32_t /*code*/) {}
  void apply(const SlideContext& slide, std::unique_ptr<SwfBitmap> picture) override;
};

class AlbumScene;

// Emits the slides of an album whose pictures move, frame by frame as the
// scene has them: each picture is a plain shape placed through a matrix that
// follows its motion (a morph transition carries the motion in its fill's
// start and end matrices until the outline covers the album, then hands over
// to the plain shape). pictures[i] is slide i's loaded bitmap; progress is
// called after every slide and may cancel (then false is returned).
// captions[i] (null: none) is shown over slide i's hold as in a still album.
bool emitMovingSlides(SwfMovie& movie, const AlbumScene& scene, bool overBackground,
                      std::vector<std::unique_ptr<SwfBitmap>> pictures,
                      const std::vector<const AlbumCaption*>& captions,
                      const std::function<bool(std::uint32_t done)>& progress);

}  // namespace slidewright
