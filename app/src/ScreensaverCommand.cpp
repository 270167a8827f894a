#include "ScreensaverCommand.h"

#include <cctype>

#include "DialogWindow.h"
#include "FailureTexts.h"
#include "TextConversion.h"
#include "resource.h"
#include "scrfile/screensaver_file.h"

namespace {

using slidewright::scrfile::ErrorKind;

const char* messageKeyFor(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::NoMovie:
      return "SaverNoMovie";
    case ErrorKind::NotAMovie:
      return "SaverNotAMovie";
    case ErrorKind::TooLarge:
      return "SaverTooLarge";
    default:
      return "SaverWriteError";
  }
}

// Starts a program by its command line (UTF-8), without waiting for it.
void startProgram(const std::string& commandLine) {
  std::wstring line = wideFromUtf8(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION process{};
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

}  // namespace

std::string installerCommandLine(const std::string& scrPath) {
  return "rundll32.exe desk.cpl,InstallScreenSaver " + scrPath;
}

ScreensaverOutcome makeScreensaver(const ScreensaverRequest& request) {
  // The preview lets go of the movie so that it can be read in full.
  if (request.stopPreview) request.stopPreview();
  ScreensaverOutcome outcome;
  outcome.scrPath = slidewright::scrfile::screensaverPathFor(request.savePath);
  slidewright::scrfile::Error error;
  if (!request.savePath.empty()) {
    const slidewright::scrfile::Status written =
        slidewright::scrfile::writeScreensaverFile(outcome.scrPath, request.stub, request.savePath);
    outcome.written = written.ok();
    if (!written) error = written.error();
  }
  if (!outcome.written) {
    outcome.messageKey = request.savePath.empty() ? "SaverNoMovie" : messageKeyFor(error.kind);
    const std::string text =
        request.language ? messageText(*request.language, outcome.messageKey) : outcome.messageKey;
    if (request.tell)
      request.tell(text);
    else
      showMessage(request.owner, text, MB_OK | MB_ICONWARNING);
    return outcome;
  }
  const std::string commandLine = installerCommandLine(outcome.scrPath);
  if (request.startInstaller)
    request.startInstaller(commandLine);
  else
    startProgram(commandLine);
  return outcome;
}
