// UTF-8 paths reach the file system by their real names: natively as bytes,
// on Windows (this test runs there too) through the wide functions.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "common/file_kind.h"
#include "common/same_file.h"
#include "common/staged_file.h"
#include "common/stdio_file.h"
#include "common/utf8_path.h"
#include "common/utf8_text.h"

namespace {

namespace fs = std::filesystem;
using namespace slidewright;

// Names outside every single ANSI code page: Korean, Chinese and emoji
// (outside the Basic Multilingual Plane, so surrogate pairs on Windows).
const std::string kPicture = "\xEC\x82\xAC\xEC\xA7\x84 \xF0\x9F\x98\x80.jpg";  // 사진 😀.jpg
const std::string kMovie =
    "\xEC\x8A\xAC\xEB\x9D\xBC\xEC\x9D\xB4\xEB\x93\x9C \xF0\x9F\x8E\x9E.swf";  // 슬라이드 🎞.swf
const std::string kFolder = "\xE7\x9B\xB8\xE5\x86\x8C \xF0\x9F\x93\xB7";      // 相册 📷

TEST(Utf8Text, ConvertsBothWaysAndReplacesWhatIsNotUtf8) {
  for (const std::string& name : {kPicture, kMovie, kFolder, std::string("plain.txt"), std::string()})
    EXPECT_EQ(utf8FromWideText(wideFromUtf8Text(name)), name);
  const std::wstring wide = wideFromUtf8Text("\xF0\x9F\x98\x80");
  EXPECT_EQ(wide.size(), sizeof(wchar_t) == 2 ? 2u : 1u);
  if (sizeof(wchar_t) == 2) {
    EXPECT_EQ(unsigned(wide[0]), 0xD83Du);
  }

  // Each maximal piece of a malformed sequence becomes one U+FFFD, in the
  // characters of a caption and in the wide name of a path alike.
  const char32_t R = kReplacementCharacter;
  const struct {
    std::string utf8;
    std::u32string text;
  } cases[] = {
      {"a\x80z", {U'a', R, U'z'}},                          // a stray continuation byte
      {"a\xFFz\xE4\xB8", {U'a', R, U'z', R}},               // a byte never in UTF-8; a cut sequence
      {"\xE2\x82z", {R, U'z'}},                             // the byte that breaks a sequence starts anew
      {"\xF0\x9F\x98", {R}},                                // a four-byte sequence cut short
      {"\xC0\xAF", {R, R}},                                 // an overlong form
      {"\xE0\x80\xAF", {R, R, R}},                          // an overlong three-byte form
      {"\xED\xA0\x80", {R, R, R}},                          // an encoded surrogate
      {"\xF4\x90\x80\x80", {R, R, R, R}},                   // past U+10FFFF
      {"\xE4\xB8\xAD\xF0\x9F\x98\x80", {0x4E2D, 0x1F600}},  // well formed
  };
  for (const auto& c : cases) {
    EXPECT_EQ(decodeUtf8(c.utf8), c.text) << testing::PrintToString(c.utf8);
    std::string encoded;
    for (char32_t ch : c.text) appendUtf8(encoded, ch);
    EXPECT_EQ(utf8FromWideText(wideFromUtf8Text(c.utf8)), encoded) << testing::PrintToString(c.utf8);
  }
}

class Utf8Files : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / "utf8-path-test";
    fs::remove_all(dir_);
    fs::create_directories(dir_ / pathFromUtf8(kFolder));
    base_ = utf8FromPath(dir_) + "/" + kFolder + "/";
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
  std::string base_;  // UTF-8, ends in '/'
};

TEST_F(Utf8Files, WrittenReadInspectedAndListedByTheirRealNames) {
  const std::string picture = base_ + kPicture;
  {
    StdioFile out = openStdioFile(picture, "wb");
    ASSERT_TRUE(out);
    std::fputs("bytes", out.get());
    ASSERT_TRUE(closeWritten(out));
  }
  StdioFile in = openStdioFile(picture, "rb");
  ASSERT_TRUE(in);
  char text[8] = {};
  EXPECT_EQ(std::fread(text, 1, sizeof text, in.get()), 5u);
  EXPECT_STREQ(text, "bytes");
  in.reset();

  const FileFacts facts = inspectFile(picture);
  EXPECT_EQ(facts.kind, FileKind::Regular);
  EXPECT_EQ(facts.size, 5u);
  EXPECT_EQ(inspectFile(base_ + kFolder).kind, FileKind::Missing);
  EXPECT_EQ(inspectFile(utf8FromPath(dir_) + "/" + kFolder).kind, FileKind::Folder);
  EXPECT_TRUE(isSameFile(picture, base_ + "./" + kPicture));
  EXPECT_FALSE(isSameFile(picture, base_ + kMovie));

  // The folder lists the name as it was given, and the system's path of the
  // file gives the same UTF-8 back.
  std::vector<std::string> listed;
  for (const auto& entry : fs::directory_iterator(pathFromUtf8(base_)))
    listed.push_back(utf8FromPath(entry.path().filename()));
  EXPECT_EQ(listed, std::vector<std::string>{kPicture});

  EXPECT_TRUE(removeFile(picture));
  EXPECT_FALSE(openStdioFile(picture, "rb"));
  EXPECT_FALSE(removeFile(picture));
}

TEST_F(Utf8Files, StagedFileMovesIntoAnUnencodableName) {
  const std::string movie = base_ + kMovie;
  for (const char* content : {"first", "second"}) {
    StagedFile staged;
    StagingError error;
    ASSERT_TRUE(staged.open(movie, &error)) << error.reason();
    std::fputs(content, staged.file());
    ASSERT_TRUE(staged.commit(&error)) << error.reason();
    EXPECT_EQ(inspectFile(movie).size, std::string(content).size());
  }
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(pathFromUtf8(base_))) {
    EXPECT_EQ(utf8FromPath(entry.path().filename()), kMovie);
    ++files;
  }
  EXPECT_EQ(files, 1u);  // no staged file left beside it
}

}  // namespace
