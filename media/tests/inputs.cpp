#include "inputs.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <stdexcept>

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <lame/lame.h>
#include <png.h>

#include "media/jpeg_writer.h"

namespace testinputs {

Image quadrants(int width, int height) {
  Image img = solid(width, height, {});
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool right = x >= width / 2, bottom = y >= height / 2;
      img.set(x, y, !bottom ? (right ? kGreen : kRed) : (right ? kWhite : kBlue));
    }
  return img;
}

Image solid(int width, int height, Rgb colour) { return Image::create(width, height, colour).value(); }

namespace {

void put16(Bytes& b, unsigned v, bool big) {
  if (big) {
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
  } else {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
  }
}
void put32(Bytes& b, std::uint32_t v, bool big) {
  if (big) {
    put16(b, v >> 16, true);
    put16(b, v & 0xFFFF, true);
  } else {
    put16(b, v & 0xFFFF, false);
    put16(b, v >> 16, false);
  }
}
void le16(Bytes& b, unsigned v) { put16(b, v, false); }
void le32(Bytes& b, std::uint32_t v) { put32(b, v, false); }

}  // namespace

namespace {

// Baseline at quality 95 with an optional EXIF orientation, or progressive
// at the library's default quality.
Bytes encodeJpeg(const Image& image, bool progressive, int orientation, bool bigEndian) {
  slidewright::media::JpegEncodeSettings settings;
  settings.quality = progressive ? 75 : 95;
  settings.progressive = progressive;
  if (orientation > 0) {
    // "Exif\0\0", TIFF header, IFD0 with one entry: Orientation SHORT 1.
    Bytes exif = {'E', 'x', 'i', 'f', 0, 0};
    exif.push_back(bigEndian ? 'M' : 'I');
    exif.push_back(bigEndian ? 'M' : 'I');
    put16(exif, 42, bigEndian);
    put32(exif, 8, bigEndian);
    put16(exif, 1, bigEndian);
    put16(exif, 0x0112, bigEndian);
    put16(exif, 3, bigEndian);
    put32(exif, 1, bigEndian);
    put16(exif, static_cast<unsigned>(orientation), bigEndian);
    put16(exif, 0, bigEndian);
    put32(exif, 0, bigEndian);
    settings.app1 = exif;
  }
  return slidewright::media::encodeJpeg({image.width, image.height, 3, image.rgb.data()}, settings).value();
}

}  // namespace

Bytes progressiveJpeg(const Image& image) { return encodeJpeg(image, true, 0, false); }

Bytes jpeg(const Image& image, int orientation, bool bigEndian) {
  return encodeJpeg(image, false, orientation, bigEndian);
}

Bytes pngRgba(int width, int height, Rgb colour, std::uint8_t alpha) {
  std::vector<std::uint8_t> px(static_cast<std::size_t>(width) * height * 4);
  for (std::size_t i = 0; i < px.size(); i += 4) {
    px[i] = colour.r;
    px[i + 1] = colour.g;
    px[i + 2] = colour.b;
    px[i + 3] = alpha;
  }
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  img.width = width;
  img.height = height;
  img.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&img, nullptr, &size, 0, px.data(), 0, nullptr);
  Bytes out(size);
  if (!png_image_write_to_memory(&img, out.data(), &size, 0, px.data(), 0, nullptr))
    throw std::runtime_error("png write failed");
  out.resize(size);
  return out;
}

Bytes png(const Image& image, unsigned format) {
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  img.width = image.width;
  img.height = image.height;
  img.format = format;
  // Convert the RGB source into the requested layout through libpng's reader
  // of a temporary RGB PNG.
  png_image rgb;
  std::memset(&rgb, 0, sizeof rgb);
  rgb.version = PNG_IMAGE_VERSION;
  rgb.width = image.width;
  rgb.height = image.height;
  rgb.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&rgb, nullptr, &size, 0, image.rgb.data(), 0, nullptr);
  Bytes tmp(size);
  png_image_write_to_memory(&rgb, tmp.data(), &size, 0, image.rgb.data(), 0, nullptr);
  png_image back;
  std::memset(&back, 0, sizeof back);
  back.version = PNG_IMAGE_VERSION;
  png_image_begin_read_from_memory(&back, tmp.data(), size);
  back.format = format;
  std::vector<std::uint8_t> px(PNG_IMAGE_SIZE(back));
  std::vector<std::uint8_t> colormap(PNG_IMAGE_COLORMAP_SIZE(back));
  png_image_finish_read(&back, nullptr, px.data(), 0, colormap.data());
  img.colormap_entries = back.colormap_entries;
  const void* map = (format & PNG_FORMAT_FLAG_COLORMAP) ? colormap.data() : nullptr;
  png_alloc_size_t outSize = 0;
  png_image_write_to_memory(&img, nullptr, &outSize, 0, px.data(), 0, map);
  Bytes out(outSize);
  if (!png_image_write_to_memory(&img, out.data(), &outSize, 0, px.data(), 0, map))
    throw std::runtime_error("png write failed");
  out.resize(outSize);
  return out;
}

