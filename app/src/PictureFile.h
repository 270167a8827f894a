// One picture read from a file, drawn stretched into a rectangle of a device
// context or of a pixel buffer. Decoding is the media layer's, so the program
// reads the same formats as the command line (JPEG with its EXIF orientation,
// PNG, GIF, BMP).
//
// Loading and renderInto touch no window or GDI object, so pictures can be
// loaded and drawn into pixel buffers on worker threads.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "media/image.h"
#include "media/result.h"

struct PictureLoadOptions {
  // When both are positive, the picture will be drawn at most this large, so
  // a JPEG may be decoded at a reduced scale (1/2, 1/4 or 1/8). The reported
  // size stays that of the whole picture.
  int fitWidth = 0;
  int fitHeight = 0;
  // Transparent parts of the picture are laid over this colour.
  COLORREF background = RGB(255, 255, 255);
  // Large HEIC and AVIF pictures decoded whole wait for each other (see
  // media::DecodeOptions).
  bool largeDecodesOneAtATime = false;
};

class PictureFile {
 public:
  // Reads and decodes a file, releasing any picture held before; true when
  // a picture is now held.
  bool load(const std::string& path, const PictureLoadOptions& options = {});
  // Decodes a picture from file bytes, releasing any picture held before;
  // true when a picture is now held.
  bool loadFromMemory(const void* bytes, std::size_t size, const PictureLoadOptions& options = {});

  // The upright picture's size in pixels; 0 when nothing is held.
  int widthPixels() const { return width_; }
  int heightPixels() const { return height_; }
  bool isLoaded() const { return !pixels_.rgb.empty(); }
  // Why the last load failed, in words the user can act on; "" after a success.
  const std::string& lastError() const { return error_; }
  // What kind of failure it was, for a reason in the user's language.
  slidewright::media::ErrorKind lastErrorKind() const { return errorKind_; }

  // Draws the whole picture stretched into the rectangle (aspect ratio not
  // kept: callers compute the rectangle). False without a context or a picture,
  // or when drawing failed.
  bool render(HDC dc, const RECT& rect) const;
  bool renderAt(HDC dc, int x, int y, int width, int height) const;
  // The same into a pixel buffer, averaging the pixels each target pixel
  // covers; the parts of the rectangle outside the buffer are cut off.
  bool renderInto(slidewright::media::Image& target, int x, int y, int width, int height) const;

  // Drops the picture; the sizes become 0.
  void release();

 private:
  int width_ = 0;
  int height_ = 0;
  slidewright::media::Image pixels_;  // the held pixels, which may be a reduced copy
  // The pixels as a device-independent bitmap wants them (blue, green, red,
  // rows padded to four bytes), made on the first render to a context.
  mutable std::vector<std::uint8_t> dib_;
  std::string error_;
  slidewright::media::ErrorKind errorKind_ = slidewright::media::ErrorKind::Internal;
};
