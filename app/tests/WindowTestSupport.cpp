#include "WindowTestSupport.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "GdiHandles.h"
#include "MenuTestSupport.h"
#include "ProgramDirectory.h"
#include "TextConversion.h"
#include "media/jpeg_writer.h"
#include "resource.h"

namespace media = slidewright::media;

std::string writeJpeg(const std::string& path, int width, int height, media::Rgb colour) {
  auto image = media::Image::create(width, height, colour);
  auto jpeg = media::encodeJpeg(image.value(), 95);
  writeFile(path, std::string(jpeg.value().begin(), jpeg.value().end()));
  return path;
}

std::string writeTransparentDiscBmp(const std::string& path, int side, media::Rgb colour) {
  // BITMAPV3INFOHEADER: the 40-byte header, then red, green, blue and alpha masks.
  const std::uint32_t headerSize = 56, pixelBytes = static_cast<std::uint32_t>(side * side * 4);
  std::string f;
  auto u16 = [&f](std::uint32_t v) {
    for (int i = 0; i < 2; ++i) f += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  auto u32 = [&f](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) f += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  f += "BM";
  u32(14 + headerSize + pixelBytes);
  u32(0);
  u32(14 + headerSize);
  u32(headerSize);
  u32(static_cast<std::uint32_t>(side));
  u32(static_cast<std::uint32_t>(side));
  u16(1);
  u16(32);
  u32(3);  // BI_BITFIELDS
  u32(pixelBytes);
  u32(2835);
  u32(2835);
  u32(0);
  u32(0);
  u32(0x00FF0000);
  u32(0x0000FF00);
  u32(0x000000FF);
  u32(0xFF000000);
  const double r = side / 2.0 - 1;
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const bool inside = std::hypot(x + 0.5 - side / 2.0, y + 0.5 - side / 2.0) <= r;
      u32(inside ? (0xFF000000u | colour.r << 16 | colour.g << 8 | colour.b) : 0u);
    }
  }
  writeFile(path, f);
  return path;
}

void pumpMessages(DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(5);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

bool programFilesBuilt() {
  const std::string built = programDirectory();
  return fileExists(built + "interface\\mainskin.bmp") && fileExists(built + "language.cns");
}

std::string copyProgramFiles(const std::string& folder) {
  const std::string built = programDirectory();
  CreateDirectoryW(wideFromUtf8(folder + "interface").c_str(), nullptr);
  for (const char* f : {"language.cns", "english.lng", "interface\\mainskin.bmp", "interface\\mainmask.bmp"})
    if (!CopyFileW(wideFromUtf8(built + f).c_str(), wideFromUtf8(folder + f).c_str(), FALSE)) return f;
  return "";
}

COLORREF screenPixel(HWND window, int x, int y) {
  POINT p{x, y};
  ClientToScreen(window, &p);
  HDC screen = GetDC(nullptr);
  const COLORREF c = GetPixel(screen, p.x, p.y);
  ReleaseDC(nullptr, screen);
  return c;
}

ClientShot::ClientShot(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  width_ = client.right;
  height_ = client.bottom;
  if (width_ <= 0 || height_ <= 0) return;
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  pixels_ = drawnPixels(width_, height_, [&](HDC dc) {
    WindowDC screen(nullptr);
    BitBlt(dc, 0, 0, width_, height_, screen.get(), origin.x, origin.y, SRCCOPY);
  });
}

COLORREF ClientShot::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || pixels_.empty()) return CLR_INVALID;
  const std::uint32_t v = pixels_[static_cast<std::size_t>(y) * width_ + x];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

