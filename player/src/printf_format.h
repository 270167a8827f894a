// Lets the compiler check printf-style format strings. MinGW's default
// printf check follows the Microsoft runtime, which lacks %zu; the C++ runtime
// there uses the GNU-compatible printf family, so check against that.
#pragma once

#if defined(__MINGW32__)
#define PLAYER_PRINTF_FORMAT(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#else
#define PLAYER_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#endif
