#include "rasterizer.h"

namespace player::raster {

namespace {

constexpr int kMaxCurveSteps = 64;

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

}  // namespace

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

}  // namespace player::raster
