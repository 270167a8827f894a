#include <gtest/gtest.h>

#include <string>

#include "MovieView.h"
#include "TestFolder.h"
#include "TestMovies.h"
#include "TestPump.h"
#include "player/music_player.h"

using testmovies::MovieSpec;

namespace {

// A plain top-level window at the screen's corner to hold the controls,
// made once: Wine takes a couple of seconds to destroy a top-level window.
class HostWindow {
 public:
  HostWindow() {
    static HWND shared = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = DefWindowProcA;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = "MovieViewTestHost";
      RegisterClassA(&wc);
      return CreateWindowExA(0, "MovieViewTestHost", "host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                             500, 400, nullptr, nullptr, wc.hInstance, nullptr);
    }();
    hwnd_ = shared;
    pumpFor(20);
  }
  HWND get() const { return hwnd_; }

 private:
  HWND hwnd_;
};

std::unique_ptr<MovieView> makeView(HWND parent, RECT rect, player::AudioOutput* audio = nullptr) {
  MovieViewArgs args;
  args.parent = parent;
  args.rect = rect;
  args.controlId = 1003;
  args.audio = audio;
  return MovieView::create(GetModuleHandleA(nullptr), args);
}

// The colour on screen at a point of the control's client area, after it
// has painted.
COLORREF pixelAt(HWND control, int x, int y) {
  UpdateWindow(control);
  WindowDC dc(control);
  return GetPixel(dc.get(), x, y) & 0xFFFFFF;
}

TEST(MovieViewParts, ShowAllKeepsTheWholeMovieCentred) {
  struct Case {
    int cw, ch, sw, sh;
    RECT expected;
  };
  const Case cases[] = {
      {400, 200, 200, 200, {100, 0, 300, 200}},  // bars left and right
      {200, 400, 200, 200, {0, 100, 200, 300}},  // bars above and below
      {240, 180, 800, 600, {0, 0, 240, 180}},    // the preview's 4:3 box: exact fit
      {1024, 768, 640, 480, {0, 0, 1024, 768}},  // enlarged to fill the screen
      {1280, 1024, 800, 600, {0, 32, 1280, 992}}, {0, 100, 200, 200, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const RECT r = showAllRect(c.cw, c.ch, c.sw, c.sh);
    EXPECT_TRUE(EqualRect(&r, &c.expected)) << c.cw << "x" << c.ch << " for " << c.sw << "x" << c.sh << ": "
                                            << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  }
}

TEST(MovieView, LoadsPlaysHaltsAndUnloads) {
  TestFolder folder;
  const std::string movie = folder.path() + "movie.swf";
  MovieSpec spec;
  spec.frameColours.assign(100, 0x00FF00);
  ASSERT_TRUE(testmovies::writeColourMovie(movie, spec));
  HostWindow host;
  auto view = makeView(host.get(), {0, 0, 200, 200});
  ASSERT_NE(view, nullptr);
  EXPECT_FALSE(view->isLoaded());

  ASSERT_TRUE(view->LoadMovie(0, movie));
  EXPECT_TRUE(view->isLoaded());
  EXPECT_TRUE(view->isPlaying());  // a loaded movie plays, as the control's initial state says
  EXPECT_EQ(view->frameCount(), 100u);
  ASSERT_TRUE(pumpUntil([&] { return view->currentFrame() >= 3; }, 3000));

  // Stop halts where it is; Play resumes from there without reloading.
  view->Stop();
  EXPECT_FALSE(view->isPlaying());
  const size_t halted = view->currentFrame();
  EXPECT_GT(halted, 0u);
  pumpFor(300);
  EXPECT_EQ(view->currentFrame(), halted);
  view->Play();
  EXPECT_TRUE(view->isPlaying());
  ASSERT_TRUE(pumpUntil([&] { return view->currentFrame() > halted; }, 3000));

  // A folder, a missing file and a file that is no movie unload it.
  for (const std::string& notAMovie : {std::string("c:\\"), folder.path() + "absent.swf", folder.path()}) {
    ASSERT_TRUE(view->LoadMovie(0, movie));
    EXPECT_FALSE(view->LoadMovie(0, notAMovie)) << notAMovie;
    EXPECT_FALSE(view->isLoaded());
    EXPECT_FALSE(view->isPlaying());
    view->Play();  // nothing to play
    view->Stop();
    EXPECT_FALSE(view->isLoaded());
  }
  // Only layer 0 is offered.
  EXPECT_FALSE(view->LoadMovie(1, movie));
  EXPECT_FALSE(view->isLoaded());
}

// Frames follow the clock: 12 fps for two seconds is about 24 frames,
// whatever the timer's granularity.
TEST(MovieView, FramesAdvanceWithTime) {
  TestFolder folder;
  const std::string movie = folder.path() + "long.swf";
  MovieSpec spec;
  spec.frameColours.assign(600, 0x0000FF);
  ASSERT_TRUE(testmovies::writeColourMovie(movie, spec));
  HostWindow host;
  auto view = makeView(host.get(), {0, 0, 100, 100});
  ASSERT_TRUE(view->LoadMovie(0, movie));
  const DWORD start = GetTickCount();
  pumpFor(2000);
  const double seconds = (GetTickCount() - start) / 1000.0;
  const double expected = seconds * 12;
  EXPECT_NEAR(double(view->currentFrame()), expected, 3.0) << "after " << seconds << " s";
}

TEST(MovieView, LoopsOrHaltsOnTheLastFrame) {
  TestFolder folder;
  const std::string movie = folder.path() + "short.swf";
  MovieSpec spec;
  spec.framesPerSecond = 30;
  spec.frameColours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
  ASSERT_TRUE(testmovies::writeColourMovie(movie, spec));
  HostWindow host;
  auto view = makeView(host.get(), {0, 0, 100, 100});

  // Looping (the default): the first frame comes round again.
  ASSERT_TRUE(view->LoadMovie(0, movie));
  ASSERT_TRUE(pumpUntil([&] { return view->currentFrame() == 3; }, 3000));
  ASSERT_TRUE(pumpUntil([&] { return view->currentFrame() == 0; }, 3000));
  EXPECT_TRUE(view->isPlaying());

  view->Loop(false);
  ASSERT_TRUE(view->LoadMovie(0, movie));
  ASSERT_TRUE(pumpUntil([&] { return !view->isPlaying(); }, 3000));
  EXPECT_EQ(view->currentFrame(), 3u);
  pumpFor(200);
  EXPECT_EQ(view->currentFrame(), 3u);
}

// "ShowAll": the movie keeps its aspect in the middle of the control, and
// the background colour fills the rest.
TEST(MovieView, DrawsTheWholeMovieWithTheBackgroundAround) {
  TestFolder folder;
  const std::string movie = folder.path() + "square.swf";
  MovieSpec spec;
  spec.width = 100;
  spec.height = 100;
  spec.frameColours.assign(24, 0xFF0000);
  ASSERT_TRUE(testmovies::writeColourMovie(movie, spec));
  HostWindow host;
  auto view = makeView(host.get(), {0, 0, 400, 200});
  ASSERT_TRUE(view->LoadMovie(0, movie));
  view->BGColor(RGB(0, 0, 255));
  pumpFor(100);
  const RECT r = view->movieRect();
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.right, 300);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.bottom, 200);
  EXPECT_EQ(pixelAt(view->handle(), 50, 100), RGB(0, 0, 255));
  EXPECT_EQ(pixelAt(view->handle(), 99, 10), RGB(0, 0, 255));
  EXPECT_EQ(pixelAt(view->handle(), 100, 10), RGB(255, 0, 0));
  EXPECT_EQ(pixelAt(view->handle(), 200, 100), RGB(255, 0, 0));
  EXPECT_EQ(pixelAt(view->handle(), 299, 199), RGB(255, 0, 0));
  EXPECT_EQ(pixelAt(view->handle(), 300, 100), RGB(0, 0, 255));
  EXPECT_EQ(pixelAt(view->handle(), 399, 199), RGB(0, 0, 255));

