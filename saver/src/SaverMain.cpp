// saverstub.exe: the screensaver player. Started by the system with the
// screensaver command line; plays the movie appended to its own file.
#include <windows.h>

#include "SaverCommandLine.h"
#include "SaverModes.h"
#include "scrfile/screensaver_file.h"

// The text that tells this program from any other to the tools that put
// movies behind it; kept in the program although nothing reads it here.
__attribute__((used)) const char* const kMarker = slidewright::scrfile::kPlayerMarker;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  SaverPlatform platform;
  platform.windows9x = isWindows9xFamily();
  const SaverCommand command = parseSaverArguments(skipProgramName(GetCommandLineA()));
  return runSaverMode(instance, command, platform);
}
