// Album files in the window: opened, made, saved and opened again after the
// folder moved, with the movie compared byte for byte with the command
// line's; the question about unsaved changes; refused and incomplete album
// files; motions and captions given in the window; the hold-time dialog and
// the keyboard shortcuts.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>

#include "CaptionDialog.h"
#include "FailureTexts.h"
#include "PictureContextMenu.h"
#include "PictureTipText.h"
#include "TextConversion.h"
#include "albumfile/album_file.h"
#include "LanguageFormat.h"
#include "WindowTestSupport.h"
#include "resource.h"

namespace {

void command(LiveMainWindow& window, int id) {
  SendMessageA(window.handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

// An album in <folder>album\ with its pictures in album\pics\: a fade held
// for the album's 2 seconds, a circle held 3, blinds not held at all; the
// movie does not loop, its music would fade, the first two pictures move and
// the second has a caption in Chinese and Latin letters.
std::string writeAlbum(const std::string& folder) {
  const std::string album = folder + "album\\";
  CreateDirectoryA(album.c_str(), nullptr);
  CreateDirectoryA((album + "pics").c_str(), nullptr);
  writeJpeg(album + "pics\\a.jpg", 64, 48, {220, 30, 30});
  writeJpeg(album + "pics\\b.jpg", 48, 64, {30, 200, 30});
  writeJpeg(album + "pics\\c.jpg", 64, 64, {30, 30, 220});
  writeFile(album + "holiday.swalbum",
            R"({"slidewright-album": 1, "width": 320, "height": 240, "background": "#102030", "seconds": 2,
  "loop": false, "fade-out": 4, "seed": 5, "output": "made.swf", "pictures": [
  {"file": "pics/a.jpg", "transition": "fade", "motion": "auto"},
  {"file": "pics/b.jpg", "transition": "circle", "seconds": 3, "motion": "pan-left",
   "caption": "海边的日落 Sunset, 2024"},
  {"file": "pics/c.jpg", "transition": "blinds", "seconds": 0}]})");
  return album;
}

std::string madeMovie(LiveMainWindow& window) {
  window.click(IDC_MAKE_ALBUM);
  window.waitForMake();
  return readFile(window.window().savePath());
}

// Answers the unsaved-changes question with a button; any file dialog after
// it with a name.
struct Answers {
  explicit Answers(int button, std::string fileName = {}) : button(button), fileName(std::move(fileName)) {}
  int button;
  std::string fileName;
  std::string question, saveCaption;
};
void answer(HWND dialog, Answers* answers) {
  if (GetDlgItem(dialog, IDYES)) {
    answers->question = controlText(GetDlgItem(dialog, 0xFFFF));
    answers->saveCaption = controlText(GetDlgItem(dialog, IDYES));
    PostMessageA(dialog, WM_COMMAND, answers->button, 0);
  } else {
    answerFileDialog(dialog, answers->fileName);
  }
}

// Save As from the menu, its file dialog answered with `file`; the number of
// dialogs answered (1 when only the file dialog came).
int saveAlbumAs(LiveMainWindow& window, const std::string& file) {
  Answers answers{IDCANCEL, file};
  DialogWatcher watcher(GetCurrentThreadId(), [&](HWND d) { answer(d, &answers); });
  command(window, IDM_SAVE_ALBUM_AS);
  return watcher.answered();
}

}  // namespace

TEST(AlbumFileWindow, OpenedAlbumMakesTheCommandLinesMovieAndSavedOneOpensAfterItsFolderMoved) {
  TestFolder dir;
  const std::string folder = writeAlbum(dir.path());
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  ASSERT_TRUE(window.window().openAlbumFile(folder + "holiday.swalbum"));
  PictureList& list = window.list();
  ASSERT_EQ(list.entryCount(), 3);
  EXPECT_EQ(list.entryAt(1).transition, 4);
  EXPECT_EQ(list.entryAt(1).holdSeconds, 3);
  EXPECT_EQ(list.entryAt(0).holdSeconds, std::nullopt);
  EXPECT_EQ(list.entryAt(1).caption, "海边的日落 Sunset, 2024");
  EXPECT_EQ(GetDlgItemInt(window.handle(), IDC_ALBUM_WIDTH, nullptr, FALSE), 320u);
  EXPECT_EQ(GetDlgItemInt(window.handle(), IDC_SECONDS, nullptr, FALSE), 2u);
  EXPECT_EQ(controlText(window.item(IDC_OUTPUT_PATH)), folder + "made.swf");
  EXPECT_EQ(windowTitle(window.handle()), "holiday - Slidewright");

  // The window's movie is the command line's, byte for byte.
  const std::string windowMovie = madeMovie(window);
  ASSERT_FALSE(windowMovie.empty());
  ASSERT_EQ(runCommandLine("make \"" + folder + "holiday.swalbum\" -o \"" + dir.path() + "cli.swf\" -q"), 0u);
  EXPECT_TRUE(readFile(dir.path() + "cli.swf") == windowMovie)
      << "the window's movie differs from the command line's";

  // Saved under another name (the make wrote the output path in lower case),
  // the album makes the same movie on the command line.
  ASSERT_EQ(saveAlbumAs(window, folder + "saved.swalbum"), 1);
  EXPECT_EQ(windowTitle(window.handle()), "saved - Slidewright");
  // Settings the window has no field for are kept as the file gave them.
  const auto saved = slidewright::albumfile::readAlbumFile(folder + "saved.swalbum");
  ASSERT_TRUE(saved) << saved.message();
  EXPECT_FALSE(saved.value().loop);
  EXPECT_EQ(saved.value().fadeOutSeconds, 4);
  EXPECT_EQ(saved.value().seed, 5);
  EXPECT_EQ(saved.value().pictures.at(0).motion.kind, slidewright::MotionKind::Auto);
  EXPECT_EQ(saved.value().pictures.at(1).motion.kind, slidewright::MotionKind::PanLeft);
  EXPECT_EQ(saved.value().pictures.at(1).caption, "海边的日落 Sunset, 2024");
  EXPECT_EQ(saved.value().pictures.at(0).caption, "");
  ASSERT_EQ(runCommandLine("make \"" + folder + "saved.swalbum\" -o \"" + dir.path() + "cli2.swf\" -q"), 0u);
  EXPECT_TRUE(readFile(dir.path() + "cli2.swf") == windowMovie);

  // The folder moves with its pictures: every path of the album was written
  // relative to it, the movie's too.
  window.click(IDC_PREVIEW_STOP);  // the preview lets go of the movie
  const std::string moved = dir.path() + "Moved\\";
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, current);
  ASSERT_TRUE(
      MoveFileA(folder.substr(0, folder.size() - 1).c_str(), moved.substr(0, moved.size() - 1).c_str()))
      << "error " << GetLastError() << "; the program's current folder: " << current;
  MessageBoxRecorder boxes;
  ASSERT_TRUE(window.window().openAlbumFile(moved + "saved.swalbum"));
  pumpMessages(50);
  EXPECT_TRUE(boxes.texts().empty());
  ASSERT_EQ(list.entryCount(), 3);
  EXPECT_EQ(list.entryAt(0).path, moved + "pics\\a.jpg");
  EXPECT_EQ(list.entryAt(2).holdSeconds, 0);
  std::string expectedOutput = moved + "made.swf";
  CharLowerBuffA(expectedOutput.data(), static_cast<DWORD>(expectedOutput.size()));
  std::string output = controlText(window.item(IDC_OUTPUT_PATH));
  CharLowerBuffA(output.data(), static_cast<DWORD>(output.size()));
  EXPECT_EQ(output, expectedOutput);
  EXPECT_TRUE(madeMovie(window) == windowMovie);
}

