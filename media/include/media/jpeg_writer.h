// JPEG output: baseline, so that every SWF player can read the bitmaps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/image.h"
#include "media/result.h"

namespace slidewright::media {

// Quality of the album's pictures.
constexpr int kAlbumJpegQuality = 60;

// Encodes an image as a baseline JPEG (4:2:0, optimised Huffman tables).
Result<std::vector<std::uint8_t>> encodeJpeg(const Image& image, int quality = kAlbumJpegQuality);

// Encodes an image and writes it to a file.
Status writeJpeg(const std::string& path, const Image& image, int quality = kAlbumJpegQuality);

}  // namespace slidewright::media
