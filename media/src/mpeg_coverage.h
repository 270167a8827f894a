// How much of a music file is MPEG audio, to tell music from files of other
// kinds in which the decoder finds a few chance frames.
#pragma once

#include <cstdint>
#include <cstdio>

namespace slidewright::media::detail {

struct MpegCoverage {
  std::uint64_t chainedBytes = 0;  // bytes of frames that follow one another
  std::uint64_t audioBytes = 0;    // the file's bytes without its ID3 and APE tags
};

// Reads the whole file (from its start, leaving it rewound).
MpegCoverage measureMpegCoverage(std::FILE* file, std::uint64_t size);

}  // namespace slidewright::media::detail
