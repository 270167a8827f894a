#include "ProgramDirectory.h"

#include <windows.h>

#include <vector>

#include "TextConversion.h"

std::string::size_type lastPathSeparator(const std::string& path) { return path.find_last_of("\\/"); }

std::string folderOfPath(const std::string& path) {
  const auto sep = lastPathSeparator(path);
  return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

std::string fileNameOfPath(const std::string& path) { return path.substr(folderOfPath(path).size()); }

std::string programDirectory() {
  std::vector<wchar_t> buffer(MAX_PATH * 4);
  const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  std::wstring folder(buffer.data(), n);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return utf8FromWide(folder);
}
