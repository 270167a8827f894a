// Windows bitmaps: 1, 4, 8, 16, 24 and 32 bits a pixel, uncompressed,
// run-length compressed (RLE4, RLE8) or with bit-field masks. Every offset
// and size in the headers is checked against the file before use.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "decoders.h"

namespace slidewright::media::detail {

namespace {

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

std::uint32_t u16(const std::uint8_t* p) { return p[0] | p[1] << 8; }
std::uint32_t u32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

// One channel described by a bit mask, scaled to 0..255.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;
  explicit Channel(std::uint32_t m = 0) : mask(m) {
    if (!m) return;
    while (!(m & 1)) {
      m >>= 1;
      ++shift;
    }
    max = m;
  }
  std::uint8_t of(std::uint32_t v) const {
    if (!mask) return 0;
    return static_cast<std::uint8_t>((((v & mask) >> shift) * 255 + max / 2) / max);
  }
};

const Error truncated() {
  return fail(ErrorKind::Damaged, "the file ends before the picture is complete (truncated BMP)");
}

// What the headers say about the pixels.
struct BmpLayout {
  std::int64_t width = 0, height = 0;
  bool topDown = false;
  std::uint32_t bits = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t colorsUsed = 0;
  std::size_t paletteAt = 0;     // offset of the colour table (after any masks)
  std::size_t paletteEntry = 4;  // bytes per colour table entry
  std::uint32_t pixelOffset = 0;
  Channel red, green, blue, alpha;  // for 16 and 32 bits a pixel
};

// Reads the file header and the info header (the old core header or any
// later one), without the masks and the colour table.
Result<BmpLayout> readHeaders(const std::uint8_t* data, std::size_t size) {
  if (size < 14 + 12) return truncated();
  BmpLayout l;
  l.pixelOffset = u32(data + 10);
  const std::uint32_t headerSize = u32(data + 14);
  if (headerSize < 12 || headerSize > size - 14) return truncated();
  const std::uint8_t* h = data + 14;
  if (headerSize == 12) {  // the old core header
    l.width = u16(h + 4);
    l.height = u16(h + 6);
    l.bits = u16(h + 10);
    l.paletteEntry = 3;
  } else {
    if (headerSize < 40) return fail(ErrorKind::NotSupported, "the BMP header is of an unknown kind");
    l.width = static_cast<std::int32_t>(u32(h + 4));
    l.height = static_cast<std::int32_t>(u32(h + 8));
    l.bits = u16(h + 14);
    l.compression = u32(h + 16);
    l.colorsUsed = u32(h + 32);
  }
  l.topDown = l.height < 0;
  if (l.topDown) l.height = -l.height;
  if (l.width <= 0 || l.height <= 0) return fail(ErrorKind::Damaged, "the BMP picture has no pixels");
  if (Status s = checkPictureSize(static_cast<std::uint64_t>(l.width), static_cast<std::uint64_t>(l.height));
      !s)
    return s.error();
  l.paletteAt = 14 + headerSize;
  return l;
}

// Checks that the compression suits the bits a pixel and reads the channel
// masks (inside a later header, or after the info header).
Status readChannels(const std::uint8_t* data, std::size_t size, BmpLayout& l) {
  const std::size_t headerSize = l.paletteAt - 14;
  if (l.compression == kBitFields || l.compression == kAlphaBitFields) {
    if (l.bits != 16 && l.bits != 32)
      return fail(ErrorKind::NotSupported, "the BMP bit fields need 16 or 32 bits a pixel");
    const std::size_t masks = l.compression == kAlphaBitFields ? 4 : 3;
    const std::uint8_t* m;
    if (headerSize >= 40 + masks * 4 && headerSize > 40) {
      m = data + 14 + 40;  // masks inside a version 2 or later header
    } else {
      if (l.paletteAt + masks * 4 > size) return truncated();
      m = data + l.paletteAt;
      l.paletteAt += masks * 4;
    }
    l.red = Channel(u32(m));
    l.green = Channel(u32(m + 4));
    l.blue = Channel(u32(m + 8));
    if (masks == 4 || headerSize >= 56) l.alpha = Channel(u32(m + 12));
  } else if (l.compression == kRgb) {
    if (l.bits == 16) {
      l.red = Channel(0x7C00);
      l.green = Channel(0x03E0);
      l.blue = Channel(0x001F);
    } else if (l.bits == 32) {
      l.red = Channel(0xFF0000);
      l.green = Channel(0xFF00);
      l.blue = Channel(0xFF);
    } else if (l.bits != 1 && l.bits != 4 && l.bits != 8 && l.bits != 24) {
      return fail(ErrorKind::NotSupported,
                  "the BMP has an unsupported number of bits a pixel (" + std::to_string(l.bits) + ")");
    }
  } else if (l.compression == kRle8) {
    if (l.bits != 8)
      return fail(ErrorKind::NotSupported, "the BMP is RLE8-compressed but not 8 bits a pixel");
  } else if (l.compression == kRle4) {
    if (l.bits != 4)
      return fail(ErrorKind::NotSupported, "the BMP is RLE4-compressed but not 4 bits a pixel");
  } else {
    return fail(ErrorKind::NotSupported, "the BMP is compressed in a way this program does not read");
  }
  if ((l.compression == kRle8 || l.compression == kRle4) && l.topDown)
    return fail(ErrorKind::Damaged, "the BMP is damaged (a compressed bitmap cannot be stored top-down)");
  return success();
}

// The colour table of a picture of up to 8 bits a pixel (empty otherwise).
Result<std::vector<Rgb>> readPalette(const std::uint8_t* data, std::size_t size, const BmpLayout& l) {
  std::vector<Rgb> palette;
  if (l.bits > 8) return palette;
  std::size_t count = l.colorsUsed ? l.colorsUsed : std::size_t{1} << l.bits;
  if (count > 256) count = 256;
  if (l.paletteAt > size) return truncated();
  count = std::min(count, (size - l.paletteAt) / l.paletteEntry);
  if (count == 0) return fail(ErrorKind::Damaged, "the BMP has no colour table");
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* e = data + l.paletteAt + i * l.paletteEntry;
    palette.push_back({e[2], e[1], e[0]});
  }
  return palette;
}

