#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "player/mp3_stream.h"

using namespace player;

namespace {

using Bytes = std::vector<uint8_t>;

// MPEG-1 layer III frames at 44.1 kHz: 1152 samples each, silent. `mono`
// sets the channel mode; `rate48` the 48 kHz rate instead.
Bytes frames(int n, bool mono = false, bool rate48 = false) {
  Bytes out;
  for (int i = 0; i < n; ++i) {
    const uint8_t header[4] = {0xFF, 0xFB, uint8_t(rate48 ? 0x94 : 0x90), uint8_t(mono ? 0xC4 : 0x64)};
    out.insert(out.end(), header, header + 4);
    out.insert(out.end(), (rate48 ? 384 : 417) - 4, 0);
  }
  return out;
}

std::string writeFile(const std::string& name, const Bytes& bytes) {
  const std::string path = (std::filesystem::temp_directory_path() / name).string();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  return path;
}

size_t readAll(Mp3FileStream& s) {
  std::vector<int16_t> buf(1000 * 2);
  size_t total = 0, got;
  while ((got = s.read(buf.data(), 1000)) > 0) total += got;
  return total;
}

TEST(Mp3FileStream, DecodesAFileInPiecesToItsEnd) {
  // An ID3v2 tag of 300 bytes in front, as music files carry.
  Bytes file = {'I', 'D', '3', 3, 0, 0, 0, 0, 2, 44};
  file.insert(file.end(), 300, 0);
  const Bytes audio = frames(200);
  file.insert(file.end(), audio.begin(), audio.end());
  const std::string path = writeFile("mp3stream-tagged.mp3", file);
  Mp3FileStream s;
  std::string error;
  ASSERT_TRUE(s.open(path, &error)) << error;
  EXPECT_EQ(s.sampleRate(), 44100);
  EXPECT_EQ(s.channels(), 2);
  const size_t total = readAll(s);
  // mpg123 drops the decoder delay of the first frame; nearly all samples come out.
  EXPECT_GE(total, 199u * 1152);
  EXPECT_LE(total, 200u * 1152);
  EXPECT_TRUE(s.atEnd());
  int16_t one[2];
  EXPECT_EQ(s.read(one, 1), 0u);
  std::remove(path.c_str());
}

TEST(Mp3FileStream, MonoAndJunkInFrontOfTheFirstFrame) {
  Bytes file(5000, 0x55);
  const Bytes audio = frames(50, /*mono=*/true, /*rate48=*/true);
  file.insert(file.end(), audio.begin(), audio.end());
  const std::string path = writeFile("mp3stream-junk.mp3", file);
  Mp3FileStream s;
  std::string error;
  ASSERT_TRUE(s.open(path, &error)) << error;
  EXPECT_EQ(s.sampleRate(), 48000);
  EXPECT_EQ(s.channels(), 1);
  EXPECT_GE(readAll(s), 49u * 1152);
  std::remove(path.c_str());
}

TEST(Mp3FileStream, RefusesMissingAndNonAudioFiles) {
  Mp3FileStream s;
  std::string error;
  EXPECT_FALSE(s.open((std::filesystem::temp_directory_path() / "no-such-music.mp3").string(), &error));
  EXPECT_NE(error.find("no-such-music.mp3"), std::string::npos);
  const std::string text = writeFile("mp3stream-text.mp3", Bytes(20000, 'a'));
  EXPECT_FALSE(s.open(text, &error));
  EXPECT_NE(error.find("no MPEG audio"), std::string::npos) << error;
  int16_t buf[4];
  EXPECT_EQ(s.read(buf, 2), 0u);
  std::remove(text.c_str());
}

}  // namespace
