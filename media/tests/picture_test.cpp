// Decoding each picture kind, EXIF orientations, transparency, and damaged
// or foreign files that must fail cleanly with a reason.
#include <gtest/gtest.h>

#include <cstdlib>

#include <png.h>

#include "inputs.h"
#include "decoders.h"
#include "media/jpeg_writer.h"
#include "media/picture.h"

namespace {

using namespace slidewright::media;
using namespace testinputs;

TEST(ExifOrientation, EveryOrientationComesOutUpright) {
  // Stored: red top-left, green top-right, blue bottom-left, white bottom-right,
  // 64 x 32. The expected corners are what a camera's viewer shows.
  const Image stored = quadrants(64, 32);
  struct Case {
    int orientation;
    int w, h;
    std::vector<Rgb> corners;
  };
  const Case cases[] = {
      {1, 64, 32, {kRed, kGreen, kBlue, kWhite}}, {2, 64, 32, {kGreen, kRed, kWhite, kBlue}},
      {3, 64, 32, {kWhite, kBlue, kGreen, kRed}}, {4, 64, 32, {kBlue, kWhite, kRed, kGreen}},
      {5, 32, 64, {kRed, kBlue, kGreen, kWhite}}, {6, 32, 64, {kBlue, kRed, kWhite, kGreen}},
      {7, 32, 64, {kWhite, kGreen, kBlue, kRed}}, {8, 32, 64, {kGreen, kWhite, kRed, kBlue}},
  };
  for (bool big : {false, true}) {
    for (const Case& c : cases) {
      auto p = decode(jpeg(stored, c.orientation, big));
      ASSERT_TRUE(p.ok()) << p.message();
      EXPECT_EQ(p.value().width, c.w) << "orientation " << c.orientation;
      EXPECT_EQ(p.value().height, c.h) << "orientation " << c.orientation;
      expectCorners(p.value().pixels, c.corners, 40, "orientation " + std::to_string(c.orientation));
    }
  }
}

TEST(ExifOrientation, ReducedScaleDecodeKeepsTheUprightSize) {
  // A 1600 x 800 photo taken with the phone turned: upright it is 800 x 1600.
  // Drawn into 640 x 480 it becomes 240 x 480, so a quarter-scale decode
  // (200 x 400 would be too small; half scale, 400 x 800, is enough).
  auto p = decode(jpeg(quadrants(1600, 800), 6), DecodeOptions{{}, 640, 480});
  ASSERT_TRUE(p.ok()) << p.message();
  EXPECT_EQ(p.value().width, 800);
  EXPECT_EQ(p.value().height, 1600);
  EXPECT_EQ(p.value().pixels.width, 400);
  EXPECT_EQ(p.value().pixels.height, 800);
  expectCorners(p.value().pixels, {kBlue, kRed, kWhite, kGreen}, 40, "turned");
}

TEST(ExifOrientation, MalformedBlocksMeanUpright) {
  // Too short, wrong magic, offset past the end, wrong value type.
  const std::uint8_t shortBlock[] = {'I', 'I', 42, 0};
  const std::uint8_t badMagic[] = {'I', 'I', 43, 0, 8, 0, 0, 0, 0, 0};
  const std::uint8_t farOffset[] = {'I', 'I', 42, 0, 0xFF, 0xFF, 0, 0, 0, 0};
  const std::uint8_t longType[] = {'I',  'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12,
                                   0x01, 4,   0,  1, 0, 0, 0, 6, 0, 0, 0};
  EXPECT_EQ(detail::exifOrientation(shortBlock, sizeof shortBlock), 1);
  EXPECT_EQ(detail::exifOrientation(badMagic, sizeof badMagic), 1);
  EXPECT_EQ(detail::exifOrientation(farOffset, sizeof farOffset), 1);
  EXPECT_EQ(detail::exifOrientation(longType, sizeof longType), 1);
}

TEST(PictureFormats, EveryKindDecodesToTheSamePicture) {
  const Image img = quadrants(37, 21);  // odd sizes exercise row padding
  struct Case {
    std::string name;
    Bytes bytes;
    PictureKind kind;
    int tolerance;
  };
  std::vector<Case> cases = {
      {"jpeg", jpeg(img), PictureKind::Jpeg, 40},
      {"jpeg progressive", progressiveJpeg(img), PictureKind::Jpeg, 60},
      {"png rgb", png(img, PNG_FORMAT_RGB), PictureKind::Png, 0},
      {"png 16-bit", png(img, PNG_FORMAT_LINEAR_RGB), PictureKind::Png, 2},
      {"png palette", png(img, PNG_FORMAT_RGB_COLORMAP), PictureKind::Png, 0},
      {"gif", gif(img), PictureKind::Gif, 0},
      {"gif interlaced", gif(img, true), PictureKind::Gif, 0},
      {"bmp 4", bmp(img, 4), PictureKind::Bmp, 0},
      {"bmp 8", bmp(img, 8), PictureKind::Bmp, 0},
      {"bmp 8 top-down", bmp(img, 8, true), PictureKind::Bmp, 0},
      {"bmp 24", bmp(img, 24), PictureKind::Bmp, 0},
      {"bmp 32", bmp(img, 32), PictureKind::Bmp, 0},
      {"bmp rle8", bmpRle(img, 8), PictureKind::Bmp, 0},
      {"bmp rle4", bmpRle(img, 4), PictureKind::Bmp, 0},
  };
  for (const Case& c : cases) {
    auto p = decode(c.bytes);
    ASSERT_TRUE(p.ok()) << c.name << ": " << p.message();
    EXPECT_EQ(p.value().kind, c.kind) << c.name;
    EXPECT_EQ(p.value().width, 37) << c.name;
    EXPECT_EQ(p.value().height, 21) << c.name;
    expectCorners(p.value().pixels, {kRed, kGreen, kBlue, kWhite}, c.tolerance, c.name);
    if (c.tolerance == 0) {
      // Lossless kinds: every pixel, including the quadrant borders.
      int wrong = 0;
      for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 37; ++x) wrong += !near(p.value().pixels.at(x, y), img.at(x, y), 0);
      EXPECT_EQ(wrong, 0) << c.name;
    }
  }
}

