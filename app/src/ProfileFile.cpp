#include "ProfileFile.h"

#include <windows.h>

#include <vector>

#include "TextConversion.h"

// The wide functions read a file without a byte-order mark in the code page
// and write it back in the code page, so the bytes of the files stay those
// the "A" functions read and wrote; only the file's name is taken whole.

std::string readProfileString(const std::string& file, const char* section, const char* key,
                              const std::string& fallback, unsigned size) {
  std::vector<wchar_t> buffer(size, L'\0');
  const DWORD n = GetPrivateProfileStringW(wideFromAnsi(section).c_str(), wideFromAnsi(key).c_str(),
                                           wideFromAnsi(fallback).c_str(), buffer.data(), size,
                                           wideFromUtf8(file).c_str());
  return shownAnsi(std::wstring(buffer.data(), n));
}

int readProfileInt(const std::string& file, const char* section, const char* key, int fallback) {
  return static_cast<int>(GetPrivateProfileIntW(wideFromAnsi(section).c_str(), wideFromAnsi(key).c_str(),
                                                fallback, wideFromUtf8(file).c_str()));
}

bool writeProfileString(const std::string& file, const char* section, const char* key,
                        const std::string& value) {
  return WritePrivateProfileStringW(wideFromAnsi(section).c_str(), wideFromAnsi(key).c_str(),
                                    wideFromAnsi(value).c_str(), wideFromUtf8(file).c_str()) != FALSE;
}
