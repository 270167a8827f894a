#include "PictureFile.h"

#include "media/picture.h"

namespace media = slidewright::media;

namespace {

std::size_t dibStride(int width) { return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3}; }

}  // namespace

void PictureFile::release() {
  width_ = height_ = pixelWidth_ = pixelHeight_ = 0;
  pixels_.clear();
  pixels_.shrink_to_fit();
}

bool PictureFile::load(const std::string& path) {
  release();
  auto bytes = media::readFile(path);
  if (!bytes) {
    error_ = path + ": " + bytes.message();
    return false;
  }
  if (bytes.value().empty()) {
    error_ = path + ": the file is empty";
    return false;
  }
  if (!loadFromMemory(bytes.value().data(), bytes.value().size())) {
    error_ = path + ": " + error_;
    return false;
  }
  return true;
}

bool PictureFile::loadFromMemory(const void* bytes, std::size_t size) {
  release();
  error_.clear();
  auto picture = media::decodePicture(static_cast<const std::uint8_t*>(bytes), size);
  if (!picture) {
    error_ = picture.message();
    return false;
  }
  const media::Image& image = picture.value().pixels;
  // Rows as a device-independent bitmap wants them: blue, green, red, each
  // row padded to a multiple of four bytes.
  const std::size_t stride = dibStride(image.width);
  std::vector<std::uint8_t> dib(stride * static_cast<std::size_t>(image.height));
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* src = &image.rgb[static_cast<std::size_t>(y) * image.width * 3];
    std::uint8_t* dst = &dib[static_cast<std::size_t>(y) * stride];
    for (int x = 0; x < image.width; ++x) {
      dst[x * 3] = src[x * 3 + 2];
      dst[x * 3 + 1] = src[x * 3 + 1];
      dst[x * 3 + 2] = src[x * 3];
    }
  }
  pixels_ = std::move(dib);
  pixelWidth_ = image.width;
  pixelHeight_ = image.height;
  width_ = picture.value().width;
  height_ = picture.value().height;
  return true;
}

bool PictureFile::render(HDC dc, const RECT& rect) const {
  return renderAt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

bool PictureFile::renderAt(HDC dc, int x, int y, int width, int height) const {
  if (!dc || !isLoaded()) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = pixelWidth_;
  info.bmiHeader.biHeight = -pixelHeight_;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  // Shrinking averages the pixels instead of dropping rows and columns.
  const int previousMode = SetStretchBltMode(dc, HALFTONE);
  POINT previousOrigin{};
  SetBrushOrgEx(dc, 0, 0, &previousOrigin);
  const int lines = StretchDIBits(dc, x, y, width, height, 0, 0, pixelWidth_, pixelHeight_, pixels_.data(),
                                  &info, DIB_RGB_COLORS, SRCCOPY);
  SetBrushOrgEx(dc, previousOrigin.x, previousOrigin.y, nullptr);
  if (previousMode) SetStretchBltMode(dc, previousMode);
  return lines != 0 && lines != static_cast<int>(GDI_ERROR);
}
