// The album pipeline end to end: pictures and music in, a complete movie out,
// nothing left behind on failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "inputs.h"
#include "album/album_job.h"
#include "album/transition.h"
#include "maker/album_maker.h"
#include "media/canvas.h"
#include "media/jpeg_writer.h"
#include "media/mp3.h"
#include "media/picture.h"
#include "media/temp_file.h"
#include "player/movie_player.h"
#include "player/sound.h"

namespace {

namespace fs = std::filesystem;
using namespace slidewright::media;
using namespace slidewright::maker;
using namespace testinputs;

// Points the temporary folder at a directory (the variable the platform's
// temporary-path lookup reads), or restores the old value.
void setTempEnv(const std::string& value) {
#ifdef _WIN32
  _putenv_s("TMP", value.c_str());
  _putenv_s("TEMP", value.c_str());
#else
  if (value.empty())
    unsetenv("TMPDIR");
  else
    setenv("TMPDIR", value.c_str(), 1);
#endif
}

struct Tag {
  int code;
  Bytes body;
};

struct Movie {
  int width = 0, height = 0;  // in pixels
  int frameCount = 0;
  std::vector<Tag> tags;
};

Movie parseMovie(const Bytes& b) {
  Movie m;
  EXPECT_GE(b.size(), 21u);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 3), "FWS");
  // Frame rectangle: 5-bit field size, then four signed fields.
  std::size_t bit = 8 * 8;
  auto bits = [&](int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i, ++bit) v = v << 1 | ((b[bit / 8] >> (7 - bit % 8)) & 1);
    return v;
  };
  const int nbits = static_cast<int>(bits(5));
  const int xmin = static_cast<int>(bits(nbits)), xmax = static_cast<int>(bits(nbits));
  const int ymin = static_cast<int>(bits(nbits)), ymax = static_cast<int>(bits(nbits));
  m.width = (xmax - xmin) / 20;
  m.height = (ymax - ymin) / 20;
  std::size_t at = (bit + 7) / 8 + 2;
  m.frameCount = b[at] | b[at + 1] << 8;
  at += 2;
  while (at + 2 <= b.size()) {
    const unsigned head = b[at] | b[at + 1] << 8;
    at += 2;
    std::size_t len = head & 0x3F;
    if (len == 0x3F) {
      len = b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::size_t>(b[at + 3]) << 24;
      at += 4;
    }
    m.tags.push_back({static_cast<int>(head >> 6), Bytes(b.begin() + at, b.begin() + at + len)});
    at += len;
    if (head >> 6 == 0) break;
  }
  EXPECT_EQ(at, b.size()) << "the tags fill the file exactly";
  return m;
}

// The movie's music as a player decodes it; empty without music.
player::PcmSound movieSound(const std::string& path) {
  player::PcmSound pcm;
  auto bytes = readFile(path);
  EXPECT_TRUE(bytes.ok());
  if (!bytes.ok()) return pcm;
  for (const Tag& t : parseMovie(bytes.value()).tags) {
    // DefineSound: id, format, sample count, SeekSamples, then the MP3.
    std::string error;
    if (t.code == 14 && t.body.size() > 9) {
      EXPECT_TRUE(player::decodeMp3(t.body.data() + 9, t.body.size() - 9, &pcm, &error)) << error;
    }
  }
  return pcm;
}

// Root mean square of the sound from `from` to `to` seconds, or of its
// difference from `other` there.
double rms(const player::PcmSound& s, double from, double to, const player::PcmSound* other = nullptr) {
  const auto first = static_cast<std::size_t>(std::max(0.0, from) * s.sampleRate);
  const auto last = std::min(static_cast<std::size_t>(to * s.sampleRate), s.frames());
  double sum = 0;
  for (std::size_t i = first; i < last; ++i) {
    const double v = s.samples[i] - (other && i < other->frames() ? other->samples[i] : 0);
    sum += v * v;
  }
  return last > first ? std::sqrt(sum / double(last - first)) : 0.0;
}

