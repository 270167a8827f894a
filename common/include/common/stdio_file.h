// Owning handles for C stdio files, so that every way out of a function
// closes what it opened. A file that was written is closed with closeWritten,
// whose result says whether the data reached the file. Paths are UTF-8
// (common/utf8_path.h): on Windows the file is opened by its wide name.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/utf8_path.h"

namespace slidewright {

struct StdioFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using StdioFile = std::unique_ptr<std::FILE, StdioFileCloser>;

// Opens a file as std::fopen does (errno tells why when the handle is empty).
inline StdioFile openStdioFile(const std::string& path, const char* mode) {
#ifdef _WIN32
  std::wstring wideMode;
  for (const char* m = mode; *m; ++m) wideMode += static_cast<wchar_t>(*m);
  return StdioFile(_wfopen(wideFromUtf8Text(path).c_str(), wideMode.c_str()));
#else
  return StdioFile(std::fopen(path.c_str(), mode));
#endif
}

// Closes a file that was written: false when the close (the last flush)
// failed. The handle is empty afterwards either way.
inline bool closeWritten(StdioFile& file) { return file && std::fclose(file.release()) == 0; }

// Reads what is left of an open file, at most maxBytes, into `bytes`: false
// when reading failed (errno tells why).
bool readStdioFile(std::FILE* file, std::vector<std::uint8_t>& bytes, std::uint64_t maxBytes = UINT64_MAX);

}  // namespace slidewright
