// Decoding of the JPEG pictures carried by DefineBitsJPEG2 tags.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "player/render.h"

namespace player {

// Rewrites the image data of a bitmap tag into one plain JPEG stream: a
// single start-of-image marker, every table and frame segment in order, the
// scan data and one end-of-image marker. This removes the empty
// end/start-of-image pair that writers put in front of the picture, a
// doubled start marker, and tables stored as a separate stream before the
// image. Returns an empty vector if no scan is found.
std::vector<uint8_t> normalizeJpegStream(const uint8_t* data, size_t size);

struct JpegLimits {
  int maxDimension = 16384;
  size_t maxPixels = size_t(64) << 20;
};

// Decodes the image data of a bitmap tag to RGBA (alpha 255). On failure
// returns false and sets *error.
bool decodeJpeg(const uint8_t* data, size_t size, Image* out, std::string* error,
                const JpegLimits& limits = {});

}  // namespace player
