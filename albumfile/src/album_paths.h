// Paths as album files hold them: relative to the album file's folder where
// they can be, with '/' between names, UTF-8.
#pragma once

#include <string>

namespace slidewright::albumfile {

// A path read from an album file in albumFolder, for opening: absolute ones
// as they are, relative ones joined to the folder (empty: the current folder).
std::string resolveAlbumPath(const std::string& path, const std::string& albumFolder);

// The path as an album file in albumFolder holds it: relative to the folder
// when both are on the same root (climbing with ".." as needed), otherwise
// absolute; '/' between names either way.
std::string relativeAlbumPath(const std::string& path, const std::string& albumFolder);

// Whether text is well-formed UTF-8 (the path functions take nothing else).
bool isUtf8(const std::string& text);

// The folder of a file's path ("" for a name without one).
std::string folderOf(const std::string& path);

}  // namespace slidewright::albumfile
