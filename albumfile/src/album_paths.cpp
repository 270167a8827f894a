#include "album_paths.h"

#include <filesystem>
#include <system_error>

#include <nlohmann/json.hpp>

namespace slidewright::albumfile {

namespace fs = std::filesystem;

namespace {

// Paths are UTF-8 text; on Windows u8path makes the wide path the system
// takes, so any name works whatever the code page.
fs::path fromUtf8(const std::string& path) { return fs::u8path(path); }

// The absolute, lexically normal form, without a trailing separator.
fs::path normalAbsolute(const fs::path& path, std::error_code& error) {
  fs::path normal = fs::absolute(path, error).lexically_normal();
  if (!normal.has_filename() && normal.has_relative_path()) normal = normal.parent_path();
  return normal;
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
  const fs::path relative = target.lexically_relative(base);
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
