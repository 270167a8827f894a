// Waiting in a test the way a program waits: serving this thread's window
// messages, so that timers fire and windows paint meanwhile.
#pragma once
#include <windows.h>

// Dispatches this thread's messages for the given time.
void pumpFor(DWORD milliseconds);

// Pumps messages until `done` holds or the time runs out; false on time-out.
template <class Condition>
bool pumpUntil(Condition done, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > milliseconds) return false;
    pumpFor(10);
  }
  return true;
}