// Where the pixels go: the picture, its colour table, and the row order.
struct PixelTarget {
  Picture& picture;
  const std::vector<Rgb>& palette;
  bool topDown;
  int rowY(std::int64_t fileRow) const {
    return static_cast<int>(topDown ? fileRow : picture.height - 1 - fileRow);
  }
  Rgb colour(unsigned index) const { return index < palette.size() ? palette[index] : Rgb{}; }
};

// Run-length compressed pixels (RLE8, RLE4). Pixels that the runs never
// reach stay the background colour.
Status decodeRuns(const std::uint8_t* pix, std::size_t available, bool four, PixelTarget t) {
  const int W = t.picture.width, H = t.picture.height;
  std::size_t at = 0;
  std::int64_t x = 0, row = 0;
  auto put = [&](unsigned index) {
    if (x < W && row < H) t.picture.pixels.set(static_cast<int>(x), t.rowY(row), t.colour(index));
    ++x;
  };
  for (;;) {
    if (at + 2 > available) return truncated();
    const unsigned count = pix[at], value = pix[at + 1];
    at += 2;
    if (count > 0) {  // a run of one index (RLE8) or two alternating ones (RLE4)
      for (unsigned i = 0; i < count; ++i) put(four ? (i & 1 ? value & 15 : value >> 4) : value);
    } else if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // move right and down
      if (at + 2 > available) return truncated();
      x += pix[at];
      row += pix[at + 1];
      at += 2;
    } else {  // literal indices, padded to a 16-bit boundary
      const std::size_t bytes = four ? (value + 1) / 2 : value;
      if (at + bytes > available) return truncated();
      for (unsigned i = 0; i < value; ++i)
        put(four ? (i & 1 ? pix[at + i / 2] & 15 : pix[at + i / 2] >> 4) : pix[at + i]);
      at += bytes + (bytes & 1);
    }
    if (row >= H) break;
  }
  return success();
}

// Uncompressed rows of 1 to 32 bits a pixel; an alpha mask that is used is
// laid over the background colour.
Status decodeRows(const std::uint8_t* pix, std::size_t available, const BmpLayout& l, PixelTarget t,
                  Rgb background) {
  const int W = t.picture.width, H = t.picture.height;
  const std::uint32_t bits = l.bits;
  const std::uint64_t stride = (static_cast<std::uint64_t>(W) * bits + 31) / 32 * 4;
  if (stride * static_cast<std::uint64_t>(H) > available) return truncated();
  bool anyAlpha = false;
  std::vector<std::uint8_t> alphas;
  if (l.alpha.mask) alphas.resize(static_cast<std::size_t>(W) * H);
  for (int r = 0; r < H; ++r) {
    const std::uint8_t* line = pix + stride * static_cast<std::uint64_t>(r);
    const int y = t.rowY(r);
    for (int x = 0; x < W; ++x) {
      Rgb c;
      switch (bits) {
        case 1:
          c = t.colour(line[x >> 3] >> (7 - (x & 7)) & 1);
          break;
        case 4:
          c = t.colour(x & 1 ? line[x >> 1] & 15 : line[x >> 1] >> 4);
          break;
        case 8:
          c = t.colour(line[x]);
          break;
        case 24:
          c = {line[x * 3 + 2], line[x * 3 + 1], line[x * 3]};
          break;
        default: {
          const std::uint32_t v = bits == 16 ? u16(line + x * 2) : u32(line + x * 4);
          c = {l.red.of(v), l.green.of(v), l.blue.of(v)};
          if (l.alpha.mask) {
            const std::uint8_t a = l.alpha.of(v);
            alphas[static_cast<std::size_t>(y) * W + x] = a;
            anyAlpha = anyAlpha || a != 0;
          }
        }
      }
      t.picture.pixels.set(x, y, c);
    }
  }
  // An alpha mask whose values are all zero is an unused channel, not a
  // fully transparent picture.
  if (anyAlpha) {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        t.picture.pixels.set(
            x, y, over(t.picture.pixels.at(x, y), alphas[static_cast<std::size_t>(y) * W + x], background));
  }
  return success();
}

}  // namespace

Result<Picture> decodeBmp(const std::uint8_t* data, std::size_t size, const DecodeOptions& options) {
  auto layout = readHeaders(data, size);
  if (!layout) return layout.error();
  BmpLayout& l = layout.value();
  if (Status s = readChannels(data, size, l); !s) return s.error();
  auto palette = readPalette(data, size, l);
  if (!palette) return palette.error();
  if (l.pixelOffset >= size) return truncated();

  const int W = static_cast<int>(l.width), H = static_cast<int>(l.height);
  auto made = backgroundPicture(PictureKind::Bmp, W, H, options.background);
  if (!made) return made.error();
  Picture& p = made.value();
  const PixelTarget target{p, palette.value(), l.topDown};
  const std::uint8_t* pix = data + l.pixelOffset;
  const std::size_t available = size - l.pixelOffset;
  const Status decoded = l.compression == kRle8 || l.compression == kRle4
                             ? decodeRuns(pix, available, l.compression == kRle4, target)
                             : decodeRows(pix, available, l, target, options.background);
  if (!decoded) return decoded.error();
  return made;
}

}  // namespace slidewright::media::detail
