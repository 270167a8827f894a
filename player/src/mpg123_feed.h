// The mpg123 decoder as the player's sound code uses it: an owning handle and
// the one set-up both the whole-file decoder and the streaming decoder share.
#pragma once

#include <mpg123.h>

namespace player {

// Closes and frees the decoder it holds.
struct Mpg123Handle {
  mpg123_handle* h = nullptr;
  Mpg123Handle() = default;
  Mpg123Handle(const Mpg123Handle&) = delete;
  Mpg123Handle& operator=(const Mpg123Handle&) = delete;
  ~Mpg123Handle() {
    if (h) {
      mpg123_close(h);
      mpg123_delete(h);
    }
  }
};

// Starts a quiet decoder in `m` that is fed its input piece by piece and puts
// out signed 16-bit mono or stereo at the MPEG sample rates. False when the
// library or the decoder cannot start (`m` may then hold a decoder already).
bool openFeedDecoder(Mpg123Handle& m);

}  // namespace player
