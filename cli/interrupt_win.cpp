// The Windows console's close, log-off and shut-down events as requests to
// stop. The only file of the command that includes <windows.h>.
#include <windows.h>

#include "interrupt.h"

namespace slidewright::cli {

namespace {

// Windows ends the process as soon as the handler returns from one of these
// events, so it waits here: the work stops at its next step, removes its
// files and exits, which ends this thread too. Windows allows a few seconds
// for it (five for a closed console).
BOOL WINAPI onConsoleEvent(DWORD event) {
  if (event != CTRL_CLOSE_EVENT && event != CTRL_LOGOFF_EVENT && event != CTRL_SHUTDOWN_EVENT) return FALSE;
  requestStop(0);
  Sleep(INFINITE);
  return TRUE;
}

}  // namespace

void watchConsoleClose(bool watch) { SetConsoleCtrlHandler(onConsoleEvent, watch ? TRUE : FALSE); }

}  // namespace slidewright::cli
