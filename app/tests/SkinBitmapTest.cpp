#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "GdiHandles.h"
#include "SkinBitmap.h"
#include "TestFolder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, unsigned v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

// A BMP file with an 8-bit palette and the given run-length data.
Bytes rle8File(int width, int height, const std::vector<RGBQUAD>& palette, const Bytes& rle,
               std::uint16_t bitCount = 8, std::uint32_t compression = BI_RLE8) {
  Bytes f;
  const std::uint32_t offset = 14 + 40 + 4 * static_cast<std::uint32_t>(palette.size());
  f.push_back('B');
  f.push_back('M');
  put32(f, offset + static_cast<std::uint32_t>(rle.size()));
  put32(f, 0);
  put32(f, offset);
  put32(f, 40);
  put32(f, static_cast<std::uint32_t>(width));
  put32(f, static_cast<std::uint32_t>(height));
  put16(f, 1);
  put16(f, bitCount);
  put32(f, compression);
  put32(f, static_cast<std::uint32_t>(rle.size()));
  put32(f, 2835);
  put32(f, 2835);
  put32(f, static_cast<std::uint32_t>(palette.size()));
  put32(f, 0);
  for (const RGBQUAD& q : palette) {
    f.push_back(q.rgbBlue);
    f.push_back(q.rgbGreen);
    f.push_back(q.rgbRed);
    f.push_back(0);
  }
  f.insert(f.end(), rle.begin(), rle.end());
  return f;
}

Bytes decode(const Bytes& rle, int width, int height) {
  const std::size_t stride = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
  Bytes rows(stride * static_cast<std::size_t>(height), 0);
  decodeRle8(rle.data(), rle.size(), width, height, rows);
  return rows;
}

TEST(Rle8, DecodesRunsLiteralsMovesAndEnds) {
  // Row 0 (bottom): run of 3 x 7, literal 1 2 3 (padded), end of line.
  // Row 1: move 2 right and 0 up, run of 2 x 9, end of bitmap.
  const Bytes rle = {3, 7, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 0, 2, 9, 0, 1, 5, 5};
  const Bytes rows = decode(rle, 6, 2);
  const Bytes expected = {7, 7, 7, 1, 2, 3, 0, 0,  // stride 8
                          0, 0, 9, 9, 0, 0, 0, 0};
  EXPECT_EQ(rows, expected);
}

TEST(Rle8, DamagedDataNeverWritesOutsideTheRows) {
  // Runs and literals longer than a row, a move past the right edge and
  // past the last row, a literal group cut off by the end of the data.
  const std::vector<Bytes> cases = {
      {255, 1, 255, 1, 255, 1},
      {0, 200, 1, 2, 3},
      {0, 2, 250, 0, 5, 4, 0, 2, 0, 250, 5, 4},
      {2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4},
      {0},
      {},
  };
  for (const Bytes& rle : cases) {
    const int width = 5, height = 3;
    const Bytes rows = decode(rle, width, height);
    EXPECT_EQ(rows.size(), 8u * height);
    // Padding bytes at the end of each row stay zero.
    for (int y = 0; y < height; ++y)
      for (int x = width; x < 8; ++x) EXPECT_EQ(rows[static_cast<std::size_t>(y) * 8 + x], 0) << "row " << y;
  }
}

