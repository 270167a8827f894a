// Background music: one MP3 file decoded as it plays (mpg123) and played
// once through the audio back end, started and halted by the maker window's
// music toggle. Windows only.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "player/audio_device.h"
#include "player/mp3_stream.h"

namespace player {

class MusicPlayer {
 public:
  MusicPlayer() = default;
  ~MusicPlayer() { halt(); }
  MusicPlayer(const MusicPlayer&) = delete;
  MusicPlayer& operator=(const MusicPlayer&) = delete;

  // Halts what plays and starts the file from its beginning. False, with a
  // message, when the file cannot be read or is not MPEG audio. A machine
  // without a sound device plays it silently, in its own time, and still
  // answers true.
  bool start(const std::string& path, std::string* error);
  void halt();

  // From start until halt or the end of the music, with or without a
  // sound device.
  bool isPlaying() const;

 private:
  // Without a sound device: decodes the music at the pace it would be
  // heard, so that it ends when it would have ended.
  void playSilently(PcmFormat format);

  std::unique_ptr<Mp3FileStream> stream_;
  AudioDevice device_;
  std::thread silent_;
  std::mutex silentMutex_;
  std::condition_variable silentWake_;
  bool stopSilent_ = false;  // guarded by silentMutex_
  std::atomic<bool> finished_{false};
};

}  // namespace player
