// Saving rendered frames as PNG files.
#pragma once

#include <string>

#include "player/render.h"

namespace player {

// Writes the image as an 8-bit RGB PNG (the alpha channel is dropped: frames
// are opaque). Returns false and sets *error on failure.
bool writePng(const std::string& path, const Image& image, std::string* error);

}  // namespace player
