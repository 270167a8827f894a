#include "ProgramDirectory.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "LanguageFile.h"
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

namespace {

// Whether the file can be written: not marked read-only, and it opens for
// writing (made when missing). The attribute is looked at first since a
// process with every right on the disk may open even a read-only file.
bool writable(const std::wstring& file) {
  const DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
  HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}

}  // namespace

std::string settingsFolder(const std::string& programDir, const std::string& userFolder) {
  if (writable(wideFromUtf8(settingsFilePath(programDir))) || userFolder.empty()) return programDir;
  const std::string folder = userFolder + "Slidewright\\";
  CreateDirectoryW(wideFromUtf8(folder).c_str(), nullptr);
  // The copy is made once: the user's own settings are never overwritten.
  // It is the user's to write, whatever marks the original bore.
  const std::wstring userFile = wideFromUtf8(settingsFilePath(folder));
  if (CopyFileW(wideFromUtf8(settingsFilePath(programDir)).c_str(), userFile.c_str(), TRUE))
    SetFileAttributesW(userFile.c_str(), FILE_ATTRIBUTE_NORMAL);
  return folder;
}

std::string userDataFolder() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder))) return {};
  return utf8FromWide(folder) + "\\";
}
