#include "interrupt.h"

#include <atomic>
#include <csignal>
#include <cstddef>

namespace slidewright::cli {

namespace {

// The hang-up's number; Windows has no SIGHUP, and a closed console is
// reported as it.
#ifdef SIGHUP
constexpr int kHangUp = SIGHUP;
#else
constexpr int kHangUp = 1;
#endif

constexpr int kWatched[] = {
    SIGINT,
    SIGTERM,
#ifdef SIGHUP
    SIGHUP,
#endif
#ifdef SIGBREAK
    SIGBREAK,
#endif
};
constexpr std::size_t kWatchedCount = sizeof kWatched / sizeof kWatched[0];

using Handler = void (*)(int);

std::atomic<int> stopSignal{0};
int depth = 0;
Handler previous[kWatchedCount];

void onSignal(int signal) { requestStop(signal); }

}  // namespace

void requestStop(int signal) {
  int none = 0;
  stopSignal.compare_exchange_strong(none, signal > 0 ? signal : kHangUp);
}

InterruptWatch::InterruptWatch() {
  if (depth++ > 0) return;
  stopSignal = 0;
  for (std::size_t k = 0; k < kWatchedCount; ++k) {
    previous[k] = std::signal(kWatched[k], onSignal);
    if (previous[k] == SIG_IGN) std::signal(kWatched[k], SIG_IGN);
  }
#ifdef _WIN32
  watchConsoleClose(true);
#endif
}

InterruptWatch::~InterruptWatch() {
  if (--depth > 0) return;
#ifdef _WIN32
  watchConsoleClose(false);
#endif
  for (std::size_t k = 0; k < kWatchedCount; ++k)
    std::signal(kWatched[k], previous[k] == SIG_ERR ? SIG_DFL : previous[k]);
}

bool InterruptWatch::requested() const { return stopSignal.load() != 0; }

int interruptedExitStatus() {
  const int signal = stopSignal.load();
  return 128 + (signal ? signal : SIGINT);
}

}  // namespace slidewright::cli
