// `slidewright render FILE.swf --frame N -o out.png`: draws one frame, or a
// contact sheet of several frames, with the project's own player.
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "command.h"
#include "common/utf8_path.h"
#include "media/jpeg_writer.h"
#include "player/movie_player.h"
#include "player/png_writer.h"

namespace {

using namespace slidewright::cli;

int usage(std::FILE* out) {
  std::fprintf(out,
               "Usage: %s render FILE.swf [--frame N | --frames LIST] -o OUT.png [options]\n"
               "Draws frame N (1 is the first) of the movie as a PNG or JPEG picture; with a\n"
               "list of frames, draws them side by side as a contact sheet.\n"
               "  --frame N          the frame to draw (default 1)\n"
               "  --frames LIST      frames for a contact sheet: numbers and ranges A-B or\n"
               "                     A-B/STEP, separated by commas (e.g. 1,10-40/10); at\n"
               "                     most 10000 frames\n"
               "  --columns C        pictures per row of the contact sheet\n"
               "  --size WxH         size of each picture (default: the movie's size)\n"
               "  --keep-aspect      keep the movie's proportions inside --size\n"
               "  -o, --output FILE  the picture to write: a PNG, or a JPEG when FILE ends\n"
               "                     in .jpg or .jpeg\n",
               kProgramName);
  return out == stdout ? kExitOk : kExitUsage;
}

// The most frames a contact sheet shows.
constexpr size_t kMaxSheetFrames = 10000;

// Reads a frame list ("1,10-40/10") into `out`; returns what is wrong with
// it, or an empty text.
std::string parseFrames(const char* text, std::vector<long>* out) {
  const std::string cannotRead = std::string("cannot read the frame list '") + text +
                                 "': give frame numbers from 1 on and ranges A-B or A-B/STEP, "
                                 "separated by commas";
  const char* p = text;
  while (*p) {
    char* end;
    long a = std::strtol(p, &end, 10);
    if (end == p) return cannotRead;
    long b = a, step = 1;
    p = end;
    if (*p == '-') {
      b = std::strtol(p + 1, &end, 10);
      if (end == p + 1) return cannotRead;
      p = end;
      if (*p == '/') {
        step = std::strtol(p + 1, &end, 10);
        if (end == p + 1 || step <= 0) return cannotRead;
        p = end;
      }
    }
    if (a < 1 || b < a) return cannotRead;
    for (long f = a; f <= b; f += step) {
      if (out->size() == kMaxSheetFrames)
        return std::string("the frame list '") + text + "' names more than " +
               std::to_string(kMaxSheetFrames) + " frames, the most a contact sheet shows";
      out->push_back(f);
      if (f > LONG_MAX - step) break;
    }
    if (*p == ',')
      ++p;
    else if (*p)
      return cannotRead;
  }
  if (out->empty()) return cannotRead;
  return std::string();
}

enum class PictureFormat { Png, Jpeg };

// The picture format an output name asks for: ".jpg" or ".jpeg" (any case)
// a JPEG, ".png" or no extension a PNG; nothing for any other extension.
std::optional<PictureFormat> pictureFormatOf(const std::string& path) {
  const std::string name = slidewright::utf8FromPath(slidewright::pathFromUtf8(path).filename());
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return PictureFormat::Png;
  std::string ext = name.substr(dot + 1);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "png") return PictureFormat::Png;
  if (ext == "jpg" || ext == "jpeg") return PictureFormat::Jpeg;
  return std::nullopt;
}

// Writes the picture as a JPEG (the alpha channel dropped: frames are opaque).
bool writeJpegPicture(const std::string& path, const player::Image& image, std::string* error) {
  auto rgb = slidewright::media::Image::create(image.width, image.height);
  if (!rgb) {
    *error = path + ": " + rgb.message();
    return false;
  }
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* s = image.row(y);
    uint8_t* d = rgb.value().rgb.data() + size_t(y) * size_t(image.width) * 3;
    for (int x = 0; x < image.width; ++x) {
      d[3 * x] = s[4 * x];
      d[3 * x + 1] = s[4 * x + 1];
      d[3 * x + 2] = s[4 * x + 2];
    }
  }
  if (auto written = slidewright::media::writeJpeg(path, rgb.value(), 90); !written) {
    *error = path + ": " + written.message();
    return false;
  }
  return true;
}

}  // namespace

