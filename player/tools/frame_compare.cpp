// Compares this player's frames with an independent player's.
//
//   player-frame-compare probe MOVIE.swf DIR
//     picks, for every transition of an album movie, its first, middle and
//     last frame and a hold frame; for each frame N writes DIR/fN.swf, a copy
//     of the movie whose display list reaches frame N's state in its single
//     frame (every ShowFrame before the N-th dropped, a stop action added),
//     and DIR/fN.mine.png, this player's picture of frame N of the original.
//     DIR/frames.txt lists "N label" lines.
//   player-frame-compare check DIR [--moving]
//     compares every DIR/fN.mine.png with DIR/fN.other.png, writes
//     DIR/fN.diff.png, prints the measures and fails if any frame is outside
//     the tolerance. --moving is for pictures drawn through scaled matrices
//     from their nearest pixels: where a pixel's centre falls within a
//     rounding error of the edge between two pixels of the picture, players
//     may take either, so a pixel showing what its neighbour shows in the
//     other picture is counted apart, as a tie, up to a share of its own.
//   player-frame-compare match REFERENCE.png SHOT.png...
//     finds the first of a series of screenshots (a browser's, of a web
//     album) that shows the reference picture within the same tolerance;
//     shots of another size do not match. Prints each shot's measures and,
//     last, "first match: SHOT"; exits 0 when one matches, 1 when none does.
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "player/movie_player.h"
#include "player/png_writer.h"

using namespace player;

namespace {

// A pixel differs when a channel is off by more than this: JPEG decoders
// (inverse DCT and chroma upsampling) and bitmap smoothing differ by less.
constexpr int kPixelThreshold = 40;
// A frame passes when at most this share of its pixels differ. One column or
// row of anti-aliased edge along each transition front stays well below it;
// a front one frame early or late, or two pixels out of place, does not.
constexpr double kMaxDifferingShare = 0.005;
// ...and its mean absolute channel difference stays below this: one step of
// the cross-fade (an alpha change of 10/256) already moves the mean by more.
constexpr double kMaxMeanDifference = 2.0;
// Ties of a moving picture: a few rows or columns along its sharp edges; a
// picture a frame ahead or a pixel out of place shows its every edge off.
constexpr double kMaxTieShare = 0.02;

bool readFile(const std::string& path, std::vector<uint8_t>* out) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  out->assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return true;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(f);
}

bool readPng(const std::string& path, Image* out) {
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, path.c_str())) return false;
  img.format = PNG_FORMAT_RGBA;
  *out = Image(int(img.width), int(img.height));
  if (!png_image_finish_read(&img, nullptr, out->pixels.data(), 0, nullptr)) return false;
  return true;
}

// How far apart two pictures of the same size are.
struct Difference {
  double share = 0;  // of the pixels that differ (0 to 1)
  double mean = 0;   // absolute channel difference over all pixels
  double ties = 0;   // of the pixels that show a neighbour's colour (with ties counted apart)

  bool withinTolerance() const {
    return share <= kMaxDifferingShare && mean <= kMaxMeanDifference && ties <= kMaxTieShare;
  }
};

// Whether b's pixel i is within the threshold of a's pixel j.
bool alike(const Image& a, size_t j, const Image& b, size_t i) {
  for (int c = 0; c < 3; ++c)
    if (std::abs(int(a.pixels[j + c]) - int(b.pixels[i + c])) > kPixelThreshold) return false;
  return true;
}

// Compares `a` with `b`, of the same size; `diff`, when given, is drawn with
// the differing pixels in red, ties (when counted apart) in yellow and the
// others in grey by how far they are off.
Difference compare(const Image& a, const Image& b, Image* diff, bool countTies = false) {
  size_t differing = 0, ties = 0;
  double total = 0;
  const size_t stride = size_t(a.width) * 4;
  for (size_t i = 0; i < a.pixels.size(); i += 4) {
    int worst = 0;
    for (int c = 0; c < 3; ++c) {
      int d = std::abs(int(a.pixels[i + c]) - int(b.pixels[i + c]));
      total += d;
      worst = std::max(worst, d);
    }
    bool off = worst > kPixelThreshold, tie = false;
    if (off && countTies) {
      const size_t x = (i % stride) / 4;
      tie = (x > 0 && alike(a, i - 4, b, i)) || (x + 1 < size_t(a.width) && alike(a, i + 4, b, i)) ||
            (i >= stride && alike(a, i - stride, b, i)) ||
            (i + stride < a.pixels.size() && alike(a, i + stride, b, i));
      off = !tie;
    }
    differing += off;
    ties += tie;
    if (diff) {
      diff->pixels[i] = off || tie ? 255 : uint8_t(worst * 4 > 255 ? 255 : worst * 4);
      diff->pixels[i + 1] = off ? 0 : tie ? 255 : uint8_t(worst * 4 > 255 ? 255 : worst * 4);
      diff->pixels[i + 2] = off || tie ? 0 : uint8_t(worst * 4 > 255 ? 255 : worst * 4);
      diff->pixels[i + 3] = 255;
    }
  }
  double pixels = double(a.width) * a.height;
  return {differing / pixels, total / (pixels * 3), ties / pixels};
}

