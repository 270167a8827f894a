// saverstub.exe: the screensaver player. Started by the system with the
// screensaver command line; plays the movie appended to its own file.
#include <windows.h>

#include "SaverCommandLine.h"
#include "SaverModes.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  SaverPlatform platform;
  platform.windows9x = isWindows9xFamily();
  const SaverCommand command = parseSaverArguments(skipProgramName(GetCommandLineA()));
  return runSaverMode(instance, command, platform);
}
