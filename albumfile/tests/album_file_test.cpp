#include "albumfile/album_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace slidewright::albumfile {
namespace {

namespace fs = std::filesystem;
using Kind = AlbumFileErrorKind;

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// A folder of its own under the system's temporary folder, removed at the end.
class AlbumFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("swalbum-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(root_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path root_;
};

struct Refusal {
  const char* text;
  Kind kind;
  const char* key;  // named in the message, in quotes, unless empty
  int picture;
  int line;    // 0: no place expected
  int column;  // 0: not checked
  const char* says = "";
};

TEST(AlbumFileRefusals, NameTheKindTheKeyAndThePlace) {
  const Refusal cases[] = {
      // Not JSON: where the reading stopped (the end of the token it could not take).
      {"{\"slidewright-album\": 1,\n  \"width\" 640}", Kind::Syntax, "", 0, 2, 13, "expected ':'"},
      {"", Kind::Syntax, "", 0, 1, 1},
      {"{\"slidewright-album\": 1, \"pictures\": [{\"file\": \"a.jpg\"},\n {\"file\": \"b.jpg\", \"file\": "
       "\"c.jpg\"}]}",
       Kind::Syntax, "file", 2, 2, 20, "twice"},
      {"{\"slidewright-album\": 1, \"width\": 640, \"width\": 800}", Kind::Syntax, "width", 0, 1, 40,
       "twice"},
      // Keys of no album, checked after the version.
      {"{\"slidewright-album\": 1,\n\"colour\": \"#000000\"}", Kind::UnknownKey, "colour", 0, 2, 1},
      {"{\"slidewright-album\": 1, \"pictures\": [{\"file\": \"a.jpg\"}, {\"file\": \"b.jpg\",\n"
       "  \"title\": \"x\"}]}",
       Kind::UnknownKey, "title", 2, 2, 3},
      {"{\"slidewright-album\": 1, \"pictures\": [{\"file\": \"a.jpg\", \"caption\": 5}]}", Kind::WrongType,
       "caption", 1, 1, 57},
      {"{\"slidewright-album\": 2, \"caption\": \"later keys\"}", Kind::NewerVersion, "slidewright-album", 0,
       1, 2, "newer Slidewright"},
      {"{\"pictures\": []}", Kind::MissingKey, "slidewright-album", 0, 0, 0},
      {"{\"slidewright-album\": 1, \"pictures\": [{\"transition\": \"fade\"}]}", Kind::MissingKey, "file", 1,
       0, 0},
      // Types.
      {"[1]", Kind::WrongType, "", 0, 0, 0},
      {"{\"slidewright-album\": \"1\"}", Kind::WrongType, "slidewright-album", 0, 1, 2},
      {"{\"slidewright-album\": 1, \"width\": \"640\"}", Kind::WrongType, "width", 0, 1, 26},
      {"{\"slidewright-album\": 1, \"loop\": 1}", Kind::WrongType, "loop", 0, 1, 26},
      {"{\"slidewright-album\": 1, \"fade-out\": 2.5}", Kind::WrongType, "fade-out", 0, 1, 26},
      {"{\"slidewright-album\": 1, \"pictures\": {\"file\": \"a.jpg\"}}", Kind::WrongType, "pictures", 0, 1,
       26},
      {"{\"slidewright-album\": 1, \"pictures\": [\"a.jpg\"]}", Kind::WrongType, "", 1, 0, 0},
      {"{\"slidewright-album\": 1, \"pictures\": [{\"file\": \"a.jpg\", \"seconds\": 1.5}]}", Kind::WrongType,
       "seconds", 1, 1, 57},
      // Ranges: the command line's, and no hold below 0 for a picture.
      {"{\"slidewright-album\": 0}", Kind::OutOfRange, "slidewright-album", 0, 1, 2},
      {"{\"slidewright-album\": 1, \"width\": 801}", Kind::OutOfRange, "width", 0, 1, 26, "from 100 to 800"},
      {"{\"slidewright-album\": 1, \"height\": 18446744073709551615}", Kind::OutOfRange, "height", 0, 1, 26},
      {"{\"slidewright-album\": 1, \"seconds\": 5462}", Kind::OutOfRange, "seconds", 0, 1, 26},
      {"{\"slidewright-album\": 1, \"fade-out\": -1}", Kind::OutOfRange, "fade-out", 0, 1, 26,
       "from 0 to 5461"},
      {"{\"slidewright-album\": 1, \"background\": \"#12345\"}", Kind::OutOfRange, "background", 0, 1, 26},
      {"{\"slidewright-album\": 1, \"music\": \"\"}", Kind::OutOfRange, "music", 0, 1, 26},
      {"{\"slidewright-album\": 1, \"pictures\": [{\"file\": \"a.jpg\"}, {\"file\": \"b.jpg\", "
       "\"transition\": "
       "\"spin\"}]}",
       Kind::OutOfRange, "transition", 2, 1, 76, "blinds"},
      {"{\"slidewright-album\": 1, \"pictures\": [{\"file\": \"a.jpg\", \"seconds\": -1}]}", Kind::OutOfRange,
       "seconds", 1, 1, 57},
      // Columns count characters, not bytes.
      {"{\"slidewright-album\": 1, \"pictures\": [{\"file\": \"\xe7\x85\xa7\xe7\x89\x87.jpg\", \"seconds\": "
       "9999}]}",
       Kind::OutOfRange, "seconds", 1, 1, 58},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.text);
    const auto read = parseAlbum(c.text, "albums");
    ASSERT_FALSE(read.ok());
    const AlbumFileError& e = read.error();
    EXPECT_EQ(e.kind, c.kind) << e.message;
    EXPECT_EQ(e.key, c.key) << e.message;
    EXPECT_EQ(e.picture, c.picture) << e.message;
    EXPECT_EQ(e.line, c.line) << e.message;
    if (c.column) {
      EXPECT_EQ(e.column, c.column) << e.message;
    }
    if (*c.key && c.kind != Kind::NewerVersion) {
      EXPECT_NE(e.message.find("\"" + std::string(c.key) + "\""), std::string::npos) << e.message;
    }
    if (c.picture) {
      EXPECT_EQ(e.message.rfind("picture " + std::to_string(c.picture) + ": ", 0), 0u) << e.message;
    }
    if (c.line) {
      EXPECT_NE(e.message.find("line " + std::to_string(c.line) + ", column"), std::string::npos)
          << e.message;
    }
    EXPECT_NE(e.message.find(c.says), std::string::npos) << e.message;
  }
}

