// The main window's commands driven as the user drives them: dropped files,
// the open dialog with its preview, the album-setting fields with their
// warnings and dialogs, and what the settings file holds afterwards.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>

#include "FailureTexts.h"
#include "LanguageFormat.h"
#include "PictureOpenDialog.h"
#include "WindowTestSupport.h"
#include "AlbumMakeJob.h"
#include "ShellDrop.h"
#include "resource.h"
// <windows.h> makes `near` an empty macro, and the test inputs use the word.
#undef near
#include "phone_inputs.h"

namespace media = slidewright::media;

namespace {

std::string fileName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

TEST(AddingPictures, DroppedFilesAndFoldersInOrderWithOneMessageForWhatFailed) {
  ColourPictures pictures;
  TestFolder album;
  // A folder adds its pictures sorted as the shell shows them, nothing else.
  writeJpeg(album.path() + "10.jpg", 40, 30, {1, 2, 3});
  writeJpeg(album.path() + "2.JPG", 40, 30, {1, 2, 3});
  writeTransparentDiscBmp(album.path() + "1.bmp", 32, {200, 0, 0});
  writeFile(album.path() + "notes.txt", "not a picture");
  TestFolder empty;
  const std::string damaged = pictures.dir.path() + "damaged.jpg";
  writeFile(damaged, "\xFF\xD8\xFF\xE0 this is no JPEG");
  const std::string missing = pictures.dir.path() + "missing.png";

  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  MessageBoxRecorder boxes;
  std::string folder = album.path();
  folder.pop_back();
  std::string emptyFolder = empty.path();
  emptyFolder.pop_back();
  SendMessageA(window.handle(), WM_DROPFILES,
               reinterpret_cast<WPARAM>(makeShellDrop(
                   {pictures.paths[2], damaged, folder, missing, emptyFolder, pictures.paths[0]})),
               0);
  pumpMessages(300);

  const std::vector<std::string> expected = {pictures.paths[2], album.path() + "1.bmp",
                                             album.path() + "2.JPG", album.path() + "10.jpg",
                                             pictures.paths[0]};
  EXPECT_EQ(entryPaths(window.list()), expected);
  ASSERT_EQ(boxes.texts().size(), 1u) << "one message for the whole batch";
  const std::string text = boxes.texts()[0];
  EXPECT_EQ(text.find(messageText(window.window().language(), "AddPicturesFailed")), 0u) << text;
  for (const auto& name : {fileName(damaged), fileName(missing), fileName(emptyFolder)})
    EXPECT_NE(text.find(name), std::string::npos) << name << " is not named in: " << text;
  EXPECT_NE(text.find(reasonText(window.window().language(), "NoPicturesInFolder", emptyFolder)),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("2.JPG"), std::string::npos) << "a picture that was added is not named";
  EXPECT_TRUE(IsWindowEnabled(window.item(IDC_DELETE_ALL)));
  EXPECT_TRUE(IsWindowEnabled(window.item(IDC_MAKE_ALBUM)));
  EXPECT_FALSE(IsWindowEnabled(window.item(IDC_DELETE_SELECTED)));
}

// The picture menu's two sorts put the whole album in order, each picture
// keeping its own settings: by the time taken (EXIF, else a date in the
// name) and by name, digits by their value. A folder brings its phone
// pictures too.
TEST(AddingPictures, SortedByTimeTakenAndByNameWithTheirOwnSettings) {
  TestFolder album;
  const auto withDate = [&](const std::string& name, const char* taken) {
    const auto bytes =
        testinputs::jpegWithExif(testinputs::solid(40, 30, {9, 9, 9}), testinputs::exif(0, taken));
    writeFile(album.path() + name, std::string(bytes.begin(), bytes.end()));
  };
  withDate("b.jpg", "2024:06:12 10:00:00");
  withDate("a10.jpg", "2023:01:01 08:00:00");
  writeJpeg(album.path() + "IMG_20240101_120000.jpg", 40, 30, {1, 2, 3});
  withDate("a2.jpg", "2025:03:04 05:06:07");
#if SLIDEWRIGHT_PHONE_PICTURES
  testinputs::PhoneExtras taken;
  taken.exif = testinputs::exif(0, "2022:02:02 02:02:02");
  const auto webp = testinputs::webp(testinputs::solid(40, 30, {200, 10, 10}), taken);
  writeFile(album.path() + "c.webp", std::string(webp.begin(), webp.end()));
#endif
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  std::vector<std::string> given = {"b.jpg", "a10.jpg", "IMG_20240101_120000.jpg", "a2.jpg"};
  std::vector<std::string> paths;
  for (const auto& name : given) paths.push_back(album.path() + name);
  SendMessageA(window.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(makeShellDrop(paths)), 0);
  pumpMessages(300);
  ASSERT_EQ(entryPaths(window.list()), paths);
  window.list().entryAt(0).transition = 5;  // b.jpg
  window.list().entryAt(0).caption = "b";
  const auto namesInOrder = [&] {
    std::vector<std::string> names;
    for (const auto& path : entryPaths(window.list())) names.push_back(fileName(path));
    return names;
  };
  const auto bOf = [&]() -> const PictureEntry& {
    for (int i = 0; i < window.list().entryCount(); ++i)
      if (fileName(window.list().entryAt(i).path) == "b.jpg") return window.list().entryAt(i);
    return window.list().entryAt(0);
  };
  SendMessageA(window.handle(), WM_COMMAND, MAKEWPARAM(IDM_SORT_BY_DATE, 0), 0);
  EXPECT_EQ(namesInOrder(),
            (std::vector<std::string>{"a10.jpg", "IMG_20240101_120000.jpg", "b.jpg", "a2.jpg"}));
  EXPECT_EQ(bOf().transition, 5);
  EXPECT_EQ(bOf().caption, "b");
  EXPECT_NE(windowTitle(window.handle()).find("* - "), std::string::npos) << windowTitle(window.handle());
  SendMessageA(window.handle(), WM_COMMAND, MAKEWPARAM(IDM_SORT_BY_NAME, 0), 0);
  EXPECT_EQ(namesInOrder(),
            (std::vector<std::string>{"a2.jpg", "a10.jpg", "b.jpg", "IMG_20240101_120000.jpg"}));
  EXPECT_EQ(bOf().transition, 5);
#if SLIDEWRIGHT_PHONE_PICTURES
  std::string folder = album.path();
  folder.pop_back();
  SendMessageA(window.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(makeShellDrop({folder})), 0);
  pumpMessages(300);
  ASSERT_EQ(window.list().entryCount(), 9) << "the folder's four JPEG pictures and its WebP";
  SendMessageA(window.handle(), WM_COMMAND, MAKEWPARAM(IDM_SORT_BY_DATE, 0), 0);
  EXPECT_EQ(namesInOrder().front(), "c.webp");
  EXPECT_EQ(window.list().entryAt(0).width, 40);
#endif
}

TEST(AddingPictures, OpenDialogPreviewsTheNamedFileAndAddsTheChosenOnes) {
  ColourPictures pictures;
  writeJpeg(pictures.dir.path() + "wide.jpg", 2000, 1000, {90, 90, 200});
  LiveMainWindow window("[Setting]\r\nAddPicPath=" + pictures.dir.path() + "\r\n");
  ASSERT_TRUE(window.ok());
  const LanguageFile& language = window.window().language();

  struct Seen {
    std::string name, width, height, check;
    RECT pane{}, box{};
    bool previewOffClears = false;
  } seen;
  DialogWatcher watcher(GetCurrentThreadId(), [&](HWND dialog) {
    HWND panel = FindWindowExA(dialog, nullptr, "#32770", nullptr);
    while (panel && !GetDlgItem(panel, IDC_OPEN_PREVIEW_CHECK))
      panel = FindWindowExA(dialog, panel, "#32770", nullptr);
    if (!panel) {
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      return;
    }
    HWND pane = GetDlgItem(panel, IDC_OPEN_PREVIEW_BOX);
    GetWindowRect(pane, &seen.box);
    seen.check = controlText(GetDlgItem(panel, IDC_OPEN_PREVIEW_CHECK));
    // The name typed into the field is previewed when the preview is turned
    // on: off and on again.
    SendMessageA(fileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("wide.jpg"));
    HWND check = GetDlgItem(panel, IDC_OPEN_PREVIEW_CHECK);
    SendMessageA(check, BM_CLICK, 0, 0);
    seen.previewOffClears = controlText(GetDlgItem(panel, IDC_OPEN_WIDTH_LABEL)) ==
                            formatWithNumber(language.lookupValue("OpenFileDlg", "ImageWidth"), 0);
    SendMessageA(check, BM_CLICK, 0, 0);
    seen.name = controlText(GetDlgItem(panel, IDC_OPEN_FILE_NAME));
    seen.width = controlText(GetDlgItem(panel, IDC_OPEN_WIDTH_LABEL));
    seen.height = controlText(GetDlgItem(panel, IDC_OPEN_HEIGHT_LABEL));
    GetWindowRect(pane, &seen.pane);
    answerFileDialog(dialog, "\"c.jpg\" \"a.jpg\" \"wide.jpg\"");
  });
  window.click(IDC_ADD_PICTURES);
  ASSERT_EQ(watcher.answered(), 1);

  EXPECT_EQ(seen.check, language.lookupValue("OpenFileDlg", "Preview"));
  EXPECT_TRUE(seen.previewOffClears);
  EXPECT_EQ(seen.name, formatWithText(language.lookupValue("OpenFileDlg", "File"), "wide.jpg"));
  EXPECT_EQ(seen.width, formatWithNumber(language.lookupValue("OpenFileDlg", "ImageWidth"), 2000));
  EXPECT_EQ(seen.height, formatWithNumber(language.lookupValue("OpenFileDlg", "ImageHeight"), 1000));
  // The pane shrinks to the picture's shape, centred in the box.
  const int boxWidth = seen.box.right - seen.box.left, boxHeight = seen.box.bottom - seen.box.top;
  const SIZE fit = fitPicture(2000, 1000, boxWidth, boxHeight, false);
  EXPECT_EQ(seen.pane.right - seen.pane.left, fit.cx);
  EXPECT_EQ(seen.pane.bottom - seen.pane.top, fit.cy);
  EXPECT_EQ(seen.pane.top - seen.box.top, (boxHeight - fit.cy) / 2);

  // All three are added; several files chosen leave their folder for next time.
  ASSERT_EQ(window.list().entryCount(), 3);
  std::vector<std::string> names;
  for (const auto& path : entryPaths(window.list())) names.push_back(fileName(path));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.jpg", "c.jpg", "wide.jpg"}));
  EXPECT_EQ(window.list().entryAt(window.list().entryCount() - 1).width == 2000 ||
                window.list().entryAt(0).width == 2000 || window.list().entryAt(1).width == 2000,
            true);
  EXPECT_TRUE(IsWindowEnabled(window.item(IDC_MAKE_ALBUM)));
  window.exit();
  std::string stored = window.stored("AddPicPath");
  if (!stored.empty() && stored.back() != '\\') stored += '\\';
  EXPECT_EQ(stored, pictures.dir.path());
}

TEST(AlbumSettings, WidthAndHeightAreCheckedWhenTheirFieldsLoseTheFocus) {
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  const LanguageFile& language = window.window().language();
  auto boxes = std::make_unique<MessageBoxRecorder>();
  // Typed into a field, then the focus moves on, as with the Tab key.
  auto enter = [&](int field, const char* text) {
    SetFocus(window.item(field));
    SetWindowTextA(window.item(field), text);
    SetFocus(window.item(IDC_SECONDS));
    pumpMessages(50);
    return static_cast<int>(GetDlgItemInt(window.handle(), field, nullptr, TRUE));
  };
  struct Case {
    int field;
    const char* typed;
    int kept;
    const char* warning;  // nullptr: none
  };
  const Case cases[] = {
      {IDC_ALBUM_WIDTH, "801", 800, "AlbumWidthWarning1"},
      {IDC_ALBUM_WIDTH, "99", 100, "AlbumWidthWarning2"},
      {IDC_ALBUM_WIDTH, "100", 100, nullptr},
      {IDC_ALBUM_WIDTH, "800", 800, nullptr},
      {IDC_ALBUM_HEIGHT, "74", 75, "AlbumHeightWarning2"},
      {IDC_ALBUM_HEIGHT, "601", 600, "AlbumHeightWarning1"},
      {IDC_ALBUM_HEIGHT, "75", 75, nullptr},
      {IDC_ALBUM_HEIGHT, "600", 600, nullptr},
      {IDC_ALBUM_WIDTH, "5000", 800, "AlbumWidthWarning1"},
  };
  std::size_t warnings = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(enter(c.field, c.typed), c.kept) << c.typed;
    if (c.warning) {
      ++warnings;
      ASSERT_EQ(boxes->texts().size(), warnings) << c.typed;
      EXPECT_EQ(boxes->texts().back(), messageText(language, c.warning));
    }
  }
  EXPECT_EQ(boxes->texts().size(), warnings) << "values in range pass silently";
  EXPECT_EQ(window.window().albumWidth(), 800);
  EXPECT_EQ(window.window().albumHeight(), 600);

