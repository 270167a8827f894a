// Inputs found by fuzzing (and seeds) kept as regression cases: each must
// parse or be refused with a message, and play a few frames without harm.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "player/jpeg.h"
#include "player/movie_player.h"
#include "player/sound.h"

using namespace player;

TEST(FuzzRegressions, EveryCaseIsParsedOrRefusedAndPlays) {
  int cases = 0;
  for (const auto& entry : std::filesystem::directory_iterator(PLAYER_FUZZ_CASES)) {
    std::string name = entry.path().filename().string();
    std::ifstream f(entry.path(), std::ios::binary);
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    ++cases;
    Mp3Summary summary;
    walkMp3Frames(data.data(), data.size(), &summary);
    normalizeJpegStream(data.data(), data.size());
    ParseLimits limits;
    limits.maxDecompressedSize = size_t(8) << 20;
    Parsed<Movie> movie = parseMovie(data.data(), data.size(), limits);
    if (!movie) {
      EXPECT_FALSE(movie.error().message.empty()) << name;
      continue;
    }
    NullAudioOutput silent;
    MoviePlayer p(std::move(movie).value(), &silent);
    Image canvas(48, 36);
    for (int i = 0; i < 3; ++i) {
      p.render(canvas);
      p.nextFrame();
    }
  }
  EXPECT_GT(cases, 0);
}
