// Benchmark of adding pictures to the maker's window: the main window is
// made as the program makes it (skin, language file), the given picture
// files are dropped on it in one shell drop, and the time from the drop to
// the last thumbnail drawn is measured, with the memory the process holds
// before and afterwards.
//
//   add_pictures_bench.exe [--runs N] picture...
//
// It runs from the folder of Slidewright.exe (the language file and skin
// beside it), in a copy of that folder's files in the temporary folder, so
// that no settings file is left behind. Run it through
// scripts/bench-add-pictures.sh, which makes the pictures and starts Wine.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "BenchProgramFolder.h"
#include "MainWindow.h"
#include "ShellDrop.h"
#include "resource.h"

namespace {

// What the process holds. Under Wine the working set is the host's resident
// size of the process and the committed private memory is counted as on
// Windows.
struct Memory {
  double workingSetMb = 0, peakWorkingSetMb = 0, committedMb = 0;
};

Memory memoryNow() {
  Memory m;
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof counters)) {
    m.workingSetMb = counters.WorkingSetSize / 1048576.0;
    m.peakWorkingSetMb = counters.PeakWorkingSetSize / 1048576.0;
    m.committedMb = std::max(counters.PagefileUsage, counters.PrivateUsage) / 1048576.0;
  }
  return m;
}

// User and kernel time of all the process's threads, in seconds.
double cpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto value = [](FILETIME t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(value(kernel) + value(user)) / 1e7;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3;
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc)
      runs = std::max(1, std::atoi(argv[++i]));
    else
      paths.push_back(arg);
  }
  if (paths.empty()) {
    std::fprintf(stderr, "usage: add_pictures_bench.exe [--runs N] picture...\n");
    return 2;
  }
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS |
                                                     ICC_PROGRESS_CLASS | ICC_BAR_CLASSES |
                                                     ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  const std::string folder = bench::makeProgramFolder("swbench");
  int status = 0;
  {
    MainWindow window(MainWindowSetup{folder, {}, {}});
    if (!window.createModeless(GetModuleHandleA(nullptr), IDD_MAIN, nullptr)) {
      std::fprintf(stderr, "the main window could not be made\n");
      bench::removeProgramFolder(folder);
      return 1;
    }
    bench::pump();
    const Memory before = memoryNow();
    std::printf("%zu pictures, %d runs, %u threads available\n", paths.size(), runs,
                std::max(1u, static_cast<unsigned>(std::thread::hardware_concurrency())));
    std::printf("before adding: working set %.1f MB, committed %.1f MB\n", before.workingSetMb,
                before.committedMb);
    double best = 1e9;
    Memory after;
    for (int run = 0; run < runs; ++run) {
      window.pictureList().deleteAll();
      bench::pump();
      LARGE_INTEGER start;
      const double cpuStart = cpuSeconds();
      QueryPerformanceCounter(&start);
      SendMessageA(window.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(makeShellDrop(paths)), 0);
      // Every thumbnail is made and the visible ones drawn; the last one is
      // drawn once the strip is dragged to its end.
      PictureList& list = window.pictureList();
      const auto& g = list.geometry();
      SendMessageA(list.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(g.topStrip.right - 2, 2));
      SendMessageA(list.handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-30000, 2));
      SendMessageA(list.handle(), WM_LBUTTONUP, 0, MAKELPARAM(-30000, 2));
      UpdateWindow(list.handle());
      const double s = bench::secondsSince(start);
      best = std::min(best, s);
      std::printf("run %d: %d pictures added and drawn in %.2f s (%.2f s of processor time)\n", run + 1,
                  list.entryCount(), s, cpuSeconds() - cpuStart);
      if (list.entryCount() != static_cast<int>(paths.size())) status = 1;
      bench::pump();
      if (run == 0) after = memoryNow();
    }
    std::printf("best: %.2f s\n", best);
    std::printf("after adding: working set %.1f MB (peak while adding %.1f MB), committed %.1f MB\n",
                after.workingSetMb, after.peakWorkingSetMb, after.committedMb);
    std::printf("held for the pictures: working set %+.1f MB, committed %+.1f MB\n",
                after.workingSetMb - before.workingSetMb, after.committedMb - before.committedMb);
    DestroyWindow(window.handle());
  }
  bench::removeProgramFolder(folder);
  return status;
}
