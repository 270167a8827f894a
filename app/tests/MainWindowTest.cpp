#include <gtest/gtest.h>

#include "GdiHandles.h"
#include "MainWindow.h"
#include "ProgramDirectory.h"
#include "ProfileFile.h"
#include "SkinBitmap.h"
#include "TestFolder.h"
#include "TextConversion.h"
#include "WindowTestSupport.h"
#include "resource.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

namespace {

TEST(SkinButtons, RectanglesAndHitTesting) {
  const RECT minimize = parseSkinRect("500,5,520,20");
  const RECT close = parseSkinRect("510,5,540,20");
  EXPECT_EQ(minimize.left, 500);
  EXPECT_EQ(close.right, 540);
  EXPECT_EQ(skinHitTest(POINT{515, 10}, minimize, close), HTMINBUTTON);  // in both
  EXPECT_EQ(skinHitTest(POINT{530, 10}, minimize, close), HTCLOSE);
  EXPECT_EQ(skinHitTest(POINT{100, 100}, minimize, close), HTCAPTION);

  // A missing key reads as its own name; fewer than four numbers give an
  // empty rectangle that nothing hits.
  const RECT missing = parseSkinRect("MinButton");
  const RECT partial = parseSkinRect("1,2,3");
  EXPECT_TRUE(IsRectEmpty(&missing));
  EXPECT_TRUE(IsRectEmpty(&partial));
  EXPECT_EQ(skinHitTest(POINT{0, 0}, partial, missing), HTCAPTION);
}

// A message box of another process: the first visible one that is not the
// main window, or null.
struct MessageBoxSearch {
  DWORD pid;
  HWND found = nullptr;
};

BOOL CALLBACK findMessageBox(HWND hwnd, LPARAM data) {
  auto* search = reinterpret_cast<MessageBoxSearch*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  char name[16] = {};
  GetClassNameA(hwnd, name, sizeof name);
  if (pid != search->pid || !IsWindowVisible(hwnd) || std::string(name) != "#32770" ||
      GetDlgItem(hwnd, IDC_PICTURE_LIST_FRAME))
    return TRUE;
  search->found = hwnd;
  return FALSE;
}

HWND messageBoxOf(DWORD processId) {
  MessageBoxSearch search{processId};
  EnumWindows(findMessageBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Copies Slidewright.exe into a folder (a UTF-8 path), runs it until its main window is up,
// closes the window as the skin's close button does (answering "Don't save"
// when pictures it holds are unsaved work) and waits for the end.
class RunningProgram {
 public:
  explicit RunningProgram(const std::string& folder, const std::vector<std::string>& arguments = {}) {
    const std::wstring exe = wideFromUtf8(folder + "Slidewright.exe");
    if (!CopyFileW(wideFromUtf8(programDirectory() + "Slidewright.exe").c_str(), exe.c_str(), FALSE)) return;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + exe + L"\"";
    for (const auto& argument : arguments) commandLine += L" \"" + wideFromUtf8(argument) + L"\"";
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        wideFromUtf8(folder).c_str(), &startup, &process_))
      return;
    WaitForInputIdle(process_.hProcess, 10000);
    for (int i = 0; i < 200 && !window_; ++i) {
      EnumWindows(findWindow, reinterpret_cast<LPARAM>(this));
      if (!window_) Sleep(50);
    }
  }
  ~RunningProgram() {
    if (process_.hProcess) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 1);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
  }
  HWND window() const { return window_; }
  DWORD processId() const { return process_.dwProcessId; }
  bool closeAndWait() {
    PostMessageA(window_, WM_CLOSE, 0, 0);
    for (int i = 0; i < 200; ++i) {
      if (WaitForSingleObject(process_.hProcess, 50) == WAIT_OBJECT_0) return true;
      if (HWND box = messageBoxOf(process_.dwProcessId); box && GetDlgItem(box, IDNO))
        PostMessageA(box, WM_COMMAND, IDNO, 0);
    }
    return false;
  }
  bool waitForExit() { return WaitForSingleObject(process_.hProcess, 10000) == WAIT_OBJECT_0; }

