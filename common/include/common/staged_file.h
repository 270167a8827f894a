// Files written beside their destination and moved into place only when
// complete, so that a failed or interrupted write leaves nothing behind and
// never damages the file that was there. Every writer of user files (movies,
// videos, web albums, screensavers) goes through this one mechanism:
//
// - The staged file is ".NAME.XXXXXXXX.part" in the destination's folder, the
//   X a random choice, created exclusively: it never takes the place of a
//   file that is already there.
// - A destination that is a folder or another special file is refused, and so
//   is a file that may not be changed (read-only, or held by a program that
//   does not share it): moving a new file into place would go around its
//   permissions.
// - A replaced file's permissions carry over to the new one (a private movie
//   stays private); a new file gets the usual ones of a new document.
// - Symbolic links: a link at the destination is judged by the file it points
//   to (a link to a folder or to a read-only file is refused, the new file
//   takes that file's permissions), and the link itself is replaced by the
//   new file. The file it pointed to is never written.
// - The move replaces the old file in one step: rename() on POSIX systems,
//   MoveFileEx with MOVEFILE_REPLACE_EXISTING on Windows (which fails, leaving
//   both files, while another program holds the old one open).
//
// Paths are UTF-8 (common/utf8_path.h); on Windows the files are reached by
// their wide names.
#pragma once

#include <cstdio>
#include <string>

namespace slidewright {

enum class StagingErrorKind {
  NoFileName,     // the destination is empty
  IsFolder,       // the destination is a folder
  CannotReplace,  // the existing file may not be changed, or is not a regular file
  CannotCreate,   // no file can be made in the destination's folder
  WriteFailed,    // writing or closing the staged file failed (a full disk)
  CannotMove,     // the finished file could not take the destination's place
};

struct StagingError {
  StagingErrorKind kind = StagingErrorKind::CannotCreate;
  int systemError = 0;  // the errno value behind it, 0 when there is none
  // What went wrong, without the path: "is a folder", "Permission denied", ...
  std::string reason() const;
  // Whether the system said the file is read-only or in use.
  bool accessDenied() const;
};

class StagedFile {
 public:
  // Whether a file could be written at destination and replace what is there,
  // as open() would find it; leaves nothing behind. For a check before slow
  // work.
  static bool checkDestination(const std::string& destination, StagingError* error);

  StagedFile() = default;
  StagedFile(StagedFile&& other) noexcept;
  StagedFile& operator=(StagedFile&& other) noexcept;
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;
  ~StagedFile() { discard(); }

  // Checks the destination and creates the staged file beside it, open for
  // writing (binary). False with error filled when nothing was created.
  bool open(const std::string& destination, StagingError* error);
  bool isOpen() const { return !path_.empty(); }

  // The staged file, open for writing until close() or commit(); empty when
  // closed. A caller that writes the staged file by its name closes it first.
  std::FILE* file() const { return file_; }
  const std::string& path() const { return path_; }
  const std::string& destination() const { return destination_; }

  // Closes the staged file: false (WriteFailed) when something written did
  // not reach it. The staged file stays until commit() or discard().
  bool close(StagingError* error);
  // Closes the staged file if still open and moves it into place. On failure
  // the staged file is removed and the destination is as it was.
  bool commit(StagingError* error);
  // Removes the staged file (done on destruction unless committed).
  void discard();

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
  std::string destination_;
};

}  // namespace slidewright
