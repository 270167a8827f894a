// The make-album command from the real window, the preview that shows the
// new movie, and the music toggle: driven as a user would, with the buttons'
// messages, and checked through the files written, the progress bar, the
// screen and the players' state.
// The test inputs first: <windows.h> defines "near" as a macro.
#include "inputs.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FailureTexts.h"
#include "TextConversion.h"
#include "LanguageFormat.h"
#include "WindowTestSupport.h"
#include "AlbumMakeJob.h"
#include "resource.h"

namespace {

int progressPosition(LiveMainWindow& window) {
  return static_cast<int>(SendMessageA(window.item(IDC_PROGRESS), PBM_GETPOS, 0, 0));
}

// A toggle clicked as the user clicks it: its state flips, then the command.
void toggle(LiveMainWindow& window, int id) { SendMessageA(window.item(id), BM_CLICK, 0, 0); }

// Files whose names begin with "FM" in a folder.
int temporaryFiles(const std::string& folder) { return countFiles(folder + "FM*"); }

// The private temporary folder of a test: the make's "FM" files go there.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    GetEnvironmentVariableA("TMP", oldTmp_, sizeof oldTmp_);
    GetEnvironmentVariableA("TEMP", oldTemp_, sizeof oldTemp_);
    SetEnvironmentVariableA("TMP", dir_.path().c_str());
    SetEnvironmentVariableA("TEMP", dir_.path().c_str());
  }
  ~TemporaryFolder() {
    SetEnvironmentVariableA("TMP", oldTmp_);
    SetEnvironmentVariableA("TEMP", oldTemp_);
  }
  const std::string& path() const { return dir_.path(); }

 private:
  TestFolder dir_;
  char oldTmp_[MAX_PATH] = {};
  char oldTemp_[MAX_PATH] = {};
};

// How many pixels of the preview's movie area are near a colour.
int pixelsNear(LiveMainWindow& window, slidewright::media::Rgb colour) {
  MovieView* preview = window.window().preview();
  const RECT r = preview->movieRect();
  ClientShot shot(preview->handle());
  int n = 0;
  for (int y = r.top; y < r.bottom; y += 3)
    for (int x = r.left; x < r.right; x += 3) {
      const COLORREF c = shot.pixel(x, y);
      if (std::abs(GetRValue(c) - colour.r) < 40 && std::abs(GetGValue(c) - colour.g) < 40 &&
          std::abs(GetBValue(c) - colour.b) < 40)
        ++n;
    }
  return n;
}

// Whether a text of the window's code page holds a word of three or more
// lower-case Latin letters (double-byte characters, whose second bytes may
// look like letters, are stepped over whole).
bool holdsEnglishWord(const std::string& text) {
  int run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size()) {
      ++i;
      run = 0;
      continue;
    }
    run = (text[i] >= 'a' && text[i] <= 'z') ? run + 1 : 0;
    if (run >= 3) return true;
  }
  return false;
}

}  // namespace

TEST(MakeAlbumCommand, EmptySavePathAndEmptyListAreToldAndNothingIsWritten) {
  TemporaryFolder temp;
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  const LanguageFile& language = window.window().language();
  {
    MessageBoxRecorder boxes;
    window.setText(IDC_OUTPUT_PATH, "");
    window.click(IDC_MAKE_ALBUM);
    pumpMessages(50);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], messageText(language, "EmptySavePath"));
  }
  {
    // No pictures: the make is refused with "MakeError", saying why.
    MessageBoxRecorder boxes;
    window.setText(IDC_OUTPUT_PATH, window.folder() + "Empty");
    window.click(IDC_MAKE_ALBUM);
    window.waitForMake();
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0].rfind(messageText(language, "MakeError"), 0), 0u) << boxes.texts()[0];
    EXPECT_NE(boxes.texts()[0].find(reasonText(language, "AlbumSettingsWrong")), std::string::npos)
        << boxes.texts()[0];
  }
  // The completed path is shown, and no movie was made.
  std::string expected = window.folder() + "empty.swf";
  CharLowerBuffA(expected.data(), static_cast<DWORD>(expected.size()));
  EXPECT_EQ(controlText(window.item(IDC_OUTPUT_PATH)), expected);
  EXPECT_FALSE(fileExists(expected));
  EXPECT_EQ(progressPosition(window), 20);
  EXPECT_EQ(temporaryFiles(temp.path()), 0);
}

