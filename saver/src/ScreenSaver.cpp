#include "ScreenSaver.h"

#include <cstdlib>

#include "common/utf8_path.h"
#include "scrfile/screensaver_file.h"

namespace {

constexpr WPARAM kEscape = VK_ESCAPE;
constexpr LPARAM kEscapeDown = 0x00200001;
constexpr LPARAM kEscapeUp = LPARAM(0xC0200001u);

// The screensaver file's own path (UTF-8): the movie is appended to it. Any
// name works, whatever the code page.
std::string programPath() {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
  return n > 0 && n < ARRAYSIZE(path) ? slidewright::utf8FromWideText(std::wstring(path, n)) : std::string();
}

// The IME functions are used only when the process has IMM32 loaded, as an
// East Asian system does.
using ImmAssociateContextFn = HIMC(WINAPI*)(HWND, HIMC);
ImmAssociateContextFn immAssociateContext() {
  HMODULE imm = GetModuleHandleA("IMM32.DLL");
  return imm ? reinterpret_cast<ImmAssociateContextFn>(
                   reinterpret_cast<void*>(GetProcAddress(imm, "ImmAssociateContext")))
             : nullptr;
}

}  // namespace

bool isWindows9xFamily() {
  // GetVersionEx is deprecated but is the only call that tells the family;
  // every system of today answers with the NT platform.
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
  return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

ScreenSaver::ScreenSaver(HINSTANCE instance, SaverPlatform platform)
    : instance_(instance), platform_(std::move(platform)) {
  if (platform_.moviePath.empty()) platform_.moviePath = programPath();
}

ScreenSaver::~ScreenSaver() {
  destroyWindow();
  stopMovie();
  releasePasswordCheck();
}

HWND ScreenSaver::createWindow(HWND parent) {
  if (handle()) return nullptr;
  parent_ = parent;
  preview_ = parent != nullptr;
  closing_ = checking_ = false;
  WindowClass windowClass;
  windowClass.name = kClassName;
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
  windowClass.icon = LoadIconA(instance_, MAKEINTRESOURCEA(100));
  windowClass.background = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  CreateArgs create;
  create.instance = instance_;
  if (preview_) {
    GetClientRect(parent, &create.pos);
    create.parent = parent;
    create.title = "Preview";
    create.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
  } else {
    if (HWND running = FindWindowA(kClassName, kFullScreenTitle)) {
      SetForegroundWindow(running);
      return nullptr;
    }
    if (platform_.windows9x) preparePasswordCheck();
    // Every monitor, not only the primary one.
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (w <= 0 || h <= 0) {
      w = GetSystemMetrics(SM_CXSCREEN);
      h = GetSystemMetrics(SM_CYSCREEN);
    }
    create.pos = RECT{x, y, x + w, y + h};
    create.title = kFullScreenTitle;
    create.style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    create.exStyle = WS_EX_TOPMOST;
  }
  if (!CustomWindow::createWindow(windowClass, create)) {
    releasePasswordCheck();
    return nullptr;
  }
  if (platform_.windows9x) autoPlayMessage_ = RegisterWindowMessageA("QueryCancelAutoPlay");
  if (!preview_) SetForegroundWindow(handle());
  return handle();
}

int ScreenSaver::run(HWND parent) {
  if (!createWindow(parent)) return 0;
  MSG msg;
  int result = 0;
  for (;;) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      result = int(msg.wParam);
      break;
    }
    if (got == -1) break;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  releasePasswordCheck();
  return result;
}

void ScreenSaver::preparePasswordCheck() {
  if (platform_.verifyPassword) {  // a stand-in given by the caller
    usesVerify_ = true;
    return;
  }
  HKEY key;
  DWORD usePassword = 0;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    DWORD size = sizeof usePassword;
    if (RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&usePassword), &size) != ERROR_SUCCESS)
      usePassword = 0;
    RegCloseKey(key);
  }
  if (!usePassword) return;
  passwordLibrary_ = LoadLibraryA("PASSWORD.CPL");
  if (!passwordLibrary_) return;
  platform_.verifyPassword = reinterpret_cast<BOOL(WINAPI*)(HWND)>(
      reinterpret_cast<void*>(GetProcAddress(passwordLibrary_, "VerifyScreenSavePwd")));
  if (platform_.verifyPassword) {
    usesVerify_ = true;
    BOOL previous;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, TRUE, &previous, 0);
  } else {
    FreeLibrary(passwordLibrary_);
    passwordLibrary_ = nullptr;
  }
}

