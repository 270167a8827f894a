// The picture paths the user hands the program from the shell: the command
// line ("Open with", "Send to", files dropped on the program's icon) and
// files dropped on the window. A folder stands for the pictures directly
// inside it, in the order the shell shows them by name. Paths become the
// UTF-8 paths that the rest of the program uses, whatever their script.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// Longest path a picture entry holds, in characters (UTF-16 units, as the
// system counts them: its 260-character field with the NUL).
constexpr std::size_t kMaxPicturePath = MAX_PATH - 1;

enum class PathProblem {
  None,
  NoPicturesInFolder,  // a folder without a picture file in it
  PathTooLong,         // longer than kMaxPicturePath
};

struct GatheredPath {
  std::string path;  // UTF-8
  PathProblem problem = PathProblem::None;
};

// The arguments after the program's name, split as the system splits them.
std::vector<std::wstring> commandLineArguments(const wchar_t* commandLine);

// The paths of a shell drop, in the order given.
std::vector<std::wstring> droppedPaths(HDROP drop);

// True for the file names the open dialog lists as pictures (.jpg, .jpeg,
// .jpe, .jfif, .png, .gif, .bmp, .heic, .heif, .avif, .webp, any case).
bool hasPictureExtension(const std::wstring& name);

// Each file as it is; each folder as the picture files directly inside it
// (hidden and system files left out), sorted as the shell sorts names.
std::vector<GatheredPath> gatherPicturePaths(const std::vector<std::wstring>& paths);

// The same check for a path that is already UTF-8 (from the open dialog or
// an album file).
GatheredPath checkedPicturePath(const std::string& path);