class AlbumMaker : public ::testing::Test {
 protected:
  void SetUp() override {
    // A private temporary folder, so that leftovers can be counted.
    tmp_ = scratchDir() + "/tmp-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(tmp_);
    oldTmp_ = temporaryDirectory();
    setTempEnv(tmp_);
    out_ = scratchDir() + "/out-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(out_);
  }
  void TearDown() override { setTempEnv(oldTmp_); }
  int leftovers() const {
    int n = 0;
    for (auto& e : fs::directory_iterator(tmp_)) n += e.path().filename().string().rfind("FM", 0) == 0;
    for (auto& e : fs::directory_iterator(out_)) n += e.path().extension() == ".part";
    return n;
  }
  AlbumSettings threePictures() {
    AlbumSettings s;
    s.pictures = {{writeScratch("a.jpg", jpeg(quadrants(1600, 1200))), 0},
                  {writeScratch("b.png", png(quadrants(300, 500), 2 /* RGB */)), 9},
                  {writeScratch("c.gif", gif(quadrants(200, 100))), 12}};
    s.width = 640;
    s.height = 480;
    s.pauseSeconds = 1;
    s.outputPath = out_ + "/album.swf";
    return s;
  }
  std::string tmp_, oldTmp_, out_;
};

TEST_F(AlbumMaker, MusicBecomesAMonoMp3SoundOfTheRightLength) {
  // Each MPEG version, mono and stereo: the movie's DefineSound says MP3,
  // 22 kHz, 16-bit, mono, with a sample count that matches the music.
  const struct {
    int rate, channels;
  } inputs[] = {{48000, 2}, {44100, 1}, {24000, 2}, {16000, 1}, {11025, 2}, {8000, 1}};
  for (const auto& in : inputs) {
    AlbumSettings s = threePictures();
    s.pictures.resize(1);
    s.musicPath = writeScratch("music.mp3", mp3(in.rate, in.channels, 3.0));
    auto made = makeAlbum(s);
    ASSERT_TRUE(made.ok()) << made.message();
    const double decoded = made.value().musicSeconds;
    EXPECT_GE(decoded, 3.0);
    EXPECT_LE(decoded, 3.0 + 2400.0 / in.rate);
    auto bytes = readFile(s.outputPath);
    ASSERT_TRUE(bytes.ok());
    const Movie m = parseMovie(bytes.value());
    const Tag* sound = nullptr;
    for (const Tag& t : m.tags)
      if (t.code == 14) sound = &t;
    ASSERT_NE(sound, nullptr) << in.rate << "/" << in.channels;
    const std::uint8_t flags = sound->body[2];
    EXPECT_EQ(flags >> 4, 2) << "format MP3";
    EXPECT_EQ((flags >> 2) & 3, 2) << "22 kHz";
    EXPECT_EQ((flags >> 1) & 1, 1) << "16-bit";
    EXPECT_EQ(flags & 1, 0) << "mono";
    const std::uint32_t samples = sound->body[3] | sound->body[4] << 8 | sound->body[5] << 16 |
                                  static_cast<std::uint32_t>(sound->body[6]) << 24;
    EXPECT_EQ(samples % 576, 0u);
    // The music's length plus the encoder's delay, last-frame padding and resampling filter.
    EXPECT_GE(samples, decoded * 22050) << in.rate << "/" << in.channels;
    EXPECT_LE(samples, decoded * 22050 + 1105 + 576 + 100) << in.rate << "/" << in.channels;
  }
  EXPECT_EQ(leftovers(), 0);
}

