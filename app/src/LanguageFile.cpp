#include "LanguageFile.h"

#include "ProfileFile.h"
#include "ProgramDirectory.h"

std::string settingsFilePath(const std::string& programDir) { return programDir + "slidewright.ini"; }

void LanguageFile::selectLanguage() { selectLanguage(programDirectory()); }

void LanguageFile::selectLanguage(const std::string& programDir) { selectLanguage(programDir, programDir); }

void LanguageFile::selectLanguage(const std::string& programDir, const std::string& settingsDir) {
  const std::string settings = settingsFilePath(settingsDir);
  languageId_ = readProfileInt(settings, "Setting", "LanguageID", 1);
  const std::string section = "Language" + std::to_string(languageId_);
  // "简体中文" in GBK, the name of the default language.
  displayName_ =
      readProfileString(settings, section.c_str(), "Disp", "\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4", 100);
  const std::string file = readProfileString(settings, section.c_str(), "File", "language.cns", 256);
  path_ = programDir + file;
}

std::string LanguageFile::lookupString(const std::string& key) const { return lookupValue("String", key); }

std::string LanguageFile::lookupValue(const std::string& section, const std::string& key) const {
  // Before a language is selected there is no file; an empty name would
  // make the profile functions read win.ini in the Windows folder.
  if (path_.empty()) return key;
  return readProfileString(path_, section.c_str(), key.c_str(), key, 1024);
}

int LanguageFile::lookupInt(const std::string& section, const std::string& key, int fallback) const {
  if (path_.empty()) return fallback;
  return readProfileInt(path_, section.c_str(), key.c_str(), fallback);
}

std::string transitionName(const LanguageFile& language, int index) {
  return language.lookupValue("TransitionMode", std::to_string(index + 1));
}

std::string motionDisplayName(const LanguageFile& language, slidewright::MotionKind kind) {
  if (kind == slidewright::MotionKind::Explicit) return language.lookupValue("Motion", "Custom");
  return language.lookupValue("Motion", std::to_string(static_cast<int>(kind) + 1));
}
