// Start-up of the maker program: the main window runs as a modal dialog,
// and the program ends when it closes. An album file named on the command
// line is opened, and the pictures named there ("Open with", "Send to",
// files dropped on the program's icon) are added to the album once the
// window shows.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "MainWindow.h"
#include "PicturePaths.h"
#include "resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The dialog template holds an up-down control and a progress bar.
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS |
                                                                  ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);

  MainWindowSetup setup;
  auto arguments = commandLineArguments(GetCommandLineW());
  const auto album = std::find_if(arguments.begin(), arguments.end(), isAlbumFileName);
  if (album != arguments.end()) {
    setup.startAlbum = *album;
    arguments.erase(album);
  }
  setup.startPictures = gatherPicturePaths(arguments);
  MainWindow window(std::move(setup));
  window.runModal(instance, IDD_MAIN, nullptr);
  return 0;
}
