#include "media/picture.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>
#include <optional>

#include "common/stdio_file.h"
#include "decoders.h"
#include "media/canvas.h"

namespace slidewright::media {

const char* pictureKindName(PictureKind kind) {
  switch (kind) {
    case PictureKind::Jpeg:
      return "JPEG";
    case PictureKind::Png:
      return "PNG";
    case PictureKind::Gif:
      return "GIF";
    case PictureKind::Bmp:
      return "BMP";
    case PictureKind::WebP:
      return "WebP";
    case PictureKind::Heif:
      return "HEIC";
    case PictureKind::Avif:
      return "AVIF";
  }
  return "?";
}

Result<Image> Image::create(int width, int height, Rgb fill) {
  if (width <= 0 || height <= 0) return fail(ErrorKind::Damaged, "the picture has no pixels");
  if (Status s =
          detail::checkPictureSize(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height));
      !s)
    return s.error();
  Image img;
  img.width = width;
  img.height = height;
  const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  img.rgb.resize(n * 3);
  for (std::size_t i = 0; i < n; ++i) {
    img.rgb[i * 3] = fill.r;
    img.rgb[i * 3 + 1] = fill.g;
    img.rgb[i * 3 + 2] = fill.b;
  }
  return img;
}

namespace detail {

Status checkPictureSize(std::uint64_t width, std::uint64_t height) {
  if (width == 0 || height == 0) return fail(ErrorKind::Damaged, "the picture has no pixels");
  if (width > 65535 || height > 65535 || width * height > kMaxPixels)
    return fail(ErrorKind::TooLarge, "the picture is too large (" + std::to_string(width) + " x " +
                                         std::to_string(height) + " pixels)");
  return success();
}

Result<Picture> backgroundPicture(PictureKind kind, int width, int height, Rgb background) {
  auto made = Image::create(width, height, background);
  if (!made) return made.error();
  Picture p;
  p.kind = kind;
  p.width = width;
  p.height = height;
  p.pixels = std::move(made.value());
  return p;
}

}  // namespace detail

bool phonePicturesSupported() {
#if SLIDEWRIGHT_PHONE_PICTURES
  return true;
#else
  return false;
#endif
}