TEST(PictureFormats, CmykJpegFromPrintWorkflows) {
  // Print programs store CMYK JPEGs with an Adobe marker and inverted values
  // (255 means no ink). Inks of 31, 207 and 239 without black are an orange red.
  std::vector<std::uint8_t> row(16 * 4);
  for (int x = 0; x < 16; ++x) {
    row[x * 4] = 255 - 31;       // cyan ink
    row[x * 4 + 1] = 255 - 207;  // magenta ink
    row[x * 4 + 2] = 255 - 239;  // yellow ink
    row[x * 4 + 3] = 255;        // no black
  }
  std::vector<std::uint8_t> samples;
  for (int y = 0; y < 16; ++y) samples.insert(samples.end(), row.begin(), row.end());
  JpegEncodeSettings settings;
  settings.quality = 100;
  auto encoded = encodeJpeg(JpegSamples{16, 16, 4, samples.data()}, settings);
  ASSERT_TRUE(encoded.ok()) << encoded.message();
  const Bytes bytes = encoded.value();
  auto p = decode(bytes);
  ASSERT_TRUE(p.ok()) << p.message();
  EXPECT_TRUE(near(p.value().pixels.at(8, 8), {224, 48, 16}, 4));
}

TEST(PictureFormats, OneBitBmpUsesItsPalette) {
  Image img = solid(19, 5, {0, 0, 0});
  for (int x = 0; x < 19; x += 2) img.set(x, 2, {250, 240, 10});
  auto p = decode(bmp(img, 1));
  ASSERT_TRUE(p.ok()) << p.message();
  EXPECT_EQ(p.value().pixels.at(0, 2), (Rgb{250, 240, 10}));
  EXPECT_EQ(p.value().pixels.at(1, 2), (Rgb{0, 0, 0}));
  EXPECT_EQ(p.value().pixels.at(18, 2), (Rgb{250, 240, 10}));
  EXPECT_EQ(p.value().pixels.at(18, 4), (Rgb{0, 0, 0}));
}

