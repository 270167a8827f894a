// The window's side of album files: the album files' library speaks UTF-8,
// the window keeps ANSI paths of the code page, so every path is converted
// here, at the edge. Also the window's album as a document to save, the
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

// UTF-8 of an ANSI (code page) text, of a wide text, and back. A text the
// code page cannot hold gives false from ansiFromUtf8.
std::string utf8FromAnsi(const std::string& ansi);
std::string utf8FromWide(const std::wstring& wide);
// Wide text in a code page; characters it lacks become the code page's
// stand-in ('?'), so it serves for showing, not for paths.
std::string narrowed(const std::wstring& wide, UINT codePage);
std::wstring wideFromUtf8(const std::string& utf8);
std::wstring wideFromAnsi(const std::string& ansi);
bool ansiFromUtf8(const std::string& utf8, std::string* ansi);

// Whether a file name ends in ".swalbum" (any case).
bool isAlbumFileName(const std::wstring& path);

// One picture of the window's album: ANSI path, transition, own hold,
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
std::string albumWindowTitle(const LanguageFile& language, const std::string& albumPathUtf8, bool changed);

// Why an album file was refused or could not be written, in the window's
// language: the reason naming the file, then the key and where it is.
std::string albumErrorText(const LanguageFile& language, const std::string& albumPathAnsi,
                           const slidewright::albumfile::AlbumFileError& error, bool writing);
