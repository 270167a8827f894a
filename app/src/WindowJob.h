// A make command's work on a worker thread, so that the window keeps
// painting and its progress bar moves while it runs: the work asks between
// its steps whether to go on, the owner window gets kMakeFinishedMessage when
// it has ended, and the result is collected on the window's thread.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>
#include <utility>

// Posted to the owner window while a make runs: the progress bar's message.
constexpr UINT EncodeProgress = WM_USER + 100;

// Posted to the owner window when a make has ended; the result is collected
// with WindowJob::finish().
constexpr UINT kMakeFinishedMessage = WM_APP + 1;

template <class Result>
class WindowJob {
 public:
  WindowJob() = default;
  WindowJob(const WindowJob&) = delete;
  WindowJob& operator=(const WindowJob&) = delete;
  // A job still running is cancelled and waited for.
  ~WindowJob() {
    if (running()) {
      cancel();
      thread_.join();
    }
  }

  // Runs `work` on a worker thread; it is given whether to go on (false once
  // cancelled). False when a job runs already.
  bool start(HWND owner, std::function<Result(const std::function<bool()>& goOn)> work) {
    if (running()) return false;
    owner_ = owner;
    cancelled_ = false;
    result_.reset();
    thread_ = std::thread([this, work = std::move(work)] {
      result_.emplace(work([this] { return !cancelled_; }));
      PostMessageA(owner_, kMakeFinishedMessage, 0, 0);
    });
    return true;
  }
  // Asks the running work to stop at its next step.
  void cancel() { cancelled_ = true; }
  // True from start() until finish() has collected the result.
  bool running() const { return thread_.joinable(); }
  HWND owner() const { return owner_; }
  // Waits for the work to end and gives its result (once); `none` when no
  // job was started.
  Result finish(Result none) {
    if (thread_.joinable()) thread_.join();
    if (!result_) return none;
    Result result = std::move(*result_);
    result_.reset();
    return result;
  }

 private:
  HWND owner_ = nullptr;  // not owned
  std::thread thread_;
  std::atomic<bool> cancelled_{false};
  std::optional<Result> result_;
};
