// `slidewright make`: pictures and music in, one album movie out.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "command.h"
#include "maker/album_maker.h"

namespace slidewright::cli {

namespace {

using maker::AlbumSettings;
using maker::MakeProgress;
using maker::MakeStage;

const char* const kTransitionNames[] = {"left-to-right",
                                        "right-to-left",
                                        "top-to-bottom",
                                        "bottom-to-top",
                                        "circle",
                                        "diagonal-top-left",
                                        "diagonal-top-right",
                                        "diagonal-bottom-right",
                                        "diagonal-bottom-left",
                                        "fade",
                                        "strips",
                                        "rectangle",
                                        "blinds"};
constexpr int kTransitions = 13;
constexpr int kRandom = -1;

void printMakeHelp() {
  std::printf(
      "Usage: %s make [OPTIONS] PICTURE... -o MOVIE.swf\n"
      "Makes an SWF slide show of the pictures, in the order given, each revealed by\n"
      "its transition and held for a while, with optional music.\n"
      "\n"
      "  -o, --output FILE        the movie to write; \".swf\" is added when missing\n"
      "  -t, --transition NAME    transition of the pictures that follow it: a name\n"
      "                           below, its number 0-12, or \"random\" (default: %s)\n"
      "      --seed N             seed for \"random\", to repeat a choice (default: new each run)\n"
      "  -W, --width N            album width in pixels, %d-%d (default 640)\n"
      "  -H, --height N           album height in pixels, %d-%d (default 480)\n"
      "  -s, --seconds N          seconds each picture is held, %d-%d (default 1)\n"
      "      --fit-to-music       choose the seconds per picture so that the show lasts\n"
      "                           about as long as the music\n"
      "  -b, --background COLOUR  background colour, #rrggbb (default #ffffff)\n"
      "  -m, --music FILE         MP3 (any MPEG audio) played from the first picture on\n"
      "      --loop               play the movie again from the start at its end (default)\n"
      "      --no-loop            stop at the end\n"
      "      --skip-bad           leave out pictures that cannot be read, with a warning,\n"
      "                           instead of failing\n"
      "  -q, --quiet              no progress bar and no summary\n"
      "  -h, --help               show this help\n"
      "\n"
      "Pictures: JPEG (turned upright by its EXIF orientation), PNG, GIF (first frame)\n"
      "and BMP. Each is shrunk to fit the album if it is larger, never enlarged, and\n"
      "centred on the background colour.\n"
      "\n"
      "Transitions:\n",
      kProgramName, kTransitionNames[0], maker::kMinWidth, maker::kMaxWidth, maker::kMinHeight,
      maker::kMaxHeight, maker::kMinPause, maker::kMaxPause);
  for (int i = 0; i < kTransitions; ++i) std::printf("  %2d  %s\n", i, kTransitionNames[i]);
  std::printf(
      "\n"
      "Exit status: 0 the movie was made; 1 a picture, the music or the output failed\n"
      "(nothing is written then, and an existing movie is left as it was); 2 the\n"
      "command line is wrong; 130 interrupted.\n"
      "\n"
      "Example:\n"
      "  %s make -W 800 -H 600 -m song.mp3 --fit-to-music -t fade *.jpg -o holiday.swf\n",
      kProgramName);
}

int usage(const std::string& message) {
  std::fprintf(stderr, "%s make: %s\nRun '%s make --help' for the options.\n", kProgramName, message.c_str(),
               kProgramName);
  return kExitUsage;
}

std::optional<long> parseInteger(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  return std::strtol(text.c_str(), nullptr, 10);
}

std::optional<int> parseTransition(const std::string& text) {
  if (text == "random") return kRandom;
  if (auto n = parseInteger(text); n && *n < kTransitions) return static_cast<int>(*n);
  std::string lower = text;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  for (int i = 0; i < kTransitions; ++i)
    if (lower == kTransitionNames[i]) return i;
  return std::nullopt;
}

std::optional<media::Rgb> parseColour(std::string text) {
  if (!text.empty() && text[0] == '#') text.erase(0, 1);
  if (text.size() != 6) return std::nullopt;
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
  const unsigned long v = std::strtoul(text.c_str(), nullptr, 16);
  return media::Rgb{static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                    static_cast<std::uint8_t>(v)};
}

// The output path with ".swf" added unless it already ends so (in any case).
std::string movieName(std::string path) {
  if (path.size() >= 4) {
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    if (tail == ".swf") return path;
  }
  return path + ".swf";
}

std::atomic<bool> interrupted{false};
extern "C" void onInterrupt(int) { interrupted = true; }

// A one-line progress bar on stderr, redrawn only when it changes.
class ProgressBar {
 public:
  explicit ProgressBar(bool music) : music_(music) {}
  ~ProgressBar() { clear(); }

