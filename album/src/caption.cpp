// Caption placement, timing and the caption's shape in the movie.
#include <album/caption.h>
#include <album/transition.h>

#include <swf/shape.h>

#include <algorithm>
#include <cmath>

namespace slidewright {

CaptionStyle captionStyle(std::int32_t albumWidth, std::int32_t albumHeight) {
  CaptionStyle s;
  s.fontPx = std::max(12.0, 0.05 * albumHeight);
  s.maxWidth = 0.9 * albumWidth;
  s.padding = 0.4 * s.fontPx;
  return s;
}

CaptionPlacement placeCaption(std::int32_t albumWidth, std::int32_t albumHeight, double textWidth,
                              double textHeight) {
  const CaptionStyle s = captionStyle(albumWidth, albumHeight);
  CaptionPlacement p;
  p.bandLeft = 0;
  p.bandRight = albumWidth;
  p.bandBottom = albumHeight;
  p.bandTop = std::max(0.0, albumHeight - (textHeight + 2 * s.padding));
  p.textX = (albumWidth - textWidth) / 2;
  p.textY = p.bandTop + s.padding;
  return p;
}

double captionOpacity(std::int64_t holdFrames, double position) {
  if (holdFrames <= 0 || position < 0 || position >= double(holdFrames)) return 0;
  // Half a second each way, or half the hold when it is shorter.
  const double fade = std::min(kAlbumFrameRate / 2.0, holdFrames / 2.0);
  // The first and the last frame of the hold each show one step of the fade.
  return std::clamp(std::min((position + 1) / fade, (double(holdFrames) - position) / fade), 0.0, 1.0);
}

namespace {

using common::OutlineContour;
using common::OutlinePoint;

// The contour as a polygon, each curve cut into eight lines: fine enough to
// tell its orientation and which contours enclose a point on another.
std::vector<OutlinePoint> flatten(const OutlineContour& c) {
  std::vector<OutlinePoint> points{c.start};
  for (const common::OutlineSegment& s : c.segments) {
    if (s.curved) {
      const OutlinePoint a = points.back();
      for (int k = 1; k < 8; ++k) {
        const double t = k / 8.0, u = 1 - t;
        points.push_back({u * u * a.x + 2 * u * t * s.control.x + t * t * s.to.x,
                          u * u * a.y + 2 * u * t * s.control.y + t * t * s.to.y});
      }
    }
    points.push_back(s.to);
  }
  return points;
}

double signedArea(const std::vector<OutlinePoint>& p) {
  double a = 0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const OutlinePoint &u = p[i], &v = p[(i + 1) % p.size()];
    a += u.x * v.y - v.x * u.y;
  }
  return a / 2;
}

// Winding number of the polygon about (x, y), counted so that a polygon of
// positive signed area winds +1 about its inside.
int winding(const std::vector<OutlinePoint>& p, double x, double y) {
  int w = 0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const OutlinePoint &u = p[i], &v = p[(i + 1) % p.size()];
    const double side = (v.x - u.x) * (y - u.y) - (x - u.x) * (v.y - u.y);
    if (u.y <= y && v.y > y && side > 0) ++w;
    if (u.y > y && v.y <= y && side < 0) --w;
  }
  return w;
}

std::int32_t twips(double px) { return static_cast<std::int32_t>(std::lround(px * Twips::perPixel)); }

}  // namespace

