#include "common/utf8_path.h"

#include <cerrno>
#include <cstdio>

#ifdef _WIN32
#include <stdio.h>
#endif

#include "common/utf8_text.h"

namespace slidewright {

std::wstring wideFromUtf8Text(const std::string& utf8) {
  std::wstring wide;
  wide.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const char32_t c = nextCodePoint(utf8, i);
    if (sizeof(wchar_t) == 2 && c >= 0x10000) {
      wide += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      wide += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      wide += static_cast<wchar_t>(c);
    }
  }
  return wide;
}

std::string utf8FromWideText(const std::wstring& wide) {
  std::string utf8;
  utf8.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char32_t c = static_cast<char32_t>(wide[i]);
    if (sizeof(wchar_t) == 2) c &= 0xFFFF;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size()) {
      const char32_t low = static_cast<char32_t>(wide[i + 1]) & 0xFFFF;
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacementCharacter;
    appendUtf8(utf8, c);
  }
  return utf8;
}

std::filesystem::path pathFromUtf8(const std::string& utf8) {
#ifdef _WIN32
  return std::filesystem::path(wideFromUtf8Text(utf8));
#else
  return std::filesystem::path(utf8);
#endif
}

std::string utf8FromPath(const std::filesystem::path& path) {
#ifdef _WIN32
  return utf8FromWideText(path.native());
#else
  return path.native();
#endif
}

bool removeFile(const std::string& path) {
#ifdef _WIN32
  return _wremove(wideFromUtf8Text(path).c_str()) == 0;
#else
  return std::remove(path.c_str()) == 0;
#endif
}

}  // namespace slidewright
