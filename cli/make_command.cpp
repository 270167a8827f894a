// `slidewright make`: pictures and music in, one album movie out.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "album/album.h"
#include "album/transition.h"
#include "album/transition_names.h"
#include "albumfile/album_file.h"
#include "arguments.h"
#include "command.h"
#include "common/utf8_path.h"
#include "interrupt.h"
#include "maker/album_maker.h"
#include "maker/picture_order.h"
#include "progress_bar.h"

namespace slidewright::cli {

namespace {

using maker::AlbumSettings;
using maker::MakeProgress;
using maker::MakeStage;

constexpr int kRandom = -1;

// The options of the command, listed once: the parser and the help read
// this table.
enum class Option {
  Output,
  Transition,
  Caption,
  Motion,
  Seed,
  Width,
  Height,
  Seconds,
  FitToMusic,
  Background,
  Music,
  Loop,
  NoLoop,
  FadeOut,
  SkipBad,
  Sort,
  SaveAlbum,
  VideoSize,
  VideoFps,
  VideoCrf,
  VideoPreset,
  Quiet,
  Help
};

struct OptionSpec {
  Option option;
  const char* shortName;  // "-o", or nullptr
  const char* longName;   // "--output"
  const char* valueName;  // "FILE" for options that take a value, or nullptr
  const char* valueWhat;  // what a missing value should have been ("a file name")
  std::string help;       // one or more lines
};

std::string range(int low, int high) { return std::to_string(low) + "-" + std::to_string(high); }

const std::vector<OptionSpec>& optionTable() {
  static const std::vector<OptionSpec> table = {
      {Option::Output, "-o", "--output", "FILE", "a file name",
       "the movie to write; \".swf\" is added when missing;\nor a video (.mp4, .webm), made from the album "
       "as\n"
       "'slidewright video' makes it"},
      {Option::Transition, "-t", "--transition", "NAME", "a transition name or number",
       "transition of the pictures that follow it: a name\nbelow, its number 0-12, or \"random\" (default: " +
           std::string(transitionKeyword(0)) + ")"},
      {Option::Caption, nullptr, "--caption", "TEXT", "a text",
       "caption of the next picture: a line or two shown at\nthe bottom while it is held"},
      {Option::Motion, nullptr, "--motion", "NAME", "a motion name",
       "zoom or pan of the pictures that follow it: " + slidewright::motionNameList() + "\n(default: none)"},
      {Option::Seed, nullptr, "--seed", "N", "a number",
       "seed for \"random\" and \"auto\", to repeat a choice (default:\nnew each run for \"random\", the "
       "album file's or 0 for \"auto\")"},
      {Option::Width, "-W", "--width", "N", "a value",
       "album width in pixels, " + range(maker::kMinWidth, maker::kMaxWidth) + " (default 640)"},
      {Option::Height, "-H", "--height", "N", "a value",
       "album height in pixels, " + range(maker::kMinHeight, maker::kMaxHeight) + " (default 480)"},
      {Option::Seconds, "-s", "--seconds", "N", "a value",
       "seconds each picture is held, " + range(0, maker::kLongestPause) +
           "; the pictures'\ncount and transitions may allow less (default 1)"},
      {Option::FitToMusic, nullptr, "--fit-to-music", nullptr, nullptr,
       "choose the seconds per picture so that the show lasts\nabout as long as the music"},
      {Option::Background, "-b", "--background", "COLOUR", "a colour",
       "background colour, #rrggbb (default #ffffff)"},
      {Option::Music, "-m", "--music", "FILE", "a file name",
       "MP3 (any MPEG audio) played from the first picture on"},
      {Option::Loop, nullptr, "--loop", nullptr, nullptr,
       "play the movie again from the start at its end (default)"},
      {Option::NoLoop, nullptr, "--no-loop", nullptr, nullptr, "stop at the end"},
      {Option::FadeOut, nullptr, "--fade-out", "N", "a value",
       "fade the music to silence over the show's last N\nseconds, " + range(0, maker::kLongestFadeOut) +
           " (default 0: no fade)"},
      {Option::SkipBad, nullptr, "--skip-bad", nullptr, nullptr,
       "leave out pictures that cannot be read, with a warning,\ninstead of failing"},
      {Option::Sort, nullptr, "--sort", "ORDER", "an order, name or taken",
       "put the pictures in order: name (digits by their\nvalue) or taken (EXIF date, else a date in "
       "the\nfile name, else the file's time); default: as given"},
      {Option::SaveAlbum, nullptr, "--save-album", "FILE", "a file name",
       "write an album file (.swalbum) of what was given, to\nmake it again with 'make FILE'; the movie is "
       "made\nas well when -o is given"},
      {Option::VideoSize, nullptr, "--size", "WxH", "a size such as 1920x1080",
       "video only: its size, up to 3840x2160 (default: the\nalbum's); the album is fitted in with bars of "
       "the\n"
       "background colour"},
      {Option::VideoFps, nullptr, "--fps", "N", "a value", "video only: frames a second, 12-60 (default 30)"},
      {Option::VideoCrf, nullptr, "--crf", "N", "a value",
       "video only: quality, lower is better and larger (as\n'slidewright video')"},
      {Option::VideoPreset, nullptr, "--preset", "NAME", "a preset name",
       "video only: encoding speed against size (default fast)"},
      {Option::Quiet, "-q", "--quiet", nullptr, nullptr, "no progress bar and no summary"},
      {Option::Help, "-h", "--help", nullptr, nullptr, "show this help"},
  };
  return table;
}

const OptionSpec* findOption(const std::string& name) {
  for (const OptionSpec& spec : optionTable())
    if ((spec.shortName && name == spec.shortName) || name == spec.longName) return &spec;
  return nullptr;
}

void printOptions() {
  for (const OptionSpec& spec : optionTable()) {
    std::string names =
        std::string(spec.longName) + (spec.valueName ? std::string(" ") + spec.valueName : "");
    std::printf("  %-4s%-21s", spec.shortName ? (std::string(spec.shortName) + ",").c_str() : "",
                names.c_str());
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = spec.help.find('\n', start);
      std::printf("%s\n", spec.help.substr(start, end - start).c_str());
      if (end == std::string::npos) break;
      std::printf("%27s", "");
      start = end + 1;
    }
  }
}

void printMakeHelp() {
  std::printf(
      "Usage: %s make [OPTIONS] PICTURE... -o MOVIE.swf\n"
      "       %s make [OPTIONS] PICTURE... --save-album ALBUM.swalbum [-o MOVIE.swf]\n"
      "       %s make [OPTIONS] ALBUM.swalbum [-o MOVIE.swf]\n"
      "Makes an SWF slide show of the pictures, in the order given, each revealed by\n"
      "its transition and held for a while, with optional music. An album file's\n"
      "movie goes to -o, else to the file's \"output\", else beside the album file;\n"
      "options given override the album file's settings.\n"
      "\n",
      kProgramName, kProgramName, kProgramName);
  printOptions();
  std::printf(
      "\n"
      "Pictures: JPEG (turned upright by its EXIF orientation), PNG, GIF (first frame)\n"
      "and BMP. Each is shrunk to fit the album if it is larger, never enlarged, and\n"
      "centred on the background colour.\n"
      "\n"
      "Transitions:\n");
  for (int i = 0; i < kTransitionCount; ++i) std::printf("  %2d  %s\n", i, transitionKeyword(i));
  std::printf(
      "\n"
      "Exit status: 0 the movie was made; 1 a picture, the music or the output failed\n"
      "(nothing is written then, and an existing movie is left as it was); 2 the\n"
      "command line is wrong; 128 + the signal's number when stopped (130 Ctrl-C,\n"
      "143 SIGTERM, 129 the terminal closed), leaving nothing behind.\n"
      "\n"
      "Example:\n"
      "  %s make -W 800 -H 600 -m song.mp3 --fit-to-music -t fade *.jpg -o holiday.swf\n",
      kProgramName);
}

// A wrong command line: the message for stderr.
struct UsageError {
  std::string message;
};

int usage(const std::string& message) { return usageError("make", message); }

std::optional<long> parseInteger(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  return std::strtol(text.c_str(), nullptr, 10);
}

std::optional<int> parseTransition(const std::string& text) {
  if (text == "random") return kRandom;
  if (auto n = parseInteger(text); n && *n < kTransitionCount) return static_cast<int>(*n);
  return transitionFromKeyword(text);
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

// Whether a file name ends in ".swalbum", in any case.
bool isAlbumFileName(const std::string& path) {
  const std::string extension = albumfile::kAlbumExtension;
  if (path.size() <= extension.size()) return false;
  std::string tail = path.substr(path.size() - extension.size());
  std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
  return tail == extension;
}

// Seeds run from 0 to this; a chosen seed is printed so that it can be given again.
constexpr long kMaxSeed = 999999999;

// What the command line asks for.
struct MakeRequest {
  AlbumSettings settings;
  std::string albumPath;      // an album file to make, or empty
  std::string saveAlbumPath;  // an album file to write, or empty
  std::string videoPath;      // a video (.mp4, .webm) to make from the album
  AlbumVideoRequest video;    // its size, frame rate and encoding
  bool videoOptionGiven = false;
  bool quiet = false;
  bool help = false;
  std::optional<std::uint32_t> seed;
  std::vector<bool> randomPick;  // per picture: choose its transition at random
  maker::PictureOrder order = maker::PictureOrder::AsGiven;
};

// The state of parsing between arguments.
struct ParseState {
  MakeRequest request;
  int transition = 0;
  bool transitionPending = false;
  std::optional<std::string> caption;  // for the next picture
  slidewright::Motion motion;          // of the pictures that follow
  bool motionGiven = false;
  bool pauseGiven = false;
  // Which settings the command line gave, so that they override an album file's.
  bool transitionGiven = false, widthGiven = false, heightGiven = false, backgroundGiven = false,
       loopGiven = false, fadeOutGiven = false;
  std::string output;
};

std::optional<UsageError> readNumber(const std::string& value, const char* what, long low, long high,
                                     int& out) {
  auto n = parseInteger(value);
  if (!n || *n < low || *n > high)
    return UsageError{std::string(what) + " must be a whole number from " + std::to_string(low) + " to " +
                      std::to_string(high) + ", not '" + value + "'"};
  out = static_cast<int>(*n);
  return std::nullopt;
}

// Applies one option (with its value, when it takes one) to the state.
std::optional<UsageError> applyOption(const OptionSpec& spec, const std::string& name,
                                      const std::string& value, ParseState& state) {
  AlbumSettings& settings = state.request.settings;
  switch (spec.option) {
    case Option::Output:
      if (value.empty()) return UsageError{name + " needs a file name"};
      state.output = value;
      return std::nullopt;
    case Option::Transition: {
      auto t = parseTransition(value);
      if (!t)
        return UsageError{"unknown transition '" + value + "' (run 'slidewright make --help' for the names)"};
      state.transition = *t;
      state.transitionPending = true;
      state.transitionGiven = true;
      return std::nullopt;
    }
    case Option::Caption:
      if (state.caption) return UsageError{"--caption is given twice for one picture"};
      state.caption = value;
      return std::nullopt;
    case Option::Motion: {
      const auto kind = slidewright::motionFromName(value);
      if (!kind)
        return UsageError{"unknown motion '" + value + "' (valid: " + slidewright::motionNameList() + ")"};
      state.motion = slidewright::Motion{};
      state.motion.kind = *kind;
      state.motionGiven = true;
      return std::nullopt;
    }
    case Option::Seed: {
      int seed = 0;
      if (auto bad = readNumber(value, "--seed", 0, kMaxSeed, seed)) return bad;
      state.request.seed = static_cast<std::uint32_t>(seed);
      return std::nullopt;
    }
    case Option::Width:
      state.widthGiven = true;
      return readNumber(value, "the width", maker::kMinWidth, maker::kMaxWidth, settings.width);
    case Option::Height:
      state.heightGiven = true;
      return readNumber(value, "the height", maker::kMinHeight, maker::kMaxHeight, settings.height);
    case Option::Seconds:
      state.pauseGiven = true;
      // The longest hold depends on the pictures: the make checks it.
      return readNumber(value, "the seconds per picture", 0, maker::kLongestPause, settings.pauseSeconds);
    case Option::FitToMusic:
      settings.fitToMusic = true;
      return std::nullopt;
    case Option::Background: {
      auto c = maker::parseColour(value);
      if (!c) return UsageError{"the background colour must be #rrggbb, not '" + value + "'"};
      settings.background = *c;
      state.backgroundGiven = true;
      return std::nullopt;
    }
    case Option::Music:
      if (value.empty()) return UsageError{name + " needs a file name"};
      settings.musicPath = value;
      return std::nullopt;
    case Option::Loop:
      state.loopGiven = true;
      settings.loop = true;
      return std::nullopt;
    case Option::NoLoop:
      state.loopGiven = true;
      settings.loop = false;
      return std::nullopt;
    case Option::FadeOut:
      state.fadeOutGiven = true;
      return readNumber(value, "the fade-out", 0, maker::kLongestFadeOut, settings.fadeOutSeconds);
    case Option::SkipBad:
      settings.skipBadPictures = true;
      return std::nullopt;
    case Option::Sort: {
      const auto order = maker::pictureOrderFromName(value);
      if (!order) return UsageError{"unknown order '" + value + "' (valid: name, taken)"};
      state.request.order = *order;
      return std::nullopt;
    }
    case Option::SaveAlbum:
      if (value.empty()) return UsageError{name + " needs a file name"};
      state.request.saveAlbumPath = value;
      return std::nullopt;
    case Option::VideoSize: {
      state.request.videoOptionGiven = true;
      const std::size_t x = value.find_first_of("xX");
      auto w = parseInteger(value.substr(0, x)),
           h = parseInteger(x == std::string::npos ? "" : value.substr(x + 1));
      if (x == std::string::npos || !w || !h || *w < 16 || *h < 16 || *w > 3840 || *h > 3840)
        return UsageError{"--size needs WIDTHxHEIGHT, each 16 to 3840 pixels, not '" + value + "'"};
      state.request.video.width = static_cast<int>(*w);
      state.request.video.height = static_cast<int>(*h);
      return std::nullopt;
    }
    case Option::VideoFps:
      state.request.videoOptionGiven = true;
      return readNumber(value, "--fps", 12, 60, state.request.video.fps);
    case Option::VideoCrf:
      state.request.videoOptionGiven = true;
      return readNumber(value, "--crf", 0, 63, state.request.video.crf);
    case Option::VideoPreset:
      state.request.videoOptionGiven = true;
      if (value.empty()) return UsageError{name + " needs a preset name"};
      state.request.video.preset = value;
      return std::nullopt;
    case Option::Quiet:
      state.request.quiet = true;
      return std::nullopt;
    case Option::Help:
      state.request.help = true;
      return std::nullopt;
  }
  return std::nullopt;
}

// Checks what the arguments ask for as a whole, once all are read.
std::optional<UsageError> finishRequest(ParseState& state) {
  MakeRequest& r = state.request;
  if (r.settings.pictures.empty()) return UsageError{"no pictures given"};
  if (state.output.empty() && r.saveAlbumPath.empty())
    return UsageError{"no output file given (use -o MOVIE.swf)"};
  if (r.settings.fitToMusic && state.output.empty())
    return UsageError{"--fit-to-music with --save-album needs -o: the seconds come from the made movie"};
  if (state.output.empty()) return std::nullopt;
  // "-o albums/" or "-o ." names a folder: adding ".swf" to it would make a
  // hidden file there.
  const std::string last = state.output.substr(state.output.find_last_of("/\\") + 1);
  if (last.empty() || last == "." || last == "..")
    return UsageError{"-o needs a movie file name, not a folder ('" + state.output + "')"};
  if (state.transitionPending)
    return UsageError{"--transition applies to the pictures after it, and none follow the last one"};
  if (state.caption) return UsageError{"--caption applies to the next picture, and none follows it"};
  if (r.settings.fitToMusic && r.settings.musicPath.empty())
    return UsageError{"--fit-to-music needs --music"};
  if (r.settings.fitToMusic && state.pauseGiven)
    return UsageError{"--seconds and --fit-to-music cannot be used together"};
  if (isVideoName(state.output)) {
    if (!canMakeVideos())
      return UsageError{"this build makes no videos ('" + state.output + "'); make a movie (.swf) instead"};
    r.videoPath = state.output;
  } else {
    if (r.videoOptionGiven)
      return UsageError{"--size, --fps, --crf and --preset are for a video (-o SHOW.mp4)"};
    r.settings.outputPath = movieName(state.output);
  }
  return std::nullopt;
}

// Puts the pictures in the order asked for; each keeps its own settings.
void orderPictures(MakeRequest& r) {
  if (r.order == maker::PictureOrder::AsGiven) return;
  std::vector<std::string> paths;
  for (const maker::AlbumEntry& e : r.settings.pictures) paths.push_back(e.path);
  std::vector<maker::AlbumEntry> pictures;
  std::vector<bool> randomPick;
  for (std::size_t i : maker::orderPictures(paths, r.order)) {
    pictures.push_back(std::move(r.settings.pictures[i]));
    randomPick.push_back(r.randomPick[i]);
  }
  r.settings.pictures = std::move(pictures);
  r.randomPick = std::move(randomPick);
}

// Reads the command line: "--name=value" and "--name value" alike, pictures
// anywhere, "--" before pictures whose names begin with "-".
std::variant<ParseState, UsageError> parseMakeCommand(int argc, char** argv) {
  ParseState state;
  ArgumentScanner scanner(argc, argv);
  while (const auto arg = scanner.next()) {
    if (!arg->isOption) {
      state.request.settings.pictures.push_back({arg->text,
                                                 state.transition == kRandom ? 0 : state.transition,
                                                 std::nullopt, state.motion, state.caption.value_or("")});
      state.caption.reset();
      state.request.randomPick.push_back(state.transition == kRandom);
      state.transitionPending = false;
      continue;
    }
    const OptionSpec* spec = findOption(arg->name);
    if (!spec) return UsageError{"unknown option '" + arg->text + "'"};
    if (!spec->valueName && arg->inlineValue) return UsageError{"option '" + arg->name + "' takes no value"};
    std::string value;
    if (spec->valueName) {
      const auto given = scanner.valueOf(*arg);
      if (!given) return UsageError{arg->name + " needs " + spec->valueWhat};
      value = *given;
    }
    if (auto bad = applyOption(*spec, arg->name, value, state)) return *bad;
    if (state.request.help) return state;
  }
  // A single operand ending in ".swalbum" is an album file to make.
  const auto& pictures = state.request.settings.pictures;
  if (pictures.size() == 1 && isAlbumFileName(pictures[0].path)) {
    state.request.albumPath = pictures[0].path;
    state.request.settings.pictures.clear();
    state.request.randomPick.clear();
  }
  return state;
}

// The settings of the album file, with those the command line gave laid over
// them; the movie goes to -o, else the file's "output", else beside it.
void applyAlbumDocument(const albumfile::AlbumDocument& album, ParseState& state) {
  AlbumSettings& s = state.request.settings;
  if (!state.widthGiven) s.width = album.width;
  if (!state.heightGiven) s.height = album.height;
  if (!state.backgroundGiven) s.background = album.background;
  if (!state.loopGiven) s.loop = album.loop;
  if (!state.fadeOutGiven) s.fadeOutSeconds = album.fadeOutSeconds;
  if (!state.pauseGiven) s.pauseSeconds = album.seconds;
  if (!state.request.seed) s.seed = album.seed;
  if (s.musicPath.empty()) s.musicPath = album.music;
  for (const albumfile::AlbumFilePicture& p : album.pictures) {
    // A transition on the command line is given to every picture.
    const int transition = state.transitionGiven ? state.transition : p.transition;
    // So is a motion.
    s.pictures.push_back({p.file, transition == kRandom ? 0 : transition, p.seconds,
                          state.motionGiven ? state.motion : p.motion, p.caption});
    state.request.randomPick.push_back(transition == kRandom);
  }
  state.transitionPending = false;
  if (state.output.empty()) {
    const std::string& albumPath = state.request.albumPath;
    state.output =
        !album.output.empty()
            ? album.output
            : albumPath.substr(0, albumPath.size() - std::strlen(albumfile::kAlbumExtension)) + ".swf";
  }
}

// The album file of what the command line gave.
albumfile::AlbumDocument albumDocumentFor(const MakeRequest& r, int pauseSeconds) {
  albumfile::AlbumDocument album;
  const AlbumSettings& s = r.settings;
  album.width = s.width;
  album.height = s.height;
  album.background = s.background;
  album.seconds = pauseSeconds;
  album.loop = s.loop;
  album.fadeOutSeconds = s.fadeOutSeconds;
  album.music = s.musicPath;
  album.output = r.videoPath.empty() ? s.outputPath : r.videoPath;
  for (const maker::AlbumEntry& e : s.pictures)
    album.pictures.push_back({e.path, e.transition, e.holdSeconds, e.motion, e.caption});
  album.seed = static_cast<int>(s.seed);
  return album;
}

bool writeAlbum(const MakeRequest& r, int pauseSeconds) {
  auto written = albumfile::writeAlbumFile(r.saveAlbumPath, albumDocumentFor(r, pauseSeconds));
  if (!written) {
    std::fprintf(stderr, "%s: %s\n", kProgramName, written.message().c_str());
    return false;
  }
  if (!r.quiet) std::printf("Album written: %s\n", r.saveAlbumPath.c_str());
  return true;
}

// Names every picture of the album that is not there, with its number, so
// that all can be found at once; false when any is missing.
bool albumPicturesPresent(const MakeRequest& r) {
  std::string missing;
  int count = 0;
  for (std::size_t i = 0; i < r.settings.pictures.size(); ++i) {
    std::error_code ec;
    const std::string& path = r.settings.pictures[i].path;
    if (std::filesystem::exists(pathFromUtf8(path), ec)) continue;
    missing += "\n  picture " + std::to_string(i + 1) + ": " + path;
    ++count;
  }
  if (count == 0) return true;
  std::fprintf(stderr, "%s: %s: %d of its %zu pictures %s missing:%s\n", kProgramName, r.albumPath.c_str(),
               count, r.settings.pictures.size(), count == 1 ? "is" : "are", missing.c_str());
  return false;
}

// Gives the pictures marked "random" their transitions; returns the seed used.
std::uint32_t pickRandomTransitions(MakeRequest& r) {
  const std::uint32_t seed =
      r.seed ? *r.seed
             : static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count() ^
                                          std::random_device{}()) %
                   static_cast<std::uint32_t>(kMaxSeed + 1);
  // An explicit seed also picks the "auto" motions.
  if (r.seed) r.settings.seed = *r.seed;
  std::mt19937 random(seed);
  for (std::size_t k = 0; k < r.settings.pictures.size(); ++k)
    if (r.randomPick[k]) r.settings.pictures[k].transition = static_cast<int>(random() % kTransitionCount);
  return seed;
}

// The making's progress on the terminal's bar: the stage and its step as a
// percentage and a label.
class ProgressBar {
 public:
  ProgressBar(bool music, bool enabled) : music_(music), bar_(enabled) {}

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
    bar_.show(percent, label);
  }

