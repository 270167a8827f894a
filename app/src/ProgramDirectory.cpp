#include "ProgramDirectory.h"

#include <windows.h>

#include <vector>

std::string::size_type lastPathSeparator(const std::string& path) {
  std::string::size_type last = std::string::npos;
  for (std::string::size_type i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (c == '\\' || c == '/') {
      last = i;
    } else if (IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < path.size()) {
      ++i;  // the trail byte is part of this character, never a separator
    }
  }
  return last;
}

std::string folderOfPath(const std::string& path) {
  const auto sep = lastPathSeparator(path);
  return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

std::string fileNameOfPath(const std::string& path) { return path.substr(folderOfPath(path).size()); }

std::string programDirectory() {
  // Longer than any path the ANSI file functions that use the result can
  // open, so a real program path always fits.
  std::vector<char> buffer(MAX_PATH * 4);
  const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  return folderOfPath(std::string(buffer.data(), n));
}
