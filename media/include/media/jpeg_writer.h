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

// Samples to compress: rows of RGB (3 components) or of CMYK (4 components,
// stored inverted as print programs write them: 255 means no ink).
struct JpegSamples {
  int width = 0;
  int height = 0;
  int components = 3;
  const std::uint8_t* data = nullptr;  // width * components bytes a row, top row first
};

struct JpegEncodeSettings {
  int quality = kAlbumJpegQuality;
  bool progressive = false;        // a progressive scan script instead of baseline
  std::vector<std::uint8_t> app1;  // an APP1 marker's payload (EXIF), written after the header
};

// The one place that drives libjpeg's compressor: 4:2:0, optimised Huffman
// tables, baseline quantisation tables.
Result<std::vector<std::uint8_t>> encodeJpeg(const JpegSamples& samples, const JpegEncodeSettings& settings);

// Encodes an image as a baseline JPEG (4:2:0, optimised Huffman tables).
Result<std::vector<std::uint8_t>> encodeJpeg(const Image& image, int quality = kAlbumJpegQuality);

// Encodes an image and writes it to a file.
Status writeJpeg(const std::string& path, const Image& image, int quality = kAlbumJpegQuality);

}  // namespace slidewright::media