TEST(AlbumFileRefusals, WritingRefusesWhatCouldNotBeReadBack) {
  AlbumDocument album;
  album.pictures = {{"a.jpg", 0, std::nullopt}, {"b.jpg", 13, std::nullopt}};
  auto bad = formatAlbum(album, "");
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.kind(), Kind::OutOfRange);
  EXPECT_EQ(bad.error().picture, 2);

  album.pictures.pop_back();
  album.width = 99;
  bad = formatAlbum(album, "");
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.error().key, "width");

  album.width = 640;
  album.pictures[0].file = "\xff.jpg";  // not UTF-8
  bad = formatAlbum(album, "");
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.kind(), Kind::WrongType);
  EXPECT_EQ(bad.message(), "picture 1: \"file\" is not UTF-8 text");
  EXPECT_EQ(writeAlbumFile("\xff.swalbum", {}).kind(), Kind::FileAccess);
}

TEST(AlbumFileReading, FillsWhatIsLeftOutAndReadsNamesInAnyCase) {
  // With a byte order mark, as some editors save UTF-8.
  const auto read = parseAlbum(
      "\xEF\xBB\xBF{\"slidewright-album\": 1, \"pictures\": [{\"file\": \"pics/a.jpg\"}, {\"file\": "
      "\"/abs/b.jpg\", "
      "\"transition\": \"Diagonal-Top-Right\", \"seconds\": 0}]}",
      "albums");
  ASSERT_TRUE(read.ok()) << read.message();
  const AlbumDocument& album = read.value();
  EXPECT_EQ(album.width, 640);
  EXPECT_EQ(album.height, 480);
  EXPECT_EQ(album.background, (media::Rgb{255, 255, 255}));
  EXPECT_EQ(album.seconds, 1);
  EXPECT_TRUE(album.loop);
  EXPECT_EQ(album.fadeOutSeconds, 0);
  EXPECT_EQ(album.music, "");
  EXPECT_EQ(album.output, "");
  ASSERT_EQ(album.pictures.size(), 2u);
  EXPECT_EQ(fs::u8path(album.pictures[0].file), fs::u8path("albums/pics/a.jpg").make_preferred());
  EXPECT_EQ(album.pictures[0].transition, 0);
  EXPECT_FALSE(album.pictures[0].seconds);
  EXPECT_EQ(album.pictures[1].transition, 6);
  EXPECT_EQ(album.pictures[1].seconds, 0);
#ifndef _WIN32
  EXPECT_EQ(album.pictures[1].file, "/abs/b.jpg");
#endif
}

