// Small SWF movies written byte by byte for the movie-view and screensaver
// tests: each frame sets the stage to one solid colour, so a pixel tells
// which frame is shown; optionally a short silent MP3 sound starts in the
// first frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testmovies {

struct MovieSpec {
  int width = 200, height = 200;  // pixels
  double framesPerSecond = 12;
  std::vector<uint32_t> frameColours = {0xFF0000};  // 0xRRGGBB, one per frame
  bool withSound = false;                           // sound 1, started in the first frame
};

std::vector<uint8_t> colourMovie(const MovieSpec& spec);
// Writes the movie to `path`; false if the file cannot be written.
bool writeColourMovie(const std::string& path, const MovieSpec& spec);
// Silent MPEG-1 layer III frames at 44.1 kHz stereo (1152 samples each).
std::vector<uint8_t> silentMp3(int frames);
bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace testmovies