  void update(const MakeProgress& p) {
    // Music takes the first half when there is any, like the window's bar.
    const double start = p.stage == MakeStage::Music      ? 0
                         : p.stage == MakeStage::Pictures ? (music_ ? 50 : 0)
                                                          : 95;
    const double span = p.stage == MakeStage::Music      ? 50
                        : p.stage == MakeStage::Pictures ? (music_ ? 45 : 95)
                                                         : 5;
    const double part = p.total ? static_cast<double>(p.done) / static_cast<double>(p.total) : 0;
    const int percent = static_cast<int>(start + span * part);
    char label[64];
    if (p.stage == MakeStage::Music)
      std::snprintf(label, sizeof label, "re-encoding the music");
    else if (p.stage == MakeStage::Pictures)
      std::snprintf(label, sizeof label, "picture %llu of %llu",  // the one being rendered
                    static_cast<unsigned long long>(std::min(p.done + 1, p.total)),
                    static_cast<unsigned long long>(p.total));
    else
      std::snprintf(label, sizeof label, "writing the movie");
    std::string line = label;
    if (percent == percent_ && line == label_) return;
    percent_ = percent;
    label_ = line;
    constexpr int kWidth = 30;
    const int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%% %-28s", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(kWidth - filled), ' ').c_str(), percent, label);
    shown_ = true;
  }

  void clear() {
    if (shown_) std::fprintf(stderr, "\r%70s\r", "");
    shown_ = false;
  }

 private:
  bool music_;
  bool shown_ = false;
  int percent_ = -1;
  std::string label_;
};

}  // namespace

}  // namespace slidewright::cli

