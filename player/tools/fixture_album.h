// Album movies for the player's tests, the comparison with an independent
// player and the benchmark: synthetic pictures with distinct, detailed content
// (so that a shifted, scaled or wrong picture shows), one per requested
// transition, built into a movie by the album builder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace player_fixture {

struct FixtureOptions {
  std::string output;   // the movie
  std::string workDir;  // where the pictures are written
  int width = 320, height = 240;
  int pauseSeconds = 1;
  int loop = 1;
  int overBackground = 0;
  uint32_t background = 0x336699;  // RRGGBB
  std::vector<int> transitions = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  std::string music;  // MP3 file or empty
};

bool makeFixtureAlbum(const FixtureOptions& options, std::string* error, uint32_t* frames = nullptr);

}  // namespace player_fixture
