// Makes album movies for the player's tests, the comparison with an
// independent player and the benchmark: synthetic pictures with distinct,
// detailed content (so that a shifted, scaled or wrong picture shows), one
// per requested transition, built into a movie by the album builder.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "album/album_job.h"

namespace {

bool writeJpeg(const std::string& path, int w, int h, const std::vector<uint8_t>& rgb) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = JDIMENSION(w);
  c.image_height = JDIMENSION(h);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 90, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(&rgb[size_t(c.next_scanline) * w * 3]);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0;
}

// Picture k: a hue of its own, a grid of 40-pixel cells with a diagonal
// gradient, and a dark frame one cell wide along the left and top edges, so
// that orientation, offset and scale all show.
std::vector<uint8_t> makePicture(int k, int w, int h) {
  std::vector<uint8_t> rgb(size_t(w) * h * 3);
  double hue = k * 2.39996;  // golden angle: neighbouring pictures differ clearly
  int br = int(127 + 100 * std::cos(hue)), bg = int(127 + 100 * std::cos(hue + 2.094)),
      bb = int(127 + 100 * std::cos(hue + 4.189));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
      bool cell = ((x / 40) + (y / 40)) % 2 == 0;
      double g = double(x + y) / (w + h);
      int r = int(br * (0.6 + 0.4 * g)), gg = int(bg * (1.0 - 0.4 * g)), b = bb;
      if (cell) {
        r = 255 - r;
        gg = 255 - gg;
      }
      if (x < 40 || y < 40) r = gg = b = 30 + 20 * k % 60;
      p[0] = uint8_t(std::max(0, std::min(255, r)));
      p[1] = uint8_t(std::max(0, std::min(255, gg)));
      p[2] = uint8_t(std::max(0, std::min(255, b)));
    }
  return rgb;
}

int usage() {
  std::fprintf(stderr,
               "usage: player-album-fixture OUT.swf WORKDIR [--size WxH] [--pause S] [--loop 0|1]\n"
               "         [--transitions i,j,...] [--music FILE.mp3] [--background RRGGBB]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  std::string out = argv[1], work = argv[2];
  int w = 320, h = 240, pause = 1, loop = 1;
  unsigned bgRgb = 0x336699;
  std::vector<int> transitions;
  for (int i = 0; i < 13; ++i) transitions.push_back(i);
  const char* music = nullptr;
  for (int i = 3; i + 1 < argc; i += 2) {
    std::string opt = argv[i];
    if (opt == "--size") {
      if (std::sscanf(argv[i + 1], "%dx%d", &w, &h) != 2) return usage();
    } else if (opt == "--pause") {
      pause = std::atoi(argv[i + 1]);
    } else if (opt == "--loop") {
      loop = std::atoi(argv[i + 1]);
    } else if (opt == "--music") {
      music = argv[i + 1];
    } else if (opt == "--background") {
      bgRgb = unsigned(std::strtoul(argv[i + 1], nullptr, 16));
    } else if (opt == "--transitions") {
      transitions.clear();
      for (const char* p = argv[i + 1]; *p;) {
        transitions.push_back(std::atoi(p));
        while (*p && *p != ',') ++p;
        if (*p == ',') ++p;
      }
    } else {
      return usage();
    }
  }
  std::vector<slidewright::AlbumPicture> pictures(transitions.size());
  std::vector<slidewright::AlbumPicture*> pointers;
  for (size_t k = 0; k < transitions.size(); ++k) {
    std::string path = work + "/picture" + std::to_string(k) + ".jpg";
    if (!writeJpeg(path, w, h, makePicture(int(k), w, h))) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    std::memset(&pictures[k], 0, sizeof pictures[k]);
    std::snprintf(pictures[k].path, sizeof pictures[k].path, "%s", path.c_str());
    pictures[k].transition = transitions[k];
    pointers.push_back(&pictures[k]);
  }
  slidewright::AlbumJob job{};
  job.size = slidewright::kAlbumJobSize;
  job.outputPath = out.c_str();
  job.musicPath = music;
  // COLORREF: red in the low byte.
  job.backgroundColor = ((bgRgb >> 16) & 0xFF) | (bgRgb & 0xFF00) | ((bgRgb & 0xFF) << 16);
  job.width = w;
  job.height = h;
  job.pauseSeconds = pause;
  job.loop = loop;
  job.pictures = pointers.data();
  job.pictureCount = uint32_t(pointers.size());
  job.notifyMessage = 1124;
  slidewright::AlbumReport report;
  if (!slidewright::buildAlbum(&job, &report)) {
    std::fprintf(stderr, "album not built: %s\n", report.message.c_str());
    return 1;
  }
  std::printf("%s: %u frames\n", out.c_str(), report.frameCount);
  return 0;
}
