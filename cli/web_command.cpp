// `slidewright web MOVIE.swf -o FOLDER`: a folder that plays the movie in any
// current browser, served by any static web server.
#include <cstdio>
#include <string>

#include "arguments.h"
#include "command.h"

#if defined(SLIDEWRIGHT_WEB_EXPORT)

#include <vector>

#include "export/web_export.h"

namespace slidewright::cli {

namespace {

namespace ex = slidewright::exports;

void printWebHelp() {
  std::printf(
      "Usage: %s web [OPTIONS] MOVIE.swf -o FOLDER\n"
      "Writes a folder that plays the movie in any current browser: index.html, the\n"
      "movie, and the web player's files (nothing is fetched from elsewhere when the\n"
      "page is viewed). The page shows the movie at its size over its background\n"
      "colour, smaller on a small screen, with a button to pause and play. Put the\n"
      "folder on any web server, or try it with 'python3 -m http.server -d FOLDER'.\n"
      "\n"
      "  -o, --output FOLDER  the folder to write (made when missing); the files of an\n"
      "                       earlier web album there are replaced, other files are\n"
      "                       left as they are, and a file the album would replace\n"
      "                       that no web export wrote there is refused\n"
      "      --title TEXT     the page's title (default: the movie's name)\n"
      "      --player DIR     where the web player's files are (the folder holding\n"
      "                       ruffle.js; default: web-player beside this command, or\n"
      "                       the copy installed by scripts/install-deps.sh)\n"
      "  -q, --quiet          no summary\n"
      "  -h, --help           show this help\n"
      "\n"
      "The folder keeps a list of the files written (.slidewright-web), so that a\n"
      "later export replaces those and no file of yours.\n"
      "\n"
      "Exit status: 0 the folder was written; 1 the movie, the player's files or the\n"
      "output failed (nothing is left half-written, an earlier album is kept); 2 the\n"
      "command line is wrong.\n"
      "\n"
      "Example:\n"
      "  %s web holiday.swf -o holiday-web\n",
      kProgramName, kProgramName);
}

int usage(const std::string& message) { return usageError("web", message); }

}  // namespace

}  // namespace slidewright::cli

int runWeb(int argc, char** argv) {
  using namespace slidewright::cli;
  ex::WebOptions options;
  std::string playerFolder;
  bool quiet = false;
  ArgumentScanner scanner(argc, argv);
  while (const auto arg = scanner.next()) {
    if (!arg->isOption) {
      if (!options.moviePath.empty()) return usage("more than one movie given ('" + arg->text + "')");
      options.moviePath = arg->text;
      continue;
    }
    const std::string& name = arg->name;
    std::string v;
    if (name == "-h" || name == "--help") {
      printWebHelp();
      return kExitOk;
    } else if (name == "-o" || name == "--output") {
      if (!scanner.valueInto(*arg, &v) || v.empty()) return usage(name + " needs a folder name");
      options.outputFolder = v;
    } else if (name == "--title") {
      if (!scanner.valueInto(*arg, &v)) return usage("--title needs a text");
      options.title = v;
    } else if (name == "--player") {
      if (!scanner.valueInto(*arg, &v) || v.empty()) return usage("--player needs a folder");
      playerFolder = v;
    } else if (name == "-q" || name == "--quiet") {
      if (arg->inlineValue) return usage("option '" + name + "' takes no value");
      quiet = true;
    } else {
      return usage("unknown option '" + arg->text + "'");
    }
  }
  if (options.moviePath.empty()) return usage("no movie given");
  if (options.outputFolder.empty()) return usage("no output folder given (use -o FOLDER)");

  if (!playerFolder.empty()) {
    options.playerFolders = {playerFolder};
  } else {
    const std::string here = programFolder();
    if (!here.empty()) options.playerFolders.push_back(here + "/web-player");
#ifndef _WIN32
    // The installed package in the source tree, which a Windows program
    // never has.
    options.playerFolders.push_back(SLIDEWRIGHT_WEB_PLAYER_DIR);
#endif
  }
  auto made = ex::exportWeb(options);
  if (!made) {
    std::fprintf(stderr, "%s: %s\n", kProgramName, made.message().c_str());
    return kExitFailed;
  }
  if (!quiet) {
    const ex::WebOutcome& o = made.value();
    std::printf("Web album written: %s (%d x %d, %.1f MB with the player)\n", o.indexPath.c_str(), o.width,
                o.height, double(o.bytes) / 1e6);
    std::printf("To look at it: python3 -m http.server -d %s, then open http://localhost:8000/\n",
                options.outputFolder.c_str());
  }
  return kExitOk;
}

#else  // built without the web export

int runWeb(int, char**) {
  using namespace slidewright::cli;
  std::fprintf(stderr, "%s web: this %s was built without the web export\n", kProgramName, kProgramName);
  return kExitUsage;
}

#endif
