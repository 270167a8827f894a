#include "mpg123_feed.h"

#include <initializer_list>

namespace player {

bool openFeedDecoder(Mpg123Handle& m) {
  static const bool initialised = mpg123_init() == MPG123_OK;
  if (!initialised) return false;
  int rc = MPG123_OK;
  m.h = mpg123_new(nullptr, &rc);
  if (!m.h) return false;
  mpg123_param(m.h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_format_none(m.h);
  for (long r : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
    mpg123_format(m.h, r, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  return mpg123_open_feed(m.h) == MPG123_OK;
}

}  // namespace player
