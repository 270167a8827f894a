// The make-video command from the real window: the album made into an MP4
// beside the save path (read back with FFmpeg's decoders), the progress bar
// moving while it is made, nothing left when the window closes during it,
// and its failures told in the window's language.
// The test inputs first: <windows.h> defines "near" as a macro.
#include "inputs.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <set>
#include <string>

#include "FailureTexts.h"
#include "WindowTestSupport.h"
#include "resource.h"
#include "video_probe.h"

namespace probe = slidewright::exports::probe;

namespace {

int progressPosition(LiveMainWindow& window) {
  return static_cast<int>(SendMessageA(window.item(IDC_PROGRESS), PBM_GETPOS, 0, 0));
}

std::string lowered(std::string path) {
  CharLowerBuffA(path.data(), static_cast<DWORD>(path.size()));
  return path;
}

// Every file of a folder, as a count: staged ".part" files included.
int filesIn(const std::string& folder) { return countFiles(folder + "*"); }

}  // namespace

TEST(MakeVideoCommand, MakesTheAlbumIntoAnMp4BesideTheSavePathWithItsMusic) {
  ColourPictures pictures;
  const std::string music = pictures.dir.path() + "music.mp3";
  const auto tune = testinputs::mp3(44100, 2, 3.0);
  writeFile(music, std::string(tune.begin(), tune.end()));
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  EXPECT_FALSE(IsWindowEnabled(window.item(IDC_MAKE_VIDEO))) << "nothing to make without pictures";
  window.window().addPictureFiles(gathered(pictures.paths));
  for (int i = 0; i < 5; ++i) window.list().entryAt(i).transition = (3 * i) % 13;
  window.window().setMusicFile(music);
  window.setText(IDC_ALBUM_WIDTH, "320");
  window.setText(IDC_ALBUM_HEIGHT, "240");
  window.setText(IDC_OUTPUT_PATH, window.folder() + "Show.SWF");
  ASSERT_TRUE(IsWindowEnabled(window.item(IDC_MAKE_VIDEO)));
  const int before = filesIn(window.folder());

  window.click(IDC_MAKE_VIDEO);
  EXPECT_TRUE(window.window().making());
  EXPECT_FALSE(IsWindowEnabled(window.item(IDC_MAKE_ALBUM))) << "one make at a time";
  EXPECT_FALSE(IsWindowEnabled(window.item(IDC_MAKE_VIDEO)));
  // The bar moves while the video is made, never back.
  std::set<int> positions;
  int last = 0;
  bool backwards = false;
  const DWORD start = GetTickCount();
  while (window.window().making() && GetTickCount() - start < 60000) {
    pumpMessages(10);
    const int p = progressPosition(window);
    backwards |= p < last;
    last = p;
    positions.insert(p);
  }
  EXPECT_FALSE(backwards);
  EXPECT_GE(positions.size(), 3u) << "the bar stood still";
  EXPECT_EQ(progressPosition(window), 20);
  EXPECT_TRUE(IsWindowEnabled(window.item(IDC_MAKE_VIDEO)));

  // The save path is completed as the make-album command completes it, and
  // the video takes its name with ".mp4"; no movie is made.
  EXPECT_EQ(controlText(window.item(IDC_OUTPUT_PATH)), lowered(window.folder() + "show.swf"));
  EXPECT_FALSE(fileExists(window.folder() + "show.swf"));
  probe::ProbedVideo video;
  std::string error;
  player::Image lastFrame;
  ASSERT_TRUE(probe::probeVideo(
      window.folder() + "show.mp4", [&](int64_t, const probe::DecodedFrame& f) { lastFrame = f.rgba; },
      &video, &error))
      << error;
  EXPECT_NE(video.container.find("mp4"), std::string::npos) << video.container;
  EXPECT_EQ(video.videoCodec, "h264");
  EXPECT_EQ(video.width, 320);
  EXPECT_EQ(video.height, 240);
  EXPECT_NEAR(video.framesPerSecond, 30.0, 0.01);
  EXPECT_GT(video.frames, 5 * 30) << "five pictures of a second each at least";
  EXPECT_EQ(video.audioCodec, "aac");
  EXPECT_GT(video.audioSeconds(), 2.5) << "the music is in the video";
  // The album ends on its last picture, in the middle on the white ground.
  const auto* centre = lastFrame.row(120) + 160 * 4;
  const auto cyan = ColourPictures::kColours[4];
  EXPECT_LT(std::abs(centre[0] - cyan.r) + std::abs(centre[1] - cyan.g) + std::abs(centre[2] - cyan.b), 40);
  EXPECT_EQ(filesIn(window.folder()), before + 1) << "the video alone, nothing staged";
}

TEST(MakeVideoCommand, ClosingTheWindowDuringTheVideoLeavesNoFile) {
  ColourPictures pictures;
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  window.window().addPictureFiles(gathered(pictures.paths));
  window.setText(IDC_SECONDS, "60");  // five minutes of video
  window.setText(IDC_OUTPUT_PATH, window.folder() + "long.swf");
  window.click(IDC_MAKE_VIDEO);
  const DWORD start = GetTickCount();
  while (window.window().making() && progressPosition(window) < 1 && GetTickCount() - start < 60000)
    pumpMessages(10);
  ASSERT_TRUE(window.window().making()) << "the video ended before the window was closed";
  ASSERT_EQ(countFiles(window.folder() + "*.part"), 1) << "the video is written beside its place";
  window.exit();
  EXPECT_FALSE(window.window().making());
  EXPECT_FALSE(fileExists(window.folder() + "long.mp4"));
  EXPECT_EQ(countFiles(window.folder() + "*.part"), 0) << "a staged file was left behind";
}

TEST(MakeVideoCommand, FailuresAreToldInTheWindowsLanguage) {
  ColourPictures pictures;
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  const LanguageFile& language = window.window().language();
  window.window().addPictureFiles(gathered(pictures.paths));
  {
    MessageBoxRecorder boxes;
    window.setText(IDC_OUTPUT_PATH, "");
    window.click(IDC_MAKE_VIDEO);
    pumpMessages(50);
    EXPECT_FALSE(window.window().making());
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], messageText(language, "EmptySavePath"));
  }
  {
    // The save path's folder is not there: the video is named.
    MessageBoxRecorder boxes;
    window.setText(IDC_OUTPUT_PATH, window.folder() + "gone\\show.swf");
    window.click(IDC_MAKE_VIDEO);
    window.waitForMake();
    ASSERT_EQ(boxes.texts().size(), 1u);
    const std::string video = lowered(window.folder() + "gone\\show.mp4");
    EXPECT_EQ(boxes.texts()[0], messageText(language, "MakeVideoError") + "\r\n\r\n" +
                                    reasonText(language, "VideoNotWritten", video));
  }
  {
    // A picture damaged after it was added is named.
    writeFile(pictures.paths[3], "not a picture any more");
    MessageBoxRecorder boxes;
    window.setText(IDC_OUTPUT_PATH, window.folder() + "show.swf");
    window.click(IDC_MAKE_VIDEO);
    window.waitForMake();
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find(reasonText(language, "PictureUnusable", pictures.paths[3])),
              std::string::npos)
        << boxes.texts()[0];
    EXPECT_FALSE(fileExists(window.folder() + "show.mp4"));
  }
}
