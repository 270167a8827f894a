#include "staging.h"

namespace slidewright::exports {

Error stagingFailure(const std::string& destination, const StagingError& error) {
  switch (error.kind) {
    case StagingErrorKind::IsFolder:
      return fail(ErrorKind::Output, destination + ": is a folder, not a file name");
    case StagingErrorKind::CannotReplace:
      return fail(ErrorKind::Output, destination + ": the existing file cannot be replaced (" +
                                         error.reason() + ")" +
                                         (error.systemError != 0 ? "; is it read-only?" : ""));
    case StagingErrorKind::WriteFailed:
      return fail(ErrorKind::Output, destination + ": cannot write the file (" + error.reason() + ")");
    case StagingErrorKind::CannotMove:
      return fail(ErrorKind::Output, destination + ": cannot put the file in place (" + error.reason() + ")");
    default:
      return fail(ErrorKind::Output, destination + ": cannot write there (" + error.reason() + ")");
  }
}

}  // namespace slidewright::exports