  void clear() { bar_.clear(); }

 private:
  bool music_;
  TerminalProgress bar_;
};

// Makes the album with a progress bar on a terminal; a request to stop
// cancels it at the next step, so the temporary files are still removed.
maker::MakeResult<maker::MakeOutcome> makeWithProgress(const MakeRequest& r,
                                                       const InterruptWatch& interrupt) {
  ProgressBar bar(!r.settings.musicPath.empty(), !r.quiet);
  auto made = maker::makeAlbum(r.settings, [&](const MakeProgress& p) {
    bar.update(p);
    return !interrupt.requested();
  });
  bar.clear();
  return made;
}

std::string minutes(double seconds) {
  const int s = static_cast<int>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d", s / 60, s % 60);
  return text;
}

// When --fit-to-music could not fit the show to the music: how long each
// lasts and what to do about it.
void warnAboutMusicFit(const MakeRequest& r, const maker::MakeOutcome& o) {
  if (o.musicFit == maker::MusicFit::Fitted) return;
  const std::string music = minutes(o.musicSeconds), show = minutes(o.frameCount / double(kAlbumFrameRate));
  if (o.musicFit == maker::MusicFit::MusicOutlastsShow)
    std::fprintf(stderr,
                 "%s: warning: %s: the music lasts %s, longer than the show even at the longest hold "
                 "(%d s a picture, %s in all); the music goes on after the last picture%s; more pictures "
                 "would fill it\n",
                 kProgramName, r.settings.musicPath.c_str(), music.c_str(), o.pauseSeconds, show.c_str(),
                 r.settings.loop ? " while the show repeats" : "");
  else
    std::fprintf(stderr,
                 "%s: warning: %s: the music lasts %s, shorter than the show even at the shortest hold "
                 "(%d s a picture, %s in all); the rest of the show is silent; fewer pictures would fit it\n",
                 kProgramName, r.settings.musicPath.c_str(), music.c_str(), o.pauseSeconds, show.c_str());
}

