#include "colour_convert.h"

#include <cmath>
#include <memory>

#include <lcms2.h>

namespace slidewright::media::detail {

namespace {

struct ProfileCloser {
  void operator()(void* p) const { cmsCloseProfile(p); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

struct TransformDeleter {
  void operator()(void* t) const { cmsDeleteTransform(t); }
};

// Whether a matrix/curve RGB profile has sRGB's colorants: a phone or camera
// that embeds an sRGB profile gains nothing from a conversion but rounding.
bool hasSrgbColorants(cmsHPROFILE profile) {
  Profile srgb(cmsCreate_sRGBProfile());
  const cmsTagSignature tags[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag};
  for (cmsTagSignature tag : tags) {
    const auto* a = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tag));
    const auto* b = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb.get(), tag));
    if (!a || !b) return false;
    if (std::fabs(a->X - b->X) > 0.003 || std::fabs(a->Y - b->Y) > 0.003 || std::fabs(a->Z - b->Z) > 0.003)
      return false;
  }
  return true;
}

void convertFrom(Image& image, cmsHPROFILE from) {
  Profile srgb(cmsCreate_sRGBProfile());
  if (!srgb) return;
  std::unique_ptr<void, TransformDeleter> transform(
      cmsCreateTransform(from, TYPE_RGB_8, srgb.get(), TYPE_RGB_8, INTENT_PERCEPTUAL, 0));
  if (!transform) return;
  // Row by row: lcms2 counts pixels in a cmsUInt32Number.
  const std::size_t row = static_cast<std::size_t>(image.width) * 3;
  for (int y = 0; y < image.height; ++y) {
    std::uint8_t* p = image.rgb.data() + row * static_cast<std::size_t>(y);
    cmsDoTransform(transform.get(), p, p, static_cast<cmsUInt32Number>(image.width));
  }
}

struct Primaries {
  double rx, ry, gx, gy, bx, by, wx, wy;
};

// The H.273 colour primaries this program converts from; nothing for sRGB's
// own (1), unspecified (2) and codes it does not know.
const Primaries* primariesFor(int code) {
  static const Primaries kBt470bg{0.64, 0.33, 0.29, 0.60, 0.15, 0.06, 0.3127, 0.3290};
  static const Primaries kBt601{0.630, 0.340, 0.310, 0.595, 0.155, 0.070, 0.3127, 0.3290};
  static const Primaries kBt2020{0.708, 0.292, 0.170, 0.797, 0.131, 0.046, 0.3127, 0.3290};
  static const Primaries kDciP3{0.680, 0.320, 0.265, 0.690, 0.150, 0.060, 0.314, 0.351};
  static const Primaries kDisplayP3{0.680, 0.320, 0.265, 0.690, 0.150, 0.060, 0.3127, 0.3290};
  switch (code) {
    case 5:
      return &kBt470bg;
    case 6:
    case 7:
      return &kBt601;
    case 9:
      return &kBt2020;
    case 11:
      return &kDciP3;
    case 12:
      return &kDisplayP3;
    default:
      return nullptr;
  }
}

// The transfer curve of an H.273 code. Linear and the plain gammas are
// exact; every other code, HDR ones included, is taken as sRGB's curve,
// which is what phones pair with wide-gamut primaries.
cmsToneCurve* transferCurve(int code) {
  if (code == 8) return cmsBuildGamma(nullptr, 1.0);
  if (code == 4) return cmsBuildGamma(nullptr, 2.2);
  if (code == 5) return cmsBuildGamma(nullptr, 2.8);
  const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  return cmsBuildParametricToneCurve(nullptr, 4, srgb);
}

}  // namespace

void convertIccToSrgb(Image& image, const std::uint8_t* data, std::size_t size) {
  if (!data || size == 0 || image.rgb.empty()) return;
  Profile profile(cmsOpenProfileFromMem(data, static_cast<cmsUInt32Number>(size)));
  if (!profile || cmsGetColorSpace(profile.get()) != cmsSigRgbData) return;
  if (hasSrgbColorants(profile.get())) return;
  convertFrom(image, profile.get());
}

void convertNclxToSrgb(Image& image, int primaries, int transfer) {
  const bool srgbPrimaries = primaries == 1 || primaries == 2;
  const bool plainTransfer = transfer != 4 && transfer != 5 && transfer != 8;
  if ((srgbPrimaries && plainTransfer) || image.rgb.empty()) return;
  static const Primaries kSrgb{0.64, 0.33, 0.30, 0.60, 0.15, 0.06, 0.3127, 0.3290};
  const Primaries* p = srgbPrimaries ? &kSrgb : primariesFor(primaries);
  if (!p) return;
  const cmsCIExyY white{p->wx, p->wy, 1.0};
  const cmsCIExyYTRIPLE rgb{{p->rx, p->ry, 1.0}, {p->gx, p->gy, 1.0}, {p->bx, p->by, 1.0}};
  cmsToneCurve* curve = transferCurve(transfer);
  if (!curve) return;
  cmsToneCurve* curves[3] = {curve, curve, curve};
  Profile profile(cmsCreateRGBProfile(&white, &rgb, curves));
  cmsFreeToneCurve(curve);
  if (profile) convertFrom(image, profile.get());
}

}  // namespace slidewright::media::detail
