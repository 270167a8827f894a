// A shell drop made in the program, for the window tests and the benchmark
// of adding pictures.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// The paths (UTF-8) as the shell hands a drop to a window: a DROPFILES block
// with wide names. The window that receives WM_DROPFILES frees it.
HDROP makeShellDrop(const std::vector<std::string>& paths);
