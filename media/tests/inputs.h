// Test inputs made in memory: pictures of every kind and MPEG audio of every
// version, so the tests need no tools and no files from outside.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/image.h"
#include "media/picture.h"

namespace testinputs {

using Bytes = std::vector<std::uint8_t>;
using slidewright::media::Image;
using slidewright::media::Rgb;

// The colours of quadrants().
inline const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

// An image whose four quadrants are red, green, blue and white (top-left,
// top-right, bottom-left, bottom-right).
Image quadrants(int width, int height);
Image solid(int width, int height, Rgb colour);

// A baseline JPEG at high quality; with orientation > 0 it carries an EXIF
// block with that orientation (big-endian byte order when bigEndian).
Bytes jpeg(const Image& image, int orientation = 0, bool bigEndian = false);

// A progressive JPEG of the image.
Bytes progressiveJpeg(const Image& image);

// An RGBA PNG: colour everywhere, alpha as given per pixel by the function.
Bytes pngRgba(int width, int height, Rgb colour, std::uint8_t alpha);
// A PNG in the given simplified-API format of an RGB image (gray, RGB, 16-bit...).
Bytes png(const Image& image, unsigned format);

// A GIF of an image with up to 256 colours; the colour `transparent`, if
// found, is written as the transparent index.
Bytes gif(const Image& image, bool interlaced = false, const Rgb* transparent = nullptr);

// Uncompressed BMPs of 1, 4, 8, 24 or 32 bits (palette built from the image,
// which must have few enough colours), bottom-up unless topDown.
Bytes bmp(const Image& image, int bits, bool topDown = false);
// An RLE8 or RLE4 BMP (bits 8 or 4) of the image.
Bytes bmpRle(const Image& image, int bits);

// MPEG audio of a sine tone of `seconds`, at the given rate and channel
// count, at a bit rate that suits the rate. Decoded, it is a little longer:
// the encoder's delay and padding (up to about 2300 samples) come with it.
Bytes mp3(int rate, int channels, double seconds);

// The bytes of a file written to the test's scratch folder; returns its path.
std::string writeScratch(const std::string& name, const Bytes& bytes);
std::string scratchDir();

bool near(Rgb a, Rgb b, int tolerance);
// "r,g,b", for the messages of failed checks.
std::string show(Rgb c);

// The picture in `bytes`, decoded.
slidewright::media::Result<slidewright::media::Picture> decode(
    const Bytes& bytes, const slidewright::media::DecodeOptions& options = {});
// Checks the colours three pixels in from the corners (top-left, top-right,
// bottom-left, bottom-right) against `want`, naming `what` when they differ.
void expectCorners(const Image& img, const std::vector<Rgb>& want, int tolerance, const std::string& what);

}  // namespace testinputs
