// Fuzz target: a movie file through the parser and, when it parses, a few
// frames of playing and drawing (pictures, sounds, shapes, morphs).
#include <cstddef>
#include <cstdint>

#include "player/movie_player.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  player::ParseLimits limits;
  limits.maxDecompressedSize = size_t(8) << 20;
  player::Parsed<player::Movie> movie = player::parseMovie(data, size, limits);
  if (!movie) return 0;
  player::NullAudioOutput silent;
  player::MoviePlayer p(std::move(movie).value(), &silent);
  player::Image canvas(48, 36);
  for (int i = 0; i < 3; ++i) {
    p.render(canvas);
    p.nextFrame();
  }
  p.gotoFrame(p.frameCount() / 2);
  p.render(canvas, true);
  return 0;
}
