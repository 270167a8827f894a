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

}  // namespace player
