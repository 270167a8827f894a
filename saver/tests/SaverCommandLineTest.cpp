#include <gtest/gtest.h>

#include <string>

#include "SaverCommandLine.h"

namespace {

TEST(SaverCommandLine, SkipsTheProgramName) {
  EXPECT_STREQ(skipProgramName("\"C:\\Program Files\\My Album.scr\" /s"), "/s");
  EXPECT_STREQ(skipProgramName("C:\\WINDOWS\\ALBUM~1.SCR   /p 1234"), "/p 1234");
  EXPECT_STREQ(skipProgramName("album.scr"), "");
  EXPECT_STREQ(skipProgramName("\"unclosed /s"), "");
  EXPECT_STREQ(skipProgramName(""), "");
}

TEST(SaverCommandLine, ModesOfEveryForm) {
  struct Case {
    const char* arguments;
    SaverMode mode;
    bool bare;
    bool hasHandle;
    std::uintptr_t handle;
  };
  const Case cases[] = {
      {"", SaverMode::Configure, true, false, 0},
      {"   ", SaverMode::Configure, true, false, 0},
      {"/c", SaverMode::Configure, false, false, 0},
      {"/C:1234", SaverMode::Configure, false, true, 1234},
      {"-c:98765x", SaverMode::Configure, false, true, 98765},
      {"c:", SaverMode::Configure, false, false, 0},
      {"/s", SaverMode::FullScreen, false, false, 0},
      {"-S", SaverMode::FullScreen, false, false, 0},
      {"s", SaverMode::FullScreen, false, false, 0},
      {"//--S", SaverMode::FullScreen, false, false, 0},
      {"/p 1234", SaverMode::Preview, false, true, 1234},
      {"/P1234", SaverMode::Preview, false, true, 1234},
      {"-l    42 junk", SaverMode::Preview, false, true, 42},
      {"/p", SaverMode::Preview, false, false, 0},
      {"/p x12", SaverMode::Preview, false, false, 0},
      {"/a 77", SaverMode::ChangePassword, false, true, 77},
      {"A", SaverMode::ChangePassword, false, false, 0},
      {"/x", SaverMode::Unknown, false, false, 0},
      {"1234", SaverMode::Unknown, false, false, 0},
      {"/?", SaverMode::Unknown, false, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.arguments + "\"");
    const SaverCommand command = parseSaverArguments(c.arguments);
    EXPECT_EQ(command.mode, c.mode);
    EXPECT_EQ(command.bare, c.bare);
    EXPECT_EQ(command.hasHandle, c.hasHandle);
    EXPECT_EQ(command.handle, c.handle);
  }
}

}  // namespace
