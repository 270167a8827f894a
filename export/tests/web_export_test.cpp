// `slidewright web` as a user runs it: what the folder holds, what the page
// says about the movie, and what happens to folders already there.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace exporttest;

std::string album(const std::string& name, const std::string& background) {
  AlbumSpec spec;
  spec.name = name;
  spec.width = 400;
  spec.height = 300;
  spec.transitions = {4, 9};
  spec.background = background;
  return makeAlbum(spec);
}

TEST(WebExport, WritesThePageTheMovieAndThePlayer) {
  const std::string movie = album("holiday pictures", "#f0e0c0");
  const std::string folder = scratch("site");
  const Outcome r = run({"web", movie, "-o", folder});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(contains(r.out, "Web album written: " + folder + "/index.html (400 x 300")) << r.out;

  EXPECT_EQ(slurp(folder + "/holiday pictures.swf"), slurp(movie)) << "the movie, byte for byte";
  const std::string page = slurp(folder + "/index.html");
  EXPECT_TRUE(contains(page, "url: movie")) << "the movie is loaded from the folder";
  EXPECT_TRUE(contains(page, "\"holiday%20pictures.swf\"")) << "by a relative, encoded address";
  EXPECT_TRUE(contains(page, "<title>holiday pictures</title>"));
  EXPECT_TRUE(contains(page, "background: #f0e0c0")) << "the movie's background colour";
  EXPECT_TRUE(contains(page, "min(400px, 100vw")) << "at most the movie's width, less on a small screen";
  EXPECT_TRUE(contains(page, "aspect-ratio: 400 / 300"));
  EXPECT_TRUE(contains(page, "src=\"ruffle/ruffle.js\""));
  EXPECT_TRUE(contains(page, "id=\"toggle\"")) << "a play/pause button";
  // Nothing from elsewhere: the only address is the one the page suggests
  // for trying it out.
  for (size_t at = page.find("://"); at != std::string::npos; at = page.find("://", at + 1))
    EXPECT_EQ(page.compare(at < 4 ? 0 : at - 4, 21, "http://localhost:8000"), 0) << page.substr(at, 40);

  // The player's scripts, its WebAssembly and its licences; no source maps.
  int scripts = 0, modules = 0, licences = 0;
  for (const auto& e : fs::directory_iterator(folder + "/ruffle")) {
    const std::string name = e.path().filename().string();
    scripts += e.path().extension() == ".js";
    modules += e.path().extension() == ".wasm";
    licences += name.rfind("LICENSE", 0) == 0;
    EXPECT_NE(e.path().extension(), ".map") << name;
  }
  EXPECT_GE(scripts, 2);
  EXPECT_GE(modules, 1);
  EXPECT_GE(licences, 1);

  // A title of the user's is escaped for the page.
  ASSERT_EQ(run({"web", "-q", movie, "-o", folder, "--title", "Tom & Jerry <3"}).status, 0);
  EXPECT_TRUE(contains(slurp(folder + "/index.html"), "<title>Tom &amp; Jerry &lt;3</title>"));
}

// Every file in the folder is listed first, so that a test sees what an
// export added, replaced or removed.
std::vector<std::string> listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    names.push_back(fs::relative(e.path(), folder).string());
  std::sort(names.begin(), names.end());
  return names;
}