void printSummary(const MakeRequest& r, const maker::MakeOutcome& o, std::uint32_t seed) {
  const double seconds = o.frameCount / double(kAlbumFrameRate);
  std::printf("Movie written: %s (%d picture%s, %d s each, %d:%02d, %.1f MB)\n",
              r.settings.outputPath.c_str(), o.pictureCount, o.pictureCount == 1 ? "" : "s", o.pauseSeconds,
              static_cast<int>(seconds) / 60, static_cast<int>(seconds) % 60,
              static_cast<double>(o.movieBytes) / 1e6);
  // So that a pleasing random choice can be made again.
  const bool anyRandom = std::find(r.randomPick.begin(), r.randomPick.end(), true) != r.randomPick.end();
  if (anyRandom && !r.seed) std::printf("Random transitions chosen with --seed %u\n", seed);
}

}  // namespace

}  // namespace slidewright::cli

int runMake(int argc, char** argv) {
  using namespace slidewright::cli;
  auto parsed = parseMakeCommand(argc, argv);
  if (auto* bad = std::get_if<UsageError>(&parsed)) return usage(bad->message);
  ParseState& state = std::get<ParseState>(parsed);
  MakeRequest& request = state.request;
  if (request.help) {
    printMakeHelp();
    return kExitOk;
  }
  // Watched from the start: a stop while thousands of pictures are checked
  // ends the command as a stop during the make does, with nothing written.
  InterruptWatch interrupt;
  if (!request.albumPath.empty()) {
    auto album = slidewright::albumfile::readAlbumFile(request.albumPath);
    if (!album) {
      std::fprintf(stderr, "%s: %s\n", kProgramName, album.message().c_str());
      return kExitFailed;
    }
    applyAlbumDocument(album.value(), state);
  }
  if (auto bad = finishRequest(state)) return usage(bad->message);
  orderPictures(request);
  std::vector<std::string> inputs{request.settings.musicPath, request.albumPath};
  for (const auto& picture : request.settings.pictures) inputs.push_back(picture.path);
  if (!request.saveAlbumPath.empty() && outputIsAnInput(request.saveAlbumPath, inputs)) return kExitFailed;
  const bool makeMovie = !state.output.empty();
  if (makeMovie) {
    if (!request.saveAlbumPath.empty()) inputs.push_back(request.saveAlbumPath);
    if (outputIsAnInput(request.videoPath.empty() ? request.settings.outputPath : request.videoPath, inputs))
      return kExitFailed;
  }
  if (interrupt.requested()) {
    std::fprintf(stderr, "%s: interrupted; nothing was written\n", kProgramName);
    return interruptedExitStatus();
  }
  const std::uint32_t seed = pickRandomTransitions(request);
  // The album file is written before the make, so that it is there to mend
  // and make again should the make fail; a hold fitted to the music is
  // known only after it.
  if (!request.saveAlbumPath.empty() && !request.settings.fitToMusic &&
      !writeAlbum(request, request.settings.pauseSeconds))
    return kExitFailed;
  if (!makeMovie) return kExitOk;
  if (!request.albumPath.empty() && !request.settings.skipBadPictures && !albumPicturesPresent(request))
    return kExitFailed;
  // A video is drawn from the pictures themselves; no movie is made.
  if (!request.videoPath.empty()) {
    int pause = request.settings.pauseSeconds;
    const int status =
        makeAlbumVideo(request.settings, request.videoPath, request.video, request.quiet, &pause);
    if (status == kExitOk && !request.saveAlbumPath.empty() && request.settings.fitToMusic &&
        !writeAlbum(request, pause))
      return kExitFailed;
    return status;
  }
  auto made = makeWithProgress(request, interrupt);
  if (!made) {
    if (made.kind() == slidewright::maker::MakeErrorKind::Cancelled) {
      std::fprintf(stderr, "%s: interrupted; nothing was written\n", kProgramName);
      return interruptedExitStatus();
    }
    std::fprintf(stderr, "%s: %s\n", kProgramName, made.message().c_str());
    return kExitFailed;
  }
  for (const auto& s : made.value().skipped)
    std::fprintf(stderr, "%s: warning: %s: left out: %s\n", kProgramName, s.path.c_str(), s.reason.c_str());
  warnAboutMusicFit(request, made.value());
  if (!request.saveAlbumPath.empty() && request.settings.fitToMusic &&
      !writeAlbum(request, made.value().pauseSeconds))
    return kExitFailed;
  if (!request.quiet) printSummary(request, made.value(), seed);
  return kExitOk;
}