 private:
  static BOOL CALLBACK findWindow(HWND hwnd, LPARAM self) {
    auto* me = reinterpret_cast<RunningProgram*>(self);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == me->process_.dwProcessId && IsWindowVisible(hwnd) &&
        GetDlgItem(hwnd, IDC_PICTURE_LIST_FRAME)) {
      me->window_ = hwnd;
      return FALSE;
    }
    return TRUE;
  }
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

std::string stored(const std::string& folder, const char* key) {
  char buffer[512] = {};
  GetPrivateProfileStringA("Setting", key, "<missing>", buffer, sizeof buffer,
                           (folder + "slidewright.ini").c_str());
  return buffer;
}

// Two copies of the program: the first starts without settings and writes the
// defaults when its window closes; the second keeps its own settings.
TEST(SlidewrightProgram, WritesItsOwnSettingsBesideItselfWhenClosed) {
  TestFolder first, second;
  writeFile(
      second.path() + "slidewright.ini",
      "[Setting]\r\nPicWidth=800\r\nPicHeight=600\r\nBKCltColor=16711680\r\nMusicPath=D:\\Music\\a.mp3\r\n");
  {
    RunningProgram program(first.path());
    ASSERT_NE(program.window(), nullptr) << "the main window did not appear";
    ASSERT_TRUE(program.closeAndWait());
  }
  {
    RunningProgram program(second.path());
    ASSERT_NE(program.window(), nullptr);
    ASSERT_TRUE(program.closeAndWait());
  }
  EXPECT_EQ(stored(first.path(), "PicWidth"), "640");
  EXPECT_EQ(stored(first.path(), "PicHeight"), "480");
  EXPECT_EQ(stored(first.path(), "Span"), "1");
  EXPECT_EQ(stored(first.path(), "BKCltColor"), "16777215");
  EXPECT_EQ(stored(first.path(), "SavePath"), first.path() + "temp.swf");
  EXPECT_EQ(stored(first.path(), "AddPicPath"), "");

  EXPECT_EQ(stored(second.path(), "PicWidth"), "800");
  EXPECT_EQ(stored(second.path(), "PicHeight"), "600");
  EXPECT_EQ(stored(second.path(), "BKCltColor"), "16711680");
  EXPECT_EQ(stored(second.path(), "MusicPath"), "D:\\Music\\");
  EXPECT_EQ(stored(second.path(), "SavePath"), second.path() + "temp.swf");
}

// With its language file and skin beside it, the window takes the skin's
// size and shape, its controls sit where the skin draws them, and the make
// buttons carry the language file's captions; closed, it writes its settings
// beside itself, all in a folder whose name (Korean and an emoji) no code
// page holds.
TEST(SlidewrightProgram, ShowsTheSkinnedMainWindow) {
  if (!programFilesBuilt()) GTEST_SKIP() << "no skin or language file beside the built program";
  TestFolder dir;
  // 프로그램 📁
  const std::string folder =
      dir.path() + "\xED\x94\x84\xEB\xA1\x9C\xEA\xB7\xB8\xEB\x9E\xA8 \xF0\x9F\x93\x81\\";
  ASSERT_TRUE(CreateDirectoryW(wideFromUtf8(folder).c_str(), nullptr));
  ASSERT_EQ(copyProgramFiles(folder), "");

  RunningProgram program(folder);
  ASSERT_NE(program.window(), nullptr);
  HWND window = program.window();

  RECT client{};
  GetClientRect(window, &client);
  BITMAP skin{};
  {
    LanguageFile language;
    language.selectLanguage(folder);
    char caption[256] = {};
    SendMessageA(GetDlgItem(window, 1009), WM_GETTEXT, sizeof caption, reinterpret_cast<LPARAM>(caption));
    EXPECT_EQ(caption, language.lookupString("MakeAlbum"));
    EXPECT_NE(std::string(caption), "MakeAlbum");
  }
  // The skin's size, read the same way the program reads it.
  BitmapHandle skinBitmap(loadRle8Bitmap(folder + "interface\\mainskin.bmp"));
  ASSERT_TRUE(skinBitmap);
  GetObject(skinBitmap.get(), sizeof skin, &skin);
  EXPECT_EQ(client.right, skin.bmWidth);
  EXPECT_EQ(client.bottom, skin.bmHeight);

  RegionHandle region(CreateRectRgn(0, 0, 0, 0));
  EXPECT_NE(GetWindowRgn(window, region.get()), ERROR) << "no window region";

  // The album-width edit at 255, 112 (dialog units) of a 380 x 262 template.
  RECT edit{};
  GetWindowRect(GetDlgItem(window, 1063), &edit);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&edit), 2);
  EXPECT_NEAR(edit.left, MulDiv(255, skin.bmWidth, 380), 1);
  EXPECT_NEAR(edit.top, MulDiv(112, skin.bmHeight, 262), 1);

  // The skin's buttons answer the hit test; releasing the button over the
  // close area ends the program.
  LanguageFile language;
  language.selectLanguage(folder);
  const RECT closeRect = parseSkinRect(language.lookupValue("Skin", "Closebuttion"));
  const RECT minimizeRect = parseSkinRect(language.lookupValue("Skin", "MinButton"));
  auto hitAt = [window](const RECT& r) {
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(window, &p);
    return SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
  };
  ASSERT_FALSE(IsRectEmpty(&closeRect));
  EXPECT_EQ(hitAt(closeRect), HTCLOSE);
  EXPECT_EQ(hitAt(minimizeRect), HTMINBUTTON);
  EXPECT_EQ(hitAt(RECT{200, 380, 202, 382}), HTCAPTION);
  PostMessageA(window, WM_NCLBUTTONUP, HTCLOSE, 0);
  EXPECT_TRUE(program.waitForExit());
  EXPECT_EQ(readProfileString(settingsFilePath(folder), "Setting", "PicWidth", "", 16), "640");
  EXPECT_EQ(loadAlbumSettings(folder).savePath, folder + "temp.swf");
}

