// `slidewright video` as a user runs it, checked by decoding what it wrote
// with FFmpeg's decoders: every frame against the player's drawing of it,
// the video's length, and the sound against the movie's music.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>

#include "fidelity.h"
#include "player/movie_player.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace exporttest;
namespace probe = slidewright::exports::probe;
using probe::FrameFidelity;
using probe::measureFrames;
using probe::measureSound;
using probe::SoundFidelity;

// What every exported video must show, whatever the album; the measures, with
// the video as decoded, for the sound's checks.
FrameFidelity expectFaithful(const std::string& movie, const std::string& video, const std::string& codecs) {
  SCOPED_TRACE(video);
  const FrameFidelity f = measureFrames(movie, video);
  const auto& v = f.video;
  EXPECT_EQ(v.videoCodec + "/" + v.audioCodec, codecs);
  EXPECT_EQ(v.pixelFormat, "yuv420p");
  EXPECT_EQ(v.colorSpace, "bt709");
  EXPECT_EQ(v.colorRange, "tv");
  EXPECT_TRUE(v.indexFirst) << "the index is not at the front, for playing while downloading";
  EXPECT_NEAR(v.framesPerSecond, f.framesPerSecond, 1e-6);

  // A looping movie once through, frame for frame; it lasts frames / rate.
  EXPECT_EQ(size_t(v.frames), f.movieFrames);
  const double seconds = double(f.movieFrames) / f.framesPerSecond;
  EXPECT_NEAR(v.videoStart, 0.0, 1e-3);
  EXPECT_NEAR(v.videoEnd, seconds, 1.0 / f.framesPerSecond);

  EXPECT_GE(f.worstChangingDb, 35.0) << "worst at frame " << f.worstChangingFrame;
  EXPECT_GE(f.worstHoldDb, 35.0);
  // Compared as displayed, the colours come out right (a wrong colour
  // matrix or range costs more than 6 dB here).
  EXPECT_GE(f.worstHoldRgbDb, 35.0);
  // Every frame that changes is closest to its own frame of the movie, not
  // to the one before or after it.
  EXPECT_EQ(f.closerToNeighbour, std::vector<long>{});
  return f;
}

std::string exportTo(const std::string& movie, const std::string& name, std::vector<std::string> extra = {}) {
  const std::string video = scratch(name);
  std::vector<std::string> args = {"video", movie, "-o", video};
  args.insert(args.end(), extra.begin(), extra.end());
  const Outcome r = run(args);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << "no progress bar or chatter when stderr is not a terminal: " << r.err;
  return video;
}

// Every transition at 320 x 240 with 20 s of music, shorter than the show:
// the music plays from the first frame, then the track is silent to the end.
void allTransitionsWithMusic(const std::string& extension, const std::string& codecs) {
  const std::string music = writeMusic("music20.mp3", 20);
  AlbumSpec spec;
  spec.name = "all";
  spec.music = music;
  for (int t = 0; t < 13; ++t) spec.transitions.push_back(t);
  const std::string movie = makeAlbum(spec);
  const std::string video = exportTo(movie, "all" + extension);
  const probe::ProbedVideo v = expectFaithful(movie, video, codecs).video;
  const SoundFidelity s = measureSound(movie, v);
  const double frame = 1.0 / 12;
  ASSERT_GT(s.musicSeconds, 19.5);
  EXPECT_NEAR(s.trackStart, 0.0, 0.002);
  EXPECT_LE(std::fabs(s.bestLagMs), 1.0) << "the sound is out of step with the pictures";
  EXPECT_GE(s.correlation, 0.9);
  EXPECT_NEAR(s.audibleUntil, s.musicSeconds, 0.1) << "the track is as long as the music";
  EXPECT_LT(s.silentPeak, 0.01) << "and silent after it";
  EXPECT_NEAR(s.trackSeconds, double(v.frames) * frame, frame) << "the track runs to the video's end";
}

TEST(VideoFidelity, AllTransitionsWithMusicToMp4) { allTransitionsWithMusic(".mp4", "h264/aac"); }
TEST(VideoFidelity, AllTransitionsWithMusicToWebm) { allTransitionsWithMusic(".webm", "vp9/opus"); }

