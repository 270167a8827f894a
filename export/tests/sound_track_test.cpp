// The audio track of a video export: sounds placed at the sample where their
// frame starts, resampled to the track's rate, channels mapped as the player
// plays them, cut and faded at the video's end.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>
#include <memory>

#include "player/movie_player.h"
#include "sound_track.h"
#include "test_support.h"

namespace {

using slidewright::exports::SoundTrack;

std::shared_ptr<player::PcmSound> constant(int rate, int channels, double seconds, int16_t left,
                                           int16_t right = 0) {
  auto s = std::make_shared<player::PcmSound>();
  s->sampleRate = rate;
  s->channels = channels;
  const size_t frames = size_t(seconds * rate);
  for (size_t f = 0; f < frames; ++f) {
    s->samples.push_back(left);
    if (channels == 2) s->samples.push_back(right);
  }
  return s;
}

// Mixes frames [0, count) into one buffer.
std::vector<float> mixAll(SoundTrack& track, uint64_t count, uint64_t lastFrame = UINT64_MAX) {
  std::vector<float> all, part;
  for (uint64_t f = 0; f < count; ++f) {
    EXPECT_TRUE(track.mixFrame(f, f == lastFrame, &part));
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

TEST(SoundTrack, FramesMeetSampleExactlyAtAnyFrameRate) {
  SoundTrack twelve(48000, 1, 12, 1);
  EXPECT_EQ(twelve.frameStart(1), 4000);
  EXPECT_EQ(twelve.frameStart(1130), 4520000);
  // 29.97 frames a second at 44.1 kHz: 1471.47 samples a frame, rounded
  // from the exact time of each frame, so there is no drift over an hour.
  SoundTrack ntsc(44100, 2, 30000, 1001);
  EXPECT_EQ(ntsc.frameStart(1), 1471);
  EXPECT_EQ(ntsc.frameStart(2), 2943);
  EXPECT_EQ(ntsc.frameStart(107892), 158759841);  // an hour of frames: 3599.9964 s
  // Far past where frame * rate * 1001 leaves 64 bits, still exact.
  EXPECT_EQ(ntsc.frameStart(300000000001), 441441000001471);
  std::vector<float> part;
  ASSERT_TRUE(ntsc.mixFrame(0, false, &part));
  EXPECT_EQ(part.size(), 2u * 1471);
}

TEST(SoundTrack, ASoundStartsAtTheFirstSampleOfItsFrame) {
  SoundTrack track(48000, 2, 12, 1);
  track.setFrame(3);
  track.play(1, constant(22050, 1, 1.0, 16384));
  const std::vector<float> all = mixAll(track, 6);
  size_t first = 0;
  while (first < all.size() / 2 && all[2 * first] == 0.0f) ++first;
  EXPECT_EQ(first, 12000u) << "frame 3 starts at 3 x 4000 samples";
  // Resampled from 22.05 kHz, a steady level stays at its level.
  EXPECT_NEAR(all[2 * 14000], 0.5, 0.01);
}

TEST(SoundTrack, MonoPlaysOnBothSidesAtFullLevelAndStereoFoldsForAMonoTrack) {
  SoundTrack stereo(48000, 2, 12, 1);
  stereo.play(1, constant(48000, 1, 0.5, 16384));
  std::vector<float> part;
  ASSERT_TRUE(stereo.mixFrame(0, false, &part));
  EXPECT_NEAR(part[2000], 0.5, 1e-3);
  EXPECT_NEAR(part[2001], 0.5, 1e-3);

  SoundTrack mono(48000, 1, 12, 1);
  mono.play(1, constant(48000, 2, 0.5, 16384, -8192));
  ASSERT_TRUE(mono.mixFrame(0, false, &part));
  EXPECT_NEAR(part[1000], 0.125, 1e-3);  // (0.5 - 0.25) / 2
}

TEST(SoundTrack, LengthFollowsTheRateAndSoundsMix) {
  SoundTrack track(44100, 1, 12, 1);
  track.play(1, constant(22050, 1, 1.0, 8192));  // one second
  track.play(2, constant(44100, 1, 0.5, 8192));  // half a second, at once
  const std::vector<float> all = mixAll(track, 24);
  EXPECT_NEAR(all[10000], 0.5, 0.01) << "both playing";
  EXPECT_NEAR(all[30000], 0.25, 0.01) << "the short one has ended";
  size_t last = all.size();
  while (last > 0 && std::fabs(all[last - 1]) < 1e-4) --last;
  EXPECT_NEAR(double(last), 44100.0, 64.0) << "one second at the track's rate";
}

TEST(SoundTrack, StopsCutAndTheLastFrameFadesWhatStillPlays) {
  SoundTrack track(48000, 1, 12, 1);
  track.play(1, constant(48000, 1, 2.0, 16384));
  track.setFrame(2);
  track.stopAll();
  std::vector<float> all = mixAll(track, 4);
  EXPECT_NEAR(all[7999], 0.5, 1e-3);
  EXPECT_EQ(all[8000], 0.0f) << "a stop in frame 2 silences it from frame 2's first sample";

  SoundTrack ending(48000, 1, 12, 1);
  ending.play(1, constant(48000, 1, 2.0, 16384));
  all = mixAll(ending, 3, 2);
  EXPECT_NEAR(all[12000 - 961], 0.5, 1e-3) << "the fade takes the last 20 ms only";
  EXPECT_LT(std::fabs(all.back()), 0.001);
  EXPECT_LT(all[12000 - 480], 0.26);
}

TEST(SoundTrack, PausedOutputIsSilentAndHoldsItsPlace) {
  SoundTrack track(48000, 1, 12, 1);
  track.play(1, constant(48000, 1, 1.0, 16384));
  track.setPaused(true);
  std::vector<float> part;
  ASSERT_TRUE(track.mixFrame(0, false, &part));
  EXPECT_EQ(part[100], 0.0f);
  track.setPaused(false);
  ASSERT_TRUE(track.mixFrame(1, false, &part));
  EXPECT_NEAR(part[100], 0.5, 1e-3);
}

// Largest memory the process has held so far, in kilobytes.
long peakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Music longer than a sound the player decodes whole (55 minutes of the
// album's 22.05 kHz mono) reaches the track to its last second, decoded as it
// is mixed: the export's memory does not grow with the music.
TEST(SoundTrack, MusicOfAnyLengthIsDecodedAsItIsMixed) {
  constexpr int kRate = 22050;
  const std::vector<unsigned char> piece = exporttest::encodeMusic(6.0, kRate, 32, true);
  player::Mp3Summary one;
  ASSERT_TRUE(player::walkMp3Frames(piece.data(), piece.size(), &one));
  constexpr size_t kCopies = 550;
  std::vector<unsigned char> music;
  for (size_t k = 0; k < kCopies; ++k) music.insert(music.end(), piece.begin(), piece.end());
  const uint64_t musicSamples = one.samples * kCopies;
  ASSERT_GT(musicSamples, player::SoundLimits{}.maxSamples);

  // A movie that starts the music in its first frame and lasts a little longer.
  const uint32_t frames = uint32_t(musicSamples * 12 / kRate + 24);
  const std::string path = exporttest::writeMusicMovie("long-music.swf", music, frames);
  music = {};

  const long before = peakKilobytes();
  SoundTrack track(kRate, 1, 12, 1);
  auto opened = player::MoviePlayer::open(path, &track);
  ASSERT_TRUE(opened) << opened.error().message;
  player::MoviePlayer& movie = *opened.value();
  std::vector<float> part;
  int64_t lastHeard = -1;
  double lastMinute = 0;  // sum of squares
  const int64_t lastMinuteFrom = int64_t(musicSamples) - 60 * kRate;
  for (uint64_t i = 0; i < frames; ++i) {
    if (i > 0) {
      track.setFrame(i);
      movie.nextFrame();
    }
    ASSERT_TRUE(track.mixFrame(i, false, &part));
    const int64_t first = track.frameStart(i);
    for (size_t k = 0; k < part.size(); ++k) {
      if (std::fabs(part[k]) > 0.01f) lastHeard = first + int64_t(k);
      if (first + int64_t(k) >= lastMinuteFrom) lastMinute += double(part[k]) * part[k];
    }
  }
  EXPECT_TRUE(track.missingSounds().empty()) << track.missingSounds().front();
  EXPECT_TRUE(movie.warnings().empty()) << movie.warnings().front();
  // The last piece ends with the encoder's padding, under 2 MP3 frames.
  EXPECT_GT(lastHeard, int64_t(musicSamples) - 2 * 1152);
  EXPECT_LE(lastHeard, int64_t(musicSamples));
  EXPECT_GT(std::sqrt(lastMinute / (60.0 * kRate)), 0.1) << "the last minute is heard";
  EXPECT_LT(peakKilobytes() - before, 64 * 1024) << "the music was held as PCM";
}

}  // namespace
