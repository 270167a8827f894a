#include "AlbumSettings.h"

#include "LanguageFile.h"
#include "ProfileFile.h"
#include "ProgramDirectory.h"
#include "TextConversion.h"

namespace {

constexpr const char* kSection = "Setting";

std::string readString(const std::string& file, const char* key, const std::string& fallback) {
  return readProfileString(file, kSection, key, fallback, 4096);
}

// A stored path: in the code page as it always was when the code page holds
// it, else as UTF-8 after kUtf8Mark with every byte beyond ASCII (and '%')
// written as %XX, which any code page keeps as it is.
constexpr const char* kUtf8Mark = "utf-8:";

std::string storedPath(const std::string& utf8) {
  std::string ansi;
  if (ansiFromWide(wideFromUtf8(utf8), &ansi)) return ansi;
  static const char kHex[] = "0123456789ABCDEF";
  std::string stored = kUtf8Mark;
  for (const unsigned char c : utf8) {
    if (c < 0x80 && c != '%') {
      stored += static_cast<char>(c);
    } else {
      stored += '%';
      stored += kHex[c >> 4];
      stored += kHex[c & 15];
    }
  }
  return stored;
}

std::string pathOfStored(const std::string& stored) {
  const std::string mark = kUtf8Mark;
  if (stored.compare(0, mark.size(), mark) != 0) return utf8FromAnsi(stored);
  const auto hex = [](char c) {
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                  : -1;
  };
  std::string utf8;
  for (std::size_t i = mark.size(); i < stored.size(); ++i) {
    if (stored[i] == '%' && i + 2 < stored.size() && hex(stored[i + 1]) >= 0 && hex(stored[i + 2]) >= 0) {
      utf8 += static_cast<char>(hex(stored[i + 1]) * 16 + hex(stored[i + 2]));
      i += 2;
    } else {
      utf8 += stored[i];
    }
  }
  return utf8;
}

std::string readPath(const std::string& file, const char* key, const std::string& fallback) {
  const std::string stored = readString(file, key, "");
  return stored.empty() ? fallback : pathOfStored(stored);
}

void writePath(const std::string& file, const char* key, const std::string& path) {
  writeProfileString(file, kSection, key, storedPath(path));
}

int readInt(const std::string& file, const char* key, int fallback) {
  return readProfileInt(file, kSection, key, fallback);
}

void writeString(const std::string& file, const char* key, const std::string& value) {
  writeProfileString(file, kSection, key, value);
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
  s.savePath = readPath(file, "SavePath", programDir + "temp.swf");
  s.pauseSeconds = readInt(file, "Span", 1);
  s.albumHeight = readInt(file, "PicHeight", 480);
  s.albumWidth = readInt(file, "PicWidth", 640);
  // Only the red, green and blue bytes: a high byte would turn the value
  // into one of the system's special colour codes.
  s.backgroundColor = static_cast<COLORREF>(readInt(file, "BKCltColor", 0xFFFFFF)) & 0xFFFFFF;
  s.addPicturePath = readPath(file, "AddPicPath", "");
  s.musicPath = readPath(file, "MusicPath", "");
  return s;
}

void saveAlbumSettings(const std::string& programDir, const AlbumSettings& s) {
  const std::string file = settingsFilePath(programDir);
  writeInt(file, "Span", s.pauseSeconds);
  writePath(file, "SavePath", s.savePath);
  writeInt(file, "PicHeight", s.albumHeight);
  writeInt(file, "PicWidth", s.albumWidth);
  // A COLORREF never exceeds 0x00FFFFFF, so the decimal text is that of a
  // non-negative int (white is 16777215, pure blue 16711680).
  writeInt(file, "BKCltColor", static_cast<long long>(s.backgroundColor & 0xFFFFFF));
  writePath(file, "AddPicPath", s.addPicturePath);
  writePath(file, "MusicPath", musicPathToStore(s.musicPath));
}
