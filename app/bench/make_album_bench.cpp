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

#include "BenchProgramFolder.h"
#include "MainWindow.h"
#include "resource.h"

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
  const std::string folder = bench::makeProgramFolder("swmake");
  double best = 0;
  for (int run = 0; run < runs; ++run) {
    MainWindow window(MainWindowSetup{folder, {}, {}});
    window.createModeless(GetModuleHandleA(nullptr), IDD_MAIN, nullptr);
    HWND hwnd = window.handle();
    window.addPictureFiles(pictures);
    if (!music.empty()) window.setMusicFile(music);
    SetDlgItemInt(hwnd, IDC_ALBUM_WIDTH, static_cast<UINT>(width), FALSE);
    SetDlgItemInt(hwnd, IDC_ALBUM_HEIGHT, static_cast<UINT>(height), FALSE);
    SetDlgItemTextA(hwnd, IDC_OUTPUT_PATH, out.c_str());
    bench::pump();
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_MAKE_ALBUM, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDC_MAKE_ALBUM)));
    while (window.making()) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      bench::pump();
    }
    const double seconds = bench::secondsSince(start);
    std::printf("run %d: %.2f s\n", run + 1, seconds);
    if (run == 0 || seconds < best) best = seconds;
    DestroyWindow(hwnd);
    bench::pump();
  }
  std::printf("window make: best of %d: %.2f s\n", runs, best);
  bench::removeProgramFolder(folder);
  return 0;
}