namespace detail {

namespace {

bool startsWith(const std::uint8_t* data, std::size_t size, std::size_t at, const char* magic) {
  const std::size_t n = std::strlen(magic);
  return size >= at + n && std::memcmp(data + at, magic, n) == 0;
}

// The brands of an ISO base media file's leading "ftyp" box: the major
// brand first, then the compatible ones.
std::vector<std::string> ftypBrands(const std::uint8_t* data, std::size_t size) {
  if (!startsWith(data, size, 4, "ftyp") || size < 16) return {};
  std::size_t boxSize =
      std::size_t{data[0]} << 24 | std::size_t{data[1]} << 16 | std::size_t{data[2]} << 8 | data[3];
  if (boxSize < 16 || boxSize > size) boxSize = std::min<std::size_t>(size, 64);
  std::vector<std::string> brands{std::string(reinterpret_cast<const char*>(data + 8), 4)};
  for (std::size_t at = 16; at + 4 <= boxSize; at += 4)
    brands.emplace_back(reinterpret_cast<const char*>(data + at), 4);
  return brands;
}

std::optional<PictureKind> heifKind(const std::vector<std::string>& brands) {
  auto has = [&](std::initializer_list<const char*> names) {
    for (const std::string& b : brands)
      for (const char* n : names)
        if (b == n) return true;
    return false;
  };
  if (brands.empty()) return std::nullopt;
  const std::string& major = brands.front();
  if (major == "avif" || major == "avis") return PictureKind::Avif;
  if (major == "heic" || major == "heix" || major == "heim" || major == "heis" || major == "hevc" ||
      major == "hevx")
    return PictureKind::Heif;
  if (major == "mif1" || major == "msf1") {
    if (has({"avif", "avis"})) return PictureKind::Avif;
    return PictureKind::Heif;
  }
  return std::nullopt;
}

// What a file of a kind this program does not read is, in words, with its
// article ("a JPEG XL picture"), or nothing for bytes of no known kind.
std::optional<std::string> unreadKind(const std::uint8_t* data, std::size_t size) {
  if (startsWith(data, size, 0, "\xFF\x0A") || startsWith(data, size, 4, "JXL \x0D\x0A\x87\x0A"))
    return std::string("a JPEG XL picture");
  const std::vector<std::string> brands = ftypBrands(data, size);
  if (!brands.empty() && brands.front() == "crx ") return std::string("a camera RAW picture (CR3)");
  if (startsWith(data, size, 0, "FUJIFILMCCD-RAW")) return std::string("a camera RAW picture (RAF)");
  if (startsWith(data, size, 0, "IIRO") || startsWith(data, size, 0, "IIRS"))
    return std::string("a camera RAW picture (ORF)");
  if (startsWith(data, size, 0, "IIU\0")) return std::string("a camera RAW picture (RW2)");
  if (startsWith(data, size, 0, "II*\0") || startsWith(data, size, 0, "MM\0*")) {
    if (startsWith(data, size, 8, "CR\x02")) return std::string("a camera RAW picture (CR2)");
    if (const char* raw = tiffRawKind(data, size)) return std::string("a camera RAW picture (") + raw + ")";
    return std::string("a TIFF picture");
  }
  if (startsWith(data, size, 0, "8BPS")) return std::string("a Photoshop picture (PSD)");
  return std::nullopt;
}

std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

}  // namespace

std::optional<PictureKind> sniffPicture(const std::uint8_t* data, std::size_t size) {
  if (startsWith(data, size, 0, "\xFF\xD8\xFF")) return PictureKind::Jpeg;
  if (startsWith(data, size, 0, "\x89PNG\r\n\x1A\n")) return PictureKind::Png;
  if (startsWith(data, size, 0, "GIF87a") || startsWith(data, size, 0, "GIF89a")) return PictureKind::Gif;
  if (startsWith(data, size, 0, "BM")) return PictureKind::Bmp;
  if (startsWith(data, size, 0, "RIFF") && startsWith(data, size, 8, "WEBP")) return PictureKind::WebP;
  return heifKind(ftypBrands(data, size));
}

std::vector<std::uint8_t> webpChunk(const std::uint8_t* data, std::size_t size, const char* name) {
  std::size_t at = 12;
  while (at + 8 <= size) {
    const std::uint32_t length = le32(data + at + 4);
    if (length > size - at - 8) break;
    if (std::memcmp(data + at, name, 4) == 0) return {data + at + 8, data + at + 8 + length};
    at += 8 + std::size_t{length} + (length & 1);
  }
  return {};
}

std::vector<std::uint8_t> findExif(const std::uint8_t* data, std::size_t size) {
  const std::optional<PictureKind> kind = sniffPicture(data, size);
  if (!kind) return {};
  auto afterHeader = [](std::vector<std::uint8_t> block) {
    if (block.size() >= 6 && std::memcmp(block.data(), "Exif\0\0", 6) == 0)
      block.erase(block.begin(), block.begin() + 6);
    return block;
  };
  switch (*kind) {
    case PictureKind::Jpeg: {
      // The markers before the image data, each with its 16-bit length.
      std::size_t at = 2;
      while (at + 4 <= size && data[at] == 0xFF) {
        const unsigned marker = data[at + 1];
        if (marker == 0xDA || marker == 0xD9) break;
        const std::size_t length = std::size_t{data[at + 2]} << 8 | data[at + 3];
        if (length < 2 || length > size - at - 2) break;
        if (marker == 0xE1 && length > 8 && std::memcmp(data + at + 4, "Exif\0\0", 6) == 0)
          return {data + at + 10, data + at + 2 + length};
        at += 2 + length;
      }
      return {};
    }
    case PictureKind::WebP:
      return afterHeader(webpChunk(data, size, "EXIF"));
    case PictureKind::Heif:
    case PictureKind::Avif:
      return heifExif(data, size);
    default:
      return {};
  }
}

Status shrinkToFit(Image& upright, const DecodeOptions& options) {
  if (options.fitWidth <= 0 || options.fitHeight <= 0) return success();
  const FitRect fit = fitPicture(upright.width, upright.height, options.fitWidth, options.fitHeight);
  if (fit.width >= upright.width && fit.height >= upright.height) return success();
  auto shrunk = resizeArea(upright, fit.width, fit.height);
  if (!shrunk) return shrunk.error();
  upright = std::move(shrunk.value());
  return success();
}

#if !SLIDEWRIGHT_PHONE_PICTURES
Result<Picture> decodeHeif(const std::uint8_t*, std::size_t, PictureKind kind, const DecodeOptions&) {
  return fail(ErrorKind::NotSupported, std::string(kind == PictureKind::Avif ? "an AVIF" : "a HEIC") +
                                           " picture: this build of the program does not read it");
}
Result<Picture> decodeWebp(const std::uint8_t*, std::size_t, const DecodeOptions&) {
  return fail(ErrorKind::NotSupported, "a WebP picture: this build of the program does not read it");
}
std::vector<std::uint8_t> heifExif(const std::uint8_t*, std::size_t) { return {}; }
#endif

}  // namespace detail

