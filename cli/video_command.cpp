// `slidewright video MOVIE.swf -o SHOW.mp4`: the movie as a video file, every
// frame drawn by the project's player, with its music.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include "arguments.h"
#include "command.h"

#if defined(SLIDEWRIGHT_VIDEO_EXPORT)

#include <cstdlib>

#include "export/album_video.h"
#include "export/video_export.h"
#include "interrupt.h"
#include "progress_bar.h"

int runMake(int argc, char** argv);

namespace slidewright::cli {

namespace {

namespace ex = slidewright::exports;

void printVideoHelp() {
  const ex::CrfRange h264 = ex::crfRange(ex::VideoFormat::Mp4), vp9 = ex::crfRange(ex::VideoFormat::WebM);
  std::printf(
      "Usage: %s video [OPTIONS] MOVIE.swf -o VIDEO.mp4|VIDEO.webm\n"
      "Turns a movie into a video to send or share: every frame drawn by this\n"
      "program's player, at the movie's frame rate or another, with its music.\n"
      "The extension chooses the format: .mp4 is H.264 with AAC sound (plays almost\n"
      "everywhere), .webm is VP9 with Opus sound. A looping movie is exported once\n"
      "through; a movie that stops ends where it stops.\n"
      "\n"
      "  -o, --output FILE        the video to write (.mp4 or .webm)\n"
      "      --size WxH           video size in pixels (default: the movie's size); the\n"
      "                           movie is scaled to fit, keeping its proportions, with\n"
      "                           bars of its background colour\n"
      "      --fps N              frames a second, 1 to 120 (default: the movie's); frames\n"
      "                           between the movie's own show what moves, fades or\n"
      "                           changes shape part of the way to the next frame\n"
      "      --crf N              quality, lower is better and larger: H.264 %d-%d\n"
      "                           (default %d), VP9 %d-%d (default %d)\n"
      "      --preset NAME        encoding speed against size: ultrafast, superfast,\n"
      "                           veryfast, faster, fast (default), medium, slow, slower,\n"
      "                           veryslow (for VP9, the four fastest encode in real-time\n"
      "                           mode: several times faster, files about a third larger)\n"
      "      --audio-bitrate K    sound bit rate in kbit/s (default 128 stereo, 96 mono)\n"
      "  -q, --quiet              no progress bar and no summary\n"
      "  -h, --help               show this help\n"
      "\n"
      "A side of odd length gets one more row or column of the background colour\n"
      "(the video needs even sides). The sound track starts with the movie; it ends\n"
      "where the last sound ends or where the video ends, whichever is first, and a\n"
      "movie without sound gets a silent track.\n"
      "\n"
      "Exit status: 0 the video was made; 1 the movie or the output failed (no\n"
      "partial video is left, an existing one is kept); 2 the command line is\n"
      "wrong; 128 + the signal's number when stopped (130 Ctrl-C, 143 SIGTERM,\n"
      "129 the terminal closed).\n"
      "\n"
      "Example:\n"
      "  %s video holiday.swf -o holiday.mp4\n",
      kProgramName, h264.lowest, h264.highest, h264.standard, vp9.lowest, vp9.highest, vp9.standard,
      kProgramName);
}

int usage(const std::string& message) { return usageError("video", message); }

bool parseNumber(const std::string& text, int* out) {
  if (text.empty() || text.size() > 6) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  *out = std::atoi(text.c_str());
  return true;
}

bool parseSize(const std::string& text, int* w, int* h) {
  const size_t x = text.find_first_of("xX");
  return x != std::string::npos && parseNumber(text.substr(0, x), w) && parseNumber(text.substr(x + 1), h);
}

bool isAlbumFile(const std::string& path) {
  std::string tail = path.size() >= 8 ? path.substr(path.size() - 8) : "";
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return tail == ".swalbum";
}

std::string duration(double seconds) {
  const int s = int(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d", s / 60, s % 60);
  return text;
}

int failureStatus(const ex::Error& error) {
  if (error.kind == ex::ErrorKind::Cancelled) {
    std::fprintf(stderr, "%s: interrupted; nothing was written\n", kProgramName);
    return interruptedExitStatus();
  }
  std::fprintf(stderr, "%s: %s\n", kProgramName, error.message.c_str());
  return error.kind == ex::ErrorKind::Settings ? kExitUsage : kExitFailed;
}

void printSummary(const std::string& path, ex::VideoFormat format, const ex::VideoOutcome& o) {
  std::printf("Video written: %s (%d x %d, %g fps, %llu frames, %s, %s, %.1f MB)\n", path.c_str(), o.width,
              o.height, o.framesPerSecond, static_cast<unsigned long long>(o.frames),
              duration(o.seconds).c_str(), format == ex::VideoFormat::Mp4 ? "H.264 and AAC" : "VP9 and Opus",
              double(o.bytes) / 1e6);
  if (!o.movieHasSound) std::printf("The movie has no sound: the audio track is silent.\n");
}

// Exports with a progress bar on a terminal; a request to stop ends it at
// the next frame, so the partial video is still removed.
int runExport(const ex::VideoOptions& options, bool quiet) {
  TerminalProgress bar(!quiet);
  auto made = [&] {
    InterruptWatch interrupt;
    return ex::exportVideo(options, [&](const ex::VideoProgress& p) {
      bar.update(p.framesDone, p.frameCount,
                 "frame " + std::to_string(p.framesDone) + " of " + std::to_string(p.frameCount));
      return !interrupt.requested();
    });
  }();
  bar.clear();
  if (!made) return failureStatus(made.error());
  const ex::VideoOutcome& o = made.value();
  for (const std::string& w : o.warnings)
    std::fprintf(stderr, "%s: warning: %s: %s\n", kProgramName, options.moviePath.c_str(), w.c_str());
  if (!quiet) printSummary(options.outputPath, options.format, o);
  return kExitOk;
}

}  // namespace

bool isVideoName(const std::string& path) { return ex::videoFormatForName(path).has_value(); }

bool canMakeVideos() { return true; }

int makeAlbumVideo(const maker::AlbumSettings& settings, const std::string& video,
                   const AlbumVideoRequest& request, bool quiet, int* pauseSeconds) {
  ex::AlbumVideoOptions options;
  options.outputPath = video;
  options.format = *ex::videoFormatForName(video);
  options.width = request.width;
  options.height = request.height;
  if (request.fps) options.framesPerSecond = request.fps;
  options.crf = request.crf;
  if (!request.preset.empty()) options.preset = request.preset;
  TerminalProgress bar(!quiet);
  auto made = [&] {
    InterruptWatch interrupt;
    return ex::exportAlbumVideo(settings, options, [&](const ex::VideoProgress& p) {
      bar.update(p.framesDone, p.frameCount,
                 "frame " + std::to_string(p.framesDone) + " of " + std::to_string(p.frameCount));
      return !interrupt.requested();
    });
  }();
  bar.clear();
  if (!made) return failureStatus(made.error());
  for (const auto& s : made.value().skipped)
    std::fprintf(stderr, "%s: warning: %s: left out: %s\n", kProgramName, s.path.c_str(), s.reason.c_str());
  *pauseSeconds = made.value().pauseSeconds;
  if (made.value().musicFit != maker::MusicFit::Fitted)
    std::fprintf(stderr, "%s: warning: %s: the show could not be fitted to the music (%d s a picture)\n",
                 kProgramName, settings.musicPath.c_str(), made.value().pauseSeconds);
  if (!quiet) printSummary(video, options.format, made.value().video);
  return kExitOk;
}

}  // namespace slidewright::cli

int runVideo(int argc, char** argv) {
  using namespace slidewright::cli;
  ex::VideoOptions options;
  bool quiet = false;
  std::string size, fps;
  ArgumentScanner scanner(argc, argv);
  while (const auto arg = scanner.next()) {
    if (!arg->isOption) {
      if (!options.moviePath.empty()) return usage("more than one movie given ('" + arg->text + "')");
      options.moviePath = arg->text;
      continue;
    }
    const std::string& name = arg->name;
    std::string v;
    if (name == "-h" || name == "--help") {
      printVideoHelp();
      return kExitOk;
    } else if (name == "-o" || name == "--output") {
      if (!scanner.valueInto(*arg, &v) || v.empty()) return usage(name + " needs a file name");
      options.outputPath = v;
    } else if (name == "--size") {
      if (!scanner.valueInto(*arg, &v) || !parseSize(v, &options.width, &options.height) ||
          options.width < ex::VideoLimits::kMinSide || options.height < ex::VideoLimits::kMinSide ||
          options.width > ex::VideoLimits::kMaxSide || options.height > ex::VideoLimits::kMaxSide)
        return usage("--size needs WIDTHxHEIGHT, each " + std::to_string(ex::VideoLimits::kMinSide) + " to " +
                     std::to_string(ex::VideoLimits::kMaxSide) + " pixels" +
                     (v.empty() ? "" : ", not '" + v + "'"));
      size = v;
    } else if (name == "--fps") {
      int n = 0;
      if (!scanner.valueInto(*arg, &v) || !parseNumber(v, &n) || n < 1 || n > 120)
        return usage("--fps needs frames a second, 1 to 120 (12 to 60 for an album)");
      fps = v;
      options.framesPerSecond = n;
    } else if (name == "--crf") {
      if (!scanner.valueInto(*arg, &v) || !parseNumber(v, &options.crf))
        return usage("--crf needs a whole number");
    } else if (name == "--preset") {
      if (!scanner.valueInto(*arg, &v)) return usage("--preset needs a name");
      if (ex::videoPresetIndex(v) < 0)
        return usage("unknown preset '" + v + "' (ultrafast ... fast ... veryslow)");
      options.preset = v;
    } else if (name == "--audio-bitrate") {
      if (!scanner.valueInto(*arg, &v) || !parseNumber(v, &options.audioKbps) || options.audioKbps < 8 ||
          options.audioKbps > 512)
        return usage("--audio-bitrate needs kbit/s from 8 to 512");
    } else if (name == "-q" || name == "--quiet") {
      if (arg->inlineValue) return usage("option '" + name + "' takes no value");
      quiet = true;
    } else {
      return usage("unknown option '" + arg->text + "'");
    }
  }
  if (options.moviePath.empty()) return usage("no movie given");
  if (isAlbumFile(options.moviePath)) {
    // An album file is made into the video from its pictures, as `make` does.
    if (options.audioKbps) return usage("--audio-bitrate is for a movie, not an album file");
    std::vector<std::string> words{"make", options.moviePath};
    if (!options.outputPath.empty()) words.insert(words.end(), {"-o", options.outputPath});
    if (!size.empty()) words.insert(words.end(), {"--size", size});
    if (!fps.empty()) words.insert(words.end(), {"--fps", fps});
    if (options.crf >= 0) words.insert(words.end(), {"--crf", std::to_string(options.crf)});
    if (options.preset != ex::VideoOptions().preset) words.insert(words.end(), {"--preset", options.preset});
    if (quiet) words.push_back("-q");
    std::vector<char*> args;
    for (std::string& w : words) args.push_back(w.data());
    args.push_back(nullptr);
    return runMake(int(words.size()), args.data());
  }
  if (options.outputPath.empty()) return usage("no output file given (use -o VIDEO.mp4 or -o VIDEO.webm)");
  const auto format = ex::videoFormatForName(options.outputPath);
  if (!format) return usage("the video's name must end in .mp4 or .webm ('" + options.outputPath + "')");
  options.format = *format;
  if (outputIsAnInput(options.outputPath, {options.moviePath})) return kExitFailed;
  if (options.crf >= 0) {
    const ex::CrfRange range = ex::crfRange(options.format);
    if (options.crf > range.highest)
      return usage("--crf must be " + std::to_string(range.lowest) + " to " + std::to_string(range.highest) +
                   " for " + (options.format == ex::VideoFormat::Mp4 ? "MP4 (H.264)" : "WebM (VP9)"));
  }

  return runExport(options, quiet);
}

#else  // built without the video export

namespace slidewright::cli {

namespace {

int notInThisBuild() {
#ifdef _WIN32
  std::fprintf(stderr,
               "%s video: this %s was built without FFmpeg's libraries, so it cannot make videos; "
               "build them (bash scripts/build-windows-deps.sh) and build it again\n",
               kProgramName, kProgramName);
#else
  std::fprintf(stderr,
               "%s video: this %s was built without FFmpeg's libraries, so it cannot make videos; "
               "install them (bash scripts/install-deps.sh native) and build it again\n",
               kProgramName, kProgramName);
#endif
  return kExitUsage;
}

}  // namespace

bool isVideoName(const std::string& path) {
  std::string tail =
      path.substr(path.find_last_of('.') == std::string::npos ? path.size() : path.find_last_of('.'));
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return tail == ".mp4" || tail == ".webm";
}

bool canMakeVideos() { return false; }

int makeAlbumVideo(const maker::AlbumSettings&, const std::string&, const AlbumVideoRequest&, bool, int*) {
  return notInThisBuild();
}

}  // namespace slidewright::cli

int runVideo(int, char**) { return slidewright::cli::notInThisBuild(); }

#endif
