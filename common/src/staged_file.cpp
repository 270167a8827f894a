#include "common/staged_file.h"

#include "common/file_kind.h"
#include "common/utf8_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <utility>

#ifdef _WIN32
#include <io.h>

// The one Win32 call the mechanism needs, declared here so that this
// standard-library-only layer does not take in <windows.h>.
extern "C" __declspec(dllimport) int __stdcall MoveFileExW(const wchar_t* existing,
                                                           const wchar_t* replacement, unsigned long flags);
extern "C" __declspec(dllimport) unsigned long __stdcall GetLastError();
#else
#include <unistd.h>
#endif

namespace slidewright {

namespace {

#ifdef _WIN32
int openForWriting(const std::string& path) {
  return _wopen(wideFromUtf8Text(path).c_str(), _O_WRONLY | _O_BINARY);
}
int createExclusive(const std::string& path) {
  return _wopen(wideFromUtf8Text(path).c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY,
                _S_IREAD | _S_IWRITE);
}
void closeDescriptor(int fd) { _close(fd); }
std::FILE* streamOf(int fd) { return _fdopen(fd, "wb"); }
bool isSeparator(char c) { return c == '/' || c == '\\' || c == ':'; }

// MoveFileEx's errors as the errno values the rest of the mechanism reports.
int errnoOf(unsigned long win32Error) {
  switch (win32Error) {
    case 2:  // ERROR_FILE_NOT_FOUND
    case 3:  // ERROR_PATH_NOT_FOUND
      return ENOENT;
    case 5:   // ERROR_ACCESS_DENIED
    case 32:  // ERROR_SHARING_VIOLATION
    case 33:  // ERROR_LOCK_VIOLATION
      return EACCES;
    case 17:  // ERROR_NOT_SAME_DEVICE
      return EXDEV;
    case 39:   // ERROR_HANDLE_DISK_FULL
    case 112:  // ERROR_DISK_FULL
      return ENOSPC;
    default:
      return EIO;
  }
}

int moveIntoPlace(const std::string& from, const std::string& to) {
  const unsigned long kReplaceExisting = 1, kWriteThrough = 8;
  if (MoveFileExW(wideFromUtf8Text(from).c_str(), wideFromUtf8Text(to).c_str(),
                  kReplaceExisting | kWriteThrough))
    return 0;
  return errnoOf(GetLastError());
}

void keepPermissions(const std::string&, const std::string&) {
  // A read-only file is refused before anything is written, and Windows
  // keeps no other permission bits a new file could lose.
}
#else
int openForWriting(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
}
int createExclusive(const std::string& path) {
  return ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
}
void closeDescriptor(int fd) { ::close(fd); }
std::FILE* streamOf(int fd) { return ::fdopen(fd, "wb"); }
bool isSeparator(char c) { return c == '/'; }

int moveIntoPlace(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// The new file takes the permissions of the one it replaces (followed
// through a link, as the checks are).
void keepPermissions(const std::string& staged, const std::string& destination) {
  const FileFacts facts = inspectFile(destination);
  if (facts.kind == FileKind::Regular) ::chmod(staged.c_str(), facts.permissions);
}
#endif

bool failWith(StagingError* error, StagingErrorKind kind, int systemError) {
  if (error) *error = StagingError{kind, systemError};
  return false;
}

// The staged file's name: the destination's folder and name, hidden, with a
// random part.
std::string stagedName(const std::string& destination, std::mt19937_64& random) {
  std::size_t cut = destination.size();
  while (cut > 0 && !isSeparator(destination[cut - 1])) --cut;
  static const char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string unique;
  for (int i = 0; i < 8; ++i) unique += kDigits[random() % (sizeof kDigits - 1)];
  return destination.substr(0, cut) + "." + destination.substr(cut) + "." + unique + ".part";
}

}  // namespace

std::string StagingError::reason() const {
  switch (kind) {
    case StagingErrorKind::NoFileName:
      return "no file name was given";
    case StagingErrorKind::IsFolder:
      return "is a folder";
    default:
      break;
  }
  if (kind == StagingErrorKind::CannotReplace && systemError == 0) return "is not a regular file";
  return systemError != 0 ? std::strerror(systemError) : "unknown error";
}

bool StagingError::accessDenied() const { return systemError == EACCES || systemError == EPERM; }

// What is at the destination: nothing, or a regular file that may be changed.
static bool checkExisting(const std::string& destination, StagingError* error) {
  if (destination.empty()) return failWith(error, StagingErrorKind::NoFileName, 0);
  const FileFacts facts = inspectFile(destination);
  if (facts.kind != FileKind::Missing) {
    if (facts.kind == FileKind::Folder) return failWith(error, StagingErrorKind::IsFolder, 0);
    // A device or a pipe is not replaced by a file.
    if (facts.kind != FileKind::Regular) return failWith(error, StagingErrorKind::CannotReplace, 0);
    const int fd = openForWriting(destination);
    if (fd < 0) return failWith(error, StagingErrorKind::CannotReplace, errno);
    closeDescriptor(fd);
  }
  return true;
}

bool StagedFile::checkDestination(const std::string& destination, StagingError* error) {
  StagedFile probe;
  return probe.open(destination, error);
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)),
      path_(std::exchange(other.path_, std::string())),
      destination_(std::move(other.destination_)) {}

StagedFile& StagedFile::operator=(StagedFile&& other) noexcept {
  if (this != &other) {
    discard();
    file_ = std::exchange(other.file_, nullptr);
    path_ = std::exchange(other.path_, std::string());
    destination_ = std::move(other.destination_);
  }
  return *this;
}

bool StagedFile::open(const std::string& destination, StagingError* error) {
  discard();
  if (!checkExisting(destination, error)) return false;
  std::random_device device;
  std::mt19937_64 random((std::uint64_t(device()) << 32) ^ device() ^
                         std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = stagedName(destination, random);
    const int fd = createExclusive(candidate);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return failWith(error, StagingErrorKind::CannotCreate, errno);
    }
    std::FILE* file = streamOf(fd);
    if (!file) {
      const int why = errno;
      closeDescriptor(fd);
      removeFile(candidate);
      return failWith(error, StagingErrorKind::CannotCreate, why);
    }
    file_ = file;
    path_ = candidate;
    destination_ = destination;
    return true;
  }
  return failWith(error, StagingErrorKind::CannotCreate, EEXIST);
}

bool StagedFile::close(StagingError* error) {
  if (!file_) return true;
  std::FILE* file = std::exchange(file_, nullptr);
  errno = 0;
  bool written = std::fflush(file) == 0 && !std::ferror(file);
  int why = errno;
  if (std::fclose(file) != 0 && written) {
    written = false;
    why = errno;
  }
  if (!written) return failWith(error, StagingErrorKind::WriteFailed, why != 0 ? why : EIO);
  return true;
}

bool StagedFile::commit(StagingError* error) {
  if (path_.empty()) return failWith(error, StagingErrorKind::CannotCreate, ENOENT);
  if (!close(error)) {
    discard();
    return false;
  }
  keepPermissions(path_, destination_);
  if (const int why = moveIntoPlace(path_, destination_); why != 0) {
    discard();
    return failWith(error, StagingErrorKind::CannotMove, why);
  }
  path_.clear();
  return true;
}

void StagedFile::discard() {
  if (file_) std::fclose(std::exchange(file_, nullptr));
  if (!path_.empty()) removeFile(path_);
  path_.clear();
}

}  // namespace slidewright
