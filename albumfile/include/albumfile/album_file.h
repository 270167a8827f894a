// Album files (".swalbum"): an album's settings and pictures saved as UTF-8
// JSON, so that both fronts can open, make and save the same album again.
//
//   {"slidewright-album": 1, "width": 640, "height": 480, "background": "#ffffff",
//    "seconds": 1, "loop": true, "fade-out": 0, "music": "music/song.mp3", "output": "holiday.swf",
//    "seed": 7, "pictures": [{"file": "pics/a.jpg", "transition": "fade", "seconds": 3,
//                             "motion": "zoom-in"},
//                            {"file": "pics/b.jpg", "motion": {"start": [0, 0, 1, 1],
//                                                             "end": [0.1, 0.1, 0.8, 0.8]}}]}
//
// A motion is a name or the part of the picture shown at the start and at the
// end, [x, y, width, height] in fractions of the picture; "seed" picks the
// "auto" motions.
//
// Paths in the file are relative to the album file's folder (absolute ones
// are accepted). Every string here, paths included, is UTF-8; a front whose
// file functions take another code page converts at its own edge.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "album/motion.h"
#include "common/result.h"
#include "media/image.h"

namespace slidewright::albumfile {

// The format version this program reads and writes.
constexpr int kAlbumFormatVersion = 1;

// The usual file name extension.
constexpr const char* kAlbumExtension = ".swalbum";

struct AlbumFilePicture {
  std::string file;                     // the picture: absolute, or relative to the current folder
  int transition = 0;                   // transition index, 0 to 12
  std::optional<int> seconds;           // its own hold; the album's when empty
  Motion motion{};                      // none unless the file names one
  std::string caption = std::string();  // UTF-8; empty: none (and not written)

  bool operator==(const AlbumFilePicture& other) const {
    return file == other.file && transition == other.transition && seconds == other.seconds &&
           motion.kind == other.motion.kind && motion.start == other.motion.start &&
           motion.end == other.motion.end && caption == other.caption;
  }
};

// An album as a file holds it. Read paths are resolved against the album's
// folder; written ones are made relative to it where they can be.
struct AlbumDocument {
  int width = 640;
  int height = 480;
  media::Rgb background{255, 255, 255};
  int seconds = 1;  // hold of every picture without its own
  bool loop = true;
  int fadeOutSeconds = 0;  // the music fades over the show's last seconds; 0: no fade
  std::string music;       // empty: a silent album
  std::string output;      // the movie to make; empty: none named
  int seed = 0;            // picks the "auto" motions
  std::vector<AlbumFilePicture> pictures;

  bool operator==(const AlbumDocument& other) const {
    return width == other.width && height == other.height && background == other.background &&
           seconds == other.seconds && loop == other.loop && fadeOutSeconds == other.fadeOutSeconds &&
           music == other.music && output == other.output && seed == other.seed && pictures == other.pictures;
  }
};

enum class AlbumFileErrorKind {
  Syntax,        // not JSON, or a key given twice; line and column say where
  UnknownKey,    // a key this version does not know
  MissingKey,    // a key that must be there is not ("slidewright-album", a picture's "file")
  WrongType,     // a value of the wrong JSON type
  OutOfRange,    // a value outside what the album takes
  NewerVersion,  // made for a later format: needs a newer Slidewright
  FileAccess,    // the album file cannot be read or written
};

// Why an album file was refused. The message names the key and its place
// ("picture 3: \"seconds\" ... (line 12, column 7)") and, from readAlbumFile
// and writeAlbumFile, begins with the file's path.
struct AlbumFileError {
  AlbumFileErrorKind kind = AlbumFileErrorKind::Syntax;
  std::string key;  // the key concerned, or empty
  int picture = 0;  // 1-based number of the picture concerned, or 0
  int line = 0;     // 1-based place in the text, or 0 when unknown
  int column = 0;   // counted in characters
  std::string message;
};

template <class T>
using AlbumFileResult = common::Result<T, AlbumFileError>;

// Reads an album from the file's bytes. Relative paths are resolved against
// albumFolder (empty: left relative to the current folder).
AlbumFileResult<AlbumDocument> parseAlbum(const std::string& bytes, const std::string& albumFolder);

// The file's bytes for an album: every setting, and each picture's file and
// transition (its seconds only when it has its own). Paths are written
// relative to albumFolder where they can be, with '/' between names.
AlbumFileResult<std::string> formatAlbum(const AlbumDocument& album, const std::string& albumFolder);

// The folder an album file's relative paths start from.
std::string albumFolderOf(const std::string& albumPath);

// parseAlbum of the file at albumPath, relative to its folder.
AlbumFileResult<AlbumDocument> readAlbumFile(const std::string& albumPath);

// formatAlbum relative to albumPath's folder, written beside albumPath and
// moved over it only when complete, so a failed save leaves the earlier
// file as it was.
AlbumFileResult<std::monostate> writeAlbumFile(const std::string& albumPath, const AlbumDocument& album);

}  // namespace slidewright::albumfile
