// Outlines drawn as coverage: how much of each pixel the fill covers, from the
// exact area each edge encloses (curves cut into pieces within a twentieth of
// a pixel), with the non-zero winding rule. Captions are drawn into video
// frames this way, sharp at any size.
#pragma once

#include <vector>

#include "common/outline.h"

namespace slidewright::media {

struct CoverageMask {
  int left = 0;  // the mask's first pixel on the grid the outlines are in
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<float> coverage;  // row by row, 0 (none) to 1 (all)

  float at(int x, int y) const {
    if (x < left || y < top || x >= left + width || y >= top + height) return 0;
    return coverage[static_cast<std::size_t>(y - top) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x - left)];
  }
};

// The outlines, scaled by `scale` and then moved by (dx, dy), on the pixel
// grid; the mask spans just the pixels they touch.
CoverageMask rasterizeOutlines(const std::vector<common::OutlineContour>& contours, double scale = 1,
                               double dx = 0, double dy = 0);

}  // namespace slidewright::media
