// HEIC, AVIF and WebP pictures made by their own encoders: turned upright
// once, decoded at the drawn size, converted to sRGB; the dates they were
// taken; and pictures of kinds this program does not read, refused by name.
#include <gtest/gtest.h>

#include <cstring>

#include "decoders.h"
#include "inputs.h"
#include "media/picture.h"
#include "media/picture_date.h"
#include "phone_inputs.h"

namespace {

using namespace slidewright::media;
using namespace testinputs;

TEST(PhonePictures, DecodedUprightOnceWithTheirKind) {
#if !SLIDEWRIGHT_PHONE_PICTURES
  GTEST_SKIP() << "this build does not read HEIC, AVIF or WebP";
#else
  // Stored 64 x 32: red top-left, green top-right, blue bottom-left, white
  // bottom-right. HEIC and AVIF turn by their irot/imir boxes, and the EXIF
  // orientation a phone writes beside them must not turn them again; WebP
  // has only EXIF.
  const Image stored = quadrants(64, 32);
  struct Case {
    const char* what;
    Bytes file;
    PictureKind kind;
    int w, h;
    std::vector<Rgb> corners;  // top-left, top-right, bottom-left, bottom-right
  };
  const Case cases[] = {
      {"webp", webp(stored), PictureKind::WebP, 64, 32, {kRed, kGreen, kBlue, kWhite}},
      {"webp exif 6",
       webp(stored, {exif(6), {}, 0, 0}),
       PictureKind::WebP,
       32,
       64,
       {kBlue, kRed, kWhite, kGreen}},
      {"heic", heif(stored, false), PictureKind::Heif, 64, 32, {kRed, kGreen, kBlue, kWhite}},
      {"heic irot and exif 6",
       heif(stored, false, {exif(6), {}, 0, 6}),
       PictureKind::Heif,
       32,
       64,
       {kBlue, kRed, kWhite, kGreen}},
      {"heic exif 6 alone",
       heif(stored, false, {exif(6), {}, 0, 0}),
       PictureKind::Heif,
       64,
       32,
       {kRed, kGreen, kBlue, kWhite}},
      {"avif irot 180",
       heif(stored, true, {{}, {}, 0, 3}),
       PictureKind::Avif,
       64,
       32,
       {kWhite, kBlue, kGreen, kRed}},
      {"avif imir",
       heif(stored, true, {{}, {}, 0, 2}),
       PictureKind::Avif,
       64,
       32,
       {kGreen, kRed, kWhite, kBlue}},
      {"avif irot 270 and exif 8",
       heif(stored, true, {exif(8), {}, 0, 8}),
       PictureKind::Avif,
       32,
       64,
       {kGreen, kWhite, kRed, kBlue}},
  };
  for (const Case& c : cases) {
    auto p = decode(c.file);
    ASSERT_TRUE(p.ok()) << c.what << ": " << p.message();
    EXPECT_EQ(p.value().kind, c.kind) << c.what;
    EXPECT_EQ(p.value().width, c.w) << c.what;
    EXPECT_EQ(p.value().height, c.h) << c.what;
    ASSERT_EQ(p.value().pixels.width, c.w) << c.what;
    ASSERT_EQ(p.value().pixels.height, c.h) << c.what;
    expectCorners(p.value().pixels, c.corners, 48, c.what);
  }
#endif
}

TEST(PhonePictures, DecodedAtTheDrawnSizeAndConvertedToSrgb) {
#if !SLIDEWRIGHT_PHONE_PICTURES
  GTEST_SKIP() << "this build does not read HEIC, AVIF or WebP";
#else
  // Drawn in 300 x 200, a 1200 x 800 picture keeps its size but not its pixels.
  const Image big = quadrants(1200, 800);
  for (const Bytes& file : {webp(big), heif(big, false), heif(big, true)}) {
    auto p = decode(file, {{255, 255, 255}, 300, 200});
    ASSERT_TRUE(p.ok()) << p.message();
    EXPECT_EQ(p.value().width, 1200) << pictureKindName(p.value().kind);
    EXPECT_EQ(p.value().pixels.width, 300) << pictureKindName(p.value().kind);
    EXPECT_EQ(p.value().pixels.height, 200) << pictureKindName(p.value().kind);
  }
  // sRGB's red written in Display P3 numbers: once converted it is sRGB red
  // again, unconverted it would stay a dull orange-red.
  const Image p3Red = solid(64, 64, {234, 51, 35});
  const Bytes p3 = displayP3Profile();
  struct Case {
    const char* what;
    Bytes file;
  };
  const Case cases[] = {
      {"jpeg icc", jpegWithIcc(p3Red, p3)},
      {"webp icc", webp(p3Red, {{}, p3, 0, 0})},
      {"heic icc", heif(p3Red, false, {{}, p3, 0, 0})},
      {"avif nclx display p3", heif(p3Red, true, {{}, {}, 12, 0})},
  };
  for (const Case& c : cases) {
    auto p = decode(c.file);
    ASSERT_TRUE(p.ok()) << c.what << ": " << p.message();
    const Rgb got = p.value().pixels.at(32, 32);
    EXPECT_TRUE(near(got, kRed, 20)) << c.what << ": " << show(got);
  }

  // A phone's HEIC, turned by its irot box, with a 320 x 240 thumbnail of
  // other colours: red in Display P3 numbers (by the picture's profile), black,
  // grey and white. Asked for at a size the thumbnail (upright 240 x 320)
  // covers, the thumbnail is drawn, upright and in sRGB; asked for larger, or
  // not from the thumbnail, the picture itself.
  Image marked = quadrants(640, 480);
  const Rgb p3RedNumbers{234, 51, 35}, kBlack{0, 0, 0}, kGrey{128, 128, 128};
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const Rgb c = y < 240 ? (x < 320 ? p3RedNumbers : kBlack) : (x < 320 ? kGrey : kWhite);
      std::uint8_t* px = &marked.rgb[(static_cast<std::size_t>(y) * 640 + x) * 3];
      px[0] = c.r;
      px[1] = c.g;
      px[2] = c.b;
    }
  const Bytes phone = heif(quadrants(640, 480), false, {exif(6), p3, 0, 6}, {marked, 320});
  struct Drawn {
    int boxWidth, boxHeight;
    bool fromThumbnail;
    int width, height;
    std::vector<Rgb> corners;  // top-left, top-right, bottom-left, bottom-right
  };
  const Drawn drawn[] = {
      {150, 200, true, 150, 200, {kGrey, kRed, kWhite, kBlack}},
      {240, 320, true, 240, 320, {kGrey, kRed, kWhite, kBlack}},
      {150, 200, false, 150, 200, {kBlue, kRed, kWhite, kGreen}},
      {300, 400, true, 300, 400, {kBlue, kRed, kWhite, kGreen}},
      {0, 0, true, 480, 640, {kBlue, kRed, kWhite, kGreen}},
  };
  for (const Drawn& d : drawn) {
    const std::string what = std::to_string(d.boxWidth) + " x " + std::to_string(d.boxHeight) +
                             (d.fromThumbnail ? "" : ", not from the thumbnail");
    DecodeOptions options{kWhite, d.boxWidth, d.boxHeight};
    options.fromEmbeddedThumbnail = d.fromThumbnail;
    auto p = decode(phone, options);
    ASSERT_TRUE(p.ok()) << what << ": " << p.message();
    EXPECT_EQ(p.value().width, 480) << what;
    EXPECT_EQ(p.value().height, 640) << what;
    const Image& img = p.value().pixels;
    ASSERT_EQ(img.width, d.width) << what;
    ASSERT_EQ(img.height, d.height) << what;
    const Rgb got[] = {img.at(3, 3), img.at(img.width - 4, 3), img.at(3, img.height - 4),
                       img.at(img.width - 4, img.height - 4)};
    for (int i = 0; i < 4; ++i)
      EXPECT_TRUE(near(got[i], d.corners[i], 24)) << what << " corner " << i << ": " << show(got[i]);
  }
#endif
}

