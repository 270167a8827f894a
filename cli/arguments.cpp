// Splitting a subcommand's command line into options and operands.
#include "arguments.h"

namespace slidewright::cli {

std::optional<Argument> ArgumentScanner::next() {
  while (index_ < argc_) {
    Argument a;
    a.text = argv_[index_++];
    // "-" alone names standard input or output the way tools do, so it is an
    // operand, as is every word after "--".
    if (optionsEnded_ || a.text.size() < 2 || a.text[0] != '-') return a;
    if (a.text == "--") {
      optionsEnded_ = true;
      continue;
    }
    a.isOption = true;
    a.name = a.text;
    if (a.text.rfind("--", 0) == 0) {
      if (const size_t eq = a.text.find('='); eq != std::string::npos) {
        a.name = a.text.substr(0, eq);
        a.inlineValue = a.text.substr(eq + 1);
      }
    }
    return a;
  }
  return std::nullopt;
}

std::optional<std::string> ArgumentScanner::valueOf(const Argument& option) {
  if (option.inlineValue) return option.inlineValue;
  if (index_ >= argc_) return std::nullopt;
  return std::string(argv_[index_++]);
}

bool ArgumentScanner::valueInto(const Argument& option, std::string* out) {
  const auto given = valueOf(option);
  if (given) *out = *given;
  return given.has_value();
}

}  // namespace slidewright::cli
