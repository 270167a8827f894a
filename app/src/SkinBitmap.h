// The skin of the main window: 8-bit run-length-compressed BMP files for the
// picture and for the window's shape, and the region made from the shape.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A decoded 8-bit picture: palette indices in rows of the width rounded up
// to a multiple of 4 bytes, bottom row first as in a BMP file.
struct Rle8Image {
  int width = 0;
  int height = 0;
  std::vector<RGBQUAD> palette;  // 1 to 256 colours
  std::vector<std::uint8_t> rows;

  std::size_t stride() const { return (static_cast<std::size_t>(width) + 3) & ~std::size_t{3}; }
  std::uint8_t indexAt(int x, int rowFromBottom) const {
    return rows[static_cast<std::size_t>(rowFromBottom) * stride() + static_cast<std::size_t>(x)];
  }
};

// Largest skin accepted, in pixels each way; bounds what a damaged file can
// make us allocate.
constexpr int kMaxSkinSide = 8192;

// Expands BI_RLE8 data into rows (stride bytes each, bottom row first) that
// are already sized and zeroed. Runs and literal groups that go past the end
// of a row are cut there, moves past the last row end the picture, and data
// that ends early leaves the rest zero: nothing is ever written outside rows.
void decodeRle8(const std::uint8_t* data, std::size_t size, int width, int height,
                std::vector<std::uint8_t>& rows);

// Parses a whole BMP file that must be 8-bit BI_RLE8 with a positive width and
// height and at most 256 colours; anything else gives no image.
std::optional<Rle8Image> parseRle8Bmp(const std::uint8_t* data, std::size_t size);

// Loads an 8-bit RLE BMP file (UTF-8 path) as a bitmap compatible with the screen, or
// returns null when the file is missing or not in that form.
HBITMAP loadRle8Bitmap(const std::string& path);

// A bitmap held as 24-bit pixels, from which the window region is made.
class MaskRegion {
 public:
  // Copies the bitmap's pixels; false when they cannot be read.
  bool loadMask(HBITMAP bitmap);
  // The same from 24-bit pixels given directly (blue, green, red; rows top
  // to bottom, no padding).
  void loadPixels(int width, int height, std::vector<std::uint8_t> bgrTopDown);

  // The region of all pixels of the key colour (a COLORREF), in the
  // bitmap's coordinates; null when no mask is loaded.
  HRGN buildRegion(COLORREF key) const;

  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint8_t> bgr_;  // top row first, 3 bytes a pixel
};
