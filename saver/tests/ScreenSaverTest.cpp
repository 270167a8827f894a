// The screensaver window in this process: its windows, close rules and the
// Windows 9x password path with a stand-in verify function.
#include <gtest/gtest.h>

#include "SaverTestSupport.h"
#include "ScreenSaver.h"
#include "TestFolder.h"

namespace {

SaverPlatform withMovie(const std::string& scr) {
  SaverPlatform p;
  p.moviePath = scr;
  return p;
}

std::string squareMovieSaver(const TestFolder& folder) {
  testmovies::MovieSpec spec;
  spec.frameColours.assign(24, 0x00C000);
  return savertest::makeScreensaver(folder.path(), "square", spec);
}

// Moves the pointer to the reference plus (dx, dy) and lets the window see it.
void moveBy(HWND window, POINT reference, int dx, int dy) {
  savertest::settlePointer({reference.x + dx, reference.y + dy});
  SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(reference.x + dx, reference.y + dy));
  pumpFor(50);
}

TEST(ScreenSaverWindow, FullScreenCoversTheVirtualScreenAndPlaysTheMovie) {
  TestFolder folder;
  const std::string scr = squareMovieSaver(folder);
  ASSERT_FALSE(scr.empty());
  const int before = savertest::playerTemporaryFiles();
  ScreenSaver saver(GetModuleHandleA(nullptr), withMovie(scr));
  HWND window = saver.createWindow(nullptr);
  ASSERT_NE(window, nullptr);
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, GetSystemMetrics(SM_XVIRTUALSCREEN));
  EXPECT_EQ(r.top, GetSystemMetrics(SM_YVIRTUALSCREEN));
  EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
  EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYVIRTUALSCREEN));
  char title[64] = {};
  GetWindowTextA(window, title, sizeof title);
  EXPECT_STREQ(title, "Screen Saver");
  EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);

  // The movie was copied out to a temporary file and plays, filling the window.
  ASSERT_NE(saver.movieView(), nullptr);
  EXPECT_EQ(savertest::playerTemporaryFiles(), before + 1);
  EXPECT_EQ(GetFileAttributesA(saver.temporaryMoviePath().c_str()) == INVALID_FILE_ATTRIBUTES, false);
  EXPECT_TRUE(saver.movieView()->isPlaying());
  RECT client, view;
  GetClientRect(window, &client);
  GetClientRect(saver.movieView()->handle(), &view);
  EXPECT_TRUE(EqualRect(&client, &view));
  ASSERT_TRUE(pumpUntil([&] { return saver.movieView()->currentFrame() >= 2; }, 3000));

  // Destroying the window deletes the temporary movie.
  const std::string temporary = saver.temporaryMoviePath();
  DestroyWindow(window);
  EXPECT_EQ(saver.window(), nullptr);
  EXPECT_EQ(GetFileAttributesA(temporary.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(savertest::playerTemporaryFiles(), before);
}

TEST(ScreenSaverWindow, MouseThresholdOfFour) {
  TestFolder folder;
  const std::string scr = squareMovieSaver(folder);
  // The pointer rests before the window takes it: the X server reports a
  // warp a moment later, as a move.
  savertest::settlePointer({300, 300});
  ScreenSaver saver(GetModuleHandleA(nullptr), withMovie(scr));
  HWND window = saver.createWindow(nullptr);
  ASSERT_NE(window, nullptr);
  pumpFor(300);
  ASSERT_TRUE(IsWindow(window)) << "closed without a move";
  // The moves are measured from the point the window holds, whatever a late
  // report of the X server made of the warp.
  const POINT reference = saver.pointerReference();
  moveBy(window, reference, 3, 1);  // 4: not more than the threshold
  EXPECT_TRUE(IsWindow(window));
  moveBy(window, reference, 1, -3);
  EXPECT_TRUE(IsWindow(window));
  moveBy(window, reference, 3, 2);  // 5
  EXPECT_FALSE(IsWindow(window));
}

TEST(ScreenSaverWindow, KeysAndButtonsReachingItCloseIt) {
  TestFolder folder;
  const std::string scr = squareMovieSaver(folder);
  for (UINT message : {UINT(WM_KEYDOWN), UINT(WM_SYSKEYDOWN), UINT(WM_LBUTTONDOWN), UINT(WM_RBUTTONDOWN),
                       UINT(WM_MBUTTONDOWN), UINT(WM_POWERBROADCAST)}) {
    SCOPED_TRACE(message);
    ScreenSaver saver(GetModuleHandleA(nullptr), withMovie(scr));
    HWND window = saver.createWindow(nullptr);
    ASSERT_NE(window, nullptr);
    SendMessageA(window, message, 'A', 0);
    pumpFor(30);
    EXPECT_FALSE(IsWindow(window));
  }
  // Deactivation closes; activation does not.
  ScreenSaver saver(GetModuleHandleA(nullptr), withMovie(scr));
  HWND window = saver.createWindow(nullptr);
  SendMessageA(window, WM_ACTIVATEAPP, TRUE, 0);
  pumpFor(30);
  EXPECT_TRUE(IsWindow(window));
  SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
  pumpFor(30);
  EXPECT_FALSE(IsWindow(window));
}

TEST(ScreenSaverWindow, WithoutAMovieItIsABlackScreensaverAllTheSame) {
  TestFolder folder;
  testmovies::writeBytes(folder.path() + "plain.exe", std::vector<uint8_t>(5000, 0x90));
  const int before = savertest::playerTemporaryFiles();
  ScreenSaver saver(GetModuleHandleA(nullptr), withMovie(folder.path() + "plain.exe"));
  HWND window = saver.createWindow(nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(saver.movieView(), nullptr);
  EXPECT_EQ(savertest::playerTemporaryFiles(), before);  // nothing left behind
  SendMessageA(window, WM_KEYDOWN, 'A', 0);
  pumpFor(30);
  EXPECT_FALSE(IsWindow(window));
}

TEST(ScreenSaverWindow, PreviewFillsItsParentAndIgnoresInput) {
  TestFolder folder;
  const std::string scr = squareMovieSaver(folder);
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "SaverPreviewParent";
  RegisterClassA(&wc);
  HWND parent = CreateWindowExA(0, "SaverPreviewParent", "parent", WS_POPUP | WS_VISIBLE, 0, 0, 152, 112,
                                nullptr, nullptr, wc.hInstance, nullptr);
  ScreenSaver saver(GetModuleHandleA(nullptr), withMovie(scr));
  HWND window = saver.createWindow(parent);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetParent(window), parent);
  char title[32] = {};
  GetWindowTextA(window, title, sizeof title);
  EXPECT_STREQ(title, "Preview");
  RECT r;
  GetClientRect(window, &r);
  EXPECT_EQ(r.right, 152);
  EXPECT_EQ(r.bottom, 112);
  ASSERT_NE(saver.movieView(), nullptr);
  EXPECT_TRUE(saver.movieView()->isPlaying());
  // Keys, buttons and moves do not end a preview: the system ends it.
  SendMessageA(window, WM_KEYDOWN, 'A', 0);
  SendMessageA(window, WM_LBUTTONDOWN, 0, 0);
  SetCursorPos(10, 10);
  SendMessageA(window, WM_MOUSEMOVE, 0, 0);
  SetCursorPos(200, 200);
  SendMessageA(window, WM_MOUSEMOVE, 0, 0);
  pumpFor(50);
  EXPECT_TRUE(IsWindow(window));
  DestroyWindow(parent);
  EXPECT_EQ(saver.window(), nullptr);
}

// The Windows 9x family's password check, with a stand-in for the display
// control panel's verify function.
int g_verifyCalls = 0;
BOOL g_verifyAnswer = FALSE;
BOOL WINAPI standInVerify(HWND) {
  ++g_verifyCalls;
  return g_verifyAnswer;
}

TEST(ScreenSaverWindow, Windows9xPasswordDecidesTheClose) {
  TestFolder folder;
  SaverPlatform platform = withMovie(squareMovieSaver(folder));
  platform.windows9x = true;
  platform.verifyPassword = standInVerify;
  g_verifyCalls = 0;
  g_verifyAnswer = FALSE;
  ScreenSaver saver(GetModuleHandleA(nullptr), platform);
  HWND window = saver.createWindow(nullptr);
  ASSERT_NE(window, nullptr);

  // A refused password keeps the screensaver; a second request within
  // 200 ms gets the same answer without asking again.
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(g_verifyCalls, 1);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_FALSE(saver.isClosing());
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(g_verifyCalls, 1);
  EXPECT_TRUE(IsWindow(window));

  // The verify message itself answers with the function's result.
  EXPECT_EQ(SendMessageA(window, ScreenSaver::kVerifyMessage, 0, 0), 0);
  EXPECT_EQ(g_verifyCalls, 2);

  // The AutoPlay message asks to close and cancels AutoPlay.
  const UINT autoPlay = RegisterWindowMessageA("QueryCancelAutoPlay");
  Sleep(250);
  EXPECT_EQ(SendMessageA(window, autoPlay, 0, 0), TRUE);

  g_verifyAnswer = TRUE;
  Sleep(250);
  pumpFor(50);  // the posted close request: verified this time
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(g_verifyCalls, 3);
}

// Elsewhere there is no password check: a close request closes at once.
TEST(ScreenSaverWindow, NoPasswordCheckOutsideWindows9x) {
  TestFolder folder;
  SaverPlatform platform = withMovie(squareMovieSaver(folder));
  platform.verifyPassword = standInVerify;
  g_verifyCalls = 0;
  ScreenSaver saver(GetModuleHandleA(nullptr), platform);
  HWND window = saver.createWindow(nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(SendMessageA(window, ScreenSaver::kVerifyMessage, 0, 0), 0);  // an ordinary message here
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(g_verifyCalls, 0);
}

}  // namespace
