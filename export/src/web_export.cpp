// Writing a web album: the movie checked and copied, the page filled in for
// it, and the player's files copied beside them. Each file is written beside
// its place and moved in when all are complete; a list of what was written
// stays in the folder, so that a later export replaces those files and never
// one of the user's.
#include "export/web_export.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <utility>
#include <vector>

#include "common/same_file.h"
#include "common/staged_file.h"
#include "common/utf8_path.h"
#include "player/swf_parser.h"
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
  const std::string name = utf8FromPath(file.filename());
  if (name.rfind("LICENSE", 0) == 0) return true;
  const std::string ext = utf8FromPath(file.extension());
  return ext == ".js" || ext == ".wasm";
}

// The list of the files an export wrote into a folder, one path relative to
// the folder a line, after a first line that says what the file is.
constexpr const char* kManifestName = ".slidewright-web";
constexpr const char* kManifestHeading =
    "# Written by slidewright web: the files of the web album in this folder, which a new export "
    "replaces (and no others).";
constexpr const char* kPlayerFolder = "ruffle";

// A path a manifest may name: a file in the folder or in the player's
// folder, never anything above or beside them.
bool isAlbumPath(const std::string& path) {
  const std::string name = path.rfind(std::string(kPlayerFolder) + "/", 0) == 0
                               ? path.substr(std::string(kPlayerFolder).size() + 1)
                               : path;
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos;
}

// The files the folder's manifest names; false when it has none that an
// export wrote (lines that are not album paths are ignored, never trusted).
bool readManifest(const fs::path& folder, std::vector<std::string>* files) {
  std::ifstream in(folder / kManifestName, std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line) || line != kManifestHeading) return false;
  while (std::getline(in, line))
    if (isAlbumPath(line)) files->push_back(line);
  return true;
}

// One file of the album: its path in the folder and either its bytes or the
// file it is copied from.
struct AlbumFile {
  std::string name;
  std::string bytes;
  fs::path copyFrom;
};

bool copyInto(const fs::path& from, std::FILE* to) {
  std::ifstream in(from, std::ios::binary);
  std::vector<char> buffer(1 << 16);
  while (in) {
    in.read(buffer.data(), std::streamsize(buffer.size()));
    const size_t n = size_t(in.gcount());
    if (n > 0 && std::fwrite(buffer.data(), 1, n, to) != n) return false;
  }
  return in.eof();
}

Error cannotWrite(const std::string& folder, const std::string& name, const StagingError& e) {
  return fail(ErrorKind::Output, folder + ": cannot write " + name + " there (" + e.reason() + ")");
}

// What may not be written into an existing folder: a file of the album's
// names that no earlier export listed, a player's folder that is not a
// plain folder of its own, or the movie itself.
Status checkFolder(const std::string& shown, const fs::path& folder, const std::vector<AlbumFile>& files,
                   const std::vector<std::string>& earlier, bool hasManifest, const std::string& moviePath) {
  auto listed = [&](const std::string& name) {
    return std::find(earlier.begin(), earlier.end(), name) != earlier.end();
  };
  auto refuse = [&](const std::string& name) {
    return fail(ErrorKind::Output, shown + ": the folder holds " + name +
                                       ", which no web export wrote there; name a new or empty folder, or "
                                       "move the file away (only an earlier web album's files are replaced)");
  };
  std::error_code ec;
  const auto player = fs::symlink_status(folder / kPlayerFolder, ec);
  if (fs::exists(player) && (!fs::is_directory(player) || fs::is_symlink(player)))
    return refuse(std::string(kPlayerFolder) + "/");
  if (!hasManifest && fs::exists(fs::symlink_status(folder / kManifestName, ec)))
    return refuse(kManifestName);
  for (const AlbumFile& f : files)
    if (fs::exists(fs::symlink_status(folder / pathFromUtf8(f.name), ec)) && !listed(f.name))
      return refuse(f.name);
  std::vector<std::string> replaced = earlier;
  for (const AlbumFile& f : files) replaced.push_back(f.name);
  for (const std::string& name : replaced)
    if (isSameFile(moviePath, utf8FromPath(folder / pathFromUtf8(name))))
      return fail(ErrorKind::Input, moviePath +
                                        ": the movie is in the output folder, where the export would "
                                        "replace it; name another folder");
  return success();
}

std::string manifestOf(const std::vector<std::string>& names) {
  std::string text = std::string(kManifestHeading) + "\n";
  for (const std::string& name : names) text += name + "\n";
  return text;
}

// Removes what the export made when it fails before the album is in place:
// the folders it created (the staged files remove themselves).
struct CreatedFolders {
  std::vector<fs::path> folders;
  bool keep = false;
  ~CreatedFolders() {
    std::error_code ec;
    if (!keep)
      for (auto it = folders.rbegin(); it != folders.rend(); ++it) fs::remove(*it, ec);
  }
};

}  // namespace

std::string findWebPlayer(const std::vector<std::string>& folders) {
  std::error_code ec;
  for (const std::string& f : folders)
    if (!f.empty() && fs::is_regular_file(pathFromUtf8(f) / "ruffle.js", ec)) return f;
  return {};
}

