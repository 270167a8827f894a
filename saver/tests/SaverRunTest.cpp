// Screensaver files made from the built saverstub.exe, run as the system
// runs them: the exit codes of the modes, and a full-screen run that shows
// its movie and closes by the rules on real input.
#include <gtest/gtest.h>

#include <string>

#include "SaverModes.h"
#include "SaverTestSupport.h"
#include "TestFolder.h"
#include "common/utf8_path.h"
#include "resource.h"

namespace {

class SaverProcess {
 public:
  SaverProcess(const std::string& program, const std::string& arguments) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const std::wstring wideProgram = slidewright::wideFromUtf8Text(program);
    std::wstring commandLine = slidewright::wideFromUtf8Text("\"" + program + "\" " + arguments);
    started_ = CreateProcessW(wideProgram.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info_) != 0;
  }
  ~SaverProcess() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }
  bool started() const { return started_; }
  // The exit code, or STILL_ACTIVE if it did not end in time.
  DWORD waitForExit(DWORD milliseconds) {
    WaitForSingleObject(info_.hProcess, milliseconds);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }
  bool running() { return waitForExit(0) == STILL_ACTIVE; }

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

HWND waitForWindow(const char* className, const char* title, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND w = FindWindowA(className, title)) return w;
    if (GetTickCount() - start > milliseconds) return nullptr;
    Sleep(50);
  }
}

HWND waitForSaver() { return waitForWindow("WindowsScreenSaverClass", "Screen Saver", 15000); }

// The colour on screen at a point, as the user sees it.
COLORREF screenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  const COLORREF c = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return c & 0xFFFFFF;
}

void keyPress(BYTE key) {
  keybd_event(key, 0, 0, 0);
  keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
}

TEST(SaverRun, ExitCodesOfTheModes) {
  {
    SaverProcess p(SAVERSTUB_EXE, "/p 1234");  // 1234 is no window
    ASSERT_TRUE(p.started());
    EXPECT_EQ(p.waitForExit(10000), DWORD(-1));
  }
  {
    SaverProcess p(SAVERSTUB_EXE, "/x");
    EXPECT_EQ(p.waitForExit(10000), DWORD(-1));
  }
  {
    SaverProcess p(SAVERSTUB_EXE, "/p");
    EXPECT_EQ(p.waitForExit(10000), DWORD(-1));
  }
  {
    SaverProcess p(SAVERSTUB_EXE, "/a 1234");  // no password change outside Windows 9x
    EXPECT_EQ(p.waitForExit(10000), DWORD(-1));
  }
}

// The configuration says there is nothing to set and ends with 1.
TEST(SaverRun, ConfigurationSaysThereIsNothingToSet) {
  for (const char* arguments : {"/c:1234", ""}) {
    SCOPED_TRACE(arguments);
    SaverProcess p(SAVERSTUB_EXE, arguments);
    HWND box = nullptr;
    const DWORD start = GetTickCount();
    while (!box && GetTickCount() - start < 15000) {
      box = FindWindowW(L"#32770", L"QuorilaFlash\u5c4f\u4fdd");
      if (!box) Sleep(50);
    }
    ASSERT_NE(box, nullptr) << "no message box";
    wchar_t text[128] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 128);
    EXPECT_EQ(std::wstring(text),
              L"\u6b64\u5c4f\u5e55\u4fdd\u62a4\u7a0b\u5e8f\u6ca1\u6709\u53ef\u4f9b\u8bbe\u7f6e\u7684\u9879"
              L"\u76ee\u3002");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(p.waitForExit(10000), 1u);
  }
}