// Delete all starts a new album: the settings only the album file gave (no
// loop, the fade, the seed) go with the old one.
TEST(AlbumFileWindow, DeleteAllLetsTheAlbumFilesOwnSettingsGo) {
  TestFolder dir;
  const std::string folder = writeAlbum(dir.path());
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  ASSERT_TRUE(window.window().openAlbumFile(folder + "holiday.swalbum"));
  window.click(IDC_DELETE_ALL);
  ASSERT_EQ(window.list().entryCount(), 0);
  window.window().addPictureFiles(gathered({folder + "pics\\a.jpg"}));
  ASSERT_EQ(saveAlbumAs(window, dir.path() + "new.swalbum"), 1);
  const auto fresh = slidewright::albumfile::readAlbumFile(dir.path() + "new.swalbum");
  ASSERT_TRUE(fresh) << fresh.message();
  EXPECT_TRUE(fresh.value().loop);
  EXPECT_EQ(fresh.value().fadeOutSeconds, 0);
  EXPECT_EQ(fresh.value().seed, 0);
}

TEST(AlbumFileWindow, UnsavedChangesAreAskedAboutBeforeTheAlbumIsLetGo) {
  ColourPictures pictures;
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  const LanguageFile& language = window.window().language();
  EXPECT_EQ(windowTitle(window.handle()), "Slidewright");
  window.window().addPictureFiles(gathered(pictures.paths));
  const std::string untitled = language.lookupString("UntitledAlbum");
  EXPECT_EQ(windowTitle(window.handle()), untitled + "* - Slidewright");

  // Cancel: the exit button, Escape and delete all leave the album as it is.
  Answers answers{IDCANCEL};
  for (int id : {IDOK, IDCANCEL, IDC_DELETE_ALL}) {
    DialogWatcher watcher(GetCurrentThreadId(), [&](HWND d) { answer(d, &answers); });
    window.click(id);
    EXPECT_EQ(watcher.answered(), 1) << id;
    ASSERT_TRUE(window.ok()) << id;
    EXPECT_EQ(window.list().entryCount(), 5) << id;
  }
  EXPECT_EQ(answers.question,
            formatWithText(language.lookupValue("AlbumFile", "SaveChangesQuestion"), untitled));
  EXPECT_EQ(answers.saveCaption, language.lookupString("SaveChangesSave"));

  // Don't save: delete all goes ahead, and a new album has nothing to ask.
  answers.button = IDNO;
  {
    DialogWatcher watcher(GetCurrentThreadId(), [&](HWND d) { answer(d, &answers); });
    window.click(IDC_DELETE_ALL);
    EXPECT_EQ(watcher.answered(), 1);
  }
  EXPECT_EQ(window.list().entryCount(), 0);
  EXPECT_EQ(windowTitle(window.handle()), "Slidewright");

  // Save: the album gets a name, is written, and the window closes (Escape).
  window.window().addPictureFiles(gathered({pictures.paths[0], pictures.paths[1]}));
  answers = Answers{IDYES, pictures.dir.path() + "kept.swalbum"};
  {
    DialogWatcher watcher(GetCurrentThreadId(), [&](HWND d) { answer(d, &answers); });
    window.click(IDCANCEL);
    EXPECT_EQ(watcher.answered(), 2);
  }
  EXPECT_FALSE(window.ok());
  const std::string kept = readFile(pictures.dir.path() + "kept.swalbum");
  EXPECT_NE(kept.find("\"file\": \"a.jpg\""), std::string::npos) << kept;
  EXPECT_NE(kept.find("\"file\": \"b.jpg\""), std::string::npos) << kept;
}

