#include "sound_track.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "player/mp3_stream.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace slidewright::exports {

namespace {

// Sounds still playing when the video ends fade out over this long.
constexpr double kEndFadeSeconds = 0.02;
// Source samples handed to the resampler at a time.
constexpr size_t kFeedFrames = 8192;

}  // namespace

struct SoundTrack::Voice {
  uint16_t id = 0;
  std::shared_ptr<const player::PcmSound> pcm;    // decoded whole,
  std::unique_ptr<player::Mp3FileStream> stream;  // or decoded as it plays
  int64_t start = 0;                              // track sample where it begins
  int64_t end = INT64_MAX;                        // track sample where a stop cuts it
  int channels = 1;                               // of the resampled samples: the sound's own, 1 or 2
  SwrContext* swr = nullptr;
  size_t fed = 0;               // source sample frames handed to the resampler
  bool drained = false;         // the resampler has given everything
  std::vector<int16_t> source;  // the next source samples, in the voice's channels
  std::vector<float> ready;     // resampled, interleaved, not yet mixed
  size_t readyPos = 0;          // in floats

  ~Voice() { swr_free(&swr); }
  bool finished() const { return drained && readyPos >= ready.size(); }

  // Reads up to kFeedFrames source sample frames into `source`, keeping the
  // first two channels of a sound with more; returns how many (0 at the end).
  size_t readSource() {
    if (stream) {
      source.resize(kFeedFrames * size_t(channels));
      const size_t count = stream->read(source.data(), kFeedFrames);
      source.resize(count * size_t(channels));
      return count;
    }
    const size_t count = std::min(kFeedFrames, pcm->frames() - fed);
    const int16_t* from = pcm->samples.data() + fed * size_t(pcm->channels);
    source.resize(count * size_t(channels));
    for (size_t f = 0; f < count; ++f)
      for (int c = 0; c < channels; ++c)
        source[f * size_t(channels) + size_t(c)] = from[f * size_t(pcm->channels) + size_t(c)];
    return count;
  }
};

SoundTrack::SoundTrack(int sampleRate, int channels, int64_t fpsNum, int64_t fpsDen)
    : rate_(sampleRate), channels_(channels), fpsNum_(fpsNum), fpsDen_(fpsDen) {}

SoundTrack::~SoundTrack() = default;

int64_t SoundTrack::frameStart(uint64_t frame) const {
  // round(frame * rate * fpsDen / fpsNum) in 64-bit integers (32-bit targets
  // have no wider ones), exact for any length: whole multiples of fpsNum
  // frames start on whole samples, only the remainder is rounded.
  const uint64_t n = uint64_t(fpsNum_);
  const int64_t whole = int64_t(frame / n) * rate_ * fpsDen_;
  const int64_t part = int64_t(frame % n) * rate_ * fpsDen_;
  return whole + (2 * part + fpsNum_) / (2 * fpsNum_);
}

void SoundTrack::play(uint16_t soundId, std::shared_ptr<const player::PcmSound> sound) {
  if (!sound || sound->sampleRate <= 0 || sound->channels <= 0) return;
  auto v = std::make_unique<Voice>();
  v->channels = std::min(sound->channels, 2);
  const int rate = sound->sampleRate;
  v->pcm = std::move(sound);
  start(soundId, std::move(v), rate);
}

void SoundTrack::playMp3(uint16_t soundId, std::shared_ptr<const player::Mp3Sound> sound) {
  if (!sound) return;
  auto v = std::make_unique<Voice>();
  v->stream = std::make_unique<player::Mp3FileStream>();
  std::string error;
  if (!v->stream->openBytes(sound->data, 0, &error)) {
    unplayable(soundId, error);
    return;
  }
  v->channels = v->stream->channels();
  const int rate = v->stream->sampleRate();
  start(soundId, std::move(v), rate);
}

void SoundTrack::unplayable(uint16_t soundId, const std::string& reason) {
  missing_.push_back("sound " + std::to_string(soundId) + ": " + reason);
}

