// Names in any script: pictures, music, the movie and the album file named
// in Korean and with emoji (which no ANSI code page holds) come in by the
// command line, a drop, the open dialogs and an album file, are made into
// the movie under their own names, saved and read back whole, and are shown
// as they are in the tip and the title. The test run keeps code page 936.
#include "inputs.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "AlbumMakeJob.h"
#include "FailureTexts.h"
#include "InfoTip.h"
#include "PicturePaths.h"
#include "PictureTipText.h"
#include "ShellDrop.h"
#include "TextConversion.h"
#include "WindowTestSupport.h"
#include "albumfile/album_file.h"
#include "player/swf_parser.h"
#include "resource.h"

namespace {

// 앨범 📷, 사진 😀, 그림 🌸, 照片 🐼, 음악 🎵, 슬라이드 🎞, and a file that is not
// a picture
const std::string kFolder = "\xEC\x95\xA8\xEB\xB2\x94 \xF0\x9F\x93\xB7";
const std::string kPictures[3] = {"\xEC\x82\xAC\xEC\xA7\x84 \xF0\x9F\x98\x80.jpg",
                                  "\xEA\xB7\xB8\xEB\xA6\xBC \xF0\x9F\x8C\xB8.jpg",
                                  "\xE7\x85\xA7\xE7\x89\x87 \xF0\x9F\x90\xBC.jpg"};
const std::string kNotAPicture = "\xEB\xA9\x94\xEB\xAA\xA8 \xF0\x9F\x93\x9D.jpg";  // 메모 📝
const std::string kMusic = "\xEC\x9D\x8C\xEC\x95\x85 \xF0\x9F\x8E\xB5.mp3";
const std::string kMovie = "\xEC\x8A\xAC\xEB\x9D\xBC\xEC\x9D\xB4\xEB\x93\x9C \xF0\x9F\x8E\x9E.swf";

void command(LiveMainWindow& window, int id) {
  SendMessageA(window.handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

struct UnicodeAlbum {
  TestFolder dir;
  std::string folder = dir.path() + kFolder + "\\";
  std::vector<std::string> pictures;
  std::string music = folder + kMusic;
  UnicodeAlbum() {
    CreateDirectoryW(wideFromUtf8(folder).c_str(), nullptr);
    const slidewright::media::Rgb colours[3] = {{220, 30, 30}, {30, 200, 30}, {30, 30, 220}};
    for (int i = 0; i < 3; ++i) pictures.push_back(writeJpeg(folder + kPictures[i], 64, 48, colours[i]));
    const auto tune = testinputs::mp3(22050, 1, 1.0);
    writeFile(music, std::string(tune.begin(), tune.end()));
  }
};

TEST(NamesInAnyScript, ComeInEveryWayAndAreMadeSavedAndShownWhole) {
  ASSERT_TRUE(inChineseCodePage()) << "the test run sets code page 936";
  UnicodeAlbum album;
  ASSERT_TRUE(fileExists(album.pictures[0]));
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());

  // The first picture from the command line, the second dropped on the
  // window, the third chosen in the open dialog; the music in its dialog.
  const auto arguments =
      commandLineArguments(wideFromUtf8("Slidewright.exe \"" + album.pictures[0] + "\"").c_str());
  const auto fromCommandLine = gatherPicturePaths(arguments);
  ASSERT_EQ(fromCommandLine.size(), 1u);
  EXPECT_EQ(fromCommandLine[0].path, album.pictures[0]) << "the real name, not a short one";
  window.window().addPictureFiles(fromCommandLine);
  SendMessageW(window.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(makeShellDrop({album.pictures[1]})),
               0);
  {
    DialogWatcher watcher(GetCurrentThreadId(), [&](HWND d) { answerFileDialog(d, album.pictures[2]); });
    window.click(IDC_ADD_PICTURES);
  }
  pumpMessages(200);
  EXPECT_EQ(entryPaths(window.list()), album.pictures);

  // A file that is no picture is told by its whole name, in the language
  // file's words.
  const std::string notAPicture = album.folder + kNotAPicture;
  writeFile(notAPicture, "not a picture");
  {
    MessageBoxRecorder boxes;
    SendMessageW(window.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(makeShellDrop({notAPicture})), 0);
    ASSERT_EQ(boxes.texts().size(), 1u);
    const LanguageFile& language = window.window().language();
    EXPECT_EQ(boxes.texts()[0].rfind(messageText(language, "AddPicturesFailed"), 0), 0u) << boxes.texts()[0];
    EXPECT_NE(boxes.texts()[0].find(kNotAPicture), std::string::npos) << boxes.texts()[0];
  }
  EXPECT_EQ(entryPaths(window.list()), album.pictures);
  {
    DialogWatcher watcher(GetCurrentThreadId(), [&](HWND d) { answerFileDialog(d, album.music); });
    window.click(IDC_CHOOSE_MUSIC);
  }
  EXPECT_EQ(window.window().musicPath(), album.music);

  // The tip names the picture as it is.
  const PictureEntry& first = window.list().entryAt(0);
  EXPECT_NE(pictureTipText(window.window().language(), PictureTipFacts{first.path, first.width, first.height,
                                                                       first.transition, std::nullopt, 1})
                .find(L"\uC0AC\uC9C4 \U0001F600.jpg"),
            std::wstring::npos);

  // The movie under its name, readable; typed into the save path field.
  const std::string movie = album.folder + kMovie;
  window.setText(IDC_OUTPUT_PATH, movie);
  window.click(IDC_MAKE_ALBUM);
  window.waitForMake();
  // The make lower-cases the path, as characters: Korean and emoji stay.
  const std::string saved = completeSavePath(movie, "");
  EXPECT_EQ(window.window().savePath(), saved);
  EXPECT_NE(saved.find(kFolder + "\\" + kMovie), std::string::npos);
  ASSERT_TRUE(fileExists(movie));
  const auto parsed = player::parseMovieFile(movie);
  ASSERT_TRUE(parsed) << parsed.error().message;
  EXPECT_GT(parsed.value().header.frameCount, 12);

  // Saved as an album file, whose name the title shows, and read back with
  // the same names.
  const std::string albumFile = album.folder + kFolder + ".swalbum";
  {
    DialogWatcher watcher(GetCurrentThreadId(), [&](HWND d) { answerFileDialog(d, albumFile); });
    command(window, IDM_SAVE_ALBUM_AS);
  }
  ASSERT_EQ(window.window().albumPath(), albumFile);
  EXPECT_EQ(windowTitleWide(window.handle()), L"\uC568\uBC94 \U0001F4F7 - Slidewright");
  const auto read = slidewright::albumfile::readAlbumFile(albumFile);
  ASSERT_TRUE(read) << read.error().message;
  EXPECT_EQ(read.value().music, album.music);
  EXPECT_EQ(read.value().output, movie) << "beside the album file, whose folder keeps its case";
  ASSERT_EQ(read.value().pictures.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(read.value().pictures[i].file, album.pictures[i]);
  EXPECT_NE(readFile(albumFile).find("\"music\": \"" + kMusic + "\""), std::string::npos)
      << "UTF-8, relative to the album's folder";

  // The settings keep the names for the next run.
  window.exit();
  EXPECT_EQ(window.stored("SavePath").rfind("utf-8:", 0), 0u) << window.stored("SavePath");

  // Opened in another window, from the file.
  LiveMainWindow again;
  ASSERT_TRUE(again.ok());
  ASSERT_TRUE(again.window().openAlbumFile(albumFile));
  EXPECT_EQ(entryPaths(again.list()), album.pictures);
  EXPECT_EQ(again.window().musicPath(), album.music);
  EXPECT_EQ(again.window().savePath(), movie);
  EXPECT_EQ(windowTextUtf8(again.item(IDC_OUTPUT_PATH)), movie);
}

// The command line takes such names as arguments, reads and writes them.
TEST(NamesInAnyScript, TheCommandLineMakesTheAlbum) {
  UnicodeAlbum album;
  const std::string movie = album.folder + kMovie;
  std::string arguments = "make -q -m \"" + album.music + "\"";
  for (const auto& picture : album.pictures) arguments += " \"" + picture + "\"";
  arguments += " -o \"" + movie + "\" --save-album \"" + album.folder + kFolder + ".swalbum\"";
  ASSERT_EQ(runCommandLine(arguments), 0u);
  EXPECT_TRUE(player::parseMovieFile(movie));
  const auto read = slidewright::albumfile::readAlbumFile(album.folder + kFolder + ".swalbum");
  ASSERT_TRUE(read) << read.error().message;
  ASSERT_EQ(read.value().pictures.size(), 3u);
  EXPECT_EQ(read.value().pictures[2].file, album.pictures[2]);
}

}  // namespace