struct Probe {
  size_t frame;  // 1-based
  std::string label;
};

// Frames of each transition: a frame that places a character on a depth,
// followed by frames that each change what is on that depth.
std::vector<Probe> pickFrames(const Movie& movie) {
  std::vector<std::vector<const PlaceObject2Tag*>> places(1);
  std::vector<bool> placesNew(1, false);
  for (const Tag& t : movie.tags) {
    if (t.code == swfTagShowFrame) {
      places.emplace_back();
      placesNew.push_back(false);
    } else if (const auto* p = tagAs<PlaceObject2Tag>(t)) {
      places.back().push_back(p);
      if (p->hasCharacter) placesNew.back() = true;
    }
  }
  size_t frames = places.size() - 1;  // the last entry holds tags after the last ShowFrame
  auto modifies = [&](size_t f, uint16_t depth) {
    for (const PlaceObject2Tag* p : places[f])
      if (p->move && !p->hasCharacter && p->depth == depth) return true;
    return false;
  };
  std::vector<Probe> out;
  int slide = 0;
  for (size_t f = 0; f + 1 < frames; ++f) {
    for (const PlaceObject2Tag* p : places[f]) {
      if (!p->hasCharacter || p->move || !modifies(f + 1, p->depth)) continue;
      size_t last = f + 1;
      while (last + 1 < frames && modifies(last + 1, p->depth)) ++last;
      ++slide;
      std::string s = "transition " + std::to_string(slide);
      out.push_back({f + 1, s + " first"});
      out.push_back({(f + last) / 2 + 1, s + " middle"});
      out.push_back({last + 1, s + " last"});
      // The hold: frames that place nothing new, up to the hand-over.
      size_t holdEnd = last + 1;
      while (holdEnd < frames && !placesNew[holdEnd]) ++holdEnd;
      if (holdEnd > last + 1) out.push_back({(last + holdEnd) / 2 + 1, s + " hold"});
      f = last;
      break;
    }
  }
  return out;
}

// The movie cut so that its one frame shows frame n (1-based) of the original.
std::vector<uint8_t> frameCopy(const std::vector<uint8_t>& file, const Movie& movie, size_t n) {
  size_t headerEnd = movie.tags.empty() ? file.size() : movie.tags.front().offset;
  std::vector<uint8_t> out(file.begin(), file.begin() + long(headerEnd));
  size_t shown = 0;
  for (const Tag& t : movie.tags) {
    size_t size = (t.longHeader ? 6 : 2) + t.length;
    if (t.code == swfTagEnd) break;
    if (t.code == swfTagShowFrame) {
      if (++shown < n) continue;
      const uint8_t stop[] = {0x02, 0x03, 0x07, 0x00};  // DoAction: ActionStop
      out.insert(out.end(), stop, stop + 4);
      out.push_back(0x40);  // ShowFrame
      out.push_back(0x00);
      break;
    }
    out.insert(out.end(), file.begin() + long(t.offset), file.begin() + long(t.offset + size));
  }
  out.push_back(0);
  out.push_back(0);
  uint32_t len = uint32_t(out.size());
  for (int i = 0; i < 4; ++i) out[4 + i] = uint8_t(len >> (8 * i));
  out[headerEnd - 2] = 1;  // frame count
  out[headerEnd - 1] = 0;
  return out;
}

