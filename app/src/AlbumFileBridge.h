// The window's side of album files: the window's album as a document to
// save (its paths are UTF-8, as the album files' library takes them), the
// title that names it, and why a file was refused, in the window's language.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "AlbumSettings.h"
#include "LanguageFile.h"
#include "album/motion.h"
#include "albumfile/album_file.h"

// Whether a file name ends in ".swalbum" (any case).
bool isAlbumFileName(const std::wstring& path);

// One picture of the window's album: UTF-8 path, transition, own hold,
// motion and UTF-8 caption.
struct WindowAlbumPicture {
  std::string path;
  int transition = 0;
  std::optional<int> holdSeconds;
  slidewright::Motion motion{};
  std::string caption = std::string();
};

// The album the window holds, as a file keeps it: the settings (the music
// only when a file is chosen), the output path and the pictures.
slidewright::albumfile::AlbumDocument albumDocumentOf(const AlbumSettings& settings,
                                                      const std::vector<WindowAlbumPicture>& pictures);

// The movie an album makes when the file names none: beside the album file,
// with its name and ".swf" (UTF-8).
std::string defaultAlbumOutput(const std::string& albumPath);

// The window's title: "name - Slidewright" for an album file, the untitled
// name while a new album has changes, "Slidewright" alone for a new album
// without any; a '*' after the name marks unsaved changes.
std::wstring albumWindowTitle(const LanguageFile& language, const std::string& albumPathUtf8, bool changed);

// Why an album file was refused or could not be written, in the window's
// language: the reason naming the file, then the key and where it is.
std::string albumErrorText(const LanguageFile& language, const std::string& albumPath,
                           const slidewright::albumfile::AlbumFileError& error, bool writing);
