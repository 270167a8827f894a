#include "SkinBitmap.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "GdiHandles.h"
#include "common/utf8_path.h"

namespace {

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

void decodeRle8(const std::uint8_t* data, std::size_t size, int width, int height,
                std::vector<std::uint8_t>& rows) {
  const std::size_t stride = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
  int x = 0;
  int y = 0;  // row from the bottom
  std::size_t i = 0;
  auto put = [&](std::uint8_t index) {
    // Pixels past the end of the row are dropped; x stops at the width.
    if (x < width) rows[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x++)] = index;
  };
  while (i + 1 < size && y < height) {
    const std::uint8_t count = data[i];
    const std::uint8_t value = data[i + 1];
    i += 2;
    if (count > 0) {
      for (int k = 0; k < count; ++k) put(value);
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++y;
        break;
      case 1:  // end of bitmap
        return;
      case 2:  // move right and up
        if (i + 1 >= size) return;
        x = x + data[i] < width ? x + data[i] : width;
        y += data[i + 1];
        i += 2;
        break;
      default: {  // literal group, padded to an even number of bytes
        const std::size_t n = value;
        const std::size_t available = size - i;
        const std::size_t take = n < available ? n : available;
        for (std::size_t k = 0; k < take; ++k) put(data[i + k]);
        i += n + (n & 1);
        break;
      }
    }
  }
}

std::optional<Rle8Image> parseRle8Bmp(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kFileHeader = 14;
  if (size < kFileHeader + 40 || data[0] != 'B' || data[1] != 'M') return std::nullopt;
  const std::uint32_t pixelOffset = le32(data + 10);
  const std::uint8_t* info = data + kFileHeader;
  const std::uint32_t infoSize = le32(info);
  const auto width = static_cast<std::int32_t>(le32(info + 4));
  const auto height = static_cast<std::int32_t>(le32(info + 8));
  const std::uint16_t bitCount = le16(info + 14);
  const std::uint32_t compression = le32(info + 16);
  std::uint32_t colours = le32(info + 32);
  // Run-length pictures are stored bottom-up, so a negative height is not valid.
  if (infoSize < 40 || width <= 0 || height <= 0 || width > kMaxSkinSide || height > kMaxSkinSide ||
      bitCount != 8 || compression != BI_RLE8 || colours > 256)
    return std::nullopt;
  if (colours == 0) colours = 256;
  const std::size_t paletteStart = kFileHeader + infoSize;
  // A file may carry fewer palette entries than it declares before its
  // pixels; the missing ones stay black.
  if (pixelOffset < paletteStart || pixelOffset > size) return std::nullopt;
  const std::size_t stored = (pixelOffset - paletteStart) / 4;
  Rle8Image image;
  image.width = width;
  image.height = height;
  image.palette.assign(colours, RGBQUAD{});
  for (std::size_t c = 0; c < colours && c < stored; ++c)
    std::memcpy(&image.palette[c], data + paletteStart + c * 4, 4);
  image.rows.assign(image.stride() * static_cast<std::size_t>(height), 0);
  decodeRle8(data + pixelOffset, size - pixelOffset, width, height, image.rows);
  return image;
}

