// Captions laid out in a system font's outlines and drawn as coverage,
// checked against the font library's own rendering of the same glyphs.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>

#include "common/utf8_text.h"
#include "media/caption_text.h"
#include "media/outline_raster.h"

using namespace slidewright::media;

namespace {

CaptionFont systemFont() {
  auto font = findCaptionFont();
  EXPECT_TRUE(font.ok()) << font.message();
  return std::move(font).value();
}

}  // namespace

TEST(CaptionText, OutlinesCoverWhatTheFontLibraryRenders) {
  auto font = findCaptionFont();
  ASSERT_TRUE(font.ok()) << font.message();
  const FontSource& source = font.value().source();
  constexpr int kSize = 64;
  FT_Library library;
  ASSERT_EQ(FT_Init_FreeType(&library), 0);
  FT_Face face;
  ASSERT_EQ(FT_New_Face(library, source.path.c_str(), source.faceIndex, &face), 0);
  FT_Set_Pixel_Sizes(face, 0, kSize);
  const double ascent = face->ascender * static_cast<double>(kSize) / face->units_per_EM;

  for (const char* glyph : {"\xE4\xB8\xAD", "g", "@"}) {  // 中 g @
    const TextOutline text = font.value().layout(glyph, {kSize, 0, 2, 1.2});
    ASSERT_EQ(text.lines, 1);
    ASSERT_EQ(FT_Load_Char(face, slidewright::decodeUtf8(glyph)[0], FT_LOAD_RENDER | FT_LOAD_NO_HINTING), 0);
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    const int left = face->glyph->bitmap_left, top = face->glyph->bitmap_top;
    // Our coverage of each pixel against the library's grey level.
    const CoverageMask mask = rasterizeOutlines(text.contours, 1, -left, -(ascent - top));
    double ink = 0, difference = 0;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      for (unsigned col = 0; col < bitmap.width; ++col) {
        const double theirs = bitmap.buffer[row * static_cast<unsigned>(bitmap.pitch) + col] / 255.0;
        ink += theirs;
        difference += std::fabs(mask.at(static_cast<int>(col), static_cast<int>(row)) - theirs);
      }
    }
    ASSERT_GT(ink, 50) << glyph;
    EXPECT_LT(difference, ink * 0.01) << glyph << ": " << difference << " of " << ink;
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
}

TEST(CaptionText, LinesBreakWrapAndEndInAnEllipsis) {
  const CaptionFont font = systemFont();
  const CaptionLayout one{32, 0, 2, 1.2};

  const TextOutline single = font.layout("\xE5\x85\xAC\xE5\x9B\xAD Park", one);  // 公园 Park
  EXPECT_EQ(single.lines, 1);
  EXPECT_FALSE(single.shortened);
  const TextOutline two = font.layout("\xE5\x85\xAC\xE5\x9B\xAD\r\nPark", one);
  EXPECT_EQ(two.lines, 2);
  EXPECT_NEAR(two.height - single.height, 32 * 1.2, 1e-9);
  EXPECT_LT(two.width, single.width);
  // Every point of the outlines lies in the block (a font may reach a little
  // beyond its ascent and descent).
  for (const auto& contour : two.contours)
    for (const auto& s : contour.segments) {
      EXPECT_GE(s.to.x, -1);
      EXPECT_LE(s.to.x, two.width + 1);
      EXPECT_GE(s.to.y, -8);
      EXPECT_LE(s.to.y, two.height + 8);
    }

  // Too long for two lines of 200 pixels: Latin wraps at spaces, Chinese
  // between characters, and the second line ends in an ellipsis.
  for (const char* longText :
       {"the quick brown fox jumps over the lazy dog again and again",
        "\xE6\x98\xA5\xE7\x9C\xA0\xE4\xB8\x8D\xE8\xA7\x89\xE6\x99\x93\xE5\xA4\x84\xE5\xA4\x84\xE9\x97\xBB"
        "\xE5\x95\xBC\xE9\xB8\x9F\xE5\xA4\x9C\xE6\x9D\xA5\xE9\xA3\x8E\xE9\x9B\xA8\xE5\xA3\xB0\xE8\x8A\xB1"
        "\xE8\x90\xBD\xE7\x9F\xA5\xE5\xA4\x9A\xE5\xB0\x91"}) {
    const TextOutline wrapped = font.layout(longText, {32, 200, 2, 1.2});
    EXPECT_EQ(wrapped.lines, 2) << longText;
    EXPECT_TRUE(wrapped.shortened) << longText;
    EXPECT_LE(wrapped.width, 200) << longText;
    EXPECT_GT(wrapped.width, 120) << longText << ": lines are filled before they wrap";
  }
  EXPECT_EQ(font.layout(" \n \n", one).lines, 0);
}

TEST(CaptionText, MissingCharactersAndNonFonts) {
  const CaptionFont font = systemFont();
  // An emoji twice is missing once.
  const std::u32string missing = font.missingCharacters("x \xF0\x9F\x98\x80 y \xF0\x9F\x98\x80");
  EXPECT_TRUE(missing.empty() || missing == std::u32string(1, 0x1F600));

  auto notFont = CaptionFont::fromBytes({'n', 'o', 't', ' ', 'a', ' ', 'f', 'o', 'n', 't'});
  ASSERT_FALSE(notFont.ok());
  EXPECT_EQ(notFont.kind(), ErrorKind::NotSupported);
  auto missingFile = findCaptionFont("/nonexistent/font.ttf");
  ASSERT_FALSE(missingFile.ok());
  EXPECT_EQ(missingFile.kind(), ErrorKind::FileAccess);
}
