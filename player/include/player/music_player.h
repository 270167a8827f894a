// Background music: one MP3 file decoded as it plays (mpg123) and played
// once through the audio back end, started and halted by the maker window's
// music toggle. Windows only.
#pragma once

#include <atomic>
#include <memory>
#include <string>

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
  // without a sound device plays it silently and still answers true.
  bool start(const std::string& path, std::string* error);
  void halt();

  // From start until halt or the end of the music (on a machine without a
  // sound device, until halt).
  bool isPlaying() const;

 private:
  std::unique_ptr<Mp3FileStream> stream_;
  AudioDevice device_;
  std::atomic<bool> finished_{false};
};

}  // namespace player
