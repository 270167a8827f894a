// The main window's make-video command: the album in the window (its
// pictures with their transitions and holds, music, size, colour, loop)
// drawn from the original pictures into an MP4 beside the save path, on a
// worker thread, with the progress bar; cancelled when the window closes.
#include <windows.h>
#include <commctrl.h>

#include "FailureTexts.h"
#include "MainWindow.h"
#include "resource.h"

void MainWindow::makeVideo() {
  if (making() || !takeSavePathForMake()) return;
  beginProgress();
  videoJob_.start(handle(), makeSettingsFor(settings_, albumEntries()), videoPathFor(settings_.savePath));
  updateCommandStates();
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
}

// Told as a make of the album is: a beep when the video is made, the reason
// in the window's language when it is not. A video cancelled is not told.
void MainWindow::onVideoFinished() {
  HWND hwnd = handle();
  const auto result = videoJob_.finish();
  updateCommandStates();
  SendDlgItemMessageA(hwnd, IDC_PROGRESS, PBM_SETPOS, 20, 0);
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  if (!result.ok() && result.kind() == slidewright::exports::ErrorKind::Cancelled) return;
  MessageBeep(MB_OK);
  if (result.ok()) return;
  const std::string text =
      messageText(language_, "MakeVideoError") + "\r\n\r\n" +
      videoErrorText(language_, result.error(), settings_.musicPath, videoPathFor(settings_.savePath));
  showMessage(hwnd, text, MB_OK | MB_ICONWARNING);
}
