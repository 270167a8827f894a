// The maker's make-screensaver command: wraps the movie at the save path into
// a ".scr" file beside it (the screensaver player carried as resource
// "BIN" 153, the movie, its length) and opens the system's screensaver
// installer on it. The user is told, in the language file's words, when
// there is no movie to wrap or the file cannot be written; the installer is
// then not started.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "LanguageFile.h"

struct ScreensaverRequest {
  HWND owner = nullptr;                    // not owned; owner of the messages
  std::string savePath;                    // the album movie, as the main window stores it
  const LanguageFile* language = nullptr;  // not owned
  std::vector<std::uint8_t> stub;          // the screensaver player's bytes
  std::function<void()> stopPreview;       // lets go of the movie file first (may be empty)
  // Starts the installer's command line; WinExec when empty.
  std::function<bool(const std::string& commandLine)> startInstaller;
  // Shows a message to the user; a message box with OK when empty.
  std::function<void(const std::string& text)> tell;
};

struct ScreensaverOutcome {
  bool written = false;
  std::string scrPath;
  std::string messageKey;  // the language-file key told to the user, if any
};

ScreensaverOutcome makeScreensaver(const ScreensaverRequest& request);

// "rundll32.exe desk.cpl,InstallScreenSaver " followed by the path.
std::string installerCommandLine(const std::string& scrPath);