bool isGreyPixel(std::uint32_t rgb) {
  const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return std::max({r, g, b}) - std::min({r, g, b}) <= 12;
}

// The bitmap buttons that start disabled show their glyph greyed, not a grey
// block, and the same glyph enabled in its colours; the push-like toggles
// still answer for their checked state.
TEST(SlidewrightProgram, DisabledBitmapButtonsShowTheirGlyphGreyed) {
  if (!programFilesBuilt()) GTEST_SKIP() << "no skin or language file beside the built program";
  TestFolder dir;
  ASSERT_EQ(copyProgramFiles(dir.path()), "");
  RunningProgram program(dir.path());
  ASSERT_NE(program.window(), nullptr);
  HWND window = program.window();

  // Delete all and forget music both show the cross and both start disabled.
  HWND deleteAll = GetDlgItem(window, IDC_DELETE_ALL);
  HWND forgetMusic = GetDlgItem(window, IDC_FORGET_MUSIC);
  ASSERT_TRUE(deleteAll && forgetMusic);
  EXPECT_FALSE(IsWindowEnabled(deleteAll));
  EXPECT_FALSE(IsWindowEnabled(forgetMusic));
  EnableWindow(forgetMusic, TRUE);

  // The screen shows the windows once they are painted: look until both
  // buttons show something, for a few seconds at most.
  int width = 0, height = 0, enabledWidth = 0, enabledHeight = 0;
  std::vector<std::uint32_t> disabled, enabled;
  for (int i = 0; i < 40; ++i) {
    Sleep(100);
    disabled = screenPixels(deleteAll, &width, &height);
    enabled = screenPixels(forgetMusic, &enabledWidth, &enabledHeight);
    if (disabled != enabled &&
        std::any_of(enabled.begin(), enabled.end(), [](std::uint32_t p) { return !isGreyPixel(p); }))
      break;
  }
  ASSERT_EQ(width, enabledWidth);
  ASSERT_EQ(height, enabledHeight);
  ASSERT_GT(width, 4);
  ASSERT_GT(height, 4);

  // Inside the frame both show the button face with the cross on it: the
  // same shape, coloured when enabled, grey when disabled.
  auto mostCommon = [&](const std::vector<std::uint32_t>& pixels) {
    std::map<std::uint32_t, int> count;
    for (int y = 1; y + 1 < height; ++y)
      for (int x = 1; x + 1 < width; ++x) ++count[pixels[static_cast<size_t>(y) * width + x]];
    return std::max_element(count.begin(), count.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })
        ->first;
  };
  const std::uint32_t face = mostCommon(enabled);
  EXPECT_EQ(mostCommon(disabled), face) << "the disabled button is a block";
  int glyph = 0, shapeDiffers = 0, colouredWhenDisabled = 0, colouredWhenEnabled = 0;
  for (int y = 1; y + 1 < height; ++y) {
    for (int x = 1; x + 1 < width; ++x) {
      const size_t at = static_cast<size_t>(y) * width + x;
      if ((enabled[at] != face) != (disabled[at] != face)) ++shapeDiffers;
      if (enabled[at] == face) continue;
      ++glyph;
      if (!isGreyPixel(enabled[at])) ++colouredWhenEnabled;
      if (!isGreyPixel(disabled[at])) ++colouredWhenDisabled;
    }
  }
  EXPECT_GT(glyph, 20) << "no glyph on the enabled button";
  EXPECT_EQ(shapeDiffers, 0) << "the disabled glyph does not have the enabled one's shape";
  EXPECT_GT(colouredWhenEnabled, 20) << "the enabled button does not show its glyph in colour";
  EXPECT_EQ(colouredWhenDisabled, 0) << "the disabled button shows colours";
  EXPECT_NE(disabled, enabled);

  HWND musicToggle = GetDlgItem(window, IDC_MUSIC_TOGGLE);
  HWND previewPlay = GetDlgItem(window, IDC_PREVIEW_PLAY);
  for (HWND toggle : {musicToggle, previewPlay}) {
    EXPECT_EQ(SendMessageA(toggle, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SendMessageA(toggle, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageA(toggle, BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageA(toggle, BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_EQ(SendMessageA(toggle, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  }
  ASSERT_TRUE(program.closeAndWait());
}

// "Open with", "Send to" and files dropped on the program's icon all start it
// with the pictures on its command line: they are added in that order, and
// what cannot be read is named in a message.
TEST(SlidewrightProgram, AddsThePicturesOfItsCommandLine) {
  if (!programFilesBuilt()) GTEST_SKIP() << "no skin or language file beside the built program";
  TestFolder dir;
  ASSERT_EQ(copyProgramFiles(dir.path()), "");
  ColourPictures pictures;
  const std::string broken = pictures.dir.path() + "broken.jpg";
  writeFile(broken, "no picture at all");

  RunningProgram program(dir.path(), {pictures.paths[2], broken, pictures.paths[0], pictures.paths[1]});
  ASSERT_NE(program.window(), nullptr);
  HWND box = nullptr;
  for (int i = 0; i < 100 && !box; ++i) {
    box = messageBoxOf(program.processId());
    if (!box) Sleep(50);
  }
  ASSERT_NE(box, nullptr) << "the unreadable file is not reported";
  const std::string text = readAndCloseMessageBox(box);
  EXPECT_NE(text.find("broken.jpg"), std::string::npos) << text;
  EXPECT_EQ(text.find("a.jpg"), std::string::npos) << text;

  HWND window = program.window();
  HWND list = GetDlgItem(window, IDC_PICTURE_LIST);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_MAKE_ALBUM)));
  Sleep(200);
  // Blue, red, green in the first three cells of the strip (16-pixel
  // sprocket strips and arrows, 4:3 thumbnails after a 20-pixel gap).
  const ClientShot shot(list);
  const int thumbHeight = shot.height() - 32, cell = 4 * thumbHeight / 3 + 20;
  const int order[] = {2, 0, 1};
  for (int i = 0; i < 3; ++i) {
    const COLORREF c = shot.pixel(16 + i * cell + 20 + (cell - 20) / 2, shot.height() / 2);
    const auto& expected = ColourPictures::kColours[order[i]];
    EXPECT_LT(std::abs(GetRValue(c) - expected.r) + std::abs(GetGValue(c) - expected.g) +
                  std::abs(GetBValue(c) - expected.b),
              60)
        << "cell " << i;
  }
  EXPECT_EQ(shot.pixel(16 + 3 * cell + 20 + (cell - 20) / 2, shot.height() / 2), RGB(0, 0, 0))
      << "a fourth picture";
  ASSERT_TRUE(program.closeAndWait());
}

}  // namespace
