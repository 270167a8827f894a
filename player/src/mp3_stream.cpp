#include "player/mp3_stream.h"

#include <mpg123.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/stdio_file.h"
#include "mpg123_feed.h"

namespace player {

struct Mp3FileStream::Decoder {
  Mpg123Handle decoder;
  slidewright::StdioFile file;                        // the input: a file,
  std::shared_ptr<const std::vector<uint8_t>> bytes;  // or bytes in memory
  size_t bytesPos = 0;
  bool fileDone = false;
  std::vector<unsigned char> input = std::vector<unsigned char>(1 << 15);
  std::vector<int16_t> pending;  // decoded samples not yet handed out
  size_t pendingPos = 0;
};

Mp3FileStream::Mp3FileStream() = default;
Mp3FileStream::~Mp3FileStream() = default;

bool Mp3FileStream::open(const std::string& path, std::string* error) {
  decoder_ = std::make_unique<Decoder>();
  decoder_->file = slidewright::openStdioFile(path, "rb");
  if (!decoder_->file) {
    *error = path + ": cannot open the file (" + std::strerror(errno) + ")";
    return false;
  }
  if (start("in the file", error)) return true;
  *error = path + ": " + *error;
  return false;
}

bool Mp3FileStream::openBytes(std::shared_ptr<const std::vector<uint8_t>> bytes, size_t offset,
                              std::string* error) {
  decoder_ = std::make_unique<Decoder>();
  decoder_->bytes = std::move(bytes);
  decoder_->bytesPos = decoder_->bytes ? std::min(offset, decoder_->bytes->size()) : 0;
  return start("in the sound", error);
}

bool Mp3FileStream::start(const char* where, std::string* error) {
  rate_ = channels_ = 0;
  ended_ = false;
  if (!openFeedDecoder(decoder_->decoder)) {
    *error = "the MP3 decoder cannot start";
    return false;
  }
  // Decode until the first frame tells the format.
  while (rate_ == 0 && decodeMore()) {}
  if (rate_ == 0) {
    *error = std::string("no MPEG audio found ") + where;
    return false;
  }
  return true;
}

bool Mp3FileStream::decodeMore() {
  Decoder& d = *decoder_;
  if (ended_) return false;
  d.pending.clear();
  d.pendingPos = 0;
  unsigned char out[1 << 15];
  for (int rounds = 0; rounds < 1000; ++rounds) {
    size_t got = 0;
    int rc = mpg123_read(d.decoder.h, out, sizeof out, &got);
    if (rc == MPG123_NEW_FORMAT) {
      long rate;
      int channels, encoding;
      mpg123_getformat(d.decoder.h, &rate, &channels, &encoding);
      if (rate_ != 0 && (rate != rate_ || channels != channels_)) {
        ended_ = true;  // a second piece of another format is not mixed in
        return false;
      }
      rate_ = int(rate);
      channels_ = channels;
      continue;
    }
    if (got) {
      const int16_t* s = reinterpret_cast<const int16_t*>(out);
      d.pending.assign(s, s + got / 2);
      return true;
    }
    // Damage in front of the first frame: more data lets the decoder find it.
    if (rc == MPG123_NEED_MORE || (rc == MPG123_ERR && rate_ == 0)) {
      if (d.fileDone) break;
      if (d.bytes) {  // fed straight from memory, a piece at a time
        const size_t n = std::min(d.input.size(), d.bytes->size() - d.bytesPos);
        if (n == 0) {
          d.fileDone = true;
          continue;
        }
        mpg123_feed(d.decoder.h, d.bytes->data() + d.bytesPos, n);
        d.bytesPos += n;
        continue;
      }
      size_t n = std::fread(d.input.data(), 1, d.input.size(), d.file.get());
      if (n == 0) {
        d.fileDone = true;
        continue;
      }
      mpg123_feed(d.decoder.h, d.input.data(), n);
      continue;
    }
    if (rc != MPG123_OK) break;  // done, or damage after good audio: end there
  }
  ended_ = true;
  return false;
}

size_t Mp3FileStream::read(int16_t* out, size_t frames) {
  if (!decoder_ || channels_ == 0) return 0;
  Decoder& d = *decoder_;
  size_t filled = 0;
  while (filled < frames) {
    if (d.pendingPos >= d.pending.size() && !decodeMore()) break;
    const size_t available = (d.pending.size() - d.pendingPos) / size_t(channels_);
    const size_t n = std::min(available, frames - filled);
    std::memcpy(out + filled * size_t(channels_), d.pending.data() + d.pendingPos,
                n * size_t(channels_) * sizeof(int16_t));
    d.pendingPos += n * size_t(channels_);
    filled += n;
  }
  return filled;
}

}  // namespace player
