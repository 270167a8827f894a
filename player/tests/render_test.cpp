#include <gtest/gtest.h>

#include <cmath>

#include "player/render.h"

using namespace player;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Twips per pixel: shapes below are drawn at 1 px = 20 twips.
const Transform kPixels = Transform::scale(1.0 / 20, 1.0 / 20);

ShapeRecord move(int x, int y, uint32_t fill0, uint32_t fill1) {
  ShapeRecord r;
  r.type = ShapeRecord::Type::StyleChange;
  r.stateMoveTo = true;
  r.x = r.fromX = x;
  r.y = r.fromY = y;
  r.stateFillStyle0 = true;
  r.fillStyle0 = fill0;
  r.stateFillStyle1 = true;
  r.fillStyle1 = fill1;
  return r;
}

ShapeRecord line(int x0, int y0, int x1, int y1) {
  ShapeRecord r;
  r.type = ShapeRecord::Type::StraightEdge;
  r.fromX = x0;
  r.fromY = y0;
  r.x = x1;
  r.y = y1;
  r.controlX = int((int64_t(x0) + x1) / 2);
  r.controlY = int((int64_t(y0) + y1) / 2);
  return r;
}

// A rectangle in twips, drawn clockwise or counter-clockwise.
std::vector<ShapeRecord> rectangle(int l, int t, int r, int b, uint32_t fill0, uint32_t fill1,
                                   bool clockwise = true) {
  std::vector<ShapeRecord> out{move(l, t, fill0, fill1)};
  if (clockwise) {
    out.push_back(line(l, t, r, t));
    out.push_back(line(r, t, r, b));
    out.push_back(line(r, b, l, b));
    out.push_back(line(l, b, l, t));
  } else {
    out.push_back(line(l, t, l, b));
    out.push_back(line(l, b, r, b));
    out.push_back(line(r, b, r, t));
    out.push_back(line(r, t, l, t));
  }
  return out;
}

Paint solid(uint8_t r, uint8_t g, uint8_t b) {
  Paint p;
  p.kind = Paint::Kind::Solid;
  p.color = {r, g, b, 255};
  return p;
}

// A 4 x 2 bitmap whose pixel (x, y) has red 10 * x + 1 and green 10 * y + 1.
std::shared_ptr<Image> testBitmap() {
  auto img = std::make_shared<Image>(4, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) {
      uint8_t* p = img->row(y) + 4 * x;
      p[0] = uint8_t(10 * x + 1);
      p[1] = uint8_t(10 * y + 1);
      p[2] = 200;
      p[3] = 255;
    }
  return img;
}

Paint bitmapPaint(std::shared_ptr<Image> img, double scale, bool repeat, bool smooth = false) {
  Paint p;
  p.kind = Paint::Kind::Bitmap;
  p.bitmap = std::move(img);
  p.matrix = Transform::scale(scale, scale);
  p.repeat = repeat;
  p.smooth = smooth;
  return p;
}

const uint8_t* px(const Image& img, int x, int y) { return img.row(y) + 4 * x; }

}  // namespace

TEST(Render, FillsAClosedOutlineWhicheverSideCarriesItsStyle) {
  // The same square with its style on the left or the right of its edges,
  // drawn in either direction, covers the same pixels.
  Image reference(10, 10);
  for (int variant = 0; variant < 4; ++variant) {
    bool useFill0 = variant & 1, clockwise = variant & 2;
    Image canvas(10, 10);
    canvas.fill({0, 0, 0, 255});
    auto records = rectangle(40, 40, 160, 120, useFill0 ? 1 : 0, useFill0 ? 0 : 1, clockwise);
    drawPaths(canvas, buildPaths(records, {solid(255, 0, 0)}), kPixels, ColorMatrix{});
    EXPECT_EQ(px(canvas, 2, 2)[0], 255) << variant;
    EXPECT_EQ(px(canvas, 7, 5)[0], 255) << variant;
    EXPECT_EQ(px(canvas, 8, 2)[0], 0) << variant;
    EXPECT_EQ(px(canvas, 2, 6)[0], 0) << variant;
    if (variant == 0) reference = canvas;
    EXPECT_EQ(canvas.pixels, reference.pixels) << variant;
  }
}

