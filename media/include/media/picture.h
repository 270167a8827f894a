// Picture decoding: JPEG, PNG, GIF, BMP, and in builds with the phone
// picture libraries HEIC/HEIF, AVIF and WebP, into upright sRGB pixels.
//
// A loaded picture reports the pixel size of the whole upright picture (what
// the album geometry works with). Its pixels may be a reduced copy when the
// caller said how large the picture will be drawn: a JPEG is then decoded at
// the smallest DCT scale that still gives at least the drawn size, which is
// most of the speed of rendering large photos. WebP is decoded at the drawn
// size; HEIC and AVIF, which their codecs only decode whole, are made from
// the thumbnail image their file carries when it is at least the drawn size,
// else shrunk to it at once so that the full-size pixels are not kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "media/image.h"
#include "media/result.h"

namespace slidewright::media {

enum class PictureKind { Jpeg, Png, Gif, Bmp, WebP, Heif, Avif };
const char* pictureKindName(PictureKind kind);

struct DecodeOptions {
  // Transparent parts of PNG, GIF and BMP pictures are drawn over this colour.
  Rgb background{255, 255, 255};
  // When both are positive, the picture will be drawn fitted into a box of
  // this size (never enlarged), so it may be decoded at a reduced scale.
  int fitWidth = 0;
  int fitHeight = 0;
  // A HEIC or AVIF picture of 4 megapixels or more that has to be decoded
  // whole then waits while another such decode asked this way runs: each
  // takes a few hundred megabytes at its peak. For callers that decode many
  // pictures on worker threads and care more for memory than for time.
  bool largeDecodesOneAtATime = false;
  // A HEIC or AVIF picture may be drawn from the thumbnail image its file
  // holds when that covers the box. False where the picture itself must be
  // shown to decode (a check that the file is sound).
  bool fromEmbeddedThumbnail = true;
};

struct Picture {
  PictureKind kind = PictureKind::Jpeg;
  int width = 0;  // upright size of the whole picture in pixels
  int height = 0;
  Image pixels;  // upright pixels, at most width x height
};

// Whether this build reads HEIC/HEIF, AVIF and WebP pictures.
bool phonePicturesSupported();

// Decodes a picture from its file bytes. The kind is found from the bytes,
// not from a file name. Pictures of kinds this program does not read (JPEG
// XL, camera RAW, TIFF, ...) are refused with their kind named.
Result<Picture> decodePicture(const std::uint8_t* data, std::size_t size, const DecodeOptions& options = {});

// Reads and decodes a picture file. Messages do not repeat the path; callers
// put it in front.
Result<Picture> loadPicture(const std::string& path, const DecodeOptions& options = {});

// Reads a whole file, refusing files larger than maxBytes.
Result<std::vector<std::uint8_t>> readFile(const std::string& path,
                                           std::uint64_t maxBytes = std::uint64_t{1} << 30);
// Reads the first maxBytes of a file (all of it when it is shorter).
Result<std::vector<std::uint8_t>> readFileStart(const std::string& path, std::uint64_t maxBytes);

// Writes bytes to a file, reporting any failure, including one at close; a
// file left incomplete by a failed write is removed.
Status writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace slidewright::media
