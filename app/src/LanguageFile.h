// The language file: every text the user sees, the skin's button rectangles,
// the label font and the transition names, read from a private-profile file
// in the program folder. The settings file names which language file to use.
#pragma once
#include <string>

#include "album/motion.h"

// "slidewright.ini" in the given folder (which ends in a backslash).
std::string settingsFilePath(const std::string& programDir);

class LanguageFile {
 public:
  // Resolves the language file from the settings file beside the program.
  void selectLanguage();
  // The same for the program folder given (ending in a backslash).
  void selectLanguage(const std::string& programDir);
  // The same with the settings file in settingsDir (see settingsFolder).
  void selectLanguage(const std::string& programDir, const std::string& settingsDir);

  // [String] key, or the key itself when the file or the key is missing.
  std::string lookupString(const std::string& key) const;
  // [section] key, or the key itself when missing. Values are cut at 1023 characters.
  std::string lookupValue(const std::string& section, const std::string& key) const;
  // [section] key as an integer, or fallback when missing.
  int lookupInt(const std::string& section, const std::string& key, int fallback) const;

  const std::string& path() const { return path_; }
  const std::string& displayName() const { return displayName_; }
  int languageId() const { return languageId_; }

 private:
  std::string path_;
  std::string displayName_;
  int languageId_ = 1;
};

// Display name of transition index 0 to 12: [TransitionMode] key index + 1.
std::string transitionName(const LanguageFile& language, int index);

// Display name of a motion: [Motion] 1 (none) to 8 (auto), "Custom" for
// rectangles an album file gave.
std::string motionDisplayName(const LanguageFile& language, slidewright::MotionKind kind);
