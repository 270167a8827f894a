// What a path names, asked before opening it: a reader that wants a file's
// bytes refuses folders, devices and pipes up front, since opening a pipe
// waits for a writer and a device such as /dev/zero never ends.
#pragma once

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "common/utf8_path.h"

namespace slidewright {

enum class FileKind { Missing, Regular, Folder, Other };

struct FileFacts {
  FileKind kind = FileKind::Missing;
  std::uint64_t size = 0;         // bytes, for a regular file
  std::uint32_t permissions = 0;  // the mode's permission bits (07777), when not Missing
  int error = 0;                  // errno, when Missing
};

inline FileFacts inspectFile(const std::string& path) {
  FileFacts facts;
#ifdef _WIN32
  struct _stati64 st;
  if (_wstati64(wideFromUtf8Text(path).c_str(), &st) != 0) {
    facts.error = errno;
    return facts;
  }
  const bool regular = (st.st_mode & _S_IFMT) == _S_IFREG, folder = (st.st_mode & _S_IFMT) == _S_IFDIR;
#else
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    facts.error = errno;
    return facts;
  }
  const bool regular = S_ISREG(st.st_mode), folder = S_ISDIR(st.st_mode);
#endif
  facts.kind = regular ? FileKind::Regular : folder ? FileKind::Folder : FileKind::Other;
  facts.size = regular ? std::uint64_t(st.st_size) : 0;
  facts.permissions = std::uint32_t(st.st_mode) & 07777;
  return facts;
}

}  // namespace slidewright
