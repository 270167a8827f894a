// Slide operations shared by both transition families.
#include <album/transition.h>

#include <cmath>

namespace slidewright {

namespace {

// A bitmap fill's scale of 20.0 in 16.16 fixed point: one bitmap pixel
// covers 20 twips, one album pixel.
constexpr std::int32_t kBitmapScale = 20 << 16;

}  // namespace

TransitionEffect::~TransitionEffect() = default;

SwfMatrix TransitionEffect::bitmapMatrix(std::int32_t x, std::int32_t y) {
  return SwfMatrix(true, kBitmapScale, kBitmapScale, false, 0, 0, Twips::fromPixels(x), Twips::fromPixels(y));
}

SwfMorphFillStyle TransitionEffect::morphBitmapFill(int kind, std::uint16_t bitmapId, std::int32_t x,
                                                    std::int32_t y) {
  // With an identity end matrix a player would shrink the picture twenty-fold
  // while the outline grows; the same matrix at both ends keeps it still.
  return SwfMorphFillStyle(kind != 0, bitmapId, bitmapMatrix(x, y), bitmapMatrix(x, y));
}

void TransitionEffect::placeCharacter(std::uint16_t depth, std::uint16_t id, SwfMovie& movie) {
  movie.addTag(SwfPlaceObject::place(depth, id));
  movie.addTag(std::make_unique<SwfShowFrame>());
}

void TransitionEffect::morphFrame(std::int32_t ratio, std::uint16_t depth, SwfMovie& movie) {
  movie.addTag(SwfPlaceObject::setRatio(depth, ratio));
  movie.addTag(std::make_unique<SwfShowFrame>());
}

void TransitionEffect::finishMorph(std::uint16_t depth, SwfMovie& movie) {
  movie.addTag(SwfPlaceObject::setRatio(depth, kMorphEndRatio));
  movie.addTag(std::make_unique<SwfShowFrame>());
}

void TransitionEffect::removeSettled(const SlideContext& slide) {
  if (!slide.overBackground) slide.movie.addTag(std::make_unique<SwfRemoveObject>(SettledDepth));
}

void TransitionEffect::holdFrames(const SlideContext& slide) {
  const std::int64_t frames = std::int64_t(slide.holdSeconds) * kAlbumFrameRate;
  SwfMovie& movie = slide.movie;
  CaptionTrack track;
  for (std::int64_t i = 0; i < frames; ++i) {
    if (slide.caption) captionFrame(movie, *slide.caption, slide.width, slide.height, frames, i, track);
    movie.addTag(std::make_unique<SwfShowFrame>());
  }
  if (slide.caption && frames > 0)
    captionFrame(movie, *slide.caption, slide.width, slide.height, frames, frames, track);
}

void TransitionEffect::captionFrame(SwfMovie& movie, const AlbumCaption& caption, std::int32_t width,
                                    std::int32_t height, std::int64_t holdFrames, std::int64_t position,
                                    CaptionTrack& track) {
  if (position >= holdFrames) {
    movie.addTag(std::make_unique<SwfRemoveObject>(CaptionDepth));
    return;
  }
  const auto alpha =
      static_cast<std::int32_t>(std::lround(captionOpacity(holdFrames, double(position)) * 256));
  if (position == 0) {
    auto shape = captionShape(movie.characterIds(), caption, width, height);
    track.id = shape->characterId();
    movie.addTag(std::move(shape));
    movie.addTag(SwfPlaceObject::placeWithTransform(CaptionDepth, track.id, SwfColorTransform::fade(alpha)));
  } else if (alpha != track.shownAlpha) {
    movie.addTag(SwfPlaceObject::changeTransform(CaptionDepth, SwfColorTransform::fade(alpha)));
  }
  track.shownAlpha = alpha;
}

void TransitionEffect::settlePicture(const SlideContext& slide, const SwfBitmap& bitmap) {
  if (!slide.overBackground)
    placeBitmapShape(bitmap, SettledDepth, SwfPixelRect{0, 0, slide.width, slide.height}, slide.movie);
}

std::uint16_t TransitionEffect::defineBitmapShape(const SwfBitmap& bitmap, const SwfPixelRect& rect,
                                                  SwfMovie& movie) {
  auto shape = std::make_unique<SwfShape>(movie.characterIds(),
                                          SwfRect::fromPixels(rect.left, rect.top, rect.right, rect.bottom));
  shape->addFill(SwfFillStyle(false, bitmap.characterId(), bitmapMatrix(rect.left, rect.top)));
  shape->finish();

  const Twips w = Twips::fromPixels(rect.right - rect.left);
  const Twips h = Twips::fromPixels(rect.bottom - rect.top);
  const Twips zero(0);
  // Move to the top-left corner with line style 0 and the bitmap as fill
  // style 1, then go round clockwise.
  shape->addRecord(std::make_unique<SwfStyleChange>(
      SwfStyleChangeData::startFill({Twips::fromPixels(rect.left), Twips::fromPixels(rect.top)}, 1)));
  shape->addRecord(std::make_unique<SwfStraightEdge>(w, zero));
  shape->addRecord(std::make_unique<SwfStraightEdge>(zero, h));
  shape->addRecord(std::make_unique<SwfStraightEdge>(-w, zero));
  shape->addRecord(std::make_unique<SwfStraightEdge>(zero, -h));
  shape->addRecord(std::make_unique<SwfEndShape>());

  const std::uint16_t id = shape->characterId();
  movie.addTag(std::move(shape));
  return id;
}

SwfPlaceObject* TransitionEffect::placeBitmapShape(const SwfBitmap& bitmap, std::uint16_t depth,
                                                   const SwfPixelRect& rect, SwfMovie& movie) {
  auto place = SwfPlaceObject::place(depth, defineBitmapShape(bitmap, rect, movie));
  SwfPlaceObject* placed = place.get();
  movie.addTag(std::move(place));
  movie.addTag(std::make_unique<SwfShowFrame>());
  return placed;
}

}  // namespace slidewright