std::unique_ptr<SwfShape> captionShape(SwfCharacterIds& ids, const AlbumCaption& caption,
                                       std::int32_t albumWidth, std::int32_t albumHeight) {
  const CaptionPlacement at = placeCaption(albumWidth, albumHeight, caption.width, caption.height);
  const std::int32_t left = twips(at.bandLeft), top = twips(at.bandTop), right = twips(at.bandRight),
                     bottom = twips(at.bandBottom);

  // Every contour in album pixels, flattened, with its orientation.
  std::vector<std::vector<OutlinePoint>> polygons;
  std::vector<OutlineContour> contours;
  std::int32_t minX = left, minY = top, maxX = right, maxY = bottom;
  for (OutlineContour c : caption.text) {
    auto move = [&](OutlinePoint& p) {
      p.x += at.textX;
      p.y += at.textY;
      minX = std::min(minX, twips(p.x)), maxX = std::max(maxX, twips(p.x));
      minY = std::min(minY, twips(p.y)), maxY = std::max(maxY, twips(p.y));
    };
    move(c.start);
    for (common::OutlineSegment& s : c.segments) {
      move(s.to);
      if (s.curved) move(s.control);
    }
    polygons.push_back(flatten(c));
    contours.push_back(std::move(c));
  }

  auto shape = std::make_unique<SwfShape>(ids, SwfRect(Twips(minX), Twips(minY), Twips(maxX), Twips(maxY)));
  const unsigned band = shape->addFill(SwfSolidFillStyle(0, 0, 0, kCaptionBandAlpha));
  const unsigned text = shape->addFill(SwfSolidFillStyle(255, 255, 255, 255));
  shape->finish();

  // The band, clockwise on screen: its fill lies on the edges' right (fill style 1).
  SwfStyleChangeData start;
  start.moveTo = SwfMoveTo{Twips(left), Twips(top)};
  start.fillStyle0 = 0;
  start.fillStyle1 = band;
  start.lineStyle = 0;
  shape->addRecord(std::make_unique<SwfStyleChange>(start));
  shape->addRecord(std::make_unique<SwfStraightEdge>(Twips(right - left), Twips(0)));
  shape->addRecord(std::make_unique<SwfStraightEdge>(Twips(0), Twips(bottom - top)));
  shape->addRecord(std::make_unique<SwfStraightEdge>(Twips(left - right), Twips(0)));
  shape->addRecord(std::make_unique<SwfStraightEdge>(Twips(0), Twips(top - bottom)));

  for (std::size_t i = 0; i < contours.size(); ++i) {
    const double area = signedArea(polygons[i]);
    if (area == 0) continue;
    // The non-zero rule on either side of this contour: the other contours'
    // winding at a point on it, and that plus its own on its inside.
    const OutlinePoint probe = polygons[i].front();
    int outside = 0;
    for (std::size_t k = 0; k < polygons.size(); ++k)
      if (k != i) outside += winding(polygons[k], probe.x, probe.y);
    const int inside = outside + (area > 0 ? 1 : -1);
    const unsigned in = inside != 0 ? text : band, out = outside != 0 ? text : band;
    if (in == out) continue;  // a contour within the text's own inside bounds nothing

    // Positive area is clockwise on screen (y down): the inside is on the
    // edges' right, fill style 1.
    const OutlineContour& c = contours[i];
    SwfStyleChangeData change;
    std::int32_t x = twips(c.start.x), y = twips(c.start.y);
    change.moveTo = SwfMoveTo{Twips(x), Twips(y)};
    change.fillStyle0 = area > 0 ? out : in;
    change.fillStyle1 = area > 0 ? in : out;
    shape->addRecord(std::make_unique<SwfStyleChange>(change));
    auto lineTo = [&](std::int32_t tx, std::int32_t ty) {
      if (tx == x && ty == y) return;
      shape->addRecord(std::make_unique<SwfStraightEdge>(Twips(tx - x), Twips(ty - y)));
      x = tx, y = ty;
    };
    for (const common::OutlineSegment& s : c.segments) {
      const std::int32_t tx = twips(s.to.x), ty = twips(s.to.y);
      if (!s.curved) {
        lineTo(tx, ty);
        continue;
      }
      const std::int32_t cx = twips(s.control.x), cy = twips(s.control.y);
      if ((cx == x && cy == y) || (cx == tx && cy == ty)) {
        lineTo(tx, ty);
        continue;
      }
      shape->addRecord(
          std::make_unique<SwfCurvedEdge>(Twips(cx - x), Twips(cy - y), Twips(tx - cx), Twips(ty - cy)));
      x = tx, y = ty;
    }
    lineTo(twips(c.start.x), twips(c.start.y));
  }
  shape->addRecord(std::make_unique<SwfEndShape>());
  return shape;
}

}  // namespace slidewright
