// Start-up of the maker program: the main window runs as a modal dialog,
// and the program ends when it closes.
#include <windows.h>
#include <commctrl.h>

#include "MainWindow.h"
#include "resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The dialog template holds an up-down control and a progress bar.
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS |
                                                                  ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);

  MainWindow window;
  window.runModal(instance, IDD_MAIN, nullptr);
  return 0;
}