TEST(PhonePictures, DateTakenFromEveryKindsExif) {
  const Image img = quadrants(32, 32);
  const Bytes withOffset = exif(1, "2024:06:12 15:30:12", "+02:00");
  struct Case {
    const char* what;
    Bytes file;
  };
  const Case cases[] = {
    {"jpeg", jpegWithExif(img, withOffset)},
#if SLIDEWRIGHT_PHONE_PICTURES
    {"webp", webp(img, {withOffset, {}, 0, 0})},
    {"heic", heif(img, false, {withOffset, {}, 0, 0})},
    {"avif", heif(img, true, {withOffset, {}, 0, 0})},
#endif
  };
  for (const Case& c : cases) {
    auto t = pictureDateTaken(c.file.data(), c.file.size());
    ASSERT_TRUE(t.has_value()) << c.what;
    EXPECT_EQ(t->year, 2024) << c.what;
    EXPECT_EQ(t->month, 6) << c.what;
    EXPECT_EQ(t->day, 12) << c.what;
    EXPECT_EQ(t->hour * 3600 + t->minute * 60 + t->second, 15 * 3600 + 30 * 60 + 12) << c.what;
    EXPECT_EQ(t->utcOffsetMinutes, std::optional<int>(120)) << c.what;
  }
  const Bytes west = exif(0, "2023:01:02 03:04:05", "-05:30");
  EXPECT_EQ(exifDateTaken(west.data(), west.size())->utcOffsetMinutes, std::optional<int>(-330));
  const Bytes local = exif(0, "2023:01:02 03:04:05");
  EXPECT_FALSE(exifDateTaken(local.data(), local.size())->utcOffsetMinutes.has_value());
  for (const Bytes& none :
       {exif(6), exif(0, "    :  :     :  :  "), exif(0, "0000:00:00 00:00:00"), jpeg(img)})
    EXPECT_FALSE(pictureDateTaken(none.data(), none.size()).has_value());
}

