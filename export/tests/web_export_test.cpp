// `slidewright web` as a user runs it: what the folder holds, what the page
// says about the movie, and what happens to folders already there.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

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

TEST(WebExport, ReplacesAnEarlierAlbumButNoOtherFolder) {
  const std::string first = album("first", "#102030"), second = album("second", "#405060");
  const std::string folder = scratch("albums");
  ASSERT_EQ(run({"web", "-q", first, "-o", folder}).status, 0);
  ASSERT_EQ(run({"web", "-q", second, "-o", folder + "/"}).status, 0);
  EXPECT_TRUE(fs::exists(folder + "/second.swf"));
  EXPECT_FALSE(fs::exists(folder + "/first.swf")) << "the earlier album is replaced whole";

  const std::string mine = scratch("my-files");
  fs::create_directories(mine);
  std::ofstream(mine + "/letter.txt") << "dear diary";
  Outcome r = run({"web", second, "-o", mine});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, mine + ": the folder holds other files")) << r.err;
  EXPECT_EQ(slurp(mine + "/letter.txt"), "dear diary");
  EXPECT_FALSE(fs::exists(mine + "/index.html"));

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