TEST(Rle8, ParsesOnlyEightBitRunLengthFiles) {
  const std::vector<RGBQUAD> palette = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  const Bytes rle = {4, 1, 0, 1};
  const auto ok = parseRle8Bmp(rle8File(4, 1, palette, rle).data(), rle8File(4, 1, palette, rle).size());
  ASSERT_TRUE(ok);
  EXPECT_EQ(ok->width, 4);
  EXPECT_EQ(ok->indexAt(3, 0), 1);
  EXPECT_EQ(ok->palette.size(), 2u);

  auto rejects = [](const Bytes& f) { return !parseRle8Bmp(f.data(), f.size()); };
  EXPECT_TRUE(rejects(rle8File(4, 1, palette, rle, 24)));
  EXPECT_TRUE(rejects(rle8File(4, 1, palette, rle, 8, BI_RGB)));
  EXPECT_TRUE(rejects(rle8File(0, 1, palette, rle)));
  EXPECT_TRUE(rejects(rle8File(4, -1, palette, rle)));
  EXPECT_TRUE(rejects(rle8File(100000, 1, palette, rle)));
  EXPECT_TRUE(rejects(rle8File(4, 1, std::vector<RGBQUAD>(300), rle)));
  Bytes notBmp = rle8File(4, 1, palette, rle);
  notBmp[0] = 'X';
  EXPECT_TRUE(rejects(notBmp));
  Bytes cut = rle8File(4, 1, palette, rle);
  cut.resize(30);
  EXPECT_TRUE(rejects(cut));
  Bytes farOffset = rle8File(4, 1, palette, rle);
  farOffset[10] = 0xFF;
  farOffset[11] = 0xFF;
  EXPECT_TRUE(rejects(farOffset));
}

TEST(Rle8, LoadsAFileAsABitmapWithItsColours) {
  TestFolder dir;
  const std::vector<RGBQUAD> palette = {{0, 0, 0, 0}, {0, 0, 255, 0}};  // black, red
  // Bottom row: 2 black, 2 red; top row: 4 red.
  const Bytes rle = {2, 0, 2, 1, 0, 0, 4, 1, 0, 1};
  const Bytes file = rle8File(4, 2, palette, rle);
  writeFile(dir.path() + "skin.bmp", std::string(file.begin(), file.end()));

  BitmapHandle bitmap(loadRle8Bitmap(dir.path() + "skin.bmp"));
  ASSERT_TRUE(bitmap);
  MemoryDC dc(nullptr);
  SelectGuard select(dc.get(), bitmap.get());
  EXPECT_EQ(GetPixel(dc.get(), 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc.get(), 0, 1), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc.get(), 3, 1), RGB(255, 0, 0));

  EXPECT_EQ(loadRle8Bitmap(dir.path() + "missing.bmp"), nullptr);
}

// A mask of w x h pixels, black where inside(x, y) says so, white elsewhere.
template <typename Inside>
MaskRegion makeMask(int w, int h, Inside inside) {
  std::vector<std::uint8_t> bgr(static_cast<std::size_t>(w) * h * 3, 255);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (inside(x, y)) std::fill_n(&bgr[(static_cast<std::size_t>(y) * w + x) * 3], 3, 0);
  MaskRegion mask;
  mask.loadPixels(w, h, std::move(bgr));
  return mask;
}

TEST(MaskRegion, BlackPixelsMakeTheRegion) {
  RegionHandle all(makeMask(30, 20, [](int, int) { return true; }).buildRegion(RGB(0, 0, 0)));
  ASSERT_TRUE(all);
  RECT box{};
  EXPECT_EQ(GetRgnBox(all.get(), &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 30);
  EXPECT_EQ(box.bottom, 20);

  RegionHandle framed(makeMask(30, 20, [](int x, int y) {
                        return x >= 2 && x < 28 && y >= 2 && y < 18;
                      }).buildRegion(RGB(0, 0, 0)));
  EXPECT_FALSE(PtInRegion(framed.get(), 1, 10));
  EXPECT_FALSE(PtInRegion(framed.get(), 15, 19));
  EXPECT_TRUE(PtInRegion(framed.get(), 2, 2));
  EXPECT_TRUE(PtInRegion(framed.get(), 27, 17));
}

TEST(MaskRegion, ManyRunsAreJoinedAcrossBatches) {
  // A checkerboard of 120 x 120 has 7200 one-pixel runs: several batches.
  RegionHandle region(
      makeMask(120, 120, [](int x, int y) { return (x + y) % 2 == 0; }).buildRegion(RGB(0, 0, 0)));
  ASSERT_TRUE(region);
  for (int y = 0; y < 120; y += 7)
    for (int x = 0; x < 120; x += 5) EXPECT_EQ(PtInRegion(region.get(), x, y) != 0, (x + y) % 2 == 0);
  EXPECT_EQ(MaskRegion().buildRegion(RGB(0, 0, 0)), nullptr);
}

}  // namespace
