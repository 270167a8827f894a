// Videos drawn from an album's own pictures: at the album's size and 12
// frames a second they agree with the movie frame by frame; at 1080p and 30
// frames a second they are sharper than the movie can be and move every frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "album/scene.h"
#include "fidelity.h"
#include "media/canvas.h"
#include "media/picture.h"
#include "test_support.h"

namespace {

using namespace exporttest;
namespace probe = slidewright::exports::probe;

// Albums at 320 x 240: every transition on still pictures, and every motion
// on wipes, the circle, strips and the cross-fade (zooms and pans of
// pictures wider and taller than the album, so that the letterbox bars move
// too), with captions in Chinese and Latin letters on some. The video of the
// album file at 12 frames a second shows what the player draws of the
// album's movie, frame for frame (the movie's own video is held to the same
// measure by VideoFidelity).
TEST(AlbumVideo, AtTheAlbumsSizeAnd12FpsItAgreesWithTheMovieFrameByFrame) {
  struct Case {
    std::string name;
    std::vector<std::string> pictures;  // options and pictures
  };
  std::vector<std::string> stills;
  for (int t = 0; t < 13; ++t) {
    // Captions over a wipe and the fade.
    if (t == 0) stills.insert(stills.end(), {"--caption", "海边的日落 Sunset by the sea"});
    if (t == 9) stills.insert(stills.end(), {"--caption", "生日快乐 Happy birthday, Bob!"});
    stills.insert(stills.end(), {"-t", std::to_string(t), writePicture(t, 400 + 40 * t, 300)});
  }
  struct Moving {
    const char* motion;
    const char* transition;
    int width, height;
    const char* caption;  // nullptr: none
  };
  const Moving moves[] = {{"zoom-in", "fade", 400, 300, "山间小路 A path in the hills"},
                          {"pan-left", "circle", 640, 300, nullptr},
                          {"pan-up", "left-to-right", 300, 400, nullptr},
                          {"zoom-out", "strips", 480, 360, "雪 Snow, at last"},
                          {"pan-right", "fade", 400, 300, nullptr},
                          {"pan-down", "diagonal-top-left", 400, 300, nullptr},
                          {"none", "rectangle", 400, 300, nullptr},
                          {"auto", "bottom-to-top", 400, 300, nullptr}};
  std::vector<std::string> moving = {"-s", "1", "--seed", "7"};
  int n = 1;
  for (const Moving& m : moves) {
    if (m.caption) moving.insert(moving.end(), {"--caption", m.caption});
    moving.insert(moving.end(),
                  {"--motion", m.motion, "-t", m.transition, writePicture(n++, m.width, m.height)});
  }
  const std::vector<Case> cases = {{"stills", stills}, {"moving", moving}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"make", "-W", "320", "-H", "240", "-b", "#203040"};
    args.insert(args.end(), c.pictures.begin(), c.pictures.end());
    const std::string album = scratch(c.name + ".swalbum"), movie = scratch(c.name + ".swf"),
                      video = scratch(c.name + "-album.mp4");
    args.insert(args.end(), {"--save-album", album, "-o", movie});
    const Outcome made = run(args);
    ASSERT_EQ(made.status, 0) << made.err;
    const Outcome r = run({"video", album, "-o", video, "--fps", "12"});
    ASSERT_EQ(r.status, 0) << r.err;

    const probe::FrameFidelity f = probe::measureFrames(movie, video);
    EXPECT_EQ(size_t(f.video.frames), f.movieFrames);
    EXPECT_GE(f.worstChangingDb, 35.0) << "worst at frame " << f.worstChangingFrame;
    EXPECT_GE(f.worstHoldDb, 35.0);
    // The movie draws a moving picture from its nearest pixels, the video
    // samples between them: where a slow motion barely changes a frame, the
    // two samplings may measure a frame as near its neighbour as its own.
    // A frame a whole step early or late in the motion measures decibels off.
    if (c.name == "stills")
      EXPECT_EQ(f.closerToNeighbour, std::vector<long>{});
    else
      EXPECT_LT(f.mostCloserToNeighbourDb, 0.5) << "frames " << ::testing::PrintToString(f.closerToNeighbour);
  }
}

// Root mean square of the video's sound from `from` to `to` seconds.
double rms(const probe::ProbedVideo& v, double from, double to) {
  const auto at = [&](double t) {
    return std::min(v.audio.size(), size_t(std::max(0.0, (t - v.audioStart) * v.sampleRate)));
  };
  double sum = 0;
  for (size_t i = at(from); i < at(to); ++i) sum += double(v.audio[i]) * v.audio[i];
  return at(to) > at(from) ? std::sqrt(sum / double(at(to) - at(from))) : 0.0;
}

