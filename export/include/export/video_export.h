// A movie turned into a video file: every frame drawn by the project's own
// player, encoded at the movie's frame rate or another, with its event sounds mixed into
// one audio track in step with the frames. MP4 holds H.264 and AAC (laid out
// for playing while it downloads), WebM holds VP9 and Opus; both yuv420p.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "export/error.h"

namespace slidewright::exports {

enum class VideoFormat { Mp4, WebM };

// The format a file name asks for by its extension (".mp4" or ".webm", in
// any case), or nothing.
std::optional<VideoFormat> videoFormatForName(const std::string& path);

// Encoder speed presets, fastest first; each trades encoding time for size.
extern const char* const kVideoPresets[];
extern const int kVideoPresetCount;
// The place of a preset's name in kVideoPresets, or -1 for an unknown name.
int videoPresetIndex(const std::string& name);

struct VideoLimits {
  static constexpr int kMaxSide = 4096;  // pixels, either side of the video
  static constexpr int kMinSide = 16;
};

struct VideoOptions {
  std::string moviePath;
  std::string outputPath;
  VideoFormat format = VideoFormat::Mp4;
  // 0: the movie's own size. Otherwise the movie is scaled to fit this size
  // keeping its proportions, centred on its background colour.
  int width = 0, height = 0;
  // Constant quality: lower is better and larger. -1: the codec's default
  // (23 for H.264, 0-51; 32 for VP9, 0-63).
  int crf = -1;
  // One of kVideoPresets. "fast" by default: on album pictures x264's
  // "fast" makes files no larger than "medium" (3.5 % smaller on the
  // benchmark album) within a dB of its quality, in three quarters of the time.
  std::string preset = "fast";
  int audioKbps = 0;  // 0: 128 (stereo) or 96 (mono)
  // 0: the movie's own frame rate. Otherwise 1 to 120: frames between the
  // movie's own are drawn by interpolating, for each object that stays on
  // its depth from one frame to the next, its matrix, colour transform and
  // morph ratio; at the movie's own rate the frames are the movie's.
  int framesPerSecond = 0;
};

// Bounds and defaults of the quality setting of a format.
struct CrfRange {
  int lowest, highest, standard;
};
CrfRange crfRange(VideoFormat format);

struct VideoProgress {
  uint64_t framesDone = 0;
  uint64_t frameCount = 0;  // frames the video will have
};

// Called after every frame; returning false cancels the export (the result
// is then an error of kind Cancelled and no file is left).
using VideoProgressCallback = std::function<bool(const VideoProgress&)>;

struct VideoOutcome {
  uint64_t frames = 0;
  int width = 0, height = 0;  // of the video
  double framesPerSecond = 0;
  double seconds = 0;  // frames / frame rate
  bool movieHasSound = false;
  uint64_t bytes = 0;
  std::vector<std::string> warnings;  // from the player: pictures or sounds it could not decode
};

Result<VideoOutcome> exportVideo(const VideoOptions& options, const VideoProgressCallback& progress = {});

}  // namespace slidewright::exports
