// The movie's event sounds as one track of samples in step with its frames:
// the player starts and stops sounds through this output while the exporter
// steps it frame by frame, and a sound started in frame i begins at the
// track's sample round(i * rate / fps). MP3 sounds are decoded as they are
// mixed, a piece at a time, so music of any length takes little memory. Each
// sound is resampled to the track's rate and channels with libswresample and
// mixed in floating point.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "player/sound.h"

struct SwrContext;

namespace slidewright::exports {

class SoundTrack : public player::AudioOutput {
 public:
  // `fpsNum / fpsDen` frames per second.
  SoundTrack(int sampleRate, int channels, int64_t fpsNum, int64_t fpsDen);
  ~SoundTrack() override;
  SoundTrack(const SoundTrack&) = delete;
  SoundTrack& operator=(const SoundTrack&) = delete;

  // The frame the player is about to run: sounds it starts begin at its
  // first sample, and a stop it makes silences them from there.
  void setFrame(uint64_t frame) { frame_ = frame; }
  // First sample of frame `frame` (frame count: the end of the track).
  int64_t frameStart(uint64_t frame) const;

  void play(uint16_t soundId, std::shared_ptr<const player::PcmSound> sound) override;
  void setPaused(bool paused) override { paused_ = paused; }
  void stopAll() override;
  bool decodesMp3() const override { return true; }
  void playMp3(uint16_t soundId, std::shared_ptr<const player::Mp3Sound> sound) override;
  void unplayable(uint16_t soundId, const std::string& reason) override;

  // Mixes the samples of frame `frame` (interleaved floats, the track's
  // channels per sample; silence where no sound plays) into `out`, replacing
  // its contents. With `last`, sounds still playing at its end fade out over
  // its final milliseconds instead of ending in a click. Returns false if
  // resampling failed.
  bool mixFrame(uint64_t frame, bool last, std::vector<float>* out);

  // Sounds the movie started that are missing from the track, each with
  // why: not playable, not decodable or not resampled.
  const std::vector<std::string>& missingSounds() const { return missing_; }

 private:
  struct Voice;
  // Sets up the voice's resampler and starts it at the current frame.
  void start(uint16_t soundId, std::unique_ptr<Voice> v, int sourceRate);
  // Adds the voice's next `frames` samples (fewer at its end) into `acc`.
  bool pull(Voice& v, float* acc, size_t frames);

  int rate_, channels_;
  int64_t fpsNum_, fpsDen_;
  uint64_t frame_ = 0;
  bool paused_ = false;
  std::vector<std::string> missing_;
  std::vector<std::unique_ptr<Voice>> voices_;
};

}  // namespace slidewright::exports
