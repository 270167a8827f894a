// The screensaver window: full screen over every monitor (one at a time on
// the desktop) or inside a preview window, with the usual screensaver machinery (hidden
// cursor, close rules, password check on the Windows 9x family) and the
// movie appended to the program's own file playing in the movie-view
// control, looping.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "CustomWindow.h"
#include "MovieView.h"

// What the screensaver takes from the system; tests give stand-ins.
struct SaverPlatform {
  // The Windows 9x family: password checking, the AutoPlay message and the
  // screensaver-running flag are used only there.
  bool windows9x = false;
  // The password check of the Windows 9x display control panel; null for
  // none. When null on the 9x family, it is looked up in PASSWORD.CPL as
  // the user's settings ask.
  BOOL(WINAPI* verifyPassword)(HWND) = nullptr;
  // The file the movie is appended to, UTF-8 (default: the program's own file).
  std::string moviePath;
};

// Tells whether the system is of the Windows 9x family (platform id 1).
bool isWindows9xFamily();

class ScreenSaver : public CustomWindow {
 public:
  static constexpr char kClassName[] = "WindowsScreenSaverClass";
  static constexpr char kFullScreenTitle[] = "Screen Saver";
  static constexpr int kMouseThreshold = 4;
  static constexpr UINT kVerifyMessage = 0x8000;

  ScreenSaver(HINSTANCE instance, SaverPlatform platform);
  ~ScreenSaver() override;  // destroys the window if it is still there

  // Runs the screensaver until its window closes; `parent` null for full
  // screen. Returns the exit code: the quit message's value, or 0 when a
  // full-screen screensaver already runs (it is brought to the front).
  int run(HWND parent);

  // The window without the message loop, for tests: null when another
  // full-screen screensaver runs, this one already has its window, or the
  // window cannot be made.
  HWND createWindow(HWND parent);

  HWND window() const { return handle(); }
  MovieView* movieView() const { return movie_.get(); }
  const std::string& temporaryMoviePath() const { return temporaryMovie_; }
  bool isClosing() const { return closing_; }
  // Where the pointer was when the window last took it as the rest point;
  // a move of more than kMouseThreshold pixels from there closes.
  POINT pointerReference() const { return lastCursor_; }

 private:
  static LRESULT CALLBACK mouseHook(int code, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK keyboardHook(int code, WPARAM wParam, LPARAM lParam);
  // The screensaver whose window is `hwnd` or holds it; null for none.
  static ScreenSaver* holding(HWND hwnd);

  void preparePasswordCheck();
  void releasePasswordCheck();
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT saverProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT defaultSaverProc(UINT message, WPARAM wParam, LPARAM lParam);
  bool verifyPassword();
  void startMovie();
  void stopMovie();
  void postEscape();

  HINSTANCE instance_;
  SaverPlatform platform_;
  HWND parent_ = nullptr;  // not owned; the preview window
  bool preview_ = false;
  bool closing_ = false;
  bool checking_ = false;
  POINT lastCursor_{};
  DWORD lastCheck_ = DWORD(-1);
  bool lastCheckValid_ = false;
  HMODULE passwordLibrary_ = nullptr;
  bool usesVerify_ = false;
  UINT autoPlayMessage_ = 0;
  HIMC detachedInput_ = nullptr;
  std::string temporaryMovie_;
  std::unique_ptr<MovieView> movie_;
  HHOOK mouseHook_ = nullptr;
  HHOOK keyboardHook_ = nullptr;
  bool escapeHandedOver_ = false;
};
