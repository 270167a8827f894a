// A fresh folder in the temporary directory for one test, removed with all
// its files afterwards; and small file helpers.
#pragma once
#include <string>
#include <vector>

class TestFolder {
 public:
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  // The folder's path (UTF-8, as every path of the program), ending in a
  // backslash.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// UTF-8 paths.
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
// How many files match a pattern such as "C:\\temp\\FM*".
int countFiles(const std::string& pattern);
// True when the process runs in the Simplified Chinese code page (936).
bool inChineseCodePage();
