// `slidewright screensaver`: wraps a movie into a Windows screensaver file
// (the screensaver player, the movie, the movie's length), as the maker
// window's screensaver button does.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "arguments.h"
#include "command.h"
#include "common/stdio_file.h"
#include "common/utf8_path.h"
#include "player/swf_parser.h"
#include "scrfile/screensaver_file.h"

#ifdef SLIDEWRIGHT_EMBEDDED_SAVERSTUB
#include "EmbeddedStub.h"
#endif

namespace slidewright::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kStubName = "saverstub.exe";

void printScreensaverHelp() {
  std::printf(
      "Usage: %s screensaver [OPTIONS] MOVIE.swf [-o NAME.scr]\n"
      "Makes a Windows screensaver file that plays the movie full screen, looping.\n"
      "\n"
      "  -o, --output FILE  the screensaver to write; \".scr\" is added when missing\n"
      "                     (default: the movie's name with \".scr\" instead of \".swf\")\n"
      "      --stub FILE    the screensaver player to put in front of the movie: the\n"
      "                     saverstub.exe of the Windows build (default: the one\n"
      "                     built into the Windows %s.exe, else %s beside\n"
      "                     this command)\n"
      "  -h, --help         show this help\n"
      "\n"
      "The movie must be an uncompressed SWF file, as `%s make` writes them, of at\n"
      "most %d MiB. The screensaver is written beside its final name and moved into\n"
      "place when complete, so a failure leaves an earlier one as it was.\n"
      "\n"
      "Exit status: 0 written; 1 the movie, the player or the output failed; 2 the\n"
      "command line is wrong.\n",
      kProgramName, kProgramName, kStubName, kProgramName, int(scrfile::kMaxMovieBytes >> 20));
}

int usage(const std::string& message) { return usageError("screensaver", message); }

int failure(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kProgramName, message.c_str());
  return kExitFailed;
}

bool endsWithIgnoringCase(const std::string& text, const std::string& ending) {
  if (text.size() < ending.size()) return false;
  for (size_t i = 0; i < ending.size(); ++i) {
    const char c = text[text.size() - ending.size() + i];
    if (std::tolower(static_cast<unsigned char>(c)) != ending[i]) return false;
  }
  return true;
}

// Finds the player: the --stub file, the one built in, or one beside the command.
bool findStub(const std::string& given, std::vector<std::uint8_t>* stub, std::string* error) {
  if (!given.empty()) {
    if (!scrfile::readWholeFile(given, stub) || stub->empty()) {
      *error = given + ": cannot read the screensaver player";
      return false;
    }
    std::string why;
    if (!scrfile::isScreensaverPlayer(*stub, &why)) {
      *error = given + ": " + why;
      return false;
    }
    return true;
  }
#ifdef SLIDEWRIGHT_EMBEDDED_SAVERSTUB
  if (embeddedSaverStub(stub)) return true;
#endif
  const std::string folder = programFolder();  // an installed saverstub.exe lies there
  if (!folder.empty()) {
    const std::string beside = folder + "/" + kStubName;
    if (scrfile::readWholeFile(beside, stub) && scrfile::isScreensaverPlayer(*stub, nullptr)) return true;
  }
  *error = std::string("no screensaver player: give the Windows build's ") + kStubName +
           " with --stub, or put it beside this command";
  return false;
}

// Refuses a movie the screensaver player would not play, with the player's
// own reason. A file that is missing, not an uncompressed movie or too large
// is left to the screensaver file's writer, which says so in its words.
bool checkMovie(const std::string& path, std::string* error) {
  std::error_code ec;
  const std::uint64_t size = fs::file_size(pathFromUtf8(path), ec);
  if (ec || size > scrfile::kMaxMovieBytes) return true;
  char signature[3] = {};
  const StdioFile f = openStdioFile(path, "rb");
  if (!f) return true;
  const bool uncompressed =
      std::fread(signature, 1, 3, f.get()) == 3 && std::memcmp(signature, "FWS", 3) == 0;
  if (!uncompressed) return true;
  const player::Parsed<player::Movie> movie = player::parseMovieFile(path);
  if (movie) return true;
  *error = movie.error().message;
  return false;
}

}  // namespace

}  // namespace slidewright::cli

int runScreensaver(int argc, char** argv) {
  using namespace slidewright::cli;
  std::string movie, output, stubPath;
  ArgumentScanner scanner(argc, argv);
  while (const auto arg = scanner.next()) {
    if (!arg->isOption) {
      if (!movie.empty())
        return usage("one movie at a time ('" + movie + "' and '" + arg->text + "' were given)");
      movie = arg->text;
      continue;
    }
    const std::string& name = arg->name;
    if (name == "-h" || name == "--help") {
      printScreensaverHelp();
      return kExitOk;
    } else if (name == "-o" || name == "--output") {
      const auto value = scanner.valueOf(*arg);
      if (!value || value->empty()) return usage(name + " needs a file name");
      output = *value;
    } else if (name == "--stub") {
      const auto value = scanner.valueOf(*arg);
      if (!value || value->empty()) return usage("--stub needs a file name");
      stubPath = *value;
    } else {
      return usage("unknown option '" + arg->text + "'");
    }
  }
  if (movie.empty()) return usage("no movie was given");
  if (output.empty())
    output = slidewright::scrfile::screensaverPathFor(movie);
  else if (!endsWithIgnoringCase(output, ".scr"))
    output += ".scr";

  if (outputIsAnInput(output, {movie, stubPath})) return kExitFailed;

  std::vector<std::uint8_t> stub;
  std::string error;
  if (!findStub(stubPath, &stub, &error)) return failure(error);
  if (!checkMovie(movie, &error)) return failure(error);
  const slidewright::scrfile::Status written =
      slidewright::scrfile::writeScreensaverFile(output, stub, movie);
  if (!written) return failure(written.message());
  return kExitOk;
}
