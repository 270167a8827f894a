#include "LanguageFormat.h"

#include <cctype>

namespace {

// Length of the conversion that starts at format[at] (a '%'), flags, width,
// precision and length letters included; 0 when none is complete there.
std::size_t conversionLength(const std::string& format, std::size_t at) {
  std::size_t i = at + 1;
  while (i < format.size() && std::string("-+ #0").find(format[i]) != std::string::npos) ++i;
  while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) ++i;
  if (i < format.size() && format[i] == '.') {
    ++i;
    while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) ++i;
  }
  while (i < format.size() && std::string("hlLqjzt").find(format[i]) != std::string::npos) ++i;
  if (i >= format.size() || !std::isalpha(static_cast<unsigned char>(format[i]))) return 0;
  return i + 1 - at;
}

}  // namespace

FormatParts splitAtConversion(const std::string& text) {
  const std::string format = text.substr(0, kMaxFormatLength);
  FormatParts parts;
  for (std::size_t i = 0; i < format.size(); ++i) {
    std::string& out = parts.hasConversion ? parts.after : parts.before;
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    const std::size_t length = conversionLength(format, i);
    if (length == 0 || parts.hasConversion) {
      out += format[i];
      continue;
    }
    parts.hasConversion = true;
    i += length - 1;
  }
  return parts;
}

std::string formatWithText(const std::string& format, const std::string& value) {
  const FormatParts parts = splitAtConversion(format);
  return parts.hasConversion ? parts.before + value + parts.after : parts.before;
}

std::string formatWithNumber(const std::string& format, long long value) {
  return formatWithText(format, std::to_string(value));
}
