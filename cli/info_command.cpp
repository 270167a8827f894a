// `slidewright info FILE.swf`: the header, every tag with its fields, the
// frames and the characters of a movie.
#include <cstdio>
#include <cstring>

#include "command.h"
#include "player/describe.h"
#include "player/swf_parser.h"

int runInfo(int argc, char** argv) {
  using namespace slidewright::cli;
  player::DescribeOptions options;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf(
          "Usage: %s info [--records] [--summary] FILE.swf\n"
          "Lists the header, every tag with its fields, the frames and the characters.\n"
          "  --records  also list every shape record of shapes and morph shapes\n"
          "  --summary  only the header and the totals, no tag list\n",
          kProgramName);
      return kExitOk;
    }
    if (std::strcmp(argv[i], "--records") == 0) {
      options.records = true;
    } else if (std::strcmp(argv[i], "--summary") == 0) {
      options.tags = false;
    } else if (argv[i][0] == '-' && argv[i][1] != 0) {
      std::fprintf(stderr, "%s info: unknown option '%s'\n", kProgramName, argv[i]);
      return kExitUsage;
    } else if (!path) {
      path = argv[i];
    } else {
      std::fprintf(stderr, "%s info: more than one file given\n", kProgramName);
      return kExitUsage;
    }
  }
  if (!path) {
    std::fprintf(stderr, "%s info: no movie given; usage: %s info FILE.swf\n", kProgramName, kProgramName);
    return kExitUsage;
  }
  player::Parsed<player::Movie> movie = player::parseMovieFile(path);
  if (!movie) {
    std::fprintf(stderr, "%s info: %s\n", kProgramName, movie.error().message.c_str());
    return kExitFailed;
  }
  std::fputs(player::describeMovie(movie.value(), options).c_str(), stdout);
  return kExitOk;
}
