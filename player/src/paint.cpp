// The paint code: painters that fill the rasteriser's coverage runs with a
// solid colour, a bitmap (clipped or repeating, through any matrix, nearest
// or smoothed) or a gradient, under a colour transform; and drawPaths, which
// hands each path's runs to its painter.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "player/render.h"
#include "rasterizer.h"

namespace player {

namespace {

using raster::flatten;
using raster::flattenSegments;
using raster::Line;
using raster::rasterize;
using raster::Segment;
using raster::strokeOutline;

inline void blendPixel(uint8_t* d, uint8_t r, uint8_t g, uint8_t b, int alpha /*0..256*/) {
  d[0] = uint8_t(d[0] + (((int(r) - d[0]) * alpha) >> 8));
  d[1] = uint8_t(d[1] + (((int(g) - d[1]) * alpha) >> 8));
  d[2] = uint8_t(d[2] + (((int(b) - d[2]) * alpha) >> 8));
  d[3] = uint8_t(d[3] + (((255 - d[3]) * alpha) >> 8));
}

struct ColorLut {
  uint8_t ch[4][256];
  bool identity;
  explicit ColorLut(const ColorMatrix& m) : identity(m.isIdentity()) {
    for (int v = 0; v < 256; ++v) {
      const uint8_t level = uint8_t(v);
      const Rgba out = m.apply({level, level, level, level});
      ch[0][v] = out.r;
      ch[1][v] = out.g;
      ch[2][v] = out.b;
      ch[3][v] = out.a;
    }
  }
};

// Wraps or clamps a texel coordinate into [0, n).
inline int wrapIndex(int64_t i, int n, bool repeat) {
  if (repeat) {
    int64_t m = i % n;
    return int(m < 0 ? m + n : m);
  }
  return int(i < 0 ? 0 : i >= n ? n - 1 : i);
}

class BitmapPainter {
 public:
  BitmapPainter(Image& canvas, const Paint& paint, const Transform& shapeToDevice, const ColorMatrix& color)
      : canvas_(canvas), img_(*paint.bitmap), lut_(color), repeat_(paint.repeat), smooth_(paint.smooth) {
    ok_ = (shapeToDevice * paint.matrix).invert(&inv_);
    // A picture shrunk to far below a pixel per texel, or placed absurdly far
    // away, is not drawn: stepping through it would overflow fixed point.
    const double maxStep = 1e4, maxOffset = 1e9;
    if (ok_ &&
        !(std::fabs(inv_.a) < maxStep && std::fabs(inv_.b) < maxStep && std::fabs(inv_.c) < maxStep &&
          std::fabs(inv_.d) < maxStep && std::fabs(inv_.tx) < maxOffset && std::fabs(inv_.ty) < maxOffset))
      ok_ = false;
    if (!ok_) return;
    // One texel per device pixel with no rotation: copy rows directly.
    const double eps = 1e-4;
    unit_ = std::fabs(inv_.a - 1) * (canvas.width + 1) < eps &&
            std::fabs(inv_.d - 1) * (canvas.height + 1) < eps &&
            std::fabs(inv_.b) * (canvas.width + 1) < eps && std::fabs(inv_.c) * (canvas.height + 1) < eps;
    if (unit_) {
      if (!smooth_) {
        // Nearest texel of pixel centre x + 0.5 is x + floor(0.5 + tx).
        offX_ = int64_t(std::floor(0.5 + inv_.tx + 1e-6));
        offY_ = int64_t(std::floor(0.5 + inv_.ty + 1e-6));
      } else if (std::fabs(inv_.tx - std::round(inv_.tx)) < 1e-3 &&
                 std::fabs(inv_.ty - std::round(inv_.ty)) < 1e-3) {
        // Smoothing lands exactly on texel centres for whole offsets.
        offX_ = int64_t(std::llround(inv_.tx));
        offY_ = int64_t(std::llround(inv_.ty));
      } else {
        unit_ = false;
      }
    }
  }

  bool ok() const { return ok_ && img_.width > 0 && img_.height > 0; }

  void run(int y, int x0, int x1, int cov) {
    if (unit_) return unitRun(y, x0, x1, cov);
    if (smooth_) return smoothRun(y, x0, x1, cov);
    nearestRun(y, x0, x1, cov);
  }

