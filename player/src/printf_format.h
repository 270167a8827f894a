// printf-style formatting into a std::string, for messages and listings.
// The compiler checks the format strings. MinGW's default printf check follows
// the Microsoft runtime, which lacks %zu; the C++ runtime there uses the
// GNU-compatible printf family, so check against that.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

#if defined(__MINGW32__)
#define PLAYER_PRINTF_FORMAT(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#else
#define PLAYER_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#endif

namespace player {

// Formats into a string; output longer than 1023 characters is cut.
inline std::string formatText(const char* format, ...) PLAYER_PRINTF_FORMAT(1, 2);
inline std::string formatText(const char* format, ...) {
  char buf[1024];
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(buf, sizeof buf, format, ap);
  va_end(ap);
  return buf;
}

}  // namespace player
