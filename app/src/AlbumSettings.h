// The album settings that persist between runs in slidewright.ini beside
// the program (or in the user's folder, see settingsFolder): album size,
// seconds per picture, background colour, output path and the last used
// picture and music folders.
#pragma once
#include <windows.h>

#include <string>

struct AlbumSettings {
  std::string savePath;   // output movie path
  int pauseSeconds = 1;   // seconds each picture is shown
  int albumHeight = 480;  // pixels
  int albumWidth = 640;   // pixels
  COLORREF backgroundColor = RGB(255, 255, 255);
  std::string addPicturePath;  // what the add-picture dialog last returned first
  std::string musicPath;       // the chosen music file, or the folder of the last one
  // Whether the movie starts again at its end: an album file's setting, kept
  // with the album and not in the settings file.
  bool loop = true;
  // Seconds over which the music fades at the show's end (0: none), an album
  // file's setting kept the same way.
  int fadeOutSeconds = 0;
  int seed = 0;  // picks the pictures' "auto" motions, as an album file gave it
};

// Reads the settings of the program in programDir (ending in a backslash);
// every missing value takes its default, the output path defaulting to
// "temp.swf" in that folder. Values are not range-checked here.
AlbumSettings loadAlbumSettings(const std::string& programDir);

// Writes the settings, integers as decimal text. The music file is stored as
// its folder only (see musicPathToStore).
void saveAlbumSettings(const std::string& programDir, const AlbumSettings& settings);

// What is stored for the music path: a file name with a three-letter
// extension (".mp3") is cut after its last backslash, keeping the folder with
// its backslash; anything else is stored unchanged. A file name without any
// folder gives "", since no folder is known for it.
std::string musicPathToStore(const std::string& musicPath);

// True while the music path names a file: it ends in a dot and a
// three-letter extension.
bool musicFileChosen(const std::string& musicPath);
