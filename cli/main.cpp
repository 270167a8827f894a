// `slidewright`: dispatches to the subcommand named by the first argument.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "command.h"
#include "common/same_file.h"
#include "common/utf8_path.h"
#include "slidewright_version.h"

// Every command's entry point, declared from the command list.
#define SLIDEWRIGHT_COMMAND(name, function, summary) int function(int argc, char** argv);
#include "commands.def"
#undef SLIDEWRIGHT_COMMAND

namespace slidewright::cli {

const char* const kProgramName = "slidewright";

int usageError(const char* command, const std::string& message) {
  std::fprintf(stderr, "%s %s: %s\nRun '%s %s --help' for the options.\n", kProgramName, command,
               message.c_str(), kProgramName, command);
  return kExitUsage;
}

std::string programFolder() {
#if defined(__linux__)
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) return self.parent_path().string();
#elif defined(_WIN32)
  // The program's full path, in UTF-8 as every path the command handles.
  const wchar_t* self = _wpgmptr;
  if (self && *self) return slidewright::utf8FromPath(std::filesystem::path(self).parent_path());
#endif
  return std::string();
}

bool outputIsAnInput(const std::string& output, const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs) {
    if (input.empty() || !isSameFile(output, input)) continue;
    std::fprintf(stderr,
                 "%s: %s: the output is the input '%s', which writing it would destroy; name another "
                 "file for the output\n",
                 kProgramName, output.c_str(), input.c_str());
    return true;
  }
  return false;
}

namespace {

struct Command {
  const char* name;
  int (*run)(int argc, char** argv);
  const char* summary;
};

const Command kCommands[] = {
#define SLIDEWRIGHT_COMMAND(name, function, summary) {name, ::function, summary},
#include "commands.def"
#undef SLIDEWRIGHT_COMMAND
};

void printUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: %s COMMAND [OPTIONS] [ARGUMENTS]\n"
               "Makes SWF slide shows from pictures and music.\n\n"
               "Commands:\n",
               kProgramName);
  for (const Command& c : kCommands) std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
  std::fprintf(out,
               "\nRun '%s COMMAND --help' for the options of a command.\n"
               "  -h, --help     show this help and exit\n"
               "  -V, --version  show the version and exit\n",
               kProgramName);
}

}  // namespace

int dispatch(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "%s: no command given\n", kProgramName);
    printUsage(stderr);
    return kExitUsage;
  }
  const char* first = argv[1];
  if (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0 || std::strcmp(first, "help") == 0) {
    printUsage(stdout);
    return kExitOk;
  }
  if (std::strcmp(first, "--version") == 0 || std::strcmp(first, "-V") == 0) {
    std::printf("%s %s\n", kProgramName, SLIDEWRIGHT_VERSION);
    return kExitOk;
  }
  for (const Command& c : kCommands) {
    if (std::strcmp(first, c.name) == 0) return c.run(argc - 1, argv + 1);
  }
  std::fprintf(stderr, "%s: unknown command '%s'; run '%s --help' for the list\n", kProgramName, first,
               kProgramName);
  return kExitUsage;
}

}  // namespace slidewright::cli

namespace {

int run(int argc, char** argv) {
  // Messages and the progress bar go to stderr; make sure they appear in order.
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  // A command that runs out of memory fails as any other failure does, with
  // a word to the user, instead of aborting.
  try {
    return slidewright::cli::dispatch(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "%s: not enough memory; the command stopped\n", slidewright::cli::kProgramName);
    return slidewright::cli::kExitFailed;
  }
}

}  // namespace

#ifdef _WIN32
// The console's output code page, declared here so that the command does not
// take in <windows.h>.
extern "C" __declspec(dllimport) int __stdcall SetConsoleOutputCP(unsigned int codePage);
extern "C" __declspec(dllimport) unsigned int __stdcall GetConsoleOutputCP();

// Windows hands the arguments over as wide text (the program is linked with
// -municode): every name, in any script, becomes the UTF-8 the commands
// take. What the command prints is UTF-8 too, so a console shows it in its
// UTF-8 code page for the time the command runs.
int wmain(int argc, wchar_t** wargv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(slidewright::utf8FromWideText(wargv[i]));
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const unsigned int consoleCodePage = GetConsoleOutputCP();
  if (consoleCodePage != 0) SetConsoleOutputCP(65001);
  const int status = run(argc, argv.data());
  if (consoleCodePage != 0) SetConsoleOutputCP(consoleCodePage);
  return status;
}
#else
int main(int argc, char** argv) { return run(argc, argv); }
#endif
