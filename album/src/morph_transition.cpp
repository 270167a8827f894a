// Family one: wipes, diagonals, circle, rectangle, strips and blinds, each a
// morph shape filled with the incoming picture that grows from a tiny region
// to the whole album while the ratio steps from 0 to 65535. The figures and
// the ratio schedule are the scene's (album/scene.h).
#include <album/transition.h>

#include <album/scene.h>

namespace slidewright {

namespace {

// Variants whose bands are counted across the width.
constexpr std::uint32_t kStripsVariant = 10;
constexpr std::uint32_t kBlindsVariant = 12;

}  // namespace

std::int32_t MorphTransition::frameCount(std::uint32_t variant, std::int32_t width, std::int32_t height) {
  switch (variant) {
    case kStripsVariant:
      return width / 12;
    case kBlindsVariant:
      return (width / 12) / 2;
    default:
      return height / 12;
  }
}

void MorphTransition::drawOutlines(std::uint32_t variant, std::int32_t W, std::int32_t H,
                                   SwfMorphShape& morph, unsigned fill) {
  SwfShapeBuilder draw(morph);
  const std::vector<MorphFigure> figures = morphFigures(variant, W, H);
  auto outline = [&](SwfOutline which, SwfPixelRect MorphFigure::*box) {
    for (const MorphFigure& f : figures) {
      const SwfPixelRect& r = f.*box;
      if (f.kind == FigureKind::Ellipse)
        draw.ellipse(which, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, fill);
      else
        draw.rectangle(which, 0, fill, r);
    }
    draw.end(which);
  };
  outline(SwfOutline::Start, &MorphFigure::start);
  outline(SwfOutline::End, &MorphFigure::end);
}

void MorphTransition::apply(const SlideContext& slide, std::unique_ptr<SwfBitmap> picture) {
  const std::int32_t W = slide.width;
  const std::int32_t H = slide.height;
  const std::uint32_t variant = code_ & 0xFFFF;
  SwfMovie& movie = slide.movie;

  const SwfBitmap& bitmap = *picture;
  movie.addTag(std::move(picture));

  auto morph = std::make_unique<SwfMorphShape>(movie.characterIds(), SwfRect::fromPixels(0, 0, W, H),
                                               SwfRect::fromPixels(0, 0, W, H));
  const unsigned fill = morph->addFill(morphBitmapFill(0, bitmap.characterId(), 0, 0));
  morph->finish();
  drawOutlines(variant, W, H, *morph, fill);

  const std::uint16_t id = morph->characterId();
  movie.addTag(std::move(morph));

  placeCharacter(TransitionDepth, id, movie);
  // One frame per step of the schedule; the album size checks keep the
  // step at 1 or more.
  const MorphSchedule schedule = MorphSchedule::of(variant, W, H);
  for (std::int32_t frame = 1; frame <= schedule.steps; ++frame)
    morphFrame(static_cast<std::int32_t>(schedule.ratioAt(frame)), TransitionDepth, movie);
  finishMorph(TransitionDepth, movie);

  removeSettled(slide);
  holdFrames(slide);
  settlePicture(slide, bitmap);
  movie.addTag(std::make_unique<SwfRemoveObject>(TransitionDepth));
}

}  // namespace slidewright
