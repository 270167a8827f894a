// Helpers for tests that drive real windows in the test process: picture
// files to add, the message loop, the dialogs and message boxes that a
// command opens (answered from another thread while the command waits in
// the dialog's own loop), the main window made from the built program's
// language file and skin, and its picture list driven with mouse messages.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "MainWindow.h"
#include "MenuTestSupport.h"
#include "TestFolder.h"
#include "media/image.h"

// Writes a JPEG of one colour; returns the path.
std::string writeJpeg(const std::string& path, int width, int height, slidewright::media::Rgb colour);
// Writes a 32-bit BMP with an alpha channel: an opaque disc of the colour
// on a fully transparent square.
std::string writeTransparentDiscBmp(const std::string& path, int side, slidewright::media::Rgb colour);

// Runs the thread's message loop for the given time.
void pumpMessages(DWORD milliseconds);

// Whether the build laid out the program's skin and language file beside
// the test program.
bool programFilesBuilt();
// Copies them (language files, skin) into `folder`, as they lie beside an
// installed program; the first file that could not be copied, or "".
std::string copyProgramFiles(const std::string& folder);

// The colour of a window's client pixel as it is on the screen.
COLORREF screenPixel(HWND window, int x, int y);

// The client area of a window as the screen shows it, taken once and read
// pixel by pixel (asking the screen for each pixel is slow under Wine).
class ClientShot {
 public:
  explicit ClientShot(HWND window);
  COLORREF pixel(int x, int y) const;
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_ = 0, height_ = 0;
  std::vector<std::uint32_t> pixels_;  // 0x00RRGGBB, top row first
};

// Text of a control of another thread or process.
std::string controlText(HWND control);

// Answers the dialogs that windows of one thread open: each new visible
// dialog (a message box, a file or colour dialog) is handed once to the
// answer function, on the watcher's own thread, while the thread that
// opened it waits in the dialog's loop.
class DialogWatcher {
 public:
  using Answer = std::function<void(HWND dialog)>;
  DialogWatcher(DWORD threadId, Answer answer);
  ~DialogWatcher();
  DialogWatcher(const DialogWatcher&) = delete;
  DialogWatcher& operator=(const DialogWatcher&) = delete;

  int answered() const { return answered_; }

 private:
  void watch();
  DWORD threadId_;
  Answer answer_;
  std::vector<HWND> seen_;
  std::atomic<bool> stop_{false};
  std::atomic<int> answered_{0};
  std::thread thread_;
};

// The edit of a file dialog's name field (a combo box in the Explorer style).
HWND fileNameField(HWND dialog);
// Types a name into a file dialog and presses its OK button.
void answerFileDialog(HWND dialog, const std::string& name);

// A window's title in the code page; "" for no window.
std::string windowTitle(HWND window);

// The text of a message box (UTF-8), and OK pressed on it.
std::string readAndCloseMessageBox(HWND box);

// While it lives, the question about unsaved changes (pictures in the
// window are unsaved work) is answered "Don't save".
class NotSavingAnswer {
 public:
  NotSavingAnswer();

 private:
  DialogWatcher watcher_;
};

// Records the texts of the message boxes shown while it lives and closes
// each with OK.
class MessageBoxRecorder {
 public:
  MessageBoxRecorder();
  std::vector<std::string> texts() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> texts_;
  DialogWatcher watcher_;
};

// The main window of a program folder made in a test folder, with the
// built program's language file and skin, created without a loop of its
// own (the test's loop serves it) and destroyed with this object.
class LiveMainWindow {
 public:
  // settingsText: the slidewright.ini to start with ("" for none).
  explicit LiveMainWindow(const std::string& settingsText = "", std::vector<GatheredPath> startPictures = {});
  ~LiveMainWindow();

  bool ok() const { return window_.handle() != nullptr; }
  MainWindow& window() { return window_; }
  HWND handle() const { return window_.handle(); }
  HWND item(int id) const { return GetDlgItem(window_.handle(), id); }
  PictureList& list() { return window_.pictureList(); }
  const std::string& folder() const { return dir_.path(); }
  // A clicked button, as the user's click reaches the window.
  void click(int id);
  // A click whose question about unsaved changes (pictures in the window are
  // unsaved work) is answered "Don't save".
  void clickNotSaving(int id);
  // Text typed into a field (the window checks it when it takes the values).
  void setText(int id, const std::string& text);
  // Runs the window's loop until the running make has ended (at most a minute).
  void waitForMake();
  // Ends the window as the exit button does (taking the field values),
  // answering "Don't save" when it asks about unsaved changes.
  void exit();
  std::string stored(const char* key) const;

 private:
  static std::string prepare(TestFolder& dir, const std::string& settingsText);
  TestFolder dir_;
  std::string prepared_;
  MainWindow window_;
};

// A folder of pictures for the tests, one colour each: red, green, blue,
// yellow, cyan (4:3, 64 x 48), named a.jpg to e.jpg.
struct ColourPictures {
  TestFolder dir;
  std::vector<std::string> paths;
  static const slidewright::media::Rgb kColours[5];
  ColourPictures();
};

// The paths as the window takes them.
std::vector<GatheredPath> gathered(const std::vector<std::string>& paths);
// Paths of the entries of the list, in order.
std::vector<std::string> entryPaths(const PictureList& list);

// -- the picture list driven with the mouse messages a real mouse sends ----------

// The middle of picture `index`'s thumbnail, and of the gap before it (where
// its transition mark is), in the list's client coordinates.
POINT entryPoint(const PictureList& list, int index);
POINT gapPoint(const PictureList& list, int index);

void mouse(const PictureList& list, UINT message, POINT p, WPARAM keys = 0);
// A left click on a picture, with the keys (MK_CONTROL, MK_SHIFT) held.
void click(const PictureList& list, int index, WPARAM keys = 0);
// Presses on one picture, moves in steps to a point and releases there.
void drag(const PictureList& list, POINT from, POINT to);
// A right click at a point, which opens the context menu: `steps` run while
// it is open (see MenuTestWindow::runWhileOpen) and should close it; the
// menu is closed after a few seconds if they do not. True when every step
// ran.
bool rightClick(const PictureList& list, POINT p, std::vector<MenuStep> steps);
// A right click that closes the menu without a choice.
void rightClickAndDismiss(const PictureList& list, POINT p);

// '1' for each selected entry, '0' for the others, in list order.
std::string selection(const PictureList& list);
// The letters of the entries' file names (a.jpg -> a), in list order.
std::string order(const PictureList& list);

bool looksLike(COLORREF c, slidewright::media::Rgb expected, int tolerance = 40);

// Runs the Windows build's command line and waits for it; its exit status.
DWORD runCommandLine(const std::string& arguments);
