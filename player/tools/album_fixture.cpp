// Makes an album movie of synthetic pictures for the player's comparison
// stage and for trying the player by hand.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fixture_album.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: player-album-fixture OUT.swf WORKDIR [--size WxH] [--pause S] [--loop 0|1]\n"
               "         [--transitions i,j,...] [--music FILE.mp3] [--background RRGGBB]\n"
               "         [--over-background 0|1]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  std::string out = argv[1], work = argv[2];
  int w = 320, h = 240, pause = 1, loop = 1, overBackground = 0;
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
    } else if (opt == "--over-background") {
      overBackground = std::atoi(argv[i + 1]);
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
  player_fixture::FixtureOptions o;
  o.output = out;
  o.workDir = work;
  o.width = w;
  o.height = h;
  o.pauseSeconds = pause;
  o.loop = loop;
  o.overBackground = overBackground;
  o.background = bgRgb;
  o.transitions = transitions;
  if (music) o.music = music;
  std::string error;
  uint32_t frames = 0;
  if (!player_fixture::makeFixtureAlbum(o, &error, &frames)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::printf("%s: %u frames\n", out.c_str(), frames);
  return 0;
}
