// Paths inside the program are UTF-8 text in std::string. On POSIX systems
// those are the bytes the system takes as they are; on Windows, where the
// narrow C library and "A" functions read the ANSI code page (which cannot
// hold every name), every file is reached through the wide form made here.
// The conversions never throw: a sequence that is not UTF-8 becomes U+FFFD,
// which names no file, so opening it fails as a missing file does.
#pragma once

#include <filesystem>
#include <string>

namespace slidewright {

// UTF-8 to wchar_t text: UTF-16 where wchar_t has 16 bits (Windows), UTF-32
// elsewhere.
std::wstring wideFromUtf8Text(const std::string& utf8);
// And back; an unpaired surrogate becomes U+FFFD.
std::string utf8FromWideText(const std::wstring& wide);

// The path a UTF-8 string names: the wide path on Windows, the bytes as
// they are elsewhere.
std::filesystem::path pathFromUtf8(const std::string& utf8);
// The UTF-8 text of a path (for a path read from the system, e.g. a folder
// listing).
std::string utf8FromPath(const std::filesystem::path& path);

// Removes a file (not a folder): false with errno set when it could not.
bool removeFile(const std::string& path);

}  // namespace slidewright
