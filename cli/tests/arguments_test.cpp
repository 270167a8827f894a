// How a subcommand's words are split into options, their values and operands.
#include "arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using slidewright::cli::ArgumentScanner;

namespace {

// The words as the scanner reports them: "o:NAME=VALUE" for an option with an
// inline value, "o:NAME" for one without, "f:TEXT" for an operand; an option
// in `takesValue` is followed by "v:VALUE" or "v:-" when none is left.
std::vector<std::string> scan(std::vector<std::string> words,
                              const std::vector<std::string>& takesValue = {}) {
  words.insert(words.begin(), "make");
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  ArgumentScanner scanner(static_cast<int>(argv.size()), argv.data());
  std::vector<std::string> seen;
  while (const auto arg = scanner.next()) {
    if (!arg->isOption) {
      seen.push_back("f:" + arg->text);
      continue;
    }
    seen.push_back("o:" + arg->name + (arg->inlineValue ? "=" + *arg->inlineValue : ""));
    for (const auto& name : takesValue)
      if (name == arg->name) {
        const auto value = scanner.valueOf(*arg);
        seen.push_back("v:" + (value ? *value : std::string("-")));
      }
  }
  return seen;
}

using Words = std::vector<std::string>;

}  // namespace

TEST(ArgumentScanner, OptionsValuesAndOperands) {
  EXPECT_EQ(scan({"a.jpg", "-o", "out.swf", "b.jpg"}, {"-o"}),
            (Words{"f:a.jpg", "o:-o", "v:out.swf", "f:b.jpg"}));
  // A long option's value after '=' or as the next word; an empty inline
  // value is still a value.
  EXPECT_EQ(scan({"--size=640x480", "--size", "320x240", "--title="}, {"--size", "--title"}),
            (Words{"o:--size=640x480", "v:640x480", "o:--size", "v:320x240", "o:--title=", "v:"}));
  // A short option never splits at '=': "-o=x" is the option "-o=x".
  EXPECT_EQ(scan({"-o=x"}), (Words{"o:-o=x"}));
  // The word after an option that takes a value is its value, even if it
  // looks like an option.
  EXPECT_EQ(scan({"-o", "-q"}, {"-o"}), (Words{"o:-o", "v:-q"}));
  // The last word asking for a value that is not there.
  EXPECT_EQ(scan({"a.jpg", "-o"}, {"-o"}), (Words{"f:a.jpg", "o:-o", "v:-"}));
}

TEST(ArgumentScanner, DashesThatAreNotOptions) {
  // "-" and "" are operands; after "--" every word is one, "--" included.
  EXPECT_EQ(scan({"-", "", "--", "-a.jpg", "--", "--x=1"}),
            (Words{"f:-", "f:", "f:-a.jpg", "f:--", "f:--x=1"}));
  EXPECT_EQ(scan({}), Words{});
}
