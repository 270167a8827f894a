#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "GdiHandles.h"
#include "PictureFile.h"
#include "TestFolder.h"
#include "media/jpeg_writer.h"

namespace media = slidewright::media;

namespace {

std::string jpegOfSize(int width, int height) {
  auto image = media::Image::create(width, height, media::Rgb{40, 120, 200});
  auto jpeg = media::encodeJpeg(image.value(), 90);
  return std::string(jpeg.value().begin(), jpeg.value().end());
}

// A 24-bit BMP of 8 x 8 pixels in four 4 x 4 quarters: red, green on top;
// blue, white below.
std::string fourColourBmp() {
  constexpr int kSide = 8;
  constexpr int kRowBytes = kSide * 3;  // already a multiple of 4
  std::string f = std::string("BM") + std::string(12, '\0');
  const std::uint32_t size = 54 + kRowBytes * kSide;
  for (int i = 0; i < 4; ++i) f[2 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
  f[10] = 54;
  std::string info(40, '\0');
  info[0] = 40;
  info[4] = kSide;
  info[8] = kSide;
  info[12] = 1;
  info[14] = 24;
  f += info;
  for (int row = 0; row < kSide; ++row) {  // bottom row first
    const bool top = row >= kSide / 2;
    for (int x = 0; x < kSide; ++x) {
      const bool left = x < kSide / 2;
      COLORREF c =
          top ? (left ? RGB(255, 0, 0) : RGB(0, 255, 0)) : (left ? RGB(0, 0, 255) : RGB(255, 255, 255));
      f += static_cast<char>(GetBValue(c));
      f += static_cast<char>(GetGValue(c));
      f += static_cast<char>(GetRValue(c));
    }
  }
  return f;
}

// True when two colours differ by at most a little in every channel: a
// stretched picture may be smoothed near the edges of its areas.
::testing::AssertionResult closeTo(COLORREF actual, COLORREF expected) {
  auto close = [](int a, int b) { return a - b <= 24 && b - a <= 24; };
  if (close(GetRValue(actual), GetRValue(expected)) && close(GetGValue(actual), GetGValue(expected)) &&
      close(GetBValue(actual), GetBValue(expected)))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << std::hex << "colour 0x" << actual << ", expected about 0x" << expected;
}

TEST(PictureFile, ReportsThePictureSizeInPixels) {
  TestFolder dir;
  writeFile(dir.path() + "a.jpg", jpegOfSize(640, 480));
  PictureFile picture;
  EXPECT_TRUE(picture.load(dir.path() + "a.jpg"));
  EXPECT_TRUE(picture.isLoaded());
  EXPECT_EQ(picture.widthPixels(), 640);
  EXPECT_EQ(picture.heightPixels(), 480);
  EXPECT_EQ(picture.lastError(), "");
}

TEST(PictureFile, EachLoadReplacesThePictureAndAFailedOneLeavesItEmpty) {
  TestFolder dir;
  writeFile(dir.path() + "a.jpg", jpegOfSize(640, 480));
  writeFile(dir.path() + "b.bmp", fourColourBmp());
  writeFile(dir.path() + "notes.txt", "not a picture at all");
  writeFile(dir.path() + "empty.jpg", "");

  PictureFile picture;
  ASSERT_TRUE(picture.load(dir.path() + "a.jpg"));
  ASSERT_TRUE(picture.load(dir.path() + "b.bmp"));
  EXPECT_EQ(picture.widthPixels(), 8);
  EXPECT_EQ(picture.heightPixels(), 8);

  for (const char* bad : {"notes.txt", "empty.jpg", "missing.png"}) {
    ASSERT_TRUE(picture.load(dir.path() + "b.bmp"));
    EXPECT_FALSE(picture.load(dir.path() + bad)) << bad;
    EXPECT_FALSE(picture.isLoaded()) << bad;
    EXPECT_EQ(picture.widthPixels(), 0) << bad;
    EXPECT_EQ(picture.heightPixels(), 0) << bad;
    // The message names the file, so a caller can show it as it is.
    EXPECT_NE(picture.lastError().find(bad), std::string::npos) << picture.lastError();
  }
}

TEST(PictureFile, LoadFromMemoryReportsWhetherAPictureWasMade) {
  const std::string jpeg = jpegOfSize(64, 32);
  PictureFile picture;
  EXPECT_TRUE(picture.loadFromMemory(jpeg.data(), jpeg.size()));
  EXPECT_EQ(picture.widthPixels(), 64);
  const std::string garbage(100, '\x55');
  EXPECT_FALSE(picture.loadFromMemory(garbage.data(), garbage.size()));
  EXPECT_FALSE(picture.isLoaded());
  EXPECT_FALSE(picture.loadFromMemory(nullptr, 0));
}

TEST(PictureFile, RendersStretchedIntoTheRectangle) {
  const std::string bmp = fourColourBmp();
  PictureFile picture;
  ASSERT_TRUE(picture.loadFromMemory(bmp.data(), bmp.size()));

  WindowDC screen(nullptr);
  MemoryDC dc(screen.get());
  BitmapHandle target(CreateCompatibleBitmap(screen.get(), 60, 40));
  SelectGuard select(dc.get(), target.get());
  RECT all{0, 0, 60, 40};
  FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

  EXPECT_TRUE(picture.renderAt(dc.get(), 10, 10, 40, 20));
  EXPECT_EQ(GetPixel(dc.get(), 5, 5), RGB(0, 0, 0));  // outside the rectangle
  EXPECT_TRUE(closeTo(GetPixel(dc.get(), 15, 13), RGB(255, 0, 0)));
  EXPECT_TRUE(closeTo(GetPixel(dc.get(), 45, 13), RGB(0, 255, 0)));
  EXPECT_TRUE(closeTo(GetPixel(dc.get(), 15, 27), RGB(0, 0, 255)));
  EXPECT_TRUE(closeTo(GetPixel(dc.get(), 45, 27), RGB(255, 255, 255)));

  // At its own size the picture is copied unchanged.
  EXPECT_TRUE(picture.render(dc.get(), RECT{0, 0, 8, 8}));
  EXPECT_EQ(GetPixel(dc.get(), 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc.get(), 7, 3), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(dc.get(), 7, 7), RGB(255, 255, 255));
  EXPECT_FALSE(picture.renderAt(nullptr, 0, 0, 10, 10));
}

TEST(PictureFile, EmptyHolderDrawsNothing) {
  WindowDC screen(nullptr);
  MemoryDC dc(screen.get());
  BitmapHandle target(CreateCompatibleBitmap(screen.get(), 8, 8));
  SelectGuard select(dc.get(), target.get());
  RECT all{0, 0, 8, 8};
  FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

  PictureFile picture;
  EXPECT_FALSE(picture.render(dc.get(), all));
  const std::string bmp = fourColourBmp();
  ASSERT_TRUE(picture.loadFromMemory(bmp.data(), bmp.size()));
  picture.release();
  EXPECT_EQ(picture.widthPixels(), 0);
  EXPECT_FALSE(picture.renderAt(dc.get(), 0, 0, 8, 8));
  EXPECT_EQ(GetPixel(dc.get(), 4, 4), RGB(0, 0, 0));
}

}  // namespace
