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

#include "export/video_export.h"
#include "interrupt.h"
#include "progress_bar.h"

namespace slidewright::cli {

namespace {

namespace ex = slidewright::exports;

void printVideoHelp() {
  const ex::CrfRange h264 = ex::crfRange(ex::VideoFormat::Mp4), vp9 = ex::crfRange(ex::VideoFormat::WebM);
  std::printf(
      "Usage: %s video [OPTIONS] MOVIE.swf -o VIDEO.mp4|VIDEO.webm\n"
      "Turns a movie into a video to send or share: every frame drawn by this\n"
      "program's player at the movie's frame rate, with its music. The extension\n"
      "chooses the format: .mp4 is H.264 with AAC sound (plays almost everywhere),\n"
      ".webm is VP9 with Opus sound. A looping movie is exported once through; a\n"
      "movie that stops ends where it stops.\n"
      "\n"
      "  -o, --output FILE        the video to write (.mp4 or .webm)\n"
      "      --size WxH           video size in pixels (default: the movie's size); the\n"
      "                           movie is scaled to fit, keeping its proportions, with\n"
      "                           bars of its background colour\n"
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

std::string duration(double seconds) {
  const int s = int(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d", s / 60, s % 60);
  return text;
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

  if (!made) {
    if (made.kind() == ex::ErrorKind::Cancelled) {
      std::fprintf(stderr, "%s: interrupted; nothing was written\n", kProgramName);
      return interruptedExitStatus();
    }
    std::fprintf(stderr, "%s: %s\n", kProgramName, made.message().c_str());
    return made.kind() == ex::ErrorKind::Settings ? kExitUsage : kExitFailed;
  }
  const ex::VideoOutcome& o = made.value();
  for (const std::string& w : o.warnings)
    std::fprintf(stderr, "%s: warning: %s: %s\n", kProgramName, options.moviePath.c_str(), w.c_str());
  if (!quiet) {
    std::printf("Video written: %s (%d x %d, %g fps, %llu frames, %s, %s, %.1f MB)\n",
                options.outputPath.c_str(), o.width, o.height, o.framesPerSecond,
                static_cast<unsigned long long>(o.frames), duration(o.seconds).c_str(),
                options.format == ex::VideoFormat::Mp4 ? "H.264 and AAC" : "VP9 and Opus",
                double(o.bytes) / 1e6);
    if (!o.movieHasSound) std::printf("The movie has no sound: the audio track is silent.\n");
  }
  return kExitOk;
}

}  // namespace

bool isVideoName(const std::string& path) { return ex::videoFormatForName(path).has_value(); }

bool canMakeVideos() { return true; }

int exportVideoFile(const std::string& movie, const std::string& video, bool quiet) {
  ex::VideoOptions options;
  options.moviePath = movie;
  options.outputPath = video;
  options.format = *ex::videoFormatForName(video);
  return runExport(options, quiet);
}

}  // namespace slidewright::cli

int runVideo(int argc, char** argv) {
  using namespace slidewright::cli;
  ex::VideoOptions options;
  bool quiet = false;
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

int exportVideoFile(const std::string&, const std::string&, bool) { return notInThisBuild(); }

}  // namespace slidewright::cli

int runVideo(int, char**) { return slidewright::cli::notInThisBuild(); }

#endif
