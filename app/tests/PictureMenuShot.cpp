// Opens the picture context menu on a plain window so that its look can be
// seen and photographed (scripts/wine/menu-screenshots.sh):
//
//   picture_menu_shot.exe open|empty|classic [seconds]
//
//   open     pictures selected, the pointer on one, all of them with
//            transition 10 (checked); the transition submenu is opened and
//            its third item highlighted
//   empty    an empty list: everything but adding is gray; the first item
//            is highlighted
//   classic  as "open", in the classic look
//
// The language is the one the settings file beside the program selects. The
// program prints "ready" once the menu shows what the scene wants, and
// closes the menu after the given number of seconds (default 10).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "GdiHandles.h"
#include "LanguageFile.h"
#include "MenuTestSupport.h"
#include "PictureContextMenu.h"
#include "resource.h"

namespace {

struct Scene {
  PictureMenuState state;
  bool classic = false;
  std::vector<WORD> keys;  // pressed once the menu is open
  size_t menusWanted = 1;  // menu windows open when the scene is ready
};

Scene sceneNamed(const std::string& name) {
  Scene scene;
  if (name == "empty") {
    scene.state = PictureMenuState{false, true, false, -1};
    scene.keys = {VK_DOWN};
    return scene;
  }
  scene.state = PictureMenuState{true, false, true, 9};
  scene.classic = name == "classic";
  scene.keys = keysToTransitions();
  scene.keys.insert(scene.keys.end(), {VK_DOWN, VK_DOWN});
  scene.menusWanted = 2;
  return scene;
}

struct Run {
  Scene scene;
  DWORD closeAt = 0;
  bool keysSent = false;
  bool reported = false;
};

// Runs on the window's timer, inside the menu's loop; the window carries the run.
void CALLBACK onTimer(HWND window, UINT, UINT_PTR, DWORD) {
  auto* run = reinterpret_cast<Run*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!run) return;
  const size_t menus = openMenuWindows().size();
  if (!run->keysSent && menus >= 1) {
    for (WORD key : run->scene.keys) {
      PostMessageA(window, WM_KEYDOWN, key, 1);
      PostMessageA(window, WM_KEYUP, key, 0xC0000001);
    }
    run->keysSent = true;
  } else if (run->keysSent && !run->reported && menus == run->scene.menusWanted) {
    std::printf("ready\n");
    std::fflush(stdout);
    run->reported = true;
  }
  if (static_cast<LONG>(GetTickCount() - run->closeAt) > 0) EndMenu();
}

}  // namespace

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  Run thisRun;
  thisRun.scene = sceneNamed(argc > 1 ? argv[1] : "open");
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
  thisRun.closeAt = GetTickCount() + static_cast<DWORD>(seconds > 0 ? seconds : 10) * 1000;

  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance;
  wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  wc.lpszClassName = "PictureMenuShot";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, wc.lpszClassName, "picture menu", WS_POPUP | WS_VISIBLE, 0, 0, 560, 420,
                                nullptr, nullptr, instance, nullptr);
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&thisRun));
  SetForegroundWindow(window);
  UpdateWindow(window);

  LanguageFile language;
  language.selectLanguage();
  ImageListHandle marks =
      loadImageStrip(instance, IDB_TRANSITION_MARKS, TRANSITION_MARK_SIZE, TRANSITION_MARK_MASK);
  PictureContextMenu menu;
  if (!menu.build(PictureMenuSources{instance, &language, marks.get()}, thisRun.scene.state)) {
    std::fprintf(stderr, "the menu could not be built\n");
    return 1;
  }
  if (thisRun.scene.classic) menu.popup()->setStyle(IconMenuStyle{false, false});
  SetTimer(window, 1, 50, onTimer);
  const UINT command = menu.run(window, POINT{20, 20});
  std::printf("command %u\n", command);
  DestroyWindow(window);
  return 0;
}