TEST_F(AlbumMaker, PicturesBecomeSlidesOfTheAlbumSize) {
  AlbumSettings s = threePictures();
  std::vector<MakeProgress> seen;
  auto made = makeAlbum(s, [&](const MakeProgress& p) {
    seen.push_back(p);
    return true;
  });
  ASSERT_TRUE(made.ok()) << made.message();
  EXPECT_EQ(made.value().pictureCount, 3);
  auto bytes = readFile(s.outputPath);
  ASSERT_TRUE(bytes.ok());
  const Movie m = parseMovie(bytes.value());
  EXPECT_EQ(m.width, 640);
  EXPECT_EQ(m.height, 480);
  EXPECT_EQ(static_cast<std::uint32_t>(m.frameCount), made.value().frameCount);
  int jpegs = 0;
  for (const Tag& t : m.tags) {
    if (t.code != 21) continue;
    ++jpegs;
    // DefineBitsJPEG2: id, FF D9 FF D8, then our JPEG file.
    Bytes file(t.body.begin() + 6, t.body.end() - 2);
    auto p = decodePicture(file.data(), file.size());
    ASSERT_TRUE(p.ok()) << p.message();
    EXPECT_EQ(p.value().width, 640);
    EXPECT_EQ(p.value().height, 480);
    EXPECT_EQ(file[0], 0xFF);
    EXPECT_EQ(file[1], 0xD8);
  }
  EXPECT_EQ(jpegs, 3);
  auto actions = [](const Movie& movie) {
    int n = 0;
    for (const Tag& t : movie.tags) n += t.code == 12;
    return n;
  };
  EXPECT_EQ(actions(m), 0) << "a looping movie has no stop action";
  s.loop = false;
  ASSERT_TRUE(makeAlbum(s).ok());
  EXPECT_EQ(actions(parseMovie(readFile(s.outputPath).value())), 1);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().stage, MakeStage::Movie);
  EXPECT_EQ(seen.back().done, 1u);
  EXPECT_EQ(leftovers(), 0);
}

TEST_F(AlbumMaker, FailuresLeaveNothingBehindAndKeepTheOldMovie) {
  AlbumSettings s = threePictures();
  ASSERT_TRUE(makeAlbum(s).ok());
  const auto before = readFile(s.outputPath).value();

  // A damaged picture fails the run and names the file.
  AlbumSettings bad = s;
  Bytes cut = jpeg(quadrants(400, 300));
  cut.resize(cut.size() / 2);
  bad.pictures.push_back({writeScratch("cut.jpg", cut), 3});
  auto r = makeAlbum(bad);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.message().rfind(bad.pictures.back().path + ": ", 0), 0u) << r.message();
  EXPECT_EQ(r.kind(), MakeErrorKind::Picture);
  EXPECT_EQ(r.error().cause, ErrorKind::Damaged);
  EXPECT_EQ(r.error().path, bad.pictures.back().path);
  EXPECT_EQ(readFile(s.outputPath).value(), before);
  EXPECT_EQ(leftovers(), 0);

  // With several bad pictures, the first in album order is the one reported,
  // however the rendering threads happen to run.
  AlbumSettings twoBad = s;
  twoBad.pictures.insert(twoBad.pictures.begin() + 1, {scratchDir() + "/first-missing.png", 0});
  twoBad.pictures.push_back({scratchDir() + "/second-missing.png", 0});
  for (int attempt = 0; attempt < 5; ++attempt) {
    r = makeAlbum(twoBad);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.message().rfind(scratchDir() + "/first-missing.png: ", 0), 0u) << r.message();
    EXPECT_EQ(r.error().cause, ErrorKind::FileAccess);
  }
  EXPECT_EQ(leftovers(), 0);

  // Music that is not music.
  AlbumSettings noise = s;
  noise.musicPath = writeScratch("noise.mp3", Bytes(3000, 'n'));
  r = makeAlbum(noise);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.message().rfind(noise.musicPath + ": ", 0), 0u) << r.message();
  EXPECT_EQ(r.kind(), MakeErrorKind::Music);
  EXPECT_EQ(r.error().cause, ErrorKind::NotSupported);
  EXPECT_EQ(readFile(s.outputPath).value(), before);
  EXPECT_EQ(leftovers(), 0);

  // Cancelled part way through the pictures.
  int calls = 0;
  r = makeAlbum(s, [&](const MakeProgress& p) { return !(p.stage == MakeStage::Pictures && ++calls == 3); });
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.kind(), MakeErrorKind::Cancelled);
  EXPECT_EQ(r.message(), "cancelled");
  EXPECT_EQ(leftovers(), 0);

  // An output in a folder that does not exist.
  AlbumSettings nowhere = s;
  nowhere.outputPath = out_ + "/missing/album.swf";
  r = makeAlbum(nowhere);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.message().rfind(nowhere.outputPath + ": ", 0), 0u) << r.message();
  EXPECT_EQ(r.kind(), MakeErrorKind::Output);
  EXPECT_FALSE(fs::exists(out_ + "/missing"));
  EXPECT_EQ(leftovers(), 0);

  // A good run replaces the existing movie.
  AlbumSettings other = s;
  other.pictures.pop_back();
  ASSERT_TRUE(makeAlbum(other).ok());
  EXPECT_NE(readFile(s.outputPath).value(), before);
  EXPECT_EQ(leftovers(), 0);
}

