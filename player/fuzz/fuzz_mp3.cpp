// Fuzz target: the player's MPEG audio frame walker, the writer's MP3 loader
// (which reads the music files users choose) and the picture stream cleaner
// on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "player/jpeg.h"
#include "player/sound.h"
#include "swf/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  player::Mp3Summary summary;
  if (player::walkMp3Frames(data, size, &summary)) {
    if (summary.endOffset > size || summary.firstFrameOffset >= summary.endOffset) __builtin_trap();
  }
  SwfCharacterIds ids;
  auto sound = SwfSound::fromBytes(ids, data, size);
  if (sound->isLoaded() && sound->dataSize() != size + 2) __builtin_trap();
  std::vector<uint8_t> jpeg = player::normalizeJpegStream(data, size);
  (void)jpeg;
  return 0;
}
