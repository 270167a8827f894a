// Albums whose pictures move: every frame places each moving picture through
// the matrix the scene gives it, in twips and 16.16 scale, so that players
// draw the motion at a steady pace without rounding to whole pixels.
#include <album/scene.h>
#include <album/transition.h>

#include <algorithm>
#include <cmath>

namespace slidewright {

namespace {

constexpr std::uint32_t kFadeFamily = 2;

std::int32_t fixed16(double v) { return static_cast<std::int32_t>(std::lround(v * 65536)); }
Twips twips(double pixels) { return Twips(static_cast<std::int32_t>(std::lround(pixels * Twips::perPixel))); }

// The placement matrix of a picture shape laid as t says.
SwfMatrix placement(const PictureTransform& t) {
  return SwfMatrix(true, fixed16(t.scaleX), fixed16(t.scaleY), false, 0, 0, twips(t.offsetX),
                   twips(t.offsetY));
}

// The bitmap fill matrix of the picture laid as t says: bitmap pixels to twips.
SwfMatrix fillMatrix(const PictureTransform& t) {
  return SwfMatrix(true, fixed16(Twips::perPixel * t.scaleX), fixed16(Twips::perPixel * t.scaleY), false, 0,
                   0, twips(t.offsetX), twips(t.offsetY));
}

std::unique_ptr<SwfPlaceObject> put(std::uint16_t depth, std::uint16_t id, const PictureTransform& t) {
  return std::make_unique<SwfPlaceObject>(false, false, true, false, depth, id, placement(t), std::nullopt, 0,
                                          std::nullopt, 0);
}

std::unique_ptr<SwfPlaceObject> move(std::uint16_t depth, std::optional<SwfMatrix> matrix,
                                     std::optional<SwfColorTransform> color) {
  return std::make_unique<SwfPlaceObject>(false, false, false, true, depth, 0, std::move(matrix),
                                          std::move(color), 0, std::nullopt, 0);
}

}  // namespace

bool emitMovingSlides(SwfMovie& movie, const AlbumScene& scene, bool over,
                      std::vector<std::unique_ptr<SwfBitmap>> pictures,
                      const std::vector<const AlbumCaption*>& captions,
                      const std::function<bool(std::uint32_t done)>& progress) {
  const std::int32_t W = scene.width(), H = scene.height();
  const std::vector<SceneSlide>& slides = scene.slides();
  for (std::size_t k = 0; k < slides.size(); ++k) {
    const SceneSlide& slide = slides[k];
    const std::uint32_t code = TransitionTable[slide.transition];
    const bool fade = (code >> 16) == kFadeFamily;
    const bool moves = slide.motion.moves();
    const std::uint64_t first = scene.firstShown(k);
    const std::uint64_t length =
        (k + 1 < slides.size() ? scene.firstShown(k + 1) : scene.frameCount()) - first;
    const std::uint64_t transition = transitionFrameCount(code, W, H);
    const bool previousShown = k > 0 && !over;
    const bool previousMoves = previousShown && slides[k - 1].motion.moves();
    const bool previousFades = previousShown && fade;
    // The caption stands over the hold, which follows the transition.
    const AlbumCaption* caption = k < captions.size() ? captions[k] : nullptr;
    const auto holdFrames = std::int64_t(std::max(slide.holdSeconds, 0)) * kAlbumFrameRate;
    TransitionEffect::CaptionTrack captionTrack;
    auto captionAt = [&](std::uint64_t g) {
      const std::int64_t position = std::int64_t(g) - std::int64_t(transition);
      if (caption && holdFrames > 0 && position >= 0 && position <= holdFrames)
        TransitionEffect::captionFrame(movie, *caption, W, H, holdFrames, position, captionTrack);
    };
    auto at = [&](std::size_t slideIndex, std::uint64_t g) {
      return scene.transformAt(slideIndex, double(first + g));
    };

    const SwfBitmap& bitmap = *pictures[k];
    movie.addTag(std::move(pictures[k]));
    const std::uint16_t shapeId =
        TransitionEffect::defineBitmapShape(bitmap, SwfPixelRect{0, 0, W, H}, movie);

    const MorphSchedule schedule = MorphSchedule::of(code & 0xFFFF, W, H);
    std::uint16_t morphId = 0;
    if (!fade) {
      // The fill moves linearly with the ratio; the schedule steps the ratio
      // by `step` a frame from frame 1, so ratio r falls on motion frame
      // 1 + r / step, and the end matrix is where the motion would be at
      // ratio 65535 (the outline reaches it only when the plain shape takes over).
      const double span = double(scene.lastShown(k) - first);
      const double endClock = 1 + double(kMorphEndRatio) / schedule.step;
      auto transform = [&](double clock) {
        return span > 0 ? motionTransform(slide.motion, clock / span, W, H) : at(k, 0);
      };
      auto morph = std::make_unique<SwfMorphShape>(movie.characterIds(), SwfRect::fromPixels(0, 0, W, H),
                                                   SwfRect::fromPixels(0, 0, W, H));
      const unsigned fill = morph->addFill(SwfMorphFillStyle(
          false, bitmap.characterId(), fillMatrix(transform(1)), fillMatrix(transform(endClock))));
      morph->finish();
      MorphTransition::drawOutlines(code & 0xFFFF, W, H, *morph, fill);
      morphId = morph->characterId();
      movie.addTag(std::move(morph));
    }

    for (std::uint64_t g = 0; g < length; ++g) {
      const PictureTransform t = at(k, g);
      // The incoming picture at TransitionDepth.
      if (fade) {
        std::optional<SwfColorTransform> color;
        if (g <= std::uint64_t(FadeSchedule::kSteps))
          color = SwfColorTransform::fade(static_cast<std::int32_t>(FadeSchedule::incomingAt(double(g))));
        if (g == 0)
          movie.addTag(std::make_unique<SwfPlaceObject>(false, false, true, false, TransitionDepth, shapeId,
                                                        placement(t), color, 0, std::nullopt, 0));
        else if (moves || color)
          movie.addTag(
              move(TransitionDepth, moves ? std::optional<SwfMatrix>(placement(t)) : std::nullopt, color));
      } else if (g == 0) {
        movie.addTag(SwfPlaceObject::place(TransitionDepth, morphId));
      } else if (g <= std::uint64_t(schedule.steps)) {
        movie.addTag(
            SwfPlaceObject::setRatio(TransitionDepth, static_cast<std::int32_t>(schedule.ratioAt(g))));
      } else if (g == std::uint64_t(schedule.steps) + 1) {
        // The outline covers the album: the plain shape takes over.
        movie.addTag(std::make_unique<SwfRemoveObject>(TransitionDepth));
        movie.addTag(put(TransitionDepth, shapeId, t));
      } else if (moves) {
        movie.addTag(move(TransitionDepth, placement(t), std::nullopt));
      }

      // The previous picture at SettledDepth, until the transition is over.
      if (previousShown && g < transition) {
        std::optional<SwfColorTransform> color;
        if (previousFades && g >= 1)
          color = SwfColorTransform::fade(static_cast<std::int32_t>(FadeSchedule::settledAt(double(g))));
        if (previousMoves || color)
          movie.addTag(move(SettledDepth,
                            previousMoves ? std::optional<SwfMatrix>(placement(at(k - 1, g))) : std::nullopt,
                            color));
      } else if (previousShown && g == transition) {
        movie.addTag(std::make_unique<SwfRemoveObject>(SettledDepth));
      }

      // The last frame leaves the picture settled beneath, for the next slide.
      if (!over && g + 1 == length) movie.addTag(put(SettledDepth, shapeId, t));
      captionAt(g);
      movie.addTag(std::make_unique<SwfShowFrame>());
    }
    captionAt(length);  // over the background the hold ends the slide
    movie.addTag(std::make_unique<SwfRemoveObject>(TransitionDepth));
    if (progress && !progress(static_cast<std::uint32_t>(k + 1))) return false;
  }
  return true;
}

}  // namespace slidewright
