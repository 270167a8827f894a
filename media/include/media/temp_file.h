// Temporary files: a unique name with the prefix "FM" in the system's
// temporary directory, created empty and exclusively (so no other process
// can take the same name), and removed when the object goes away, whatever
// happened in between.
#pragma once

#include <string>

#include "media/result.h"

namespace slidewright::media {

class TempFile {
 public:
  // Creates "<temp dir>/FMxxxxxxxx<extension>" (extension with its dot).
  static Result<TempFile> create(const std::string& extension);
  // Same, in a given directory and with a given prefix. A private file is
  // readable by its owner only; a shared one gets the usual permissions of a
  // new file (for a file that is to become a user's document).
  enum class Access { Private, Shared };
  static Result<TempFile> createIn(const std::string& directory, const std::string& prefix,
                                   const std::string& extension, Access access = Access::Private);

  TempFile() = default;
  TempFile(TempFile&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }
  TempFile& operator=(TempFile&& other) noexcept;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() { remove(); }

  const std::string& path() const { return path_; }
  // Deletes the file now (it is no longer the object's to delete).
  void remove();
  // Keeps the file: the object no longer deletes it.
  std::string release();

 private:
  explicit TempFile(std::string path) : path_(std::move(path)) {}
  std::string path_;
};

// The system's temporary directory.
std::string temporaryDirectory();

}  // namespace slidewright::media
