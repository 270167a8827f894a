#include "PicturePaths.h"

#include <shlwapi.h>

#include <algorithm>
#include <cwctype>

#include "TextConversion.h"

std::vector<std::wstring> commandLineArguments(const wchar_t* commandLine) {
  std::vector<std::wstring> args;
  if (!commandLine || !*commandLine) return args;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(commandLine, &count);
  if (!argv) return args;
  for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
  LocalFree(argv);
  return args;
}

std::vector<std::wstring> droppedPaths(HDROP drop) {
  std::vector<std::wstring> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    path.resize(DragQueryFileW(drop, i, path.data(), length + 1));
    if (!path.empty()) paths.push_back(std::move(path));
  }
  return paths;
}

bool hasPictureExtension(const std::wstring& name) {
  const auto dot = name.find_last_of(L'.');
  if (dot == std::wstring::npos) return false;
  std::wstring ext = name.substr(dot + 1);
  for (auto& c : ext) c = static_cast<wchar_t>(std::towlower(c));
  for (const wchar_t* known :
       {L"jpg", L"jpeg", L"jpe", L"jfif", L"png", L"gif", L"bmp", L"heic", L"heif", L"avif", L"webp"})
    if (ext == known) return true;
  return false;
}

namespace {

bool isFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

GatheredPath gathered(const std::wstring& wide) {
  GatheredPath g{utf8FromWide(wide), PathProblem::None};
  if (wide.size() > kMaxPicturePath) g.problem = PathProblem::PathTooLong;
  return g;
}

// The picture files directly inside a folder, sorted as the shell sorts
// names (digits by their value: 2 before 10).
std::vector<std::wstring> picturesInFolder(const std::wstring& folder) {
  std::wstring prefix = folder;
  if (!prefix.empty() && prefix.back() != L'\\' && prefix.back() != L'/') prefix += L'\\';
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((prefix + L"*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return {};
  do {
    const DWORD skip = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (found.dwFileAttributes & skip) continue;
    if (hasPictureExtension(found.cFileName)) names.emplace_back(found.cFileName);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return StrCmpLogicalW(a.c_str(), b.c_str()) < 0;
  });
  for (auto& name : names) name = prefix + name;
  return names;
}

}  // namespace

std::vector<GatheredPath> gatherPicturePaths(const std::vector<std::wstring>& paths) {
  std::vector<GatheredPath> result;
  for (const auto& path : paths) {
    if (!isFolder(path)) {
      result.push_back(gathered(path));
      continue;
    }
    const auto pictures = picturesInFolder(path);
    if (pictures.empty()) {
      GatheredPath g = gathered(path);
      if (g.problem == PathProblem::None) g.problem = PathProblem::NoPicturesInFolder;
      result.push_back(std::move(g));
    }
    for (const auto& picture : pictures) result.push_back(gathered(picture));
  }
  return result;
}

GatheredPath checkedPicturePath(const std::string& path) {
  GatheredPath g{path, PathProblem::None};
  if (wideFromUtf8(path).size() > kMaxPicturePath) g.problem = PathProblem::PathTooLong;
  return g;
}