TEST(MakeAlbumCommand, TheWindowsMovieIsTheCommandLinesMovieByteForByte) {
  TemporaryFolder temp;
  ColourPictures pictures;
  const std::string music = pictures.dir.path() + "music.mp3";
  const auto tune = testinputs::mp3(22050, 1, 2.0);
  writeFile(music, std::string(tune.begin(), tune.end()));
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  window.window().addPictureFiles(gathered(pictures.paths));
  ASSERT_EQ(window.list().entryCount(), 5);
  const int transitions[5] = {9, 0, 4, 12, 7};
  for (int i = 0; i < 5; ++i) window.list().entryAt(i).transition = transitions[i];
  {
    DialogWatcher watcher(GetCurrentThreadId(), [&](HWND d) { answerFileDialog(d, music); });
    window.click(IDC_CHOOSE_MUSIC);
  }
  ASSERT_EQ(window.window().musicPath(), music);
  window.setText(IDC_ALBUM_WIDTH, "320");
  window.setText(IDC_ALBUM_HEIGHT, "240");
  window.setText(IDC_SECONDS, "2");
  window.setText(IDC_OUTPUT_PATH, window.folder() + "window.swf");
  window.click(IDC_MAKE_ALBUM);
  EXPECT_TRUE(window.window().making());
  EXPECT_FALSE(IsWindowEnabled(window.item(IDC_MAKE_ALBUM))) << "one make at a time";
  window.waitForMake();
  EXPECT_TRUE(IsWindowEnabled(window.item(IDC_MAKE_ALBUM)));
  EXPECT_EQ(progressPosition(window), 20);
  EXPECT_EQ(temporaryFiles(temp.path()), 0) << "every temporary file is gone after the make";

  std::string arguments = "make -q -W 320 -H 240 -s 2 -b #ffffff -m \"" + music + "\"";
  for (int i = 0; i < 5; ++i)
    arguments += " -t " + std::to_string(transitions[i]) + " \"" + pictures.paths[i] + "\"";
  arguments += " -o \"" + window.folder() + "command.swf\"";
  ASSERT_EQ(runCommandLine(arguments), 0u);
  const std::string made = readFile(window.folder() + "window.swf");
  ASSERT_GT(made.size(), 1000u);
  EXPECT_TRUE(made == readFile(window.folder() + "command.swf")) << "the window's movie differs";

  // The preview shows the new movie: the first picture fades in over white.
  MovieView* preview = window.window().preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(IsWindowVisible(preview->handle()));
  EXPECT_TRUE(preview->isLoaded());
  EXPECT_TRUE(preview->isPlaying());
  pumpMessages(2500);
  EXPECT_GT(pixelsNear(window, ColourPictures::kColours[0]), 100) << "the first picture is on the screen";
}

TEST(MakeAlbumCommand, AnUnreadablePictureIsNamedAndTheOldMovieKept) {
  TemporaryFolder temp;
  ColourPictures pictures;
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  window.window().addPictureFiles(gathered(pictures.paths));
  const std::string movie = window.folder() + "album.swf";
  window.setText(IDC_OUTPUT_PATH, movie);
  window.click(IDC_MAKE_ALBUM);
  window.waitForMake();
  const std::string before = readFile(movie);
  ASSERT_FALSE(before.empty());

  // The third picture is damaged after it was added.
  writeFile(pictures.paths[2], "not a picture any more");
  MessageBoxRecorder boxes;
  window.click(IDC_MAKE_ALBUM);
  window.waitForMake();
  ASSERT_EQ(boxes.texts().size(), 1u);
  const std::string text = boxes.texts()[0];
  EXPECT_EQ(text.rfind(messageText(window.window().language(), "MakeError"), 0), 0u) << text;
  EXPECT_NE(text.find(pictures.paths[2]), std::string::npos) << text;
  EXPECT_EQ(readFile(movie), before) << "the movie that was there is kept";
  EXPECT_EQ(temporaryFiles(temp.path()), 0);
}

TEST(MakeAlbumCommand, ProgressAdvancesEveryThirdPictureOfTen) {
  ColourPictures pictures;
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  for (int round = 0; round < 2; ++round) window.window().addPictureFiles(gathered(pictures.paths));
  ASSERT_EQ(window.list().entryCount(), 10);
  window.window().beginProgress();
  SendMessageA(window.handle(), EncodeProgress, 10, 10);  // the music's half done
  std::vector<int> positions;
  for (int picture = 1; picture <= 10; ++picture) {
    SendMessageA(window.handle(), EncodeProgress, 0, 0);
    positions.push_back(progressPosition(window));
  }
  // It moves after the 1st, 4th, 7th and 10th picture: 10 / 4 + 1 = 3.
  EXPECT_EQ(positions, (std::vector<int>{11, 11, 11, 12, 12, 12, 13, 13, 13, 14}));
}