// A screensaver file plays its movie full screen and closes by the rules:
// a move of 3 right and 1 down does not close it, 3 right and 2 down does.
TEST(SaverRun, PlaysTheMovieFullScreenAndClosesOnAMove) {
  TestFolder folder;
  testmovies::MovieSpec spec;
  spec.width = 320;
  spec.height = 240;
  spec.frameColours.assign(36, 0x20C040);
  // Named in Korean with an emoji, which no code page holds: the player
  // finds the movie in its own file by the file's real name.
  const std::string scr =
      savertest::makeScreensaver(folder.path(), "\xEC\x95\xA8\xEB\xB2\x94 \xF0\x9F\x93\xB7", spec);
  ASSERT_FALSE(scr.empty());
  const int temporaries = savertest::playerTemporaryFiles();
  const POINT reference{400, 300};
  savertest::settlePointer(reference);

  SaverProcess p(scr, "/s");
  ASSERT_TRUE(p.started());
  HWND saver = waitForSaver();
  ASSERT_NE(saver, nullptr);
  RECT r;
  GetWindowRect(saver, &r);
  EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
  EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYVIRTUALSCREEN));
  EXPECT_EQ(savertest::playerTemporaryFiles(), temporaries + 1);

  // The movie shows, not a black screen.
  const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  const DWORD start = GetTickCount();
  while (screenPixel(cx, cy) != RGB(0x20, 0xC0, 0x40) && GetTickCount() - start < 10000) Sleep(100);
  EXPECT_EQ(screenPixel(cx, cy), RGB(0x20, 0xC0, 0x40));
  EXPECT_EQ(screenPixel(r.left + 5, r.top + 5), RGB(0x20, 0xC0, 0x40));

  // A second start while it runs brings it to the front and ends with 0.
  {
    SaverProcess second(scr, "/S");
    EXPECT_EQ(second.waitForExit(15000), 0u);
  }
  EXPECT_TRUE(p.running());

  SetCursorPos(reference.x + 3, reference.y + 1);
  Sleep(700);
  EXPECT_TRUE(p.running()) << "closed on a move of 4";
  SetCursorPos(reference.x + 3, reference.y + 2);
  EXPECT_EQ(p.waitForExit(10000), 0u) << "still running after a move of 5";
  EXPECT_EQ(savertest::playerTemporaryFiles(), temporaries) << "the temporary movie was left behind";
}

// Other keys go to the player; Escape closes the screensaver.
TEST(SaverRun, EscapeClosesIt) {
  TestFolder folder;
  testmovies::MovieSpec spec;
  spec.frameColours.assign(36, 0x3050FF);
  const std::string scr = savertest::makeScreensaver(folder.path(), "keys", spec);
  ASSERT_FALSE(scr.empty());
  const int temporaries = savertest::playerTemporaryFiles();
  SaverProcess p(scr, "-s");
  HWND saver = waitForSaver();
  ASSERT_NE(saver, nullptr);
  SetForegroundWindow(saver);
  Sleep(500);
  keyPress('A');
  keyPress(VK_SHIFT);
  Sleep(700);
  EXPECT_TRUE(p.running()) << "closed on a key other than Escape";
  keyPress(VK_ESCAPE);
  EXPECT_EQ(p.waitForExit(10000), 0u) << "still running after Escape";
  EXPECT_EQ(savertest::playerTemporaryFiles(), temporaries);
}

// The right button never reaches the player (no menu of its own), but a
// click on the screensaver ends it like any other button.
TEST(SaverRun, RightClickClosesIt) {
  TestFolder folder;
  testmovies::MovieSpec spec;
  spec.frameColours.assign(36, 0xFF8000);
  const std::string scr = savertest::makeScreensaver(folder.path(), "click", spec);
  ASSERT_FALSE(scr.empty());
  SetCursorPos(500, 400);
  SaverProcess p(scr, "/s");
  ASSERT_NE(waitForSaver(), nullptr);
  Sleep(700);
  EXPECT_TRUE(p.running());
  mouse_event(MOUSEEVENTF_RIGHTDOWN, 0, 0, 0, 0);
  mouse_event(MOUSEEVENTF_RIGHTUP, 0, 0, 0, 0);
  EXPECT_EQ(p.waitForExit(10000), 0u) << "still running after a right click";
}

}  // namespace

// The screensaver's name in the system's list and its message come in the
// user's language: Chinese for any Chinese, English for every other.
TEST(SaverRun, TextsInTheUsersLanguage) {
  HMODULE player = LoadLibraryExA(SAVERSTUB_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(player, nullptr);
  const LANGID chinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
  const LANGID english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  EXPECT_EQ(saverTextLanguage(chinese), chinese);
  EXPECT_EQ(saverTextLanguage(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL)), chinese);
  EXPECT_EQ(saverTextLanguage(english), english);
  EXPECT_EQ(saverTextLanguage(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)), english);

  EXPECT_EQ(saverString(player, IDS_SAVER_DESCRIPTION, chinese), L"QuorilaFlash\u5c4f\u4fdd");
  EXPECT_EQ(saverString(player, IDS_SAVER_NO_SETTINGS, chinese),
            L"\u6b64\u5c4f\u5e55\u4fdd\u62a4\u7a0b\u5e8f\u6ca1\u6709\u53ef\u4f9b\u8bbe\u7f6e\u7684\u9879"
            L"\u76ee\u3002");
  EXPECT_EQ(saverString(player, IDS_SAVER_DESCRIPTION, english), L"QuorilaFlash Screensaver");
  EXPECT_EQ(saverString(player, IDS_SAVER_NO_SETTINGS, english), L"This screensaver has no settings.");
  FreeLibrary(player);
}