int runMake(int argc, char** argv) {
  using namespace slidewright::cli;
  AlbumSettings settings;
  settings.width = 640;
  settings.height = 480;
  settings.pauseSeconds = 1;
  bool quiet = false;
  std::optional<std::uint32_t> seed;
  int transition = 0;
  bool transitionPending = false;
  bool pauseGiven = false;
  std::string output;
  std::vector<bool> randomPick;  // per picture: choose its transition at random

  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      settings.pictures.push_back({arg, transition == kRandom ? 0 : transition});
      randomPick.push_back(transition == kRandom);
      transitionPending = false;
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // "--name=value" and "--name value" alike.
    std::string name = arg, inlineValue;
    bool hasInline = false;
    if (arg.rfind("--", 0) == 0) {
      if (auto eq = arg.find('='); eq != std::string::npos) {
        name = arg.substr(0, eq);
        inlineValue = arg.substr(eq + 1);
        hasInline = true;
      }
    }
    auto value = [&](std::string& out) -> bool {
      if (hasInline) {
        out = inlineValue;
        return true;
      }
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    auto number = [&](const char* what, long lo, long hi, int& out) -> int {
      std::string v;
      if (!value(v)) return usage(name + " needs a value");
      auto n = parseInteger(v);
      if (!n || *n < lo || *n > hi)
        return usage(std::string(what) + " must be a whole number from " + std::to_string(lo) + " to " +
                     std::to_string(hi) + ", not '" + v + "'");
      out = static_cast<int>(*n);
      return -1;
    };
    std::string v;
    if (name == "-h" || name == "--help") {
      printMakeHelp();
      return kExitOk;
    } else if (name == "-o" || name == "--output") {
      if (!value(v) || v.empty()) return usage(name + " needs a file name");
      output = v;
    } else if (name == "-t" || name == "--transition") {
      if (!value(v)) return usage(name + " needs a transition name or number");
      auto t = parseTransition(v);
      if (!t) return usage("unknown transition '" + v + "' (run 'slidewright make --help' for the names)");
      transition = *t;
      transitionPending = true;
    } else if (name == "--seed") {
      if (!value(v)) return usage("--seed needs a number");
      auto n = parseInteger(v);
      if (!n) return usage("--seed must be a whole number, not '" + v + "'");
      seed = static_cast<std::uint32_t>(*n);
    } else if (name == "-W" || name == "--width") {
      if (int r = number("the width", slidewright::maker::kMinWidth, slidewright::maker::kMaxWidth,
                         settings.width);
          r >= 0)
        return r;
    } else if (name == "-H" || name == "--height") {
      if (int r = number("the height", slidewright::maker::kMinHeight, slidewright::maker::kMaxHeight,
                         settings.height);
          r >= 0)
        return r;
    } else if (name == "-s" || name == "--seconds") {
      if (int r = number("the seconds per picture", slidewright::maker::kMinPause,
                         slidewright::maker::kMaxPause, settings.pauseSeconds);
          r >= 0)
        return r;
      pauseGiven = true;
    } else if (name == "--fit-to-music") {
      settings.fitToMusic = true;
    } else if (name == "-b" || name == "--background") {
      if (!value(v)) return usage(name + " needs a colour");
      auto c = parseColour(v);
      if (!c) return usage("the background colour must be #rrggbb, not '" + v + "'");
      settings.background = *c;
    } else if (name == "-m" || name == "--music") {
      if (!value(v) || v.empty()) return usage(name + " needs a file name");
      settings.musicPath = v;
    } else if (name == "--loop") {
      settings.loop = true;
    } else if (name == "--no-loop") {
      settings.loop = false;
    } else if (name == "--skip-bad") {
      settings.skipBadPictures = true;
    } else if (name == "-q" || name == "--quiet") {
      quiet = true;
    } else {
      return usage("unknown option '" + arg + "'");
    }
    if (hasInline &&
        !(name == "-o" || name == "--output" || name == "-t" || name == "--transition" || name == "--seed" ||
          name == "-W" || name == "--width" || name == "-H" || name == "--height" || name == "-s" ||
          name == "--seconds" || name == "-b" || name == "--background" || name == "-m" || name == "--music"))
      return usage("option '" + name + "' takes no value");
  }
  if (settings.pictures.empty()) return usage("no pictures given");
  if (output.empty()) return usage("no output file given (use -o MOVIE.swf)");
  {
    // "-o albums/" or "-o ." names a folder: adding ".swf" to it would make
    // a hidden file there.
    const std::string last = output.substr(output.find_last_of("/\\") + 1);
    if (last.empty() || last == "." || last == "..")
      return usage("-o needs a movie file name, not a folder ('" + output + "')");
  }
  if (transitionPending)
    return usage("--transition applies to the pictures after it, and none follow the last one");
  if (settings.fitToMusic && settings.musicPath.empty()) return usage("--fit-to-music needs --music");
  if (settings.fitToMusic && pauseGiven) return usage("--seconds and --fit-to-music cannot be used together");
  settings.outputPath = movieName(output);

  const std::uint32_t seedUsed =
      seed ? *seed
           : static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count() ^
                                        std::random_device{}()) %
                 1000000000u;
  const bool anyRandom = std::find(randomPick.begin(), randomPick.end(), true) != randomPick.end();
  std::mt19937 random(seedUsed);
  for (std::size_t k = 0; k < settings.pictures.size(); ++k)
    if (randomPick[k]) settings.pictures[k].transition = static_cast<int>(random() % kTransitions);

  const bool showBar = !quiet && isatty(fileno(stderr));
  ProgressBar bar(!settings.musicPath.empty());
  interrupted = false;
  // Interrupting (Ctrl-C, or a polite kill) cancels the work at the next
  // step, so the temporary files and the partial movie are still removed.
  auto previous = std::signal(SIGINT, onInterrupt);
  auto previousTerm = std::signal(SIGTERM, onInterrupt);
  auto made = slidewright::maker::makeAlbum(settings, [&](const MakeProgress& p) {
    if (showBar) bar.update(p);
    return !interrupted.load();
  });
  std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
  std::signal(SIGTERM, previousTerm == SIG_ERR ? SIG_DFL : previousTerm);
  bar.clear();

  if (!made) {
    if (interrupted) {
      std::fprintf(stderr, "%s: interrupted; nothing was written\n", kProgramName);
      return 130;
    }
    std::fprintf(stderr, "%s: %s\n", kProgramName, made.message().c_str());
    return kExitFailed;
  }
  for (const auto& s : made.value().skipped)
    std::fprintf(stderr, "%s: warning: %s: left out: %s\n", kProgramName, s.path.c_str(), s.reason.c_str());
  if (!quiet) {
    const auto& o = made.value();
    const double seconds = o.frameCount / 12.0;
    std::printf("Movie written: %s (%d picture%s, %d s each, %d:%02d, %.1f MB)\n",
                settings.outputPath.c_str(), o.pictureCount, o.pictureCount == 1 ? "" : "s", o.pauseSeconds,
                static_cast<int>(seconds) / 60, static_cast<int>(seconds) % 60,
                static_cast<double>(o.movieBytes) / 1e6);
    // So that a pleasing random choice can be made again.
    if (anyRandom && !seed) std::printf("Random transitions chosen with --seed %u\n", seedUsed);
  }
  return kExitOk;
}
