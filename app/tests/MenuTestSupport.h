// Support for tests that open menus: a plain window to own them, a way to
// act while a menu's modal loop runs (steps taken one per timer tick), the
// popup menu windows on the screen, and pictures of what a window shows.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One action inside an open menu; false means "not yet, try at the next tick".
using MenuStep = std::function<bool()>;

class MenuTestWindow {
 public:
  // A visible window takes the activation, so that the menus it owns get
  // the keys; a hidden one only carries the steps for a menu of another
  // window.
  explicit MenuTestWindow(bool visible = true);
  ~MenuTestWindow();
  MenuTestWindow(const MenuTestWindow&) = delete;
  MenuTestWindow& operator=(const MenuTestWindow&) = delete;

  HWND handle() const { return hwnd_; }

  // Calls `show`, which opens a menu and returns when it closes, while the
  // steps run one after another from a timer. When they have not all run
  // after `timeoutMs`, the menu is closed. The result is what `show`
  // returned; *allStepsRan says whether every step ran.
  UINT runWhileOpen(const std::function<UINT()>& show, std::vector<MenuStep> steps, bool* allStepsRan,
                    DWORD timeoutMs = 5000);

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void tick();

  HWND hwnd_ = nullptr;
  std::vector<MenuStep> steps_;
  size_t nextStep_ = 0;
  DWORD deadline_ = 0;
};

// The visible popup menu windows of this thread.
std::vector<HWND> openMenuWindows();

// Steps: wait until `count` menu windows are open; press keys (down and up);
// type a character (an access key).
MenuStep waitForMenus(size_t count);
MenuStep pressKeys(std::vector<WORD> keys);
MenuStep typeCharacter(wchar_t character);

// The keys that open the picture menu's transition submenu from a fresh
// popup: down past the four commands and the separator, then right.
std::vector<WORD> keysToTransitions();

// What `draw` draws into a width x height 32-bit bitmap that starts black,
// 0x00RRGGBB per pixel, top row first; empty when no bitmap could be made.
std::vector<std::uint32_t> drawnPixels(int width, int height, const std::function<void(HDC)>& draw);

// What the window shows on the screen, 0x00RRGGBB per pixel, row by row.
std::vector<std::uint32_t> screenPixels(HWND window, int* width, int* height);

// The number of GDI objects the process holds. GetGuiResources counts them
// on Windows; Wine's answers 0, and there the count is taken from the
// process's GDI handle table instead.
long countGdiObjects();

// 0x00RRGGBB of a COLORREF, as the pixels above hold colours.
inline std::uint32_t pixelOf(COLORREF colour) {
  return (static_cast<std::uint32_t>(GetRValue(colour)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(colour)) << 8) | GetBValue(colour);
}