TEST_F(AlbumMaker, ReplacingKeepsPermissionsAndRefusesReadOnlyMovies) {
  AlbumSettings s = threePictures();
  ASSERT_TRUE(makeAlbum(s).ok());
  const auto before = readFile(s.outputPath).value();

#if !defined(_WIN32)
  // A private movie stays private when a new one replaces it.
  fs::permissions(s.outputPath, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
  ASSERT_TRUE(makeAlbum(s).ok());
  EXPECT_EQ(fs::status(s.outputPath).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
#endif

  // A read-only movie is refused and kept.
  const auto writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions(s.outputPath, writable, fs::perm_options::remove);
  if (std::FILE* probe = std::fopen(s.outputPath.c_str(), "r+b")) {
    std::fclose(probe);  // the superuser may change any file: nothing to refuse
  } else {
    AlbumSettings other = s;
    other.pictures.pop_back();
    auto r = makeAlbum(other);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.message().rfind(s.outputPath + ": ", 0), 0u) << r.message();
    EXPECT_NE(r.message().find("read-only"), std::string::npos) << r.message();
    EXPECT_EQ(readFile(s.outputPath).value(), before);
  }
  fs::permissions(s.outputPath, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(leftovers(), 0);
}

TEST_F(AlbumMaker, SkippingBadPicturesKeepsTheGoodOnes) {
  AlbumSettings s = threePictures();
  s.pictures.insert(s.pictures.begin() + 1, {scratchDir() + "/absent.jpg", 0});
  s.skipBadPictures = true;
  auto made = makeAlbum(s);
  ASSERT_TRUE(made.ok()) << made.message();
  EXPECT_EQ(made.value().pictureCount, 3);
  ASSERT_EQ(made.value().skipped.size(), 1u);
  EXPECT_EQ(made.value().skipped[0].path, scratchDir() + "/absent.jpg");

  s.pictures = {{scratchDir() + "/absent.jpg", 0}};
  auto none = makeAlbum(s);
  ASSERT_FALSE(none.ok());
  // The message says why, naming the picture.
  EXPECT_EQ(none.message().rfind("none of the pictures could be read (" + scratchDir() + "/absent.jpg: ", 0),
            0u)
      << none.message();
}

TEST_F(AlbumMaker, MusicFadesOverTheShowsLastSecondsAndEndsWithTheShow) {
  AlbumSettings s = threePictures();
  s.width = 160;
  s.height = 120;
  s.pauseSeconds = 2;
  s.musicPath = writeScratch("long.mp3", mp3(44100, 2, 30.0));
  auto made = makeAlbum(s);
  ASSERT_TRUE(made.ok()) << made.message();
  const player::PcmSound plain = movieSound(s.outputPath);
  const double show = made.value().frameCount / 12.0;
  ASSERT_GT(plain.seconds(), show + 10);

  s.fadeOutSeconds = 3;
  made = makeAlbum(s);
  ASSERT_TRUE(made.ok()) << made.message();
  const player::PcmSound faded = movieSound(s.outputPath);
  ASSERT_EQ(faded.sampleRate, 22050);
  // Nothing plays after the show's end, so a looping movie finds the music
  // finished and starts it again with the show.
  EXPECT_LE(faded.seconds(), show);
  EXPECT_GE(faded.seconds(), show - 0.1);
  const double start = show - 3, level = rms(plain, 0.5, show);
  ASSERT_GT(level, 1000);
  EXPECT_LT(rms(faded, 0, start - 0.1, &plain), 0.01 * level) << "unchanged before the fade";
  for (double part : {0.25, 0.5, 0.75}) {
    const double t = start + 3 * part;
    EXPECT_NEAR(rms(faded, t - 0.1, t + 0.1) / rms(plain, t - 0.1, t + 0.1), 1 - part, 0.05)
        << "the level falls linearly, at " << t << " s";
  }
  EXPECT_LT(rms(faded, show - 0.15, show), 0.05 * level) << "silent at the end";

  // A fade longer than the show fades over all of it.
  s.fadeOutSeconds = 600;
  ASSERT_TRUE(makeAlbum(s).ok());
  const player::PcmSound whole = movieSound(s.outputPath);
  EXPECT_NEAR(rms(whole, show / 2 - 0.1, show / 2 + 0.1) / rms(plain, show / 2 - 0.1, show / 2 + 0.1), 0.5,
              0.05);

  // Music that ends before the fade begins is the same movie as without one.
  s.musicPath = writeScratch("short.mp3", mp3(44100, 2, 2.0));
  s.fadeOutSeconds = 0;
  ASSERT_TRUE(makeAlbum(s).ok());
  const auto unfaded = readFile(s.outputPath);
  s.fadeOutSeconds = 3;
  ASSERT_TRUE(makeAlbum(s).ok());
  EXPECT_TRUE(readFile(s.outputPath).value() == unfaded.value());
  EXPECT_EQ(leftovers(), 0);
}

TEST_F(AlbumMaker, SlideLengthsMatchTheBuiltMovie) {
  // The hold chosen for the music relies on knowing each slide's length.
  AlbumSettings s = threePictures();
  s.pictures.resize(1);
  for (auto [w, h] : {std::pair{800, 600}, std::pair{100, 75}, std::pair{333, 222}}) {
    for (int t = 0; t < 13; ++t) {
      s.width = w;
      s.height = h;
      s.pictures[0].transition = t;
      auto made = makeAlbum(s);
      ASSERT_TRUE(made.ok()) << made.message();
      EXPECT_EQ(made.value().frameCount, static_cast<std::uint32_t>(slideFrameCount(t, w, h) + 1 + 12))
          << "transition " << t << " at " << w << " x " << h;
      EXPECT_EQ(made.value().frameCount, showFrameCount(s.pictures, s.pauseSeconds, w, h));
    }
  }
}

TEST_F(AlbumMaker, HandsTheBuilderWhatTheJobRecordWouldReadFromFiles) {
  // Every transition and music, with a temporary folder that is a file: the
  // make goes through none (even the superuser cannot make a file there).
  AlbumSettings s = threePictures();
  const std::vector<AlbumEntry> kinds = s.pictures;
  s.pictures.clear();
  for (int t = 0; t < slidewright::kTransitionCount; ++t) s.pictures.push_back({kinds[t % 3].path, t});
  s.background = Rgb{0x20, 0x30, 0x40};
  s.musicPath = writeScratch("every.mp3", mp3(44100, 2, 2.0));
  setTempEnv(writeScratch("not-a-folder", Bytes{1}));
  auto made = makeAlbum(s);
  setTempEnv(tmp_);
  ASSERT_TRUE(made.ok()) << made.message();

  // The same pictures rendered and encoded into files, the music re-encoded
  // into a file, and the movie built from the job record that names them.
  DecodeOptions decode;
  decode.background = s.background;
  decode.fitWidth = s.width;
  decode.fitHeight = s.height;
  std::vector<slidewright::AlbumPicture> entries(s.pictures.size());
  std::vector<slidewright::AlbumPicture*> pointers;
  for (std::size_t i = 0; i < s.pictures.size(); ++i) {
    const std::string jpegPath = out_ + "/slide" + std::to_string(i) + ".jpg";
    auto picture = loadPicture(s.pictures[i].path, decode);
    ASSERT_TRUE(picture.ok());
    auto canvas = renderCanvas(picture.value(), s.width, s.height, s.background);
    ASSERT_TRUE(canvas.ok());
    ASSERT_TRUE(writeJpeg(jpegPath, canvas.value()).ok());
    std::snprintf(entries[i].path, sizeof entries[i].path, "%s", jpegPath.c_str());
    entries[i].transition = s.pictures[i].transition;
    pointers.push_back(&entries[i]);
  }
  const std::string musicPath = out_ + "/music.mp3";
  ASSERT_TRUE(reencodeMp3(s.musicPath, musicPath).ok());
  const std::string jobOutput = out_ + "/job.swf";
  slidewright::AlbumJob job{};
  job.size = slidewright::kAlbumJobSize;
  job.outputPath = jobOutput.c_str();
  job.musicPath = musicPath.c_str();
  job.backgroundColor = 0x403020;
  job.width = s.width;
  job.height = s.height;
  job.pauseSeconds = s.pauseSeconds;
  job.loop = 1;
  job.pictures = pointers.data();
  job.pictureCount = static_cast<std::uint32_t>(pointers.size());
  ASSERT_EQ(slidewright::buildAlbum(&job), 1);
  EXPECT_TRUE(readFile(s.outputPath).value() == readFile(jobOutput).value());
}

TEST(SlideLengths, FittingTheMusicCountsSlidesAsTheAlbumBuilderDoes) {
  // Below two steps the album builder writes no transition frames at all;
  // the hold chosen for the music must count the same, not a made-up two.
  for (int t = 0; t < 13; ++t) {
    EXPECT_EQ(slideFrameCount(t, 12, 12),
              static_cast<int>(slidewright::transitionFrameCount(slidewright::TransitionTable[t], 12, 12)));
    EXPECT_EQ(slideFrameCount(t, 640, 480),
              static_cast<int>(slidewright::transitionFrameCount(slidewright::TransitionTable[t], 640, 480)));
  }
  EXPECT_EQ(slideFrameCount(0, 12, 12), 0);
  // Twelve seconds over one such slide: 144 frames, one of them the settled picture.
  EXPECT_EQ(pauseForDuration(12, {0}, 12, 12), 12);
  EXPECT_EQ(slideFrameCount(13, 640, 480), 0) << "no slide for an index out of range";
}

// Any hold the movie can count is made, from none at all up to the last
// second that keeps it within 65535 frames; beyond that, and below 0, the
// settings are refused before anything is read or written.
TEST_F(AlbumMaker, TheHoldRunsFromNoneToTheMoviesFrameLimit) {
  AlbumSettings s = threePictures();
  std::vector<int> transitions;
  for (const AlbumEntry& e : s.pictures) transitions.push_back(e.transition);
  int fixedFrames = 0;
  for (int t : transitions) fixedFrames += slideFrameCount(t, s.width, s.height) + 1;
  const int longest = longestPause(transitions, s.width, s.height);
  EXPECT_EQ(longest, (65535 - fixedFrames) / 36);
  EXPECT_EQ(longestPause({}, 640, 480), kLongestPause);
  EXPECT_EQ(longestPause(std::vector<int>(3000, 9), 640, 480), -1) << "28 frames each without a hold";

  for (int pause : {0, 500, longest}) {
    s.pauseSeconds = pause;
    auto made = makeAlbum(s);
    ASSERT_TRUE(made.ok()) << pause << ": " << made.message();
    EXPECT_EQ(made.value().frameCount, static_cast<std::uint32_t>(fixedFrames + 36 * pause));
  }
  for (int pause : {-1, longest + 1}) {
    s.pauseSeconds = pause;
    auto refused = makeAlbum(s);
    ASSERT_FALSE(refused.ok()) << pause;
    EXPECT_EQ(refused.kind(), MakeErrorKind::Settings);
    EXPECT_NE(refused.message().find("seconds per picture"), std::string::npos) << refused.message();
  }
  EXPECT_EQ(leftovers(), 0);
}

// A picture's own hold replaces the album's for it alone: holds equal to the
// album's make the same bytes as none, others change the movie's length by
// their own frames, and the frame limit counts them.
TEST_F(AlbumMaker, APicturesOwnHoldIsItsAlone) {
  AlbumSettings s = threePictures();
  s.pauseSeconds = 2;
  ASSERT_TRUE(makeAlbum(s).ok());
  const auto plain = readFile(s.outputPath);
  ASSERT_TRUE(plain.ok());
  int fixedFrames = 0;
  for (const AlbumEntry& e : s.pictures) fixedFrames += slideFrameCount(e.transition, s.width, s.height) + 1;

  for (AlbumEntry& e : s.pictures) e.holdSeconds = 2;
  ASSERT_TRUE(makeAlbum(s).ok());
  EXPECT_EQ(readFile(s.outputPath).value(), plain.value());

  s.pictures[0].holdSeconds = 0;
  s.pictures[1].holdSeconds.reset();
  s.pictures[2].holdSeconds = 5;
  auto made = makeAlbum(s);
  ASSERT_TRUE(made.ok()) << made.message();
  EXPECT_EQ(made.value().frameCount, static_cast<std::uint32_t>(fixedFrames + 12 * (0 + 2 + 5)));

  // A long own hold leaves the others less room, and the check says so
  // before anything is read.
  s.pictures[2].holdSeconds = kLongestPause - 100;
  const int longest = longestAlbumPause(s.pictures, s.width, s.height);
  EXPECT_EQ(longest, (65535 - fixedFrames - 12 * (kLongestPause - 100)) / 12);
  s.pauseSeconds = longest + 1;
  auto refused = makeAlbum(s);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.kind(), MakeErrorKind::Settings);
  s.pauseSeconds = 1;
  s.pictures[0].holdSeconds = kLongestPause;
  EXPECT_EQ(longestAlbumPause(s.pictures, s.width, s.height), -1);
  EXPECT_FALSE(makeAlbum(s).ok());
  s.pictures[0].holdSeconds = -1;
  refused = makeAlbum(s);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("picture 1: its seconds"), std::string::npos) << refused.message();
  EXPECT_EQ(leftovers(), 0);
}

