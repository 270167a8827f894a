// Captions: a line or two of text at the bottom of a picture, white on a
// translucent dark band across the album, shown while the picture is held.
// The placement and the timing are defined here once, for the movie and the
// album video alike; the text arrives as font outlines laid out elsewhere.
#pragma once

#include <common/outline.h>

#include <cstdint>
#include <memory>
#include <vector>

class SwfCharacterIds;
class SwfShape;

namespace slidewright {

// A caption laid out in outlines: pixels of the album's font size, y down,
// the text block's top-left corner at (0, 0).
struct AlbumCaption {
  std::vector<common::OutlineContour> text;
  double width = 0;  // the text block
  double height = 0;
};

// How large captions are set in an album of this size.
struct CaptionStyle {
  double fontPx = 12;   // em size
  double maxWidth = 0;  // lines wrap beyond this
  double padding = 0;   // between the text and the band's edges
};
CaptionStyle captionStyle(std::int32_t albumWidth, std::int32_t albumHeight);

// The band's opacity (0 to 255, black) and the text's colour (white, opaque).
constexpr std::uint8_t kCaptionBandAlpha = 115;

// Where a caption of this text size goes, in album pixels.
struct CaptionPlacement {
  double bandLeft = 0, bandTop = 0, bandRight = 0, bandBottom = 0;
  double textX = 0, textY = 0;  // the text block's top-left corner
};
CaptionPlacement placeCaption(std::int32_t albumWidth, std::int32_t albumHeight, double textWidth,
                              double textHeight);

// The caption's opacity (0 to 1) at `position` frames from the first frame
// of a hold of `holdFrames` frames: shown only within the hold, fading in
// over its first half second and out over its last (over half the hold each
// when it is shorter than a second).
double captionOpacity(std::int64_t holdFrames, double position);

// The caption as one shape: the band as fill 1, the text as fill 2, each
// glyph contour's edges carrying the text on its inside and the band (or an
// enclosing glyph's text) on its outside.
std::unique_ptr<SwfShape> captionShape(SwfCharacterIds& ids, const AlbumCaption& caption,
                                       std::int32_t albumWidth, std::int32_t albumHeight);

}  // namespace slidewright
