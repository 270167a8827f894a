// The album canvas: a picture fitted into the album size, centred, over the
// background colour.
#pragma once

#include <cstddef>
#include <cstdint>

#include "media/image.h"
#include "media/picture.h"
#include "media/result.h"

namespace slidewright::media {

struct FitRect {
  int x = 0, y = 0;           // top-left corner on the canvas
  int width = 0, height = 0;  // drawn size
};

// Where a picture of pw x ph pixels goes on a canvas of W x H. A picture
// larger than the canvas in either direction is shrunk keeping its aspect
// ratio (when W * ph > H * pw it becomes (H * pw / ph) x H, otherwise
// W x (ph * W / pw), in integer division); a picture that fits keeps its
// size. It is centred at ((W - w) / 2, (H - h) / 2). A very thin picture
// keeps at least one pixel in each direction rather than vanishing.
FitRect fitPicture(int pw, int ph, int W, int H);

// Resamples an image to the given size by area averaging: every output pixel
// is the mean of the source area it covers, counting partly covered source
// pixels by the part covered.
Result<Image> resizeArea(const Image& src, int width, int height);
// The same from RGB rows `stride` bytes apart, such as a codec's own buffer.
Result<Image> resizeAreaRows(const std::uint8_t* rgb, int srcWidth, int srcHeight, std::size_t stride,
                             int width, int height);

// Draws the picture fitted and centred on a W x H canvas filled with the
// background colour.
Result<Image> renderCanvas(const Picture& picture, int W, int H, Rgb background);

}  // namespace slidewright::media
