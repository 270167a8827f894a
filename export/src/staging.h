// Outputs made beside their destination under a hidden name and moved into
// place only when complete, so that a failed or interrupted export leaves
// nothing behind and never damages what was there before.
#pragma once

#include <string>

#include "export/error.h"

namespace slidewright::exports {

class StagedOutput {
 public:
  // A hidden file ".NAME.XXXXXX.part" in the destination's folder, created
  // empty with the usual permissions of a new document. Fails with an Output
  // error when the destination is a folder, is a file that may not be
  // replaced, or when its folder cannot be written.
  static Result<StagedOutput> file(const std::string& destination);
  // A hidden folder beside the destination folder. The destination may be
  // missing, empty, or hold an earlier export (`isEarlierExport` says which
  // folders count as one); any other folder is refused, so that no user's
  // files are ever replaced.
  static Result<StagedOutput> folder(const std::string& destination,
                                     bool (*isEarlierExport)(const std::string& folder));

  StagedOutput(StagedOutput&& other) noexcept;
  StagedOutput& operator=(StagedOutput&& other) noexcept;
  StagedOutput(const StagedOutput&) = delete;
  StagedOutput& operator=(const StagedOutput&) = delete;
  ~StagedOutput() { discard(); }

  const std::string& path() const { return staging_; }
  const std::string& destination() const { return destination_; }
  // Moves the finished output into place, replacing an earlier one (a file
  // keeps the permissions of the one it replaces).
  Status commit();
  // Removes the staged output (also done on destruction unless committed).
  void discard();

 private:
  StagedOutput(std::string staging, std::string destination, bool isFolder)
      : staging_(std::move(staging)), destination_(std::move(destination)), isFolder_(isFolder) {}
  std::string staging_;
  std::string destination_;
  bool isFolder_ = false;
};

}  // namespace slidewright::exports
