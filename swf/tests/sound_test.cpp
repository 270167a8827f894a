#include "support.h"

#include <swf/sound.h>

#include <gtest/gtest.h>

#include <random>

namespace {

// Header fields of an MPEG audio frame, Layer III without CRC.
struct Frame {
  unsigned version = 3;  // MPEG-1
  unsigned bitrateIndex = 9;
  unsigned rateIndex = 0;
  bool padding = false;
  unsigned mode = 0;  // stereo
};

Bytes header(const Frame& f) {
  return {0xFF, static_cast<std::uint8_t>(0b111'00'01'1 | f.version << 3),
          static_cast<std::uint8_t>(f.bitrateIndex << 4 | f.rateIndex << 2 | f.padding << 1),
          static_cast<std::uint8_t>(f.mode << 6)};
}

std::uint32_t word(const Bytes& h) {
  return h[0] | h[1] << 8 | h[2] << 16 | static_cast<std::uint32_t>(h[3]) << 24;
}

// count whole frames, each padded with zeros to its length.
Bytes frames(const Frame& f, int count) {
  const Bytes h = header(f);
  const std::uint32_t length = decodeMp3Header(word(h)).frameLength;
  Bytes frame = h;
  frame.resize(length, 0);
  Bytes all;
  for (int i = 0; i < count; ++i) all.insert(all.end(), frame.begin(), frame.end());
  return all;
}

std::unique_ptr<SwfSound> load(const Bytes& file) {
  SwfCharacterIds ids;
  return SwfSound::fromBytes(ids, file.data(), file.size());
}

class SwfSoundTest : public ::testing::Test {
 protected:
  SwfCharacterIds ids;
};

}  // namespace

TEST(Mp3HeaderDecoding, FieldsAndFrameLength) {
  const Mp3Header padded = decodeMp3Header(word(header({3, 9, 0, true, 0})));
  EXPECT_EQ(padded.version, 3u);
  EXPECT_EQ(padded.layer, 1u);  // Layer III
  EXPECT_EQ(padded.bitrate, 128000u);
  EXPECT_EQ(padded.sampleRate, 44100u);
  EXPECT_EQ(padded.frameLength, 418u);  // 144 * 128000 / 44100 = 417, plus padding
  EXPECT_EQ(padded.samplesPerFrame, 1152u);

  const Mp3Header mono22 = decodeMp3Header(word(header({2, 4, 0, false, 3})));
  EXPECT_EQ(mono22.bitrate, 32000u);
  EXPECT_EQ(mono22.sampleRate, 22050u);
  EXPECT_EQ(mono22.frameLength, 72u * 32000 / 22050);
  EXPECT_EQ(mono22.samplesPerFrame, 576u);
  EXPECT_EQ(mono22.channelMode, 3u);

  EXPECT_EQ(decodeMp3Header(word(header({0, 14, 2, false, 0}))).sampleRate, 8000u);
  // Unusable bit rate or sample rate: no frame length.
  EXPECT_EQ(decodeMp3Header(word(header({3, 15, 0, false, 0}))).frameLength, 0u);
  EXPECT_EQ(decodeMp3Header(word(header({3, 0, 0, false, 0}))).frameLength, 0u);
  EXPECT_EQ(decodeMp3Header(word(header({1, 9, 0, false, 0}))).sampleRate, 0u);
  EXPECT_EQ(decodeMp3Header(word(header({3, 9, 3, false, 0}))).frameLength, 0u);
}

TEST_F(SwfSoundTest, StereoMpeg1At44kHz) {
  const Bytes file = frames({3, 9, 0, false, 0}, 100);
  const auto sound = load(file);
  ASSERT_TRUE(sound->isLoaded()) << sound->loadError();
  EXPECT_EQ(sound->format(), 2);
  EXPECT_EQ(sound->rate(), 3);
  EXPECT_EQ(sound->size(), 1);
  EXPECT_EQ(sound->stereo(), 1);
  EXPECT_EQ(sound->sampleCount(), 115200u);
  EXPECT_EQ(sound->dataSize(), file.size() + 2);

  const Bytes tag = tagBytes(*sound);
  const std::uint32_t length = 7 + 2 + static_cast<std::uint32_t>(file.size());
  EXPECT_EQ(Bytes(tag.begin(), tag.begin() + 15),
            concat({{0xBF, 0x03},  // DefineSound, long form
                    {static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                     static_cast<std::uint8_t>(length >> 16), 0x00},
                    {0x01, 0x00},              // id 1
                    {0b0010'11'1'1},           // MP3, 44 kHz, 16-bit, stereo
                    {0x00, 0xC2, 0x01, 0x00},  // 115200 samples
                    {0x00, 0x00}}));           // SeekSamples
  EXPECT_EQ(Bytes(tag.begin() + 15, tag.end()), file);

  // The music reaches the output as a chunk of the sound's own buffer.
  SwfStream stream;
  sound->write(stream);
  ASSERT_EQ(stream.chunks().size(), 1u);
  EXPECT_EQ(stream.chunks()[0].data, sound->data());
  EXPECT_EQ(stream.committed(), 6u + 7);
}

TEST_F(SwfSoundTest, SingleChannelMpeg2At22kHz) {
  const auto sound = load(frames({2, 4, 0, false, 3}, 10));
  ASSERT_TRUE(sound->isLoaded());
  EXPECT_EQ(sound->rate(), 2);
  EXPECT_EQ(sound->stereo(), 0);
  EXPECT_EQ(sound->sampleCount(), 5760u);
}

TEST_F(SwfSoundTest, SampleRatesMapToTheirCodesOrAreRefused) {
  struct Case {
    unsigned version, rateIndex;
    int code;  // -1: refused
  };
  const Case cases[] = {{0, 2, 0}, {0, 0, 1},  {0, 1, 1},  {2, 0, 2}, {2, 1, 2},
                        {3, 0, 3}, {2, 2, -1}, {3, 2, -1}, {3, 1, -1}};
  for (const Case& c : cases) {
    const auto sound = load(frames({c.version, 5, c.rateIndex, false, 0}, 3));
    if (c.code < 0) {
      EXPECT_FALSE(sound->isLoaded()) << c.version << "/" << c.rateIndex;
      EXPECT_NE(sound->loadError().find("Hz"), std::string::npos);
    } else {
      ASSERT_TRUE(sound->isLoaded()) << c.version << "/" << c.rateIndex;
      EXPECT_EQ(sound->rate(), c.code);
    }
  }
}

TEST_F(SwfSoundTest, RefusedSoundIsWrittenEmpty) {
  const auto sound = load(frames({3, 9, 2, false, 0}, 5));  // 32 kHz
  EXPECT_FALSE(sound->isLoaded());
  EXPECT_EQ(sound->characterId(), 1);  // taken whatever the outcome
  EXPECT_EQ(sound->format(), 0);
  EXPECT_EQ(sound->sampleCount(), 0u);
  EXPECT_EQ(sound->dataSize(), 0u);
  EXPECT_EQ(tagBytes(*sound), Bytes({0x87, 0x03,  // DefineSound, length 7
                                     0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST_F(SwfSoundTest, BytesAroundTheFramesAreKeptButNotCounted) {
  const Bytes tag3{'I', 'D', '3', 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 1, 2, 3, 4, 5};
  const Bytes trailer{'T', 'A', 'G', 0x00, 0xFF, 0x00, 0x12};
  const Bytes file = concat({tag3, frames({3, 9, 0, true, 1}, 7), trailer});
  const auto sound = load(file);
  ASSERT_TRUE(sound->isLoaded());
  EXPECT_EQ(sound->sampleCount(), 7u * 1152);
  EXPECT_EQ(Bytes(sound->data(), sound->data() + sound->dataSize()), concat({{0x00, 0x00}, file}));
}

TEST_F(SwfSoundTest, NoFrameSyncIsNotAnMp3) {
  const auto sound = load(Bytes{0x00, 0xFF, 0xDF, 0xFF, 0x10, 0xFF, 0x00, 0xE0, 0x00});
  EXPECT_FALSE(sound->isLoaded());
  EXPECT_NE(sound->loadError().find("not an MP3"), std::string::npos);
  EXPECT_EQ(tagBytes(*sound).size(), 2u + 7);
}

TEST_F(SwfSoundTest, ReadsAnOpenFileFromItsPosition) {
  ScratchDir dir;
  const Bytes music = frames({3, 9, 0, false, 0}, 4);
  OpenFile file(dir, "music.mp3", concat({{1, 2, 3}, music}));
  std::fseek(file.get(), 3, SEEK_SET);
  const SwfSound sound(ids, file.get());
  ASSERT_TRUE(sound.isLoaded());
  EXPECT_EQ(sound.dataSize(), music.size() + 2);
  EXPECT_EQ(sound.sampleCount(), 4u * 1152);
}

TEST_F(SwfSoundTest, UnreadableFileLeavesAnEmptySound) {
  ScratchDir dir;
  OpenFile writeOnly(dir, "music.mp3", frames({3, 9, 0, false, 0}, 4), "ab");
  std::fseek(writeOnly.get(), 0, SEEK_SET);
  const SwfSound unreadable(ids, writeOnly.get());
  const SwfSound none(ids, nullptr);
  for (const SwfSound* sound : {&unreadable, &none}) {
    EXPECT_FALSE(sound->isLoaded());
    EXPECT_FALSE(sound->loadError().empty());
    EXPECT_EQ(sound->format(), 0);
    EXPECT_EQ(sound->dataSize(), 0u);
    EXPECT_EQ(tagBytes(*sound).size(), 2u + 7);
  }
}

// The loader must stay inside its buffer whatever the file holds; the tests
// are built with the address sanitizer where it is available.
TEST_F(SwfSoundTest, TinyFilesAreNotMp3s) {
  const std::uint8_t alphabet[] = {0xFF, 0xE0, 0xFB, 0x00};
  for (std::size_t length = 0; length <= 3; ++length) {
    std::size_t combinations = 1;
    for (std::size_t i = 0; i < length; ++i) combinations *= 4;
    for (std::size_t n = 0; n < combinations; ++n) {
      Bytes file;
      for (std::size_t i = 0, k = n; i < length; ++i, k /= 4) file.push_back(alphabet[k % 4]);
      EXPECT_FALSE(load(file)->isLoaded());
    }
  }
}

TEST_F(SwfSoundTest, SyncInTheLastThreeBytesIsIgnored) {
  EXPECT_FALSE(load(Bytes{0x00, 0x00, 0xFF, 0xFB, 0x90})->isLoaded());
  const auto sound = load(concat({frames({3, 9, 0, false, 0}, 2), {0xFF, 0xFB, 0x90}}));
  ASSERT_TRUE(sound->isLoaded());
  EXPECT_EQ(sound->sampleCount(), 2u * 1152);
}

TEST_F(SwfSoundTest, FrameLongerThanTheFileEndsTheWalk) {
  // 160 kbit/s at 8 kHz announces 1440 bytes; the file has 10.
  const auto sound = load(concat({header({0, 14, 2, false, 0}), Bytes(6, 0)}));
  ASSERT_TRUE(sound->isLoaded());
  EXPECT_EQ(sound->sampleCount(), 576u);
}

TEST_F(SwfSoundTest, EveryHeaderVariantGivesAConsistentResult) {
  for (unsigned b1 = 0xE0; b1 <= 0xFF; ++b1) {
    for (unsigned b2 = 0; b2 <= 0xFF; ++b2) {
      for (unsigned b3 : {0x00u, 0x40u, 0x80u, 0xC0u}) {
        const Bytes h{0xFF, static_cast<std::uint8_t>(b1), static_cast<std::uint8_t>(b2),
                      static_cast<std::uint8_t>(b3)};
        const Mp3Header decoded = decodeMp3Header(word(h));
        const unsigned band = decoded.sampleRate / 5000;
        const bool supported = band == 1 || band == 2 || band == 4 || band == 8;
        // The header alone, and followed by a sync cut short.
        for (const Bytes& file : {h, concat({h, {0xFF, 0xFF, 0xFF}})}) {
          const auto sound = load(file);
          ASSERT_EQ(sound->isLoaded(), supported) << std::hex << b1 << " " << b2;
          if (supported) {
            EXPECT_GE(sound->sampleCount(), decoded.samplesPerFrame);
            EXPECT_EQ(sound->stereo(), decoded.channelMode != 3 ? 1 : 0);
          }
        }
      }
    }
  }
}

TEST_F(SwfSoundTest, RandomBytesAreHandled) {
  std::mt19937 random(20261208);
  Bytes big(1 << 20);
  for (auto& b : big) b = static_cast<std::uint8_t>(random());
  const auto sound = load(big);
  EXPECT_EQ(sound->isLoaded(), sound->format() == 2);

  // Short files dense with sync bytes.
  const std::uint8_t dense[] = {0xFF, 0xFF, 0xE2, 0xF3, 0xFB, 0x90, 0x64, 0x00, 0xC4};
  for (int trial = 0; trial < 20000; ++trial) {
    Bytes file(random() % 48);
    for (auto& b : file) b = dense[random() % sizeof dense];
    const auto s = load(file);
    if (s->isLoaded())
      EXPECT_EQ(s->dataSize(), file.size() + 2);
    else
      EXPECT_EQ(s->dataSize(), 0u);
  }
}

TEST_F(SwfSoundTest, StreamHeadTakesItsFieldsFromTheSound) {
  const auto music = load(frames({3, 9, 0, false, 0}, 100));
  EXPECT_EQ(tagBytes(*SwfSoundStreamHead::forSound(*music)),
            Bytes({0x84, 0x04, 0x0F, 0x13, 0x00, 0xC2}));  // 115200 cut to 16 bits

  const auto mono = load(frames({2, 4, 0, false, 3}, 3));
  EXPECT_EQ(tagBytes(*SwfSoundStreamHead::forSound(*mono)),
            Bytes({0x84, 0x04, 0x0A, 0x12, 0xC0, 0x06}));  // 1728 samples

  const auto refused = load(frames({3, 9, 2, false, 0}, 3));
  EXPECT_EQ(tagBytes(*SwfSoundStreamHead::forSound(*refused)), Bytes({0x84, 0x04, 0x00, 0x12, 0x00, 0x00}));
}