bool isWebAlbumFolder(const std::string& folder) {
  std::vector<std::string> files;
  return readManifest(pathFromUtf8(folder), &files);
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
  // cannot read would show as a blank page. The file is read no further
  // than the movie it declares.
  player::Parsed<std::vector<uint8_t>> read = player::readMovieFile(o.moviePath);
  if (!read) return fail(ErrorKind::Input, read.error().message);
  player::Parsed<player::Movie> movie = player::parseMovie(read.value());
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
  std::string movieFile = utf8FromPath(pathFromUtf8(o.moviePath).filename());
  if (!endsWithIgnoringCase(movieFile, ".swf")) movieFile += ".swf";
  page.title = o.title.empty() ? movieFile.substr(0, movieFile.size() - 4) : o.title;
  page.movieUrl = urlOf(movieFile);

  // The player's files: its scripts, WebAssembly modules and licences.
  std::vector<AlbumFile> files{{"index.html", renderWebPage(page), {}},
                               {movieFile, std::string(read.value().begin(), read.value().end()), {}}};
  std::error_code ec;
  bool anyModule = false;
  for (const auto& entry : fs::directory_iterator(pathFromUtf8(outcome.playerFolder), ec)) {
    if (!entry.is_regular_file() || !isPlayerFile(entry.path())) continue;
    anyModule = anyModule || entry.path().extension() == ".wasm";
    files.push_back(
        {std::string(kPlayerFolder) + "/" + utf8FromPath(entry.path().filename()), {}, entry.path()});
  }
  if (ec)
    return fail(ErrorKind::WebPlayer,
                outcome.playerFolder + ": cannot read the player's files (" + ec.message() + ")");
  if (!anyModule)
    return fail(ErrorKind::WebPlayer, outcome.playerFolder +
                                          ": the player's WebAssembly modules are missing; "
                                          "install its package again (scripts/install-deps.sh native)");

  std::string shown = o.outputFolder;
  while (shown.size() > 1 && shown.back() == '/') shown.pop_back();
  const fs::path folder = pathFromUtf8(shown);
  const auto status = fs::status(folder, ec);
  CreatedFolders created;
  std::vector<std::string> earlier;
  if (fs::exists(status)) {
    if (!fs::is_directory(status)) return fail(ErrorKind::Output, shown + ": is a file, not a folder");
    const bool hasManifest = readManifest(folder, &earlier);
    if (Status s = checkFolder(shown, folder, files, earlier, hasManifest, o.moviePath); !s) return s.error();
  } else {
    fs::create_directory(folder, ec);
    if (ec) return fail(ErrorKind::Output, shown + ": cannot make the folder (" + ec.message() + ")");
    created.folders.push_back(folder);
  }
  if (!fs::is_directory(folder / kPlayerFolder, ec)) {
    fs::create_directory(folder / kPlayerFolder, ec);
    if (ec)
      return fail(ErrorKind::Output, shown + ": cannot make the player's folder (" + ec.message() + ")");
    created.folders.push_back(folder / kPlayerFolder);
  }

  // Every file is written beside its place first; none replaces anything
  // until all are complete.
  std::vector<std::string> names;
  std::vector<StagedFile> staged(files.size());
  StagingError error;
  for (size_t i = 0; i < files.size(); ++i) {
    const AlbumFile& f = files[i];
    if (!staged[i].open(utf8FromPath(folder / pathFromUtf8(f.name)), &error))
      return cannotWrite(shown, f.name, error);
    std::FILE* out = staged[i].file();
    if (f.copyFrom.empty() ? std::fwrite(f.bytes.data(), 1, f.bytes.size(), out) != f.bytes.size()
                           : !copyInto(f.copyFrom, out)) {
      if (!f.copyFrom.empty() && !std::ferror(out))
        return fail(ErrorKind::WebPlayer, outcome.playerFolder + ": cannot read the player's file " +
                                              utf8FromPath(f.copyFrom.filename()));
      return fail(ErrorKind::Output, shown + ": cannot write " + f.name + " (" + std::strerror(errno) + ")");
    }
    if (!staged[i].close(&error)) return cannotWrite(shown, f.name, error);
    std::error_code sizeError;
    outcome.bytes += fs::file_size(pathFromUtf8(staged[i].path()), sizeError);
    names.push_back(f.name);
  }
  // The list names the earlier files too until they are gone, so that a
  // failure part-way leaves every file of either album listed.
  std::vector<std::string> both = names;
  for (const std::string& name : earlier)
    if (std::find(both.begin(), both.end(), name) == both.end()) both.push_back(name);
  StagedFile bothList, newList;
  const std::string manifestPath = utf8FromPath(folder / kManifestName);
  for (auto [list, text] : {std::pair{&bothList, manifestOf(both)}, std::pair{&newList, manifestOf(names)}}) {
    if (!list->open(manifestPath, &error)) return cannotWrite(shown, kManifestName, error);
    if (std::fwrite(text.data(), 1, text.size(), list->file()) != text.size() || !list->close(&error))
      return cannotWrite(shown, kManifestName, error);
  }
  if (!bothList.commit(&error)) return cannotWrite(shown, kManifestName, error);
  created.keep = true;
  for (size_t i = 0; i < files.size(); ++i)
    if (!staged[i].commit(&error))
      return fail(ErrorKind::Output,
                  shown + ": cannot put " + files[i].name + " in place (" + error.reason() + ")");
  // The earlier album's files that the new one does not have.
  for (const std::string& name : earlier) {
    if (std::find(names.begin(), names.end(), name) != names.end()) continue;
    const auto old = fs::symlink_status(folder / pathFromUtf8(name), ec);
    if (fs::is_regular_file(old) || fs::is_symlink(old)) fs::remove(folder / pathFromUtf8(name), ec);
  }
  if (!newList.commit(&error)) return cannotWrite(shown, kManifestName, error);
  outcome.indexPath = utf8FromPath(folder / "index.html");
  outcome.movieFile = movieFile;
  outcome.width = page.width;
  outcome.height = page.height;
  return outcome;
}

}  // namespace slidewright::exports
