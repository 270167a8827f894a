// Measures an exported video against the movie it came from: every frame
// decoded back and compared with the player's drawing of that frame (what
// `slidewright render --frame N` draws), and the decoded sound against the
// movie's music as the player decodes it. For the export's tests and the
// comparison tool, so that both measure the same way.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "video_probe.h"

namespace slidewright::exports::probe {

struct FrameFidelity {
  ProbedVideo video;
  size_t movieFrames = 0;
  double framesPerSecond = 0;
  int changing = 0;                     // frames that differ from the one before
  double worstChangingDb = 99;          // Y'CbCr 4:2:0 PSNR, frames that change
  long worstChangingFrame = 0;          // 1-based
  double worstHoldDb = 99;              // the same, frames that hold
  double worstHoldRgbDb = 99;           // RGB PSNR as displayed, pictures held (third equal frame on)
  std::vector<long> closerToNeighbour;  // changing frames that measure closer to the frame before or after
  double mostCloserToNeighbourDb = 0;   // by how much at most (0: none)
};

// One decoded frame measured against the movie's frame of the same number.
struct FrameMeasure {
  long frame = 0;        // 1-based
  bool changes = false;  // differs from the frame before (the first frame always does)
  double yuvDb = 99;     // Y'CbCr 4:2:0 PSNR
  double rgbDb = 99;     // RGB PSNR as displayed, over the movie's pixels
};

// Called with each frame's measure in order.
using FrameMeasureVisitor = std::function<void(const FrameMeasure& measure)>;

// `width` x `height`: the size the movie is drawn at (0: its own, or the
// --size the video was made with, drawn keeping its proportions, with the
// bars beside the stage in the background colour as the export draws them).
// `each` (if given) is called with every frame's measure.
FrameFidelity measureFrames(const std::string& movie, const std::string& video, int width = 0, int height = 0,
                            const FrameMeasureVisitor& each = nullptr);

struct SoundFidelity {
  double musicSeconds = 0;  // the movie's sound as the player decodes it (0: none)
  double trackSeconds = 0;  // the decoded audio track
  double trackStart = 0;    // time of its first sample
  double audibleUntil = 0;  // where the last loud stretch of the track ends
  double silentPeak = 0;    // loudest sample after that
  double bestLagMs = 0;     // lag of the track against the music where they agree best
  double correlation = 0;   // how well they agree there (1: perfectly)
  double loudestSample = 0;
};

SoundFidelity measureSound(const std::string& movie, const ProbedVideo& video);

}  // namespace slidewright::exports::probe
