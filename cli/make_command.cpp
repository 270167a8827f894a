// `slidewright make`: pictures and music in, one album movie out.
#include <cstdio>

#include "command.h"

int runMake(int /*argc*/, char** /*argv*/) {
  std::fprintf(stderr, "%s make: not available in this build yet\n",
               slidewright::cli::kProgramName);
  return slidewright::cli::kExitFailed;
}
