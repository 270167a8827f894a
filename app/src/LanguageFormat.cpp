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

std::string fill(std::string format, const std::string& value) {
  if (format.size() > kMaxFormatLength) format.resize(kMaxFormatLength);
  std::string out;
  bool filled = false;
  for (std::size_t i = 0; i < format.size(); ++i) {
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
    if (length == 0 || filled) {
      out += format[i];
      continue;
    }
    out += value;
    filled = true;
    i += length - 1;
  }
  return out;
}

}  // namespace

std::string formatWithText(const std::string& format, const std::string& value) {
  return fill(format, value);
}

std::string formatWithNumber(const std::string& format, long long value) {
  return fill(format, std::to_string(value));
}
