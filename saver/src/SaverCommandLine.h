// The screensaver's command line: which mode the system starts it in, and
// the window handle that comes with the mode.
#pragma once

#include <cstdint>

enum class SaverMode {
  Configure,       // nothing, "C" or "C:handle": the settings dialog
  Preview,         // "P handle" or "L handle": inside the given window
  FullScreen,      // "S"
  ChangePassword,  // "A handle" (Windows 9x family only)
  Unknown,         // any other letter
};

struct SaverCommand {
  SaverMode mode = SaverMode::Unknown;
  bool bare = false;       // no mode letter at all: configuration without an owner
  bool hasHandle = false;  // digits followed the letter
  std::uintptr_t handle = 0;
};

// Skips the program's name (a quoted name up to its closing quote, else up
// to the first character at or below a space) and the spaces after it.
const char* skipProgramName(const char* commandLine);

// Reads the mode from what follows the program's name: the first character
// that is not a space, "-" or "/" selects it, in either case; a decimal
// handle follows after ":" (configuration) or after spaces (preview,
// password change) and ends at the first character that is not a digit.
SaverCommand parseSaverArguments(const char* arguments);