TEST(Render, EdgesSharedByTwoStylesAndInnerEdgesOfOneStyle) {
  // Two squares side by side sharing an edge with fill0 = 1 and fill1 = 2.
  std::vector<ShapeRecord> r;
  r.push_back(move(0, 0, 0, 1));
  r.push_back(line(0, 0, 100, 0));
  r.push_back(move(100, 0, 2, 1));  // shared edge: style 2 on one side, 1 on the other
  r.push_back(line(100, 0, 100, 100));
  r.push_back(move(100, 100, 0, 1));
  r.push_back(line(100, 100, 0, 100));
  r.push_back(line(0, 100, 0, 0));
  r.push_back(move(100, 0, 2, 0));
  r.push_back(line(100, 0, 200, 0));
  r.push_back(line(200, 0, 200, 100));
  r.push_back(line(200, 100, 100, 100));
  // An edge with the same style on both sides bounds nothing.
  r.push_back(move(150, 0, 2, 2));
  r.push_back(line(150, 0, 150, 100));
  Image canvas(10, 5);
  canvas.fill({0, 0, 0, 255});
  drawPaths(canvas, buildPaths(r, {solid(255, 0, 0), solid(0, 0, 255)}), kPixels, ColorMatrix{});
  EXPECT_EQ(px(canvas, 2, 2)[0], 255);
  EXPECT_EQ(px(canvas, 7, 2)[2], 255);
  EXPECT_EQ(px(canvas, 8, 2)[2], 255);
  EXPECT_EQ(px(canvas, 9, 2)[2], 255);
}

TEST(Render, AntiAliasesEdgesByCoverage) {
  // A square from 1.5 to 3.5 pixels: its border pixels are half covered.
  Image canvas(5, 5);
  canvas.fill({0, 0, 0, 255});
  drawPaths(canvas, buildPaths(rectangle(30, 30, 70, 70, 0, 1), {solid(255, 255, 255)}), kPixels,
            ColorMatrix{});
  EXPECT_EQ(px(canvas, 2, 2)[0], 255);
  EXPECT_NEAR(px(canvas, 1, 2)[0], 128, 2);
  EXPECT_NEAR(px(canvas, 2, 1)[0], 128, 2);
  EXPECT_NEAR(px(canvas, 1, 1)[0], 64, 2);
  EXPECT_EQ(px(canvas, 0, 0)[0], 0);
}

TEST(Render, CurvedOutlineCoversTheCircleArea) {
  // A circle of radius 20 px from eight quadratic curves.
  const double R = 400;
  std::vector<ShapeRecord> r{move(int(R) + 500, 500, 0, 1)};
  for (int i = 0; i < 8; ++i) {
    double a0 = i * kPi / 4, a1 = (i + 1) * kPi / 4, am = (a0 + a1) / 2;
    ShapeRecord c;
    c.type = ShapeRecord::Type::CurvedEdge;
    c.fromX = int(std::lround(500 + R * std::cos(a0)));
    c.fromY = int(std::lround(500 + R * std::sin(a0)));
    c.controlX = int(std::lround(500 + R / std::cos(kPi / 8) * std::cos(am)));
    c.controlY = int(std::lround(500 + R / std::cos(kPi / 8) * std::sin(am)));
    c.x = int(std::lround(500 + R * std::cos(a1)));
    c.y = int(std::lround(500 + R * std::sin(a1)));
    r.push_back(c);
  }
  Image canvas(50, 50);
  canvas.fill({0, 0, 0, 255});
  drawPaths(canvas, buildPaths(r, {solid(255, 255, 255)}), kPixels, ColorMatrix{});
  double sum = 0;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 50; ++x) sum += px(canvas, x, y)[0] / 255.0;
  EXPECT_NEAR(sum, kPi * 20 * 20, 0.01 * kPi * 400);
}

TEST(Render, ClippedBitmapFillExtendsItsEdgesAndRepeatingFillWraps) {
  auto img = testBitmap();
  // Bitmap pixels 20 twips wide: one texel per device pixel; the shape is
  // twice the bitmap's width.
  for (bool repeat : {false, true}) {
    Image canvas(8, 2);
    canvas.fill({0, 0, 0, 255});
    drawPaths(canvas, buildPaths(rectangle(0, 0, 160, 40, 0, 1), {bitmapPaint(img, 20, repeat)}), kPixels,
              ColorMatrix{});
    for (int x = 0; x < 8; ++x) {
      int texel = x < 4 ? x : repeat ? x - 4 : 3;
      EXPECT_EQ(px(canvas, x, 0)[0], 10 * texel + 1) << "x " << x << " repeat " << repeat;
      EXPECT_EQ(px(canvas, x, 1)[1], 11) << x;
    }
  }
}

