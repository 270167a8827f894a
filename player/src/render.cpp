#include "player/render.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace player {

// ---------------------------------------------------------------------------
// Transforms and colour transforms

Transform Transform::fromMatrix(const Matrix& m) {
  Transform t;
  t.a = m.scaleX / 65536.0;
  t.d = m.scaleY / 65536.0;
  t.b = m.rotateSkew0 / 65536.0;
  t.c = m.rotateSkew1 / 65536.0;
  t.tx = m.translateX;
  t.ty = m.translateY;
  return t;
}

Transform Transform::operator*(const Transform& o) const {
  Transform r;
  r.a = a * o.a + c * o.b;
  r.b = b * o.a + d * o.b;
  r.c = a * o.c + c * o.d;
  r.d = b * o.c + d * o.d;
  r.tx = a * o.tx + c * o.ty + tx;
  r.ty = b * o.tx + d * o.ty + ty;
  return r;
}

bool Transform::invert(Transform* out) const {
  double det = a * d - b * c;
  if (!std::isfinite(det) || std::fabs(det) < 1e-12) return false;
  Transform r;
  r.a = d / det;
  r.b = -b / det;
  r.c = -c / det;
  r.d = a / det;
  r.tx = -(r.a * tx + r.c * ty);
  r.ty = -(r.b * tx + r.d * ty);
  *out = r;
  return true;
}

void Image::fill(Rgba color) {
  if (pixels.empty()) return;
  uint8_t px[4] = {color.r, color.g, color.b, color.a};
  std::memcpy(pixels.data(), px, 4);
  // Doubling copies: a few large memcpy calls instead of one per pixel.
  size_t done = 4;
  while (done < pixels.size()) {
    size_t n = std::min(done, pixels.size() - done);
    std::memcpy(pixels.data() + done, pixels.data(), n);
    done += n;
  }
}

ColorMatrix ColorMatrix::fromRecord(const ColorTransform& t) {
  ColorMatrix m;
  if (t.hasMultTerms) {
    m.mult[0] = t.multRed;
    m.mult[1] = t.multGreen;
    m.mult[2] = t.multBlue;
    m.mult[3] = t.multAlpha;
  }
  if (t.hasAddTerms) {
    m.add[0] = t.addRed;
    m.add[1] = t.addGreen;
    m.add[2] = t.addBlue;
    m.add[3] = t.addAlpha;
  }
  return m;
}

bool ColorMatrix::isIdentity() const {
  for (int i = 0; i < 4; ++i)
    if (mult[i] != 256 || add[i] != 0) return false;
  return true;
}

