// One picture read from a file, drawn stretched into a rectangle of a device
// context. Decoding is the media layer's, so the program reads the same
// formats as the command line (JPEG with its EXIF orientation, PNG, GIF, BMP).
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class PictureFile {
 public:
  // Reads and decodes a file, releasing any picture held before; true when
  // a picture is now held.
  bool load(const std::string& path);
  // Decodes a picture from file bytes, releasing any picture held before;
  // true when a picture is now held.
  bool loadFromMemory(const void* bytes, std::size_t size);

  // The upright picture's size in pixels; 0 when nothing is held.
  int widthPixels() const { return width_; }
  int heightPixels() const { return height_; }
  bool isLoaded() const { return !pixels_.empty(); }
  // Why the last load failed, in words the user can act on; "" after a success.
  const std::string& lastError() const { return error_; }

  // Draws the whole picture stretched into the rectangle (aspect ratio not
  // kept: callers compute the rectangle). False without a context or a picture,
  // or when drawing failed.
  bool render(HDC dc, const RECT& rect) const;
  bool renderAt(HDC dc, int x, int y, int width, int height) const;

  // Drops the picture; the sizes become 0.
  void release();

 private:
  int width_ = 0;
  int height_ = 0;
  int pixelWidth_ = 0;  // size of the held pixels, which may be a reduced copy
  int pixelHeight_ = 0;
  std::vector<std::uint8_t> pixels_;  // blue, green, red rows, top row first, padded to 4 bytes
  std::string error_;
};
