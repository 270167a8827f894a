// Helpers of the screensaver tests: screensaver files made from the built
// player and a test movie, messages pumped while waiting.
#pragma once
#include <windows.h>

#include <string>

#include "TestMovies.h"

namespace savertest {

// Dispatches this thread's messages for the given time.
void pumpFor(DWORD milliseconds);

// Pumps messages until `done` holds or the time runs out.
template <class Condition>
bool pumpUntil(Condition done, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > milliseconds) return false;
    pumpFor(10);
  }
  return true;
}

// Puts the pointer at p and waits (up to two seconds, pumping messages)
// until the system reports it there steadily. Under Wine the X server
// reports a warp a moment later, and a report of the older position could
// otherwise become the screensaver's reference or look like a move.
void settlePointer(POINT p);

// Writes `folder`/`name`: the built saverstub.exe with the movie appended.
// Returns the path, or "" if it could not be written.
std::string makeScreensaver(const std::string& folder, const std::string& name,
                            const testmovies::MovieSpec& movie);

// Temporary files of the player ("~ff*.tmp") in the temporary folder.
int playerTemporaryFiles();

}  // namespace savertest
