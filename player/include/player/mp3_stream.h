// MP3 audio decoded piece by piece while it plays, from a file or from bytes
// in memory, so that a long piece of music never has to be held as PCM.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace player {

class Mp3FileStream {
 public:
  Mp3FileStream();
  ~Mp3FileStream();
  Mp3FileStream(const Mp3FileStream&) = delete;
  Mp3FileStream& operator=(const Mp3FileStream&) = delete;

  // Opens the file and decodes up to its first audio frame to learn the
  // format. False with a message naming the problem when the file cannot be
  // read or holds no MPEG audio.
  bool open(const std::string& path, std::string* error);
  // The same over `size` bytes from `offset` of `bytes`, which the stream
  // keeps alive while it reads them.
  bool openBytes(std::shared_ptr<const std::vector<uint8_t>> bytes, size_t offset, std::string* error);
  int sampleRate() const { return rate_; }
  int channels() const { return channels_; }

  // Fills up to `frames` frames of interleaved signed 16-bit samples and
  // returns how many it filled: fewer only at the end of the audio (or where
  // the format changes, which ends it too).
  size_t read(int16_t* out, size_t frames);
  bool atEnd() const { return ended_; }

 private:
  bool start(const char* where, std::string* error);
  bool decodeMore();

  struct Decoder;
  std::unique_ptr<Decoder> decoder_;
  int rate_ = 0;
  int channels_ = 0;
  bool ended_ = false;
};

}  // namespace player