TEST_F(AlbumMaker, FitToMusicChoosesTheHold) {
  // 640 x 480: a wipe takes 42 frames, the fade 27, the blinds 27; each slide
  // one more for the settled picture. 60 s of music over three pictures:
  // (720 - 43 - 28 - 28) / 36 = 17.25 -> 17 seconds.
  EXPECT_EQ(pauseForDuration(60, {0, 9, 12}, 640, 480), 17);
  EXPECT_EQ(pauseForDuration(2, {0, 9, 12}, 640, 480), 1);
  EXPECT_EQ(pauseForDuration(36000, {0}, 640, 480), 60);
  // Where no hold of 1 to 60 s fits, the outcome says which way it misses.
  EXPECT_EQ(musicFitFor(60, {0, 9, 12}, 640, 480), MusicFit::Fitted);
  EXPECT_EQ(musicFitFor(2, {0, 9, 12}, 640, 480), MusicFit::ShowOutlastsMusic);
  EXPECT_EQ(musicFitFor(36000, {0}, 640, 480), MusicFit::MusicOutlastsShow);
  AlbumSettings s = threePictures();
  s.fitToMusic = true;
  s.musicPath = writeScratch("fit.mp3", mp3(22050, 1, 20.0));
  auto made = makeAlbum(s);
  ASSERT_TRUE(made.ok()) << made.message();
  EXPECT_EQ(made.value().pauseSeconds, 4);  // (240 - 99) / 36 = 3.9
  EXPECT_EQ(made.value().musicFit, MusicFit::Fitted);
  s.musicPath = writeScratch("short.mp3", mp3(22050, 1, 2.0));
  made = makeAlbum(s);
  ASSERT_TRUE(made.ok()) << made.message();
  EXPECT_EQ(made.value().pauseSeconds, 1);
  EXPECT_EQ(made.value().musicFit, MusicFit::ShowOutlastsMusic);
}

}  // namespace

