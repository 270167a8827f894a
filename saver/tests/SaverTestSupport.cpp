#include "SaverTestSupport.h"

#include <vector>

#include "TestFolder.h"
#include "scrfile/screensaver_file.h"

namespace savertest {

void settlePointer(POINT p) {
  SetCursorPos(p.x, p.y);
  int steady = 0;
  const DWORD start = GetTickCount();
  while (steady < 5 && GetTickCount() - start < 2000) {
    pumpFor(20);
    POINT now{};
    GetCursorPos(&now);
    if (now.x == p.x && now.y == p.y) {
      ++steady;
    } else {
      steady = 0;
      SetCursorPos(p.x, p.y);
    }
  }
}

std::string makeScreensaver(const std::string& folder, const std::string& name,
                            const testmovies::MovieSpec& movie) {
  std::vector<uint8_t> stub;
  if (!slidewright::scrfile::readWholeFile(SAVERSTUB_EXE, &stub)) return "";
  const std::string moviePath = folder + name + ".swf";
  if (!testmovies::writeColourMovie(moviePath, movie)) return "";
  const std::string path = folder + name + ".scr";
  return slidewright::scrfile::writeScreensaverFile(path, stub, moviePath) ? path : "";
}

int playerTemporaryFiles() {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  return countFiles(std::string(folder) + "~ff*.tmp");
}

}  // namespace savertest
