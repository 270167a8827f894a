#include "TestFolder.h"

#include <windows.h>

#include <stdexcept>

#include "common/stdio_file.h"
#include "common/utf8_path.h"

namespace {

using slidewright::utf8FromWideText;
using slidewright::wideFromUtf8Text;

void removeTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = folder + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(full + L"\\");
      } else {
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

TestFolder::TestFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const std::wstring candidate = std::wstring(temp) + L"swtest-" + std::to_wstring(GetCurrentProcessId()) +
                                   L"-" + std::to_wstring(++counter);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      path_ = utf8FromWideText(candidate) + "\\";
      return;
    }
  }
  throw std::runtime_error("cannot make a test folder");
}

TestFolder::~TestFolder() { removeTree(wideFromUtf8Text(path_)); }

void writeFile(const std::string& path, const std::string& bytes) {
  slidewright::StdioFile out = slidewright::openStdioFile(path, "wb");
  if (out) std::fwrite(bytes.data(), 1, bytes.size(), out.get());
}

std::string readFile(const std::string& path) {
  std::string bytes;
  slidewright::StdioFile in = slidewright::openStdioFile(path, "rb");
  if (!in) return bytes;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) bytes.append(buffer, n);
  return bytes;
}

int countFiles(const std::string& pattern) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(wideFromUtf8Text(pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do ++count;
  while (FindNextFileW(search, &found));
  FindClose(search);
  return count;
}

bool fileExists(const std::string& path) {
  return GetFileAttributesW(wideFromUtf8Text(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool inChineseCodePage() { return GetACP() == 936; }
