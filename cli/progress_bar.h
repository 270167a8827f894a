// A one-line progress bar on stderr for the long subcommands, drawn only
// when stderr is a terminal and redrawn only when what it shows changes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace slidewright::cli {

class TerminalProgress {
 public:
  // `enabled` false (for --quiet) draws nothing.
  explicit TerminalProgress(bool enabled) {
#ifdef _WIN32
    enabled_ = enabled && _isatty(_fileno(stderr));
#else
    enabled_ = enabled && isatty(fileno(stderr));
#endif
  }
  ~TerminalProgress() { clear(); }
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  // `done` of `total`: redrawn when the percentage changes, with the label of
  // that moment.
  void update(uint64_t done, uint64_t total, const std::string& label) {
    if (!enabled_) return;
    const int percent = total ? int(done * 100 / total) : 0;
    if (percent == percent_) return;
    draw(percent, label);
  }

  // A percentage worked out by the caller: redrawn when it or the label changes.
  void show(int percent, const std::string& label) {
    if (!enabled_ || (percent == percent_ && label == label_)) return;
    draw(percent, label);
  }

  void clear() {
    if (shown_) std::fprintf(stderr, "\r%70s\r", "");
    shown_ = false;
  }

 private:
  void draw(int percent, const std::string& label) {
    percent_ = percent;
    label_ = label;
    constexpr int kWidth = 30;
    const int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%% %-28s", std::string(size_t(filled), '#').c_str(),
                 std::string(size_t(kWidth - filled), ' ').c_str(), percent, label.c_str());
    shown_ = true;
  }

  bool enabled_ = false;
  bool shown_ = false;
  int percent_ = -1;
  std::string label_;
};

}  // namespace slidewright::cli
