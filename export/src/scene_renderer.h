// Draws an album scene into a video frame: each picture is a prepared canvas
// of the album's area in the video, laid through its figures with exact
// area coverage at the edges, over the background colour. A moving picture
// is a larger canvas of the album, resampled through the layer's transform.
#pragma once

#include <vector>

#include "album/caption.h"
#include "album/scene.h"
#include "media/outline_raster.h"
#include "player/render.h"

namespace slidewright::exports {

// Album pixels to video pixels: the album fitted into the video's frame,
// centred, keeping its proportions; bars of the background around it.
struct SceneLayout {
  int width = 0, height = 0;            // of the frame drawn
  int albumWidth = 0, albumHeight = 0;  // album pixels
  double scale = 1, offsetX = 0, offsetY = 0;
  // The album's area in the frame, whole pixels.
  int left = 0, top = 0, right = 0, bottom = 0;

  static SceneLayout fit(int albumWidth, int albumHeight, int width, int height);
  int areaWidth() const { return right - left; }
  int areaHeight() const { return bottom - top; }
  // An album x or y in the frame's pixels.
  double x(double albumX) const { return offsetX + albumX * scale; }
  double y(double albumY) const { return offsetY + albumY * scale; }
};

// Draws `frame` into `canvas` (the layout's size). pictures[i] is slide i's
// canvas or null for a slide the frame does not show. A canvas the size of
// the layout's area under an identity transform is copied as it is; any
// other canvas stands for the whole album (its width over the album's width
// is its scale) and is sampled bilinearly through the layer's transform into
// `scratch`, kept by the caller from frame to frame.
void drawScene(const SceneFrame& frame, const std::vector<const player::Image*>& pictures,
               const SceneLayout& layout, player::Rgba background, player::Image& canvas,
               player::Image& scratch);

// A caption ready to draw at a layout's scale: its text's coverage and where
// its band lies in album pixels.
struct CaptionImage {
  media::CoverageMask text;
  CaptionPlacement at;
  static CaptionImage of(const AlbumCaption& caption, int albumWidth, int albumHeight,
                         const SceneLayout& layout);
};

// Lays the caption over `canvas` at `opacity` (0 to 1): the band darkens the
// album's area where the text does not cover it, the text is white.
void drawCaption(const CaptionImage& caption, double opacity, const SceneLayout& layout,
                 player::Image& canvas);

// Whether two scene frames show the same thing.
bool sameScene(const SceneFrame& a, const SceneFrame& b);

}  // namespace slidewright::exports
