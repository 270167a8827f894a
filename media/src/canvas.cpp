#include "media/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace slidewright::media {

FitRect fitPicture(int pw, int ph, int W, int H) {
  std::int64_t w = pw, h = ph;
  if (pw > W || ph > H) {
    if (std::int64_t{W} * ph > std::int64_t{H} * pw) {
      w = std::int64_t{H} * pw / ph;
      h = H;
    } else {
      w = W;
      h = std::int64_t{ph} * W / pw;
    }
  }
  w = std::max<std::int64_t>(w, 1);
  h = std::max<std::int64_t>(h, 1);
  FitRect r;
  r.width = static_cast<int>(w);
  r.height = static_cast<int>(h);
  r.x = (W - r.width) / 2;
  r.y = (H - r.height) / 2;
  return r;
}

namespace {

// For each output coordinate, the run of source coordinates it covers and
// the weight of each, summing to 1.
struct Taps {
  std::vector<int> first;
  std::vector<int> count;
  std::vector<int> offset;  // into weights
  std::vector<float> weights;
};

Taps makeTaps(int srcLen, int dstLen) {
  Taps t;
  t.first.resize(dstLen);
  t.count.resize(dstLen);
  t.offset.resize(dstLen);
  const double scale = static_cast<double>(srcLen) / dstLen;
  for (int i = 0; i < dstLen; ++i) {
    const double lo = i * scale;
    const double hi = std::min<double>((i + 1) * scale, srcLen);
    int s0 = static_cast<int>(std::floor(lo));
    int s1 = std::min(srcLen, static_cast<int>(std::ceil(hi)));
    if (s1 <= s0) s1 = std::min(srcLen, s0 + 1);
    t.first[i] = s0;
    t.offset[i] = static_cast<int>(t.weights.size());
    double total = 0;
    for (int s = s0; s < s1; ++s) {
      double cover = std::min<double>(hi, s + 1) - std::max<double>(lo, s);
      if (cover < 0) cover = 0;
      t.weights.push_back(static_cast<float>(cover));
      total += cover;
    }
    if (total <= 0) {  // degenerate span: take the one source pixel whole
      t.weights.back() = 1;
      total = 1;
    }
    for (int k = t.offset[i]; k < static_cast<int>(t.weights.size()); ++k)
      t.weights[k] = static_cast<float>(t.weights[k] / total);
    t.count[i] = s1 - s0;
  }
  return t;
}

}  // namespace

Result<Image> resizeArea(const Image& src, int width, int height) {
  if (src.width <= 0 || src.height <= 0) return fail(ErrorKind::Damaged, "the picture has no pixels");
  if (width == src.width && height == src.height) return src;
  return resizeAreaRows(src.rgb.data(), src.width, src.height, static_cast<std::size_t>(src.width) * 3, width,
                        height);
}

Result<Image> resizeAreaRows(const std::uint8_t* rgb, int srcWidth, int srcHeight, std::size_t stride,
                             int width, int height) {
  if (srcWidth <= 0 || srcHeight <= 0) return fail(ErrorKind::Damaged, "the picture has no pixels");
  const struct { int width, height; } src{srcWidth, srcHeight};
  auto made = Image::create(width, height);
  if (!made) return made.error();
  Image dst = std::move(made.value());

  const Taps tx = makeTaps(src.width, width);
  const Taps ty = makeTaps(src.height, height);

  // Horizontal pass into floating-point rows, then the vertical pass.
  std::vector<float> rows(static_cast<std::size_t>(width) * src.height * 3);
  for (int y = 0; y < src.height; ++y) {
    const std::uint8_t* in = rgb + static_cast<std::size_t>(y) * stride;
    float* out = &rows[static_cast<std::size_t>(y) * width * 3];
    for (int x = 0; x < width; ++x) {
      float r = 0, g = 0, b = 0;
      const float* w = &tx.weights[tx.offset[x]];
      const std::uint8_t* p = in + static_cast<std::size_t>(tx.first[x]) * 3;
      for (int k = 0; k < tx.count[x]; ++k, p += 3) {
        r += w[k] * p[0];
        g += w[k] * p[1];
        b += w[k] * p[2];
      }
      out[x * 3] = r;
      out[x * 3 + 1] = g;
      out[x * 3 + 2] = b;
    }
  }
  std::vector<float> acc(static_cast<std::size_t>(width) * 3);
  for (int y = 0; y < height; ++y) {
    std::fill(acc.begin(), acc.end(), 0.0f);
    const float* w = &ty.weights[ty.offset[y]];
    for (int k = 0; k < ty.count[y]; ++k) {
      const float* row = &rows[static_cast<std::size_t>(ty.first[y] + k) * width * 3];
      for (std::size_t i = 0; i < acc.size(); ++i) acc[i] += w[k] * row[i];
    }
    std::uint8_t* out = &dst.rgb[static_cast<std::size_t>(y) * width * 3];
    for (std::size_t i = 0; i < acc.size(); ++i) {
      float v = acc[i] + 0.5f;
      out[i] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
  }
  return dst;
}

Result<Image> renderCanvas(const Picture& picture, int W, int H, Rgb background) {
  auto made = Image::create(W, H, background);
  if (!made) return made.error();
  Image canvas = std::move(made.value());
  if (picture.width <= 0 || picture.height <= 0) return fail(ErrorKind::Damaged, "the picture has no pixels");
  const FitRect r = fitPicture(picture.width, picture.height, W, H);
  auto scaled = resizeArea(picture.pixels, r.width, r.height);
  if (!scaled) return scaled.error();
  const Image& s = scaled.value();
  for (int y = 0; y < r.height; ++y) {
    std::memcpy(&canvas.rgb[(static_cast<std::size_t>(r.y + y) * W + r.x) * 3],
                &s.rgb[static_cast<std::size_t>(y) * s.width * 3], static_cast<std::size_t>(s.width) * 3);
  }
  return canvas;
}

}  // namespace slidewright::media
