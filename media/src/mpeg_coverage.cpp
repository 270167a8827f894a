// How much of a music file is MPEG audio: the bytes of frames that follow
// one another, against the bytes that are not tags. The decoder finds chance
// frame headers in files of any kind (random bytes, a WAV, a picture); only
// real music is made of frames that chain.
#include "mpeg_coverage.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/mpeg_audio.h"

namespace slidewright::media::detail {

namespace {

// Longest MPEG audio frame (MPEG-1 layer II at 384 kbit/s and 32 kHz is
// 1728 bytes; layer III at 320 kbit/s and 32 kHz, 1441), with room to spare.
constexpr std::size_t kLookAhead = 8192;
constexpr std::size_t kBlock = 1 << 20;

// The file read front to back through a window that always holds the bytes
// from the scan position on (as many as there are, up to the look-ahead).
class Window {
 public:
  explicit Window(std::FILE* file) : file_(file) {}

  // Makes [pos, pos + need) available when the file has it; false at the
  // end. Bytes up to a look-ahead before pos stay available too.
  bool hold(std::uint64_t pos, std::size_t need) {
    while (pos + need > base_ + bytes_.size() && !eof_) {
      const std::uint64_t keepFrom = pos > kLookAhead ? pos - kLookAhead : 0;
      const std::size_t drop = static_cast<std::size_t>(
          std::min<std::uint64_t>(keepFrom > base_ ? keepFrom - base_ : 0, bytes_.size()));
      bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(drop));
      base_ += drop;
      const std::size_t old = bytes_.size();
      bytes_.resize(old + kBlock);
      const std::size_t got = std::fread(bytes_.data() + old, 1, kBlock, file_);
      bytes_.resize(old + got);
      if (got < kBlock) eof_ = true;
    }
    return pos + need <= base_ + bytes_.size();
  }
  const std::uint8_t* at(std::uint64_t pos) const { return bytes_.data() + (pos - base_); }

 private:
  std::FILE* file_;  // not owned
  std::vector<std::uint8_t> bytes_;
  std::uint64_t base_ = 0;
  bool eof_ = false;
};

std::uint32_t syncsafe(const std::uint8_t* p) {
  return std::uint32_t(p[0] & 0x7F) << 21 | std::uint32_t(p[1] & 0x7F) << 14 |
         std::uint32_t(p[2] & 0x7F) << 7 | (p[3] & 0x7F);
}

std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

// Bytes of ID3v1 and APEv2 tags at the end of the file.
std::uint64_t trailingTagBytes(std::FILE* f, std::uint64_t total) {
  std::uint64_t tags = 0;
  std::uint8_t buf[32];
  if (total >= 128 && std::fseek(f, static_cast<long>(total - 128), SEEK_SET) == 0 &&
      std::fread(buf, 1, 3, f) == 3 && std::memcmp(buf, "TAG", 3) == 0)
    tags += 128;
  if (total >= tags + 32 && std::fseek(f, static_cast<long>(total - tags - 32), SEEK_SET) == 0 &&
      std::fread(buf, 1, 32, f) == 32 && std::memcmp(buf, "APETAGEX", 8) == 0) {
    const std::uint64_t size = le32(buf + 12) + ((le32(buf + 20) & 0x80000000u) ? 32 : 0);
    tags += std::min<std::uint64_t>(size, total - tags);
  }
  return tags;
}

}  // namespace

MpegCoverage measureMpegCoverage(std::FILE* f, std::uint64_t total) {
  MpegCoverage c;
  const std::uint64_t trailing = trailingTagBytes(f, total);
  std::rewind(f);
  // One pass front to back: the ID3v2 tags at the start (pictures of the
  // album cover among them), then the frames after them.
  Window scan(f);
  std::uint64_t pos = 0;
  while (scan.hold(pos, 10) && std::memcmp(scan.at(pos), "ID3", 3) == 0) {
    const std::uint8_t* h = scan.at(pos);
    pos += 10 + syncsafe(h + 6) + ((h[5] & 0x10) ? 10 : 0);
  }
  const std::uint64_t leading = std::min(pos, total);
  c.audioBytes = total > leading + trailing ? total - leading - trailing : 0;

  MpegAudioHeader chainHeader, h, next;
  bool inChain = false;
  while (scan.hold(pos, 4)) {
    if (!decodeMpegAudioHeader(scan.at(pos), &h) ||
        (inChain && !sameMpegStream(h, chainHeader))) {  // not a frame, or another stream's
      inChain = false;
      ++pos;
      continue;
    }
    const std::uint64_t end = pos + static_cast<std::uint64_t>(h.length);
    if (!inChain) {
      // A first frame counts only when the next one follows it.
      if (!scan.hold(end, 4) || !decodeMpegAudioHeader(scan.at(end), &next) || !sameMpegStream(h, next)) {
        ++pos;
        continue;
      }
      inChain = true;
      chainHeader = h;
    }
    if (!scan.hold(pos, static_cast<std::size_t>(h.length))) break;  // cut short at the end of the file
    c.chainedBytes += static_cast<std::uint64_t>(h.length);
    pos = end;
  }
  std::rewind(f);
  return c;
}

}  // namespace slidewright::media::detail