std::string controlText(HWND control) {
  char text[4096] = {};
  SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

// -- dialogs ------------------------------------------------------------------------

DialogWatcher::DialogWatcher(DWORD threadId, Answer answer)
    : threadId_(threadId), answer_(std::move(answer)), thread_([this] { watch(); }) {}

DialogWatcher::~DialogWatcher() {
  stop_ = true;
  thread_.join();
}

namespace {

// The visible dialogs among a thread's windows.
BOOL CALLBACK collectDialog(HWND hwnd, LPARAM data) {
  char name[16] = {};
  GetClassNameA(hwnd, name, sizeof name);
  if (std::string(name) == "#32770" && IsWindowVisible(hwnd))
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(hwnd);
  return TRUE;
}

}  // namespace

void DialogWatcher::watch() {
  while (!stop_) {
    std::vector<HWND> dialogs;
    EnumThreadWindows(threadId_, collectDialog, reinterpret_cast<LPARAM>(&dialogs));
    for (HWND dialog : dialogs) {
      if (std::find(seen_.begin(), seen_.end(), dialog) != seen_.end()) continue;
      seen_.push_back(dialog);
      // A dialog of the program's own (the main window) is no answerable one.
      if (GetDlgItem(dialog, IDC_PICTURE_LIST_FRAME)) continue;
      Sleep(150);  // let it finish its initialisation
      answer_(dialog);
      ++answered_;
    }
    Sleep(30);
  }
}

std::string windowTitle(HWND window) {
  char title[256] = {};
  if (window) GetWindowTextA(window, title, sizeof title);
  return title;
}

std::string readAndCloseMessageBox(HWND box) {
  // The text of a message box is its static control 0xFFFF.
  const std::string text = windowTextUtf8(GetDlgItem(box, 0xFFFF));
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  return text;
}

MessageBoxRecorder::MessageBoxRecorder()
    : watcher_(GetCurrentThreadId(), [this](HWND box) {
        const std::string text = readAndCloseMessageBox(box);
        std::lock_guard<std::mutex> lock(mutex_);
        texts_.push_back(text);
      }) {}

std::vector<std::string> MessageBoxRecorder::texts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return texts_;
}

// -- the main window -------------------------------------------------------------------

std::string LiveMainWindow::prepare(TestFolder& dir, const std::string& settingsText) {
  static const bool controls = [] {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS |
                                               ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    return InitCommonControlsEx(&init) != FALSE;
  }();
  (void)controls;
  copyProgramFiles(dir.path());
  if (!settingsText.empty()) writeFile(dir.path() + "slidewright.ini", settingsText);
  return dir.path();
}

HWND fileNameField(HWND dialog) {
  for (int id : {0x47C /* cmb13 */, 0x480 /* edt1 */})
    if (HWND field = GetDlgItem(dialog, id)) return field;
  return nullptr;
}

void answerFileDialog(HWND dialog, const std::string& name) {
  SendMessageW(fileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wideFromUtf8(name).c_str()));
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

LiveMainWindow::LiveMainWindow(const std::string& settingsText, std::vector<GatheredPath> startPictures)
    : prepared_(prepare(dir_, settingsText)),
      window_(MainWindowSetup{prepared_, std::move(startPictures), {}}) {
  window_.createModeless(GetModuleHandleA(nullptr), IDD_MAIN, nullptr);
  pumpMessages(50);
}

LiveMainWindow::~LiveMainWindow() {
  if (window_.handle()) DestroyWindow(window_.handle());
}

void LiveMainWindow::click(int id) {
  SendMessageA(handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(item(id)));
}

NotSavingAnswer::NotSavingAnswer()
    : watcher_(GetCurrentThreadId(), [](HWND dialog) {
        if (GetDlgItem(dialog, IDNO)) PostMessageA(dialog, WM_COMMAND, IDNO, 0);
      }) {}

void LiveMainWindow::clickNotSaving(int id) {
  NotSavingAnswer answer;
  click(id);
}

void LiveMainWindow::exit() { clickNotSaving(IDOK); }

void LiveMainWindow::setText(int id, const std::string& text) { setWindowTextUtf8(item(id), text); }

void LiveMainWindow::waitForMake() {
  const DWORD start = GetTickCount();
  pumpMessages(20);
  while (window_.making() && GetTickCount() - start < 60000) pumpMessages(20);
  pumpMessages(50);
}

std::string LiveMainWindow::stored(const char* key) const {
  char buffer[512] = {};
  GetPrivateProfileStringA("Setting", key, "<missing>", buffer, sizeof buffer,
                           (dir_.path() + "slidewright.ini").c_str());
  return buffer;
}

const media::Rgb ColourPictures::kColours[5] = {
    {220, 30, 30}, {30, 200, 30}, {30, 30, 220}, {230, 220, 20}, {20, 210, 220}};

