// The Windows audio back end: plays 16-bit PCM that it pulls from a fill
// function, on the system's default wave output device, from a thread of its
// own. A machine without a sound device is not an error: nothing is heard
// and nothing fails. Windows only; the header keeps <windows.h> out of its
// users.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace player {

struct PcmFormat {
  int sampleRate = 44100;
  int channels = 2;
};

class AudioDevice {
 public:
  // Fills `frames` frames (frames * channels samples); called on the
  // device's thread.
  using Fill = std::function<void(int16_t* out, size_t frames)>;

  AudioDevice();
  ~AudioDevice();  // stops
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  // Opens the default device in the format and starts pulling and playing.
  // Returns whether a device plays it; without one the call does nothing
  // else, and the later calls do nothing either.
  bool start(const PcmFormat& format, Fill fill);
  // Halts the device at once (what is queued waits) and resumes it.
  void pause();
  void resume();
  // Stops playing, drops what is queued and closes the device; the fill
  // function is not called after this returns.
  void stop();

  bool isOpen() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace player
