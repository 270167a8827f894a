// The make-album command's worker: the save path completed as the command
// does it, the window's values turned into the pipeline's settings, and a
// make on a worker thread reporting to a window and ending with a message.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <vector>

#include "AlbumMakeJob.h"
#include "TestFolder.h"
#include "media/jpeg_writer.h"
#include "media/picture.h"

namespace maker = slidewright::maker;

namespace {

std::string writePicture(const std::string& path, int width, int height, std::uint8_t shade) {
  slidewright::media::Image image;
  image.width = width;
  image.height = height;
  image.rgb.assign(static_cast<std::size_t>(width) * height * 3, shade);
  EXPECT_TRUE(slidewright::media::writeJpeg(path, image, 90).ok());
  return path;
}

// Runs the message loop of the calling thread until the job's end message,
// counting the progress messages that arrived before it.
struct Seen {
  std::vector<std::pair<WPARAM, LPARAM>> progress;
  bool finished = false;
};

Seen pumpUntilFinished(HWND window) {
  Seen seen;
  MSG msg;
  const DWORD start = GetTickCount();
  while (!seen.finished && GetTickCount() - start < 60000) {
    if (!PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
      Sleep(5);
      continue;
    }
    if (msg.message == EncodeProgress) seen.progress.emplace_back(msg.wParam, msg.lParam);
    if (msg.message == kMakeFinishedMessage) seen.finished = true;
  }
  return seen;
}

HWND messageWindow() {
  return CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

}  // namespace

TEST(AlbumMakeCommand, SavePathIsCompletedLowerCasedAndGivenItsExtension) {
  EXPECT_EQ(completeSavePath("album", "C:\\work"), "c:\\work\\album.swf");
  EXPECT_EQ(completeSavePath("album", "C:\\work\\"), "c:\\work\\album.swf");
  EXPECT_EQ(completeSavePath("D:\\Show.SWF", "C:\\work"), "d:\\show.swf");
  EXPECT_EQ(completeSavePath("D:/shows/Holiday", "C:\\work"), "d:/shows/holiday.swf");
}

TEST(AlbumMakeCommand, WindowValuesBecomeThePipelinesSettings) {
  AlbumSettings window;
  window.albumWidth = 320;
  window.albumHeight = 240;
  window.pauseSeconds = 3;
  window.backgroundColor = RGB(0x10, 0x20, 0x30);
  window.savePath = "c:\\a.swf";
  window.musicPath = "C:\\music\\";  // a folder kept after the music was forgotten: no music
  maker::AlbumSettings s = makeSettingsFor(window, {{"p.jpg", 4}});
  EXPECT_EQ(s.width, 320);
  EXPECT_EQ(s.height, 240);
  EXPECT_EQ(s.pauseSeconds, 3);
  EXPECT_EQ(s.background.r, 0x10);
  EXPECT_EQ(s.background.g, 0x20);
  EXPECT_EQ(s.background.b, 0x30);
  EXPECT_TRUE(s.musicPath.empty());
  EXPECT_TRUE(s.loop);
  EXPECT_EQ(s.outputPath, "c:\\a.swf");
  ASSERT_EQ(s.pictures.size(), 1u);
  EXPECT_EQ(s.pictures[0].transition, 4);
  window.musicPath = "C:\\music\\song.mp3";
  EXPECT_EQ(makeSettingsFor(window, {}).musicPath, "C:\\music\\song.mp3");
}

TEST(AlbumMakeCommand, MakesOnAWorkerThreadAndReportsEveryPictureToTheWindow) {
  TestFolder dir;
  std::vector<maker::AlbumEntry> pictures;
  for (int i = 0; i < 10; ++i)
    pictures.push_back(
        {writePicture(dir.path() + "p" + std::to_string(i) + ".jpg", 200, 150, 20 * i), i % 13});
  AlbumSettings window;
  window.albumWidth = 160;
  window.albumHeight = 120;
  window.savePath = dir.path() + "album.swf";
  HWND owner = messageWindow();
  AlbumMakeJob job;
  ASSERT_TRUE(job.start(owner, makeSettingsFor(window, pictures)));
  EXPECT_FALSE(job.start(owner, makeSettingsFor(window, pictures))) << "one make at a time";
  const Seen seen = pumpUntilFinished(owner);
  ASSERT_TRUE(seen.finished);
  auto result = job.finish();
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_EQ(result.value().pictureCount, 10);
  // The pictures begin at position 10, then one step message per picture.
  ASSERT_EQ(seen.progress.size(), 11u);
  EXPECT_EQ(seen.progress[0], std::make_pair(WPARAM(10), LPARAM(10)));
  for (std::size_t i = 1; i < seen.progress.size(); ++i)
    EXPECT_EQ(seen.progress[i], std::make_pair(WPARAM(0), LPARAM(0)));

  // The same settings through the pipeline directly give the same bytes.
  maker::AlbumSettings direct = makeSettingsFor(window, pictures);
  direct.outputPath = dir.path() + "direct.swf";
  ASSERT_TRUE(maker::makeAlbum(direct).ok());
  EXPECT_EQ(readFile(dir.path() + "album.swf"), readFile(dir.path() + "direct.swf"));
  DestroyWindow(owner);
}

TEST(AlbumMakeCommand, CancellingLeavesNoMovieAndEndsTheJob) {
  TestFolder dir;
  std::vector<maker::AlbumEntry> pictures;
  for (int i = 0; i < 40; ++i)
    pictures.push_back({writePicture(dir.path() + "p" + std::to_string(i) + ".jpg", 800, 600, 5 * i), 0});
  AlbumSettings window;
  window.savePath = dir.path() + "album.swf";
  HWND owner = messageWindow();
  AlbumMakeJob job;
  ASSERT_TRUE(job.start(owner, makeSettingsFor(window, pictures)));
  job.cancel();
  auto result = job.finish();
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.kind(), maker::MakeErrorKind::Cancelled);
  EXPECT_FALSE(fileExists(dir.path() + "album.swf"));
  EXPECT_FALSE(job.running());
  DestroyWindow(owner);
}
