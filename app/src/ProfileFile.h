// Values of the program's private-profile (.ini) files: the settings file and
// the language files. A file is named by its UTF-8 path, so that the program
// folder may have a name in any script; the values are text in the code page,
// as the files have always held them.
#pragma once
#include <string>

// [section] key, or fallback when missing; cut at size - 1 characters.
std::string readProfileString(const std::string& file, const char* section, const char* key,
                              const std::string& fallback, unsigned size);
// [section] key as an integer, or fallback when missing.
int readProfileInt(const std::string& file, const char* section, const char* key, int fallback);
// Writes [section] key = value; false when the file could not be written.
bool writeProfileString(const std::string& file, const char* section, const char* key,
                        const std::string& value);
