// Whether two paths name one file, so that a command can refuse to write its
// output over one of its inputs.
#pragma once

#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

namespace slidewright {

// True when a and b are the same file: the same file system object when both
// exist (through hard or symbolic links and any spelling of the path),
// otherwise the same place once "." and ".." and the links of the part that
// exists are resolved.
// A path that cannot be converted to the system's form (a narrow name the
// library cannot read) names no file this can compare: false.
inline bool isSameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  try {
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
