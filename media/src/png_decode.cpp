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
    return fail("the PNG data is damaged or unsupported (" + why + ")");
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
    return fail("the PNG data is damaged or incomplete (" + why + ")");
  }
  png_image_free(&image);

  Picture p;
  p.kind = PictureKind::Png;
  p.width = static_cast<int>(image.width);
  p.height = static_cast<int>(image.height);
  p.pixels.width = p.width;
  p.pixels.height = p.height;
  const std::size_t n = static_cast<std::size_t>(p.width) * p.height;
  p.pixels.rgb.resize(n * 3);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* s = &rgba[i * 4];
    Rgb c = over({s[0], s[1], s[2]}, s[3], options.background);
    p.pixels.rgb[i * 3] = c.r;
    p.pixels.rgb[i * 3 + 1] = c.g;
    p.pixels.rgb[i * 3 + 2] = c.b;
  }
  return p;
}

}  // namespace slidewright::media::detail