// A silent album made to stop at its end: every frame up to the stop, and a
// silent track as long as the video.
TEST(VideoFidelity, SilentAlbumThatStops) {
  AlbumSpec spec;
  spec.name = "silent";
  spec.loop = false;
  spec.transitions = {4, 9, 12, 10};
  spec.background = "#f0e0c0";
  const std::string movie = makeAlbum(spec);
  for (const std::string ext : {".mp4", ".webm"}) {
    const std::string video = exportTo(movie, "silent" + ext);
    const probe::ProbedVideo v = expectFaithful(movie, video, ext == ".mp4" ? "h264/aac" : "vp9/opus").video;
    const SoundFidelity s = measureSound(movie, v);
    EXPECT_EQ(s.musicSeconds, 0.0);
    EXPECT_LT(s.loudestSample, 1e-3) << ext;
    EXPECT_NEAR(s.trackSeconds, double(v.frames) / 12, 1.0 / 12) << ext;
  }
}

// 800 x 600 with music longer than the show: the track is cut where the
// video ends, fading in its last milliseconds rather than clicking.
TEST(VideoFidelity, LargeAlbumWithLongerMusic) {
  AlbumSpec spec;
  spec.name = "large";
  spec.width = 800;
  spec.height = 600;
  spec.transitions = {5, 9, 11};
  spec.music = writeMusic("music30.mp3", 30);
  const std::string movie = makeAlbum(spec);
  for (const std::string ext : {".mp4", ".webm"}) {
    const std::string video = exportTo(movie, "large" + ext);
    const probe::ProbedVideo v = expectFaithful(movie, video, ext == ".mp4" ? "h264/aac" : "vp9/opus").video;
    const SoundFidelity s = measureSound(movie, v);
    const double seconds = double(v.frames) / 12;
    EXPECT_LE(std::fabs(s.bestLagMs), 1.0) << ext;
    EXPECT_NEAR(s.trackSeconds, seconds, 1.0 / 12) << ext;
    EXPECT_NEAR(s.audibleUntil, seconds, 0.05) << ext;
    const size_t last = v.audio.size() - size_t(v.sampleRate / 2000);  // the last half millisecond
    double tail = 0;
    for (size_t k = last; k < v.audio.size(); ++k) tail = std::max(tail, double(std::fabs(v.audio[k])));
    EXPECT_LT(tail, 0.05) << ext << ": the music is faded out at the cut";
  }
}

// A left-to-right wipe made at 12 frames a second, filmed at 30: the wipe's
// edge moves on every video frame, the frames at the movie's own times are
// the movie's frames, those between lie between them, and the music stays
// in step.
TEST(VideoFrameRate, AWipeAtThirtyFramesMovesOnEveryFrame) {
  AlbumSpec spec;
  spec.name = "smooth";
  spec.transitions = {0, 0};
  spec.music = writeMusic("music4.mp3", 4);
  const std::string movie = makeAlbum(spec);
  const std::string video = exportTo(movie, "smooth.mp4", {"--fps", "30", "--crf", "0"});

  auto opened = player::MoviePlayer::open(movie);
  ASSERT_TRUE(opened) << opened.error().message;
  player::MoviePlayer& p = *opened.value();
  std::vector<player::Image> shown;
  for (size_t k = 0; k < p.frameCount(); ++k) {
    if (k) p.nextFrame();
    shown.emplace_back(p.stageWidth(), p.stageHeight());
    p.render(shown.back());
  }
  std::vector<player::Image> filmed;
  probe::ProbedVideo v;
  std::string error;
  ASSERT_TRUE(probe::probeVideo(
      video, [&](int64_t, const probe::DecodedFrame& f) { filmed.push_back(f.rgba); }, &v, &error))
      << error;
  const size_t n = shown.size();
  EXPECT_NEAR(v.framesPerSecond, 30, 1e-6);
  ASSERT_EQ(filmed.size(), (n * 30 + 11) / 12);

  // The second wipe runs over movie frames from..to: `from` shows the first
  // picture whole, `to` the second.
  size_t to = n - 1;
  while (to > 0 && shown[to].pixels == shown[to - 1].pixels) --to;
  size_t from = to;
  while (from > 0 && shown[from].pixels != shown[from - 1].pixels) --from;
  ASSERT_GE(to, from + 4) << "the wipe lasts a few frames";
  // How far the edge has come: pixels a row nearer the second picture than
  // the first, over all rows. Filmed losslessly, so that the codec does not
  // move the edge.
  const int w = shown[0].width, h = shown[0].height;
  auto edge = [&](const player::Image& img) {
    int count = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        int nearA = 0, nearB = 0;
        for (int c = 0; c < 3; ++c) {
          nearA += std::abs(img.row(y)[4 * x + c] - shown[from].row(y)[4 * x + c]);
          nearB += std::abs(img.row(y)[4 * x + c] - shown[to].row(y)[4 * x + c]);
        }
        count += nearB < nearA;
      }
    return double(count) / h;
  };
  double before = -1;
  for (size_t j = (from * 30 + 11) / 12; j * 12 <= to * 30; ++j) {
    SCOPED_TRACE("video frame " + std::to_string(j));
    const double e = edge(filmed[j]);
    if (j * 12 % 30 == 0) {
      const size_t k = j * 12 / 30;
      EXPECT_GE(probe::psnr(filmed[j], shown[k], w, h), 35.0);
      EXPECT_NEAR(e, edge(shown[k]), 1.5);
    }
    if (before >= 0) {
      EXPECT_GT(e, before + 0.5) << "the edge did not move";
    }
    before = e;
  }

  const SoundFidelity s = measureSound(movie, v);
  EXPECT_LE(std::fabs(s.bestLagMs), 1.0);
  EXPECT_GE(s.correlation, 0.9);
  EXPECT_NEAR(s.trackSeconds, double(v.frames) / 30, 1.0 / 30);
}

