// The movie's event sounds as one track of samples in step with its frames:
// the player starts and stops sounds through this output while the exporter
// steps it frame by frame, and a sound started in frame i begins at the
// track's sample round(i * rate / fps). Each sound is resampled to the
// track's rate and channels with libswresample and mixed in floating point.
#pragma once

#include <cstdint>
#include <memory>
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

  // Mixes the samples of frame `frame` (interleaved floats, the track's
  // channels per sample; silence where no sound plays) into `out`, replacing
  // its contents. With `last`, sounds still playing at its end fade out over
  // its final milliseconds instead of ending in a click. Returns false if
  // resampling failed.
  bool mixFrame(uint64_t frame, bool last, std::vector<float>* out);

  // Sounds that could not be resampled (the track goes on without them).
  int failedSounds() const { return failed_; }

 private:
  struct Voice;
  // Adds the voice's next `frames` samples (fewer at its end) into `acc`.
  bool pull(Voice& v, float* acc, size_t frames);

  int rate_, channels_;
  int64_t fpsNum_, fpsDen_;
  uint64_t frame_ = 0;
  bool paused_ = false;
  int failed_ = 0;
  std::vector<std::unique_ptr<Voice>> voices_;
};

}  // namespace slidewright::exports
