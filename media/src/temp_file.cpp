#include "media/temp_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "common/utf8_path.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace slidewright::media {

namespace {

// Creates the file only if it does not exist yet.
bool createExclusive(const std::string& path, bool shared, int& err) {
#ifdef _WIN32
  (void)shared;
  int fd = _wopen(wideFromUtf8Text(path).c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY,
                  _S_IREAD | _S_IWRITE);
  if (fd < 0) {
    err = errno;
    return false;
  }
  _close(fd);
#else
  int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, shared ? 0666 : 0600);
  if (fd < 0) {
    err = errno;
    return false;
  }
  ::close(fd);
#endif
  return true;
}

std::uint64_t nextRandom() {
  static std::atomic<std::uint64_t> counter{0};
  static const std::uint64_t seed = [] {
    std::random_device rd;
    return (std::uint64_t{rd()} << 32) ^ rd() ^
           static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  }();
  std::uint64_t x = seed + 0x9E3779B97F4A7C15ull * ++counter;  // splitmix64
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

}  // namespace

std::string temporaryDirectory() {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  if (ec || dir.empty()) return ".";
  // Without a trailing separator, so that names made from it read the same
  // on every platform.
  std::string text = utf8FromPath(dir);
  while (text.size() > 1 && (text.back() == '/' || text.back() == '\\') && text[text.size() - 2] != ':')
    text.pop_back();
  return text;
}

Result<TempFile> TempFile::create(const std::string& extension) {
  return createIn(temporaryDirectory(), "FM", extension);
}

Result<TempFile> TempFile::createIn(const std::string& directory, const std::string& prefix,
                                    const std::string& extension, Access access) {
  std::string dir = directory.empty() ? "." : directory;
  if (dir.back() != '/' && dir.back() != '\\') dir += '/';
  int err = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char unique[9];
    std::snprintf(unique, sizeof unique, "%08X", static_cast<unsigned>(nextRandom() & 0xFFFFFFFFu));
    std::string path = dir + prefix + unique + extension;
    if (createExclusive(path, access == Access::Shared, err)) return TempFile(path);
    if (err != EEXIST) break;
  }
  return fail(ErrorKind::FileAccess,
              "cannot create a temporary file in " + directory + ": " + std::strerror(err));
}

TempFile& TempFile::operator=(TempFile&& other) noexcept {
  if (this != &other) {
    remove();
    path_ = std::move(other.path_);
    other.path_.clear();
  }
  return *this;
}

void TempFile::remove() {
  if (!path_.empty()) removeFile(path_);
  path_.clear();
}

std::string TempFile::release() {
  std::string p = std::move(path_);
  path_.clear();
  return p;
}

}  // namespace slidewright::media
