// The album canvas: fit-and-centre geometry checked on decoded pictures, and
// the quality of the downscale.
#include <gtest/gtest.h>

#include "inputs.h"
#include "media/canvas.h"
#include "media/picture.h"

namespace {

using namespace slidewright::media;
using namespace testinputs;

const Rgb kBack{0, 0, 128}, kPic{250, 200, 20};

// Renders a solid picture of pw x ph through the JPEG decoder (with its
// reduced-scale path) onto a 640 x 480 canvas and returns the canvas.
Image renderSolid(int pw, int ph) {
  Bytes b = jpeg(solid(pw, ph, kPic));
  auto picture = decodePicture(b.data(), b.size(), DecodeOptions{kBack, 640, 480});
  EXPECT_TRUE(picture.ok()) << picture.message();
  auto canvas = renderCanvas(picture.value(), 640, 480, kBack);
  EXPECT_TRUE(canvas.ok()) << canvas.message();
  return canvas.value();
}

// The extent of the picture's colour along a row and a column through the centre.
FitRect drawnArea(const Image& c) {
  FitRect r{-1, -1, 0, 0};
  for (int x = 0; x < c.width; ++x)
    if (near(c.at(x, c.height / 2), kPic, 24)) {
      if (r.x < 0) r.x = x;
      r.width = x - r.x + 1;
    }
  for (int y = 0; y < c.height; ++y)
    if (near(c.at(c.width / 2, y), kPic, 24)) {
      if (r.y < 0) r.y = y;
      r.height = y - r.y + 1;
    }
  return r;
}

TEST(AlbumCanvas, FitAndCentreOnA640By480Album) {
  struct Case {
    int pw, ph;
    FitRect want;
  };
  const Case cases[] = {
      {1600, 1200, {0, 0, 640, 480}},    // same shape: fills the album
      {1200, 1600, {140, 0, 360, 480}},  // upright: bars left and right
      {320, 200, {160, 140, 320, 200}},  // small: kept at its own size, centred
  };
  for (const Case& c : cases) {
    const FitRect f = fitPicture(c.pw, c.ph, 640, 480);
    EXPECT_EQ(f.x, c.want.x);
    EXPECT_EQ(f.y, c.want.y);
    EXPECT_EQ(f.width, c.want.width);
    EXPECT_EQ(f.height, c.want.height);
    const FitRect drawn = drawnArea(renderSolid(c.pw, c.ph));
    EXPECT_EQ(drawn.x, c.want.x) << c.pw << "x" << c.ph;
    EXPECT_EQ(drawn.y, c.want.y) << c.pw << "x" << c.ph;
    EXPECT_EQ(drawn.width, c.want.width) << c.pw << "x" << c.ph;
    EXPECT_EQ(drawn.height, c.want.height) << c.pw << "x" << c.ph;
  }
  const Image c = renderSolid(1200, 1600);
  EXPECT_EQ(c.at(0, 0), kBack);
  EXPECT_EQ(c.at(639, 479), kBack);
}

TEST(AlbumCanvas, IntegerDivisionsTruncate) {
  // 641 x 480 on 640 x 480: W*ph == H*pw is false, w = 640, h = 480*640/641 = 479,
  // centred at y = (480 - 479) / 2 = 0.
  FitRect f = fitPicture(641, 480, 640, 480);
  EXPECT_EQ(f.width, 640);
  EXPECT_EQ(f.height, 479);
  EXPECT_EQ(f.y, 0);
  // 333 x 100 on 100 x 75: w = 100, h = 100*100/333 = 30, y = (75 - 30) / 2 = 22.
  f = fitPicture(333, 100, 100, 75);
  EXPECT_EQ(f.width, 100);
  EXPECT_EQ(f.height, 30);
  EXPECT_EQ(f.y, 22);
  // A picture taller than wide that fits in width but not in height.
  f = fitPicture(300, 700, 800, 600);
  EXPECT_EQ(f.width, 257);
  EXPECT_EQ(f.height, 600);
  EXPECT_EQ(f.x, 271);
}

TEST(AlbumCanvas, AThinPictureKeepsOnePixel) {
  // 10000 x 3 on 640 x 480 would be 640 x 0 by the integer rule and vanish.
  const FitRect f = fitPicture(10000, 3, 640, 480);
  EXPECT_EQ(f.width, 640);
  EXPECT_EQ(f.height, 1);
  EXPECT_EQ(f.y, 239);
}

TEST(AlbumCanvas, DownscaleAveragesInsteadOfPicking) {
  // A one-pixel black and white checkerboard halved is mid grey everywhere;
  // picking the nearest pixel would give pure black or white.
  Image board = solid(64, 64, {});
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      if ((x + y) % 2) board.set(x, y, {255, 255, 255});
  auto half = resizeArea(board, 32, 32);
  ASSERT_TRUE(half.ok());
  for (int y = 0; y < 32; y += 7)
    for (int x = 0; x < 32; x += 5) EXPECT_TRUE(near(half.value().at(x, y), {128, 128, 128}, 1));
  // A non-integer ratio keeps the mean and stays between the extremes.
  auto odd = resizeArea(board, 23, 17);
  ASSERT_TRUE(odd.ok());
  long sum = 0;
  for (std::uint8_t v : odd.value().rgb) sum += v;
  EXPECT_NEAR(static_cast<double>(sum) / odd.value().rgb.size(), 127.5, 6);
  for (std::uint8_t v : odd.value().rgb) {
    EXPECT_GT(v, 60);
    EXPECT_LT(v, 195);
  }
}

TEST(AlbumCanvas, SharpEdgesStayInPlaceWhenShrinking) {
  // Left half red, right half blue, 4000 x 3000 shrunk to 800 x 600 through
  // the reduced-scale JPEG path: the edge lands at x = 400.
  Image img = solid(4000, 3000, {255, 0, 0});
  for (int y = 0; y < 3000; ++y)
    for (int x = 2000; x < 4000; ++x) img.set(x, y, {0, 0, 255});
  Bytes b = jpeg(img);
  auto p = decodePicture(b.data(), b.size(), DecodeOptions{kBack, 800, 600});
  ASSERT_TRUE(p.ok());
  EXPECT_EQ(p.value().pixels.width, 1000);  // quarter scale, still above 800
  auto c = renderCanvas(p.value(), 800, 600, kBack);
  ASSERT_TRUE(c.ok());
  EXPECT_TRUE(near(c.value().at(397, 300), {255, 0, 0}, 30));
  EXPECT_TRUE(near(c.value().at(402, 300), {0, 0, 255}, 30));
}

}  // namespace
