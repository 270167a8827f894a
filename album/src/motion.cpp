// Motion names, the choice behind "auto" and the transform at any position.
#include <album/motion.h>

#include <algorithm>

namespace slidewright {

namespace {

constexpr int kNamedCount = int(sizeof kMotionNames / sizeof kMotionNames[0]);

// A step of the SplitMix64 generator: a well mixed 64-bit value from any state.
std::uint64_t mix(std::uint64_t z) {
  z += 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// The start and end rectangles of a named kind.
Motion named(MotionKind kind) {
  const double s = 1 / kMotionZoom, over = 1 - s, mid = over / 2;
  const MotionRect whole{0, 0, 1, 1}, centre{mid, mid, s, s};
  Motion m;
  m.kind = kind;
  switch (kind) {
    case MotionKind::ZoomIn:
      m.start = whole, m.end = centre;
      break;
    case MotionKind::ZoomOut:
      m.start = centre, m.end = whole;
      break;
    // A pan names the way the view travels across the picture.
    case MotionKind::PanLeft:
      m.start = {over, mid, s, s}, m.end = {0, mid, s, s};
      break;
    case MotionKind::PanRight:
      m.start = {0, mid, s, s}, m.end = {over, mid, s, s};
      break;
    case MotionKind::PanUp:
      m.start = {mid, over, s, s}, m.end = {mid, 0, s, s};
      break;
    case MotionKind::PanDown:
      m.start = {mid, 0, s, s}, m.end = {mid, over, s, s};
      break;
    default:
      break;
  }
  return m;
}

}  // namespace

std::optional<MotionKind> motionFromName(std::string_view name) {
  for (int i = 0; i < kNamedCount; ++i) {
    const std::string_view n = kMotionNames[i];
    if (n.size() != name.size()) continue;
    bool same = true;
    for (std::size_t k = 0; same && k < n.size(); ++k) {
      const char c = name[k];
      same = (c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) == n[k];
    }
    if (same) return MotionKind(i);
  }
  return std::nullopt;
}

const char* motionName(MotionKind kind) {
  const int i = int(kind);
  return i >= 0 && i < kNamedCount ? kMotionNames[i] : "explicit";
}

std::string motionNameList() {
  std::string list;
  for (int i = 0; i < kNamedCount; ++i) list += (i ? ", " : "") + std::string(kMotionNames[i]);
  return list;
}

std::string checkMotionRect(const MotionRect& r) {
  // Written so that NaN fails every test.
  if (!(r.w >= 0.05 && r.h >= 0.05)) return "a motion rectangle is at least 0.05 wide and high";
  if (!(r.x >= 0 && r.y >= 0 && r.x + r.w <= 1 + 1e-9 && r.y + r.h <= 1 + 1e-9))
    return "a motion rectangle lies within the picture (x and y from 0, x + w and y + h up to 1)";
  return std::string();
}

std::vector<Motion> resolveMotions(const std::vector<Motion>& motions, std::uint64_t seed) {
  std::vector<Motion> out;
  MotionKind previous = MotionKind::None;
  std::uint64_t state = mix(seed);
  for (const Motion& m : motions) {
    MotionKind kind = m.kind;
    if (kind == MotionKind::Auto) {
      // Six concrete kinds; draw among the five that differ from the last one.
      const int first = int(MotionKind::ZoomIn), count = 6;
      state = mix(state);
      int pick =
          first + int(state % (previous >= MotionKind::ZoomIn && previous <= MotionKind::PanDown ? count - 1
                                                                                                 : count));
      if (previous >= MotionKind::ZoomIn && previous <= MotionKind::PanDown && pick >= int(previous)) ++pick;
      kind = MotionKind(pick);
    }
    out.push_back(kind == MotionKind::Explicit || kind == MotionKind::None ? m : named(kind));
    out.back().kind = kind;
    previous = kind;
  }
  return out;
}

PictureTransform motionTransform(const Motion& m, double p, double width, double height) {
  if (!m.moves()) return PictureTransform{};
  auto at = [&](const MotionRect& r) {
    PictureTransform t;
    t.scaleX = 1 / r.w;
    t.scaleY = 1 / r.h;
    t.offsetX = -r.x * width * t.scaleX;
    t.offsetY = -r.y * height * t.scaleY;
    return t;
  };
  const PictureTransform a = at(m.start), b = at(m.end);
  auto lerp = [p](double u, double v) { return u + (v - u) * p; };
  return PictureTransform{lerp(a.scaleX, b.scaleX), lerp(a.scaleY, b.scaleY), lerp(a.offsetX, b.offsetX),
                          lerp(a.offsetY, b.offsetY)};
}

}  // namespace slidewright
