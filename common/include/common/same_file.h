// Whether two paths name one file, so that a command can refuse to write its
// output over one of its inputs.
#pragma once

#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

#include "common/utf8_path.h"

namespace slidewright {

// True when a and b are the same file: the same file system object when both
// exist (through hard or symbolic links and any spelling of the path),
// otherwise the same place once "." and ".." and the links of the part that
// exists are resolved.
// Paths are UTF-8. Anything the file system library throws means no file
// this can compare: false.
inline bool isSameFile(const std::string& utf8A, const std::string& utf8B) {
  namespace fs = std::filesystem;
  try {
    const fs::path a = pathFromUtf8(utf8A), b = pathFromUtf8(utf8B);
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec)) return fs::equivalent(a, b, ec) && !ec;
    const fs::path left = fs::weakly_canonical(a, ec);
    if (ec) return false;
    const fs::path right = fs::weakly_canonical(b, ec);
    return !ec && left == right;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace slidewright