void ScreenSaver::releasePasswordCheck() {
  if (!passwordLibrary_) return;
  if (usesVerify_) {
    BOOL previous;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, FALSE, &previous, 0);
  }
  platform_.verifyPassword = nullptr;
  usesVerify_ = false;
  FreeLibrary(passwordLibrary_);
  passwordLibrary_ = nullptr;
}

LRESULT ScreenSaver::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      if (auto associate = immAssociateContext()) detachedInput_ = associate(handle(), nullptr);
      GetCursorPos(&lastCursor_);
      if (!preview_) SetCursor(nullptr);
      break;
    case WM_DESTROY:
      if (auto associate = immAssociateContext()) associate(handle(), detachedInput_);
      PostQuitMessage(0);
      break;
    case WM_PAINT:
      if (closing_) return DefWindowProcA(handle(), message, wParam, lParam);
      if (!preview_) SetCursor(nullptr);
      break;
    case WM_HELP:
    case WM_CONTEXTMENU:
      if (preview_) {
        PostMessageA(parent_, message, reinterpret_cast<WPARAM>(parent_), lParam);
        return 1;
      }
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (closing_) return DefWindowProcA(handle(), message, wParam, lParam);
      break;
    case WM_SYSCOMMAND:
      if (!preview_) {
        const WPARAM command = wParam & 0xFFF0;
        if (command == SC_NEXTWINDOW || command == SC_PREVWINDOW || command == SC_SCREENSAVE) return 0;
      }
      break;
    case WM_TIMER:
      if (closing_) return 0;
      Sleep(0);
      break;
    case WM_SETTEXT:
      return 0;
    case WM_KEYUP:
      if (wParam == kEscape) escapeHandedOver_ = false;
      break;
    default:
      break;
  }
  return saverProc(message, wParam, lParam);
}

LRESULT ScreenSaver::saverProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      startMovie();
      break;
    case WM_DESTROY:
      stopMovie();
      break;
    case WM_TIMER:
      postEscape();
      break;
    default:
      break;
  }
  return defaultSaverProc(message, wParam, lParam);
}

LRESULT ScreenSaver::defaultSaverProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!preview_ && !closing_) {
    switch (message) {
      case WM_CLOSE:
        if (platform_.windows9x && !verifyPassword()) {
          GetCursorPos(&lastCursor_);
          return 0;
        }
        closing_ = true;
        break;
      case kVerifyMessage:
        if (platform_.windows9x) return platform_.verifyPassword ? platform_.verifyPassword(handle()) : 1;
        break;
      default:
        break;
    }
    if (!checking_) {
      switch (message) {
        case WM_SHOWWINDOW:
          if (wParam) SetCursor(nullptr);
          break;
        case WM_SETCURSOR:
          SetCursor(nullptr);
          return TRUE;
        case WM_ACTIVATEAPP:
          if (!wParam) PostMessageA(handle(), WM_CLOSE, 0, 0);
          break;
        case WM_POWER:
          if (wParam == PWR_CRITICALRESUME) PostMessageA(handle(), WM_CLOSE, 0, 0);
          break;
        case WM_POWERBROADCAST:
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
          PostMessageA(handle(), WM_CLOSE, 0, 0);
          break;
        case WM_MOUSEMOVE: {
          POINT p;
          GetCursorPos(&p);
          if (std::abs(p.x - lastCursor_.x) + std::abs(p.y - lastCursor_.y) > kMouseThreshold) {
            PostMessageA(handle(), WM_CLOSE, 0, 0);
            lastCursor_ = p;
          }
          break;
        }
        default:
          break;
      }
    }
  }
  if (autoPlayMessage_ && message == autoPlayMessage_) {
    PostMessageA(handle(), WM_CLOSE, 0, 0);
    return usesVerify_ ? TRUE : FALSE;
  }
  return DefWindowProcA(handle(), message, wParam, lParam);
}

