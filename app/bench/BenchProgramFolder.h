// What the window benchmarks share: a private program folder beside the
// built program (its language file and skin, so the window starts as the
// program does, and a slidewright.ini of its own), the message pump and a
// clock.
#pragma once

#include <windows.h>

#include <string>

namespace bench {

// Makes %TEMP%\<prefix>-<process id>\ with the built program's language file
// and skin; returns it with a trailing backslash.
std::string makeProgramFolder(const char* prefix);
// Removes what makeProgramFolder made and the settings the window wrote there.
void removeProgramFolder(const std::string& folder);

// Dispatches the thread's waiting messages.
void pump();

// Seconds from `from` to now on the performance counter.
double secondsSince(LARGE_INTEGER from);

}  // namespace bench
