#include "player/music_player.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace player {

bool MusicPlayer::start(const std::string& path, std::string* error) {
  halt();
  auto stream = std::make_unique<Mp3FileStream>();
  if (!stream->open(path, error)) return false;
  stream_ = std::move(stream);
  finished_ = false;
  Mp3FileStream* s = stream_.get();
  const PcmFormat format{s->sampleRate(), s->channels()};
  const bool heard = device_.start(format, [this, s, format](int16_t* out, size_t frames) {
    const size_t got = s->read(out, frames);
    std::fill(out + got * size_t(format.channels), out + frames * size_t(format.channels), int16_t(0));
    if (got < frames) finished_ = true;
  });
  if (!heard) {
    stopSilent_ = false;  // no other thread runs yet
    silent_ = std::thread([this, format] { playSilently(format); });
  }
  return true;
}

void MusicPlayer::playSilently(PcmFormat format) {
  constexpr int kStepMs = 100;
  const size_t frames = size_t(format.sampleRate) * kStepMs / 1000;
  std::vector<int16_t> buffer(frames * size_t(std::max(format.channels, 1)));
  auto next = std::chrono::steady_clock::now();
  std::unique_lock<std::mutex> lock(silentMutex_);
  while (!stopSilent_) {
    if (stream_->read(buffer.data(), frames) < frames) {
      finished_ = true;
      return;
    }
    next += std::chrono::milliseconds(kStepMs);
    silentWake_.wait_until(lock, next, [this] { return stopSilent_; });
  }
}

void MusicPlayer::halt() {
  device_.stop();  // the device thread no longer reads the stream
  if (silent_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(silentMutex_);
      stopSilent_ = true;
    }
    silentWake_.notify_all();
    silent_.join();
  }
  stream_.reset();
  finished_ = false;
}

bool MusicPlayer::isPlaying() const { return stream_ != nullptr && !finished_.load(); }

}  // namespace player