int runRender(int argc, char** argv) {
  const char* path = nullptr;
  const char* output = nullptr;
  std::vector<long> frames;
  int columns = 0, width = 0, height = 0;
  bool keepAspect = false, sheet = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool hasValue = i + 1 < argc;
    if (a == "--help" || a == "-h") return usage(stdout);
    if (a == "--frame" && hasValue) {
      char* end;
      long n = std::strtol(argv[++i], &end, 10);
      if (*end || n < 1) {
        std::fprintf(stderr, "%s render: --frame needs a frame number from 1 on\n", kProgramName);
        return kExitUsage;
      }
      frames.assign(1, n);
    } else if (a == "--frames" && hasValue) {
      frames.clear();
      const std::string wrong = parseFrames(argv[++i], &frames);
      if (!wrong.empty()) return usageError("render", wrong);
      sheet = true;
    } else if (a == "--columns" && hasValue) {
      char* end;
      const long n = std::strtol(argv[++i], &end, 10);
      if (end == argv[i] || *end || n < 1 || n > long(kMaxSheetFrames))
        return usageError("render",
                          std::string("--columns needs the number of pictures in a row, from 1 to ") +
                              std::to_string(kMaxSheetFrames) + ", not '" + argv[i] + "'");
      columns = int(n);
    } else if (a == "--size" && hasValue) {
      if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2 || width < 1 || height < 1 || width > 16384 ||
          height > 16384) {
        std::fprintf(stderr, "%s render: --size needs WIDTHxHEIGHT in pixels\n", kProgramName);
        return kExitUsage;
      }
    } else if (a == "--keep-aspect") {
      keepAspect = true;
    } else if ((a == "-o" || a == "--output") && hasValue) {
      output = argv[++i];
    } else if (a[0] == '-') {
      std::fprintf(stderr, "%s render: unknown option or missing value '%s'\n", kProgramName, a.c_str());
      return kExitUsage;
    } else if (!path) {
      path = argv[i];
    } else {
      std::fprintf(stderr, "%s render: more than one movie given\n", kProgramName);
      return kExitUsage;
    }
  }
  if (!path || !output) {
    std::fprintf(stderr, "%s render: a movie and -o OUT.png are needed\n", kProgramName);
    return usage(stderr);
  }
  if (frames.empty()) frames.push_back(1);
  if (outputIsAnInput(output, {path})) return kExitFailed;
  const std::optional<PictureFormat> format = pictureFormatOf(output);
  if (!format)
    return usageError("render", std::string("cannot tell the picture format of '") + output +
                                    "': name a .png or a .jpg file");

  player::NullAudioOutput silent;
  auto opened = player::MoviePlayer::open(path, &silent);
  if (!opened) {
    std::fprintf(stderr, "%s render: %s\n", kProgramName, opened.error().message.c_str());
    return kExitFailed;
  }
  player::MoviePlayer& movie = *opened.value();
  for (long f : frames) {
    if (size_t(f) > movie.frameCount()) {
      std::fprintf(stderr, "%s render: the movie has %zu frames; there is no frame %ld\n", kProgramName,
                   movie.frameCount(), f);
      return kExitFailed;
    }
  }
  if (width == 0) {
    width = movie.stageWidth();
    height = movie.stageHeight();
    if (width > 16384 || height > 16384) {
      std::fprintf(stderr, "%s render: the movie's frame is %d x %d pixels; choose a smaller --size\n",
                   kProgramName, width, height);
      return kExitFailed;
    }
  }
  int n = int(frames.size());
  if (!sheet) columns = 1;
  if (columns == 0) columns = int(std::ceil(std::sqrt(double(n))));
  int rows = (n + columns - 1) / columns;
  const int gap = sheet ? 4 : 0;
  int sheetW = columns * width + (columns - 1) * gap, sheetH = rows * height + (rows - 1) * gap;
  if (double(sheetW) * sheetH > 64.0 * 1024 * 1024) {
    std::fprintf(stderr, "%s render: the contact sheet would be too large (%d x %d)\n", kProgramName, sheetW,
                 sheetH);
    return kExitUsage;
  }
  player::Image out(sheetW, sheetH);
  out.fill({128, 128, 128, 255});
  player::Image frame(width, height);
  for (int k = 0; k < n; ++k) {
    movie.gotoFrame(size_t(frames[k] - 1));
    movie.render(frame, keepAspect);
    int ox = (k % columns) * (width + gap), oy = (k / columns) * (height + gap);
    for (int y = 0; y < height; ++y) std::memcpy(out.row(oy + y) + 4 * ox, frame.row(y), size_t(width) * 4);
  }
  for (const std::string& w : movie.warnings())
    std::fprintf(stderr, "%s render: warning: %s\n", kProgramName, w.c_str());
  std::string error;
  const bool written = *format == PictureFormat::Jpeg ? writeJpegPicture(output, out, &error)
                                                      : player::writePng(output, out, &error);
  if (!written) {
    std::fprintf(stderr, "%s render: %s\n", kProgramName, error.c_str());
    return kExitFailed;
  }
  return kExitOk;
}
