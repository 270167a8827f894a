#include "staging.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

namespace slidewright::exports {

namespace fs = std::filesystem;

namespace {

std::string parentOf(const std::string& path) {
  std::string dir = fs::path(path).parent_path().string();
  return dir.empty() ? "." : dir;
}

std::string nameOf(const std::string& path) { return fs::path(path).filename().string(); }

std::string randomSuffix(std::mt19937_64& random) {
  static const char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string s;
  for (int i = 0; i < 8; ++i) s += kDigits[random() % (sizeof kDigits - 1)];
  return s;
}

std::mt19937_64 seededRandom() {
  std::random_device device;
  return std::mt19937_64((uint64_t(device()) << 32) ^ device() ^ uint64_t(::getpid()));
}

Error cannotWrite(const std::string& destination, int error) {
  return fail(ErrorKind::Output, destination + ": cannot write there (" + std::strerror(error) + ")");
}

}  // namespace

StagedOutput::StagedOutput(StagedOutput&& other) noexcept
    : staging_(std::move(other.staging_)),
      destination_(std::move(other.destination_)),
      isFolder_(other.isFolder_) {
  other.staging_.clear();
}

StagedOutput& StagedOutput::operator=(StagedOutput&& other) noexcept {
  if (this != &other) {
    discard();
    staging_ = std::move(other.staging_);
    destination_ = std::move(other.destination_);
    isFolder_ = other.isFolder_;
    other.staging_.clear();
  }
  return *this;
}

Result<StagedOutput> StagedOutput::file(const std::string& destination) {
  std::error_code ec;
  if (fs::is_directory(destination, ec))
    return fail(ErrorKind::Output, destination + ": is a folder, not a file name");
  // Moving the new file into place goes around the old file's own
  // permissions, so ask first whether it may be changed.
  if (fs::exists(destination, ec)) {
    const int fd = ::open(destination.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
      const int error = errno;
      return fail(ErrorKind::Output, destination + ": the existing file cannot be replaced (" +
                                         std::strerror(error) + "); is it read-only?");
    }
    ::close(fd);
  }
  const std::string dir = parentOf(destination);
  std::mt19937_64 random = seededRandom();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string path = dir + "/." + nameOf(destination) + "." + randomSuffix(random) + ".part";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return StagedOutput(path, destination, false);
    }
    if (errno != EEXIST) return cannotWrite(destination, errno);
  }
  return cannotWrite(destination, EEXIST);
}

Result<StagedOutput> StagedOutput::folder(const std::string& destination,
                                          bool (*isEarlierExport)(const std::string& folder)) {
  std::error_code ec;
  const auto status = fs::status(destination, ec);
  if (fs::exists(status)) {
    if (!fs::is_directory(status)) return fail(ErrorKind::Output, destination + ": is a file, not a folder");
    if (!fs::is_empty(destination, ec) && !isEarlierExport(destination))
      return fail(ErrorKind::Output, destination +
                                         ": the folder holds other files; name a new or empty folder "
                                         "(an earlier web album there is replaced)");
    if (::access(destination.c_str(), W_OK) != 0) return cannotWrite(destination, errno);
  }
  std::string base = destination;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  const std::string dir = parentOf(base);
  std::mt19937_64 random = seededRandom();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string path = dir + "/." + nameOf(base) + "." + randomSuffix(random) + ".part";
    if (::mkdir(path.c_str(), 0777) == 0) return StagedOutput(path, base, true);
    if (errno != EEXIST) return cannotWrite(destination, errno);
  }
  return cannotWrite(destination, EEXIST);
}

Status StagedOutput::commit() {
  std::error_code ec;
  if (!isFolder_) {
    // A file that replaces another keeps its permissions (a private one stays private).
    if (fs::is_regular_file(destination_, ec)) {
      const auto previous = fs::status(destination_, ec);
      if (!ec) fs::permissions(staging_, previous.permissions(), ec);
    }
    if (::rename(staging_.c_str(), destination_.c_str()) != 0) {
      const int error = errno;
      return fail(ErrorKind::Output,
                  destination_ + ": cannot put the file in place (" + std::strerror(error) + ")");
    }
    staging_.clear();
    return success();
  }
  // A folder: an earlier export is moved aside first and removed once the
  // new one stands in its place (an empty folder is simply replaced).
  std::string aside;
  if (fs::exists(destination_, ec) && !fs::is_empty(destination_, ec)) {
    aside = staging_ + ".old";
    if (::rename(destination_.c_str(), aside.c_str()) != 0) {
      const int error = errno;
      return fail(ErrorKind::Output,
                  destination_ + ": cannot replace the earlier web album (" + std::strerror(error) + ")");
    }
  }
  if (::rename(staging_.c_str(), destination_.c_str()) != 0) {
    const int error = errno;
    if (!aside.empty()) ::rename(aside.c_str(), destination_.c_str());
    return fail(ErrorKind::Output,
                destination_ + ": cannot put the folder in place (" + std::strerror(error) + ")");
  }
  staging_.clear();
  if (!aside.empty()) fs::remove_all(aside, ec);
  return success();
}

void StagedOutput::discard() {
  if (staging_.empty()) return;
  std::error_code ec;
  if (isFolder_)
    fs::remove_all(staging_, ec);
  else
    fs::remove(staging_, ec);
  staging_.clear();
}

}  // namespace slidewright::exports
