// Reading an exported video back with FFmpeg's decoders, as a player would:
// its streams, every frame as RGBA (converted with the colour matrix and
// range the file states), its timing and its decoded sound. For the export's
// tests and the comparison tool.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "player/render.h"

namespace slidewright::exports::probe {

struct ProbedVideo {
  std::string container;  // "mp4" or "webm"
  int width = 0, height = 0;
  std::string videoCodec, audioCodec, pixelFormat, colorSpace, colorRange;
  double framesPerSecond = 0;
  int64_t frames = 0;
  double videoStart = 0, videoEnd = 0;  // first frame's time; last frame's time plus its length
  int sampleRate = 0, channels = 0;
  double audioStart = 0;     // time of the first decoded sample, after the codec's delay is dropped
  std::vector<float> audio;  // every decoded sample, channels averaged
  bool indexFirst = false;   // the index (MP4 moov, WebM Cues) comes before the media data

  double audioSeconds() const { return sampleRate ? double(audio.size()) / sampleRate : 0; }
};

// A decoded frame: its yuv420p planes as the decoder gave them, and the same
// frame as RGBA of the video's size (converted as a player would, with
// FFmpeg's default scaler and the colour matrix and range the file states).
struct DecodedFrame {
  const uint8_t* planes[3];
  int strides[3];
  const player::Image& rgba;
};

// Called with each decoded frame in order.
using FrameVisitor = std::function<void(int64_t index, const DecodedFrame& frame)>;

bool probeVideo(const std::string& path, const FrameVisitor& visit, ProbedVideo* out, std::string* error);

// Peak signal-to-noise ratio in dB over the red, green and blue channels of
// the top-left width x height pixels of both images (99 when identical).
double psnr(const player::Image& a, const player::Image& b, int width, int height);

// Converts RGBA to yuv420p with the export's own conversion
// (makeRgbaToYuv420: BT.709, limited range, chroma averaged over each 2 x 2
// block) and measures the PSNR in dB over every Y,
// Cb and Cr sample against the decoded frame's planes. This is what the
// codec loses; the halved chroma itself is not counted, so frames drawn with
// one-pixel lines of colour measure the same as any other. `reference` has
// the video's (even) size.
double psnrYuv420(const player::Image& reference, const DecodedFrame& frame);

}  // namespace slidewright::exports::probe