// A 4 x 2 bitmap with the given run-length data and a four-colour palette.
Bytes rleBitmap(int bits, const Bytes& runs) {
  Bytes b = bmpRle(solid(4, 2, {0, 0, 0}), bits);  // headers to reuse
  const std::size_t offset = b[10] | b[11] << 8;
  b.resize(offset);
  const std::uint8_t palette[4][4] = {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
  for (int i = 0; i < 4 && 54 + i * 4 + 4 <= static_cast<int>(offset); ++i)
    std::copy(palette[i], palette[i] + 4, b.begin() + 54 + i * 4);
  b.insert(b.end(), runs.begin(), runs.end());
  return b;
}

TEST(PictureFormats, RunLengthLiteralsDeltasAndPadding) {
  const Rgb bg{7, 7, 7}, black{0, 0, 0}, red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255};
  DecodeOptions o;
  o.background = bg;
  // RLE8. Bottom row: a literal of three indices (padded to an even count),
  // then a run of one. Top row: one pixel, a move two to the right, one pixel.
  const Bytes rle8 = {0, 3, 1, 2, 3, 0xEE, 1, 0, 0, 0, 1, 1, 0, 2, 2, 0, 1, 2, 0, 1};
  auto p = decode(rleBitmap(8, rle8), o);
  ASSERT_TRUE(p.ok()) << p.message();
  const Image& a = p.value().pixels;
  EXPECT_EQ(a.at(0, 1), red);
  EXPECT_EQ(a.at(1, 1), green);
  EXPECT_EQ(a.at(2, 1), blue);
  EXPECT_EQ(a.at(3, 1), black);
  EXPECT_EQ(a.at(0, 0), red);
  EXPECT_EQ(a.at(1, 0), bg);  // skipped by the move
  EXPECT_EQ(a.at(2, 0), bg);
  EXPECT_EQ(a.at(3, 0), green);

  // RLE4. Bottom row: a literal of three nibbles in two bytes (already even),
  // then a run of one. Top row: a run of four alternating indices 1 and 2.
  const Bytes rle4 = {0, 3, 0x12, 0x30, 1, 0x00, 0, 0, 4, 0x12, 0, 1};
  p = decode(rleBitmap(4, rle4), o);
  ASSERT_TRUE(p.ok()) << p.message();
  const Image& b = p.value().pixels;
  EXPECT_EQ(b.at(0, 1), red);
  EXPECT_EQ(b.at(1, 1), green);
  EXPECT_EQ(b.at(2, 1), blue);
  EXPECT_EQ(b.at(3, 1), black);
  EXPECT_EQ(b.at(0, 0), red);
  EXPECT_EQ(b.at(1, 0), green);
  EXPECT_EQ(b.at(2, 0), red);
  EXPECT_EQ(b.at(3, 0), green);

  // A literal that claims more bytes than the file has.
  EXPECT_FALSE(decode(rleBitmap(8, {0, 200, 1, 2})).ok());
}

TEST(Transparency, PngAndGifShowTheBackgroundColour) {
  DecodeOptions o;
  o.background = {10, 100, 200};
  auto clear = decode(pngRgba(8, 8, {255, 0, 0}, 0), o);
  ASSERT_TRUE(clear.ok()) << clear.message();
  EXPECT_EQ(clear.value().pixels.at(4, 4), (Rgb{10, 100, 200}));

  auto half = decode(pngRgba(8, 8, {255, 0, 0}, 128), o);
  ASSERT_TRUE(half.ok());
  EXPECT_TRUE(near(half.value().pixels.at(4, 4), {133, 50, 100}, 2));

  auto opaque = decode(pngRgba(8, 8, {255, 0, 0}, 255), o);
  ASSERT_TRUE(opaque.ok());
  EXPECT_EQ(opaque.value().pixels.at(4, 4), (Rgb{255, 0, 0}));

  const Rgb hole{0, 255, 0};
  auto g = decode(gif(quadrants(16, 16), false, &hole), o);
  ASSERT_TRUE(g.ok()) << g.message();
  EXPECT_EQ(g.value().pixels.at(12, 2), (Rgb{10, 100, 200}));  // the green quadrant
  EXPECT_EQ(g.value().pixels.at(2, 2), kRed);
}

