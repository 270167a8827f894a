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

class ScreensaverCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    // One folder per test and process: ctest runs the tests of this file
    // side by side.
    dir_ = fs::temp_directory_path() / ("slidewright-screensaver-command-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    stub_ = "MZ" + std::string(998, '\x90');
    movie_ = "FWS\x04" + std::string(96, 'm');
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
  EXPECT_EQ(slurp(at("holiday.scr")), stub_ + movie_ + std::string("\x64\x00\x00\x00", 4));
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
