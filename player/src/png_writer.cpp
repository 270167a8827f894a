#include "player/png_writer.h"

#include "common/stdio_file.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace player {

bool writePng(const std::string& path, const Image& image, std::string* error) {
  if (image.width <= 0 || image.height <= 0) {
    *error = "empty image";
    return false;
  }
  slidewright::StdioFile f = slidewright::openStdioFile(path, "wb");
  if (!f) {
    *error = "cannot create " + path;
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  // The row buffer lives outside the setjmp region so that a jump skips no destructor.
  std::vector<png_byte> row(size_t(image.width) * 3);
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    f.reset();
    slidewright::removeFile(path);
    *error = "cannot write " + path;
    return false;
  }
  png_init_io(png, f.get());
  png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* s = image.row(y);
    for (int x = 0; x < image.width; ++x) {
      row[3 * x] = s[4 * x];
      row[3 * x + 1] = s[4 * x + 1];
      row[3 * x + 2] = s[4 * x + 2];
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (!slidewright::closeWritten(f)) {
    slidewright::removeFile(path);
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace player
