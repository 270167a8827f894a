// Captions as outlines: a line or two of text, Chinese and Latin, laid out
// with a font's own glyph outlines, so that the movie can carry the caption
// as shapes and the video can draw it at any size without a font of its own.
//
// Outlines are in pixels of the size asked for, y downwards, with the text
// block's top-left corner at (0, 0). Curves are quadratic only (the movie's
// shapes have no others): a font with cubic curves is approximated within a
// small fraction of a pixel.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/outline.h"
#include "media/result.h"

namespace slidewright::media {

using common::OutlineContour;
using common::OutlinePoint;
using common::OutlineSegment;

struct TextOutline {
  std::vector<OutlineContour> contours;
  double width = 0;   // the widest line
  double height = 0;  // every line, from the first line's ascent to the last line's descent
  int lines = 0;
  bool shortened = false;  // the text needed more lines than allowed and ends in an ellipsis
};

struct CaptionLayout {
  double sizePx = 24;        // the font's em size in pixels
  double maxWidth = 0;       // lines wrap beyond this width; 0: only at line breaks
  int maxLines = 2;          // more is cut, ending in an ellipsis
  double lineSpacing = 1.2;  // line pitch as a multiple of the em size
};

// A font file found on this system, and the face inside it.
struct FontSource {
  std::string path;
  int faceIndex = 0;
};

class CaptionFont {
 public:
  static Result<CaptionFont> open(const FontSource& source);
  static Result<CaptionFont> fromBytes(std::vector<std::uint8_t> bytes, int faceIndex = 0);

  CaptionFont(CaptionFont&&) noexcept;
  CaptionFont& operator=(CaptionFont&&) noexcept;
  ~CaptionFont();

  // Where the font was read from (an empty path for one made from bytes).
  const FontSource& source() const;
  // The family name, as the font gives it.
  std::string familyName() const;
  // The characters of `utf8` this font has no glyph for (line breaks and
  // spaces are not counted).
  std::u32string missingCharacters(std::string_view utf8) const;
  // Lays out `utf8` in centred lines: a line break in the text starts a new
  // line; a line wider than the layout's width wraps at a space, or between
  // two characters of a script written without spaces.
  TextOutline layout(std::string_view utf8, const CaptionLayout& layout) const;

 private:
  struct Face;
  explicit CaptionFont(std::unique_ptr<Face> face);
  std::unique_ptr<Face> face_;
};

// The font captions are set in, opened: one that covers both Chinese and Latin
// letters, preferring a sans-serif face. `preferred`, when not empty, is
// taken as it is. Natively the system's font configuration is asked; on
// Windows the fonts folder is searched for the fonts that come with Chinese
// and Western editions of Windows.
Result<CaptionFont> findCaptionFont(const std::string& preferred = {});

}  // namespace slidewright::media