TEST(AlbumFileWindow, RefusedAndIncompleteAlbumsAreToldInTheWindowsLanguage) {
  ColourPictures pictures;
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  const LanguageFile& language = window.window().language();
  const std::string& folder = pictures.dir.path();
  window.window().addPictureFiles(gathered({pictures.paths[0]}));
  {
    // Refused files change nothing in the window (and ask nothing).
    struct Case {
      const char* text;
      const char* reason;
      const char* key;
    };
    const Case cases[] = {
        {R"({"slidewright-album": 1, "colour": "#ffffff", "pictures": []})", "AlbumUnknownKey", "\"colour\""},
        {R"({"slidewright-album": 9, "pictures": []})", "AlbumNewerVersion", nullptr},
        {R"({"slidewright-album": 1, "pictures": [{"file": "a.jpg", "seconds": -2}]})", "AlbumOutOfRange",
         "\"seconds\""},
        {"{\"slidewright-album\": 1,", "AlbumNotJson", nullptr},
    };
    for (const Case& c : cases) {
      writeFile(folder + "bad.swalbum", c.text);
      MessageBoxRecorder boxes;
      EXPECT_FALSE(window.window().openAlbumFile(folder + "bad.swalbum")) << c.text;
      pumpMessages(50);
      ASSERT_EQ(boxes.texts().size(), 1u) << c.text;
      const std::string told = boxes.texts()[0];
      EXPECT_EQ(told.rfind(reasonText(language, c.reason, folder + "bad.swalbum"), 0), 0u) << told;
      if (c.key) {
        EXPECT_NE(told.find(c.key), std::string::npos) << told;
      }
      EXPECT_EQ(window.list().entryCount(), 1);
    }
  }
  // Missing pictures are named together and the album opens without them.
  writeFile(folder + "gaps.swalbum", R"({"slidewright-album": 1, "pictures": [{"file": "a.jpg"},
    {"file": "gone.jpg"}, {"file": "b.jpg"}, {"file": "lost.jpg"}]})");
  Answers answers{IDNO};
  std::vector<std::string> texts;
  DialogWatcher watcher(GetCurrentThreadId(), [&](HWND d) {
    if (GetDlgItem(d, IDYES))
      answer(d, &answers);
    else
      texts.push_back(readAndCloseMessageBox(d));
  });
  ASSERT_TRUE(window.window().openAlbumFile(folder + "gaps.swalbum"));
  pumpMessages(50);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], messageText(language, "AlbumPicturesMissing") + "\r\n\r\n" +
                          reasonText(language, "PictureMissing", folder + "gone.jpg") + "\r\n" +
                          reasonText(language, "PictureMissing", folder + "lost.jpg"));
  EXPECT_EQ(order(window.list()), "ab");
  EXPECT_EQ(windowTitle(window.handle()), "gaps* - Slidewright");
}