Result<Picture> decodePicture(const std::uint8_t* data, std::size_t size, const DecodeOptions& options) {
  if (size == 0) return fail(ErrorKind::Damaged, "the file is empty");
  if (const std::optional<PictureKind> kind = detail::sniffPicture(data, size)) {
    switch (*kind) {
      case PictureKind::Jpeg:
        return detail::decodeJpeg(data, size, options);
      case PictureKind::Png:
        return detail::decodePng(data, size, options);
      case PictureKind::Gif:
        return detail::decodeGif(data, size, options);
      case PictureKind::Bmp:
        return detail::decodeBmp(data, size, options);
      case PictureKind::WebP:
        return detail::decodeWebp(data, size, options);
      case PictureKind::Heif:
      case PictureKind::Avif:
        return detail::decodeHeif(data, size, *kind, options);
    }
  }
  if (const std::optional<std::string> what = detail::unreadKind(data, size))
    return fail(ErrorKind::NotSupported, *what + ": this program does not read it");
  return fail(ErrorKind::NotSupported,
              phonePicturesSupported()
                  ? "not a picture this program reads (JPEG, PNG, GIF, BMP, HEIC, AVIF or WebP)"
                  : "not a picture this program reads (JPEG, PNG, GIF or BMP)");
}

Result<std::vector<std::uint8_t>> readFileStart(const std::string& path, std::uint64_t maxBytes) {
  errno = 0;
  StdioFile f = openStdioFile(path, "rb");
  if (!f) return fail(ErrorKind::FileAccess, std::string("cannot open the file: ") + std::strerror(errno));
  std::vector<std::uint8_t> bytes;
  if (!readStdioFile(f.get(), bytes, maxBytes))
    return fail(ErrorKind::FileAccess, std::string("cannot read the file: ") + std::strerror(errno));
  return bytes;
}

Result<std::vector<std::uint8_t>> readFile(const std::string& path, std::uint64_t maxBytes) {
  // One byte more than allowed tells a file that is too large.
  auto bytes = readFileStart(path, maxBytes + (maxBytes < UINT64_MAX ? 1 : 0));
  if (bytes && bytes.value().size() > maxBytes) return fail(ErrorKind::TooLarge, "the file is too large");
  return bytes;
}

Status writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  errno = 0;
  StdioFile f = openStdioFile(path, "wb");
  if (!f) return fail(ErrorKind::FileAccess, std::string("cannot create the file: ") + std::strerror(errno));
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
  int err = errno;
  if (!closeWritten(f) && ok) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    slidewright::removeFile(path);  // what was written of it is of no use
    return fail(ErrorKind::FileAccess, std::string("cannot write the file: ") + std::strerror(err));
  }
  return success();
}

Result<Picture> loadPicture(const std::string& path, const DecodeOptions& options) {
  auto bytes = readFile(path);
  if (!bytes) return bytes.error();
  return decodePicture(bytes.value().data(), bytes.value().size(), options);
}

}  // namespace slidewright::media
