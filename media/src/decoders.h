// The decoder of each picture kind, behind decodePicture.
#pragma once

#include <cstddef>
#include <cstdint>

#include "media/picture.h"

namespace slidewright::media::detail {

Result<Picture> decodeJpeg(const std::uint8_t* data, std::size_t size, const DecodeOptions& options);
Result<Picture> decodePng(const std::uint8_t* data, std::size_t size, const DecodeOptions& options);
Result<Picture> decodeGif(const std::uint8_t* data, std::size_t size, const DecodeOptions& options);
Result<Picture> decodeBmp(const std::uint8_t* data, std::size_t size, const DecodeOptions& options);

// The orientation (1 to 8) in an EXIF block (the APP1 payload after
// "Exif\0\0"), or 1 when there is none or the block is malformed.
int exifOrientation(const std::uint8_t* tiff, std::size_t size);

// Turns stored pixels into the upright picture for an EXIF orientation.
Image applyOrientation(const Image& stored, int orientation);

// Checks a picture size against kMaxPixels before anything is allocated.
Status checkPictureSize(std::uint64_t width, std::uint64_t height);

// A picture of the given kind and size, every pixel the background colour,
// for decoders that then draw what the file holds over it.
Result<Picture> backgroundPicture(PictureKind kind, int width, int height, Rgb background);

}  // namespace slidewright::media::detail
