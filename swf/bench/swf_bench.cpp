// Writing speed of a 300-slide movie (300 JPEG pictures of 80 kB each and the
// tags of their transitions and frames) beside a plain sequential write of the
// same number of bytes to the same folder.
//
//   swf-bench [benchmark options]
//
// Files are written in the folder named by SWF_BENCH_DIR, or in the current
// folder, and removed at the end. Each benchmark runs twice: /0 writes a new
// file every time, /1 replaces the file written before.
#include <swf/swf.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int slideCount = 300;
constexpr std::size_t jpegBytes = 80 * 1024;
constexpr int width = 640, height = 480;
constexpr int transitionFrames = 12;
constexpr int holdFrames = 36;

std::string benchPath(const char* name) {
  const char* dir = std::getenv("SWF_BENCH_DIR");
  std::string path = dir && *dir ? std::string(dir) + "/" : std::string();
  return path + name;
}

SwfMatrix pictureMatrix() { return SwfMatrix(true, 20 << 16, 20 << 16, false, 0, 0, Twips(0), Twips(0)); }

// A movie shaped like an album: per slide a bitmap, a wipe, its ratio steps,
// the settled picture and the frames it is held for.
std::unique_ptr<SwfMovie> buildAlbumLikeMovie() {
  std::mt19937 random(300);
  auto movie = std::make_unique<SwfMovie>();
  movie->addTag(std::make_unique<SwfBackground>(SwfColor(0, 0, 0)));
  const SwfRect frame = SwfRect::fromPixels(0, 0, width, height);
  for (int slide = 0; slide < slideCount; ++slide) {
    std::vector<std::uint8_t> jpeg(jpegBytes);
    for (auto& b : jpeg) b = static_cast<std::uint8_t>(random());
    auto bitmap = SwfBitmap::fromBytes(movie->characterIds(), std::move(jpeg));
    const std::uint16_t bitmapId = bitmap->characterId();
    movie->addTag(std::move(bitmap));

    auto wipe = std::make_unique<SwfMorphShape>(movie->characterIds(), frame, frame);
    const unsigned fill = wipe->addFill(SwfMorphFillStyle(false, bitmapId, pictureMatrix(), pictureMatrix()));
    wipe->finish();
    SwfShapeBuilder draw(*wipe);
    draw.rectangle(SwfOutline::Start, 0, fill, SwfPixelRect{0, 0, 1, height});
    draw.end(SwfOutline::Start);
    draw.rectangle(SwfOutline::End, 0, fill, SwfPixelRect{0, 0, width, height});
    draw.end(SwfOutline::End);
    const std::uint16_t wipeId = wipe->characterId();
    movie->addTag(std::move(wipe));

    const std::uint16_t depth = static_cast<std::uint16_t>(2 + slide % 2);
    movie->addTag(SwfPlaceObject::place(depth, wipeId));
    for (int i = 1; i <= transitionFrames; ++i) {
      movie->addTag(SwfPlaceObject::setRatio(depth, 65535 * i / transitionFrames));
      movie->addTag(std::make_unique<SwfShowFrame>());
    }
    movie->addTag(std::make_unique<SwfRemoveObject>(static_cast<std::uint16_t>(5 - depth)));
    for (int i = 0; i < holdFrames; ++i) movie->addTag(std::make_unique<SwfShowFrame>());
  }
  return movie;
}

const SwfMovie& albumMovie() {
  static const std::unique_ptr<SwfMovie> movie = buildAlbumLikeMovie();
  return *movie;
}

std::uint64_t albumMovieBytes() {
  SwfStream stream;
  albumMovie().writeTo(stream, Twips::fromPixels(width), Twips::fromPixels(height), 12);
  return stream.totalSize();
}

// Argument 0: the file does not exist before each write (it is removed with
// the clock stopped); 1: each write replaces the file of the previous one.
void removeUntimed(benchmark::State& state, const std::string& path) {
  if (state.range(0) == 0) {
    state.PauseTiming();
    std::remove(path.c_str());
    state.ResumeTiming();
  }
}

void writeMovie(benchmark::State& state) {
  const SwfMovie& movie = albumMovie();
  const std::string path = benchPath("swf-bench-movie.swf");
  for (auto _ : state) {
    removeUntimed(state, path);
    const SwfWriteResult result =
        movie.writeFile(path, Twips::fromPixels(width), Twips::fromPixels(height), 12);
    if (!result) {
      state.SkipWithError(result.message().c_str());
      break;
    }
  }
  std::remove(path.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * albumMovieBytes()));
}

void plainWrite(benchmark::State& state) {
  const std::uint64_t total = albumMovieBytes();
  // Bytes like the pictures' (incompressible): on some storage a block of
  // one repeated byte is written much faster than real data.
  std::vector<std::uint8_t> block(1 << 20);
  std::mt19937 random(1);
  for (auto& b : block) b = static_cast<std::uint8_t>(random());
  const std::string path = benchPath("swf-bench-plain.bin");
  for (auto _ : state) {
    removeUntimed(state, path);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
      state.SkipWithError("cannot create the file");
      break;
    }
    for (std::uint64_t left = total; left > 0;) {
      const std::size_t n = left < block.size() ? static_cast<std::size_t>(left) : block.size();
      std::fwrite(block.data(), 1, n, file);
      left -= n;
    }
    std::fclose(file);
  }
  std::remove(path.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * total));
}

void serialiseOnly(benchmark::State& state) {
  const SwfMovie& movie = albumMovie();
  for (auto _ : state) {
    SwfStream stream;
    movie.writeTo(stream, Twips::fromPixels(width), Twips::fromPixels(height), 12);
    benchmark::DoNotOptimize(stream.totalSize());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * albumMovieBytes()));
}

}  // namespace

BENCHMARK(plainWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(writeMovie)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(serialiseOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
