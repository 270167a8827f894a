// Writing a web album: the movie checked and copied, the page filled in for
// it, and the player's files copied beside them, all in a staged folder that
// takes the destination's place when complete.
#include "export/web_export.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "common/stdio_file.h"
#include "player/swf_parser.h"
#include "staging.h"
#include "web_page.h"

namespace slidewright::exports {

namespace fs = std::filesystem;

namespace {

bool endsWithIgnoringCase(const std::string& s, const std::string& tail) {
  if (s.size() < tail.size()) return false;
  return std::equal(tail.rbegin(), tail.rend(), s.rbegin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
}

// The movie's name as a relative URL: everything but unreserved characters
// percent-encoded, so any file name works in the page and on any server.
std::string urlOf(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      out += char(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// The player's files a page needs: its scripts, its WebAssembly modules and
// its licences (not source maps, the package description or its read-me).
bool isPlayerFile(const fs::path& file) {
  const std::string name = file.filename().string();
  if (name.rfind("LICENSE", 0) == 0) return true;
  const std::string ext = file.extension().string();
  return ext == ".js" || ext == ".wasm";
}

// Writes one file of the folder. A failure carries the system's reason (a
// full disk says "No space left on device"), after `failure`.
Status writeFile(const fs::path& path, const char* data, size_t size, const std::string& failure) {
  errno = 0;
  StdioFile out = openStdioFile(path.string(), "wb");
  bool ok = out && (size == 0 || std::fwrite(data, 1, size, out.get()) == size);
  int error = errno;
  if (out && !closeWritten(out) && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) return fail(ErrorKind::Output, failure + " (" + std::strerror(error ? error : EIO) + ")");
  return success();
}

// Copies one of the player's files into the folder, in pieces.
Status copyPlayerFile(const fs::path& from, const fs::path& to, const std::string& shownAs) {
  const std::string name = from.filename().string();
  errno = 0;
  StdioFile in = openStdioFile(from.string(), "rb");
  if (!in)
    return fail(ErrorKind::WebPlayer,
                from.string() + ": cannot read the player's file (" + std::strerror(errno) + ")");
  errno = 0;
  StdioFile out = openStdioFile(to.string(), "wb");
  int error = errno;
  bool ok = bool(out);
  std::vector<char> piece(size_t(1) << 16);
  while (ok) {
    const size_t n = std::fread(piece.data(), 1, piece.size(), in.get());
    if (n == 0) break;
    errno = 0;
    ok = std::fwrite(piece.data(), 1, n, out.get()) == n;
    error = errno;
  }
  if (std::ferror(in.get()))
    return fail(ErrorKind::WebPlayer, from.string() + ": cannot read the player's file");
  if (ok && !closeWritten(out)) {
    ok = false;
    error = errno;
  }
  if (!ok)
    return fail(ErrorKind::Output, shownAs + ": cannot copy the player's file " + name + " (" +
                                       std::strerror(error ? error : EIO) + ")");
  return success();
}

}  // namespace

std::string findWebPlayer(const std::vector<std::string>& folders) {
  std::error_code ec;
  for (const std::string& f : folders)
    if (!f.empty() && fs::is_regular_file(fs::path(f) / "ruffle.js", ec)) return f;
  return {};
}

bool isWebAlbumFolder(const std::string& folder) {
  std::ifstream in(fs::path(folder) / "index.html", std::ios::binary);
  if (!in) return false;
  std::string head(4096, '\0');
  in.read(head.data(), std::streamsize(head.size()));
  head.resize(size_t(in.gcount()));
  return head.find(kWebPageGenerator) != std::string::npos;
}

Result<WebOutcome> exportWeb(const WebOptions& o) {
  WebOutcome outcome;
  outcome.playerFolder = findWebPlayer(o.playerFolders);
  if (outcome.playerFolder.empty()) {
    std::string tried;
    for (const std::string& f : o.playerFolders) tried += (tried.empty() ? "" : ", ") + f;
    return fail(ErrorKind::WebPlayer, "the web player's files (ruffle.js) were not found" +
                                          (tried.empty() ? std::string() : " in " + tried) +
                                          "; install them with scripts/install-deps.sh native, or name their "
                                          "folder with --player DIR");
  }

  // Only a movie this project's player reads goes into a page: what it
  // cannot read would show as a blank page.
  player::Parsed<std::vector<uint8_t>> read = player::readMovieFile(o.moviePath);
  if (!read) return fail(ErrorKind::Input, read.error().message);
  const std::vector<uint8_t>& movieBytes = read.value();
  player::Parsed<player::Movie> movie = player::parseMovie(movieBytes);
  if (!movie) return fail(ErrorKind::Input, o.moviePath + ": " + movie.error().message);
  const player::Header& header = movie.value().header;

  WebPage page;
  page.width = header.widthPixels();
  page.height = header.heightPixels();
  for (const player::Tag& tag : movie.value().tags) {
    if (const auto* bg = player::tagAs<player::SetBackgroundColorTag>(tag)) {
      page.red = bg->color.r;
      page.green = bg->color.g;
      page.blue = bg->color.b;
      break;
    }
  }
  std::string movieFile = fs::path(o.moviePath).filename().string();
  if (!endsWithIgnoringCase(movieFile, ".swf")) movieFile += ".swf";
  page.title = o.title.empty() ? movieFile.substr(0, movieFile.size() - 4) : o.title;
  page.movieUrl = urlOf(movieFile);

  auto staged = StagedOutput::folder(o.outputFolder, &isWebAlbumFolder);
  if (!staged) return staged.error();
  const fs::path dir = staged.value().path();
  const std::string shown = staged.value().destination();

  const std::string pageText = renderWebPage(page);
  if (Status s =
          writeFile(dir / "index.html", pageText.data(), pageText.size(), shown + ": cannot write the page");
      !s)
    return s.error();
  if (Status s = writeFile(dir / movieFile, reinterpret_cast<const char*>(movieBytes.data()),
                           movieBytes.size(), shown + ": cannot write the movie");
      !s)
    return s.error();
  std::error_code ec;
  fs::create_directory(dir / "ruffle", ec);
  if (ec) return fail(ErrorKind::Output, shown + ": cannot make the player's folder (" + ec.message() + ")");
  bool anyModule = false;
  for (const auto& entry : fs::directory_iterator(outcome.playerFolder, ec)) {
    if (!entry.is_regular_file() || !isPlayerFile(entry.path())) continue;
    anyModule = anyModule || entry.path().extension() == ".wasm";
    if (Status s = copyPlayerFile(entry.path(), dir / "ruffle" / entry.path().filename(), shown); !s)
      return s.error();
  }
  if (ec)
    return fail(ErrorKind::WebPlayer,
                outcome.playerFolder + ": cannot read the player's files (" + ec.message() + ")");
  if (!anyModule)
    return fail(ErrorKind::WebPlayer, outcome.playerFolder +
                                          ": the player's WebAssembly modules are missing; "
                                          "install its package again (scripts/install-deps.sh native)");
  for (const auto& entry : fs::recursive_directory_iterator(dir, ec))
    if (entry.is_regular_file()) outcome.bytes += entry.file_size();

  if (Status s = staged.value().commit(); !s) return s.error();
  outcome.indexPath = (fs::path(shown) / "index.html").string();
  outcome.movieFile = movieFile;
  outcome.width = page.width;
  outcome.height = page.height;
  return outcome;
}

}  // namespace slidewright::exports
