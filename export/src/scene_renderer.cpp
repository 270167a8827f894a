#include "scene_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace slidewright::exports {

namespace {

// Lays `count` pixels of src over dst with weight a (0 to 256).
void blend(uint8_t* dst, const uint8_t* src, int count, int a) {
  if (a <= 0) return;
  if (a >= 256) {
    std::memcpy(dst, src, size_t(count) * 4);
    return;
  }
  for (int i = 0; i < count * 4; ++i) dst[i] = uint8_t(dst[i] + (((int(src[i]) - dst[i]) * a) >> 8));
}

int weight(double coverage) { return int(std::lround(std::clamp(coverage, 0.0, 1.0) * 256)); }

// Part of pixel [p, p + 1) inside [lo, hi).
double overlap(int p, double lo, double hi) {
  return std::max(0.0, std::min(p + 1.0, hi) - std::max(double(p), lo));
}

struct Target {
  player::Image& canvas;
  const player::Image& picture;
  const SceneLayout& layout;
  uint8_t* at(int x, int y) const { return canvas.row(y) + size_t(x) * 4; }
  const uint8_t* source(int x, int y) const {
    return picture.row(y - layout.top) + size_t(x - layout.left) * 4;
  }
};

void drawRectangle(const Target& t, const SceneBox& box, double opacity) {
  const SceneLayout& l = t.layout;
  const double x0 = std::max(l.x(box.left), double(l.left)), x1 = std::min(l.x(box.right), double(l.right));
  const double y0 = std::max(l.y(box.top), double(l.top)), y1 = std::min(l.y(box.bottom), double(l.bottom));
  if (x0 >= x1 || y0 >= y1) return;
  const int left = int(std::floor(x0)), right = int(std::ceil(x1));
  const int top = int(std::floor(y0)), bottom = int(std::ceil(y1));
  // Whole pixels between the partly covered ones at either end.
  const int inLeft = std::min(right, int(std::ceil(x0))), inRight = std::max(inLeft, int(std::floor(x1)));
  for (int y = top; y < bottom; ++y) {
    const double cy = overlap(y, y0, y1) * opacity;
    if (left < inLeft) blend(t.at(left, y), t.source(left, y), 1, weight(overlap(left, x0, x1) * cy));
    if (inRight > inLeft) blend(t.at(inLeft, y), t.source(inLeft, y), inRight - inLeft, weight(cy));
    for (int x = std::max(inRight, left < inLeft ? left + 1 : left); x < right; ++x)
      blend(t.at(x, y), t.source(x, y), 1, weight(overlap(x, x0, x1) * cy));
  }
}

// Coverage of each pixel from its centre's distance to the outline, the
// ellipse's equation divided by the length of its gradient.
void drawEllipse(const Target& t, const SceneBox& box, double opacity) {
  const SceneLayout& l = t.layout;
  const double cx = (l.x(box.left) + l.x(box.right)) / 2, cy = (l.y(box.top) + l.y(box.bottom)) / 2;
  const double rx = (box.right - box.left) * l.scale / 2, ry = (box.bottom - box.top) * l.scale / 2;
  if (rx <= 0 || ry <= 0) return;
  const int top = std::max(l.top, int(std::floor(cy - ry - 1))),
            bottom = std::min(l.bottom, int(std::ceil(cy + ry + 1)));
  for (int y = top; y < bottom; ++y) {
    const double v = (y + 0.5 - cy) / ry;
    const double half = rx * std::sqrt(std::max(0.0, 1 - v * v)) + 1.5;
    const int left = std::max(l.left, int(std::floor(cx - half))),
              right = std::min(l.right, int(std::ceil(cx + half)));
    int x = left;
    while (x < right) {
      const double u = (x + 0.5 - cx) / rx;
      const double f = u * u + v * v;
      const double gradient = 2 * std::sqrt(u * u / (rx * rx) + v * v / (ry * ry));
      const double inside = gradient > 0 ? 0.5 - (f - 1) / gradient : 1.0;
      if (inside >= 1.5 && opacity >= 1) {
        // A run of whole pixels: copy up to where the outline comes near again.
        const int end = std::min(right, int(std::floor(cx + rx * std::sqrt(std::max(0.0, 1 - v * v)) - 1)));
        if (end > x) {
          blend(t.at(x, y), t.source(x, y), end - x, 256);
          x = end;
          continue;
        }
      }
      blend(t.at(x, y), t.source(x, y), 1, weight(inside * opacity));
      ++x;
    }
  }
}

// Pixel boxes of the album's area, relative to its top left corner.
struct AreaBox {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// The part of the album's area a layer draws into.
AreaBox layerBounds(const SceneLayer& layer, const SceneLayout& l) {
  if (!layer.masked) return AreaBox{0, 0, l.areaWidth(), l.areaHeight()};
  double x0 = 1e18, y0 = 1e18, x1 = -1e18, y1 = -1e18;
  for (const SceneBox& b : layer.figures) {
    x0 = std::min(x0, l.x(b.left)), x1 = std::max(x1, l.x(b.right));
    y0 = std::min(y0, l.y(b.top)), y1 = std::max(y1, l.y(b.bottom));
  }
  if (x0 >= x1 || y0 >= y1) return AreaBox{};
  // An ellipse's edge pixels reach up to two pixels past its box.
  auto clampTo = [](double v, int lo, int hi) { return int(std::clamp(v, double(lo), double(hi))); };
  return AreaBox{clampTo(std::floor(x0) - 2, l.left, l.right) - l.left,
                 clampTo(std::floor(y0) - 2, l.top, l.bottom) - l.top,
                 clampTo(std::ceil(x1) + 2, l.left, l.right) - l.left,
                 clampTo(std::ceil(y1) + 2, l.top, l.bottom) - l.top};
}

// Where the centres of `count` pixels from `first` (frame pixels) fall in the
// moving picture's canvas: the left one of the two samples and the weight
// (0 to 256) of the right one. `toCanvas` takes album pixels to the canvas's.
struct Taps {
  std::vector<int> index, next;
  std::vector<uint32_t> weight;
  Taps(int first, int count, double frameOffset, double layoutScale, double pictureOffset,
       double pictureScale, double toCanvas, int size) {
    index.resize(size_t(count)), next.resize(size_t(count)), weight.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
      const double album = (first + i + 0.5 - frameOffset) / layoutScale;
      const double s = std::clamp((album - pictureOffset) / pictureScale * toCanvas - 0.5, 0.0, size - 1.0);
      const int k = int(s);
      index[size_t(i)] = k;
      next[size_t(i)] = std::min(k + 1, size - 1);
      weight[size_t(i)] = uint32_t(std::lround((s - k) * 256));
    }
  }
};

// a + (b - a) * w / 256 on each byte of a packed pixel, rounded.
inline uint32_t mix(uint32_t a, uint32_t b, uint32_t w) {
  const uint32_t v = 256 - w;
  const uint32_t rb = (((a & 0xFF00FFu) * v + (b & 0xFF00FFu) * w + 0x800080u) >> 8) & 0xFF00FFu;
  const uint32_t ga = (((a >> 8) & 0xFF00FFu) * v + ((b >> 8) & 0xFF00FFu) * w + 0x800080u) & 0xFF00FF00u;
  return rb | ga;
}

inline uint32_t load(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// Samples the moving picture through t into `out` (the album's area) within
// `box`: for each row, the two picture rows it falls between are mixed over
// the columns it uses, then each pixel mixes two of those.
void resample(const player::Image& picture, const PictureTransform& t, const SceneLayout& l,
              const AreaBox& box, player::Image& out) {
  const double toCanvasX = double(picture.width) / l.albumWidth,
               toCanvasY = double(picture.height) / l.albumHeight;
  const Taps xs(l.left + box.left, box.right - box.left, l.offsetX, l.scale, t.offsetX, t.scaleX, toCanvasX,
                picture.width);
  const Taps ys(l.top + box.top, box.bottom - box.top, l.offsetY, l.scale, t.offsetY, t.scaleY, toCanvasY,
                picture.height);
  const size_t n = xs.index.size();
  if (n == 0) return;
  // The picture's columns this box uses.
  const size_t from = size_t(xs.index.front()) * 4, to = size_t(xs.next.back() + 1) * 4;
  std::vector<uint8_t> row(to - from);
  for (size_t j = 0; j < ys.index.size(); ++j) {
    const uint8_t* r0 = picture.row(ys.index[j]) + from;
    const uint8_t* r1 = picture.row(ys.next[j]) + from;
    const uint32_t wy = ys.weight[j];
    const uint8_t* mixed = r0;
    if (wy) {
      for (size_t k = 0; k < row.size(); k += 4) {
        const uint32_t v = mix(load(r0 + k), load(r1 + k), wy);
        std::memcpy(&row[k], &v, 4);
      }
      mixed = row.data();
    }
    uint8_t* o = out.row(box.top + int(j)) + size_t(box.left) * 4;
    for (size_t i = 0; i < n; ++i, o += 4) {
      const uint32_t v = mix(load(mixed + size_t(xs.index[i]) * 4 - from),
                             load(mixed + size_t(xs.next[i]) * 4 - from), xs.weight[i]);
      std::memcpy(o, &v, 4);
    }
  }
}

bool isIdentity(const PictureTransform& t) {
  return t.scaleX == 1 && t.scaleY == 1 && t.offsetX == 0 && t.offsetY == 0;
}

}  // namespace

SceneLayout SceneLayout::fit(int albumWidth, int albumHeight, int width, int height) {
  SceneLayout l;
  l.width = width;
  l.height = height;
  l.albumWidth = albumWidth;
  l.albumHeight = albumHeight;
  l.scale = std::min(double(width) / albumWidth, double(height) / albumHeight);
  l.offsetX = (width - albumWidth * l.scale) / 2;
  l.offsetY = (height - albumHeight * l.scale) / 2;
  l.left = std::clamp(int(std::lround(l.offsetX)), 0, width);
  l.top = std::clamp(int(std::lround(l.offsetY)), 0, height);
  l.right = std::clamp(int(std::lround(l.offsetX + albumWidth * l.scale)), l.left, width);
  l.bottom = std::clamp(int(std::lround(l.offsetY + albumHeight * l.scale)), l.top, height);
  return l;
}

void drawScene(const SceneFrame& frame, const std::vector<const player::Image*>& pictures,
               const SceneLayout& layout, player::Rgba background, player::Image& canvas,
               player::Image& scratch) {
  // The lowest layer that covers the whole album opaquely hides the rest below it.
  size_t first = 0;
  for (size_t i = frame.layers.size(); i-- > 0;) {
    const SceneLayer& layer = frame.layers[i];
    if (!layer.masked && layer.opacity >= 1 && pictures[layer.slide]) {
      first = i;
      break;
    }
  }
  const bool covered = first < frame.layers.size() && !frame.layers[first].masked &&
                       frame.layers[first].opacity >= 1 && pictures[frame.layers[first].slide];
  if (!covered) {
    canvas.fill(background);
  } else {
    // The bars only; the album's area is the covering picture.
    for (int y = 0; y < canvas.height; ++y) {
      uint8_t* row = canvas.row(y);
      auto paint = [&](int from, int to) {
        for (int x = from; x < to; ++x) std::memcpy(row + size_t(x) * 4, &background, 4);
      };
      if (y < layout.top || y >= layout.bottom) {
        paint(0, canvas.width);
      } else {
        paint(0, layout.left);
        paint(layout.right, canvas.width);
      }
    }
  }
  for (size_t i = first; i < frame.layers.size(); ++i) {
    const SceneLayer& layer = frame.layers[i];
    const player::Image* picture = pictures[layer.slide];
    if (!picture) continue;
    if (!isIdentity(layer.transform) || picture->width != layout.areaWidth() ||
        picture->height != layout.areaHeight()) {
      if (scratch.width != layout.areaWidth() || scratch.height != layout.areaHeight())
        scratch = player::Image(layout.areaWidth(), layout.areaHeight());
      resample(*picture, layer.transform, layout, layerBounds(layer, layout), scratch);
      picture = &scratch;
    }
    const Target t{canvas, *picture, layout};
    if (!layer.masked) {
      // Any box larger than the album: the drawing keeps to the album's area.
      drawRectangle(t, SceneBox{-1e9, -1e9, 1e9, 1e9}, layer.opacity);
      continue;
    }
    for (const SceneBox& box : layer.figures) {
      if (layer.kind == FigureKind::Ellipse)
        drawEllipse(t, box, layer.opacity);
      else
        drawRectangle(t, box, layer.opacity);
    }
  }
}

CaptionImage CaptionImage::of(const AlbumCaption& caption, int albumWidth, int albumHeight,
                              const SceneLayout& layout) {
  CaptionImage image;
  image.at = placeCaption(albumWidth, albumHeight, caption.width, caption.height);
  image.text = media::rasterizeOutlines(caption.text, layout.scale, layout.x(image.at.textX),
                                        layout.y(image.at.textY));
  return image;
}

void drawCaption(const CaptionImage& caption, double opacity, const SceneLayout& l, player::Image& canvas) {
  if (opacity <= 0) return;
  const CaptionPlacement& at = caption.at;
  const double x0 = std::max(l.x(at.bandLeft), double(l.left)),
               x1 = std::min(l.x(at.bandRight), double(l.right));
  const double y0 = std::max(l.y(at.bandTop), double(l.top)),
               y1 = std::min(l.y(at.bandBottom), double(l.bottom));
  const double bandAlpha = kCaptionBandAlpha / 255.0 * opacity;
  const int top = std::max(0, int(std::floor(y0))), bottom = std::min(canvas.height, int(std::ceil(y1)));
  const int left = std::max(0, int(std::floor(x0))), right = std::min(canvas.width, int(std::ceil(x1)));
  for (int y = top; y < bottom; ++y) {
    const double cy = overlap(y, y0, y1);
    uint8_t* p = canvas.row(y) + size_t(left) * 4;
    for (int x = left; x < right; ++x, p += 4) {
      const double text = caption.text.at(x, y);
      const double band = std::max(0.0, overlap(x, x0, x1) * cy - text) * bandAlpha;
      const double white = text * opacity;
      for (int k = 0; k < 3; ++k) {
        const double v = p[k] * (1 - band);
        p[k] = uint8_t(std::lround(v + (255 - v) * white));
      }
    }
  }
}

bool sameScene(const SceneFrame& a, const SceneFrame& b) {
  if (a.captionSlide != b.captionSlide || a.captionOpacity != b.captionOpacity) return false;
  if (a.layers.size() != b.layers.size()) return false;
  for (size_t i = 0; i < a.layers.size(); ++i) {
    const SceneLayer &x = a.layers[i], &y = b.layers[i];
    const PictureTransform &s = x.transform, &u = y.transform;
    if (x.slide != y.slide || x.opacity != y.opacity || x.masked != y.masked || x.kind != y.kind ||
        x.figures.size() != y.figures.size() || s.scaleX != u.scaleX || s.scaleY != u.scaleY ||
        s.offsetX != u.offsetX || s.offsetY != u.offsetY)
      return false;
    for (size_t k = 0; k < x.figures.size(); ++k) {
      const SceneBox &p = x.figures[k], &q = y.figures[k];
      if (p.left != q.left || p.top != q.top || p.right != q.right || p.bottom != q.bottom) return false;
    }
  }
  return true;
}

}  // namespace slidewright::exports