ColourPictures::ColourPictures() {
  const char* names[] = {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"};
  for (int i = 0; i < 5; ++i) paths.push_back(writeJpeg(dir.path() + names[i], 64, 48, kColours[i]));
}

std::vector<GatheredPath> gathered(const std::vector<std::string>& paths) {
  std::vector<GatheredPath> result;
  for (const auto& p : paths) result.push_back(checkedPicturePath(p));
  return result;
}

std::vector<std::string> entryPaths(const PictureList& list) {
  std::vector<std::string> paths;
  for (int i = 0; i < list.entryCount(); ++i) paths.push_back(list.entryAt(i).path);
  return paths;
}

// -- the picture list driven with the mouse -------------------------------------------

POINT entryPoint(const PictureList& list, int index) {
  const auto& g = list.geometry();
  return POINT{g.area.left + index * g.cellWidth - list.scrollPosition() + PictureListGeometry::kGap +
                   g.thumbWidth / 2,
               (g.area.top + g.area.bottom) / 2};
}

POINT gapPoint(const PictureList& list, int index) {
  const auto& g = list.geometry();
  return POINT{g.area.left + index * g.cellWidth - list.scrollPosition() + PictureListGeometry::kGap / 2,
               (g.area.top + g.area.bottom) / 2};
}

void mouse(const PictureList& list, UINT message, POINT p, WPARAM keys) {
  SendMessageA(list.handle(), message, keys, MAKELPARAM(p.x, p.y));
}

void click(const PictureList& list, int index, WPARAM keys) {
  const POINT p = entryPoint(list, index);
  mouse(list, WM_LBUTTONDOWN, p, MK_LBUTTON | keys);
  mouse(list, WM_LBUTTONUP, p, keys);
}

void drag(const PictureList& list, POINT from, POINT to) {
  mouse(list, WM_LBUTTONDOWN, from, MK_LBUTTON);
  for (int step = 1; step <= 8; ++step)
    mouse(list, WM_MOUSEMOVE, POINT{from.x + (to.x - from.x) * step / 8, from.y + (to.y - from.y) * step / 8},
          MK_LBUTTON);
  mouse(list, WM_LBUTTONUP, to);
}

bool rightClick(const PictureList& list, POINT p, std::vector<MenuStep> steps) {
  // The screen's pointer is where the click is, as with a real click, so
  // that it lies on the corner of the menu and on none of its items; it goes
  // back afterwards.
  POINT was{}, screen = p;
  GetCursorPos(&was);
  ClientToScreen(list.handle(), &screen);
  SetCursorPos(screen.x, screen.y);
  // The window that carries the steps' timer stays hidden: the menu's owner
  // keeps the activation.
  MenuTestWindow stepper(false);
  bool ran = false;
  mouse(list, WM_RBUTTONDOWN, p, MK_RBUTTON);
  stepper.runWhileOpen(
      [&] {
        mouse(list, WM_RBUTTONUP, p);
        return 0u;
      },
      std::move(steps), &ran);
  SetCursorPos(was.x, was.y);
  return ran;
}

void rightClickAndDismiss(const PictureList& list, POINT p) {
  rightClick(list, p, {waitForMenus(1), pressKeys({VK_ESCAPE})});
}

std::string selection(const PictureList& list) {
  std::string s;
  for (int i = 0; i < list.entryCount(); ++i) s += list.entryAt(i).selected ? '1' : '0';
  return s;
}

std::string order(const PictureList& list) {
  std::string s;
  for (int i = 0; i < list.entryCount(); ++i) {
    const std::string& path = list.entryAt(i).path;
    s += path[path.find_last_of('\\') + 1];
  }
  return s;
}

bool looksLike(COLORREF c, media::Rgb expected, int tolerance) {
  return std::abs(GetRValue(c) - expected.r) <= tolerance &&
         std::abs(GetGValue(c) - expected.g) <= tolerance && std::abs(GetBValue(c) - expected.b) <= tolerance;
}

DWORD runCommandLine(const std::string& arguments) {
  std::wstring line = wideFromUtf8(std::string("\"") + SLIDEWRIGHT_CLI_EXE + "\" " + arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &process))
    return 0xFFFFFFFF;
  WaitForSingleObject(process.hProcess, 120000);
  DWORD status = 0xFFFFFFFF;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}
