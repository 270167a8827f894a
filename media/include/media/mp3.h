// Music re-encoding: any MPEG audio file (MPEG-1, 2 or 2.5, layer I to III,
// mono or stereo, 8 to 48 kHz) becomes a small mono MP3 at 22050 Hz and
// 32 kbit/s constant bit rate, a form the movie's sound tag takes whole.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "media/result.h"

namespace slidewright::media {

constexpr int kAlbumSampleRate = 22050;
constexpr int kAlbumBitrateKbps = 32;
// Samples in one frame of the album's MP3 (MPEG-2 layer III).
constexpr int kAlbumFrameSamples = 576;

// Progress as (done, total) in the input's bytes. Returning false cancels
// the work, which then fails with the message "cancelled".
using ProgressCallback = std::function<bool(std::uint64_t done, std::uint64_t total)>;

struct Mp3Summary {
  int sourceRate = 0;               // sample rate of the input in hertz
  int sourceChannels = 0;           // channels of the input
  std::uint64_t sourceSamples = 0;  // samples per channel decoded from the input
  double seconds = 0;               // duration of the input
  std::uint64_t outputBytes = 0;
};

struct ReencodedMp3 {
  Mp3Summary summary;
  std::vector<std::uint8_t> mp3;  // the new MP3's bytes
};

// The music fading to silence as a show ends, in seconds of the show (the
// music starts with it): full level until `start`, then falling linearly in
// amplitude to nothing at `end`, where the music stops.
struct FadeOut {
  double start = 0;
  double end = 0;

  // The factor for the sound heard `seconds` into the show: 1 up to start,
  // 0 from end on.
  float gainAt(double seconds) const;
  // The fade of a show lasting showSeconds over its last fadeSeconds (all of
  // it when the show is shorter).
  static FadeOut overEnd(double showSeconds, double fadeSeconds);
};

// Decodes the input, mixes it to mono, resamples it and gives the new MP3.
// With a fade, the MP3 is faded and cut so that, played from its start, it
// ends no later than fade->end: nothing is heard after the show's end, and a
// movie that starts the music again as it loops finds it finished. Messages
// do not repeat the input path.
Result<ReencodedMp3> reencodeMp3(const std::string& inputPath, const ProgressCallback& progress = {},
                                 const std::optional<FadeOut>& fade = std::nullopt);

// Decodes the input as reencodeMp3 does, only to measure it (no MP3 made).
Result<Mp3Summary> measureMp3(const std::string& inputPath, const ProgressCallback& progress = {});

// The same, writing the new MP3 to outputPath (replacing it).
Result<Mp3Summary> reencodeMp3(const std::string& inputPath, const std::string& outputPath,
                               const ProgressCallback& progress = {});

}  // namespace slidewright::media
