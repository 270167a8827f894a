#include "player/sound.h"

#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/mpeg_audio.h"
#include "mpg123_feed.h"

namespace player {

bool walkMp3Frames(const uint8_t* data, size_t size, Mp3Summary* out) {
  *out = Mp3Summary{};
  slidewright::MpegAudioHeader h;
  size_t i = 0;
  // The first frame: a valid header whose successor (if any data follows) is valid too.
  for (;; ++i) {
    if (i + 4 > size) return false;
    if (!slidewright::decodeMpegAudioHeader(data + i, &h)) continue;
    size_t next = i + size_t(h.length);
    slidewright::MpegAudioHeader h2;
    if (next + 4 <= size && !slidewright::decodeMpegAudioHeader(data + next, &h2)) continue;
    break;
  }
  out->firstFrameOffset = i;
  out->sampleRate = h.sampleRate;
  out->channels = h.channels;
  while (i + 4 <= size && slidewright::decodeMpegAudioHeader(data + i, &h) && size_t(h.length) <= size - i) {
    out->frames++;
    out->samples += uint64_t(h.samples);
    i += size_t(h.length);
    out->endOffset = i;
  }
  return out->frames > 0;
}

bool decodeMp3(const uint8_t* data, size_t size, PcmSound* out, std::string* error,
               const SoundLimits& limits) {
  Mpg123Handle m;
  if (!openFeedDecoder(m)) {
    *error = "MP3 decoder cannot start";
    return false;
  }
  *out = PcmSound{};
  std::vector<unsigned char> buf(1 << 16);
  size_t fed = 0;
  bool formatKnown = false;
  for (;;) {
    size_t got = 0;
    const unsigned char* in = nullptr;
    size_t inSize = 0;
    if (fed < size) {
      in = data + fed;
      inSize = std::min<size_t>(size - fed, 1 << 16);
      fed += inSize;
    }
    const int rc = mpg123_decode(m.h, in, inSize, buf.data(), buf.size(), &got);
    if (rc == MPG123_NEW_FORMAT) {
      long rate;
      int channels, enc;
      mpg123_getformat(m.h, &rate, &channels, &enc);
      if (formatKnown && (rate != out->sampleRate || channels != out->channels)) break;
      out->sampleRate = int(rate);
      out->channels = channels;
      formatKnown = true;
    }
    if (got) {
      if (out->samples.size() + got / 2 > limits.maxSamples) {
        *error = "decoded sound exceeds the size limit";
        return false;
      }
      const int16_t* s = reinterpret_cast<const int16_t*>(buf.data());
      out->samples.insert(out->samples.end(), s, s + got / 2);
    }
    if (rc == MPG123_ERR) {
      if (out->samples.empty()) {
        *error = std::string("MP3 data cannot be decoded: ") + mpg123_strerror(m.h);
        return false;
      }
      break;  // keep what decoded before the damage
    }
    if (rc == MPG123_NEED_MORE && fed >= size) break;
    if (rc == MPG123_DONE) break;
  }
  if (!formatKnown || out->samples.empty()) {
    *error = "no MP3 audio frames found";
    return false;
  }
  out->samples.resize(out->frames() * size_t(out->channels));
  return true;
}

void SoundMixer::play(uint16_t soundId, std::shared_ptr<const PcmSound> sound) {
  if (!sound || sound->frames() == 0) return;
  std::lock_guard<std::mutex> lock(mutex_);
  voices_.push_back({soundId, std::move(sound), 0.0});
}

void SoundMixer::setPaused(bool paused) {
  std::lock_guard<std::mutex> lock(mutex_);
  paused_ = paused;
}

void SoundMixer::stopAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  voices_.clear();
}

size_t SoundMixer::voiceCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return voices_.size();
}

void SoundMixer::mix(int16_t* out, size_t frames) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<int32_t> acc(frames * 2, 0);
  if (!paused_) {
    for (Voice& v : voices_) {
      const PcmSound& s = *v.sound;
      const size_t n = s.frames();
      const double step = double(s.sampleRate) / rate_;
      for (size_t f = 0; f < frames; ++f) {
        size_t i = size_t(v.position);
        if (i >= n) break;
        // Linear interpolation between neighbouring source frames.
        double t = v.position - double(i);
        size_t j = i + 1 < n ? i + 1 : i;
        int l0 = s.samples[i * s.channels], l1 = s.samples[j * s.channels];
        int r0 = s.channels > 1 ? s.samples[i * s.channels + 1] : l0;
        int r1 = s.channels > 1 ? s.samples[j * s.channels + 1] : l1;
        acc[2 * f] += int32_t(std::lround(l0 + (l1 - l0) * t));
        acc[2 * f + 1] += int32_t(std::lround(r0 + (r1 - r0) * t));
        v.position += step;
      }
    }
    voices_.erase(std::remove_if(voices_.begin(), voices_.end(),
                                 [](const Voice& v) { return size_t(v.position) >= v.sound->frames(); }),
                  voices_.end());
  }
  for (size_t k = 0; k < frames * 2; ++k) out[k] = int16_t(std::max(-32768, std::min(32767, acc[k])));
}

}  // namespace player
