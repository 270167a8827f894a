#include "album_paths.h"

#include "common/utf8_path.h"

#include <cwctype>
#include <filesystem>
#include <system_error>

#include <nlohmann/json.hpp>

namespace slidewright::albumfile {

namespace fs = std::filesystem;

namespace {

// Paths are UTF-8 text; on Windows pathFromUtf8 makes the wide path the system
// takes, so any name works whatever the code page.
fs::path fromUtf8(const std::string& path) { return pathFromUtf8(path); }

// The absolute, lexically normal form, without a trailing separator.
fs::path normalAbsolute(const fs::path& path, std::error_code& error) {
  fs::path normal = fs::absolute(path, error).lexically_normal();
  if (!normal.has_filename() && normal.has_relative_path()) normal = normal.parent_path();
  return normal;
}

// The path of target from base, "" when their roots differ. On Windows two
// spellings of a name that differ only in case name the same file (a
// drive letter, a folder written in lower case), so names are compared
// without regard to case there.
fs::path relativeTo(const fs::path& target, const fs::path& base) {
#ifdef _WIN32
  const auto sameName = [](const fs::path& a, const fs::path& b) {
    const std::wstring& x = a.native();
    const std::wstring& y = b.native();
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i)
      if (std::towlower(x[i]) != std::towlower(y[i])) return false;
    return true;
  };
  auto t = target.begin();
  auto b = base.begin();
  while (t != target.end() && b != base.end() && sameName(*t, *b)) {
    ++t;
    ++b;
  }
  if (t == target.begin()) return {};
  fs::path relative;
  for (; b != base.end(); ++b)
    if (!b->empty()) relative /= "..";
  for (; t != target.end(); ++t) relative /= *t;
  return relative.empty() ? fs::path(".") : relative;
#else
  return target.lexically_relative(base);
#endif
}

}  // namespace

std::string resolveAlbumPath(const std::string& path, const std::string& albumFolder) {
  if (path.empty() || albumFolder.empty()) return fromUtf8(path).make_preferred().u8string();
  return (fromUtf8(albumFolder) / fromUtf8(path)).make_preferred().u8string();
}

std::string relativeAlbumPath(const std::string& path, const std::string& albumFolder) {
  std::error_code error;
  const fs::path target = normalAbsolute(fromUtf8(path), error);
  if (error) return fromUtf8(path).generic_u8string();
  const fs::path base = normalAbsolute(fromUtf8(albumFolder.empty() ? "." : albumFolder), error);
  if (error) return target.generic_u8string();
  // Empty when the roots differ (another drive): then the absolute path.
  const fs::path relative = relativeTo(target, base);
  return relative.empty() ? target.generic_u8string() : relative.generic_u8string();
}

bool isUtf8(const std::string& text) {
  try {
    (void)nlohmann::json(text).dump();  // checks the encoding as it writes
    return true;
  } catch (const nlohmann::json::type_error&) {
    return false;
  }
}

std::string folderOf(const std::string& path) { return fromUtf8(path).parent_path().u8string(); }

}  // namespace slidewright::albumfile