// Zoom-in chosen for two selected pictures: the window's movie is the
// command line's with --motion zoom-in for them, not the still one. A
// caption typed in the dialog (Chinese and Latin, two lines) goes to the
// selected pictures, shows in their tip and is kept by Save As.
TEST(AlbumFileWindow, MotionAndCaptionFromTheMenuAreMadeShownAndSaved) {
  ColourPictures pictures;
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  PictureList& list = window.list();
  window.window().addPictureFiles(gathered({pictures.paths[0], pictures.paths[1], pictures.paths[2]}));
  ASSERT_EQ(list.entryCount(), 3);
  for (int i = 0; i < 3; ++i) list.entryAt(i).transition = 9;
  window.setText(IDC_ALBUM_WIDTH, "320");
  window.setText(IDC_ALBUM_HEIGHT, "240");
  window.setText(IDC_SECONDS, "1");
  const std::string still = window.folder() + "still.swf";
  window.setText(IDC_OUTPUT_PATH, still);
  window.click(IDC_MAKE_ALBUM);
  window.waitForMake();

  click(list, 0);
  click(list, 1, MK_CONTROL);
  command(window, static_cast<int>(motionCommand(slidewright::MotionKind::ZoomIn)));
  EXPECT_EQ(list.entryAt(0).motion.kind, slidewright::MotionKind::ZoomIn);
  EXPECT_EQ(list.entryAt(1).motion.kind, slidewright::MotionKind::ZoomIn);
  EXPECT_EQ(list.entryAt(2).motion.kind, slidewright::MotionKind::None);
  const std::string moving = window.folder() + "moving.swf";
  window.setText(IDC_OUTPUT_PATH, moving);
  window.click(IDC_MAKE_ALBUM);
  window.waitForMake();
  std::string arguments = "make -q -W 320 -H 240 -s 1 -b #ffffff -t fade --motion zoom-in \"" +
                          pictures.paths[0] + "\" \"" + pictures.paths[1] + "\" --motion none \"" +
                          pictures.paths[2] + "\" -o \"" + window.folder() + "command.swf\"";
  ASSERT_EQ(runCommandLine(arguments), 0u);
  const std::string made = readFile(moving);
  ASSERT_GT(made.size(), 1000u);
  EXPECT_TRUE(made == readFile(window.folder() + "command.swf")) << "the window's movie differs";
  EXPECT_FALSE(made == readFile(still)) << "the pictures do not move";

  // The dialog starts with the caption the selection shares (none), and
  // takes any script as typed.
  const std::wstring typed = L"  海边的日落 By the sea\r\nΑθήνα, 2024  ";
  const std::string caption = "海边的日落 By the sea\nΑθήνα, 2024";
  std::wstring shown = L"?";
  {
    DialogWatcher watcher(GetCurrentThreadId(), [&](HWND d) {
      HWND box = GetDlgItem(d, IDC_CAPTION_TEXT);
      wchar_t text[64] = {};
      GetWindowTextW(box, text, 64);
      shown = text;
      SetWindowTextW(box, typed.c_str());
      PostMessageA(d, WM_COMMAND, IDOK, 0);
    });
    command(window, IDM_CAPTION);
    ASSERT_EQ(watcher.answered(), 1);
  }
  EXPECT_EQ(shown, L"");
  EXPECT_EQ(list.entryAt(0).caption, caption);
  EXPECT_EQ(list.entryAt(1).caption, caption);
  EXPECT_EQ(list.entryAt(2).caption, "");

  // The tip names the motion and the caption (on one line, every letter whole).
  const LanguageFile& language = window.window().language();
  const PictureEntry& entry = list.entryAt(1);
  const std::wstring tip =
      pictureTipText(language, PictureTipFacts{entry.path, entry.width, entry.height, entry.transition,
                                               entry.holdSeconds, 1, entry.motion, entry.caption});
  const std::wstring tipEnd = wideFromAnsi("\r\n" + language.lookupString("MotionTip") +
                                           motionDisplayName(language, slidewright::MotionKind::ZoomIn) +
                                           "\r\n" + language.lookupString("CaptionTip")) +
                              wideFromUtf8("海边的日落 By the sea Αθήνα, 2024");
  ASSERT_GE(tip.size(), tipEnd.size());
  EXPECT_EQ(tip.substr(tip.size() - tipEnd.size()), tipEnd);

  // Saved as a file: the motions and the caption come back.
  ASSERT_EQ(saveAlbumAs(window, window.folder() + "moving.swalbum"), 1);
  const auto saved = slidewright::albumfile::readAlbumFile(window.folder() + "moving.swalbum");
  ASSERT_TRUE(saved) << saved.message();
  ASSERT_EQ(saved.value().pictures.size(), 3u);
  EXPECT_EQ(saved.value().pictures[1].motion.kind, slidewright::MotionKind::ZoomIn);
  EXPECT_EQ(saved.value().pictures[2].motion.kind, slidewright::MotionKind::None);
  EXPECT_EQ(saved.value().pictures[0].caption, caption);
  EXPECT_EQ(saved.value().pictures[2].caption, "");
  EXPECT_EQ(windowTitle(window.handle()), "moving - Slidewright");
  EXPECT_FALSE(window.window().albumChanged());

  // Over differing captions the box starts empty, and OK on it keeps each.
  click(list, 2, MK_CONTROL);
  {
    DialogWatcher watcher(GetCurrentThreadId(), [&](HWND d) {
      wchar_t text[64] = {L'?'};
      GetWindowTextW(GetDlgItem(d, IDC_CAPTION_TEXT), text, 64);
      shown = text;
      PostMessageA(d, WM_COMMAND, IDOK, 0);
    });
    command(window, IDM_CAPTION);
    ASSERT_EQ(watcher.answered(), 1);
  }
  EXPECT_EQ(shown, L"");
  EXPECT_EQ(list.entryAt(0).caption, caption);
  EXPECT_EQ(list.entryAt(2).caption, "");
  EXPECT_FALSE(window.window().albumChanged());
  // A motion chosen is a change to save.
  command(window, static_cast<int>(motionCommand(slidewright::MotionKind::PanUp)));
  EXPECT_TRUE(window.window().albumChanged());
  EXPECT_EQ(windowTitle(window.handle()), "moving* - Slidewright");
}

