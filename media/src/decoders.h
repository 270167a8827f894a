// The decoder of each picture kind, behind decodePicture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "media/picture.h"

namespace slidewright::media::detail {

Result<Picture> decodeJpeg(const std::uint8_t* data, std::size_t size, const DecodeOptions& options);
Result<Picture> decodePng(const std::uint8_t* data, std::size_t size, const DecodeOptions& options);
Result<Picture> decodeGif(const std::uint8_t* data, std::size_t size, const DecodeOptions& options);
Result<Picture> decodeBmp(const std::uint8_t* data, std::size_t size, const DecodeOptions& options);
// HEIC, HEIF and AVIF through libheif, and WebP through libwebp, in builds
// made with them (SLIDEWRIGHT_PHONE_PICTURES).
Result<Picture> decodeHeif(const std::uint8_t* data, std::size_t size, PictureKind kind,
                           const DecodeOptions& options);
Result<Picture> decodeWebp(const std::uint8_t* data, std::size_t size, const DecodeOptions& options);

// The kind of picture file the bytes begin like, or nothing.
std::optional<PictureKind> sniffPicture(const std::uint8_t* data, std::size_t size);

// The EXIF block (the TIFF structure after "Exif\0\0") of a JPEG, WebP,
// HEIC or AVIF file, or nothing.
std::vector<std::uint8_t> findExif(const std::uint8_t* data, std::size_t size);
// The payload of the first RIFF chunk of a WebP file with this four-letter
// name, or nothing.
std::vector<std::uint8_t> webpChunk(const std::uint8_t* data, std::size_t size, const char* name);
// The EXIF block of a HEIF file's primary image.
std::vector<std::uint8_t> heifExif(const std::uint8_t* data, std::size_t size);

// Shrinks decoded pixels to the size they will be drawn at, when the caller
// gave one and the picture is larger; codecs that only decode at full size
// call it at once so that the full-size pixels are freed early.
Status shrinkToFit(Image& upright, const DecodeOptions& options);

// The orientation (1 to 8) in an EXIF block (the APP1 payload after
// "Exif\0\0"), or 1 when there is none or the block is malformed.
int exifOrientation(const std::uint8_t* tiff, std::size_t size);

// The maker's name of a camera RAW file laid out as TIFF ("NEF", "ARW",
// "DNG", ...), found from its first directory, or nothing for a plain TIFF.
const char* tiffRawKind(const std::uint8_t* tiff, std::size_t size);

// Turns stored pixels into the upright picture for an EXIF orientation.
Image applyOrientation(const Image& stored, int orientation);

// Checks a picture size against kMaxPixels before anything is allocated.
Status checkPictureSize(std::uint64_t width, std::uint64_t height);

// A picture of the given kind and size, every pixel the background colour,
// for decoders that then draw what the file holds over it.
Result<Picture> backgroundPicture(PictureKind kind, int width, int height, Rgb background);

}  // namespace slidewright::media::detail