static inline uint8_t clamp255(int64_t v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

static inline uint8_t applyChannel(int v, int32_t mult, int32_t add) {
  return clamp255(((int64_t(v) * mult) >> 8) + add);
}

int ColorMatrix::opaqueAlpha() const { return applyChannel(255, mult[3], add[3]); }

Rgba ColorMatrix::apply(Rgba c) const {
  return {applyChannel(c.r, mult[0], add[0]), applyChannel(c.g, mult[1], add[1]),
          applyChannel(c.b, mult[2], add[2]), applyChannel(c.a, mult[3], add[3])};
}

ColorMatrix ColorMatrix::operator*(const ColorMatrix& o) const {
  // this(o(c)) = (c*o.m/256 + o.a) * m/256 + a
  ColorMatrix r;
  for (int i = 0; i < 4; ++i) {
    r.mult[i] = int32_t((int64_t(mult[i]) * o.mult[i]) >> 8);
    r.add[i] = int32_t(((int64_t(o.add[i]) * mult[i]) >> 8) + add[i]);
  }
  return r;
}

// ---------------------------------------------------------------------------
// Paths from shape records

std::vector<FilledPath> buildPaths(const std::vector<ShapeRecord>& records, const std::vector<Paint>& fills,
                                   const std::vector<Stroke>& strokes, const StyleResolver* resolver) {
  std::vector<FilledPath> out, paths, lines;
  auto startSet = [&](const std::vector<Paint>& f, const std::vector<Stroke>& l) {
    paths.assign(f.size(), FilledPath{});
    for (size_t i = 0; i < f.size(); ++i) paths[i].paint = f[i];
    lines.assign(l.size(), FilledPath{});
    for (size_t i = 0; i < l.size(); ++i) {
      lines[i].paint = l[i].paint;
      lines[i].strokeWidth = std::max(0.0, l[i].width);
    }
  };
  // A style set is drawn below the sets that follow it: fills, then lines.
  auto finishSet = [&]() {
    for (auto* group : {&paths, &lines})
      for (FilledPath& p : *group)
        if (!p.edges.empty()) out.push_back(std::move(p));
  };
  startSet(fills, strokes);
  bool styled = true;
  uint32_t fill0 = 0, fill1 = 0, line = 0;
  for (const ShapeRecord& r : records) {
    if (r.type == ShapeRecord::Type::StyleChange) {
      if (r.stateNewStyles) {
        finishSet();
        fill0 = fill1 = line = 0;
        styled = resolver && resolver->fill && resolver->line;
        std::vector<Paint> f;
        std::vector<Stroke> l;
        if (styled) {
          for (const FillStyle& fs : r.newFillStyles) f.push_back(resolver->fill(fs));
          for (const LineStyle& ls : r.newLineStyles) l.push_back(resolver->line(ls));
        }
        startSet(f, l);
      }
      if (r.stateFillStyle0) fill0 = r.fillStyle0;
      if (r.stateFillStyle1) fill1 = r.fillStyle1;
      if (r.stateLineStyle) line = r.lineStyle;
      continue;
    }
    if (!styled) continue;
    Edge e{double(r.fromX),
           double(r.fromY),
           double(r.controlX),
           double(r.controlY),
           double(r.x),
           double(r.y),
           r.type == ShapeRecord::Type::CurvedEdge};
    if (line >= 1 && line <= lines.size()) lines[line - 1].edges.push_back(e);
    if (fill0 == fill1) continue;  // both sides alike: the edge bounds nothing
    if (fill0 >= 1 && fill0 <= paths.size()) paths[fill0 - 1].edges.push_back(e);
    if (fill1 >= 1 && fill1 <= paths.size()) paths[fill1 - 1].edges.push_back(e);
  }
  finishSet();
  return out;
}

// ---------------------------------------------------------------------------
// Rasteriser

namespace {

constexpr int kSubRows = 4;   // vertical samples per pixel row
constexpr int kSubShift = 2;  // log2(kSubRows)
constexpr int kMaxCurveSteps = 64;

struct Line {
  double x0, y0, x1, y1;  // y0 < y1
  double slope;           // dx/dy
  int dir;                // +1 if the edge runs downwards, -1 if upwards
};

void addLine(std::vector<Line>& out, double x0, double y0, double x1, double y1) {
  if (!(std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x1) && std::isfinite(y1))) return;
  if (y0 == y1) return;
  int dir = 1;
  if (y0 > y1) {
    std::swap(x0, x1);
    std::swap(y0, y1);
    dir = -1;
  }
  out.push_back({x0, y0, x1, y1, (x1 - x0) / (y1 - y0), dir});
}

struct Segment {
  double x0, y0, x1, y1;
};

// Edges in device space as straight segments, in drawing order.
void flattenSegments(const std::vector<Edge>& edges, const Transform& t, std::vector<Segment>& out) {
  for (const Edge& e : edges) {
    double x0, y0, x1, y1;
    t.apply(e.x0, e.y0, &x0, &y0);
    t.apply(e.x1, e.y1, &x1, &y1);
    if (!e.curved) {
      out.push_back({x0, y0, x1, y1});
      continue;
    }
    double cx, cy;
    t.apply(e.cx, e.cy, &cx, &cy);
    // The flattening error of n chords is at most |p0 - 2c + p1| / (8 n^2).
    double ddx = x0 - 2 * cx + x1, ddy = y0 - 2 * cy + y1;
    double dd = std::sqrt(ddx * ddx + ddy * ddy);
    double steps = std::ceil(std::sqrt(dd / (8 * 0.1)));
    int n = steps >= 1 && steps <= kMaxCurveSteps ? int(steps) : steps > kMaxCurveSteps ? kMaxCurveSteps : 1;
    double px = x0, py = y0;
    for (int i = 1; i <= n; ++i) {
      double s = double(i) / n, u = 1 - s;
      double qx = u * u * x0 + 2 * u * s * cx + s * s * x1;
      double qy = u * u * y0 + 2 * u * s * cy + s * s * y1;
      out.push_back({px, py, qx, qy});
      px = qx;
      py = qy;
    }
  }
}

void flatten(const std::vector<Edge>& edges, const Transform& t, std::vector<Line>& out) {
  std::vector<Segment> segments;
  flattenSegments(edges, t, segments);
  for (const Segment& s : segments) addLine(out, s.x0, s.y0, s.x1, s.y1);
}

// Adds a closed polygon, turned so that every polygon of a stroke winds the
// same way and overlapping pieces unite under the non-zero rule.
void addPolygon(std::vector<Line>& out, const double* pts, int n) {
  double area = 0;
  for (int i = 0; i < n; ++i) {
    int j = (i + 1) % n;
    area += pts[2 * i] * pts[2 * j + 1] - pts[2 * j] * pts[2 * i + 1];
  }
  for (int i = 0; i < n; ++i) {
    int a = area >= 0 ? i : n - 1 - i, b = area >= 0 ? (i + 1) % n : (2 * n - 2 - i) % n;
    addLine(out, pts[2 * a], pts[2 * a + 1], pts[2 * b], pts[2 * b + 1]);
  }
}

// The outline of a line of half-width h along the segments: a quadrilateral
// per segment and an octagon at each end point for round joins and ends.
void strokeOutline(const std::vector<Segment>& segments, double h, std::vector<Line>& out) {
  const double c = std::cos(3.14159265358979 / 8), s = std::sin(3.14159265358979 / 8);
  const double octagon[8][2] = {{c, s}, {s, c}, {-s, c}, {-c, s}, {-c, -s}, {-s, -c}, {s, -c}, {c, -s}};
  auto dot = [&](double x, double y) {
    double pts[16];
    for (int k = 0; k < 8; ++k) {
      pts[2 * k] = x + h * octagon[k][0];
      pts[2 * k + 1] = y + h * octagon[k][1];
    }
    addPolygon(out, pts, 8);
  };
  for (const Segment& g : segments) {
    double dx = g.x1 - g.x0, dy = g.y1 - g.y0, len = std::sqrt(dx * dx + dy * dy);
    if (!(len > 0) || !std::isfinite(len)) continue;
    double nx = -dy / len * h, ny = dx / len * h;
    double pts[8] = {g.x0 + nx, g.y0 + ny, g.x1 + nx, g.y1 + ny, g.x1 - nx, g.y1 - ny, g.x0 - nx, g.y0 - ny};
    addPolygon(out, pts, 4);
    dot(g.x0, g.y0);
    dot(g.x1, g.y1);
  }
}

struct CoverEvent {
  int32_t cell;
  int32_t delta;
  bool operator<(const CoverEvent& o) const { return cell < o.cell; }
};

// Calls run(y, x0, x1, coverage) for every run of pixels with the same
// coverage (1..256) inside the lines: their even-odd interior, or their
// non-zero interior when `nonZero`.
template <typename RunFn>
void rasterize(std::vector<Line>& lines, int width, int height, bool nonZero, RunFn&& run) {
  if (lines.empty() || width <= 0 || height <= 0) return;
  std::sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.y0 < b.y0; });
  double minY = lines.front().y0, maxY = minY;
  for (const Line& l : lines) maxY = std::max(maxY, l.y1);
  // Clamped as doubles first: coordinates far outside the canvas do not fit an int.
  int yStart = int(std::max(0.0, std::min(double(height), std::floor(minY))));
  int yEnd = int(std::max(0.0, std::min(double(height), std::ceil(maxY))));
  std::vector<const Line*> active;
  std::vector<double> xs;
  std::vector<std::pair<double, int>> crossings;
  std::vector<CoverEvent> events;
  size_t next = 0;
  const double limit = double(width);
  auto addSpan = [&](double x0, double x1) {
    double xa = std::max(x0, 0.0), xb = std::min(x1, limit);
    if (!(xb > xa) || !(xa < limit)) return;  // also drops NaN from degenerate slopes
    int32_t ia = int32_t(std::lround(xa * 256)), ib = int32_t(std::lround(xb * 256));
    if (ia == ib) return;
    int32_t ca = ia >> 8, fa = ia & 255, cb = ib >> 8, fb = ib & 255;
    events.push_back({ca, 256 - fa});
    if (fa) events.push_back({ca + 1, fa});
    events.push_back({cb, -(256 - fb)});
    if (fb) events.push_back({cb + 1, -fb});
  };
  for (int y = yStart; y < yEnd; ++y) {
    events.clear();
    for (int k = 0; k < kSubRows; ++k) {
      double sy = y + (k + 0.5) / kSubRows;
      while (next < lines.size() && lines[next].y0 <= sy) active.push_back(&lines[next++]);
      xs.clear();
      crossings.clear();
      size_t keep = 0;
      for (size_t i = 0; i < active.size(); ++i) {
        const Line* l = active[i];
        if (l->y1 <= sy) continue;  // finished: drop
        active[keep++] = l;
        if (l->y0 > sy) continue;
        double x = l->x0 + (sy - l->y0) * l->slope;
        if (nonZero)
          crossings.push_back({x, l->dir});
        else
          xs.push_back(x);
      }
      active.resize(keep);
      if (nonZero) {
        // Inside wherever the edges to the left wind around a non-zero number of times.
        std::sort(crossings.begin(), crossings.end());
        int winding = 0;
        double start = 0;
        for (const auto& c : crossings) {
          int before = winding;
          winding += c.second;
          if (before == 0 && winding != 0) start = c.first;
          if (before != 0 && winding == 0) addSpan(start, c.first);
        }
        continue;
      }
      if (xs.size() < 2) continue;
      std::sort(xs.begin(), xs.end());
      for (size_t i = 0; i + 1 < xs.size(); i += 2) addSpan(xs[i], xs[i + 1]);
    }
    if (events.empty()) continue;
    std::sort(events.begin(), events.end());
    int32_t acc = 0;
    for (size_t i = 0; i < events.size();) {
      int32_t cell = events[i].cell;
      while (i < events.size() && events[i].cell == cell) acc += events[i++].delta;
      if (cell >= width) break;
      int32_t end = i < events.size() ? std::min(events[i].cell, int32_t(width)) : width;
      int32_t cov = acc >> kSubShift;
      if (cov > 0 && end > cell) run(y, cell, end, cov > 256 ? 256 : cov);
    }
  }
}

// ---------------------------------------------------------------------------
// Painters

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
    for (int c = 0; c < 4; ++c)
      for (int v = 0; v < 256; ++v) ch[c][v] = applyChannel(v, m.mult[c], m.add[c]);
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