// A movie of odd size gets one more column and row of its background colour,
// since yuv420p needs even sides; the picture itself is not scaled.
TEST(VideoSize, OddSidesArePaddedWithTheBackground) {
  AlbumSpec spec;
  spec.name = "odd";
  spec.width = 251;
  spec.height = 187;
  spec.transitions = {4, 12};
  spec.background = "#c03060";
  const std::string movie = makeAlbum(spec);
  const std::string video = exportTo(movie, "odd.mp4");
  const FrameFidelity f = measureFrames(movie, video);
  EXPECT_EQ(f.video.width, 252);
  EXPECT_EQ(f.video.height, 188);
  EXPECT_GE(f.worstChangingDb, 35.0);
  EXPECT_GE(f.worstHoldRgbDb, 35.0) << "the picture keeps its pixels";
}

// --size draws the movie scaled to fit, keeping its proportions, with bars
// of the background colour at the sides; nothing of the picture spills into
// them, not even the opening circle, which reaches past the stage.
TEST(VideoSize, SizeScalesToFitWithBarsOfTheBackground) {
  AlbumSpec spec;
  spec.name = "wide";
  spec.transitions = {4, 0};
  spec.background = "#3060c0";
  const std::string movie = makeAlbum(spec);
  const std::string video = exportTo(movie, "wide.mp4", {"--size", "640x360"});
  probe::ProbedVideo v;
  std::string error;
  double worstBar = 0;  // largest difference from the background colour in the bars
  ASSERT_TRUE(probe::probeVideo(
      video,
      [&](int64_t, const probe::DecodedFrame& frame) {
        for (int y = 4; y < 356; y += 7)
          for (int x : {2, 40, 76, 564, 600, 637}) {
            const uint8_t* p = frame.rgba.row(y) + 4 * x;
            const int background[3] = {0x30, 0x60, 0xc0};
            for (int c = 0; c < 3; ++c) worstBar = std::max(worstBar, double(std::abs(p[c] - background[c])));
          }
      },
      &v, &error))
      << error;
  EXPECT_EQ(v.width, 640);
  EXPECT_EQ(v.height, 360);
  EXPECT_LT(worstBar, 6.0);
  const FrameFidelity f = measureFrames(movie, video, 640, 360);
  EXPECT_GE(f.worstHoldRgbDb, 35.0);
  EXPECT_GE(f.worstHoldDb, 35.0);
}

