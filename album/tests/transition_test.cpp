// Every transition at three album sizes: frame counts, the morph's ratios,
// its fill and its start and end outlines, read back from the movie.
#include "album_test_support.h"

#include <album/transition.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace albumtest;
using slidewright::buildAlbum;

namespace {

struct Size {
  int width, height;
};

const Size kSizes[] = {{640, 480}, {100, 75}, {800, 600}};

// Transition frames (before the hold) by index, worked out by hand: N frames
// of the morph give the step 65000 / (N - 1) and the ratios below 65000, plus
// the first placement and the end frame; the fade always takes 27.
int expectedTransitionFrames(int index, Size s) {
  if (index == 9) return 27;
  if (s.width == 640) return index == 10 ? 54 : index == 12 ? 27 : 42;  // N = 53, 26, 40
  if (s.width == 100) return index == 10 ? 10 : index == 12 ? 6 : 7;    // N = 8, 4, 6
  return index == 10 ? 67 : index == 12 ? 35 : 52;                      // N = 66, 33, 50
}

struct Rect {
  double left, top, right, bottom;
};

// The start figures of the rectangle variants, in pixels.
std::vector<Rect> startRects(int index, int W, int H) {
  const int S = H / 15;
  std::vector<Rect> rects;
  switch (index) {
    case 0:
      return {{0, 0, 1, double(H)}};
    case 1:
      return {{double(W - 1), 0, double(W), double(H)}};
    case 2:
      return {{0, 0, double(W), 1}};
    case 3:
      return {{0, double(H - 1), double(W), double(H)}};
    case 5:
      return {{0, 0, 1, 1}};
    case 6:
      return {{double(W - 1), 0, double(W), 1}};
    case 7:
      return {{double(W - 1), double(H - 1), double(W), double(H)}};
    case 8:
      return {{0, double(H - 1), 1, double(H)}};
    case 11:
      return {{double(W / 2 - 1), double(H / 2 - 1), double(W / 2), double(H / 2)}};
    case 10:
      for (int k = 0; k < 15; ++k) {
        const double left = k % 2 == 0 ? 0 : W - 1;
        rects.push_back({left, double(k * S), left + 1, double(k == 14 ? H : (k + 1) * S)});
      }
      return rects;
    case 12:
      for (int k = 0; k < 15; ++k) rects.push_back({0, double(k * S), double(W), double(k * S + 1)});
      return rects;
  }
  return rects;
}

std::vector<Rect> endRects(int index, int W, int H) {
  const int S = H / 15;
  if (index != 10 && index != 12) return {{0, 0, double(W), double(H)}};
  std::vector<Rect> rects;
  for (int k = 0; k < 15; ++k)
    rects.push_back({0, double(k * S), double(W), double(k == 14 ? H : (k + 1) * S)});
  return rects;
}

void expectBoxes(const std::vector<Box>& boxes, const std::vector<Rect>& rects) {
  ASSERT_EQ(boxes.size(), rects.size());
  for (std::size_t i = 0; i < rects.size(); ++i) {
    SCOPED_TRACE("figure " + std::to_string(i));
    EXPECT_EQ(boxes[i].left, rects[i].left);
    EXPECT_EQ(boxes[i].top, rects[i].top);
    EXPECT_EQ(boxes[i].right, rects[i].right);
    EXPECT_EQ(boxes[i].bottom, rects[i].bottom);
  }
}

// Start and end outlines must match record for record for a player to
// interpolate them.
void expectSameRecordKinds(const player::DefineMorphShapeTag& morph) {
  ASSERT_EQ(morph.startEdges.size(), morph.endEdges.size());
  for (std::size_t i = 0; i < morph.startEdges.size(); ++i)
    EXPECT_EQ(morph.startEdges[i].type, morph.endEdges[i].type) << "record " << i;
}

}  // namespace

