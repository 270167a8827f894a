#include "MenuTestSupport.h"

#include "GdiHandles.h"

namespace {

constexpr UINT_PTR kStepTimer = 1;
constexpr UINT kStepPeriodMs = 10;

BOOL CALLBACK collectMenuWindow(HWND hwnd, LPARAM found) {
  char className[16] = {};
  GetClassNameA(hwnd, className, sizeof className);
  // "#32768" is the system's class of popup menu windows.
  if (lstrcmpA(className, "#32768") == 0 && IsWindowVisible(hwnd))
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(hwnd);
  return TRUE;
}

}  // namespace

MenuTestWindow::MenuTestWindow(bool visible) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = windowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  wc.lpszClassName = "SlidewrightMenuTestWindow";
  RegisterClassA(&wc);  // fails harmlessly when already registered
  hwnd_ = CreateWindowExA(0, wc.lpszClassName, "menu test", WS_POPUP | (visible ? WS_VISIBLE : 0), 0, 0, 320,
                          240, nullptr, nullptr, wc.hInstance, this);
  if (visible) SetForegroundWindow(hwnd_);
}

MenuTestWindow::~MenuTestWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

UINT MenuTestWindow::runWhileOpen(const std::function<UINT()>& show, std::vector<MenuStep> steps,
                                  bool* allStepsRan, DWORD timeoutMs) {
  steps_ = std::move(steps);
  nextStep_ = 0;
  deadline_ = GetTickCount() + timeoutMs;
  SetTimer(hwnd_, kStepTimer, kStepPeriodMs, nullptr);
  const UINT result = show();
  KillTimer(hwnd_, kStepTimer);
  // Keys posted for the menu that it did not take must not reach the next one.
  MSG stale;
  while (PeekMessageA(&stale, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {}
  if (allStepsRan) *allStepsRan = nextStep_ == steps_.size();
  steps_.clear();
  return result;
}

void MenuTestWindow::tick() {
  if (nextStep_ < steps_.size()) {
    if (steps_[nextStep_]()) ++nextStep_;
    if (static_cast<LONG>(GetTickCount() - deadline_) > 0) EndMenu();
  }
}

LRESULT CALLBACK MenuTestWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
  auto* self = reinterpret_cast<MenuTestWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self && message == WM_TIMER && wParam == kStepTimer) {
    self->tick();
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

std::vector<HWND> openMenuWindows() {
  std::vector<HWND> found;
  EnumThreadWindows(GetCurrentThreadId(), collectMenuWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

MenuStep waitForMenus(size_t count) {
  return [count] { return openMenuWindows().size() == count; };
}

std::vector<WORD> keysToTransitions() { return {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT}; }

MenuStep pressKeys(std::vector<WORD> keys) {
  return [keys] {
    HWND target = GetFocus() ? GetFocus() : GetActiveWindow();
    for (WORD key : keys) {
      PostMessageA(target, WM_KEYDOWN, key, 1);
      PostMessageA(target, WM_KEYUP, key, 0xC0000001);
    }
    return true;
  };
}

MenuStep typeCharacter(wchar_t character) {
  return [character] {
    HWND target = GetFocus() ? GetFocus() : GetActiveWindow();
    PostMessageW(target, WM_CHAR, character, 1);
    return true;
  };
}

std::vector<std::uint32_t> drawnPixels(int width, int height, const std::function<void(HDC)>& draw) {
  if (width <= 0 || height <= 0) return {};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  BitmapHandle target(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  MemoryDC dc(nullptr);
  if (!target || !dc) return {};
  {
    SelectGuard select(dc.get(), target.get());
    draw(dc.get());
  }
  GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  std::vector<std::uint32_t> pixels(p, p + static_cast<size_t>(width) * height);
  for (auto& px : pixels) px &= 0xFFFFFFu;
  return pixels;
}

std::vector<std::uint32_t> screenPixels(HWND window, int* width, int* height) {
  RECT r{};
  GetWindowRect(window, &r);
  *width = r.right - r.left;
  *height = r.bottom - r.top;
  const int w = *width, h = *height;
  return drawnPixels(w, h, [&](HDC dc) {
    WindowDC screen(nullptr);
    BitBlt(dc, 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
  });
}

long countGdiObjects() {
  const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (counted > 0) return static_cast<long>(counted);
  // Wine keeps a table of 65536 entries of 24 bytes in either architecture,
  // named by the process environment block; an entry of a live object has
  // a non-zero type.
  struct Entry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t user;
  };
  static_assert(sizeof(Entry) == 24, "Wine's GDI handle entry");
#ifdef _WIN64
  constexpr size_t kTableOffset = 0xF8;
#else
  constexpr size_t kTableOffset = 0x94;
#endif
  using GetPeb = void*(WINAPI*)();
  // (Through a plain pointer: the compiler warns about casting one function
  // type into another.)
  const auto rtlGetCurrentPeb = reinterpret_cast<GetPeb>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetCurrentPeb")));
  if (!rtlGetCurrentPeb) return -1;
  const auto* peb = static_cast<const char*>(rtlGetCurrentPeb());
  const auto* table = *reinterpret_cast<const Entry* const*>(peb + kTableOffset);
  if (!table) return -1;
  long live = 0;
  for (size_t i = 0; i < 0x10000; ++i) live += table[i].type != 0 ? 1 : 0;
  return live;
}
