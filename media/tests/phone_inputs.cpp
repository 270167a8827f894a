#include "phone_inputs.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#if SLIDEWRIGHT_PHONE_PICTURES
#include <lcms2.h>
#include <libheif/heif.h>
#include <webp/encode.h>
#endif

namespace testinputs {

namespace {

void put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
struct Entry {
  unsigned tag, type;
  std::uint32_t count;
  Bytes value;  // stored after the directories when longer than four bytes
};

// A little-endian IFD at `at` followed by its long values.
void writeIfd(Bytes& b, std::vector<Entry> entries, std::uint32_t next) {
  const std::uint32_t at = static_cast<std::uint32_t>(b.size());
  std::uint32_t data = at + 2 + static_cast<std::uint32_t>(entries.size()) * 12 + 4;
  Bytes tail;
  put16(b, static_cast<unsigned>(entries.size()));
  for (const Entry& e : entries) {
    put16(b, e.tag);
    put16(b, e.type);
    put32(b, e.count);
    if (e.value.size() <= 4) {
      Bytes v = e.value;
      v.resize(4, 0);
      b.insert(b.end(), v.begin(), v.end());
    } else {
      put32(b, data + static_cast<std::uint32_t>(tail.size()));
      tail.insert(tail.end(), e.value.begin(), e.value.end());
    }
  }
  put32(b, next);
  b.insert(b.end(), tail.begin(), tail.end());
}

Entry ascii(unsigned tag, const std::string& s) {
  Bytes v(s.begin(), s.end());
  v.push_back(0);
  return {tag, 2, static_cast<std::uint32_t>(v.size()), v};
}

#if SLIDEWRIGHT_PHONE_PICTURES
void put24(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 3; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void chunk(Bytes& b, const char* name, const Bytes& payload) {
  b.insert(b.end(), name, name + 4);
  put32(b, static_cast<std::uint32_t>(payload.size()));
  b.insert(b.end(), payload.begin(), payload.end());
  if (payload.size() & 1) b.push_back(0);
}

void check(heif_error e) {
  if (e.code != heif_error_Ok) throw std::runtime_error(std::string("libheif: ") + e.message);
}

// FNV-1a over everything heif() is given, naming its picture in the folder
// of pictures made by a build with the encoders.
struct InputKey {
  std::uint64_t h = 1469598103934665603ull;
  void add(const std::uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  }
  void add(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) h = (h ^ ((v >> (8 * i)) & 0xFF)) * 1099511628211ull;
  }
  void add(const Bytes& b) {
    add(b.size());
    add(b.data(), b.size());
  }
};

std::string inputName(const Image& image, bool av1, const PhoneExtras& extras,
                      const HeifThumbnail& thumbnail) {
  InputKey k;
  k.add(static_cast<std::uint64_t>(image.width));
  k.add(static_cast<std::uint64_t>(image.height));
  k.add(image.rgb);
  k.add(av1 ? 1u : 0u);
  k.add(extras.exif);
  // An ICC profile's header holds the time it was made and the platform
  // it was made on: only the tags name the profile.
  k.add(extras.icc.size() > 128 ? Bytes(extras.icc.begin() + 128, extras.icc.end()) : extras.icc);
  k.add(static_cast<std::uint64_t>(extras.nclxPrimaries));
  k.add(static_cast<std::uint64_t>(extras.orientation));
  if (thumbnail.box > 0) {
    k.add(thumbnail.image.rgb);
    k.add(static_cast<std::uint64_t>(thumbnail.box));
  }
  static const char digits[] = "0123456789abcdef";
  std::string name;
  for (int i = 60; i >= 0; i -= 4) name += digits[(k.h >> i) & 0xF];
  return name + (av1 ? ".avif" : ".heic");
}

Bytes encodeHeif(const Image& image, bool av1, const PhoneExtras& extras, const HeifThumbnail& thumbnail);
#endif

}  // namespace

Bytes exif(int orientation, const std::string& dateTaken, const std::string& offset) {
  Bytes b = {'I', 'I', 42, 0, 8, 0, 0, 0};
  const bool hasExifIfd = !dateTaken.empty() || !offset.empty();
  std::vector<Entry> ifd0;
  if (orientation > 0) ifd0.push_back({0x0112, 3, 1, {static_cast<std::uint8_t>(orientation), 0}});
  if (hasExifIfd) ifd0.push_back({0x8769, 4, 1, {0, 0, 0, 0}});  // patched below
  writeIfd(b, ifd0, 0);
  if (hasExifIfd) {
    const std::uint32_t at = static_cast<std::uint32_t>(b.size());
    std::size_t pointer = 8 + 2 + (orientation > 0 ? 12 : 0) + 8;
    for (int i = 0; i < 4; ++i) b[pointer + i] = static_cast<std::uint8_t>(at >> (8 * i));
    std::vector<Entry> sub;
    if (!dateTaken.empty()) sub.push_back(ascii(0x9003, dateTaken));
    if (!offset.empty()) sub.push_back(ascii(0x9011, offset));
    writeIfd(b, sub, 0);
  }
  return b;
}

namespace {

Bytes jpegWithSegment(const Image& image, std::uint8_t marker, const char* name, std::size_t nameSize,
                      const Bytes& payload) {
  Bytes plain = jpeg(image);
  Bytes segment = {0xFF, marker, 0, 0};
  segment.insert(segment.end(), name, name + nameSize);
  segment.insert(segment.end(), payload.begin(), payload.end());
  segment[2] = static_cast<std::uint8_t>((segment.size() - 2) >> 8);
  segment[3] = static_cast<std::uint8_t>(segment.size() - 2);
  plain.insert(plain.begin() + 2, segment.begin(), segment.end());
  return plain;
}

}  // namespace

Bytes jpegWithExif(const Image& image, const Bytes& tiff) {
  return jpegWithSegment(image, 0xE1, "Exif\0\0", 6, tiff);
}

Bytes jpegWithIcc(const Image& image, const Bytes& profile) {
  // "ICC_PROFILE\0", then this part's number and the count of parts.
  return jpegWithSegment(image, 0xE2, "ICC_PROFILE\0\1\1", 14, profile);
}

#if SLIDEWRIGHT_PHONE_PICTURES
Bytes displayP3Profile() {
  const cmsCIExyY white{0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE p3{{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
  const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgb);
  cmsToneCurve* curves[3] = {curve, curve, curve};
  cmsHPROFILE profile = cmsCreateRGBProfile(&white, &p3, curves);
  cmsFreeToneCurve(curve);
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  Bytes b(size);
  cmsSaveProfileToMem(profile, b.data(), &size);
  cmsCloseProfile(profile);
  return b;
}

Bytes webp(const Image& image, const PhoneExtras& extras) {
  std::uint8_t* encoded = nullptr;
  const std::size_t n =
      WebPEncodeRGB(image.rgb.data(), image.width, image.height, image.width * 3, 95, &encoded);
  if (n == 0) throw std::runtime_error("WebPEncodeRGB failed");
  const Bytes simple(encoded, encoded + n);
  WebPFree(encoded);
  if (extras.exif.empty() && extras.icc.empty()) return simple;
  // The extended layout: a VP8X header naming the extra chunks, the ICC
  // profile before the image data and the EXIF block after it.
  Bytes body = {'W', 'E', 'B', 'P'};
  Bytes vp8x;
  vp8x.push_back(
      static_cast<std::uint8_t>((extras.icc.empty() ? 0 : 0x20) | (extras.exif.empty() ? 0 : 0x08)));
  vp8x.insert(vp8x.end(), 3, 0);
  put24(vp8x, static_cast<std::uint32_t>(image.width - 1));
  put24(vp8x, static_cast<std::uint32_t>(image.height - 1));
  chunk(body, "VP8X", vp8x);
  if (!extras.icc.empty()) chunk(body, "ICCP", extras.icc);
  body.insert(body.end(), simple.begin() + 12, simple.end());
  if (!extras.exif.empty()) chunk(body, "EXIF", extras.exif);
  Bytes riff = {'R', 'I', 'F', 'F'};
  put32(riff, static_cast<std::uint32_t>(body.size()));
  riff.insert(riff.end(), body.begin(), body.end());
  return riff;
}

Bytes heif(const Image& image, bool av1, const PhoneExtras& extras, const HeifThumbnail& thumbnail) {
  // A build whose libheif only decodes (the Windows one) reads the picture
  // that a build with the encoders wrote for the same arguments into the
  // folder SLIDEWRIGHT_PHONE_INPUTS names; a build with them writes it there.
  const char* folder = std::getenv("SLIDEWRIGHT_PHONE_INPUTS");
  const std::string path = folder && *folder
                               ? std::string(folder) + "/" + inputName(image, av1, extras, thumbnail)
                               : std::string();
  if (!heif_have_encoder_for_format(av1 ? heif_compression_AV1 : heif_compression_HEVC)) {
    if (path.empty())
      throw std::runtime_error(
          "this libheif cannot encode; set SLIDEWRIGHT_PHONE_INPUTS to the pictures "
          "a build with its encoders made");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": not made by a build with libheif's encoders");
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  Bytes out = encodeHeif(image, av1, extras, thumbnail);
  if (!path.empty()) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    if (!file.flush()) throw std::runtime_error(path + ": cannot be written");
  }
  return out;
}

namespace {

heif_image* rgbImage(const Image& image) {
  heif_image* img = nullptr;
  check(heif_image_create(image.width, image.height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &img));
  check(heif_image_add_plane(img, heif_channel_interleaved, image.width, image.height, 8));
  int stride = 0;
  std::uint8_t* plane = heif_image_get_plane(img, heif_channel_interleaved, &stride);
  for (int y = 0; y < image.height; ++y)
    std::memcpy(plane + static_cast<std::size_t>(y) * stride,
                &image.rgb[static_cast<std::size_t>(y) * image.width * 3],
                static_cast<std::size_t>(image.width) * 3);
  return img;
}

Bytes encodeHeif(const Image& image, bool av1, const PhoneExtras& extras, const HeifThumbnail& thumbnail) {
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  check(heif_context_get_encoder_for_format(context, av1 ? heif_compression_AV1 : heif_compression_HEVC,
                                            &encoder));
  heif_encoder_set_lossy_quality(encoder, 95);
  heif_image* img = rgbImage(image);
  if (!extras.icc.empty())
    check(heif_image_set_raw_color_profile(img, "prof", extras.icc.data(), extras.icc.size()));
  heif_color_profile_nclx* nclx = nullptr;
  if (extras.nclxPrimaries) {
    nclx = heif_nclx_color_profile_alloc();
    nclx->color_primaries = static_cast<heif_color_primaries>(extras.nclxPrimaries);
    nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
    nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
    nclx->full_range_flag = 1;
    check(heif_image_set_nclx_color_profile(img, nclx));
  }
  heif_encoding_options* options = heif_encoding_options_alloc();
  if (nclx) options->output_nclx_profile = nclx;
  if (extras.orientation > 0) options->image_orientation = static_cast<heif_orientation>(extras.orientation);
  heif_image_handle* handle = nullptr;
  check(heif_context_encode_image(context, img, encoder, options, &handle));
  if (thumbnail.box > 0) {
    heif_image* small = rgbImage(thumbnail.image);
    heif_image_handle* made = nullptr;
    check(heif_context_encode_thumbnail(context, small, handle, encoder, options, thumbnail.box, &made));
    if (made) heif_image_handle_release(made);
    heif_image_release(small);
  }
  if (!extras.exif.empty())
    check(heif_context_add_exif_metadata(context, handle, extras.exif.data(),
                                         static_cast<int>(extras.exif.size())));
  heif_encoding_options_free(options);
  if (nclx) heif_nclx_color_profile_free(nclx);
  heif_image_handle_release(handle);
  heif_image_release(img);
  heif_encoder_release(encoder);
  Bytes out;
  heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* userdata) {
                       auto* b = static_cast<Bytes*>(userdata);
                       const auto* p = static_cast<const std::uint8_t*>(data);
                       b->insert(b->end(), p, p + size);
                       return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
                     }};
  check(heif_context_write(context, &writer, &out));
  heif_context_free(context);
  return out;
}

}  // namespace
#endif

}  // namespace testinputs
