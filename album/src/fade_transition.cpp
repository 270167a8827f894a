// Family two: the cross-fade. The incoming picture is placed fully
// transparent at the transition depth; over 26 frames its alpha rises in
// steps of 10 while the settled picture's alpha falls by the same steps
// (the scene's FadeSchedule).
#include <album/scene.h>
#include <album/transition.h>

namespace slidewright {

namespace {

// Bitmap id named by the shape's first, unused fill style.
constexpr std::uint16_t kNoBitmap = 0xFFFF;

}  // namespace

void FadeTransition::apply(const SlideContext& slide, std::unique_ptr<SwfBitmap> picture) {
  const std::int32_t W = slide.width;
  const std::int32_t H = slide.height;
  SwfMovie& movie = slide.movie;

  const SwfBitmap& bitmap = *picture;
  movie.addTag(std::move(picture));

  // Two fill styles: a clipped fill naming no bitmap, which no edge uses,
  // and the picture as a repeating fill, which the rectangle uses.
  auto shape = std::make_unique<SwfShape>(movie.characterIds(), SwfRect::fromPixels(0, 0, W, H));
  shape->addFill(SwfFillStyle(false, kNoBitmap, bitmapMatrix(0, 0)));
  const unsigned fill = shape->addFill(SwfFillStyle(true, bitmap.characterId(), bitmapMatrix(0, 0)));
  shape->finish();

  const Twips w = Twips::fromPixels(W);
  const Twips h = Twips::fromPixels(H);
  const Twips zero(0);
  shape->addRecord(std::make_unique<SwfStyleChange>(SwfStyleChangeData::startFill({zero, zero}, fill)));
  shape->addRecord(std::make_unique<SwfStraightEdge>(w, zero));
  shape->addRecord(std::make_unique<SwfStraightEdge>(zero, h));
  shape->addRecord(std::make_unique<SwfStraightEdge>(-w, zero));
  shape->addRecord(std::make_unique<SwfStraightEdge>(zero, -h));
  shape->addRecord(std::make_unique<SwfEndShape>());
  const std::uint16_t id = shape->characterId();
  movie.addTag(std::move(shape));

  movie.addTag(SwfPlaceObject::placeWithTransform(TransitionDepth, id, SwfColorTransform::fade(0)));
  movie.addTag(std::make_unique<SwfShowFrame>());

  // The schedule's opacities at the frames after the placement.
  for (std::int32_t frame = 1; frame <= FadeSchedule::kSteps; ++frame) {
    const auto in = static_cast<std::int32_t>(FadeSchedule::incomingAt(frame));
    const auto out = static_cast<std::int32_t>(FadeSchedule::settledAt(frame));
    movie.addTag(SwfPlaceObject::changeTransform(TransitionDepth, SwfColorTransform::fade(in)));
    if (!slide.overBackground)
      movie.addTag(SwfPlaceObject::changeTransform(SettledDepth, SwfColorTransform::fade(out)));
    movie.addTag(std::make_unique<SwfShowFrame>());
  }

  removeSettled(slide);
  holdFrames(slide);
  movie.addTag(std::make_unique<SwfRemoveObject>(TransitionDepth));
  settlePicture(slide, bitmap);
}

}  // namespace slidewright
