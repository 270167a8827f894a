// Helpers of the screensaver tests: screensaver files made from the built
// player and a test movie, the pointer settled before a move is judged.
#pragma once
#include <windows.h>

#include <string>

#include "TestMovies.h"
#include "TestPump.h"

namespace savertest {

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
