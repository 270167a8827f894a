// Frames per second drawing 800 x 600 album frames on one core.
//
//   cmake -S . -B build-bench -DSLIDEWRIGHT_BENCHMARKS=ON -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-bench --target player-bench -j2
//   build-bench/player/player-bench
//
// items_per_second is frames per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <filesystem>
#include <random>
#include <string>

#include "fixture_album.h"
#include "player/jpeg.h"
#include "player/movie_player.h"

using namespace player;

namespace {

constexpr int kWidth = 800, kHeight = 600;

// One 800 x 600 album with every transition, made once per run.
const std::string& albumPath() {
  static std::string path = [] {
    auto dir =
        std::filesystem::temp_directory_path() / ("player-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    player_fixture::FixtureOptions o;
    o.output = (dir / "album.swf").string();
    o.workDir = dir.string();
    o.width = kWidth;
    o.height = kHeight;
    o.pauseSeconds = 1;
    std::string error;
    if (!player_fixture::makeFixtureAlbum(o, &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::abort();
    }
    return o.output;
  }();
  return path;
}

// Frames whose display list changes a placed object from one frame to the
// next: the transitions (wipes through 1:1 bitmap fills, and the cross-fade).
bool inTransition(const MoviePlayer& p, const std::map<uint16_t, DisplayObject>& before) {
  const auto& now = p.displayList();
  if (now.size() != before.size()) return false;
  for (const auto& kv : now) {
    auto it = before.find(kv.first);
    if (it == before.end() || it->second.characterId != kv.second.characterId) return false;
    if (it->second.ratio != kv.second.ratio || it->second.color.mult[3] != kv.second.color.mult[3])
      return true;
  }
  return false;
}

// Plays the album in order and draws the frames `select` accepts.
template <typename Select>
void drawAlbumFrames(benchmark::State& state, Select select) {
  auto opened = MoviePlayer::open(albumPath());
  if (!opened) {
    state.SkipWithError(opened.error().message.c_str());
    return;
  }
  MoviePlayer& p = *opened.value();
  Image canvas(kWidth, kHeight);
  // Pictures are decoded when first drawn; decode them all outside the timing.
  for (size_t i = 0; i < p.frameCount(); ++i) {
    p.render(canvas);
    p.nextFrame();
  }
  int64_t frames = 0;
  auto before = p.displayList();
  for (auto _ : state) {
    p.nextFrame();
    if (select(p, before)) {
      p.render(canvas);
      benchmark::DoNotOptimize(canvas.pixels.data());
      ++frames;
    }
    before = p.displayList();
  }
  state.SetItemsProcessed(frames);
}

void BM_AlbumTransitionFrames(benchmark::State& state) {
  drawAlbumFrames(state, [](const MoviePlayer& p, const auto& before) { return inTransition(p, before); });
}
BENCHMARK(BM_AlbumTransitionFrames)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

void BM_AlbumAllFrames(benchmark::State& state) {
  drawAlbumFrames(state, [](const MoviePlayer&, const auto&) { return true; });
}
BENCHMARK(BM_AlbumAllFrames)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

// A picture filling the frame through a scaled and rotated fill matrix: the
// general sampling path.
void BM_ScaledRotatedFill(benchmark::State& state) {
  auto img = std::make_shared<Image>(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* px = img->row(y) + 4 * x;
      px[0] = uint8_t(x);
      px[1] = uint8_t(y);
      px[2] = uint8_t(x ^ y);
      px[3] = 255;
    }
  const double angle = 0.2, scale = 1.3 * 20;
  Paint paint;
  paint.kind = Paint::Kind::Bitmap;
  paint.bitmap = img;
  paint.repeat = state.range(0) == 1;
  paint.smooth = state.range(1) == 1;
  paint.matrix = {scale * std::cos(angle),
                  scale * std::sin(angle),
                  -scale * std::sin(angle),
                  scale * std::cos(angle),
                  -2000,
                  -1000};
  FilledPath path;
  path.paint = paint;
  const double W = kWidth * 20.0, H = kHeight * 20.0;
  path.edges = {{0, 0, 0, 0, W, 0, false},
                {W, 0, 0, 0, W, H, false},
                {W, H, 0, 0, 0, H, false},
                {0, H, 0, 0, 0, 0, false}};
  std::vector<FilledPath> paths{path};
  Image canvas(kWidth, kHeight);
  canvas.fill({0, 0, 0, 255});
  const Transform toDevice = Transform::scale(1 / 20.0, 1 / 20.0);
  for (auto _ : state) {
    drawPaths(canvas, paths, toDevice, ColorMatrix{});
    benchmark::DoNotOptimize(canvas.pixels.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ScaledRotatedFill)
    ->ArgNames({"repeat", "smooth"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMicrosecond);

// Decoding one 800 x 600 album picture (done once per slide while playing).
void BM_DecodePicture(benchmark::State& state) {
  auto opened = MoviePlayer::open(albumPath());
  const DefineBitsJpeg2Tag* jpeg = nullptr;
  for (const Tag& t : opened.value()->movie().tags)
    if ((jpeg = tagAs<DefineBitsJpeg2Tag>(t))) break;
  Image img;
  std::string error;
  for (auto _ : state) {
    if (!decodeJpeg(jpeg->data.data(), jpeg->data.size(), &img, &error)) state.SkipWithError(error.c_str());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodePicture)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
