// The words of a subcommand's command line, read one at a time: options
// ("-o", "--size", "--size=640x480") and operands (files), with "--" ending
// the options so that a file may begin with "-". Each subcommand decides what
// its options mean; this only splits the words the same way for all.
#pragma once

#include <optional>
#include <string>

namespace slidewright::cli {

struct Argument {
  bool isOption = false;
  std::string text;                        // the word as given
  std::string name;                        // an option's name: "--size" of "--size=640x480"
  std::optional<std::string> inlineValue;  // the text after '=' of a long option
};

class ArgumentScanner {
 public:
  // argv[0], the subcommand's own name, is skipped.
  ArgumentScanner(int argc, char** argv) : argc_(argc), argv_(argv) {}

  // The next word, or nothing after the last one.
  std::optional<Argument> next();

  // The value of an option that takes one: its inline value, or else the
  // next word (taken, whatever it looks like). Nothing when the option was
  // the last word.
  std::optional<std::string> valueOf(const Argument& option);
  // The same into `out`, left as it was when there is none; false then.
  bool valueInto(const Argument& option, std::string* out);

 private:
  int argc_;
  char** argv_;
  int index_ = 1;
  bool optionsEnded_ = false;
};

}  // namespace slidewright::cli