 private:
  inline void put(uint8_t* d, const uint8_t* s, int cov) {
    uint8_t r = lut_.ch[0][s[0]], g = lut_.ch[1][s[1]], b = lut_.ch[2][s[2]], a = lut_.ch[3][s[3]];
    int alpha = (a * cov + 127) / 255;
    if (alpha >= 256) {
      d[0] = r;
      d[1] = g;
      d[2] = b;
      d[3] = 255;
    } else if (alpha > 0) {
      blendPixel(d, r, g, b, alpha);
    }
  }

  void unitRun(int y, int x0, int x1, int cov) {
    int sy = wrapIndex(int64_t(y) + offY_, img_.height, repeat_);
    const uint8_t* src = img_.row(sy);
    uint8_t* dst = canvas_.row(y);
    int x = x0;
    const int w = img_.width;
    while (x < x1) {
      int64_t sx = int64_t(x) + offX_;
      int n;
      int sxi;
      if (!repeat_ && sx < 0) {  // left of a clipped bitmap: its edge column
        n = int(std::min<int64_t>(x1 - x, -sx));
        for (int i = 0; i < n; ++i) put(dst + 4 * (x + i), src, cov);
        x += n;
        continue;
      }
      if (!repeat_ && sx >= w) {
        for (; x < x1; ++x) put(dst + 4 * x, src + 4 * (w - 1), cov);
        break;
      }
      sxi = wrapIndex(sx, w, repeat_);
      n = std::min(x1 - x, w - sxi);
      const uint8_t* s = src + 4 * sxi;
      uint8_t* d = dst + 4 * x;
      if (lut_.identity && cov >= 256 && opaque_) {
        std::memcpy(d, s, size_t(n) * 4);
      } else {
        for (int i = 0; i < n; ++i) put(d + 4 * i, s + 4 * i, cov);
      }
      x += n;
    }
  }

