// PNG pictures through libpng's simplified reader; every colour type, bit
// depth and transparency form arrives as 8-bit RGBA and is laid over the
// background colour.
#include <cstring>
#include <string>
#include <vector>

#include <png.h>

#include "decoders.h"

namespace slidewright::media::detail {

Result<Picture> decodePng(const std::uint8_t* data, std::size_t size, const DecodeOptions& options) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) {
    std::string why = image.message;
    png_image_free(&image);
    return fail(ErrorKind::Damaged, "the PNG data is damaged or unsupported (" + why + ")");
  }
  if (Status s = checkPictureSize(image.width, image.height); !s) {
    png_image_free(&image);
    return s.error();
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
    std::string why = image.message;
    png_image_free(&image);
    return fail(ErrorKind::Damaged, "the PNG data is damaged or incomplete (" + why + ")");
  }
  png_image_free(&image);

  Picture p;
  p.kind = PictureKind::Png;
  p.width = static_cast<int>(image.width);
  p.height = static_cast<int>(image.height);
  p.pixels.width = p.width;
  p.pixels.height = p.height;
  // Lay the pixels over the background in place, RGBA to RGB front to back
  // (each pixel's three bytes land at or before its four), and hand the
  // buffer on: a large picture then needs 4 bytes a pixel at the peak
  // instead of 7, which counts in a 32-bit process.
  const std::size_t n = static_cast<std::size_t>(p.width) * p.height;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* s = &rgba[i * 4];
    const Rgb c = over({s[0], s[1], s[2]}, s[3], options.background);
    rgba[i * 3] = c.r;
    rgba[i * 3 + 1] = c.g;
    rgba[i * 3 + 2] = c.b;
  }
  rgba.resize(n * 3);
  p.pixels.rgb = std::move(rgba);
  return p;
}

}  // namespace slidewright::media::detail
