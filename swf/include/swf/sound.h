#pragma once

#include <swf/tag.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Fields of one MPEG audio frame header, decoded from the four header bytes
// read as a little-endian word (the frame's first byte in bits 0-7).
struct Mp3Header {
  unsigned version = 0;           // 3 = MPEG-1, 2 = MPEG-2, 0 = MPEG-2.5, 1 = reserved
  unsigned layer = 0;             // layer description bits
  std::uint32_t bitrate = 0;      // bits per second, 0 if unusable
  std::uint32_t sampleRate = 0;   // hertz, 0 if unusable
  std::uint32_t frameLength = 0;  // bytes, 0 if bitrate or sample rate is 0
  unsigned samplesPerFrame = 0;   // 1152 for MPEG-1, 576 otherwise
  unsigned channelMode = 0;       // 3 = single channel
};

Mp3Header decodeMp3Header(std::uint32_t header);

// DefineSound carrying a whole MP3 file as one event sound. The constructor
// walks the frame headers for the sample rate, channel mode and sample count.
//
// A sound whose file is no usable MP3 (unreadable, no frame, unsupported
// sample rate) is not loaded: isLoaded() is false, loadError() says why, every
// field is zero and it is written as a DefineSound with all fields zero and no
// data. Its character identifier is taken either way.
class SwfSound : public SwfCharacter {
 public:
  // Reads file from its current position to its end; nullptr loads nothing.
  // Takes the next identifier of ids (its movie's).
  SwfSound(SwfCharacterIds& ids, std::FILE* file);
  // Takes MP3 bytes already in memory.
  static std::unique_ptr<SwfSound> fromBytes(SwfCharacterIds& ids, const std::uint8_t* mp3, std::size_t size);
  ~SwfSound() override;

  bool isLoaded() const { return !data_.empty(); }
  const std::string& loadError() const { return error_; }

  std::uint8_t format() const { return format_; }
  std::uint8_t rate() const { return rate_; }
  std::uint8_t size() const { return size_; }
  std::uint8_t stereo() const { return stereo_; }
  std::uint32_t sampleCount() const { return sampleCount_; }
  // Two SeekSamples bytes (zero) followed by the file's bytes.
  const std::uint8_t* data() const { return data_.data(); }
  std::size_t dataSize() const { return data_.size(); }

  std::uint16_t characterId() const override { return id_; }
  void write(SwfStream& out) const override;

 private:
  void load(std::FILE* file);
  // Walks the frames of the file's bytes, held behind the SeekSamples word.
  void analyse(std::vector<std::uint8_t> data);
  void fail(const std::string& why);

  std::uint16_t id_;
  std::uint8_t format_ = 0, rate_ = 0, size_ = 0, stereo_ = 0;
  std::uint32_t sampleCount_ = 0;
  std::vector<std::uint8_t> data_;
  std::string error_;
};

// SOUNDENVELOPE point.
struct SwfSoundEnvelope {
  std::uint32_t pos44 = 0;
  std::uint16_t leftLevel = 0;
  std::uint16_t rightLevel = 0;
};

// How a sound is started. Each optional field that holds a value is written
// with its flag set. The record carries at most one envelope point, so the
// point count written comes from the point itself.
struct SwfSoundInfoData {
  bool syncStop = false;        // stop the sound instead of starting it
  bool syncNoMultiple = false;  // do not start it again while it plays
  std::optional<std::uint32_t> inPoint;
  std::optional<std::uint32_t> outPoint;
  std::optional<std::uint16_t> loopCount;
  std::optional<SwfSoundEnvelope> envelope;
};

// SOUNDINFO: the sync flags (Reserved(2), SyncStop, SyncNoMultiple) in four
// bits, then the flags and values of the optional fields.
class SwfSoundInfo {
 public:
  explicit SwfSoundInfo(const SwfSoundInfoData& info) : info_(info) {}
  // Start once, not if already playing: the album's music.
  static SwfSoundInfo noMultiple();

  void write(SwfStream& out) const;

 private:
  SwfSoundInfoData info_;
};

// StartSound.
class SwfStartSound : public SwfTag {
 public:
  SwfStartSound(std::uint16_t soundId, SwfSoundInfo info);
  void write(SwfStream& out) const override;

 private:
  std::uint16_t soundId_;
  SwfSoundInfo info_;
};

// SoundStreamHead written ahead of the DefineSound of the music.
class SwfSoundStreamHead : public SwfCharacter {
 public:
  SwfSoundStreamHead(std::uint8_t playback, std::uint8_t streamStereo, std::uint16_t streamSampleCount);
  // The head for sound: playback = stereo + 4 * rate + 2 * size, the sound's
  // channel type and its sample count cut to 16 bits.
  static std::unique_ptr<SwfSoundStreamHead> forSound(const SwfSound& sound);

  void write(SwfStream& out) const override;

 private:
  std::uint8_t playback_;
  std::uint8_t streamStereo_;
  std::uint16_t streamSampleCount_;
};
