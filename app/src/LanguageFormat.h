// Fills the printf-style texts of the language file ("Width: %d pixels")
// without handing them to printf: the file is the user's to edit, and a
// stray "%s" or "%n" there must not read or write memory. The first
// conversion takes the value whatever its letter; "%%" is a percent sign;
// any later conversion is shown as it is written.
#pragma once
#include <cstddef>
#include <string>

// Longest format text used, as the program's 100-byte format buffers allow;
// a longer text is cut there.
constexpr std::size_t kMaxFormatLength = 99;

std::string formatWithText(const std::string& format, const std::string& value);
std::string formatWithNumber(const std::string& format, long long value);

// A format text cut at its first conversion, for a value of another encoding
// than the format's (a UTF-8 name in a code-page text): the text before and
// after the conversion as formatWithText gives them, and whether there was
// one (without one, `before` is the whole text).
struct FormatParts {
  std::string before, after;
  bool hasConversion = false;
};
FormatParts splitAtConversion(const std::string& format);