bool ScreenSaver::verifyPassword() {
  if (checking_ || closing_) return false;
  if (!platform_.verifyPassword) {
    closing_ = true;
    return true;
  }
  if (lastCheckValid_ && GetTickCount() - lastCheck_ < 200) return closing_;
  checking_ = true;
  MSG dropped;
  for (int i = 0; i < 2; ++i) PeekMessageA(&dropped, handle(), WM_TIMER, WM_TIMER, PM_REMOVE);
  closing_ = SendMessageA(handle(), kVerifyMessage, 0, 0) != 0;
  checking_ = false;
  if (!closing_) SetCursor(nullptr);
  lastCheck_ = GetTickCount();
  lastCheckValid_ = true;
  return closing_;
}

void ScreenSaver::startMovie() {
  wchar_t folder[MAX_PATH] = {}, name[MAX_PATH] = {};
  if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"~ff", 0, name)) return;
  const std::string movie = slidewright::utf8FromWideText(name);
  if (!slidewright::scrfile::extractMovie(platform_.moviePath, movie)) {
    // No movie: the window stays black and closes by the ordinary rules.
    DeleteFileW(name);
    return;
  }
  temporaryMovie_ = movie;
  RECT client;
  GetClientRect(handle(), &client);
  MovieViewArgs args;
  args.parent = handle();
  args.rect = client;
  args.controlId = -1;
  // Mouse input reaches the screensaver window, whose close rules judge it.
  args.mouseToParent = true;
  movie_ = MovieView::create(instance_, args);
  if (!movie_) return;
  movie_->Loop(true);
  movie_->LoadMovie(0, temporaryMovie_);
  movie_->Play();
  // Keys go to the player, as with any movie player; the keyboard hook
  // turns Escape into a close.
  if (!preview_) SetFocus(movie_->handle());
  mouseHook_ = SetWindowsHookExA(WH_MOUSE, mouseHook, instance_, GetCurrentThreadId());
  keyboardHook_ = SetWindowsHookExA(WH_KEYBOARD, keyboardHook, instance_, GetCurrentThreadId());
}

void ScreenSaver::stopMovie() {
  if (mouseHook_) UnhookWindowsHookEx(mouseHook_);
  if (keyboardHook_) UnhookWindowsHookEx(keyboardHook_);
  mouseHook_ = keyboardHook_ = nullptr;
  movie_.reset();
  if (!temporaryMovie_.empty()) slidewright::removeFile(temporaryMovie_);
  temporaryMovie_.clear();
}

void ScreenSaver::postEscape() {
  PostMessageA(handle(), WM_KEYDOWN, kEscape, kEscapeDown);
  PostMessageA(handle(), WM_KEYUP, kEscape, kEscapeUp);
}

ScreenSaver* ScreenSaver::holding(HWND hwnd) {
  for (; hwnd; hwnd = GetParent(hwnd))
    if (auto* saver = CustomWindow::from<ScreenSaver>(hwnd)) return saver;
  return nullptr;
}

LRESULT CALLBACK ScreenSaver::mouseHook(int code, WPARAM wParam, LPARAM lParam) {
  // The right button never reaches the player, so no menu of its own shows;
  // aimed at the screensaver window itself it closes it like any button.
  if (code >= 0 && (wParam == WM_RBUTTONDOWN || wParam == WM_RBUTTONUP)) {
    const auto* info = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
    const ScreenSaver* saver = holding(info->hwnd);
    if (saver && saver->movie_ && info->hwnd == saver->movie_->handle()) return 1;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK ScreenSaver::keyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  // Escape is taken from the player and handed to the screensaver window as
  // a key press of its own, which closes it. Until that press has arrived,
  // Escape passes, so that the press handed over is never caught again.
  // Keys go to the window with the focus: the player or the screensaver.
  if (code >= 0 && wParam == kEscape) {
    ScreenSaver* saver = holding(GetFocus());
    if (saver && !saver->closing_ && !saver->escapeHandedOver_) {
      saver->escapeHandedOver_ = true;
      saver->postEscape();
      return 1;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
