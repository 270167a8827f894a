#include "AlbumSettings.h"

#include "LanguageFile.h"
#include "ProgramDirectory.h"

namespace {

constexpr const char* kSection = "Setting";

std::string readString(const std::string& file, const char* key, const std::string& fallback) {
  char buffer[MAX_PATH + 1] = {};
  const DWORD n =
      GetPrivateProfileStringA(kSection, key, fallback.c_str(), buffer, MAX_PATH + 1, file.c_str());
  return std::string(buffer, n);
}

int readInt(const std::string& file, const char* key, int fallback) {
  return static_cast<int>(GetPrivateProfileIntA(kSection, key, fallback, file.c_str()));
}

void writeString(const std::string& file, const char* key, const std::string& value) {
  WritePrivateProfileStringA(kSection, key, value.c_str(), file.c_str());
}

void writeInt(const std::string& file, const char* key, long long value) {
  writeString(file, key, std::to_string(value));
}

}  // namespace

bool musicFileChosen(const std::string& musicPath) {
  return musicPath.size() >= 4 && musicPath[musicPath.size() - 4] == '.';
}

std::string musicPathToStore(const std::string& musicPath) {
  if (!musicFileChosen(musicPath)) return musicPath;
  return folderOfPath(musicPath);
}

AlbumSettings loadAlbumSettings(const std::string& programDir) {
  const std::string file = settingsFilePath(programDir);
  AlbumSettings s;
  s.savePath = readString(file, "SavePath", programDir + "temp.swf");
  s.pauseSeconds = readInt(file, "Span", 1);
  s.albumHeight = readInt(file, "PicHeight", 480);
  s.albumWidth = readInt(file, "PicWidth", 640);
  // Only the red, green and blue bytes: a high byte would turn the value
  // into one of the system's special colour codes.
  s.backgroundColor = static_cast<COLORREF>(readInt(file, "BKCltColor", 0xFFFFFF)) & 0xFFFFFF;
  s.addPicturePath = readString(file, "AddPicPath", "");
  s.musicPath = readString(file, "MusicPath", "");
  return s;
}

void saveAlbumSettings(const std::string& programDir, const AlbumSettings& s) {
  const std::string file = settingsFilePath(programDir);
  writeInt(file, "Span", s.pauseSeconds);
  writeString(file, "SavePath", s.savePath);
  writeInt(file, "PicHeight", s.albumHeight);
  writeInt(file, "PicWidth", s.albumWidth);
  // A COLORREF never exceeds 0x00FFFFFF, so the decimal text is that of a
  // non-negative int (white is 16777215, pure blue 16711680).
  writeInt(file, "BKCltColor", static_cast<long long>(s.backgroundColor & 0xFFFFFF));
  writeString(file, "AddPicPath", s.addPicturePath);
  writeString(file, "MusicPath", musicPathToStore(s.musicPath));
}
