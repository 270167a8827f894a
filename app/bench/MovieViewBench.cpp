// CPU used by the movie-view control playing a movie: a window with the
// control at the given size plays the movie (with its sound, through the
// audio back end) for the given time in an ordinary message loop, then the
// process's CPU time (user + kernel, GetProcessTimes) is divided by the wall
// time. Run by scripts/bench-preview.sh under wine.
//
//   movieview-bench MOVIE.swf [SECONDS] [WIDTHxHEIGHT] [BGCOLOR]
//
// BGCOLOR is the colour around the movie as hexadecimal 0xRRGGBB ("ff" is
// blue, "#336699" as well as "336699").
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "MovieView.h"

namespace {

double seconds(const FILETIME& t) {
  ULARGE_INTEGER v;
  v.LowPart = t.dwLowDateTime;
  v.HighPart = t.dwHighDateTime;
  return double(v.QuadPart) / 1e7;
}

double processCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  return seconds(kernel) + seconds(user);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: movieview-bench MOVIE.swf [SECONDS] [WIDTHxHEIGHT] [BGCOLOR]\n");
    return 2;
  }
  const double runSeconds = argc > 2 ? std::atof(argv[2]) : 20.0;
  int width = 800, height = 600;
  if (argc > 3) std::sscanf(argv[3], "%dx%d", &width, &height);

  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance;
  wc.lpszClassName = "MovieViewBench";
  RegisterClassA(&wc);
  HWND host = CreateWindowExA(0, "MovieViewBench", "movieview-bench", WS_POPUP | WS_VISIBLE, 0, 0, width,
                              height, nullptr, nullptr, instance, nullptr);
  MovieViewArgs args;
  args.parent = host;
  args.rect = {0, 0, width, height};
  auto view = MovieView::create(instance, args);
  if (!view || !view->LoadMovie(0, argv[1])) {
    std::fprintf(stderr, "movieview-bench: %s cannot be played\n", argv[1]);
    return 1;
  }
  if (argc > 4) {
    const char* text = argv[4][0] == '#' ? argv[4] + 1 : argv[4];
    const unsigned long rgb = std::strtoul(text, nullptr, 16);
    view->BGColor(RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
  }
  const double cpuStart = processCpuSeconds();
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  size_t frames = 0, lastFrame = view->currentFrame();
  SetTimer(host, 1, UINT(runSeconds * 1000), nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd == host && msg.message == WM_TIMER) break;
    DispatchMessageA(&msg);
    if (view->currentFrame() != lastFrame) {
      ++frames;
      lastFrame = view->currentFrame();
    }
  }
  QueryPerformanceCounter(&now);
  const double wall = double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
  const double cpu = processCpuSeconds() - cpuStart;
  std::printf("movie %s, control %dx%d, movie drawn at %ldx%ld, sound device: %s\n", argv[1], width, height,
              view->movieRect().right - view->movieRect().left,
              view->movieRect().bottom - view->movieRect().top, view->hasSoundDevice() ? "yes" : "none");
  std::printf("wall %.2f s, frames shown %zu (%.2f fps), process CPU %.2f s = %.1f %% of one core\n", wall,
              frames, frames / wall, cpu, 100.0 * cpu / wall);
  return 0;
}
