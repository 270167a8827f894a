// Windows bitmaps: 1, 4, 8, 16, 24 and 32 bits a pixel, uncompressed,
// run-length compressed (RLE4, RLE8) or with bit-field masks. Every offset
// and size in the headers is checked against the file before use.
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

}  // namespace

Result<Picture> decodeBmp(const std::uint8_t* data, std::size_t size, const DecodeOptions& options) {
  if (size < 14 + 12) return truncated();
  const std::uint32_t pixelOffset = u32(data + 10);
  const std::uint32_t headerSize = u32(data + 14);
  if (headerSize < 12 || headerSize > size - 14) return truncated();
  const std::uint8_t* h = data + 14;

  std::int64_t width, height;
  std::uint32_t bits, compression = kRgb, colorsUsed = 0;
  std::size_t paletteEntry = 4;
  Channel red, green, blue, alpha;
  if (headerSize == 12) {  // the old core header
    width = u16(h + 4);
    height = u16(h + 6);
    bits = u16(h + 10);
    paletteEntry = 3;
  } else {
    if (headerSize < 40) return fail(ErrorKind::NotSupported, "the BMP header is of an unknown kind");
    width = static_cast<std::int32_t>(u32(h + 4));
    height = static_cast<std::int32_t>(u32(h + 8));
    bits = u16(h + 14);
    compression = u32(h + 16);
    colorsUsed = u32(h + 32);
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0) return fail(ErrorKind::Damaged, "the BMP picture has no pixels");
  if (Status s = checkPictureSize(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height)); !s)
    return s.error();

  std::size_t paletteAt = 14 + headerSize;
  if (compression == kBitFields || compression == kAlphaBitFields) {
    if (bits != 16 && bits != 32)
      return fail(ErrorKind::NotSupported, "the BMP bit fields need 16 or 32 bits a pixel");
    const std::size_t masks = compression == kAlphaBitFields ? 4 : 3;
    const std::uint8_t* m;
    if (headerSize >= 40 + masks * 4 && headerSize > 40) {
      m = h + 40;  // masks inside a version 2 or later header
    } else {
      if (paletteAt + masks * 4 > size) return truncated();
      m = data + paletteAt;
      paletteAt += masks * 4;
    }
    red = Channel(u32(m));
    green = Channel(u32(m + 4));
    blue = Channel(u32(m + 8));
    if (masks == 4 || headerSize >= 56) alpha = Channel(u32(m + 12));
  } else if (compression == kRgb) {
    if (bits == 16) {
      red = Channel(0x7C00);
      green = Channel(0x03E0);
      blue = Channel(0x001F);
    } else if (bits == 32) {
      red = Channel(0xFF0000);
      green = Channel(0xFF00);
      blue = Channel(0xFF);
    } else if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
      return fail(ErrorKind::NotSupported,
                  "the BMP has an unsupported number of bits a pixel (" + std::to_string(bits) + ")");
    }
  } else if (compression == kRle8) {
    if (bits != 8) return fail(ErrorKind::NotSupported, "the BMP is RLE8-compressed but not 8 bits a pixel");
  } else if (compression == kRle4) {
    if (bits != 4) return fail(ErrorKind::NotSupported, "the BMP is RLE4-compressed but not 4 bits a pixel");
  } else {
    return fail(ErrorKind::NotSupported, "the BMP is compressed in a way this program does not read");
  }
  if ((compression == kRle8 || compression == kRle4) && topDown)
    return fail(ErrorKind::Damaged, "the BMP is damaged (a compressed bitmap cannot be stored top-down)");

  std::vector<Rgb> palette;
  if (bits <= 8) {
    std::size_t count = colorsUsed ? colorsUsed : std::size_t{1} << bits;
    if (count > 256) count = 256;
    if (paletteAt > size) return truncated();
    count = std::min(count, (size - paletteAt) / paletteEntry);
    if (count == 0) return fail(ErrorKind::Damaged, "the BMP has no colour table");
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint8_t* e = data + paletteAt + i * paletteEntry;
      palette.push_back({e[2], e[1], e[0]});
    }
  }
  if (pixelOffset >= size) return truncated();

  const int W = static_cast<int>(width), H = static_cast<int>(height);
  auto made = Image::create(W, H, options.background);
  if (!made) return made.error();
  Picture p;
  p.kind = PictureKind::Bmp;
  p.width = W;
  p.height = H;
  p.pixels = std::move(made.value());
  auto rowY = [&](std::int64_t fileRow) { return static_cast<int>(topDown ? fileRow : H - 1 - fileRow); };
  auto paletteColour = [&](unsigned index) { return index < palette.size() ? palette[index] : Rgb{}; };

  const std::uint8_t* pix = data + pixelOffset;
  const std::size_t available = size - pixelOffset;

  if (compression == kRle8 || compression == kRle4) {
    // Pixels that the runs never reach stay the background colour.
    const bool four = compression == kRle4;
    std::size_t at = 0;
    std::int64_t x = 0, row = 0;
    auto put = [&](unsigned index) {
      if (x < W && row < H) p.pixels.set(static_cast<int>(x), rowY(row), paletteColour(index));
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
    return p;
  }

  const std::uint64_t stride = (static_cast<std::uint64_t>(W) * bits + 31) / 32 * 4;
  if (stride * static_cast<std::uint64_t>(H) > available) return truncated();
  bool anyAlpha = false;
  std::vector<std::uint8_t> alphas;
  if (alpha.mask) alphas.resize(static_cast<std::size_t>(W) * H);
  for (int r = 0; r < H; ++r) {
    const std::uint8_t* line = pix + stride * static_cast<std::uint64_t>(r);
    const int y = rowY(r);
    for (int x = 0; x < W; ++x) {
      Rgb c;
      switch (bits) {
        case 1:
          c = paletteColour(line[x >> 3] >> (7 - (x & 7)) & 1);
          break;
        case 4:
          c = paletteColour(x & 1 ? line[x >> 1] & 15 : line[x >> 1] >> 4);
          break;
        case 8:
          c = paletteColour(line[x]);
          break;
        case 24:
          c = {line[x * 3 + 2], line[x * 3 + 1], line[x * 3]};
          break;
        default: {
          const std::uint32_t v = bits == 16 ? u16(line + x * 2) : u32(line + x * 4);
          c = {red.of(v), green.of(v), blue.of(v)};
          if (alpha.mask) {
            const std::uint8_t a = alpha.of(v);
            alphas[static_cast<std::size_t>(y) * W + x] = a;
            anyAlpha = anyAlpha || a != 0;
          }
        }
      }
      p.pixels.set(x, y, c);
    }
  }
  // An alpha mask whose values are all zero is an unused channel, not a
  // fully transparent picture.
  if (anyAlpha) {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        p.pixels.set(
            x, y, over(p.pixels.at(x, y), alphas[static_cast<std::size_t>(y) * W + x], options.background));
  }
  return p;
}

}  // namespace slidewright::media::detail