TEST_F(AlbumFolderTest, RoundTripKeepsTheAlbumAndRelativePathsFollowAMovedFolder) {
  const fs::path trip = root_ / "trip";
  const fs::path albumPath =
      trip / "albums" / fs::u8path("\xe6\x97\x85\xe8\xa1\x8c.swalbum");  // 旅行.swalbum
  AlbumDocument album;
  album.width = 800;
  album.height = 600;
  album.background = {0x12, 0xab, 0xef};
  album.seconds = 5;
  album.loop = false;
  album.fadeOutSeconds = 7;
  album.music = (trip / "music" / "song.mp3").u8string();
  album.output = (trip / "albums" / "holiday.swf").u8string();
  album.seed = 123456789;
  // A named motion, and rectangles whose fractions have no short decimal form.
  album.pictures = {{(trip / "albums" / "pics" / "a.jpg").u8string(), 9, 3,
                     Motion{MotionKind::PanLeft, {}, {}}, "海边 \"Sunset\"\n2024"},
                    {(trip / "b.jpg").u8string(), 12, std::nullopt,
                     Motion{MotionKind::Explicit, {0.1, 0.2, 0.7, 0.6}, {1.0 / 3, 0, 2.0 / 3, 0.3}}}};
  for (const auto& p : album.pictures) writeText(fs::u8path(p.file), "picture");
  writeText(fs::u8path(album.music), "music");

  ASSERT_TRUE(writeAlbumFile(albumPath.u8string(), album).ok());
  ASSERT_TRUE(writeAlbumFile(albumPath.u8string(), album).ok()) << "saving again replaces the file";
  const std::string text = readText(albumPath);
  for (const char* expected :
       {"\"pics/a.jpg\"", "\"../b.jpg\"", "\"../music/song.mp3\"", "\"holiday.swf\"", "\"fade\"",
        "\"#12abef\"", "\"fade-out\": 7", "\"pan-left\"", "\"seed\": 123456789", "\"start\""})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
  EXPECT_EQ(text.rfind("{\n  \"slidewright-album\": 1,", 0), 0u) << text;
  EXPECT_EQ(text.find("\"caption\""), text.rfind("\"caption\"")) << "only a picture with a caption has one";
  EXPECT_EQ(std::distance(fs::directory_iterator(albumPath.parent_path()), fs::directory_iterator()), 2)
      << "only the album and the pictures' folder: no staging file left";

  const auto back = readAlbumFile(albumPath.u8string());
  ASSERT_TRUE(back.ok()) << back.message();
  AlbumDocument expected = album;
  for (std::string* path :
       {&expected.music, &expected.output, &expected.pictures[0].file, &expected.pictures[1].file})
    *path = fs::u8path(*path).lexically_normal().u8string();
  AlbumDocument normalised = back.value();
  for (std::string* path :
       {&normalised.music, &normalised.output, &normalised.pictures[0].file, &normalised.pictures[1].file})
    *path = fs::u8path(*path).lexically_normal().u8string();
  EXPECT_EQ(normalised, expected);

  const fs::path moved = root_ / "moved";
  fs::rename(trip, moved);
  const auto again = readAlbumFile((moved / "albums" / albumPath.filename()).u8string());
  ASSERT_TRUE(again.ok()) << again.message();
  for (const auto& p : again.value().pictures) EXPECT_TRUE(fs::exists(fs::u8path(p.file))) << p.file;
  EXPECT_TRUE(fs::exists(fs::u8path(again.value().music))) << again.value().music;
  EXPECT_EQ(fs::u8path(again.value().output).lexically_normal(),
            (moved / "albums" / "holiday.swf").lexically_normal());
}

TEST_F(AlbumFolderTest, FileAccessFailuresNameTheFileAndKeepTheOldOne) {
  const fs::path missing = root_ / "none.swalbum";
  auto read = readAlbumFile(missing.u8string());
  ASSERT_FALSE(read.ok());
  EXPECT_EQ(read.kind(), Kind::FileAccess);
  EXPECT_EQ(read.message().rfind(missing.u8string() + ": ", 0), 0u) << read.message();

  const fs::path bad = root_ / "bad.swalbum";
  writeText(bad, "{\"slidewright-album\": 7}");
  read = readAlbumFile(bad.u8string());
  ASSERT_FALSE(read.ok());
  EXPECT_EQ(read.kind(), Kind::NewerVersion);
  EXPECT_EQ(read.message().rfind(bad.u8string() + ": ", 0), 0u) << read.message();

  AlbumDocument album;
  album.seconds = -1;  // refused: the old file stays
  EXPECT_EQ(writeAlbumFile(bad.u8string(), album).kind(), Kind::OutOfRange);
  EXPECT_EQ(readText(bad), "{\"slidewright-album\": 7}");
  album.seconds = 1;
  EXPECT_EQ(writeAlbumFile(root_.u8string(), album).kind(), Kind::FileAccess);
  EXPECT_EQ(writeAlbumFile((root_ / "no-such-folder" / "a.swalbum").u8string(), album).kind(),
            Kind::FileAccess);
}

}  // namespace
}  // namespace slidewright::albumfile
