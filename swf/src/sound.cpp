#include <swf/sound.h>
#include <swf/stream.h>
#include <swf/trace.h>

#include <algorithm>
#include <limits>
#include <new>

namespace {

// Layer III bit rates in kbit/s, by bit rate index.
constexpr std::uint16_t mpeg1Bitrates[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                             112, 128, 160, 192, 224, 256, 320, 0};
constexpr std::uint16_t mpeg2Bitrates[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
// Sample rates in Hz by version (0 = MPEG-2.5, 1 reserved, 2 = MPEG-2,
// 3 = MPEG-1) and sample rate index.
constexpr std::uint32_t sampleRates[4][4] = {
    {11025, 12000, 8000, 0}, {0, 0, 0, 0}, {22050, 24000, 16000, 0}, {44100, 48000, 32000, 0}};

// The DefineSound body is 7 bytes plus the data, under a 32-bit length.
constexpr std::uint64_t maxMp3Bytes = 0xFFFFFFFFull - 7 - 2;

std::uint32_t readWord(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Offset of the first frame sync at or after from where a whole four-byte
// header remains, or length if there is none. Never reads past length.
std::size_t findSync(const std::uint8_t* bytes, std::size_t length, std::size_t from) {
  if (length < 4) return length;
  for (std::size_t i = from; i <= length - 4; ++i)
    if (bytes[i] == 0xFF && (bytes[i + 1] & 0xE0) == 0xE0) return i;
  return length;
}

}  // namespace

Mp3Header decodeMp3Header(std::uint32_t h) {
  Mp3Header header;
  header.version = (h >> 11) & 3;
  header.layer = (h >> 9) & 3;
  const unsigned bitrateIndex = (h >> 20) & 0xF;
  header.bitrate = 1000u * (header.version == 3 ? mpeg1Bitrates[bitrateIndex] : mpeg2Bitrates[bitrateIndex]);
  header.sampleRate = sampleRates[header.version][(h >> 18) & 3];
  header.samplesPerFrame = header.version == 3 ? 1152 : 576;
  header.channelMode = h >> 30;
  if (header.bitrate != 0 && header.sampleRate != 0) {
    const std::uint32_t padding = (h >> 17) & 1;
    header.frameLength = (header.version == 3 ? 144u : 72u) * header.bitrate / header.sampleRate + padding;
  }
  return header;
}

SwfSound::SwfSound(SwfCharacterIds& ids, std::FILE* file) : id_(ids.next()) {
  if (file)
    load(file);
  else
    error_ = "no music file given";
}

SwfSound::~SwfSound() = default;

void SwfSound::fail(const std::string& why) {
  error_ = why;
  format_ = rate_ = size_ = stereo_ = 0;
  sampleCount_ = 0;
  data_.clear();
  data_.shrink_to_fit();
}

void SwfSound::load(std::FILE* file) {
  const long start = std::ftell(file);
  if (start < 0 || std::fseek(file, 0, SEEK_END) != 0) {
    fail("cannot determine the size of the music file");
    return;
  }
  const long end = std::ftell(file);
  if (end < start || std::fseek(file, start, SEEK_SET) != 0) {
    fail("cannot determine the size of the music file");
    return;
  }
  const std::uint64_t length = static_cast<std::uint64_t>(end - start);
  if (length > maxMp3Bytes || length > std::numeric_limits<std::size_t>::max() - 2) {
    fail("the music file is too large");
    return;
  }

  std::vector<std::uint8_t> data;
  try {
    data.resize(static_cast<std::size_t>(length) + 2);  // SeekSamples word, then the file
  } catch (const std::bad_alloc&) {
    swfTrace("Memory allocation failure\n");
    fail("not enough memory for the music file");
    return;
  }
  const std::size_t fileLength = static_cast<std::size_t>(length);
  std::uint8_t* bytes = data.data() + 2;
  if (std::fread(bytes, 1, fileLength, file) != fileLength) {
    fail("cannot read the music file");
    return;
  }

  analyse(std::move(data));
}

std::unique_ptr<SwfSound> SwfSound::fromBytes(SwfCharacterIds& ids, const std::uint8_t* mp3,
                                              std::size_t size) {
  std::unique_ptr<SwfSound> sound(new SwfSound(ids, nullptr));
  sound->error_.clear();
  if (size > maxMp3Bytes) {
    sound->fail("the music is too large");
    return sound;
  }
  std::vector<std::uint8_t> data(size + 2);
  std::copy(mp3, mp3 + size, data.begin() + 2);
  sound->analyse(std::move(data));
  return sound;
}

void SwfSound::analyse(std::vector<std::uint8_t> data) {
  const std::size_t fileLength = data.size() - 2;
  const std::uint8_t* bytes = data.data() + 2;
  const std::size_t first = findSync(bytes, fileLength, 0);
  if (first == fileLength) {
    swfTrace("Not an MP3 format file\n");
    fail("the music file is not an MP3 file");
    return;
  }
  const Mp3Header firstHeader = decodeMp3Header(readWord(bytes + first));
  switch (firstHeader.sampleRate / 5000) {
    case 1:
      rate_ = 0;
      break;
    case 2:
      rate_ = 1;
      break;
    case 4:
      rate_ = 2;
      break;
    case 8:
      rate_ = 3;
      break;
    default:
      swfTrace("Sample rate " + std::to_string(firstHeader.sampleRate) + " unsupported\n");
      fail("the music's sample rate of " + std::to_string(firstHeader.sampleRate) +
           " Hz is not supported (8000, 11025, 12000, 22050, 24000 and 44100 Hz are)");
      return;
  }

  format_ = 2;
  std::uint64_t samples = 0;
  std::size_t offset = 0;
  while (offset < fileLength) {
    const std::size_t frame = findSync(bytes, fileLength, offset);
    if (frame == fileLength) break;
    const Mp3Header header = decodeMp3Header(readWord(bytes + frame));
    samples += header.samplesPerFrame;
    if (header.frameLength == 0) break;
    offset = frame + header.frameLength;  // frameLength < 2^16: no overflow
  }
  sampleCount_ = samples > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(samples);
  size_ = 1;
  stereo_ = firstHeader.channelMode != 3 ? 1 : 0;
  data_ = std::move(data);
}

void SwfSound::write(SwfStream& out) const {
  SwfStream body;
  body.writeU16(id_);
  body.writeBits(format_, 4);
  body.writeBits(rate_, 2);
  body.writeBits(size_, 1);
  body.writeBits(stereo_, 1);
  body.writeU32(sampleCount_);
  if (!data_.empty()) body.appendChunk(data_.data(), data_.size());
  writeTag(out, swfTagDefineSound, body);
}

SwfSoundInfo SwfSoundInfo::noMultiple() {
  SwfSoundInfoData info;
  info.syncNoMultiple = true;
  return SwfSoundInfo(info);
}

void SwfSoundInfo::write(SwfStream& out) const {
  out.writeBits(0, 2);  // reserved
  out.writeBits(info_.syncStop, 1);
  out.writeBits(info_.syncNoMultiple, 1);
  out.writeBits(info_.envelope.has_value(), 1);
  out.writeBits(info_.loopCount.has_value(), 1);
  out.writeBits(info_.outPoint.has_value(), 1);
  out.writeBits(info_.inPoint.has_value(), 1);
  if (info_.inPoint) out.writeU32(*info_.inPoint);
  if (info_.outPoint) out.writeU32(*info_.outPoint);
  if (info_.loopCount) out.writeU16(*info_.loopCount);
  if (info_.envelope) {
    out.writeU8(1);  // one point
    out.writeU32(info_.envelope->pos44);
    out.writeU16(info_.envelope->leftLevel);
    out.writeU16(info_.envelope->rightLevel);
  }
}

SwfStartSound::SwfStartSound(std::uint16_t soundId, SwfSoundInfo info)
    : soundId_(soundId), info_(std::move(info)) {}

void SwfStartSound::write(SwfStream& out) const {
  SwfStream body;
  body.writeU16(soundId_);
  info_.write(body);
  writeTag(out, swfTagStartSound, body);
}

SwfSoundStreamHead::SwfSoundStreamHead(std::uint8_t playback, std::uint8_t streamStereo,
                                       std::uint16_t streamSampleCount)
    : playback_(playback), streamStereo_(streamStereo), streamSampleCount_(streamSampleCount) {}

std::unique_ptr<SwfSoundStreamHead> SwfSoundStreamHead::forSound(const SwfSound& sound) {
  const auto playback = static_cast<std::uint8_t>(sound.stereo() + 4 * sound.rate() + 2 * sound.size());
  return std::make_unique<SwfSoundStreamHead>(playback, sound.stereo(),
                                              static_cast<std::uint16_t>(sound.sampleCount() & 0xFFFF));
}

void SwfSoundStreamHead::write(SwfStream& out) const {
  SwfStream body;
  body.writeU8(playback_);
  body.writeBits(1, 4);  // StreamSoundCompression
  body.writeBits(0, 2);  // StreamSoundRate
  body.writeBits(1, 1);  // StreamSoundSize
  body.writeBits(streamStereo_, 1);
  body.writeU16(streamSampleCount_);
  writeTag(out, swfTagSoundStreamHead, body);
}
