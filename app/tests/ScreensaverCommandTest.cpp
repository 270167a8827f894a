#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EmbeddedStub.h"
#include "ScreensaverCommand.h"
#include "TestFolder.h"
#include "TestMovies.h"
#include "scrfile/screensaver_file.h"

namespace {

TEST(ScreensaverCommand, NamesAndCommandLine) {
  EXPECT_EQ(slidewright::scrfile::screensaverPathFor("c:\\shows\\album.swf"), "c:\\shows\\album.scr");
  EXPECT_EQ(slidewright::scrfile::screensaverPathFor("D:\\Albums\\Summer.SWF"), "D:\\Albums\\Summer.scr");
  EXPECT_EQ(slidewright::scrfile::screensaverPathFor("c:\\shows\\album"), "c:\\shows\\album.scr");
  EXPECT_EQ(installerCommandLine("c:\\shows\\album.scr"),
            "rundll32.exe desk.cpl,InstallScreenSaver c:\\shows\\album.scr");
}

TEST(ScreensaverCommand, TheMakerCarriesThePlayer) {
  std::vector<std::uint8_t> stub;
  ASSERT_TRUE(embeddedSaverStub(&stub));
  ASSERT_GT(stub.size(), 4096u);
  EXPECT_EQ(stub[0], 'M');
  EXPECT_EQ(stub[1], 'Z');
}

class MakeScreensaver : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(embeddedSaverStub(&stub_));
    request_.savePath = folder_.path() + "album.swf";
    request_.stub = stub_;
    request_.stopPreview = [this] { events_ += "stop;"; };
    request_.startInstaller = [this](const std::string& commandLine) {
      events_ += "install " + commandLine + ";";
      return true;
    };
    request_.tell = [this](const std::string& text) { events_ += "tell " + text + ";"; };
  }
  TestFolder folder_;
  std::vector<std::uint8_t> stub_;
  ScreensaverRequest request_;
  std::string events_;
};

TEST_F(MakeScreensaver, WritesPlayerMovieAndLengthThenStartsTheInstaller) {
  testmovies::MovieSpec spec;
  spec.frameColours.assign(10, 0x123456);
  const std::vector<uint8_t> movie = testmovies::colourMovie(spec);
  ASSERT_TRUE(testmovies::writeBytes(request_.savePath, movie));
  writeFile(folder_.path() + "album.scr", "an older screensaver");

  const ScreensaverOutcome outcome = makeScreensaver(request_);
  ASSERT_TRUE(outcome.written);
  EXPECT_EQ(outcome.scrPath, folder_.path() + "album.scr");
  EXPECT_EQ(events_,
            "stop;install rundll32.exe desk.cpl,InstallScreenSaver " + folder_.path() + "album.scr;");
  const std::string scr = readFile(outcome.scrPath);
  ASSERT_EQ(scr.size(), stub_.size() + movie.size() + 4);
  const uint32_t length = uint8_t(scr[scr.size() - 4]) | uint8_t(scr[scr.size() - 3]) << 8 |
                          uint8_t(scr[scr.size() - 2]) << 16 | uint32_t(uint8_t(scr[scr.size() - 1])) << 24;
  EXPECT_EQ(length, movie.size());
  EXPECT_EQ(scr.substr(0, stub_.size()), std::string(stub_.begin(), stub_.end()));
  EXPECT_EQ(scr.substr(stub_.size(), 3), "FWS");
}

// Without a movie, or with one that cannot be wrapped, the user is told and
// the installer does not start; an earlier screensaver stays as it was.
TEST_F(MakeScreensaver, TellsTheUserWhenItCannotMakeTheFile) {
  writeFile(folder_.path() + "album.scr", "an older screensaver");
  struct Case {
    const char* name;
    std::string savePath;
    std::string content;  // written at savePath unless empty
    const char* key;
  };
  const Case cases[] = {
      {"no movie", folder_.path() + "album.swf", "", "SaverNoMovie"},
      {"no save path", "", "", "SaverNoMovie"},
      {"compressed movie", folder_.path() + "album.swf", "CWS\x06 compressed", "SaverNotAMovie"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    events_.clear();
    DeleteFileA((folder_.path() + "album.swf").c_str());
    if (!c.content.empty()) writeFile(c.savePath, c.content);
    request_.savePath = c.savePath;
    const ScreensaverOutcome outcome = makeScreensaver(request_);
    EXPECT_FALSE(outcome.written);
    EXPECT_EQ(outcome.messageKey, c.key);
    EXPECT_EQ(events_, std::string("stop;tell ") + c.key + ";");  // no language file: the key itself
    EXPECT_EQ(readFile(folder_.path() + "album.scr"), "an older screensaver");
  }

  // A screensaver name that cannot be written.
  events_.clear();
  request_.savePath = folder_.path() + "folder.swf";
  testmovies::writeColourMovie(request_.savePath, testmovies::MovieSpec{});
  CreateDirectoryA((folder_.path() + "folder.scr").c_str(), nullptr);
  EXPECT_FALSE(makeScreensaver(request_).written);
  EXPECT_EQ(events_, "stop;tell SaverWriteError;");
  RemoveDirectoryA((folder_.path() + "folder.scr").c_str());
}

}  // namespace
