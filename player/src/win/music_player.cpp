#include "player/music_player.h"

#include <algorithm>

namespace player {

bool MusicPlayer::start(const std::string& path, std::string* error) {
  halt();
  auto stream = std::make_unique<Mp3FileStream>();
  if (!stream->open(path, error)) return false;
  stream_ = std::move(stream);
  finished_ = false;
  Mp3FileStream* s = stream_.get();
  const PcmFormat format{s->sampleRate(), s->channels()};
  device_.start(format, [this, s, format](int16_t* out, size_t frames) {
    const size_t got = s->read(out, frames);
    std::fill(out + got * size_t(format.channels), out + frames * size_t(format.channels), int16_t(0));
    if (got < frames) finished_ = true;
  });
  return true;
}

void MusicPlayer::halt() {
  device_.stop();  // the device thread no longer reads the stream
  stream_.reset();
  finished_ = false;
}

bool MusicPlayer::isPlaying() const { return stream_ != nullptr && !finished_.load(); }

}  // namespace player