void SoundTrack::start(uint16_t soundId, std::unique_ptr<Voice> v, int sourceRate) {
  v->id = soundId;
  AVChannelLayout layout;
  av_channel_layout_default(&layout, v->channels);
  // Only the rate changes here; the channels are mapped while mixing, a
  // mono sound going to both sides at full level as the player plays it.
  if (swr_alloc_set_opts2(&v->swr, &layout, AV_SAMPLE_FMT_FLT, rate_, &layout, AV_SAMPLE_FMT_S16, sourceRate,
                          0, nullptr) < 0 ||
      swr_init(v->swr) < 0) {
    unplayable(soundId, "it cannot be resampled");
    return;
  }
  v->start = frameStart(frame_);
  voices_.push_back(std::move(v));
}

void SoundTrack::stopAll() {
  const int64_t at = frameStart(frame_);
  for (auto& v : voices_) v->end = std::min(v->end, at);
}

bool SoundTrack::pull(Voice& v, float* acc, size_t frames) {
  size_t done = 0;
  while (done < frames) {
    const size_t available = (v.ready.size() - v.readyPos) / size_t(v.channels);
    if (available == 0) {
      if (v.drained) break;
      // Hand the resampler the next source samples, or ask it for what it
      // still holds once they are all in.
      const size_t count = v.readSource();
      const int capacity = swr_get_out_samples(v.swr, int(count));
      if (capacity < 0) return false;
      v.ready.resize(size_t(capacity) * size_t(v.channels) + size_t(v.channels));
      v.readyPos = 0;
      uint8_t* out = reinterpret_cast<uint8_t*>(v.ready.data());
      const uint8_t* in = reinterpret_cast<const uint8_t*>(v.source.data());
      const int got = swr_convert(v.swr, &out, capacity + 1, count ? &in : nullptr, int(count));
      if (got < 0) return false;
      v.ready.resize(size_t(got) * size_t(v.channels));
      v.fed += count;
      if (count == 0 && got == 0) v.drained = true;
      continue;
    }
    const size_t take = std::min(available, frames - done);
    const float* s = v.ready.data() + v.readyPos;
    float* d = acc + done * size_t(channels_);
    if (v.channels == channels_) {
      for (size_t k = 0; k < take * size_t(channels_); ++k) d[k] += s[k];
    } else if (v.channels == 1) {  // mono sound, stereo track
      for (size_t f = 0; f < take; ++f) d[2 * f] += s[f], d[2 * f + 1] += s[f];
    } else {  // stereo sound, mono track
      for (size_t f = 0; f < take; ++f) d[f] += 0.5f * (s[2 * f] + s[2 * f + 1]);
    }
    v.readyPos += take * size_t(v.channels);
    done += take;
  }
  return true;
}

bool SoundTrack::mixFrame(uint64_t frame, bool last, std::vector<float>* out) {
  const int64_t first = frameStart(frame), next = frameStart(frame + 1);
  const size_t frames = size_t(next - first);
  out->assign(frames * size_t(channels_), 0.0f);
  if (paused_) return true;
  bool ok = true;
  for (auto& v : voices_) {
    const int64_t from = std::max(first, v->start), to = std::min(next, v->end);
    if (from >= to) continue;
    if (!pull(*v, out->data() + size_t(from - first) * size_t(channels_), size_t(to - from))) {
      unplayable(v->id, "it could not be resampled");
      ok = false;
      v->drained = true;
      v->ready.clear();
      v->readyPos = 0;
    }
  }
  voices_.erase(std::remove_if(voices_.begin(), voices_.end(),
                               [&](const auto& v) { return v->finished() || v->end <= next; }),
                voices_.end());
  if (last && !voices_.empty()) {
    const size_t fade = std::min(frames, size_t(kEndFadeSeconds * rate_));
    for (size_t f = 0; f < fade; ++f) {
      const float gain = float(fade - 1 - f) / float(fade);
      float* s = out->data() + (frames - fade + f) * size_t(channels_);
      for (int c = 0; c < channels_; ++c) s[c] *= gain;
    }
  }
  return ok;
}

}  // namespace slidewright::exports