// The album's video fades its music as the movie does: as before until the
// show's last 3 seconds, then falling linearly to silence at its end.
TEST(AlbumVideo, TheMusicFadesOverTheShowsLastSeconds) {
  const std::vector<std::string> args = {"make",
                                         "-W",
                                         "160",
                                         "-H",
                                         "120",
                                         "-s",
                                         "2",
                                         writePicture(1, 320, 240),
                                         writePicture(2, 320, 240),
                                         "-m",
                                         writeMusic("fade.mp3", 30),
                                         "--fps",
                                         "12",
                                         "-o"};
  auto plainArgs = args, fadedArgs = args;
  plainArgs.push_back(scratch("plain.mp4"));
  fadedArgs.insert(fadedArgs.end(), {scratch("faded.mp4"), "--fade-out", "3"});
  ASSERT_EQ(run(plainArgs).status, 0);
  const Outcome r = run(fadedArgs);
  ASSERT_EQ(r.status, 0) << r.err;
  probe::ProbedVideo plain, faded;
  std::string error;
  ASSERT_TRUE(probe::probeVideo(scratch("plain.mp4"), {}, &plain, &error)) << error;
  ASSERT_TRUE(probe::probeVideo(scratch("faded.mp4"), {}, &faded, &error)) << error;

  const double show = double(faded.frames) / 12, start = show - 3, level = rms(plain, 0.5, show);
  ASSERT_GT(level, 0.05);
  EXPECT_NEAR(rms(faded, 0.5, start - 0.3) / rms(plain, 0.5, start - 0.3), 1.0, 0.02);
  for (double part : {0.25, 0.5, 0.75}) {
    const double t = start + 3 * part;
    EXPECT_NEAR(rms(faded, t - 0.1, t + 0.1) / rms(plain, t - 0.1, t + 0.1), 1 - part, 0.07) << t << " s";
  }
  EXPECT_LT(rms(faded, show - 0.15, show), 0.05 * level);
}

// A 640 x 480 album made into 1080p at 30 frames a second: a held picture
// is the original fitted to 1440 x 1080 between bars, which an upscaled
// movie is not; during a wipe every frame differs from the one before.
TEST(AlbumVideo, At1080p30ItIsSharpAndSmooth) {
  const std::string a = writePicture(1, 2400, 1800), b = writePicture(2, 2400, 1800);
  const std::vector<std::string> pictures = {
      "make", "-W", "640", "-H", "480", "-b", "#000000", "-t", "left-to-right", a, "-t", "circle", b, "-o"};
  auto asVideo = pictures, asMovie = pictures;
  asVideo.insert(asVideo.end(), {scratch("hd.mp4"), "--size", "1920x1080"});
  asMovie.push_back(scratch("hd.swf"));
  ASSERT_EQ(run(asVideo).status, 0);
  ASSERT_EQ(run(asMovie).status, 0);
  ASSERT_EQ(run({"video", scratch("hd.swf"), "-o", scratch("hd-movie.mp4"), "--size", "1920x1080"}).status,
            0);

  // The first picture fitted into 1440 x 1080, between bars of 240 pixels.
  auto original = slidewright::media::loadPicture(a);
  ASSERT_TRUE(original);
  auto fitted = slidewright::media::renderCanvas(original.value(), 1440, 1080, {0, 0, 0});
  ASSERT_TRUE(fitted);
  player::Image reference(1920, 1080);
  reference.fill(player::Rgba{0, 0, 0, 255});
  for (int y = 0; y < 1080; ++y)
    for (int x = 0; x < 1440; ++x) {
      const auto c = fitted.value().at(x, y);
      uint8_t* p = reference.row(y) + size_t(240 + x) * 4;
      p[0] = c.r, p[1] = c.g, p[2] = c.b;
    }

  // The timeline in movie frames: the wipe's edge moves from its second
  // frame to its last, then the picture holds. (The circle is not counted:
  // once it covers the album's corners it grows on unseen.)
  const slidewright::AlbumScene scene(640, 480, false, {{0, 1}, {4, 1}});
  const int wipe = slidewright::MorphSchedule::of(1, 640, 480).frames();
  const int held = (wipe + 6) * 30 / 12;
  const int wipeFrom = 1 * 30 / 12, wipeTo = (wipe - 1) * 30 / 12;

  auto heldPsnr = [&](const std::string& video, std::vector<player::Image>* frames) {
    double db = 0;
    std::string error;
    probe::ProbedVideo v;
    EXPECT_TRUE(probe::probeVideo(
        video,
        [&](int64_t i, const probe::DecodedFrame& f) {
          if (i == held) db = probe::psnr(f.rgba, reference, 1920, 1080);
          if (frames) frames->push_back(f.rgba);
        },
        &v, &error))
        << error;
    return db;
  };
  std::vector<player::Image> frames;
  const double sharp = heldPsnr(scratch("hd.mp4"), &frames),
               upscaled = heldPsnr(scratch("hd-movie.mp4"), nullptr);
  EXPECT_GE(sharp, 35.0);
  EXPECT_GT(sharp, upscaled + 3) << "the movie's upscale measures " << upscaled << " dB";

  ASSERT_EQ(frames.size(), size_t(scene.frameCount() * 30 / 12));
  int repeated = 0;
  for (int k = wipeFrom + 1; k < wipeTo; ++k)
    if (probe::psnr(frames[k], frames[k - 1], 1920, 1080) >= 60) ++repeated;
  EXPECT_EQ(repeated, 0) << "frames repeated while the wipe moves";
}

}  // namespace
