// Pictures described in another colour space (a wide-gamut ICC profile such
// as Display P3, or an nclx description of primaries and transfer) turned
// into sRGB, the colour space the movie's JPEGs are shown in.
#pragma once

#include <cstddef>
#include <cstdint>

#include "media/image.h"

namespace slidewright::media::detail {

// Converts the pixels from the colour space of an ICC profile to sRGB. A
// profile that is not RGB, cannot be read, or already describes sRGB leaves
// the pixels as they are: an unreadable profile is no reason to refuse a
// picture that otherwise decodes.
void convertIccToSrgb(Image& image, const std::uint8_t* profile, std::size_t size);

// Converts the pixels from the colour space named by ITU-T H.273 colour
// primaries and transfer characteristics codes to sRGB. Codes that describe
// sRGB or are unspecified leave the pixels as they are.
void convertNclxToSrgb(Image& image, int primaries, int transfer);

}  // namespace slidewright::media::detail
