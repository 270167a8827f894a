// Motion of a picture while it is on screen: a slow zoom or pan across it,
// given as the part of the picture the album shows at the start and at the
// end of the picture's time on screen.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace slidewright {

enum class MotionKind { None, ZoomIn, ZoomOut, PanLeft, PanRight, PanUp, PanDown, Auto, Explicit };

// Zoom of the named motions: zooms run between the whole picture and this
// magnification, pans travel across the overscan it leaves at either side.
constexpr double kMotionZoom = 1.15;

// The part of a picture the album shows, in fractions of its width and height.
struct MotionRect {
  double x = 0, y = 0, w = 1, h = 1;
  bool operator==(const MotionRect& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};

struct Motion {
  MotionKind kind = MotionKind::None;
  MotionRect start, end;  // used by Explicit only
  bool moves() const { return kind != MotionKind::None; }
};

// How a picture is laid on the album: album = picture pixel * scale + offset.
struct PictureTransform {
  double scaleX = 1, scaleY = 1, offsetX = 0, offsetY = 0;  // offsets in album pixels
};

// The names users type, by kind; Explicit has none.
inline constexpr const char* kMotionNames[] = {"none",      "zoom-in", "zoom-out", "pan-left",
                                               "pan-right", "pan-up",  "pan-down", "auto"};

// The kind of a motion name in any letter case; nothing for an unknown one.
std::optional<MotionKind> motionFromName(std::string_view name);
// The name of a kind ("explicit" for Explicit).
const char* motionName(MotionKind kind);
// The valid names, "none, zoom-in, ..., auto", for messages.
std::string motionNameList();

// Why an explicit rectangle cannot be used (empty, outside the picture,
// zooming more than twenty-fold), or an empty string when it can.
std::string checkMotionRect(const MotionRect& r);

// The motions of an album's pictures with "auto" replaced by a concrete kind
// chosen from the seed and the picture's place (the same seed, the same
// choices; never the same kind twice in a row) and every named kind by its
// start and end rectangles. None stays None.
std::vector<Motion> resolveMotions(const std::vector<Motion>& motions, std::uint64_t seed);

// The transform at position p (0: start, 1: end) of a resolved motion for a
// picture of width x height pixels. Scale and offset move linearly with p.
PictureTransform motionTransform(const Motion& m, double p, double width, double height);

}  // namespace slidewright
