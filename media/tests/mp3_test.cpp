// Music re-encoding from every MPEG version, channel count and rate.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "inputs.h"
#include "media/mp3.h"
#include "media/picture.h"
#include "media/temp_file.h"

namespace {

using namespace slidewright::media;
using namespace testinputs;

struct FrameWalk {
  int frames = 0;
  int version = -1;  // version bits of every frame, or -2 if they differ
  int rateIndex = -1;
  int mode = -1;
  int bitrateIndex = -1;
  bool allSame = true;
};

// Walks the MPEG frame headers of a stream of bare frames.
FrameWalk walk(const Bytes& b) {
  FrameWalk w;
  std::size_t at = 0;
  while (at + 4 <= b.size()) {
    if (b[at] != 0xFF || (b[at + 1] & 0xE0) != 0xE0) {
      w.allSame = false;
      break;
    }
    const int version = (b[at + 1] >> 3) & 3, brIndex = b[at + 2] >> 4, rateIndex = (b[at + 2] >> 2) & 3;
    const int padding = (b[at + 2] >> 1) & 1, mode = b[at + 3] >> 6;
    if (w.frames == 0) {
      w.version = version;
      w.rateIndex = rateIndex;
      w.mode = mode;
      w.bitrateIndex = brIndex;
    } else if (version != w.version || rateIndex != w.rateIndex || mode != w.mode ||
               brIndex != w.bitrateIndex) {
      w.allSame = false;
    }
    // MPEG-2 layer III, 32 kbit/s, 22050 Hz: 72 * 32000 / 22050 = 104 bytes + padding.
    at += 72 * 32000 / 22050 + padding;
    ++w.frames;
  }
  if (at != b.size()) w.allSame = false;
  return w;
}

TEST(Mp3Reencode, EveryVersionRateAndChannelCountBecomesMono22kHz32k) {
  // MPEG-2.5 (8, 11.025, 12 kHz), MPEG-2 (16, 22.05, 24) and MPEG-1 (32, 44.1, 48).
  const int rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
  const double seconds = 2.0;
  for (int rate : rates) {
    for (int channels : {1, 2}) {
      const std::string in = writeScratch("in.mp3", mp3(rate, channels, seconds));
      auto out = TempFile::create(".mp3");
      ASSERT_TRUE(out.ok());
      auto r = reencodeMp3(in, out.value().path());
      ASSERT_TRUE(r.ok()) << rate << "/" << channels << ": " << r.message();
      EXPECT_EQ(r.value().sourceRate, rate);
      EXPECT_EQ(r.value().sourceChannels, channels);
      const double decoded = r.value().seconds;
      EXPECT_GE(decoded, seconds) << rate << "/" << channels;
      EXPECT_LE(decoded, seconds + 2400.0 / rate) << rate << "/" << channels;
      auto bytes = readFile(out.value().path());
      ASSERT_TRUE(bytes.ok());
      const FrameWalk w = walk(bytes.value());
      EXPECT_TRUE(w.allSame) << rate << "/" << channels << ": not a clean run of identical frame headers";
      EXPECT_EQ(w.version, 2) << "MPEG-2";
      EXPECT_EQ(w.rateIndex, 0) << "22050 Hz";
      EXPECT_EQ(w.mode, 3) << "single channel";
      EXPECT_EQ(w.bitrateIndex, 4) << "32 kbit/s";
      // 576 samples a frame; the encoder adds its delay (1105 samples) and
      // pads the last frame (under 576); its resampling filter adds a few more.
      const double encoded = w.frames * 576.0 / 22050;
      EXPECT_GE(encoded, decoded) << rate << "/" << channels;
      EXPECT_LE(encoded, decoded + (1105 + 576 + 100) / 22050.0) << rate << "/" << channels;
    }
  }
}

TEST(Mp3Reencode, ReportsProgressUpToTheTotal) {
  const std::string in = writeScratch("long.mp3", mp3(44100, 2, 6.0));
  auto out = TempFile::create(".mp3");
  std::uint64_t last = 0, total = 0;
  int calls = 0;
  bool monotonic = true;
  auto r = reencodeMp3(in, out.value().path(), [&](std::uint64_t done, std::uint64_t t) {
    monotonic = monotonic && done >= last && done <= t;
    last = done;
    total = t;
    ++calls;
    return true;
  });
  ASSERT_TRUE(r.ok()) << r.message();
  EXPECT_GT(calls, 2);
  EXPECT_TRUE(monotonic);
  EXPECT_EQ(last, total);
  EXPECT_EQ(total, std::filesystem::file_size(in));

  auto cancelled = reencodeMp3(in, out.value().path(), [](std::uint64_t, std::uint64_t) { return false; });
  ASSERT_FALSE(cancelled.ok());
  EXPECT_EQ(cancelled.kind(), ErrorKind::Cancelled);
  EXPECT_EQ(cancelled.message(), "cancelled");
}

TEST(Mp3Reencode, UnusableMusicFailsWithAReason) {
  auto out = TempFile::create(".mp3");
  const std::string missing = scratchDir() + "/missing.mp3";
  auto r = reencodeMp3(missing, out.value().path());
  ASSERT_FALSE(r.ok());
  EXPECT_NE(r.message().find("cannot open"), std::string::npos) << r.message();

  r = reencodeMp3(writeScratch("empty.mp3", {}), out.value().path());
  ASSERT_FALSE(r.ok());
  EXPECT_NE(r.message().find("empty"), std::string::npos) << r.message();

  Bytes text(5000, 'x');
  r = reencodeMp3(writeScratch("text.mp3", text), out.value().path());
  ASSERT_FALSE(r.ok());
  EXPECT_NE(r.message().find("no MPEG audio"), std::string::npos) << r.message();

  // A picture renamed to .mp3.
  r = reencodeMp3(writeScratch("picture.mp3", jpeg(quadrants(300, 200))), out.value().path());
  EXPECT_FALSE(r.ok());

  // Files of other kinds in which the decoder finds a few chance frame
  // headers before it gives up: a WAV recording and random bytes. They must
  // fail, not become a movie with a click of noise for music.
  Bytes wav = {'R', 'I', 'F', 'F', 0,  0, 0,   0,   'W', 'A',  'V',  'E', 'f', 'm',  't',
               ' ', 16,  0,   0,   0,  1, 0,   2,   0,   0x44, 0xAC, 0,   0,   0x10, 0xB1,
               2,   0,   4,   0,   16, 0, 'd', 'a', 't', 'a',  0,    0,   0,   0};
  std::uint32_t state = 12345;
  for (int i = 0; i < 44100 * 5 * 2; ++i) {
    state = state * 1103515245u + 12345u;
    const auto sample = static_cast<std::int16_t>(12000 * std::sin(i / 2 * 0.0627) + (state >> 20) % 64);
    wav.push_back(static_cast<std::uint8_t>(sample));
    wav.push_back(static_cast<std::uint8_t>(sample >> 8));
  }
  Bytes noise(100000);
  for (auto& b : noise) {
    state = state * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(state >> 24);
  }
  for (const auto& [name, bytes] : {std::pair{"tone.mp3", wav}, std::pair{"noise.mp3", noise}}) {
    r = reencodeMp3(writeScratch(name, bytes), out.value().path());
    ASSERT_FALSE(r.ok()) << name << ": " << r.value().seconds << " s decoded";
    EXPECT_NE(r.message().find("MPEG audio"), std::string::npos) << r.message();
  }

  // A truncated file keeps the audio before the cut.
  Bytes cut = mp3(44100, 2, 3.0);
  cut.resize(cut.size() / 2);
  r = reencodeMp3(writeScratch("cut.mp3", cut), out.value().path());
  ASSERT_TRUE(r.ok()) << r.message();
  EXPECT_NEAR(r.value().seconds, 1.5, 0.15);

  // An output that cannot be created.
  r = reencodeMp3(writeScratch("fine.mp3", mp3(22050, 1, 1.0)), scratchDir() + "/no/such/folder/x.mp3");
  ASSERT_FALSE(r.ok());
  EXPECT_NE(r.message().find("cannot create"), std::string::npos) << r.message();
}

// Short files of random bytes used to become a movie with a moment of noise
// for music (about one in ten of them). These seeds of std::mt19937 made
// such files; every other seed of the sweep must fail as well.
TEST(Mp3Reencode, RandomBytesAreNeverMusic) {
  const std::vector<unsigned> once = {1,   3,   6,   10,  26,  34,  58,  62,  67,  81,  92,  105,
                                      144, 183, 188, 197, 205, 228, 240, 243, 253, 265, 280, 298,
                                      303, 324, 330, 333, 340, 357, 360, 376, 386, 389, 393};
  std::vector<unsigned> seeds = once;
  for (unsigned seed = 0; seed < 120; ++seed) seeds.push_back(seed);
  auto out = TempFile::create(".mp3");
  for (unsigned seed : seeds) {
    std::mt19937 gen(seed);
    Bytes bytes(5000);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(gen() & 0xFF);
    auto r = reencodeMp3(writeScratch("random.mp3", bytes), out.value().path());
    ASSERT_FALSE(r.ok()) << "seed " << seed << ": " << r.value().seconds << " s taken as music";
    EXPECT_EQ(r.kind(), ErrorKind::NotSupported) << "seed " << seed;
  }
}

TEST(Mp3Reencode, RealMusicKeepsItsAudioThroughTagsCutsAndDamage) {
  auto out = TempFile::create(".mp3");
  const Bytes music = mp3(44100, 2, 4.0);

  // A large ID3v2 tag (a cover picture) in front and an ID3v1 tag behind.
  Bytes tagged = {'I', 'D', '3', 3, 0, 0, 0x00, 0x0C, 0x00, 0x00};  // 196608 bytes of tag frames
  tagged.resize(10 + 196608, 0x5A);
  tagged.insert(tagged.end(), music.begin(), music.end());
  Bytes id3v1(128, ' ');
  std::copy_n("TAG", 3, id3v1.begin());
  tagged.insert(tagged.end(), id3v1.begin(), id3v1.end());
  auto r = reencodeMp3(writeScratch("tagged.mp3", tagged), out.value().path());
  ASSERT_TRUE(r.ok()) << r.message();
  EXPECT_NEAR(r.value().seconds, 4.0, 0.15);

  // Cut off in the middle of a frame.
  Bytes cut(music.begin(), music.begin() + static_cast<std::ptrdiff_t>(music.size() * 2 / 3 + 7));
  r = reencodeMp3(writeScratch("cut.mp3", cut), out.value().path());
  ASSERT_TRUE(r.ok()) << r.message();
  EXPECT_NEAR(r.value().seconds, 4.0 * 2 / 3, 0.2);

  // A few damaged bytes here and there, frame headers among them.
  Bytes damaged = music;
  for (std::size_t at = 1000; at < damaged.size(); at += damaged.size() / 7) damaged[at] ^= 0xFF;
  r = reencodeMp3(writeScratch("damaged.mp3", damaged), out.value().path());
  ASSERT_TRUE(r.ok()) << r.message();
  EXPECT_GT(r.value().seconds, 3.0);
}

TEST(Mp3Reencode, DamagedFramesThatDecodeOutOfRangeDoNotStopTheEncoder) {
  static const std::uint8_t damaged[] = {
#include "damaged_loud_mp3.inc"
  };
  const std::string in = writeScratch("damaged-loud.mp3", Bytes(damaged, damaged + sizeof damaged));
  auto out = TempFile::create(".mp3");
  auto r = reencodeMp3(in, out.value().path());
  EXPECT_TRUE(r.ok()) << r.message();
}

TEST(TempFiles, UniqueNamesInTheTemporaryFolderRemovedAtTheEnd) {
  std::string kept;
  {
    auto a = TempFile::create(".jpg");
    auto b = TempFile::create(".jpg");
    ASSERT_TRUE(a.ok() && b.ok());
    const std::filesystem::path pa(a.value().path());
    EXPECT_EQ(pa.filename().string().substr(0, 2), "FM");
    EXPECT_EQ(pa.extension().string(), ".jpg");
    EXPECT_EQ(pa.parent_path(), std::filesystem::path(temporaryDirectory()));
    EXPECT_NE(a.value().path(), b.value().path());
    EXPECT_TRUE(std::filesystem::exists(pa));
    kept = a.value().path();
    TempFile moved = std::move(a.value());
    EXPECT_EQ(moved.path(), kept);
  }
  EXPECT_FALSE(std::filesystem::exists(kept));
  auto bad = TempFile::createIn(scratchDir() + "/no/such/folder", "FM", ".jpg");
  ASSERT_FALSE(bad.ok());
  EXPECT_NE(bad.message().find("cannot create a temporary file"), std::string::npos);
}

}  // namespace