  // A field left empty shows the value in force again.
  EXPECT_EQ(enter(IDC_ALBUM_WIDTH, ""), 800);
  // Seconds are taken as typed; the arrows keep to 1..60.
  int low = 0, high = 0;
  SendMessageA(window.item(IDC_SECONDS_SPIN), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
               reinterpret_cast<LPARAM>(&high));
  EXPECT_EQ(low, 1);
  EXPECT_EQ(high, 60);
  SetWindowTextA(window.item(IDC_SECONDS), "0");
  // The question about the changed album is "Don't save" (exit), not the
  // recorder's OK, which would keep the window open.
  boxes.reset();
  window.exit();
  EXPECT_EQ(window.stored("Span"), "0");
  EXPECT_EQ(window.stored("PicWidth"), "800");
  EXPECT_EQ(window.stored("PicHeight"), "600");
}

TEST(AlbumSettings, OutputPathAndMusicDialogsAndTheRoundTripThroughTheSettingsFile) {
  TestFolder music;
  writeFile(music.path() + "song.mp3", "ID3");
  LiveMainWindow window(
      "[Setting]\r\nPicWidth=720\r\nPicHeight=540\r\nSpan=4\r\nBKCltColor=255\r\nMusicPath=" + music.path() +
      "old.mp3\r\n");
  ASSERT_TRUE(window.ok());
  EXPECT_EQ(GetDlgItemInt(window.handle(), IDC_ALBUM_WIDTH, nullptr, TRUE), 720u);
  EXPECT_EQ(GetDlgItemInt(window.handle(), IDC_SECONDS, nullptr, TRUE), 4u);
  pumpMessages(100);
  RECT swatch{};
  GetClientRect(window.item(IDC_BACKGROUND_COLOR), &swatch);
  EXPECT_EQ(screenPixel(window.item(IDC_BACKGROUND_COLOR), swatch.right / 2, swatch.bottom / 2),
            RGB(255, 0, 0));
  // A music file named by the settings is only the folder of the next
  // dialog: the music buttons wait for a file chosen in this run.
  EXPECT_FALSE(IsWindowEnabled(window.item(IDC_MUSIC_TOGGLE)));
  EXPECT_FALSE(IsWindowEnabled(window.item(IDC_FORGET_MUSIC)));

  {
    // A new output file can be chosen; it is made lower case and given ".swf".
    DialogWatcher watcher(GetCurrentThreadId(),
                          [&](HWND d) { answerFileDialog(d, music.path() + "My Show.SWF"); });
    window.click(IDC_OUTPUT_PATH_BROWSE);
    ASSERT_EQ(watcher.answered(), 1);
  }
  std::string expectedPath = music.path() + "my show.swf";
  CharLowerBuffA(expectedPath.data(), static_cast<DWORD>(expectedPath.size()));
  EXPECT_EQ(window.window().savePath(), expectedPath);
  EXPECT_EQ(controlText(window.item(IDC_OUTPUT_PATH)), expectedPath);
  {
    DialogWatcher watcher(GetCurrentThreadId(), [&](HWND d) { answerFileDialog(d, music.path() + "Album"); });
    window.click(IDC_OUTPUT_PATH_BROWSE);
  }
  expectedPath = music.path() + "album.swf";
  CharLowerBuffA(expectedPath.data(), static_cast<DWORD>(expectedPath.size()));
  EXPECT_EQ(window.window().savePath(), expectedPath);

  {
    DialogWatcher watcher(GetCurrentThreadId(), [&](HWND d) { answerFileDialog(d, "song.mp3"); });
    window.click(IDC_CHOOSE_MUSIC);
    ASSERT_EQ(watcher.answered(), 1);
  }
  EXPECT_EQ(window.window().musicPath(), music.path() + "song.mp3");
  EXPECT_TRUE(IsWindowEnabled(window.item(IDC_MUSIC_TOGGLE)));
  EXPECT_TRUE(IsWindowEnabled(window.item(IDC_FORGET_MUSIC)));
  // The play-music tip names the file.
  char tip[512] = {};
  TTTOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.hwnd = window.handle();
  tool.uId = reinterpret_cast<UINT_PTR>(window.item(IDC_MUSIC_TOGGLE));
  tool.lpszText = tip;
  SendMessageA(window.window().tooltip(), TTM_GETTEXTA, sizeof tip, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(std::string(tip), music.path() + "song.mp3");

  window.click(IDC_FORGET_MUSIC);
  EXPECT_FALSE(IsWindowEnabled(window.item(IDC_MUSIC_TOGGLE)));
  EXPECT_FALSE(IsWindowEnabled(window.item(IDC_FORGET_MUSIC)));
  EXPECT_EQ(window.window().musicPath(), music.path());

  SetWindowTextA(window.item(IDC_ALBUM_HEIGHT), "500");
  window.exit();
  EXPECT_EQ(window.handle(), nullptr);
  EXPECT_EQ(window.stored("PicWidth"), "720");
  EXPECT_EQ(window.stored("PicHeight"), "500");
  EXPECT_EQ(window.stored("Span"), "4");
  EXPECT_EQ(window.stored("BKCltColor"), "255");
  EXPECT_EQ(window.stored("SavePath"), expectedPath);
  EXPECT_EQ(window.stored("MusicPath"), music.path());
}

TEST(MainWindowControls, TooltipsFocusAndProgress) {
  ColourPictures pictures;
  LiveMainWindow window;
  ASSERT_TRUE(window.ok());
  const LanguageFile& language = window.window().language();

  // One tip for each bitmap button and for the make-video button, from the
  // language file.
  HWND tooltip = window.window().tooltip();
  ASSERT_TRUE(tooltip);
  EXPECT_EQ(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0), 10);
  for (auto [id, key] : {std::pair<int, const char*>{IDC_ADD_PICTURES, "AddPicture"},
                         {IDC_DELETE_ALL, "DelAllPic"},
                         {IDC_PREVIEW_STOP, "FlashStop"},
                         {IDC_FORGET_MUSIC, "DelMusic"},
                         {IDC_MAKE_VIDEO, "MakeVideoTip"}}) {
    char text[512] = {};
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = window.handle();
    tool.uId = reinterpret_cast<UINT_PTR>(window.item(id));
    tool.lpszText = text;
    SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(std::string(text), language.lookupString(key)) << key;
  }

  // After a button command the focus is on the hidden player, not on a button.
  SetFocus(window.item(IDC_ALBUM_WIDTH));
  SendMessageA(window.item(IDC_PREVIEW_STOP), BM_CLICK, 0, 0);
  EXPECT_EQ(GetFocus(), window.item(IDC_MUSIC_PLAYER_HOST));

  // The make commands' progress: a share of a total moves the first half;
  // counted steps move one position every (pictures / 4 + 1) steps.
  for (int round = 0; round < 2; ++round) window.window().addPictureFiles(gathered(pictures.paths));
  ASSERT_EQ(window.list().entryCount(), 10);
  HWND bar = window.item(IDC_PROGRESS);
  window.window().beginProgress();
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 20);
  SendMessageA(window.handle(), EncodeProgress, 50, 100);
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 5);
  SendMessageA(window.handle(), EncodeProgress, 100, 100);
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 10);
  for (int step = 0; step < 10; ++step) SendMessageA(window.handle(), EncodeProgress, 0, 0);
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 14) << "steps 0, 3, 6 and 9 of every 3";
}

}  // namespace
