// Music re-encoding: any MPEG audio file (MPEG-1, 2 or 2.5, layer I to III,
// mono or stereo, 8 to 48 kHz) becomes a small mono MP3 at 22050 Hz and
// 32 kbit/s constant bit rate, a form the movie's sound tag takes whole.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "media/result.h"

namespace slidewright::media {

constexpr int kAlbumSampleRate = 22050;
constexpr int kAlbumBitrateKbps = 32;

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

// Decodes the input, mixes it to mono, resamples it and gives the new MP3.
// Messages do not repeat the input path.
Result<ReencodedMp3> reencodeMp3(const std::string& inputPath, const ProgressCallback& progress = {});

// The same, writing the new MP3 to outputPath (replacing it).
Result<Mp3Summary> reencodeMp3(const std::string& inputPath, const std::string& outputPath,
                               const ProgressCallback& progress = {});

}  // namespace slidewright::media
