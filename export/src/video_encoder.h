// The file end of a video export, on FFmpeg's libraries: RGBA frames are
// converted to yuv420p (BT.709, limited range, tagged as such) and encoded
// with H.264 or VP9, float samples are encoded with AAC or Opus, and both are
// muxed into MP4 (with its index at the front) or WebM.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "export/error.h"
#include "export/video_export.h"
#include "player/render.h"

struct SwsContext;

namespace slidewright::exports {

struct EncoderSettings {
  VideoFormat format = VideoFormat::Mp4;
  int width = 0, height = 0;    // even
  int fpsNum = 12, fpsDen = 1;  // frames per second as a fraction
  int crf = 23;
  std::string preset = "fast";
  int sampleRate = 44100;
  int channels = 2;
  int audioBitrate = 128000;  // bits per second
};

// The sample rate the format's audio codec is given.
int audioRateFor(VideoFormat format);

// The quality to encode with: the format's standard one when `crf` is
// negative; a Settings error when it is out of the format's bounds or the
// preset is unknown.
Result<int> checkedQuality(VideoFormat format, int crf, const std::string& preset);

// The export's colour conversion of a width x height RGBA frame to yuv420p
// of the same size: BT.709, limited range, chroma averaged over each 2 x 2
// block. The tests' and tools' measures convert the player's frames with it
// too. nullptr when it cannot be set up; free it with sws_freeContext.
SwsContext* makeRgbaToYuv420(int width, int height);

class VideoEncoder {
 public:
  // Opens the encoders and starts the file at `path` (any name: the format
  // comes from the settings). `displayName` is the name errors give.
  static Result<std::unique_ptr<VideoEncoder>> open(const std::string& path, const std::string& displayName,
                                                    const EncoderSettings& settings);
  ~VideoEncoder();
  VideoEncoder(const VideoEncoder&) = delete;
  VideoEncoder& operator=(const VideoEncoder&) = delete;

  // Encodes the next frame; `rgba` has the video's size. `sameAsLast` says
  // that it shows exactly what the frame before showed (a picture held), so
  // the converted frame is sent again without converting it anew.
  Status writeFrame(const player::Image& rgba, bool sameAsLast = false);
  // Encodes the next samples (interleaved floats, the track's channels).
  Status writeAudio(const float* samples, size_t frames);
  // Flushes both encoders and completes the file.
  Status finish();

 private:
  struct Impl;
  explicit VideoEncoder(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace slidewright::exports
