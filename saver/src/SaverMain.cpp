// The screensaver player. For now it only follows the screensaver command
// line far enough to end cleanly in every mode; playing the movie appended
// to its own file comes with the player.
#include <windows.h>

namespace {

// The mode letter: the first character after the program name that is not a
// space, '-' or '/'.
char modeLetter(const char* commandLine) {
  const char* p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (static_cast<unsigned char>(*p) > ' ') ++p;
  }
  while (*p == ' ' || *p == '-' || *p == '/') ++p;
  return *p;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  switch (modeLetter(GetCommandLineA())) {
    case '\0':
    case 'c':
    case 'C':
    case 's':
    case 'S':
    case 'p':
    case 'P':
    case 'l':
    case 'L':
      return 0;
    default:
      return -1;
  }
}