TEST(DamagedFiles, FailWithAReason) {
  const Image img = quadrants(64, 48);
  const Bytes good[] = {jpeg(img), png(img, PNG_FORMAT_RGB), gif(img), bmp(img, 24), bmpRle(img, 8)};
  const char* names[] = {"jpeg", "png", "gif", "bmp", "bmp rle8"};
  for (int i = 0; i < 5; ++i) {
    // Cut at several points: inside the header, and inside the image data.
    for (double keep : {0.02, 0.3, 0.6, 0.9}) {
      Bytes cut(good[i].begin(), good[i].begin() + static_cast<long>(good[i].size() * keep));
      auto p = decode(cut);
      EXPECT_FALSE(p.ok()) << names[i] << " cut to " << keep;
      if (!p.ok()) {
        EXPECT_FALSE(p.message().empty());
      }
    }
  }
  // Garbage after a valid header.
  Bytes junk = jpeg(img);
  for (std::size_t k = junk.size() / 3; k < junk.size() - 2; ++k)
    junk[k] = static_cast<std::uint8_t>(k * 131);
  EXPECT_FALSE(decode(junk).ok());
  Bytes pngJunk = png(img, PNG_FORMAT_RGB);
  pngJunk[pngJunk.size() / 2] ^= 0x55;  // breaks the data's checksum
  EXPECT_FALSE(decode(pngJunk).ok());
}

TEST(DamagedFiles, ForeignEmptyAndMissingFiles) {
  auto text = decode(Bytes{'h', 'e', 'l', 'l', 'o'});
  ASSERT_FALSE(text.ok());
  EXPECT_NE(text.message().find("not a picture"), std::string::npos) << text.message();
  EXPECT_EQ(text.kind(), ErrorKind::NotSupported);
  auto empty = decode(Bytes{});
  ASSERT_FALSE(empty.ok());
  EXPECT_EQ(empty.message(), "the file is empty");
  EXPECT_EQ(empty.kind(), ErrorKind::Damaged);
  auto missing = loadPicture(scratchDir() + "/no such picture.jpg");
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(missing.message().find("cannot open"), std::string::npos) << missing.message();
  EXPECT_EQ(missing.kind(), ErrorKind::FileAccess);
  auto onDisk = loadPicture(writeScratch("ok.gif", gif(quadrants(4, 4))));
  EXPECT_TRUE(onDisk.ok()) << onDisk.message();
}

TEST(DamagedFiles, HugeSizesAreRefusedBeforeAllocating) {
  // A BMP header claiming 60000 x 60000 pixels with no data behind it.
  Bytes b = bmp(solid(2, 2, {1, 2, 3}), 24);
  b[18] = 0x60;
  b[19] = 0xEA;
  b[20] = 0;
  b[21] = 0;  // width 60000
  b[22] = 0x60;
  b[23] = 0xEA;
  b[24] = 0;
  b[25] = 0;  // height 60000
  auto p = decode(b);
  ASSERT_FALSE(p.ok());
  EXPECT_NE(p.message().find("too large"), std::string::npos) << p.message();
  EXPECT_EQ(p.kind(), ErrorKind::TooLarge);
  // A progressive JPEG claiming 60000 x 60000 pixels: even decoded at an
  // eighth, it would need all its coefficients (over 10 GB) in memory.
  Bytes prog = progressiveJpeg(quadrants(64, 48));
  for (std::size_t i = 0; i + 9 < prog.size(); ++i) {
    if (prog[i] == 0xFF && prog[i + 1] == 0xC2) {  // start of a progressive frame
      prog[i + 5] = prog[i + 7] = 60000 >> 8;
      prog[i + 6] = prog[i + 8] = 60000 & 0xFF;
      break;
    }
  }
  p = decode(prog, DecodeOptions{{}, 800, 600});
  ASSERT_FALSE(p.ok());
  EXPECT_NE(p.message().find("too large"), std::string::npos) << p.message();
  EXPECT_EQ(p.kind(), ErrorKind::TooLarge);

  // A RLE8 bitmap whose runs overrun the picture stays inside it.
  Bytes rle = bmpRle(solid(4, 2, {9, 9, 9}), 8);
  rle[rle.size() - 8] = 200;  // a run of 200 pixels on a 4-pixel line
  EXPECT_TRUE(decode(rle).ok());
}

}  // namespace
