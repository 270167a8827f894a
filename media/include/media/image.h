// Pixels in memory: 8-bit RGB, rows top to bottom, no padding.
#pragma once

#include <cstdint>
#include <vector>

#include "media/result.h"

namespace slidewright::media {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
  friend bool operator!=(Rgb a, Rgb b) { return !(a == b); }
};

// Largest picture, in pixels, that is ever held in memory at once. It bounds
// what a hostile file can make us allocate (3 or 4 bytes a pixel).
constexpr std::uint64_t kMaxPixels = 150'000'000;

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3 bytes

  // Makes an image of the given size filled with one colour; fails when the
  // size is not positive or larger than kMaxPixels.
  static Result<Image> create(int width, int height, Rgb fill = {});

  Rgb at(int x, int y) const {
    const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
  }
  void set(int x, int y, Rgb c) {
    std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
  }
};

// Blends a colour with the given alpha (0 transparent, 255 opaque) over a background.
inline Rgb over(Rgb c, unsigned alpha, Rgb bg) {
  auto mix = [alpha](unsigned fg, unsigned back) {
    return static_cast<std::uint8_t>((fg * alpha + back * (255 - alpha) + 127) / 255);
  };
  return {mix(c.r, bg.r), mix(c.g, bg.g), mix(c.b, bg.b)};
}

}  // namespace slidewright::media
