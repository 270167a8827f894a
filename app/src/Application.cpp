// Start-up of the maker program: the main window runs as a modal dialog,
// and the program ends when it closes. Pictures named on the command line
// ("Open with", "Send to", files dropped on the program's icon) are added
// to the new album once the window shows.
#include <windows.h>
#include <commctrl.h>

#include "MainWindow.h"
#include "PicturePaths.h"
#include "resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The dialog template holds an up-down control and a progress bar.
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS |
                                                                  ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);

  MainWindowSetup setup;
  setup.startPictures = gatherPicturePaths(commandLineArguments(GetCommandLineW()));
  MainWindow window(std::move(setup));
  window.runModal(instance, IDD_MAIN, nullptr);
  return 0;
}