TEST(AlbumFileWindow, HoldTimeDialogAndShortcuts) {
  ColourPictures pictures;
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  const LanguageFile& language = window.window().language();
  PictureList& list = window.list();
  window.window().addPictureFiles(gathered({pictures.paths[0], pictures.paths[1], pictures.paths[2]}));
  click(list, 0);
  click(list, 1, MK_CONTROL);

  // The album's seconds shown for pictures without their own; 4 typed.
  struct Seen {
    std::string field;
    bool albumBox = false;
  } seen;
  const auto setHold = [&](const char* typed, bool albumBox) {
    DialogWatcher watcher(GetCurrentThreadId(), [&](HWND d) {
      seen.field = controlText(GetDlgItem(d, IDC_HOLD_SECONDS));
      seen.albumBox = IsDlgButtonChecked(d, IDC_HOLD_ALBUM) == BST_CHECKED;
      if (seen.albumBox != albumBox) SendMessageA(GetDlgItem(d, IDC_HOLD_ALBUM), BM_CLICK, 0, 0);
      SetWindowTextA(GetDlgItem(d, IDC_HOLD_SECONDS), typed);
      PostMessageA(d, WM_COMMAND, IDOK, 0);
    });
    command(window, IDM_HOLD_TIME);
    return watcher.answered();
  };
  ASSERT_EQ(setHold("4", false), 1);
  EXPECT_TRUE(seen.albumBox);
  EXPECT_EQ(seen.field, controlText(window.item(IDC_SECONDS)));
  EXPECT_EQ(list.entryAt(0).holdSeconds, 4);
  EXPECT_EQ(list.entryAt(1).holdSeconds, 4);
  EXPECT_EQ(list.entryAt(2).holdSeconds, std::nullopt);

  // Differing holds show an empty field, which keeps each as it is.
  click(list, 2, MK_CONTROL);
  ASSERT_EQ(setHold("", false), 1);
  EXPECT_EQ(seen.field, "");
  EXPECT_FALSE(seen.albumBox);
  EXPECT_EQ(list.entryAt(2).holdSeconds, std::nullopt);
  EXPECT_EQ(list.entryAt(0).holdSeconds, 4);
  // The album's box takes the own holds away.
  ASSERT_EQ(setHold("", true), 1);
  EXPECT_EQ(list.entryAt(0).holdSeconds, std::nullopt);

  // Ctrl+S through the dialog loop's message filter: a new album asks for
  // its name.
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  MSG msg{window.item(IDC_SECONDS), WM_KEYDOWN, 'S', 1, GetTickCount(), {}};
  int dialogs = 0;
  BOOL filtered = FALSE;
  {
    DialogWatcher watcher(GetCurrentThreadId(), [&](HWND d) {
      ++dialogs;
      answerFileDialog(d, pictures.dir.path() + "keys.swalbum");
    });
    filtered = CallMsgFilterA(&msg, MSGF_DIALOGBOX);
  }
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  EXPECT_TRUE(filtered);
  EXPECT_EQ(dialogs, 1);
  EXPECT_TRUE(fileExists(pictures.dir.path() + "keys.swalbum"));
  EXPECT_EQ(windowTitle(window.handle()), "keys - Slidewright");
  (void)language;
}
