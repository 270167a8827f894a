// The rasteriser: shape edges in device space as straight lines, the
// outline of a stroked line as polygons, and the coverage of the area they
// bound as runs of pixels. It knows nothing of what is painted; the painters
// (paint.cpp) take the runs.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "player/render.h"

namespace player::raster {

constexpr int kSubRows = 4;   // vertical samples per pixel row
constexpr int kSubShift = 2;  // log2(kSubRows)

struct Line {
  double x0, y0, x1, y1;  // y0 < y1
  double slope;           // dx/dy
  int dir;                // +1 if the edge runs downwards, -1 if upwards
};

// A device-space segment of a flattened path, in drawing order.
struct Segment {
  double x0, y0, x1, y1;
};

// Edges in device space as straight segments, in drawing order; curves
// become chords at most a tenth of a pixel from the curve.
void flattenSegments(const std::vector<Edge>& edges, const Transform& t, std::vector<Segment>& out);

// Edges in device space as lines for the rasteriser.
void flatten(const std::vector<Edge>& edges, const Transform& t, std::vector<Line>& out);

// The outline of a line of half-width h along the segments: a quadrilateral
// per segment and an octagon at each end point for round joins and ends,
// all winding the same way (fill them with the non-zero rule).
void strokeOutline(const std::vector<Segment>& segments, double h, std::vector<Line>& out);

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

}  // namespace player::raster
