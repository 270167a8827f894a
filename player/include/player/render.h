// Software rendering of filled shapes into an RGBA canvas: an anti-aliased
// scanline rasteriser with the even-odd rule per fill style, and painters for
// solid colours and bitmap fills (clipped or repeating, through any matrix),
// modulated by a colour transform.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "player/swf_parser.h"

namespace player {

// An affine transform: x' = a*x + c*y + tx, y' = b*x + d*y + ty.
struct Transform {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

  static Transform fromMatrix(const Matrix& m);
  static Transform scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  // this after other: (this * other)(p) = this(other(p)).
  Transform operator*(const Transform& other) const;
  bool invert(Transform* out) const;
  void apply(double x, double y, double* ox, double* oy) const {
    *ox = a * x + c * y + tx;
    *oy = b * x + d * y + ty;
  }
};

// An RGBA image, 8 bits per channel, rows top to bottom, no padding.
struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;  // 4 bytes per pixel: r, g, b, a

  Image() = default;
  Image(int w, int h) : width(w), height(h), pixels(size_t(w) * size_t(h) * 4) {}
  uint8_t* row(int y) { return pixels.data() + size_t(y) * size_t(width) * 4; }
  const uint8_t* row(int y) const { return pixels.data() + size_t(y) * size_t(width) * 4; }
  void fill(Rgba color);
};

// A colour transform in 8.8 fixed point: c' = clamp(c * mult / 256 + add).
struct ColorMatrix {
  int32_t mult[4] = {256, 256, 256, 256};  // r, g, b, a
  int32_t add[4] = {0, 0, 0, 0};

  static ColorMatrix fromRecord(const ColorTransform& t);
  bool isIdentity() const;
  // Alpha of an opaque source after the transform, 0..255.
  int opaqueAlpha() const;
  Rgba apply(Rgba c) const;
  // Transform applied after other.
  ColorMatrix operator*(const ColorMatrix& other) const;
};

struct GradientStop {
  double ratio;  // 0..1
  Rgba color;
};

// What a fill style paints, resolved against the character dictionary.
struct Paint {
  enum class Kind { None, Solid, Bitmap, LinearGradient, RadialGradient };
  Kind kind = Kind::None;
  Rgba color;
  uint16_t bitmapId = 0;
  std::shared_ptr<const Image> bitmap;  // null if the bitmap is missing
  Transform matrix;                     // bitmap pixels / gradient square to shape twips
  bool repeat = false;
  bool smooth = false;
  std::vector<GradientStop> stops;
};

// A path edge in shape coordinates: a straight line or a quadratic curve.
struct Edge {
  double x0, y0, cx, cy, x1, y1;
  bool curved;
};

struct FilledPath {
  Paint paint;
  std::vector<Edge> edges;
  // Negative: the edges bound an area filled with the even-odd rule.
  // Otherwise the edges are a line of this width in shape units (twips),
  // drawn at least one pixel wide, with round joins and ends.
  double strokeWidth = -1;
};

// A line style resolved for drawing: its paint (a colour) and its width.
struct Stroke {
  Paint paint;
  double width = 0;  // twips
};

// Draws each path, in order, filling with the even-odd rule so that a
// closed outline is filled whichever side of its edges names the style, and
// stroking line paths.
// `toDevice` maps shape coordinates (twips) to canvas pixels.
void drawPaths(Image& canvas, const std::vector<FilledPath>& paths, const Transform& toDevice,
               const ColorMatrix& color);

// True when the paths paint every pixel of a width x height canvas opaquely:
// one axis-aligned rectangle covering the canvas, filled with an opaque
// colour or picture, under a colour transform that keeps it opaque. What lies
// below such a shape need not be drawn.
bool pathsCoverCanvas(const std::vector<FilledPath>& paths, const Transform& toDevice,
                      const ColorMatrix& color, int width, int height);

// Resolves the styles a shape defines inside its records (DefineShape2 and
// later) when it starts a new style set.
struct StyleResolver {
  std::function<Paint(const FillStyle&)> fill;
  std::function<Stroke(const LineStyle&)> line;
};

// Builds the paths of a shape's records: for each style set in turn, its
// fill paths in style order, then its lines. `fills` and `strokes` resolve
// the first set's styles (1-based indices in the records); `resolver` the
// sets defined inside the records (without it, their edges are not drawn).
std::vector<FilledPath> buildPaths(const std::vector<ShapeRecord>& records, const std::vector<Paint>& fills,
                                   const std::vector<Stroke>& strokes = {},
                                   const StyleResolver* resolver = nullptr);

}  // namespace player
