// The `slidewright` command as a user runs it: exit statuses, messages on
// stderr that name the file and the problem, and what is left on disk.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "inputs.h"
#include "media/jpeg_writer.h"
#include "media/picture.h"

namespace {

namespace fs = std::filesystem;
using namespace testinputs;

struct Outcome {
  int status;
  std::string out, err;
};

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs the command; environment is put before it ("NAME=value ").
Outcome run(const std::vector<std::string>& args, const std::string& environment = std::string()) {
  std::string cmd = "umask 022; " + environment + quote(SLIDEWRIGHT_BINARY);
  for (const auto& a : args) cmd += " " + quote(a);
  const std::string out = scratchDir() + "/stdout", err = scratchDir() + "/stderr";
  cmd += " </dev/null >" + quote(out) + " 2>" + quote(err);
  const int raw = std::system(cmd.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class Command : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    photo_ = writeScratch("photo.jpg", jpeg(quadrants(800, 600)));
    drawing_ = writeScratch("drawing.png", png(quadrants(120, 300), 2 /* RGB */));
    music_ = writeScratch("song.mp3", mp3(44100, 2, 2.0));
    Bytes cut = jpeg(quadrants(400, 300));
    cut.resize(cut.size() / 2);
    broken_ = writeScratch("broken.jpg", cut);
  }
  std::string out(const std::string& name) { return scratchDir() + "/" + name; }
  static std::string photo_, drawing_, music_, broken_;
};
std::string Command::photo_, Command::drawing_, Command::music_, Command::broken_;

TEST_F(Command, HelpVersionAndUnknownCommands) {
  Outcome r = run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(contains(r.out, "Usage: slidewright COMMAND"));
  EXPECT_TRUE(contains(r.out, "make"));
  r = run({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(contains(r.out, "slidewright "));
  r = run({});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(contains(r.err, "no command"));
  r = run({"bake"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(contains(r.err, "unknown command 'bake'"));
  r = run({"make", "--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(contains(r.out, "diagonal-bottom-left"));
}

TEST_F(Command, WrongCommandLinesExitWithTwo) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"make", "-o", out("x.swf")}, "no pictures given"},
      {{"make", photo_}, "no output file"},
      {{"make", photo_, "-W", "99", "-o", out("x.swf")}, "the width must be a whole number from 100 to 800"},
      {{"make", photo_, "--height=601", "-o", out("x.swf")}, "from 75 to 600"},
      {{"make", photo_, "-s", "0", "-o", out("x.swf")}, "from 1 to 60"},
      {{"make", "-t", "spiral", photo_, "-o", out("x.swf")}, "unknown transition 'spiral'"},
      {{"make", "-t", "13", photo_, "-o", out("x.swf")}, "unknown transition '13'"},
      {{"make", photo_, "-t", "fade", "-o", out("x.swf")}, "none follow"},
      {{"make", photo_, "-b", "red", "-o", out("x.swf")}, "#rrggbb"},
      {{"make", photo_, "--fit-to-music", "-o", out("x.swf")}, "--fit-to-music needs --music"},
      {{"make", photo_, "--frobnicate", "-o", out("x.swf")}, "unknown option '--frobnicate'"},
      {{"make", photo_, "--quiet=yes", "-o", out("x.swf")}, "takes no value"},
      {{"make", photo_, "-o", out("albums/")}, "not a folder"},
      {{"make", photo_, "-o", "."}, "not a folder"},
  };
  for (const auto& [args, message] : cases) {
    Outcome r = run(args);
    EXPECT_EQ(r.status, 2) << message;
    EXPECT_TRUE(contains(r.err, message)) << r.err;
    EXPECT_FALSE(fs::exists(out("x.swf")));
  }
}

TEST_F(Command, MakesTheMovieAndAddsTheExtension) {
  fs::remove(out("album.swf"));
  Outcome r = run({"make", "-t", "circle", photo_, "-t", "9", drawing_, "-m", music_, "-W", "320", "-H",
                   "240", "-b", "#336699", "-o", out("album")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << "no progress bar when stderr is not a terminal: " << r.err;
  EXPECT_TRUE(contains(r.out, "Movie written: " + out("album.swf"))) << r.out;
  const std::string movie = slurp(out("album.swf"));
  ASSERT_GT(movie.size(), 100u);
  EXPECT_EQ(movie.substr(0, 3), "FWS");
  // An ordinary document, readable by others under the usual umask, not a
  // private temporary file.
  const auto perms = fs::status(out("album.swf")).permissions();
  EXPECT_NE(perms & fs::perms::others_read, fs::perms::none);

  // Upper-case extensions are kept as they are; --quiet prints nothing.
  r = run({"make", "-q", photo_, "-o", out("Second.SWF")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.out.empty() && r.err.empty());
  EXPECT_TRUE(fs::exists(out("Second.SWF")));

  // Nothing goes through the temporary folder. TMPDIR names a file, so the
  // current folder would stand in for it, and that is /proc, where not even
  // the superuser can make a file: a make with music still succeeds.
  const std::string notAFolder = writeScratch("not-a-folder", Bytes{1});
  r = run({"make", "-q", photo_, drawing_, "-m", music_, "-o", out("no-temp.swf")},
          "cd /proc && TMPDIR=" + quote(notAFolder) + " ");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(out("no-temp.swf")).substr(0, 3), "FWS");
}

TEST_F(Command, BadInputFailsByNameAndKeepsTheOldMovie) {
  ASSERT_EQ(run({"make", "-q", photo_, "-o", out("keep.swf")}).status, 0);
  const std::string before = slurp(out("keep.swf"));

  Outcome r = run({"make", photo_, broken_, "-o", out("keep.swf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "slidewright: " + broken_ + ": ")) << r.err;
  EXPECT_TRUE(contains(r.err, "truncated")) << r.err;
  EXPECT_EQ(slurp(out("keep.swf")), before);

  r = run({"make", photo_, out("absent.png"), "-o", out("keep.swf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, out("absent.png") + ": cannot open the file")) << r.err;

  r = run({"make", photo_, "-m", photo_, "-o", out("keep.swf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, photo_ + ": no MPEG audio")) << r.err;
  EXPECT_EQ(slurp(out("keep.swf")), before);

  r = run({"make", photo_, "-o", out("no/such/folder/a.swf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "cannot write the movie there")) << r.err;

  for (const auto& e : fs::directory_iterator(scratchDir()))
    EXPECT_NE(e.path().extension(), ".part") << "a partial movie was left: " << e.path();
}

TEST_F(Command, SkippingBadPicturesWarnsByName) {
  Outcome r = run({"make", "--skip-bad", photo_, broken_, drawing_, "-o", out("skip.swf")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(contains(r.err, "warning: " + broken_ + ": left out")) << r.err;
  EXPECT_TRUE(contains(r.out, "2 pictures")) << r.out;
  r = run({"make", "--skip-bad", broken_, "-o", out("none.swf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(fs::exists(out("none.swf")));
}

TEST_F(Command, RandomTransitionsRepeatWithTheSameSeed) {
  std::vector<std::string> args = {"make", "-q", "--seed", "7", "-t", "random"};
  for (int i = 0; i < 6; ++i) args.push_back(i % 2 ? drawing_ : photo_);
  args.push_back("-o");
  auto a = args, b = args, c = args;
  a.push_back(out("r1.swf"));
  b.push_back(out("r2.swf"));
  c[3] = "8";
  c.push_back(out("r3.swf"));
  ASSERT_EQ(run(a).status, 0);
  ASSERT_EQ(run(b).status, 0);
  ASSERT_EQ(run(c).status, 0);
  EXPECT_EQ(slurp(out("r1.swf")), slurp(out("r2.swf")));
  EXPECT_NE(slurp(out("r1.swf")), slurp(out("r3.swf")));
}

}  // namespace
