// The watch for the requests to stop a long command: Ctrl-C (SIGINT), a
// polite kill (SIGTERM) and the terminal closing (SIGHUP); on Windows also
// Ctrl-Break, the console window closing, log-off and shut-down. While a
// watch lives these only set a flag that the work checks at its next step,
// so that the command removes its temporary and partial files before it
// exits with interruptedExitStatus().
#pragma once

namespace slidewright::cli {

// Watches can nest: the outermost one takes the signals and gives back the
// handlers found before when it ends. A signal ignored when the watch began
// (as under nohup) stays ignored.
class InterruptWatch {
 public:
  InterruptWatch();
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  // Whether a request to stop came since the outermost watch began.
  bool requested() const;
};

// The exit status of a command stopped by a request: 128 + the signal's
// number, as shells report it (130 Ctrl-C, 143 SIGTERM, 129 the terminal or
// the console window closed).
int interruptedExitStatus();

// Records a request to stop by the signal numbered `signal`, or 0 for the
// console window closing (reported as a hang-up); the first one counts. Safe
// in a signal handler.
void requestStop(int signal);

#ifdef _WIN32
// Takes (or gives back) the console's close, log-off and shut-down events:
// interrupt_win.cpp.
void watchConsoleClose(bool watch);
#endif

}  // namespace slidewright::cli
