#include "media/outline_raster.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace slidewright::media {

namespace {

using common::OutlineContour;
using common::OutlinePoint;

// Signed areas of every edge, accumulated so that a running sum along the
// rows gives each pixel's winding coverage.
class Accumulator {
 public:
  Accumulator(int width, int height)
      : width_(width), height_(height), cells_(static_cast<std::size_t>(width) * height + 2, 0.0f) {}

  void line(OutlinePoint a, OutlinePoint b) {
    if (a.y == b.y) return;
    const float dir = a.y < b.y ? 1.0f : -1.0f;
    if (a.y > b.y) std::swap(a, b);
    const double dxdy = (b.x - a.x) / (b.y - a.y);
    double x = a.x;
    const int yEnd = std::min(height_, static_cast<int>(std::ceil(b.y)));
    for (int y = std::max(0, static_cast<int>(std::floor(a.y))); y < yEnd; ++y) {
      const double dy = std::min<double>(y + 1, b.y) - std::max<double>(y, a.y);
      const double xNext = x + dxdy * dy;
      const float d = static_cast<float>(dy) * dir;
      const double x0 = std::min(x, xNext), x1 = std::max(x, xNext);
      const double x0Floor = std::floor(x0), x1Ceil = std::ceil(x1);
      const int x0i = static_cast<int>(x0Floor), x1i = static_cast<int>(x1Ceil);
      const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
      if (x1i <= x0i + 1) {
        // Within one pixel: its share left of the edge's middle.
        const float xm = static_cast<float>(0.5 * (x + xNext) - x0Floor);
        add(row, x0i, d - d * xm);
        add(row, x0i + 1, d * xm);
      } else {
        const float s = static_cast<float>(1.0 / (x1 - x0));
        const float x0f = static_cast<float>(x0 - x0Floor);
        const float a0 = 0.5f * s * (1 - x0f) * (1 - x0f);
        const float x1f = static_cast<float>(x1 - x1Ceil + 1);
        const float am = 0.5f * s * x1f * x1f;
        add(row, x0i, d * a0);
        if (x1i == x0i + 2) {
          add(row, x0i + 1, d * (1 - a0 - am));
        } else {
          const float a1 = s * (1.5f - x0f);
          add(row, x0i + 1, d * (a1 - a0));
          for (int xi = x0i + 2; xi < x1i - 1; ++xi) add(row, xi, d * s);
          const float a2 = a1 + static_cast<float>(x1i - x0i - 3) * s;
          add(row, x1i - 1, d * (1 - a2 - am));
        }
        add(row, x1i, d * am);
      }
      x = xNext;
    }
  }

  std::vector<float> coverage() const {
    std::vector<float> out(static_cast<std::size_t>(width_) * height_);
    float sum = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
      sum += cells_[i];
      out[i] = std::min(1.0f, std::fabs(sum));
    }
    return out;
  }

 private:
  void add(std::size_t row, int x, float v) {
    if (x >= 0 && x <= width_) cells_[row + static_cast<std::size_t>(x)] += v;
  }

  int width_, height_;
  std::vector<float> cells_;
};

}  // namespace

CoverageMask rasterizeOutlines(const std::vector<OutlineContour>& contours, double scale, double dx,
                               double dy) {
  auto map = [&](OutlinePoint p) { return OutlinePoint{p.x * scale + dx, p.y * scale + dy}; };
  double minX = std::numeric_limits<double>::max(), minY = minX;
  double maxX = std::numeric_limits<double>::lowest(), maxY = maxX;
  auto extend = [&](OutlinePoint p) {
    minX = std::min(minX, p.x), minY = std::min(minY, p.y);
    maxX = std::max(maxX, p.x), maxY = std::max(maxY, p.y);
  };
  for (const auto& c : contours) {
    extend(map(c.start));
    for (const auto& s : c.segments) {
      extend(map(s.to));
      if (s.curved) extend(map(s.control));
    }
  }
  CoverageMask mask;
  if (contours.empty() || !(maxX > minX) || !(maxY > minY) || !std::isfinite(maxX - minX + maxY - minY))
    return mask;
  mask.left = static_cast<int>(std::floor(minX));
  mask.top = static_cast<int>(std::floor(minY));
  mask.width = static_cast<int>(std::ceil(maxX)) - mask.left + 1;
  mask.height = static_cast<int>(std::ceil(maxY)) - mask.top;

  Accumulator acc(mask.width, mask.height);
  const OutlinePoint origin{static_cast<double>(mask.left), static_cast<double>(mask.top)};
  auto local = [&](OutlinePoint p) {
    p = map(p);
    return OutlinePoint{p.x - origin.x, p.y - origin.y};
  };
  for (const auto& c : contours) {
    OutlinePoint at = local(c.start);
    for (const auto& s : c.segments) {
      const OutlinePoint to = local(s.to);
      if (!s.curved) {
        acc.line(at, to);
      } else {
        const OutlinePoint control = local(s.control);
        const double deviation = std::hypot(at.x - 2 * control.x + to.x, at.y - 2 * control.y + to.y) / 4;
        const int pieces = std::clamp(static_cast<int>(std::ceil(std::sqrt(deviation / 0.05))), 1, 100);
        OutlinePoint previous = at;
        for (int k = 1; k <= pieces; ++k) {
          const double t = static_cast<double>(k) / pieces, u = 1 - t;
          const OutlinePoint p{u * u * at.x + 2 * u * t * control.x + t * t * to.x,
                               u * u * at.y + 2 * u * t * control.y + t * t * to.y};
          acc.line(previous, p);
          previous = p;
        }
      }
      at = to;
    }
    acc.line(at, local(c.start));
  }
  mask.coverage = acc.coverage();
  return mask;
}

}  // namespace slidewright::media
