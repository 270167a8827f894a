// Outlines of filled shapes: closed contours of straight edges and quadratic
// curves, in pixels with y downwards. Captions are laid out as outlines by
// the media layer, carried into the movie as shapes and drawn into videos.
#pragma once

#include <vector>

namespace slidewright::common {

struct OutlinePoint {
  double x = 0;
  double y = 0;
};

// A straight edge to `to`, or a quadratic curve through `control`.
struct OutlineSegment {
  OutlinePoint control;
  OutlinePoint to;
  bool curved = false;
};

// A closed contour from `start` through its segments back to `start`.
// Contours fill with the non-zero winding rule.
struct OutlineContour {
  OutlinePoint start;
  std::vector<OutlineSegment> segments;
};

}  // namespace slidewright::common
