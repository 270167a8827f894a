#include "media/picture.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/stdio_file.h"
#include "decoders.h"

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

Result<Picture> decodePicture(const std::uint8_t* data, std::size_t size, const DecodeOptions& options) {
  if (size == 0) return fail(ErrorKind::Damaged, "the file is empty");
  auto starts = [&](const char* magic, std::size_t n) {
    return size >= n && std::memcmp(data, magic, n) == 0;
  };
  if (starts("\xFF\xD8\xFF", 3)) return detail::decodeJpeg(data, size, options);
  if (starts("\x89PNG\r\n\x1A\n", 8)) return detail::decodePng(data, size, options);
  if (starts("GIF87a", 6) || starts("GIF89a", 6)) return detail::decodeGif(data, size, options);
  if (starts("BM", 2)) return detail::decodeBmp(data, size, options);
  return fail(ErrorKind::NotSupported, "not a picture this program reads (JPEG, PNG, GIF or BMP)");
}

Result<std::vector<std::uint8_t>> readFile(const std::string& path, std::uint64_t maxBytes) {
  errno = 0;
  StdioFile f = openStdioFile(path, "rb");
  if (!f) return fail(ErrorKind::FileAccess, std::string("cannot open the file: ") + std::strerror(errno));
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[1 << 16];
  for (;;) {
    std::size_t n = std::fread(chunk, 1, sizeof chunk, f.get());
    if (n > 0) {
      if (bytes.size() + n > maxBytes) return fail(ErrorKind::TooLarge, "the file is too large");
      bytes.insert(bytes.end(), chunk, chunk + n);
    }
    if (n < sizeof chunk) {
      if (std::ferror(f.get()))
        return fail(ErrorKind::FileAccess, std::string("cannot read the file: ") + std::strerror(errno));
      break;
    }
  }
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
