// Phone pictures made in memory with the codecs' own encoders (HEIC, AVIF,
// WebP), an EXIF block of our own writing and a Display P3 ICC profile, for
// builds that read them.
#pragma once

#include <string>

#include "inputs.h"

namespace testinputs {

// An EXIF block (TIFF structure, without "Exif\0\0") with an orientation
// (none when 0) and a DateTimeOriginal "YYYY:MM:DD HH:MM:SS" and
// OffsetTimeOriginal "+HH:MM" (each left out when empty).
Bytes exif(int orientation, const std::string& dateTaken = {}, const std::string& offset = {});

// A JPEG (as jpeg() makes it) carrying that EXIF block in an APP1 segment.
Bytes jpegWithExif(const Image& image, const Bytes& tiff);
// A JPEG carrying an ICC profile in one APP2 segment.
Bytes jpegWithIcc(const Image& image, const Bytes& profile);

#if SLIDEWRIGHT_PHONE_PICTURES
// The ICC profile of Display P3 (P3 primaries, D65, sRGB's curve).
Bytes displayP3Profile();

struct PhoneExtras {
  Bytes exif;             // an EXIF block as exif() makes it
  Bytes icc;              // an ICC profile
  int nclxPrimaries = 0;  // HEIF/AVIF: an nclx colour description with these primaries and sRGB's curve
  int orientation =
      0;  // HEIF/AVIF: irot/imir boxes that show the stored pixels as this EXIF orientation would
};

// A thumbnail image item for heif(), made from this picture (the primary's
// size, stored the same way) fitted in a square of `box` pixels.
struct HeifThumbnail {
  Image image;
  int box = 0;
};

// A lossy WebP at high quality, with EXIF and ICCP chunks when given.
Bytes webp(const Image& image, const PhoneExtras& extras = {});
// A HEIC (HEVC) or, with av1, an AVIF picture made through libheif. Where
// SLIDEWRIGHT_PHONE_INPUTS names a folder, a libheif with encoders also
// writes the picture there, and one without them reads it from there.
Bytes heif(const Image& image, bool av1, const PhoneExtras& extras = {}, const HeifThumbnail& thumbnail = {});
#endif

}  // namespace testinputs
