#include "PictureFile.h"

#include <algorithm>

#include "media/canvas.h"
#include "media/picture.h"

namespace media = slidewright::media;

namespace {

std::size_t dibStride(int width) { return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3}; }

}  // namespace

void PictureFile::release() {
  width_ = height_ = 0;
  pixels_ = media::Image{};
  dib_.clear();
  dib_.shrink_to_fit();
}

bool PictureFile::load(const std::string& path, const PictureLoadOptions& options) {
  release();
  auto bytes = media::readFile(path);
  if (!bytes) {
    error_ = path + ": " + bytes.message();
    errorKind_ = bytes.kind();
    return false;
  }
  if (bytes.value().empty()) {
    error_ = path + ": the file is empty";
    errorKind_ = media::ErrorKind::Damaged;
    return false;
  }
  if (!loadFromMemory(bytes.value().data(), bytes.value().size(), options)) {
    error_ = path + ": " + error_;
    return false;
  }
  return true;
}

bool PictureFile::loadFromMemory(const void* bytes, std::size_t size, const PictureLoadOptions& options) {
  release();
  error_.clear();
  errorKind_ = media::ErrorKind::Internal;
  media::DecodeOptions decode;
  decode.background =
      media::Rgb{GetRValue(options.background), GetGValue(options.background), GetBValue(options.background)};
  decode.fitWidth = options.fitWidth;
  decode.fitHeight = options.fitHeight;
  decode.largeDecodesOneAtATime = options.largeDecodesOneAtATime;
  auto picture = media::decodePicture(static_cast<const std::uint8_t*>(bytes), size, decode);
  if (!picture) {
    error_ = picture.message();
    errorKind_ = picture.kind();
    return false;
  }
  if (picture.value().width <= 0 || picture.value().height <= 0 || picture.value().pixels.rgb.empty()) {
    error_ = "the picture has no pixels";
    errorKind_ = media::ErrorKind::Damaged;
    return false;
  }
  pixels_ = std::move(picture.value().pixels);
  width_ = picture.value().width;
  height_ = picture.value().height;
  return true;
}

bool PictureFile::render(HDC dc, const RECT& rect) const {
  return renderAt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

bool PictureFile::renderAt(HDC dc, int x, int y, int width, int height) const {
  if (!dc || !isLoaded()) return false;
  if (dib_.empty()) {
    const std::size_t stride = dibStride(pixels_.width);
    dib_.assign(stride * static_cast<std::size_t>(pixels_.height), 0);
    for (int row = 0; row < pixels_.height; ++row) {
      const std::uint8_t* src = &pixels_.rgb[static_cast<std::size_t>(row) * pixels_.width * 3];
      std::uint8_t* dst = &dib_[static_cast<std::size_t>(row) * stride];
      for (int col = 0; col < pixels_.width; ++col) {
        dst[col * 3] = src[col * 3 + 2];
        dst[col * 3 + 1] = src[col * 3 + 1];
        dst[col * 3 + 2] = src[col * 3];
      }
    }
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = pixels_.width;
  info.bmiHeader.biHeight = -pixels_.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  // Shrinking averages the pixels instead of dropping rows and columns.
  const int previousMode = SetStretchBltMode(dc, HALFTONE);
  POINT previousOrigin{};
  SetBrushOrgEx(dc, 0, 0, &previousOrigin);
  const int lines = StretchDIBits(dc, x, y, width, height, 0, 0, pixels_.width, pixels_.height, dib_.data(),
                                  &info, DIB_RGB_COLORS, SRCCOPY);
  SetBrushOrgEx(dc, previousOrigin.x, previousOrigin.y, nullptr);
  if (previousMode) SetStretchBltMode(dc, previousMode);
  return lines != 0 && lines != static_cast<int>(GDI_ERROR);
}

bool PictureFile::renderInto(media::Image& target, int x, int y, int width, int height) const {
  if (!isLoaded() || width <= 0 || height <= 0 || target.rgb.empty()) return false;
  auto scaled = media::resizeArea(pixels_, width, height);
  if (!scaled) return false;
  const media::Image& s = scaled.value();
  const int left = std::max(x, 0), right = std::min(x + width, target.width);
  const int top = std::max(y, 0), bottom = std::min(y + height, target.height);
  if (left >= right) return true;
  const std::size_t rowBytes = static_cast<std::size_t>(right - left) * 3;
  for (int row = top; row < bottom; ++row) {
    const std::uint8_t* src = &s.rgb[(static_cast<std::size_t>(row - y) * s.width + (left - x)) * 3];
    std::uint8_t* dst = &target.rgb[(static_cast<std::size_t>(row) * target.width + left) * 3];
    std::copy(src, src + rowBytes, dst);
  }
  return true;
}
