// Finds the first of a series of screenshots that shows a reference picture,
// within the tolerance the comparison with the independent player uses: a
// pixel differs when a channel is off by more than 40, and a picture matches
// when at most 0.5 % of its pixels differ and the mean channel difference is
// at most 2.0. Screenshots of another size do not match.
//
//   export-shot-match REFERENCE.png SHOT.png...
// Prints each shot's measures and, last, the first match; exits 0 when one
// matches, 1 when none does.
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Rgba {
  int width = 0, height = 0;
  std::vector<unsigned char> pixels;
};

bool readPng(const char* path, Rgba* out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path)) return false;
  image.format = PNG_FORMAT_RGBA;
  out->width = int(image.width);
  out->height = int(image.height);
  out->pixels.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out->pixels.data(), 0, nullptr)) return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: export-shot-match REFERENCE.png SHOT.png...\n");
    return 2;
  }
  Rgba reference;
  if (!readPng(argv[1], &reference)) {
    std::fprintf(stderr, "%s: cannot read the picture\n", argv[1]);
    return 2;
  }
  const char* first = nullptr;
  for (int i = 2; i < argc; ++i) {
    Rgba shot;
    if (!readPng(argv[i], &shot)) {
      std::fprintf(stderr, "%s: cannot read the picture\n", argv[i]);
      return 2;
    }
    if (shot.width != reference.width || shot.height != reference.height) {
      std::printf("%s: %d x %d, not the reference's %d x %d\n", argv[i], shot.width, shot.height,
                  reference.width, reference.height);
      continue;
    }
    long differing = 0;
    double sum = 0;
    const size_t count = size_t(shot.width) * size_t(shot.height);
    for (size_t p = 0; p < count; ++p) {
      int worst = 0;
      for (int c = 0; c < 3; ++c) {
        const int d =
            std::abs(int(shot.pixels[4 * p + size_t(c)]) - int(reference.pixels[4 * p + size_t(c)]));
        worst = std::max(worst, d);
        sum += d;
      }
      if (worst > 40) ++differing;
    }
    const double share = 100.0 * double(differing) / double(count), mean = sum / (3.0 * double(count));
    const bool match = share <= 0.5 && mean <= 2.0;
    std::printf("%s: differing %.3f%%, mean %.2f%s\n", argv[i], share, mean, match ? "  match" : "");
    if (match && !first) first = argv[i];
  }
  if (!first) {
    std::printf("no screenshot shows the reference picture\n");
    return 1;
  }
  std::printf("first match: %s\n", first);
  return 0;
}