TEST(Preview, PausesResumesStopsAndReloads) {
  TemporaryFolder temp;
  ColourPictures pictures;
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  MovieView* preview = window.window().preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_FALSE(IsWindowVisible(preview->handle())) << "the placeholder shows at start";

  window.window().addPictureFiles(gathered(pictures.paths));
  window.setText(IDC_OUTPUT_PATH, window.folder() + "album.swf");
  window.click(IDC_MAKE_ALBUM);
  window.waitForMake();
  ASSERT_TRUE(preview->isPlaying());
  pumpMessages(500);

  toggle(window, IDC_PREVIEW_PLAY);  // pause
  EXPECT_FALSE(preview->isPlaying());
  const size_t paused = preview->currentFrame();
  EXPECT_GT(paused, 0u);
  pumpMessages(300);
  EXPECT_EQ(preview->currentFrame(), paused) << "a paused movie holds its frame";

  toggle(window, IDC_PREVIEW_PLAY);  // resume, without loading the file again
  EXPECT_TRUE(preview->isPlaying());
  pumpMessages(300);
  EXPECT_GT(preview->currentFrame(), paused);

  window.click(IDC_PREVIEW_STOP);
  EXPECT_FALSE(IsWindowVisible(preview->handle()));
  EXPECT_FALSE(preview->isLoaded()) << "the movie file is let go";
  EXPECT_EQ(IsDlgButtonChecked(window.handle(), IDC_PREVIEW_PLAY), BST_CHECKED);

  toggle(window, IDC_PREVIEW_PLAY);  // plays the movie at the save path from its start
  EXPECT_TRUE(IsWindowVisible(preview->handle()));
  EXPECT_TRUE(preview->isLoaded());
  EXPECT_TRUE(preview->isPlaying());
  EXPECT_LT(preview->currentFrame(), 3u);
}

TEST(MusicToggle, PlaysARealMp3AndNamesAMissingOne) {
  TestFolder folder;
  const std::string music = folder.path() + "song.mp3";
  const auto tune = testinputs::mp3(22050, 1, 3.0);
  writeFile(music, std::string(tune.begin(), tune.end()));
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  {
    DialogWatcher watcher(GetCurrentThreadId(), [&](HWND d) { answerFileDialog(d, music); });
    window.click(IDC_CHOOSE_MUSIC);
  }
  ASSERT_EQ(window.window().musicPath(), music);
  toggle(window, IDC_MUSIC_TOGGLE);
  EXPECT_EQ(IsDlgButtonChecked(window.handle(), IDC_MUSIC_TOGGLE), BST_CHECKED);
  EXPECT_TRUE(window.window().music().isPlaying());
  toggle(window, IDC_MUSIC_TOGGLE);
  EXPECT_FALSE(window.window().music().isPlaying());

  // The file goes away: the toggle says so and shows that nothing plays.
  DeleteFileA(music.c_str());
  MessageBoxRecorder boxes;
  toggle(window, IDC_MUSIC_TOGGLE);
  pumpMessages(50);
  EXPECT_FALSE(window.window().music().isPlaying());
  EXPECT_EQ(IsDlgButtonChecked(window.handle(), IDC_MUSIC_TOGGLE), BST_UNCHECKED);
  ASSERT_EQ(boxes.texts().size(), 1u);
  EXPECT_EQ(boxes.texts()[0], reasonText(window.window().language(), "MusicMissing", music));
}

// The toggle shows "play" again when the music has come to its end (with or
// without a sound device), and forgetting the music while it plays stops it:
// both music buttons are disabled then, and nothing else could.
TEST(MusicToggle, StopsWhenTheMusicEndsOrIsForgotten) {
  TestFolder folder;
  const std::string music = folder.path() + "short.mp3";
  const auto tune = testinputs::mp3(22050, 1, 1.0);
  writeFile(music, std::string(tune.begin(), tune.end()));
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  window.window().setMusicFile(music);
  toggle(window, IDC_MUSIC_TOGGLE);
  ASSERT_TRUE(window.window().music().isPlaying());
  for (int waited = 0; waited < 5000 && IsDlgButtonChecked(window.handle(), IDC_MUSIC_TOGGLE) == BST_CHECKED;
       waited += 50)
    pumpMessages(50);
  EXPECT_EQ(IsDlgButtonChecked(window.handle(), IDC_MUSIC_TOGGLE), BST_UNCHECKED)
      << "the toggle still shows stop after the music ended";
  EXPECT_FALSE(window.window().music().isPlaying());

  toggle(window, IDC_MUSIC_TOGGLE);
  ASSERT_TRUE(window.window().music().isPlaying());
  window.click(IDC_FORGET_MUSIC);
  EXPECT_FALSE(window.window().music().isPlaying());
  EXPECT_EQ(IsDlgButtonChecked(window.handle(), IDC_MUSIC_TOGGLE), BST_UNCHECKED);
  EXPECT_FALSE(IsWindowEnabled(window.item(IDC_MUSIC_TOGGLE)));
}