namespace {

// The movie's frame n (0-based) as the player draws it.
player::Image movieFrame(const std::string& path, size_t n) {
  auto opened = player::MoviePlayer::open(path);
  EXPECT_TRUE(opened) << opened.error().message;
  if (!opened) return {};
  player::MoviePlayer& p = *opened.value();
  p.gotoFrame(n);
  player::Image image(p.stageWidth(), p.stageHeight());
  p.render(image);
  return image;
}

}  // namespace

// A caption in Chinese and Latin letters over a grey picture held for two
// seconds after the fade, the picture still or zooming: white glyph pixels
// and a darker band inside the band's rectangle, the picture untouched
// outside it; fainter on the hold's first frame, gone once the hold is over.
// The moving album shows the caption exactly as the still one does.
TEST_F(AlbumMaker, CaptionsStandOnTheirBandWhileThePictureIsHeld) {
  const Rgb grey{128, 128, 128};
  const std::string picture = writeScratch("grey.png", png(solid(320, 240, grey), 2));
  struct Row {
    const char* name;
    slidewright::MotionKind motion;
  };
  std::vector<player::Image> heldFrames;
  for (const Row& row :
       {Row{"still", slidewright::MotionKind::None}, Row{"zooming", slidewright::MotionKind::ZoomIn}}) {
    SCOPED_TRACE(row.name);
    AlbumSettings s;
    s.pictures = {{picture, 9, 2, slidewright::Motion{row.motion, {}, {}}, "日落 Sunset 2024"}};
    s.width = 320;
    s.height = 240;
    s.outputPath = out_ + "/caption-" + row.name + ".swf";
    ASSERT_TRUE(makeAlbum(s).ok());

    auto captions = layoutCaptions(s.pictures, s.width, s.height);
    ASSERT_TRUE(captions.ok()) << captions.message();
    const slidewright::AlbumCaption& c = *captions.value()[0];
    const slidewright::CaptionPlacement at = slidewright::placeCaption(s.width, s.height, c.width, c.height);
    ASSERT_GT(at.bandTop, s.height * 0.8);

    struct Seen {
      int white = 0, dark = 0, strayOutside = 0;
      double bandMean = 0;
    };
    auto look = [&](const player::Image& image) {
      Seen seen;
      int bandPixels = 0;
      for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
          const std::uint8_t v = image.row(y)[x * 4 + 1];
          const bool inBand = y >= std::ceil(at.bandTop);
          const bool inText = x >= std::floor(at.textX) && x < std::ceil(at.textX + c.width) &&
                              y >= std::floor(at.textY) && y < std::ceil(at.textY + c.height);
          if (!inBand && y < std::floor(at.bandTop)) {
            seen.strayOutside += std::abs(int(v) - 128) > 3;
            continue;
          }
          if (!inBand) continue;
          bandPixels++;
          seen.bandMean += v;
          if (v > 240) {
            seen.white++;
            EXPECT_TRUE(inText) << "white at " << x << "," << y;
          }
          seen.dark += v < 80;
        }
      seen.bandMean /= std::max(bandPixels, 1);
      return seen;
    };
    const int transition = slideFrameCount(9, s.width, s.height);
    heldFrames.push_back(movieFrame(s.outputPath, size_t(transition + 12)));
    const Seen held = look(heldFrames.back());
    EXPECT_EQ(held.strayOutside, 0);
    EXPECT_GT(held.white, 30) << "12-pixel text: its stems are white";
    EXPECT_GT(held.dark, 1000) << "the band darkens the picture (128 at 0.45: about 70)";
    const Seen first = look(movieFrame(s.outputPath, size_t(transition)));
    EXPECT_EQ(first.white, 0) << "faint on the hold's first frame";
    EXPECT_GT(first.bandMean, held.bandMean + 20);
    const Seen after = look(movieFrame(s.outputPath, size_t(transition + 24)));
    EXPECT_EQ(after.white + after.dark, 0);
    EXPECT_NEAR(after.bandMean, 128, 3);
  }
  ASSERT_EQ(heldFrames.size(), 2u);
  int differing = 0;
  for (int y = 0; y < heldFrames[0].height; ++y)
    for (int x = 0; x < heldFrames[0].width * 4; ++x)
      differing += std::abs(int(heldFrames[0].row(y)[x]) - int(heldFrames[1].row(y)[x])) > 2;
  EXPECT_EQ(differing, 0) << "the zooming grey picture's caption differs from the still one's";
}