HBITMAP loadRle8Bitmap(const std::string& path) {
  std::ifstream in(slidewright::pathFromUtf8(path), std::ios::binary);
  if (!in) return nullptr;
  const std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
  const auto image = parseRle8Bmp(file.data(), file.size());
  if (!image) return nullptr;

  std::vector<std::uint8_t> infoBytes(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* info = reinterpret_cast<BITMAPINFO*>(infoBytes.data());
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info->bmiHeader.biWidth = image->width;
  info->bmiHeader.biHeight = image->height;
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = 8;
  info->bmiHeader.biCompression = BI_RGB;
  info->bmiHeader.biClrUsed = static_cast<DWORD>(image->palette.size());
  std::memcpy(info->bmiColors, image->palette.data(), image->palette.size() * sizeof(RGBQUAD));

  WindowDC screen(nullptr);
  BitmapHandle bitmap(CreateCompatibleBitmap(screen.get(), image->width, image->height));
  if (!bitmap) return nullptr;
  if (SetDIBits(screen.get(), bitmap.get(), 0, static_cast<UINT>(image->height), image->rows.data(), info,
                DIB_RGB_COLORS) == 0)
    return nullptr;
  return bitmap.release();
}

bool MaskRegion::loadMask(HBITMAP bitmap) {
  BITMAP bm{};
  if (!bitmap || GetObject(bitmap, sizeof bm, &bm) == 0 || bm.bmWidth <= 0 || bm.bmHeight <= 0) return false;
  const std::size_t stride = (static_cast<std::size_t>(bm.bmWidth) * 3 + 3) & ~std::size_t{3};
  std::vector<std::uint8_t> padded(stride * static_cast<std::size_t>(bm.bmHeight));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = bm.bmWidth;
  info.bmiHeader.biHeight = -bm.bmHeight;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  WindowDC screen(nullptr);
  if (GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(bm.bmHeight), padded.data(), &info,
                DIB_RGB_COLORS) != bm.bmHeight)
    return false;
  std::vector<std::uint8_t> bgr(static_cast<std::size_t>(bm.bmWidth) * 3 *
                                static_cast<std::size_t>(bm.bmHeight));
  for (int y = 0; y < bm.bmHeight; ++y)
    std::memcpy(&bgr[static_cast<std::size_t>(y) * bm.bmWidth * 3],
                &padded[static_cast<std::size_t>(y) * stride], static_cast<std::size_t>(bm.bmWidth) * 3);
  loadPixels(bm.bmWidth, bm.bmHeight, std::move(bgr));
  return true;
}

void MaskRegion::loadPixels(int width, int height, std::vector<std::uint8_t> bgrTopDown) {
  width_ = width;
  height_ = height;
  bgr_ = std::move(bgrTopDown);
}

HRGN MaskRegion::buildRegion(COLORREF key) const {
  if (width_ <= 0 || height_ <= 0) return nullptr;
  // Rectangles are collected row by row, one per run of key pixels, and
  // turned into a region in batches so that a large mask never needs one
  // huge allocation.
  constexpr std::size_t kBatch = 2000;
  const DWORD keyRgb = key & 0xFFFFFF;
  RegionHandle result(CreateRectRgn(0, 0, 0, 0));
  if (!result) return nullptr;
  std::vector<std::uint8_t> buffer(sizeof(RGNDATAHEADER) + kBatch * sizeof(RECT));
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  auto* rects = reinterpret_cast<RECT*>(data->Buffer);
  std::size_t count = 0;
  RECT bound{0x7FFFFFFF, 0x7FFFFFFF, 0, 0};

  auto flush = [&]() -> bool {
    if (count == 0) return true;
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = static_cast<DWORD>(count);
    data->rdh.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
    data->rdh.rcBound = bound;
    RegionHandle part(
        ExtCreateRegion(nullptr, static_cast<DWORD>(sizeof(RGNDATAHEADER) + count * sizeof(RECT)), data));
    if (!part || CombineRgn(result.get(), result.get(), part.get(), RGN_OR) == ERROR) return false;
    count = 0;
    bound = RECT{0x7FFFFFFF, 0x7FFFFFFF, 0, 0};
    return true;
  };
  auto isKey = [&](int x, int y) {
    const std::uint8_t* p = &bgr_[(static_cast<std::size_t>(y) * width_ + x) * 3];
    // blue * 65536 + green * 256 + red is the pixel's COLORREF.
    return (static_cast<DWORD>(p[0]) << 16 | static_cast<DWORD>(p[1]) << 8 | p[2]) == keyRgb;
  };

  for (int y = 0; y < height_; ++y) {
    int x = 0;
    while (x < width_) {
      while (x < width_ && !isKey(x, y)) ++x;
      if (x == width_) break;
      const int start = x;
      while (x < width_ && isKey(x, y)) ++x;
      rects[count++] = RECT{start, y, x, y + 1};
      if (start < bound.left) bound.left = start;
      if (y < bound.top) bound.top = y;
      if (x > bound.right) bound.right = x;
      if (y + 1 > bound.bottom) bound.bottom = y + 1;
      if (count == kBatch && !flush()) return nullptr;
    }
  }
  if (!flush()) return nullptr;
  return result.release();
}