TEST(Render, ScaledBitmapFillMatchesUnitFillSampledTwice) {
  // At scale 40 each texel covers 2 x 2 pixels; the general sampling path
  // must agree with the row-copy path's texel choice.
  auto img = testBitmap();
  Image canvas(8, 4);
  canvas.fill({0, 0, 0, 255});
  drawPaths(canvas, buildPaths(rectangle(0, 0, 160, 80, 0, 1), {bitmapPaint(img, 40, false)}), kPixels,
            ColorMatrix{});
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(px(canvas, x, y)[0], 10 * (x / 2) + 1) << x << "," << y;
      EXPECT_EQ(px(canvas, x, y)[1], 10 * (y / 2) + 1) << x << "," << y;
    }
  // Smoothed sampling at a whole offset lands on texel centres exactly.
  Image smooth(4, 2);
  drawPaths(smooth, buildPaths(rectangle(0, 0, 80, 40, 0, 1), {bitmapPaint(img, 20, false, true)}), kPixels,
            ColorMatrix{});
  EXPECT_EQ(smooth.pixels, img->pixels);
}

TEST(Render, RotatedBitmapFillSamplesThroughTheInverseMatrix) {
  // Rotated by 90 degrees: texel (u, v) lands at device (-v, u) before the shift.
  auto img = testBitmap();
  Paint p = bitmapPaint(img, 20, false);
  p.matrix = Transform{0, 20, -20, 0, 40, 0};  // x' = -20 v + 40, y' = 20 u
  Image canvas(2, 4);
  canvas.fill({0, 0, 0, 255});
  drawPaths(canvas, buildPaths(rectangle(0, 0, 40, 80, 0, 1), {p}), kPixels, ColorMatrix{});
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 2; ++x) {
      EXPECT_EQ(px(canvas, x, y)[0], 10 * y + 1) << x << "," << y;
      EXPECT_EQ(px(canvas, x, y)[1], 10 * (1 - x) + 1) << x << "," << y;
    }
}

TEST(Render, ColourTransformScalesAndBlends) {
  Image canvas(4, 4);
  auto fillWith = [&](const ColorMatrix& cm) {
    canvas.fill({0, 0, 200, 255});
    drawPaths(canvas, buildPaths(rectangle(0, 0, 80, 80, 0, 1), {solid(200, 100, 0)}), kPixels, cm);
  };
  ColorMatrix half;
  half.mult[3] = 128;
  fillWith(half);
  EXPECT_NEAR(px(canvas, 1, 1)[0], 100, 1);
  EXPECT_NEAR(px(canvas, 1, 1)[2], 100, 1);

  ColorMatrix invisible;
  invisible.mult[0] = invisible.mult[1] = invisible.mult[2] = 255;
  invisible.mult[3] = 0;
  fillWith(invisible);
  EXPECT_EQ(px(canvas, 1, 1)[0], 0);
  EXPECT_EQ(px(canvas, 1, 1)[2], 200);

  ColorMatrix addRed;
  addRed.add[0] = 100;
  addRed.mult[1] = 512;
  fillWith(addRed);
  EXPECT_EQ(px(canvas, 1, 1)[0], 255);  // clamped
  EXPECT_EQ(px(canvas, 1, 1)[1], 200);

  // Composition: this(other(c)).
  ColorMatrix a, b;
  a.mult[0] = 128;
  b.add[0] = 10;
  ColorMatrix ab = a * b;
  EXPECT_EQ(ab.apply({100, 0, 0, 255}).r, 55);
}

TEST(Render, IgnoresStyleIndicesOutsideTheShapeAndDegenerateMatrices) {
  Image canvas(4, 4);
  canvas.fill({0, 0, 0, 255});
  drawPaths(canvas, buildPaths(rectangle(0, 0, 80, 80, 0, 7), {solid(255, 0, 0)}), kPixels, ColorMatrix{});
  Paint flat = bitmapPaint(testBitmap(), 0, false);  // a zero matrix cannot be inverted
  drawPaths(canvas, buildPaths(rectangle(0, 0, 80, 80, 0, 1), {flat}), kPixels, ColorMatrix{});
  Paint missing = bitmapPaint(nullptr, 20, false);
  drawPaths(canvas, buildPaths(rectangle(0, 0, 80, 80, 0, 1), {missing}), kPixels, ColorMatrix{});
  for (size_t i = 0; i < canvas.pixels.size(); i += 4) EXPECT_EQ(canvas.pixels[i], 0);
}

