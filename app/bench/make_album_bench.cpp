// Benchmark of the make-album command in the maker's window: the main
// window is made as the program makes it, the pictures are added, the album
// size and the music are set, and the time from the make button's command to
// the end of the make is measured (the make runs on its worker thread while
// this thread serves the window's messages, as in the program).
//
//   make_album_bench.exe [--runs N] [--size WxH] [--music FILE] --out MOVIE picture...
//
// Run it through scripts/bench-window-make.sh, which makes the inputs, runs
// the Windows build's slidewright.exe on the same inputs and starts Wine.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "MainWindow.h"
#include "ProgramDirectory.h"
#include "resource.h"

namespace {

void pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

double secondsSince(LARGE_INTEGER from) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A private program folder with the language file and skin of the real one.
std::string makeProgramFolder() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "swmake-" + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  CreateDirectoryA((folder + "interface").c_str(), nullptr);
  const std::string built = programDirectory();
  for (const char* f : {"language.cns", "interface\\mainskin.bmp", "interface\\mainmask.bmp"})
    CopyFileA((built + f).c_str(), (folder + f).c_str(), FALSE);
  return folder;
}

void removeProgramFolder(const std::string& folder) {
  for (const char* f :
       {"language.cns", "interface\\mainskin.bmp", "interface\\mainmask.bmp", "slidewright.ini"})
    DeleteFileA((folder + f).c_str());
  RemoveDirectoryA((folder + "interface").c_str());
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3, width = 800, height = 600;
  std::string music, out;
  std::vector<GatheredPath> pictures;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc)
      runs = std::atoi(argv[++i]);
    else if (arg == "--size" && i + 1 < argc)
      std::sscanf(argv[++i], "%dx%d", &width, &height);
    else if (arg == "--music" && i + 1 < argc)
      music = argv[++i];
    else if (arg == "--out" && i + 1 < argc)
      out = argv[++i];
    else
      pictures.push_back(checkedPicturePath(arg));
  }
  if (pictures.empty() || out.empty()) {
    std::fprintf(stderr,
                 "usage: make_album_bench [--runs N] [--size WxH] [--music FILE] --out MOVIE picture...\n");
    return 2;
  }
  const std::string folder = makeProgramFolder();
  double best = 0;
  for (int run = 0; run < runs; ++run) {
    MainWindow window(MainWindowSetup{folder, {}});
    window.createModeless(GetModuleHandleA(nullptr), IDD_MAIN, nullptr);
    HWND hwnd = window.handle();
    window.addPictureFiles(pictures);
    if (!music.empty()) window.setMusicFile(music);
    SetDlgItemInt(hwnd, IDC_ALBUM_WIDTH, static_cast<UINT>(width), FALSE);
    SetDlgItemInt(hwnd, IDC_ALBUM_HEIGHT, static_cast<UINT>(height), FALSE);
    SetDlgItemTextA(hwnd, IDC_OUTPUT_PATH, out.c_str());
    pump();
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_MAKE_ALBUM, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDC_MAKE_ALBUM)));
    while (window.making()) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      pump();
    }
    const double seconds = secondsSince(start);
    std::printf("run %d: %.2f s\n", run + 1, seconds);
    if (run == 0 || seconds < best) best = seconds;
    DestroyWindow(hwnd);
    pump();
  }
  std::printf("window make: best of %d: %.2f s\n", runs, best);
  removeProgramFolder(folder);
  return 0;
}
