// Builds and writes an album of 200 pictures (80 kB JPEG files at 640 x 480,
// transitions 0 to 12 in turn, 3 seconds each) with a 3-minute MP3, beside a
// plain sequential copy of the same input bytes into one file of the same size.
//
// The MP3 is taken from the environment variable ALBUM_BENCH_MP3 (the script
// run-album-bench.sh makes one with sox and lame, re-encoded as the maker
// does); without it, 3 minutes of silent MPEG-2 Layer III frames are written.
#include <album/album_job.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#if defined(__unix__)
#include <sys/resource.h>
#endif

namespace {

namespace fs = std::filesystem;
using namespace slidewright;

constexpr int kPictures = 200;
constexpr std::size_t kJpegBytes = 80 * 1024;

// Peak resident memory of the process so far, in bytes (0 where unknown).
double peakResidentBytes() {
#if defined(__unix__)
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) * 1024.0;
#else
  return 0;
#endif
}

struct Inputs {
  fs::path dir;
  std::vector<std::unique_ptr<AlbumPicture>> entries;
  std::vector<AlbumPicture*> pointers;
  std::vector<std::string> files;  // every input file, pictures and music
  std::string music;
  std::string output;
  std::uintmax_t inputBytes = 0;
  double residentAfterSetup = 0;  // peak resident bytes before any build

  Inputs() {
    dir = fs::temp_directory_path() / ("album-bench-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    std::mt19937 random(12345);
    std::vector<char> jpeg(kJpegBytes);
    for (int i = 0; i < kPictures; ++i) {
      // Start and end of image around a comment-like payload: the builder
      // carries the file unparsed, so only its size matters here.
      for (auto& byte : jpeg) byte = char(random());
      jpeg[0] = char(0xFF);
      jpeg[1] = char(0xD8);
      jpeg[kJpegBytes - 2] = char(0xFF);
      jpeg[kJpegBytes - 1] = char(0xD9);
      const fs::path path = dir / ("picture" + std::to_string(i) + ".jpg");
      std::ofstream(path, std::ios::binary).write(jpeg.data(), std::streamsize(jpeg.size()));
      auto entry = std::make_unique<AlbumPicture>();
      std::memset(entry.get(), 0, sizeof(AlbumPicture));
      std::strncpy(entry->path, path.string().c_str(), sizeof(entry->path) - 1);
      entry->transition = i % kTransitionCount;
      pointers.push_back(entry.get());
      entries.push_back(std::move(entry));
      files.push_back(path.string());
    }

    if (const char* given = std::getenv("ALBUM_BENCH_MP3")) {
      music = given;
    } else {
      // 22050 Hz single-channel 32 kbit/s frames: 576 samples in 104 bytes.
      music = (dir / "music.mp3").string();
      std::ofstream out(music, std::ios::binary);
      const int frames = 180 * 22050 / 576;
      std::vector<char> frame(104, 0);
      frame[0] = char(0xFF);
      frame[1] = char(0xF3);
      frame[2] = char(0x40);
      frame[3] = char(0xC0);
      for (int f = 0; f < frames; ++f) out.write(frame.data(), std::streamsize(frame.size()));
    }
    files.push_back(music);
    for (const auto& file : files) inputBytes += fs::file_size(file);
    output = (dir / "album.swf").string();
    residentAfterSetup = peakResidentBytes();
  }

  ~Inputs() {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }

  AlbumJob job() const {
    AlbumJob job{};
    job.size = kAlbumJobSize;
    job.outputPath = output.c_str();
    job.musicPath = music.c_str();
    job.backgroundColor = 0x202020;
    job.width = 640;
    job.height = 480;
    job.pauseSeconds = 3;
    job.loop = 1;
    job.pictures = const_cast<AlbumPicture**>(pointers.data());
    job.pictureCount = std::uint32_t(pointers.size());
    return job;
  }
};

Inputs& inputs() {
  static Inputs shared;
  return shared;
}

void BM_BuildAlbum(benchmark::State& state) {
  Inputs& in = inputs();
  const AlbumJob job = in.job();
  AlbumReport report;
  for (auto _ : state) {
    if (buildAlbum(&job, &report) != 1) {
      state.SkipWithError(report.message.c_str());
      return;
    }
  }
  if (report.music != MusicStatus::Used)
    state.SkipWithError(("music not used: " + report.musicError).c_str());
  const auto movieBytes = fs::file_size(in.output);
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(movieBytes));
  state.counters["movie_MB"] = double(movieBytes) / 1e6;
  state.counters["frames"] = report.frameCount;
  state.counters["peak_RSS_MB"] = peakResidentBytes() / 1e6;
  state.counters["RSS_before_MB"] = in.residentAfterSetup / 1e6;
}

// Reads every input file and writes the bytes to one file, in 1 MB blocks:
// the least any album writer has to do with the same data.
void BM_PlainCopy(benchmark::State& state) {
  Inputs& in = inputs();
  const std::string target = (in.dir / "copy.bin").string();
  std::vector<char> buffer(1 << 20);
  for (auto _ : state) {
    std::FILE* out = std::fopen(target.c_str(), "wb");
    for (const auto& file : in.files) {
      std::FILE* source = std::fopen(file.c_str(), "rb");
      std::size_t n;
      while ((n = std::fread(buffer.data(), 1, buffer.size(), source)) > 0)
        std::fwrite(buffer.data(), 1, n, out);
      std::fclose(source);
    }
    std::fclose(out);
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(in.inputBytes));
  state.counters["copy_MB"] = double(in.inputBytes) / 1e6;
}

}  // namespace

// The album first, so that its peak memory is measured before anything else.
BENCHMARK(BM_BuildAlbum)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
