// Thumbnails of the picture list: each picture fitted into a 4:3 box over
// light grey, made from a copy decoded at the smallest size that serves (a
// camera JPEG is decoded at 1/8 of its size, never whole), and the batch
// maker that spreads a list of files over a few worker threads while the
// caller takes the results one by one in the order of the list.
//
// Nothing here touches a window or a GDI object: the caller turns the
// pixels into a bitmap on its own thread.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "media/result.h"

// Colour of the bars beside a picture that is not 4:3 (0xE6E6E6), and under
// transparent parts of a picture.
constexpr std::uint8_t kThumbnailBarGrey = 230;

struct Thumbnail {
  bool ok = false;
  std::string error;  // why no thumbnail was made, in English; "" when ok
  slidewright::media::ErrorKind errorKind = slidewright::media::ErrorKind::Internal;  // the same as a kind
  int pictureWidth = 0;  // size of the whole upright picture
  int pictureHeight = 0;
  int width = 0;  // size of the thumbnail
  int height = 0;
  // Rows of blue, green, red bytes, bottom row first, each padded to a
  // multiple of four bytes: what a 24-bit device-independent bitmap holds.
  std::vector<std::uint8_t> bits;

  std::size_t stride() const { return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3}; }
};

// Where a picture of w x h goes in a box of boxWidth x boxHeight (4:3): a
// picture narrower than 4:3 is as high as the box, a wider one as wide;
// the drawn size, never below one pixel.
struct ThumbnailFit {
  int width = 0;
  int height = 0;
};
ThumbnailFit fitThumbnail(int w, int h, int boxWidth, int boxHeight);

// Makes the boxWidth x boxHeight thumbnail of a picture file: the picture
// is drawn centred at twice the size over light grey, and each thumbnail
// pixel is the (truncated) mean of the 2 x 2 pixels it covers, which gives
// smooth edges on the bars.
Thumbnail makeThumbnail(const std::string& path, int boxWidth, int boxHeight);

// Makes the thumbnails of all paths on up to four worker threads and hands
// each one to take(index, thumbnail) on the calling thread, in the order of
// the paths, as soon as it and all before it are done.
void makeThumbnails(const std::vector<std::string>& paths, int boxWidth, int boxHeight,
                    const std::function<void(std::size_t, Thumbnail&&)>& take);