TEST(VideoCommand, WrongCommandLinesExitWithTwo) {
  AlbumSpec spec;
  spec.name = "usage";
  spec.transitions = {0};
  const std::string movie = makeAlbum(spec);
  const std::string out = scratch("usage.mp4");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"video", "-o", out}, "no movie given"},
      {{"video", movie}, "no output file given"},
      {{"video", movie, "-o", scratch("usage.avi")}, "must end in .mp4 or .webm"},
      {{"video", movie, "-o", out, "--crf", "52"}, "--crf must be 0 to 51"},
      {{"video", movie, "-o", out, "--crf", "high"}, "--crf needs a whole number"},
      {{"video", movie, "-o", out, "--preset", "quick"}, "unknown preset 'quick'"},
      {{"video", movie, "-o", out, "--size", "640"}, "--size needs WIDTHxHEIGHT"},
      {{"video", movie, "-o", out, "--size", "8x8"}, "--size needs WIDTHxHEIGHT"},
      {{"video", movie, "-o", out, "--audio-bitrate", "2"}, "--audio-bitrate"},
      {{"video", movie, movie, "-o", out}, "more than one movie"},
      {{"video", movie, "-o", out, "--fast"}, "unknown option '--fast'"},
      {{"video", movie, "-o", out, "--quiet=yes"}, "takes no value"},
  };
  for (const auto& [args, message] : cases) {
    const Outcome r = run(args);
    EXPECT_EQ(r.status, 2) << message;
    EXPECT_TRUE(contains(r.err, message)) << r.err;
    EXPECT_FALSE(fs::exists(out));
  }
  // VP9 takes a wider quality range than H.264.
  const Outcome webm = run({"video", "-q", movie, "-o", scratch("usage.webm"), "--crf", "60"});
  EXPECT_EQ(webm.status, 0) << webm.err;
  EXPECT_TRUE(webm.out.empty());
  const Outcome help = run({"video", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(contains(help.out, "Usage: slidewright video"));
  const Outcome list = run({"--help"});
  EXPECT_TRUE(contains(list.out, "video ")) << list.out;
  EXPECT_TRUE(contains(list.out, "web ")) << list.out;
  EXPECT_FALSE(contains(list.out, "not in this build")) << list.out;
}

TEST(VideoCommand, FailuresNameTheFileAndLeaveNothing) {
  AlbumSpec spec;
  spec.name = "fail";
  spec.transitions = {0};
  const std::string movie = makeAlbum(spec);
  const std::string kept = scratch("kept.mp4");
  ASSERT_EQ(run({"video", "-q", movie, "-o", kept}).status, 0);
  const std::string before = slurp(kept);

  Outcome r = run({"video", scratch("absent.swf"), "-o", kept});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, scratch("absent.swf") + ": cannot open the movie")) << r.err;

  const std::string notMovie = writePicture(0, 64, 48);
  r = run({"video", notMovie, "-o", kept});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "slidewright: " + notMovie + ": ")) << r.err;
  EXPECT_EQ(slurp(kept), before) << "the earlier video is kept";

  r = run({"video", movie, "-o", scratch("no/such/folder/v.mp4")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "cannot write there")) << r.err;

  r = run({"video", movie, "-o", scratch()});
  EXPECT_EQ(r.status, 2) << "a folder is no video name";

  if (::geteuid() != 0) {  // root may write anything
    ::chmod(kept.c_str(), 0444);
    r = run({"video", movie, "-o", kept});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "cannot be replaced")) << r.err;
    ::chmod(kept.c_str(), 0644);
  }
  for (const auto& e : fs::directory_iterator(scratch()))
    EXPECT_NE(e.path().extension(), ".part") << "a partial video was left: " << e.path();
}

// `slidewright make -o SHOW.mp4`: the album made and turned into a video in
// one step, leaving no movie behind.
TEST(VideoCommand, MakeWritesAVideoInOneStep) {
  const std::string temp = scratch("tmp");
  fs::create_directories(temp);
  std::vector<std::string> args = {"make",
                                   "-W",
                                   "320",
                                   "-H",
                                   "240",
                                   "-t",
                                   "fade",
                                   writePicture(0, 320, 240),
                                   "-t",
                                   "circle",
                                   writePicture(1, 320, 240),
                                   "-o"};
  auto asMovie = args, asVideo = args;
  asMovie.push_back(scratch("one-step.swf"));
  asVideo.insert(asVideo.end(), {scratch("One-Step.MP4"), "--fps", "12"});
  ASSERT_EQ(run(asMovie).status, 0);
  const Outcome r = run(asVideo, temp);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(contains(r.out, "Video written: " + scratch("One-Step.MP4"))) << r.out;
  EXPECT_FALSE(fs::exists(scratch("One-Step.MP4.swf")));
  EXPECT_TRUE(fs::is_empty(temp)) << "the album's movie is not left behind";
  const FrameFidelity f = measureFrames(scratch("one-step.swf"), scratch("One-Step.MP4"));
  EXPECT_EQ(size_t(f.video.frames), f.movieFrames);
  EXPECT_GE(f.worstChangingDb, 35.0);
}