  // A new size lays the movie out again: now bars above and below.
  MoveWindow(view->handle(), 0, 0, 200, 300, TRUE);
  pumpFor(100);
  EXPECT_EQ(view->movieRect().top, 50);
  EXPECT_EQ(pixelAt(view->handle(), 100, 20), RGB(0, 0, 255));
  EXPECT_EQ(pixelAt(view->handle(), 100, 150), RGB(255, 0, 0));

  // Unloaded, the whole control shows the background colour.
  view->LoadMovie(0, "c:\\");
  pumpFor(50);
  EXPECT_EQ(pixelAt(view->handle(), 100, 150), RGB(0, 0, 255));
}

// The frame drawn is the frame the timeline is at.
TEST(MovieView, ShowsTheCurrentFrame) {
  TestFolder folder;
  const std::string movie = folder.path() + "colours.swf";
  MovieSpec spec;
  spec.framesPerSecond = 4;
  spec.frameColours = {0xFF0000, 0x00FF00, 0x0000FF};
  ASSERT_TRUE(testmovies::writeColourMovie(movie, spec));
  HostWindow host;
  auto view = makeView(host.get(), {0, 0, 100, 100});
  ASSERT_TRUE(view->LoadMovie(0, movie));
  const COLORREF expected[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
  for (size_t frame : {size_t(1), size_t(2)}) {
    ASSERT_TRUE(pumpUntil([&] { return view->currentFrame() == frame; }, 3000));
    view->Stop();
    pumpFor(30);
    EXPECT_EQ(pixelAt(view->handle(), 50, 50), expected[frame]) << "frame " << frame;
    view->Play();
  }
}

TEST(MovieView, SendsTheMoviesSoundsToItsOutput) {
  TestFolder folder;
  const std::string movie = folder.path() + "sound.swf";
  MovieSpec spec;
  spec.withSound = true;
  spec.frameColours.assign(48, 0x808080);
  ASSERT_TRUE(testmovies::writeColourMovie(movie, spec));
  HostWindow host;
  player::CaptureAudioOutput sink;
  auto view = makeView(host.get(), {0, 0, 100, 100}, &sink);
  using Event = player::CaptureAudioOutput::Event;
  auto kinds = [&] {
    std::string s;
    for (const Event& e : sink.events) s += "PZRS"[e.kind];
    return s;
  };

  ASSERT_TRUE(view->LoadMovie(0, movie));
  ASSERT_FALSE(sink.events.empty());
  EXPECT_EQ(sink.events.back().kind, Event::Play);
  EXPECT_EQ(sink.events.back().soundId, 1);
  EXPECT_EQ(sink.voiceCount(), 1u);
  EXPECT_FALSE(view->hasSoundDevice());  // the caller's sink, not a device
  view->Stop();
  view->Play();
  EXPECT_EQ(kinds(), "PZR");  // halted and resumed with the movie
  // Unloading stops every sound.
  view->LoadMovie(0, "c:\\");
  EXPECT_EQ(sink.events.back().kind, Event::Stop);
  EXPECT_EQ(sink.voiceCount(), 0u);
}

// Without a sound device (Wine without a sound card) a movie with sound
// plays all the same.
TEST(MovieView, PlaysWithoutASoundDevice) {
  TestFolder folder;
  const std::string movie = folder.path() + "sound.swf";
  MovieSpec spec;
  spec.withSound = true;
  spec.frameColours.assign(48, 0x808080);
  ASSERT_TRUE(testmovies::writeColourMovie(movie, spec));
  HostWindow host;
  auto view = makeView(host.get(), {0, 0, 100, 100});
  ASSERT_TRUE(view->LoadMovie(0, movie));
  ASSERT_TRUE(pumpUntil([&] { return view->currentFrame() >= 3; }, 3000));
  view->Stop();
  view->Play();
  EXPECT_TRUE(view->isPlaying());
  view->LoadMovie(0, "c:\\");
  EXPECT_FALSE(view->hasSoundDevice());
}

TEST(MusicPlayer, StartsAndHaltsAnMp3File) {
  TestFolder folder;
  const std::string music = folder.path() + "music.mp3";
  ASSERT_TRUE(testmovies::writeBytes(music, testmovies::silentMp3(40)));
  player::MusicPlayer musicPlayer;
  std::string error;
  ASSERT_TRUE(musicPlayer.start(music, &error)) << error;
  EXPECT_TRUE(musicPlayer.isPlaying());
  // Starting again starts over; halting stops it.
  ASSERT_TRUE(musicPlayer.start(music, &error)) << error;
  musicPlayer.halt();
  EXPECT_FALSE(musicPlayer.isPlaying());

  EXPECT_FALSE(musicPlayer.start(folder.path() + "absent.mp3", &error));
  EXPECT_NE(error.find("absent.mp3"), std::string::npos);
  EXPECT_FALSE(musicPlayer.isPlaying());
  writeFile(folder.path() + "notes.txt", std::string(5000, 'x'));
  EXPECT_FALSE(musicPlayer.start(folder.path() + "notes.txt", &error));
  EXPECT_FALSE(musicPlayer.isPlaying());
}

}  // namespace
