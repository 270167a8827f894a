// Event sounds: MP3 data of DefineSound tags decoded to PCM, and the small
// audio-output interface the player starts, pauses and stops them through.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace player {

// Summary of the MPEG audio frames found in a byte range.
struct Mp3Summary {
  uint32_t frames = 0;
  uint64_t samples = 0;  // per channel
  int sampleRate = 0;    // of the first frame
  int channels = 0;      // of the first frame
  size_t firstFrameOffset = 0;
  size_t endOffset = 0;  // end of the last whole frame
};

// Walks MPEG audio layer I/II/III frame headers from the first valid one,
// checking each header fully (version, layer, bit rate, sample rate), and
// stops at the first byte that does not start a frame that fits the data.
// Returns false if no frame is found.
bool walkMp3Frames(const uint8_t* data, size_t size, Mp3Summary* out);

// Decoded sound: interleaved signed 16-bit samples.
struct PcmSound {
  int sampleRate = 0;
  int channels = 0;
  std::vector<int16_t> samples;
  size_t frames() const { return channels ? samples.size() / size_t(channels) : 0; }
  double seconds() const { return sampleRate ? double(frames()) / sampleRate : 0.0; }
};

struct SoundLimits {
  // Largest decoded size accepted, in samples over all channels.
  size_t maxSamples = size_t(64) << 20;
};

// Decodes MP3 data (without the two-byte SeekSamples word) with mpg123.
bool decodeMp3(const uint8_t* data, size_t size, PcmSound* out, std::string* error,
               const SoundLimits& limits = {});

// A sound's MP3 data as the movie holds it (without the SeekSamples word),
// for outputs that decode it as they play.
struct Mp3Sound {
  std::shared_ptr<const std::vector<uint8_t>> data;
  int sampleRate = 0;   // of the first frame
  int channels = 0;     // of the first frame
  uint64_t frames = 0;  // sample frames, counted from the frame headers
  double seconds() const { return sampleRate ? double(frames) / sampleRate : 0.0; }
};

// Where the player sends its sounds. Calls come from the player's thread;
// an implementation that plays on another thread does its own locking.
class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  // Starts playing a sound from its beginning, mixed with what plays already.
  virtual void play(uint16_t soundId, std::shared_ptr<const PcmSound> sound) = 0;
  virtual void setPaused(bool paused) = 0;
  virtual void stopAll() = 0;

  // An output that decodes as it mixes says so here; the player then hands
  // it MP3 sounds through playMp3 instead of decoding them whole, so that
  // music of any length is never held as PCM.
  virtual bool decodesMp3() const { return false; }
  virtual void playMp3(uint16_t, std::shared_ptr<const Mp3Sound>) {}
  // A sound the movie starts that cannot be played (not MP3, no audio in
  // it, too long to decode whole), with the reason; told once per sound.
  virtual void unplayable(uint16_t, const std::string&) {}
};

// Plays nothing.
class NullAudioOutput : public AudioOutput {
 public:
  void play(uint16_t, std::shared_ptr<const PcmSound>) override {}
  void setPaused(bool) override {}
  void stopAll() override {}
};

// Mixes the playing sounds into a 16-bit stereo stream at a fixed rate on
// request; a platform back end pulls from it, and tests read it directly.
class SoundMixer : public AudioOutput {
 public:
  explicit SoundMixer(int outputRate = 44100) : rate_(outputRate) {}
  void play(uint16_t soundId, std::shared_ptr<const PcmSound> sound) override;
  void setPaused(bool paused) override;
  void stopAll() override;
  // Fills `frames` stereo frames (2 * frames samples); silence when paused.
  void mix(int16_t* out, size_t frames);
  int outputRate() const { return rate_; }
  size_t voiceCount() const;

 private:
  struct Voice {
    uint16_t id;
    std::shared_ptr<const PcmSound> sound;
    double position;  // in source frames
  };
  mutable std::mutex mutex_;
  int rate_;
  bool paused_ = false;
  std::vector<Voice> voices_;
};

// Records what the player asked for, for tests; also mixes like SoundMixer.
class CaptureAudioOutput : public SoundMixer {
 public:
  struct Event {
    enum Kind { Play, Pause, Resume, Stop } kind;
    uint16_t soundId;
  };
  void play(uint16_t soundId, std::shared_ptr<const PcmSound> sound) override {
    events.push_back({Event::Play, soundId});
    SoundMixer::play(soundId, std::move(sound));
  }
  void setPaused(bool paused) override {
    events.push_back({paused ? Event::Pause : Event::Resume, 0});
    SoundMixer::setPaused(paused);
  }
  void stopAll() override {
    events.push_back({Event::Stop, 0});
    SoundMixer::stopAll();
  }
  std::vector<Event> events;
};

}  // namespace player