  static inline uint32_t load(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
  static inline void store(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

  // Bilinear blend of four packed pixels (a b / c d) with weights in 1/256.
  static inline uint32_t bilinear(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t wx, uint32_t wy) {
    // The four weights sum to exactly 256, so no channel sum can overflow.
    uint32_t w11 = (wx * wy) >> 8, w01 = wx - w11, w10 = wy - w11, w00 = 256 - wx - wy + w11;
    const uint32_t M = 0xFF00FFu;
    uint32_t rb = ((a & M) * w00 + (b & M) * w01 + (c & M) * w10 + (d & M) * w11) >> 8;
    uint32_t ag =
        (((a >> 8) & M) * w00 + ((b >> 8) & M) * w01 + ((c >> 8) & M) * w10 + ((d >> 8) & M) * w11) >> 8;
    return (rb & M) | ((ag & M) << 8);
  }

  inline void putPacked(uint8_t* d, uint32_t v, int cov, bool direct) {
    if (direct) {
      store(d, v | 0xFF000000u);
    } else {
      uint8_t s[4];
      std::memcpy(s, &v, 4);
      put(d, s, cov);
    }
  }

  // The pixels [lo, hi) of a run of n whose samples f + d * i stay within
  // [0, limit) on one axis; the samples move monotonically along the run.
  static void axisRange(int64_t f, int64_t d, int64_t limit, int n, int* lo, int* hi) {
    auto inside = [&](int i) {
      int64_t v = f + d * i;
      return v >= 0 && v < limit;
    };
    if (d == 0) {
      *lo = 0;
      *hi = inside(0) ? n : 0;
      return;
    }
    double a = -double(f) / double(d), b = (double(limit) - double(f)) / double(d);
    double from = d > 0 ? a : b, to = d > 0 ? b : a;
    int l = int(std::max(0.0, std::min(double(n), std::ceil(from) - 1)));
    int h = int(std::max(0.0, std::min(double(n), std::ceil(to) + 1)));
    while (l < h && !inside(l)) ++l;
    while (h > l && !inside(h - 1)) --h;
    *lo = l;
    *hi = h;
  }

  // The pixels of a run whose samples (and `margin` more texels right and
  // down) fall inside the picture, with positions of `shift` fraction bits.
  void insideRange(int64_t fu, int64_t fv, int64_t du, int64_t dv, int n, int shift, int margin, int* lo,
                   int* hi) const {
    int ul, uh, vl, vh;
    axisRange(fu, du, int64_t(img_.width - margin) << shift, n, &ul, &uh);
    axisRange(fv, dv, int64_t(img_.height - margin) << shift, n, &vl, &vh);
    *lo = std::max(ul, vl);
    *hi = std::max(*lo, std::min(uh, vh));
  }

  void nearestRun(int y, int x0, int x1, int cov) {
    double px = x0 + 0.5, py = y + 0.5;
    // 32.32 fixed point stepping along the row.
    const double scale = 4294967296.0;
    double u = inv_.a * px + inv_.c * py + inv_.tx;
    double v = inv_.b * px + inv_.d * py + inv_.ty;
    if (!(std::fabs(u) < 1e9 && std::fabs(v) < 1e9)) return;
    int64_t fu = int64_t(std::floor(u * scale)), fv = int64_t(std::floor(v * scale));
    int64_t du = int64_t(inv_.a * scale), dv = int64_t(inv_.b * scale);
    uint8_t* d = canvas_.row(y) + 4 * x0;
    const int w = img_.width, h = img_.height;
    const uint8_t* base = img_.pixels.data();
    const size_t stride = size_t(w) * 4;
    const bool direct = lut_.identity && cov >= 256 && opaque_;
    const int n = x1 - x0;
    if (repeat_) {
      // Keep the coordinates wrapped as they step instead of dividing per pixel.
      const int64_t W = int64_t(w) << 32, H = int64_t(h) << 32;
      if (std::llabs(du) >= W || std::llabs(dv) >= H) {
        for (int x = x0; x < x1; ++x, d += 4, fu += du, fv += dv)
          put(d, img_.row(wrapIndex(fv >> 32, h, true)) + 4 * wrapIndex(fu >> 32, w, true), cov);
        return;
      }
      fu %= W;
      if (fu < 0) fu += W;
      fv %= H;
      if (fv < 0) fv += H;
      for (int i = 0; i < n; ++i, d += 4) {
        const uint8_t* s = base + size_t(fv >> 32) * stride + 4 * size_t(fu >> 32);
        if (direct)
          std::memcpy(d, s, 4);
        else
          put(d, s, cov);
        fu += du;
        if (fu >= W)
          fu -= W;
        else if (fu < 0)
          fu += W;
        fv += dv;
        if (fv >= H)
          fv -= H;
        else if (fv < 0)
          fv += H;
      }
      return;
    }
    int lo, hi;
    insideRange(fu, fv, du, dv, n, 32, 0, &lo, &hi);
    for (int i = 0; i < n; ++i, d += 4, fu += du, fv += dv) {
      if (i >= lo && i < hi) {
        const uint8_t* s = base + size_t(fv >> 32) * stride + 4 * size_t(fu >> 32);
        if (direct)
          std::memcpy(d, s, 4);
        else
          put(d, s, cov);
      } else {
        put(d, img_.row(wrapIndex(fv >> 32, h, false)) + 4 * wrapIndex(fu >> 32, w, false), cov);
      }
    }
  }

  void smoothRun(int y, int x0, int x1, int cov) {
    double px = x0 + 0.5, py = y + 0.5;
    const double scale = 65536.0;
    // Texel centres sit at half-integers: sample at (u - 0.5, v - 0.5).
    double u = inv_.a * px + inv_.c * py + inv_.tx - 0.5;
    double v = inv_.b * px + inv_.d * py + inv_.ty - 0.5;
    if (!(std::fabs(u) < 1e9 && std::fabs(v) < 1e9)) return;
    int64_t fu = int64_t(std::floor(u * scale)), fv = int64_t(std::floor(v * scale));
    int64_t du = int64_t(inv_.a * scale), dv = int64_t(inv_.b * scale);
    uint8_t* d = canvas_.row(y) + 4 * x0;
    const int w = img_.width, h = img_.height;
    const uint8_t* base = img_.pixels.data();
    const size_t stride = size_t(w) * 4;
    const bool direct = lut_.identity && cov >= 256 && opaque_;
    const int n = x1 - x0;
    int lo = 0, hi = 0;
    if (!repeat_) insideRange(fu, fv, du, dv, n, 16, 1, &lo, &hi);
    // Samples near or beyond the picture's edges: wrapped or clamped neighbours.
    auto edgeSample = [&](int i) {
      int64_t su = fu + du * i, sv = fv + dv * i;
      int64_t iu = su >> 16, iv = sv >> 16;
      uint32_t wx = uint32_t(su & 0xFFFF) >> 8, wy = uint32_t(sv & 0xFFFF) >> 8;
      int ux0 = wrapIndex(iu, w, repeat_), ux1 = wrapIndex(iu + 1, w, repeat_);
      int vy0 = wrapIndex(iv, h, repeat_), vy1 = wrapIndex(iv + 1, h, repeat_);
      const uint8_t* r0 = base + size_t(vy0) * stride;
      const uint8_t* r1 = base + size_t(vy1) * stride;
      putPacked(
          d + 4 * i,
          bilinear(load(r0 + 4 * ux0), load(r0 + 4 * ux1), load(r1 + 4 * ux0), load(r1 + 4 * ux1), wx, wy),
          cov, direct);
    };
    for (int i = 0; i < lo; ++i) edgeSample(i);
    {
      // All four neighbours of these samples lie inside the picture.
      int64_t su = fu + du * lo, sv = fv + dv * lo;
      uint8_t* out = d + 4 * lo;
      if (direct) {
        for (int i = lo; i < hi; ++i, out += 4, su += du, sv += dv) {
          const uint8_t* r0 = base + size_t(sv >> 16) * stride + 4 * size_t(su >> 16);
          uint32_t wx = uint32_t(su & 0xFFFF) >> 8, wy = uint32_t(sv & 0xFFFF) >> 8;
          store(out, bilinear(load(r0), load(r0 + 4), load(r0 + stride), load(r0 + stride + 4), wx, wy) |
                         0xFF000000u);
        }
      } else {
        for (int i = lo; i < hi; ++i, out += 4, su += du, sv += dv) {
          const uint8_t* r0 = base + size_t(sv >> 16) * stride + 4 * size_t(su >> 16);
          uint32_t wx = uint32_t(su & 0xFFFF) >> 8, wy = uint32_t(sv & 0xFFFF) >> 8;
          putPacked(out, bilinear(load(r0), load(r0 + 4), load(r0 + stride), load(r0 + stride + 4), wx, wy),
                    cov, false);
        }
      }
    }
    for (int i = std::max(lo, hi); i < n; ++i) edgeSample(i);
  }

  Image& canvas_;
  const Image& img_;
  ColorLut lut_;
  Transform inv_;
  bool repeat_, smooth_;
  bool ok_ = false, unit_ = false;
  bool opaque_ = true;  // decoded JPEG pictures carry no transparency
  int64_t offX_ = 0, offY_ = 0;
};

class GradientPainter {
 public:
  GradientPainter(Image& canvas, const Paint& paint, const Transform& shapeToDevice, const ColorMatrix& color)
      : canvas_(canvas), radial_(paint.kind == Paint::Kind::RadialGradient) {
    ok_ = (shapeToDevice * paint.matrix).invert(&inv_) && !paint.stops.empty();
    if (!ok_) return;
    // A 256-entry ramp; positions between stops are interpolated linearly.
    const auto& st = paint.stops;
    for (int i = 0; i < 256; ++i) {
      double t = i / 255.0;
      Rgba c = st.front().color;
      if (t >= st.back().ratio) {
        c = st.back().color;
      } else {
        for (size_t k = 0; k + 1 < st.size(); ++k) {
          if (t >= st[k].ratio && t <= st[k + 1].ratio) {
            double span = st[k + 1].ratio - st[k].ratio;
            double f = span > 0 ? (t - st[k].ratio) / span : 0;
            auto mix = [f](uint8_t p, uint8_t q) { return uint8_t(std::lround(p + (q - p) * f)); };
            c = {mix(st[k].color.r, st[k + 1].color.r), mix(st[k].color.g, st[k + 1].color.g),
                 mix(st[k].color.b, st[k + 1].color.b), mix(st[k].color.a, st[k + 1].color.a)};
            break;
          }
        }
      }
      ramp_[i] = color.apply(c);
    }
  }
  bool ok() const { return ok_; }
  void run(int y, int x0, int x1, int cov) {
    uint8_t* d = canvas_.row(y) + 4 * x0;
    for (int x = x0; x < x1; ++x, d += 4) {
      double u, v;
      inv_.apply(x + 0.5, y + 0.5, &u, &v);
      // The gradient square spans -16384..16384 twips.
      double t = radial_ ? std::sqrt(u * u + v * v) / 16384.0 : (u + 16384.0) / 32768.0;
      int i = int(std::lround(std::min(1.0, std::max(0.0, t)) * 255));
      const Rgba& c = ramp_[i];
      int alpha = (c.a * cov + 127) / 255;
      if (alpha > 0) blendPixel(d, c.r, c.g, c.b, alpha);
    }
  }

 private:
  Image& canvas_;
  bool radial_;
  bool ok_ = false;
  Transform inv_;
  Rgba ramp_[256];
};

}  // namespace

bool pathsCoverCanvas(const std::vector<FilledPath>& paths, const Transform& toDevice,
                      const ColorMatrix& color, int width, int height) {
  if (paths.size() != 1 || paths[0].edges.empty() || paths[0].strokeWidth >= 0) return false;
  const FilledPath& p = paths[0];
  if (color.opaqueAlpha() != 255) return false;
  if (p.paint.kind == Paint::Kind::Solid) {
    if (p.paint.color.a != 255) return false;
  } else if (p.paint.kind == Paint::Kind::Bitmap) {
    Transform inv;
    if (!p.paint.bitmap || p.paint.bitmap->width == 0 || !(toDevice * p.paint.matrix).invert(&inv))
      return false;
  } else {
    return false;
  }
  // Every edge must lie on the border of the bounding box, axis-aligned.
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  std::vector<double> pts;
  for (const Edge& e : p.edges) {
    if (e.curved) return false;
    double x0, y0, x1, y1;
    toDevice.apply(e.x0, e.y0, &x0, &y0);
    toDevice.apply(e.x1, e.y1, &x1, &y1);
    pts.insert(pts.end(), {x0, y0, x1, y1});
    minX = std::min({minX, x0, x1});
    maxX = std::max({maxX, x0, x1});
    minY = std::min({minY, y0, y1});
    maxY = std::max({maxY, y0, y1});
  }
  const double eps = 1e-6;
  for (size_t i = 0; i < pts.size(); i += 4) {
    double x0 = pts[i], y0 = pts[i + 1], x1 = pts[i + 2], y1 = pts[i + 3];
    bool vertical = std::fabs(x0 - x1) < eps && (std::fabs(x0 - minX) < eps || std::fabs(x0 - maxX) < eps);
    bool horizontal = std::fabs(y0 - y1) < eps && (std::fabs(y0 - minY) < eps || std::fabs(y0 - maxY) < eps);
    if (!vertical && !horizontal) return false;
  }
  return minX <= eps && minY <= eps && maxX >= width - eps && maxY >= height - eps;
}

void drawPaths(Image& canvas, const std::vector<FilledPath>& paths, const Transform& toDevice,
               const ColorMatrix& color) {
  if (color.mult[3] >= 0 && color.opaqueAlpha() == 0) return;  // fully transparent
  std::vector<Line> lines;
  std::vector<Segment> segments;
  // Line widths scale with the drawing's mean scale factor.
  const double scale = std::sqrt(std::fabs(toDevice.a * toDevice.d - toDevice.b * toDevice.c));
  for (const FilledPath& p : paths) {
    lines.clear();
    const bool stroke = p.strokeWidth >= 0;
    if (stroke) {
      segments.clear();
      flattenSegments(p.edges, toDevice, segments);
      double w = p.strokeWidth * scale;
      strokeOutline(segments, std::max(1.0, std::isfinite(w) ? std::min(w, 1e6) : 1.0) / 2, lines);
    } else {
      flatten(p.edges, toDevice, lines);
    }
    switch (p.paint.kind) {
      case Paint::Kind::Solid: {
        Rgba c = color.apply(p.paint.color);
        if (c.a == 0) break;
        rasterize(lines, canvas.width, canvas.height, stroke, [&](int y, int x0, int x1, int cov) {
          int alpha = (c.a * cov + 127) / 255;
          uint8_t* d = canvas.row(y) + 4 * x0;
          for (int x = x0; x < x1; ++x, d += 4) blendPixel(d, c.r, c.g, c.b, alpha);
        });
        break;
      }
      case Paint::Kind::Bitmap: {
        if (!p.paint.bitmap) break;  // a missing bitmap paints nothing
        BitmapPainter painter(canvas, p.paint, toDevice, color);
        if (!painter.ok()) break;
        rasterize(lines, canvas.width, canvas.height, stroke,
                  [&](int y, int x0, int x1, int cov) { painter.run(y, x0, x1, cov); });
        break;
      }
      case Paint::Kind::LinearGradient:
      case Paint::Kind::RadialGradient: {
        GradientPainter painter(canvas, p.paint, toDevice, color);
        if (!painter.ok()) break;
        rasterize(lines, canvas.width, canvas.height, stroke,
                  [&](int y, int x0, int x1, int cov) { painter.run(y, x0, x1, cov); });
        break;
      }
      case Paint::Kind::None:
        break;
    }
  }
}

}  // namespace player