// A video is not made without the sound the movie plays: a movie whose
// music holds no audio fails by name, leaving no file.
TEST(VideoCommand, AMovieWhoseSoundCannotBePlayedMakesNoVideo) {
  const std::vector<unsigned char> mp3 = encodeMusic(2.0, 22050, 32, true);
  const std::string movie = writeMusicMovie("damaged-sound.swf", mp3, 36);
  std::string bytes = slurp(movie);
  const size_t at = bytes.find(std::string(mp3.begin(), mp3.end()));
  ASSERT_NE(at, std::string::npos);
  std::fill(bytes.begin() + long(at), bytes.begin() + long(at + mp3.size()), '\0');
  std::ofstream(movie, std::ios::binary | std::ios::trunc) << bytes;
  const Outcome r = run({"video", movie, "-o", scratch("damaged-sound.mp4")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "damaged-sound.swf: the movie's sound cannot be put into the video (sound 1: "))
      << r.err;
  EXPECT_FALSE(fs::exists(scratch("damaged-sound.mp4")));
}

// Any folder entry whose name starts or ends so.
bool holds(const std::string& dir, const std::string& prefix, const std::string& suffix) {
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name.rfind(prefix, 0) == 0 && name.size() >= suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
      return true;
  }
  return false;
}

// True once `seconds` have passed since it was first asked; it then starts
// again, so that each run of a command is given the same time.
std::function<bool()> afterSeconds(double seconds) {
  auto start = std::make_shared<std::optional<std::chrono::steady_clock::time_point>>();
  return [=] {
    const auto now = std::chrono::steady_clock::now();
    if (!*start) *start = now;
    if (std::chrono::duration<double>(now - **start).count() < seconds) return false;
    start->reset();
    return true;
  };
}

// Ctrl-C, a polite kill or the terminal closing in the middle of `make`,
// `make -o SHOW.mp4` or `video`: the staged movie, the temporary movie and
// the partial video are removed, and the exit status is 128 + the
// signal's number.
TEST(VideoCommand, StoppedCommandsLeaveNothingAndSayWhichSignal) {
  AlbumSpec spec;
  spec.name = "long";
  spec.width = 800;
  spec.height = 600;
  spec.transitions = {0, 1, 2, 3, 4};
  const std::string movie = makeAlbum(spec);
  const std::string photo = writePicture(7, 1600, 1200);
  std::vector<std::string> make = {"make", "-q", "-W", "320", "-H", "240"};
  for (int k = 0; k < 2500; ++k) make.push_back(photo);

  const std::string tmp = scratch("stop-tmp"), out = scratch("stop-out");
  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::function<bool()> ready;  // the files to be cleaned up exist
  };
  std::vector<std::string> makeMovie = make, makeVideo = make;
  makeMovie.insert(makeMovie.end(), {"-s", "0", "-o", out + "/show.swf"});
  makeVideo.resize(6 + 40);
  makeVideo.insert(makeVideo.end(), {"-o", out + "/show.mp4"});
  const Case cases[] = {
      // The pictures are rendered in memory: half a second into the work,
      // nothing is written yet, and nothing may be left.
      {"make", makeMovie, afterSeconds(0.5)},
      {"make -o show.mp4", makeVideo, [&] { return holds(out, ".show.mp4", ".part"); }},
      {"video", {"video", "-q", movie, "-o", out + "/show.webm"}, [&] { return holds(out, "", ".part"); }},
  };
  for (const Case& c : cases) {
    for (int sig : {SIGHUP, SIGTERM, SIGINT}) {
      SCOPED_TRACE(std::string(c.what) + ", signal " + std::to_string(sig));
      fs::create_directories(tmp);
      fs::create_directories(out);
      EXPECT_EQ(stopMidway(c.args, tmp, c.ready, sig), 128 + sig);
      EXPECT_TRUE(fs::is_empty(tmp)) << "a temporary file is left";
      EXPECT_TRUE(fs::is_empty(out)) << "a partial or unasked output is left";
      fs::remove_all(tmp);
      fs::remove_all(out);
    }
  }
}

}  // namespace