TEST(Render, FarAwayAndExtremeGeometryStaysInsideTheCanvas) {
  // Coordinates near the 32-bit limit, a huge scale and a vanishing bitmap
  // scale: nothing may be written outside the canvas, and the canvas itself
  // is either untouched or painted.
  std::vector<Transform> views = {kPixels, Transform::scale(1e6, 1e6),
                                  Transform{1e-3, 1e9, -1e9, 1e-3, 5, 5}};
  for (const Transform& view : views) {
    Image canvas(6, 6);
    canvas.fill({0, 0, 0, 255});
    std::vector<ShapeRecord> r = rectangle(-2000000000, -2000000000, 2000000000, 60, 0, 1);
    auto more = rectangle(0, 0, 1, 2000000000, 0, 2);
    r.insert(r.end(), more.begin(), more.end());
    Paint tiny = bitmapPaint(testBitmap(), 1e-9, false);
    drawPaths(canvas, buildPaths(r, {bitmapPaint(testBitmap(), 20, true), tiny}), view, ColorMatrix{});
    EXPECT_EQ(canvas.pixels.size(), 6u * 6 * 4);
  }
}

TEST(Render, LinesAreStrokedWithTheirWidthAndJoinWithoutGaps) {
  // An L of two 2-pixel lines: along x at y = 3 px, then down along x = 8 px.
  std::vector<ShapeRecord> r;
  ShapeRecord m = move(20, 60, 0, 0);
  m.stateLineStyle = true;
  m.lineStyle = 1;
  r.push_back(m);
  r.push_back(line(20, 60, 160, 60));
  r.push_back(line(160, 60, 160, 180));
  Stroke red{solid(255, 0, 0), 40};
  Image canvas(12, 12);
  canvas.fill({0, 0, 0, 255});
  drawPaths(canvas, buildPaths(r, {}, {red}), kPixels, ColorMatrix{});
  EXPECT_EQ(px(canvas, 4, 2)[0], 255);  // inside the horizontal line (y 2..4)
  EXPECT_EQ(px(canvas, 4, 3)[0], 255);
  EXPECT_EQ(px(canvas, 4, 5)[0], 0);    // below it
  EXPECT_EQ(px(canvas, 8, 3)[0], 255);  // the corner, covered by both pieces
  EXPECT_EQ(px(canvas, 7, 7)[0], 255);  // inside the vertical line (x 7..9)
  EXPECT_EQ(px(canvas, 10, 7)[0], 0);
  // A hairline is still one pixel wide; the fill of the same edges is separate.
  Image thin(12, 12);
  thin.fill({0, 0, 0, 255});
  drawPaths(thin, buildPaths(r, {}, {Stroke{solid(255, 0, 0), 0}}), kPixels, ColorMatrix{});
  int lit = 0;
  for (int x = 0; x < 12; ++x) lit += px(thin, x, 2)[0] > 0 || px(thin, x, 3)[0] > 0;
  EXPECT_GE(lit, 6);
  EXPECT_EQ(px(thin, 4, 5)[0], 0);
}

TEST(Render, StyleSetsDefinedInsideAShapeAreDrawnAboveTheFirst) {
  // The first set fills a square red; a second set, defined in the records,
  // fills an overlapping square blue, which ends up on top.
  std::vector<ShapeRecord> r = rectangle(0, 0, 100, 100, 0, 1);
  ShapeRecord change;
  change.stateNewStyles = true;
  FillStyle blue;
  blue.color = {0, 0, 255, 255};
  change.newFillStyles.push_back(blue);
  r.push_back(change);
  auto second = rectangle(60, 60, 160, 160, 0, 1);
  r.insert(r.end(), second.begin(), second.end());
  StyleResolver resolver;
  resolver.fill = [](const FillStyle& f) { return solid(f.color.r, f.color.g, f.color.b); };
  resolver.line = [](const LineStyle&) { return Stroke{}; };
  Image canvas(10, 10);
  canvas.fill({0, 0, 0, 255});
  drawPaths(canvas, buildPaths(r, {solid(255, 0, 0)}, {}, &resolver), kPixels, ColorMatrix{});
  EXPECT_EQ(px(canvas, 1, 1)[0], 255);
  EXPECT_EQ(px(canvas, 4, 4)[2], 255);  // overlap: the later set
  EXPECT_EQ(px(canvas, 4, 4)[0], 0);
  EXPECT_EQ(px(canvas, 7, 7)[2], 255);
  // Without a resolver the second set's edges are left out.
  canvas.fill({0, 0, 0, 255});
  drawPaths(canvas, buildPaths(r, {solid(255, 0, 0)}), kPixels, ColorMatrix{});
  EXPECT_EQ(px(canvas, 4, 4)[0], 255);
  EXPECT_EQ(px(canvas, 7, 7)[2], 0);
}
