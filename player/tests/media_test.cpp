#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "media/jpeg_writer.h"
#include "player/jpeg.h"
#include "player/sound.h"

using namespace player;

namespace {

using Bytes = std::vector<uint8_t>;

// A 16 x 8 JPEG: left half red, right half blue.
Bytes makeJpeg(int w = 16, int h = 8) {
  std::vector<uint8_t> rgb(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      rgb[(size_t(y) * w + x) * 3] = x < w / 2 ? 255 : 0;
      rgb[(size_t(y) * w + x) * 3 + 2] = x < w / 2 ? 0 : 255;
    }
  slidewright::media::JpegEncodeSettings settings;
  settings.quality = 95;
  return slidewright::media::encodeJpeg({w, h, 3, rgb.data()}, settings).value();
}

Bytes silentFrames(int n) {
  Bytes out;
  for (int i = 0; i < n; ++i) {
    const uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x64};  // MPEG-1 layer III, 128 kbit/s, 44.1 kHz
    out.insert(out.end(), header, header + 4);
    out.insert(out.end(), 413, 0);
  }
  return out;
}

}  // namespace

TEST(Jpeg, DecodesPictureDataAsBitmapTagsCarryIt) {
  Bytes plain = makeJpeg();
  // As the album writer stores it: an empty end/start pair in front, and an
  // extra end marker behind the file's own.
  Bytes wrapped = {0xFF, 0xD9, 0xFF, 0xD8};
  wrapped.insert(wrapped.end(), plain.begin(), plain.end());
  wrapped.push_back(0xFF);
  wrapped.push_back(0xD9);
  for (const Bytes* data : {&plain, &wrapped}) {
    Image img;
    std::string error;
    ASSERT_TRUE(decodeJpeg(data->data(), data->size(), &img, &error)) << error;
    ASSERT_EQ(img.width, 16);
    ASSERT_EQ(img.height, 8);
    EXPECT_GT(img.row(4)[4 * 2], 200);       // red on the left
    EXPECT_GT(img.row(4)[4 * 13 + 2], 200);  // blue on the right
    EXPECT_EQ(img.row(4)[3], 255);
  }
}

TEST(Jpeg, ReportsDamagedPictureDataWithoutCrashing) {
  Bytes plain = makeJpeg();
  Image img;
  std::string error;
  Bytes cut(plain.begin(), plain.begin() + long(plain.size() / 3));
  EXPECT_FALSE(decodeJpeg(cut.data(), cut.size(), &img, &error));
  EXPECT_FALSE(error.empty());
  Bytes noScan = {0xFF, 0xD8, 0xFF, 0xD9};
  EXPECT_TRUE(normalizeJpegStream(noScan.data(), noScan.size()).empty());
  EXPECT_FALSE(decodeJpeg(noScan.data(), noScan.size(), &img, &error));
  // A segment length running past the data.
  Bytes overrun = {0xFF, 0xD8, 0xFF, 0xDB, 0x7F, 0xFF, 0x00};
  EXPECT_TRUE(normalizeJpegStream(overrun.data(), overrun.size()).empty());
  // A picture larger than the limits allow is refused before decoding.
  JpegLimits small;
  small.maxDimension = 8;
  EXPECT_FALSE(decodeJpeg(plain.data(), plain.size(), &img, &error, small));
  EXPECT_NE(error.find("16x8"), std::string::npos);
}

TEST(Mp3, WalksFramesFromTheFirstValidHeader) {
  Bytes data = {0x00, 0xFF, 0xE0, 0x12};  // junk, including a false sync
  Bytes frames = silentFrames(5);
  data.insert(data.end(), frames.begin(), frames.end());
  Mp3Summary s;
  ASSERT_TRUE(walkMp3Frames(data.data(), data.size(), &s));
  EXPECT_EQ(s.frames, 5u);
  EXPECT_EQ(s.samples, 5u * 1152);
  EXPECT_EQ(s.sampleRate, 44100);
  EXPECT_EQ(s.channels, 2);
  EXPECT_EQ(s.firstFrameOffset, 4u);
  EXPECT_EQ(s.endOffset, data.size());
  // A last frame cut short is not counted; trailing junk ends the walk.
  Bytes cut(data.begin(), data.end() - 10);
  ASSERT_TRUE(walkMp3Frames(cut.data(), cut.size(), &s));
  EXPECT_EQ(s.frames, 4u);
  Bytes none = {0xFF, 0xFF, 0xFF, 0xFF, 0x00};
  EXPECT_FALSE(walkMp3Frames(none.data(), none.size(), &s));
  EXPECT_FALSE(walkMp3Frames(nullptr, 0, &s));
}

TEST(Mp3, DecodesToPcmAndMixes) {
  Bytes frames = silentFrames(10);
  PcmSound pcm;
  std::string error;
  ASSERT_TRUE(decodeMp3(frames.data(), frames.size(), &pcm, &error)) << error;
  EXPECT_EQ(pcm.sampleRate, 44100);
  EXPECT_EQ(pcm.channels, 2);
  EXPECT_GE(pcm.frames(), 9u * 1152);
  Bytes junk(1000, 0x55);
  EXPECT_FALSE(decodeMp3(junk.data(), junk.size(), &pcm, &error));

  // Two voices add up; pausing gives silence without moving them on.
  auto tone = std::make_shared<PcmSound>();
  tone->sampleRate = 22050;
  tone->channels = 1;
  tone->samples.assign(100, 1000);
  SoundMixer mixer(44100);
  mixer.play(1, tone);
  mixer.play(2, tone);
  int16_t out[2 * 10];
  mixer.mix(out, 10);
  EXPECT_EQ(out[0], 2000);
  EXPECT_EQ(out[1], 2000);
  mixer.setPaused(true);
  mixer.mix(out, 10);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(mixer.voiceCount(), 2u);
  mixer.setPaused(false);
  std::vector<int16_t> rest(2 * 400);
  mixer.mix(rest.data(), 400);  // 100 source frames at half the rate last 200 output frames
  EXPECT_EQ(mixer.voiceCount(), 0u);
  EXPECT_EQ(rest.back(), 0);
}
