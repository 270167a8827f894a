#include "PicturePaths.h"

#include <shlwapi.h>

#include <algorithm>
#include <cwctype>

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
  for (const wchar_t* known : {L"jpg", L"jpeg", L"jpe", L"jfif", L"png", L"gif", L"bmp"})
    if (ext == known) return true;
  return false;
}

namespace {

bool isFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

GatheredPath gathered(const std::wstring& wide) {
  GatheredPath g;
  if (!toAnsiPath(wide, &g.path)) {
    g.problem = PathProblem::NameNotInCodePage;
    return g;
  }
  if (g.path.size() > kMaxPicturePath) g.problem = PathProblem::PathTooLong;
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

bool ansiFromWide(const std::wstring& wide, std::string* ansi) {
  if (wide.empty()) {
    ansi->clear();
    return true;
  }
  BOOL lost = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, nullptr, &lost);
  if (n <= 0) return false;
  ansi->assign(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), ansi->data(),
                      n, nullptr, &lost);
  return !lost;
}

bool toAnsiPath(const std::wstring& wide, std::string* ansi) {
  if (ansiFromWide(wide, ansi)) return true;
  const DWORD length = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (length > 0) {
    std::wstring shortPath(length, L'\0');
    shortPath.resize(GetShortPathNameW(wide.c_str(), shortPath.data(), length));
    std::string candidate;
    if (!shortPath.empty() && ansiFromWide(shortPath, &candidate)) {
      *ansi = std::move(candidate);
      return true;
    }
  }
  // For showing only: the name with the characters that are lost replaced.
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, nullptr);
  ansi->assign(static_cast<std::size_t>(std::max(n, 0)), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi->data(), n, nullptr,
                        nullptr);
  return false;
}

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
  if (path.size() > kMaxPicturePath) g.problem = PathProblem::PathTooLong;
  return g;
}