namespace {

std::vector<Rgb> paletteOf(const Image& image, std::vector<std::uint8_t>& indices) {
  std::vector<Rgb> palette;
  std::map<std::uint32_t, std::uint8_t> seen;
  indices.resize(static_cast<std::size_t>(image.width) * image.height);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      Rgb c = image.at(x, y);
      std::uint32_t key = c.r << 16 | c.g << 8 | c.b;
      auto it = seen.find(key);
      if (it == seen.end()) {
        if (palette.size() == 256) throw std::runtime_error("too many colours");
        it = seen.emplace(key, static_cast<std::uint8_t>(palette.size())).first;
        palette.push_back(c);
      }
      indices[static_cast<std::size_t>(y) * image.width + x] = it->second;
    }
  return palette;
}

int writeToBytes(GifFileType* gif, const GifByteType* data, int n) {
  static_cast<Bytes*>(gif->UserData)->insert(static_cast<Bytes*>(gif->UserData)->end(), data, data + n);
  return n;
}

}  // namespace

Bytes gif(const Image& image, bool interlaced, const Rgb* transparent) {
  std::vector<std::uint8_t> idx;
  std::vector<Rgb> palette = paletteOf(image, idx);
  int bits = 1;
  while ((1 << bits) < static_cast<int>(palette.size())) ++bits;
  std::vector<GifColorType> colours(1u << bits);
  int transparentIndex = -1;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    colours[i] = {palette[i].r, palette[i].g, palette[i].b};
    if (transparent && palette[i] == *transparent) transparentIndex = static_cast<int>(i);
  }
  Bytes out;
  int err = 0;
  GifFileType* g = EGifOpen(&out, writeToBytes, &err);
  ColorMapObject* map = GifMakeMapObject(1 << bits, colours.data());
  EGifSetGifVersion(g, true);
  EGifPutScreenDesc(g, image.width, image.height, bits, 0, map);
  if (transparentIndex >= 0) {
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    gcb.DelayTime = 0;
    gcb.TransparentColor = transparentIndex;
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    EGifPutExtension(g, GRAPHICS_EXT_FUNC_CODE, 4, ext);
  }
  EGifPutImageDesc(g, 0, 0, image.width, image.height, interlaced, nullptr);
  auto line = [&](int y) { EGifPutLine(g, &idx[static_cast<std::size_t>(y) * image.width], image.width); };
  if (interlaced) {
    const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
    for (int p = 0; p < 4; ++p)
      for (int y = start[p]; y < image.height; y += step[p]) line(y);
  } else {
    for (int y = 0; y < image.height; ++y) line(y);
  }
  EGifCloseFile(g, &err);
  GifFreeMapObject(map);
  return out;
}

namespace {

Bytes bmpHeaders(int width, int height, int bits, std::uint32_t compression, const std::vector<Rgb>& palette,
                 std::size_t pixelBytes) {
  const std::uint32_t paletteBytes = static_cast<std::uint32_t>(palette.size() * 4);
  const std::uint32_t offset = 14 + 40 + paletteBytes;
  Bytes b = {'B', 'M'};
  le32(b, offset + static_cast<std::uint32_t>(pixelBytes));
  le32(b, 0);
  le32(b, offset);
  le32(b, 40);
  le32(b, static_cast<std::uint32_t>(width));
  le32(b, static_cast<std::uint32_t>(height));
  le16(b, 1);
  le16(b, static_cast<unsigned>(bits));
  le32(b, compression);
  le32(b, static_cast<std::uint32_t>(pixelBytes));
  le32(b, 3780);
  le32(b, 3780);
  le32(b, static_cast<std::uint32_t>(palette.size()));
  le32(b, 0);
  for (Rgb c : palette) {
    b.push_back(c.b);
    b.push_back(c.g);
    b.push_back(c.r);
    b.push_back(0);
  }
  return b;
}

}  // namespace

