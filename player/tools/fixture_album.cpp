#include "fixture_album.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "album/album_job.h"
#include "media/jpeg_writer.h"
#include "media/picture.h"

namespace player_fixture {

namespace {

bool writeJpeg(const std::string& path, int w, int h, const std::vector<uint8_t>& rgb) {
  slidewright::media::JpegEncodeSettings settings;
  settings.quality = 90;
  auto bytes = slidewright::media::encodeJpeg({w, h, 3, rgb.data()}, settings);
  return bytes && slidewright::media::writeFile(path, bytes.value());
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

}  // namespace

bool makeFixtureAlbum(const FixtureOptions& o, std::string* error, uint32_t* frames) {
  std::vector<slidewright::AlbumPicture> pictures(o.transitions.size());
  std::vector<slidewright::AlbumPicture*> pointers;
  for (size_t k = 0; k < o.transitions.size(); ++k) {
    std::string path = o.workDir + "/picture" + std::to_string(k) + ".jpg";
    if (!writeJpeg(path, o.width, o.height, makePicture(int(k), o.width, o.height))) {
      *error = "cannot write " + path;
      return false;
    }
    std::memset(&pictures[k], 0, sizeof pictures[k]);
    std::snprintf(pictures[k].path, sizeof pictures[k].path, "%s", path.c_str());
    pictures[k].transition = o.transitions[k];
    pointers.push_back(&pictures[k]);
  }
  slidewright::AlbumJob job{};
  job.size = slidewright::kAlbumJobSize;
  job.outputPath = o.output.c_str();
  job.musicPath = o.music.empty() ? nullptr : o.music.c_str();
  // COLORREF: red in the low byte.
  job.backgroundColor =
      ((o.background >> 16) & 0xFF) | (o.background & 0xFF00) | ((o.background & 0xFF) << 16);
  job.width = o.width;
  job.height = o.height;
  job.overBackground = o.overBackground;
  job.pauseSeconds = o.pauseSeconds;
  job.loop = o.loop;
  job.pictures = pointers.data();
  job.pictureCount = uint32_t(pointers.size());
  slidewright::AlbumReport report;
  if (!slidewright::buildAlbum(&job, &report)) {
    *error = "album not built: " + report.message;
    return false;
  }
  if (frames) *frames = report.frameCount;
  return true;
}

}  // namespace player_fixture