// An export replaces only the files an earlier export wrote (and listed);
// it never deletes or replaces a file of the user's.
TEST(WebExport, ReplacesOnlyTheFilesOfAnEarlierAlbum) {
  const std::string first = album("first", "#102030"), second = album("second", "#405060");
  const std::string folder = scratch("albums");
  ASSERT_EQ(run({"web", "-q", first, "-o", folder}).status, 0);
  std::ofstream(folder + "/notes.txt") << "my notes";
  fs::create_directories(folder + "/photos");
  std::ofstream(folder + "/photos/beach.jpg") << "a photo";
  ASSERT_EQ(run({"web", "-q", second, "-o", folder + "/"}).status, 0);
  EXPECT_TRUE(fs::exists(folder + "/second.swf"));
  EXPECT_FALSE(fs::exists(folder + "/first.swf")) << "the earlier album's movie is replaced";
  EXPECT_EQ(slurp(folder + "/notes.txt"), "my notes");
  EXPECT_EQ(slurp(folder + "/photos/beach.jpg"), "a photo");

  // A folder with a copy of an album's page but no list of what an export
  // wrote there: nothing in it is touched, and the page is named.
  const std::string home = scratch("home");
  fs::create_directories(home + "/Documents");
  std::ofstream(home + "/Documents/thesis.txt") << "chapter one";
  std::ofstream(home + "/.bashrc") << "alias ll='ls -l'";
  fs::copy_file(folder + "/index.html", home + "/index.html");
  const std::vector<std::string> before = listing(home);
  Outcome r = run({"web", second, "-o", home});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, home + ": the folder holds index.html, which no web export wrote there"))
      << r.err;
  EXPECT_EQ(listing(home), before);
  EXPECT_EQ(slurp(home + "/Documents/thesis.txt"), "chapter one");

  // Nor is a movie of the user's replaced, even the one being exported.
  const std::string mine = scratch("my-files");
  fs::create_directories(mine);
  std::ofstream(mine + "/letter.txt") << "dear diary";
  fs::copy_file(second, mine + "/second.swf");
  r = run({"web", second, "-o", mine});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "the folder holds second.swf")) << r.err;
  r = run({"web", folder + "/second.swf", "-o", folder});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "the movie is in the output folder")) << r.err;
  EXPECT_EQ(slurp(folder + "/second.swf"), slurp(second));

  // Beside files that are not the album's own, the album is written.
  fs::remove(mine + "/second.swf");
  ASSERT_EQ(run({"web", "-q", first, "-o", mine}).status, 0);
  EXPECT_EQ(slurp(mine + "/letter.txt"), "dear diary");
  EXPECT_TRUE(fs::exists(mine + "/index.html"));
  EXPECT_TRUE(fs::exists(mine + "/first.swf"));

  const std::string empty = scratch("empty");
  fs::create_directories(empty);
  EXPECT_EQ(run({"web", "-q", second, "-o", empty}).status, 0);
  EXPECT_TRUE(fs::exists(empty + "/index.html"));
}

TEST(WebExport, FailuresSayWhyAndLeaveNothing) {
  const std::string movie = album("fails", "#000000");
  const std::string folder = scratch("never");
  Outcome r = run({"web", movie, "-o", folder, "--player", scratch("nowhere")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "the web player's files (ruffle.js) were not found in " + scratch("nowhere")))
      << r.err;

  const std::string notMovie = writePicture(1, 64, 48);
  r = run({"web", notMovie, "-o", folder});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "slidewright: " + notMovie + ": ")) << r.err;

  r = run({"web", scratch("absent.swf"), "-o", folder});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, scratch("absent.swf") + ": cannot open the movie")) << r.err;

  r = run({"web", movie, "-o", movie});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "is a file, not a folder")) << r.err;

  r = run({"web", movie});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(contains(r.err, "no output folder given")) << r.err;

  EXPECT_FALSE(fs::exists(folder));
  for (const auto& e : fs::directory_iterator(scratch()))
    EXPECT_NE(e.path().extension(), ".part") << "a partial folder was left: " << e.path();
}

// A disk that fills up while the folder is written: the export fails with
// the system's reason, as make and video do, and leaves nothing behind.
// Where the test may mount a small file system (as root) the disk really
// fills; elsewhere a limit on the size of files stops the writes instead.
TEST(WebExport, AFullDiskIsNamedAsSuch) {
  const std::string movie = album("full", "#000000");
  const std::string disk = scratch("disk");
  fs::create_directories(disk);
  const bool mounted =
      ::geteuid() == 0 &&
      std::system(("mount -t tmpfs -o size=1m tmpfs '" + disk + "' 2>/dev/null").c_str()) == 0;
  rlimit previous = {};
  ::getrlimit(RLIMIT_FSIZE, &previous);
  if (!mounted) {
    const rlimit small = {rlim_t(1) << 20, previous.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the process
  }
  const Outcome r = run({"web", movie, "-o", disk + "/site"});
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(disk)) left.push_back(e.path().string());
  if (mounted)
    std::system(("umount '" + disk + "'").c_str());
  else
    ::setrlimit(RLIMIT_FSIZE, &previous);

  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, disk + "/site: cannot ")) << r.err;
  EXPECT_TRUE(contains(r.err, mounted ? "(No space left on device)" : "(File too large)")) << r.err;
  EXPECT_TRUE(left.empty()) << "left behind: " << left.front();
}

}  // namespace