int probe(const std::string& moviePath, const std::string& dir) {
  std::vector<uint8_t> file;
  if (!readFile(moviePath, &file)) {
    std::fprintf(stderr, "cannot read %s\n", moviePath.c_str());
    return 1;
  }
  Parsed<Movie> parsed = parseMovie(file);
  if (!parsed) {
    std::fprintf(stderr, "%s\n", parsed.error().message.c_str());
    return 1;
  }
  if (parsed.value().header.compressed) {
    std::fprintf(stderr, "%s: compressed movies are not probed\n", moviePath.c_str());
    return 1;
  }
  std::vector<Probe> probes = pickFrames(parsed.value());
  if (probes.empty()) {
    std::fprintf(stderr, "%s: no transitions found\n", moviePath.c_str());
    return 1;
  }
  MoviePlayer original(parsed.value());
  Image mine(original.stageWidth(), original.stageHeight());
  Image check(mine.width, mine.height);
  std::ofstream list(dir + "/frames.txt");
  for (const Probe& p : probes) {
    std::string base = dir + "/f" + std::to_string(p.frame);
    std::vector<uint8_t> copy = frameCopy(file, parsed.value(), p.frame);
    if (!writeFile(base + ".swf", copy)) return 1;
    original.gotoFrame(p.frame - 1);
    original.render(mine);
    std::string error;
    if (!writePng(base + ".mine.png", mine, &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    // The cut copy must show exactly what the original shows at that frame.
    Parsed<Movie> cut = parseMovie(copy);
    if (!cut) {
      std::fprintf(stderr, "frame copy %zu does not parse: %s\n", p.frame, cut.error().message.c_str());
      return 1;
    }
    MoviePlayer single(std::move(cut).value());
    single.render(check);
    if (check.pixels != mine.pixels) {
      std::fprintf(stderr, "frame copy %zu does not show frame %zu\n", p.frame, p.frame);
      return 1;
    }
    list << p.frame << ' ' << p.label << '\n';
  }
  std::printf("%zu frames probed\n", probes.size());
  return 0;
}

int check(const std::string& dir, bool moving) {
  std::ifstream list(dir + "/frames.txt");
  std::string line;
  int failures = 0, count = 0;
  double worstShare = 0, worstMean = 0, worstTies = 0;
  while (std::getline(list, line)) {
    std::istringstream in(line);
    size_t frame;
    in >> frame;
    std::string label;
    std::getline(in, label);
    std::string base = dir + "/f" + std::to_string(frame);
    Image a, b;
    if (!readPng(base + ".mine.png", &a) || !readPng(base + ".other.png", &b)) {
      std::printf("frame %5zu%-24s  missing picture\n", frame, label.c_str());
      ++failures;
      continue;
    }
    if (a.width != b.width || a.height != b.height) {
      std::printf("frame %5zu%-24s  size %dx%d against %dx%d\n", frame, label.c_str(), a.width, a.height,
                  b.width, b.height);
      ++failures;
      continue;
    }
    Image diff(a.width, a.height);
    const Difference d = compare(a, b, &diff, moving);
    const double share = d.share, mean = d.mean;
    const bool pass = d.withinTolerance();
    std::string error;
    writePng(base + ".diff.png", diff, &error);
    char ties[32] = "";
    if (moving) std::snprintf(ties, sizeof ties, "  ties %6.3f%%", d.ties * 100);
    std::printf("frame %5zu%-24s  differing %6.3f%%  mean %5.2f%s  %s\n", frame, label.c_str(), share * 100,
                mean, ties, pass ? "ok" : "FAIL");
    worstShare = std::max(worstShare, share);
    worstMean = std::max(worstMean, mean);
    worstTies = std::max(worstTies, d.ties);
    failures += !pass;
    ++count;
  }
  std::printf(
      "%d frames compared, %d outside the tolerance; worst: %.3f%% differing pixels, mean %.2f\n"
      "(tolerance: a pixel differs when a channel is off by more than %d; a frame passes with\n"
      "at most %.2f%% differing pixels and a mean channel difference of at most %.1f)\n",
      count, failures, worstShare * 100, worstMean, kPixelThreshold, kMaxDifferingShare * 100,
      kMaxMeanDifference);
  if (moving)
    std::printf("ties (a neighbour's colour): worst %.3f%%, at most %.2f%% pass\n", worstTies * 100,
                kMaxTieShare * 100);
  return failures == 0 && count > 0 ? 0 : 1;
}

int match(const char* referencePath, char** shots, int shotCount) {
  Image reference;
  if (!readPng(referencePath, &reference)) {
    std::fprintf(stderr, "%s: cannot read the picture\n", referencePath);
    return 2;
  }
  const char* first = nullptr;
  for (int i = 0; i < shotCount; ++i) {
    Image shot;
    if (!readPng(shots[i], &shot)) {
      std::fprintf(stderr, "%s: cannot read the picture\n", shots[i]);
      return 2;
    }
    if (shot.width != reference.width || shot.height != reference.height) {
      std::printf("%s: %d x %d, not the reference's %d x %d\n", shots[i], shot.width, shot.height,
                  reference.width, reference.height);
      continue;
    }
    const Difference d = compare(shot, reference, nullptr);
    const bool matches = d.withinTolerance();
    std::printf("%s: differing %.3f%%, mean %.2f%s\n", shots[i], d.share * 100, d.mean,
                matches ? "  match" : "");
    if (matches && !first) first = shots[i];
  }
  if (!first) {
    std::printf("no screenshot shows the reference picture\n");
    return 1;
  }
  std::printf("first match: %s\n", first);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "probe") == 0) return probe(argv[2], argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "check") == 0) return check(argv[2], false);
  if (argc == 4 && std::strcmp(argv[1], "check") == 0 && std::strcmp(argv[3], "--moving") == 0)
    return check(argv[2], true);
  if (argc >= 4 && std::strcmp(argv[1], "match") == 0) return match(argv[2], argv + 3, argc - 3);
  std::fprintf(stderr,
               "usage: player-frame-compare probe MOVIE.swf DIR | check DIR [--moving] | match REFERENCE.png "
               "SHOT.png...\n");
  return 2;
}
