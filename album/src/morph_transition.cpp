// Family one: wipes, diagonals, circle, rectangle, strips and blinds, each a
// morph shape filled with the incoming picture that grows from a tiny region
// to the whole album while the ratio steps from 0 to 65535.
#include <album/transition.h>

#include <cmath>

namespace slidewright {

namespace {

// Variants of family one (low 16 bits of the transition code).
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

// The strip and blind variants cut the album into this many horizontal bands.
constexpr std::int32_t kBandCount = 15;

// Last ratio the stepping aims at before the final jump to the end outline.
constexpr std::int32_t kMorphStepLimit = 65000;

std::int32_t truncToInt(double value) { return static_cast<std::int32_t>(value); }

}  // namespace

std::int32_t MorphTransition::frameCount(std::uint32_t variant, std::int32_t width, std::int32_t height) {
  switch (variant) {
    case Strips:
      return width / 12;
    case Blinds:
      return (width / 12) / 2;
    default:
      return height / 12;
  }
}

void MorphTransition::drawOutlines(std::uint32_t variant, std::int32_t W, std::int32_t H,
                                   SwfMorphShape& morph, unsigned fill) {
  SwfShapeBuilder draw(morph);
  const SwfOutline start = SwfOutline::Start;
  const SwfOutline end = SwfOutline::End;
  const std::int32_t W2 = W / 2;
  const std::int32_t H2 = H / 2;
  const std::int32_t S = H / kBandCount;
  const SwfPixelRect full{0, 0, W, H};

  // Top and bottom of band k; the last band takes the remainder of the height.
  auto bandTop = [S](std::int32_t k) { return k * S; };
  auto bandBottom = [S, H](std::int32_t k) { return k == kBandCount - 1 ? H : (k + 1) * S; };

  switch (variant) {
    case Circle: {
      draw.ellipse(start, W2 - 2, H2 - 2, 4, 4, 0, fill);
      draw.end(start);
      // Radius about 1.7071 * W2: the circle covers the corners of albums up
      // to about 1.38 times as high as wide. The box starts left of and above
      // the album, so it is computed in signed arithmetic.
      const double e = W2 * (std::sqrt(2.0) * 0.5 + 1.0);
      draw.ellipse(end, truncToInt(W2 - e), truncToInt(H2 - e), truncToInt(2 * e), truncToInt(2 * e), 0,
                   fill);
      draw.end(end);
      return;
    }
    case Strips:
      // Even bands start as a one-pixel column at the left edge, odd bands
      // at the right edge.
      for (std::int32_t k = 0; k < kBandCount; ++k) {
        const std::int32_t left = (k % 2 == 0) ? 0 : W - 1;
        draw.rectangle(start, 0, fill, SwfPixelRect{left, bandTop(k), left + 1, bandBottom(k)});
      }
      draw.end(start);
      for (std::int32_t k = 0; k < kBandCount; ++k)
        draw.rectangle(end, 0, fill, SwfPixelRect{0, bandTop(k), W, bandBottom(k)});
      draw.end(end);
      return;
    case Blinds:
      // Each slat opens downwards from a one-pixel line at its top.
      for (std::int32_t k = 0; k < kBandCount; ++k)
        draw.rectangle(start, 0, fill, SwfPixelRect{0, bandTop(k), W, bandTop(k) + 1});
      draw.end(start);
      for (std::int32_t k = 0; k < kBandCount; ++k)
        draw.rectangle(end, 0, fill, SwfPixelRect{0, bandTop(k), W, bandBottom(k)});
      draw.end(end);
      return;
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
  draw.rectangle(start, 0, fill, from);
  draw.end(start);
  draw.rectangle(end, 0, fill, full);
  draw.end(end);
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

  const std::int32_t n = frameCount(variant, W, H);
  const std::uint16_t id = morph->characterId();
  movie.addTag(std::move(morph));

  placeCharacter(TransitionDepth, id, movie);
  // Unsigned division as in the ratio arithmetic; the album size checks keep
  // n at 2 or more, so the step is at least 1.
  const std::int32_t step =
      n >= 2 ? static_cast<std::int32_t>(std::uint32_t(kMorphStepLimit) / std::uint32_t(n - 1)) : 0;
  morphFrames(0, kMorphStepLimit, step, TransitionDepth, movie);
  finishMorph(TransitionDepth, movie);

  removeSettled(slide);
  holdFrames(slide);
  settlePicture(slide, bitmap);
  movie.addTag(std::make_unique<SwfRemoveObject>(TransitionDepth));
}

}  // namespace slidewright
