// The screensaver's modes as the command line selects them, each ending
// with the program's exit code.
#pragma once
#include <windows.h>

#include <string>

#include "SaverCommandLine.h"
#include "ScreenSaver.h"

// Runs the mode: the configuration dialog, a preview inside a window, the
// full-screen screensaver or the Windows 9x password change. Returns the
// exit code: the dialog's or the run's result, -1 for an unknown mode, a
// preview window that is not a window, or a password change outside the
// Windows 9x family.
int runSaverMode(HINSTANCE instance, const SaverCommand& command, const SaverPlatform& platform);

// The language of the screensaver's own texts for the user's interface
// language: Simplified Chinese for any Chinese, English for every other.
LANGID saverTextLanguage(LANGID userInterface);

// String `id` of a module's string table in the given language; "" when the
// module has none in it.
std::wstring saverString(HINSTANCE module, UINT id, LANGID language);

// The configuration dialog (2003): says in a message box that there is
// nothing to set, and ends with 1.
INT_PTR showConfiguration(HINSTANCE instance, HWND owner);
