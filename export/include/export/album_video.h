// An album made straight into a video: every frame drawn from the original
// pictures at the video's size and frame rate, the transitions evaluated at
// each frame's own time, with the album's music. No movie is made between.
#pragma once

#include <string>
#include <vector>

#include "export/video_export.h"
#include "maker/album_maker.h"

namespace slidewright::exports {

struct AlbumVideoLimits {
  static constexpr int kMaxWidth = 3840;  // either side at most 3840, and at most 3840 x 2160 pixels
  static constexpr int kMaxPixels = 3840 * 2160;
  static constexpr int kMinFps = 12;
  static constexpr int kMaxFps = 60;
  static constexpr int kDefaultFps = 30;
};

struct AlbumVideoOptions {
  std::string outputPath;
  VideoFormat format = VideoFormat::Mp4;
  int width = 0, height = 0;  // 0: the album's size; the album is fitted into it with bars
  int framesPerSecond = AlbumVideoLimits::kDefaultFps;
  int crf = -1;  // -1: the codec's default
  std::string preset = "fast";
  int audioKbps = 0;  // 0: 128 (stereo) or 96 (mono)
};

struct AlbumVideoOutcome {
  VideoOutcome video;
  std::vector<maker::SkippedPicture> skipped;
  int pauseSeconds = 0;  // the hold used (chosen from the music with fitToMusic)
  maker::MusicFit musicFit = maker::MusicFit::Fitted;
};

// Makes the album of `settings` (its outputPath is not used) into the video.
Result<AlbumVideoOutcome> exportAlbumVideo(const maker::AlbumSettings& settings,
                                           const AlbumVideoOptions& options,
                                           const VideoProgressCallback& progress = {});

}  // namespace slidewright::exports