// Typed seconds beyond the arrows' 1 to 60 are made as long as the movie can
// count its frames: 0 (no hold) and 500 are albums; below 0 and beyond the
// limit for these pictures the user is told and nothing is made.
TEST(MakeAlbumCommand, SecondsFromNoneToTheMoviesFrameLimit) {
  TemporaryFolder temp;
  ColourPictures pictures;
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  window.window().addPictureFiles(gathered(pictures.paths));
  const LanguageFile& language = window.window().language();
  MessageBoxRecorder boxes;
  for (const char* seconds : {"0", "500"}) {
    SCOPED_TRACE(seconds);
    const std::string movie = window.folder() + "hold" + seconds + ".swf";
    window.setText(IDC_OUTPUT_PATH, movie);
    window.setText(IDC_SECONDS, seconds);
    window.click(IDC_MAKE_ALBUM);
    window.waitForMake();
    EXPECT_TRUE(fileExists(movie));
  }
  std::vector<int> transitions(5, 0);
  const int longest = slidewright::maker::longestPause(transitions, window.window().albumWidth(),
                                                       window.window().albumHeight());
  EXPECT_GT(longest, 500);
  const std::string movie = window.folder() + "refused.swf";
  window.setText(IDC_OUTPUT_PATH, movie);
  for (const int seconds : {-1, longest + 1}) {
    window.setText(IDC_SECONDS, std::to_string(seconds));
    window.click(IDC_MAKE_ALBUM);
    EXPECT_FALSE(window.window().making());
    EXPECT_FALSE(fileExists(movie));
  }
  const std::vector<std::string> expected = {
      reasonText(language, "PauseNegative"),
      utf8FromAnsi(formatWithNumber(language.lookupValue(kReasonSection, "PauseTooLong"), longest))};
  EXPECT_EQ(boxes.texts(), expected);
}

// Every reason the window gives comes from its language file, with the file's
// name put in: in the Chinese window no English word appears beside the
// paths, and the English window gives its own file's texts.
TEST(WindowLanguage, EveryReasonIsInTheWindowsLanguage) {
  const std::string english =
      "[Setting]\r\nLanguageID=2\r\n[Language2]\r\nDisp=English\r\nFile=english.lng\r\n";
  for (const std::string& settings : {std::string(), english}) {
    SCOPED_TRACE(settings.empty() ? "Chinese" : "English");
    TemporaryFolder temp;
    ColourPictures pictures;
    const std::string bad = pictures.dir.path() + "bad.jpg";
    writeFile(bad, "not a picture");
    const std::string noise = pictures.dir.path() + "noise.mp3";
    writeFile(noise, std::string(3000, 'n'));
    LiveMainWindow window(settings);
    ASSERT_TRUE(window.ok());
    const LanguageFile& language = window.window().language();
    // The exit button: the template's "退出" in Chinese, the file's own word in English.
    EXPECT_EQ(controlText(window.item(IDOK)), settings.empty() ? "\xCD\xCB\xB3\xF6" : "Exit");
    MessageBoxRecorder boxes;
    const auto make = [&](const std::string& output) {
      window.setText(IDC_OUTPUT_PATH, output);
      window.click(IDC_MAKE_ALBUM);
      window.waitForMake();
      return window.window().savePath();
    };
    window.window().addPictureFiles(gathered({pictures.paths[0], bad, pictures.paths[1]}));
    window.window().setMusicFile(noise);
    toggle(window, IDC_MUSIC_TOGGLE);
    pumpMessages(50);
    make(window.folder() + "album.swf");
    window.click(IDC_FORGET_MUSIC);
    writeFile(pictures.paths[1], "damaged since it was added");
    make(window.folder() + "album.swf");
    writeJpeg(pictures.paths[1], 64, 48, ColourPictures::kColours[1]);
    const std::string nowhere = make(window.folder() + "missing\\album.swf");

    const std::string made = messageText(language, "MakeError") + "\r\n\r\n";
    const std::vector<std::string> expected = {
        messageText(language, "AddPicturesFailed") + "\r\n\r\n" +
            reasonText(language, "PictureNotSupported", bad),
        reasonText(language, "MusicNotSupported", noise),
        made + reasonText(language, "MusicNotSupported", noise),
        made + reasonText(language, "PictureNotSupported", pictures.paths[1]),
        made + reasonText(language, "MovieNotWritten", nowhere)};
    EXPECT_EQ(boxes.texts(), expected);
    for (std::string text : boxes.texts()) {
      for (const std::string& path : {bad, noise, pictures.paths[1], nowhere})
        for (std::size_t at; (at = text.find(path)) != std::string::npos;) text.erase(at, path.size());
      if (settings.empty())
        EXPECT_FALSE(holdsEnglishWord(text)) << text;
      else
        EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; })) << text;
    }
  }
}