Bytes bmp(const Image& image, int bits, bool topDown) {
  std::vector<std::uint8_t> idx;
  std::vector<Rgb> palette;
  if (bits <= 8) {
    palette = paletteOf(image, idx);
    palette.resize(std::size_t{1} << bits);
  }
  const std::size_t stride = (static_cast<std::size_t>(image.width) * bits + 31) / 32 * 4;
  Bytes pixels(stride * image.height);
  for (int r = 0; r < image.height; ++r) {
    const int y = topDown ? r : image.height - 1 - r;
    std::uint8_t* line = &pixels[stride * r];
    for (int x = 0; x < image.width; ++x) {
      Rgb c = image.at(x, y);
      unsigned i = bits <= 8 ? idx[static_cast<std::size_t>(y) * image.width + x] : 0;
      switch (bits) {
        case 1:
          line[x / 8] |= static_cast<std::uint8_t>(i << (7 - x % 8));
          break;
        case 4:
          line[x / 2] |= static_cast<std::uint8_t>(x % 2 ? i : i << 4);
          break;
        case 8:
          line[x] = static_cast<std::uint8_t>(i);
          break;
        case 24:
          line[x * 3] = c.b;
          line[x * 3 + 1] = c.g;
          line[x * 3 + 2] = c.r;
          break;
        case 32:
          line[x * 4] = c.b;
          line[x * 4 + 1] = c.g;
          line[x * 4 + 2] = c.r;
          line[x * 4 + 3] = 0;
          break;
      }
    }
  }
  Bytes b = bmpHeaders(image.width, topDown ? -image.height : image.height, bits, 0, palette, pixels.size());
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

Bytes bmpRle(const Image& image, int bits) {
  std::vector<std::uint8_t> idx;
  std::vector<Rgb> palette = paletteOf(image, idx);
  palette.resize(std::size_t{1} << bits);
  Bytes runs;
  for (int r = 0; r < image.height; ++r) {
    const int y = image.height - 1 - r;
    int x = 0;
    while (x < image.width) {
      const std::uint8_t v = idx[static_cast<std::size_t>(y) * image.width + x];
      int n = 1;
      while (x + n < image.width && n < 254 && idx[static_cast<std::size_t>(y) * image.width + x + n] == v)
        ++n;
      runs.push_back(static_cast<std::uint8_t>(n));
      runs.push_back(bits == 8 ? v : static_cast<std::uint8_t>(v << 4 | v));
      x += n;
    }
    runs.push_back(0);
    runs.push_back(0);  // end of line
  }
  runs.push_back(0);
  runs.push_back(1);  // end of bitmap
  Bytes b = bmpHeaders(image.width, image.height, bits, bits == 8 ? 1 : 2, palette, runs.size());
  b.insert(b.end(), runs.begin(), runs.end());
  return b;
}

Bytes mp3(int rate, int channels, double seconds) {
  lame_t gf = lame_init();
  lame_set_num_channels(gf, channels);
  lame_set_in_samplerate(gf, rate);
  lame_set_out_samplerate(gf, rate);
  lame_set_mode(gf, channels == 1 ? MONO : JOINT_STEREO);
  lame_set_brate(gf, rate >= 32000 ? 64 : rate >= 16000 ? 32 : 16);
  lame_set_bWriteVbrTag(gf, 0);
  if (lame_init_params(gf) < 0) throw std::runtime_error("lame refused the test settings");
  const int n = static_cast<int>(seconds * rate);
  std::vector<short> left(n), right(n);
  for (int i = 0; i < n; ++i) {
    left[i] = static_cast<short>(8000 * std::sin(2 * 3.14159265358979 * 440.0 * i / rate));
    right[i] = static_cast<short>(8000 * std::sin(2 * 3.14159265358979 * 660.0 * i / rate));
  }
  Bytes out(static_cast<std::size_t>(n) * 5 / 4 + 7200);
  int len = lame_encode_buffer(gf, left.data(), right.data(), n, out.data(), static_cast<int>(out.size()));
  len += lame_encode_flush(gf, out.data() + len, static_cast<int>(out.size()) - len);
  lame_close(gf);
  out.resize(static_cast<std::size_t>(len));
  return out;
}

namespace {

// The scratch folder of this test process, removed when the process ends.
struct Scratch {
  std::string dir;
  Scratch() {
    std::random_device rd;
    auto d = std::filesystem::temp_directory_path() / ("media-tests-" + std::to_string(rd()));
    std::filesystem::create_directories(d);
    dir = d.string();
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

}  // namespace

std::string scratchDir() {
  static const Scratch scratch;
  return scratch.dir;
}

std::string writeScratch(const std::string& name, const Bytes& bytes) {
  const std::string path = scratchDir() + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

bool near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

std::string show(Rgb c) {
  return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}

slidewright::media::Result<slidewright::media::Picture> decode(
    const Bytes& bytes, const slidewright::media::DecodeOptions& options) {
  return slidewright::media::decodePicture(bytes.data(), bytes.size(), options);
}

void expectCorners(const Image& img, const std::vector<Rgb>& want, int tolerance, const std::string& what) {
  const int in = 3;
  const Rgb got[] = {img.at(in, in), img.at(img.width - 1 - in, in), img.at(in, img.height - 1 - in),
                     img.at(img.width - 1 - in, img.height - 1 - in)};
  for (int i = 0; i < 4; ++i)
    EXPECT_TRUE(near(got[i], want[i], tolerance)) << what << " corner " << i << ": got " << show(got[i]);
}

}  // namespace testinputs
