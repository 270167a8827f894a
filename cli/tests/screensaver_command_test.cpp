// `slidewright screensaver` as a user runs it natively, with a stand-in
// player given by --stub.
#include <gtest/gtest.h>
#include <unistd.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string err;
};

std::string slurp(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void spit(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string le32(std::uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

// A stand-in for the screensaver player: the headers of a Windows program
// for the given subsystem (2 graphical, 3 console), then the player's text.
std::string windowsProgram(int subsystem, bool marked = true) {
  std::string pe(0x200, '\0');
  pe.replace(0, 2, "MZ");
  pe.replace(0x3C, 4, le32(0x40));
  pe.replace(0x40, 4, std::string("PE\0\0", 4));
  pe.replace(0x40 + 24, 2, std::string("\x0B\x01", 2));  // PE32
  pe[0x40 + 24 + 68] = char(subsystem);
  return marked ? pe + "Slidewright screensaver player: plays the movie appended to this file" : pe;
}

class ScreensaverCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    // One folder per test and process: ctest runs the tests of this file
    // side by side.
    dir_ = fs::temp_directory_path() / ("slidewright-screensaver-command-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    stub_ = windowsProgram(2);
    movie_ = slurp(SLIDEWRIGHT_TEST_MOVIE);
    spit(dir_ / "saverstub.exe", stub_);
    spit(dir_ / "album.swf", movie_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  Result run(const std::vector<std::string>& args) {
    std::string cmd = std::string("'") + SLIDEWRIGHT_BINARY + "' screensaver";
    for (const auto& a : args) cmd += " '" + a + "'";
    cmd += " </dev/null >/dev/null 2>'" + (dir_ / "stderr").string() + "'";
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(dir_ / "stderr")};
  }
  std::string at(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
  std::string stub_, movie_;
};

TEST_F(ScreensaverCommand, WritesPlayerMovieAndLength) {
  Result r = run({at("album.swf"), "-o", at("holiday"), "--stub", at("saverstub.exe")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(at("holiday.scr")), stub_ + movie_ + le32(std::uint32_t(movie_.size())));
  // Without -o the screensaver goes beside the movie.
  r = run({"--stub=" + at("saverstub.exe"), at("album.swf")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(at("album.scr")).size(), stub_.size() + movie_.size() + 4);
}

TEST_F(ScreensaverCommand, FailuresNameTheFileAndKeepTheOldScreensaver) {
  spit(dir_ / "old.scr", "older");
  spit(dir_ / "packed.swf", "CWS\x06 packed");
  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  const Case cases[] = {
      {{at("absent.swf"), "-o", at("old.scr"), "--stub", at("saverstub.exe")},
       "absent.swf: cannot read the movie"},
      {{at("packed.swf"), "-o", at("old.scr"), "--stub", at("saverstub.exe")},
       "not an uncompressed SWF movie"},
      {{at("album.swf"), "-o", at("old.scr"), "--stub", at("nothing.exe")}, "nothing.exe: cannot read"},
      {{at("album.swf"), "-o", at("old.scr")}, "no screensaver player"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    const Result r = run(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(slurp(at("old.scr")), "older");
  }
}

// What the screensaver player could not play, and programs that are not
// the player, are refused with the reason, as the other commands refuse them.
TEST_F(ScreensaverCommand, RefusesMoviesThePlayerCannotPlayAndProgramsThatAreNotThePlayer) {
  spit(dir_ / "old.scr", "older");
  spit(dir_ / "three.swf", "FWS");
  spit(dir_ / "cut.swf", movie_.substr(0, movie_.size() / 2));
  // The first tag after the 21-byte header claims 2 GB.
  std::string huge = movie_.substr(0, 21) + std::string("\x7F\x02", 2) + le32(0x7FFFFFF0) + movie_.substr(23);
  spit(dir_ / "huge.swf", huge);
  spit(dir_ / "notes.txt", "a text file, not a program\n");
  spit(dir_ / "console.exe", windowsProgram(3));
  spit(dir_ / "other.exe", windowsProgram(2, false));
  const std::string player = at("saverstub.exe");
  struct Case {
    std::string movie, stub;
    const char* says;
  };
  const Case cases[] = {
      {at("three.swf"), player, "three.swf: file too short"},
      {at("cut.swf"), player, "cut.swf: file is truncated"},
      {at("huge.swf"), player, "claims 2147483632 bytes"},
      {at("album.swf"), at("notes.txt"), "notes.txt: not a Windows program"},
      {at("album.swf"), at("console.exe"), "console.exe: a Windows program, but not a graphical one"},
      {at("album.swf"), at("other.exe"), "other.exe: a Windows program, but not the screensaver player"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    const Result r = run({c.movie, "-o", at("old.scr"), "--stub", c.stub});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(slurp(at("old.scr")), "older");
  }
}

TEST_F(ScreensaverCommand, WrongCommandLinesExitWithTwo) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {at("album.swf"), at("album.swf")},
                                               {at("album.swf"), "-o"},
                                               {at("album.swf"), "--frobnicate"},
                                               {at("album.swf"), "--stub"}}) {
    const Result r = run(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("slidewright screensaver:"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(at("album.scr")));
}

}  // namespace
