// The window benchmarks' program folder, message pump and clock.
#include "BenchProgramFolder.h"

#include "ProgramDirectory.h"

namespace bench {

namespace {
constexpr const char* kProgramFiles[] = {"language.cns", "interface\\mainskin.bmp",
                                         "interface\\mainmask.bmp"};
}

std::string makeProgramFolder(const char* prefix) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + prefix + "-" + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  CreateDirectoryA((folder + "interface").c_str(), nullptr);
  const std::string built = programDirectory();
  for (const char* f : kProgramFiles) CopyFileA((built + f).c_str(), (folder + f).c_str(), FALSE);
  return folder;
}

void removeProgramFolder(const std::string& folder) {
  for (const char* f : kProgramFiles) DeleteFileA((folder + f).c_str());
  DeleteFileA((folder + "slidewright.ini").c_str());
  RemoveDirectoryA((folder + "interface").c_str());
  RemoveDirectoryA(folder.c_str());
}

void pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

double secondsSince(LARGE_INTEGER from) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace bench