// A little-endian TIFF whose first directory has one ASCII or SHORT entry.
Bytes tiffWith(unsigned tag, const std::string& text) {
  Bytes b = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0};
  b.push_back(static_cast<std::uint8_t>(tag));
  b.push_back(static_cast<std::uint8_t>(tag >> 8));
  const std::uint32_t count = static_cast<std::uint32_t>(text.size() + 1);
  Bytes entry = {2, 0, static_cast<std::uint8_t>(count), 0, 0, 0, 26, 0, 0, 0, 0, 0, 0, 0};
  b.insert(b.end(), entry.begin(), entry.end());
  b.insert(b.end(), text.begin(), text.end());
  b.push_back(0);
  b.resize(b.size() + 64, 0);
  return b;
}

TEST(PhonePictures, KindsNotReadAreRefusedByName) {
  auto bytes = [](const char* s, std::size_t n) {
    Bytes b(reinterpret_cast<const std::uint8_t*>(s), reinterpret_cast<const std::uint8_t*>(s) + n);
    b.resize(b.size() + 64, 0);
    return b;
  };
  struct Case {
    Bytes file;
    const char* named;
  };
  const Case cases[] = {
    {bytes("\xFF\x0A\xFA\x7F", 4), "a JPEG XL picture"},
    {bytes("\0\0\0\x0CJXL \x0D\x0A\x87\x0A", 12), "a JPEG XL picture"},
    {bytes("\0\0\0\x18"
           "ftypcrx \0\0\0\x01"
           "crx isom",
           24),
     "camera RAW picture (CR3)"},
    {bytes("II*\0\x10\0\0\0CR\x02\0", 12), "camera RAW picture (CR2)"},
    {tiffWith(0x010F, "NIKON CORPORATION"), "camera RAW picture (NEF)"},
    {tiffWith(0x010F, "SONY"), "camera RAW picture (ARW)"},
    {tiffWith(0xC612, "x"), "camera RAW picture (DNG)"},
    {tiffWith(0x010F, "Scanner Co"), "a TIFF picture"},
#if !SLIDEWRIGHT_PHONE_PICTURES
    {bytes("\0\0\0\x18"
           "ftypheic\0\0\0\0"
           "mif1heic",
           24),
     "a HEIC picture"},
    {bytes("RIFF\x40\0\0\0WEBPVP8 ", 16), "a WebP picture"},
#endif
  };
  for (const Case& c : cases) {
    auto p = decode(c.file);
    ASSERT_FALSE(p.ok()) << c.named;
    EXPECT_EQ(p.error().kind, ErrorKind::NotSupported) << c.named;
    EXPECT_NE(p.message().find(c.named), std::string::npos) << p.message();
    EXPECT_NE(p.message().find("does not read"), std::string::npos) << p.message();
  }
#if SLIDEWRIGHT_PHONE_PICTURES
  {
    // A HEIC whose image data is cut short fails as damaged, not as a foreign kind.
    Bytes cut = heif(quadrants(64, 32), false);
    cut.resize(cut.size() - 40);
    auto p = decode(cut);
    ASSERT_FALSE(p.ok());
    EXPECT_EQ(p.error().kind, ErrorKind::Damaged) << p.message();
  }
#endif
}

}  // namespace