TEST(Transitions, EveryIndexAtEverySizeHasItsFramesAndOutlines) {
  ScratchDir dir;
  for (Size s : kSizes) {
    for (int index = 0; index < 13; ++index) {
      SCOPED_TRACE("transition " + std::to_string(index) + " at " + std::to_string(s.width) + " x " +
                   std::to_string(s.height));
      JobFixture f(dir, s.width, s.height, {index});
      f.job.pauseSeconds = 2;
      ASSERT_EQ(buildAlbum(&f.job), 1);
      const player::Movie movie = readMovie(f.output);
      const int transition = expectedTransitionFrames(index, s);
      EXPECT_EQ(showFrames(movie), transition + 24 + 1);
      EXPECT_EQ(movie.header.frameCount, transition + 24 + 1);
      EXPECT_EQ(movie.header.frameRect.xMax, s.width * 20);
      EXPECT_EQ(movie.header.frameRect.yMax, s.height * 20);

      const auto morphs = tagsOf<player::DefineMorphShapeTag>(movie);
      if (index == 9) {
        EXPECT_TRUE(morphs.empty());
        continue;
      }
      ASSERT_EQ(morphs.size(), 1u);
      const auto& morph = *morphs[0];
      const player::Rect album{0, s.width * 20, 0, s.height * 20};
      EXPECT_EQ(morph.startBounds, album);
      EXPECT_EQ(morph.endBounds, album);

      // The ratios step evenly from 0, then jump to the end outline.
      std::vector<int> ratios;
      for (const auto* p : tagsOf<player::PlaceObject2Tag>(movie))
        if (p->hasRatio) ratios.push_back(p->ratio);
      ASSERT_EQ(int(ratios.size()), transition - 1);
      EXPECT_EQ(ratios.back(), 65535);
      EXPECT_EQ(ratios.front(), 0);
      const int step = ratios.size() > 2 ? ratios[1] : 0;
      for (std::size_t i = 0; i + 1 < ratios.size(); ++i) EXPECT_EQ(ratios[i], int(i) * step);
      EXPECT_LT(ratios[ratios.size() - 2], 65000);
      EXPECT_GE(ratios[ratios.size() - 2] + step, 65000);

      // The picture stands still: the fill's end matrix equals its start.
      ASSERT_EQ(morph.fillStyles.size(), 1u);
      const auto& fill = morph.fillStyles[0];
      EXPECT_EQ(fill.type, player::kFillClippedBitmap);
      EXPECT_EQ(fill.bitmapId, 1);
      for (const player::Matrix* m : {&fill.startMatrix, &fill.endMatrix}) {
        EXPECT_TRUE(m->hasScale);
        EXPECT_EQ(m->scaleX, 20 << 16);
        EXPECT_EQ(m->scaleY, 20 << 16);
        EXPECT_FALSE(m->hasRotate);
        EXPECT_EQ(m->translateX, 0);
        EXPECT_EQ(m->translateY, 0);
      }

      expectSameRecordKinds(morph);
      EXPECT_EQ(morph.startFillBits, 1);
      EXPECT_EQ(morph.endFillBits, 0);
      for (const auto& r : morph.startEdges)
        if (r.type == player::ShapeRecord::Type::StyleChange) {
          EXPECT_TRUE(r.stateFillStyle0);
          EXPECT_EQ(r.fillStyle0, 1u);
        }
      if (index == 4) continue;  // the circle has a test of its own
      expectBoxes(outlineBoxes(morph.startEdges), startRects(index, s.width, s.height));
      expectBoxes(outlineBoxes(morph.endEdges), endRects(index, s.width, s.height));
    }
  }
}

TEST(Transitions, StripsAndBlindsGiveTheLastBandTheRemainder) {
  ScratchDir dir;
  // 100 high: bands of 6 pixels, the last from 84 to 100.
  for (int index : {10, 12}) {
    JobFixture f(dir, 120, 100, {index});
    ASSERT_EQ(buildAlbum(&f.job), 1);
    const player::Movie movie = readMovie(f.output);
    const auto& morph = *tagsOf<player::DefineMorphShapeTag>(movie)[0];
    const auto ends = outlineBoxes(morph.endEdges);
    ASSERT_EQ(ends.size(), 15u);
    EXPECT_EQ(ends[13].top, 78);
    EXPECT_EQ(ends[13].bottom, 84);
    EXPECT_EQ(ends[14].top, 84);
    EXPECT_EQ(ends[14].bottom, 100);
    const auto starts = outlineBoxes(morph.startEdges);
    ASSERT_EQ(starts.size(), 15u);
    // Strips start as a full-height column of their band; blinds as the
    // band's top line only, the last one included.
    EXPECT_EQ(starts[14].top, 84);
    EXPECT_EQ(starts[14].bottom, index == 10 ? 100 : 85);
  }
}

TEST(Transitions, CircleGrowsFromTheCentreBeyondTheCorners) {
  ScratchDir dir;
  const struct {
    int width, height;
    int startLeft, startTop;    // box of the start circle, 4 pixels wide
    int endLeft, endTop, side;  // box of the end circle
  } cases[] = {
      {640, 480, 318, 238, -226, -306, 1092},
      {641, 480, 318, 238, -226, -306, 1092},  // an odd width halves down
      {100, 75, 48, 35, -35, -48, 170},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    JobFixture f(dir, c.width, c.height, {4});
    ASSERT_EQ(buildAlbum(&f.job), 1);
    const player::Movie movie = readMovie(f.output);
    const auto& morph = *tagsOf<player::DefineMorphShapeTag>(movie)[0];
    expectSameRecordKinds(morph);

    // The outline starts at 0.85 of the box, then eight curves go round.
    for (const auto* edges : {&morph.startEdges, &morph.endEdges}) {
      const bool start = edges == &morph.startEdges;
      const double left = start ? c.startLeft : c.endLeft;
      const double top = start ? c.startTop : c.endTop;
      const double side = start ? 4 : c.side;
      ASSERT_EQ(edges->size(), 9u);
      EXPECT_EQ((*edges)[0].x, 20 * std::trunc(left + 0.85 * side));
      EXPECT_EQ((*edges)[0].y, 20 * std::trunc(top + 0.85 * side));
      const auto boxes = outlineBoxes(*edges);
      ASSERT_EQ(boxes.size(), 1u);
      // The eight curves close the outline.
      EXPECT_EQ(edges->back().x, (*edges)[0].x);
      EXPECT_EQ(edges->back().y, (*edges)[0].y);
      // The eight-curve approximation runs a little off the box; it must
      // still be a figure of about the box's size at the box's place.
      const double slack = 0.06 * side + 0.5;
      EXPECT_NEAR(boxes[0].left, left, slack);
      EXPECT_NEAR(boxes[0].top, top, slack);
      EXPECT_NEAR(boxes[0].right, left + side, slack);
      EXPECT_NEAR(boxes[0].bottom, top + side, slack);
    }
  }
}
