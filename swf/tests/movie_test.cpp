#include "support.h"

#include <swf/bitmap.h>
#include <swf/movie.h>
#include <swf/place.h>
#include <swf/shape.h>

#include <gtest/gtest.h>

#include <filesystem>

#if !defined(_WIN32)
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

const Twips width640 = Twips::fromPixels(640);
const Twips height480 = Twips::fromPixels(480);

// Header of a 640 x 480 movie at 12 frames per second, without length and
// frame count.
const Bytes signature{0x46, 0x57, 0x53, 0x04};  // "FWS", version 4
const Bytes frame640x480{0b01111'000, 0x00, 0x06, 0x40, 0x00, 0x00, 0x12, 0xC0, 0x00};
// Nbits 15 | Xmin 0 | Xmax 12800 | Ymin 0 | Ymax 9600, then 7 zero bits
const Bytes rate12{0x00, 0x0C};  // 8.8 fixed point

Bytes serialise(const SwfMovie& movie, Twips w, Twips h, std::uint8_t rate) {
  SwfStream stream;
  EXPECT_TRUE(movie.writeTo(stream, w, h, rate));
  return flatten(stream);
}

class SwfMovieFile : public ::testing::Test {
 protected:
  ScratchDir dir;
};

}  // namespace

TEST(SwfMovieBytes, EmptyMovieIsHeaderAndEnd) {
  SwfMovie movie;
  EXPECT_EQ(serialise(movie, width640, height480, 12), concat({signature,
                                                               {23, 0, 0, 0},
                                                               frame640x480,
                                                               rate12,
                                                               {0x00, 0x00},     // frame count 0
                                                               {0x00, 0x00}}));  // End
}

TEST(SwfMovieBytes, WhiteBackgroundAndOneFrame) {
  SwfMovie movie;
  movie.addTag(std::make_unique<SwfBackground>(SwfColor(255, 255, 255)));
  movie.addTag(std::make_unique<SwfShowFrame>());
  const Bytes expected{0x46, 0x57, 0x53, 0x04, 0x1E, 0x00, 0x00, 0x00,                    // FWS 4, length 30
                       0x78, 0x00, 0x06, 0x40, 0x00, 0x00, 0x12, 0xC0, 0x00, 0x00, 0x0C,  // 12 fps
                       0x01, 0x00,                                                        // 1 frame
                       0x43, 0x02, 0xFF, 0xFF, 0xFF,  // SetBackgroundColor
                       0x40, 0x00,                    // ShowFrame
                       0x00, 0x00};                   // End
  EXPECT_EQ(serialise(movie, width640, height480, 12), expected);
}

TEST(SwfMovieBytes, BackgroundIsAlwaysRgb) {
  SwfColor color = SwfColor::fromColorRef(0x00332211);  // COLORREF: red low
  color.hasAlpha = true;
  color.alpha = 0x80;
  EXPECT_EQ(tagBytes(SwfBackground(color)), Bytes({0x43, 0x02, 0x11, 0x22, 0x33}));

  SwfStream rgba;
  color.write(rgba);
  EXPECT_EQ(rgba.bytes(), Bytes({0x11, 0x22, 0x33, 0x80}));
}

TEST(SwfMovieBytes, FrameCountFollowsShowFramesOnly) {
  SwfMovie movie;
  movie.addTag(std::make_unique<SwfBackground>(SwfColor(0, 0, 0)));
  movie.addTag(std::make_unique<SwfShowFrame>());
  movie.addTag(std::make_unique<SwfRemoveObject>(1));
  movie.addTag(std::make_unique<SwfShowFrame>());
  EXPECT_EQ(movie.frameCount(), 2u);
  const Bytes bytes = serialise(movie, width640, height480, 12);
  EXPECT_EQ(bytes[19], 2);
  EXPECT_EQ(bytes[20], 0);
}

TEST(SwfMovieBytes, FrameCountBeyond16BitsSaturates) {
  // A wrapped count would tell a player the movie is a few frames long.
  SwfMovie movie;
  for (int i = 0; i < 65536 + 5; ++i) movie.addTag(std::make_unique<SwfShowFrame>());
  const Bytes bytes = serialise(movie, width640, height480, 12);
  EXPECT_EQ(bytes[19], 0xFF);
  EXPECT_EQ(bytes[20], 0xFF);
}

TEST(SwfMovieBytes, FrameTooLargeForTheHeaderIsRefused) {
  SwfMovie movie;
  SwfStream stream;
  std::string why;
  EXPECT_TRUE(movie.writeTo(stream, Twips(16383), Twips(16383), 12, &why));
  SwfStream tooWide;
  EXPECT_FALSE(movie.writeTo(tooWide, Twips::fromPixels(820), height480, 12, &why));
  EXPECT_NE(why.find("820"), std::string::npos) << why;
}

TEST_F(SwfMovieFile, WritesTheFileAndReportsSuccess) {
  SwfMovie movie;
  movie.addTag(std::make_unique<SwfBackground>(SwfColor(255, 255, 255)));
  movie.addTag(std::make_unique<SwfShowFrame>());
  const std::string path = dir.path("movie.swf");
  const SwfWriteResult result = movie.writeFile(path, width640, height480, 12);
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_EQ(readFileBytes(path).size(), 30u);
  // Nothing is left beside it.
  EXPECT_EQ(
      std::distance(std::filesystem::directory_iterator(dir.dir()), std::filesystem::directory_iterator()),
      1);
}

TEST_F(SwfMovieFile, ReplacesAnExistingFile) {
  const std::string path = dir.path("movie.swf");
  writeFileBytes(path, Bytes(5000, 0x77));
  SwfMovie movie;
  ASSERT_TRUE(movie.writeFile(path, width640, height480, 12));
  EXPECT_EQ(readFileBytes(path).size(), 23u);
  // Written twice, the same movie gives the same file.
  ASSERT_TRUE(movie.writeFile(path, width640, height480, 12));
  EXPECT_EQ(readFileBytes(path).size(), 23u);
}

TEST_F(SwfMovieFile, UnwritablePathLeavesNoFileAndSaysWhy) {
  const std::string path = dir.path("missing-folder/movie.swf");
  SwfMovie movie;
  const SwfWriteResult result = movie.writeFile(path, width640, height480, 12);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.kind(), SwfWriteError::CannotCreate);
  EXPECT_NE(result.message().find("missing-folder"), std::string::npos) << result.message();
  EXPECT_FALSE(std::filesystem::exists(path));

  EXPECT_EQ(movie.writeFile("", width640, height480, 12).kind(), SwfWriteError::NoFileName);
}

TEST_F(SwfMovieFile, DestinationCheckFindsWhatWritingWouldMeetAndLeavesNothing) {
  // The early check callers make before slow work agrees with writeFile.
  EXPECT_TRUE(checkMovieDestination(dir.path("new.swf")));
  EXPECT_FALSE(std::filesystem::exists(dir.path("new.swf")));
  EXPECT_FALSE(std::filesystem::exists(dir.path("new.swf.part")));

  const SwfWriteResult missing = checkMovieDestination(dir.path("missing-folder/movie.swf"));
  EXPECT_EQ(missing.kind(), SwfWriteError::CannotCreate);
  EXPECT_NE(missing.error().reason.find("cannot write the movie there"), std::string::npos)
      << missing.error().reason;
  EXPECT_EQ(missing.error().reason.find("missing-folder"), std::string::npos)
      << "the reason leaves the path to the caller";
  EXPECT_EQ(checkMovieDestination("").kind(), SwfWriteError::NoFileName);

  const std::string existing = dir.path("old.swf");
  writeFileBytes(existing, Bytes(10, 1));
  EXPECT_TRUE(checkMovieDestination(existing));
  EXPECT_EQ(readFileBytes(existing), Bytes(10, 1));
}

TEST_F(SwfMovieFile, FailureKeepsTheExistingFile) {
  const std::string path = dir.path("movie.swf");
  const Bytes previous(3000, 0x42);
  writeFileBytes(path, previous);
  SwfMovie movie;
  const SwfWriteResult result = movie.writeFile(path, Twips::fromPixels(2000), height480, 12);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.kind(), SwfWriteError::DoesNotFit);
  EXPECT_EQ(readFileBytes(path), previous);
}

TEST_F(SwfMovieFile, ReadOnlyMovieIsRefusedAndLeftAsItIs) {
  namespace fs = std::filesystem;
  const std::string path = dir.path("kept.swf");
  const Bytes previous(100, 0x33);
  writeFileBytes(path, previous);
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  if (std::FILE* probe = std::fopen(path.c_str(), "r+b")) {
    // The superuser may change any file: nothing to refuse here.
    std::fclose(probe);
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    GTEST_SKIP() << "read-only files are writable for this user";
  }
  SwfMovie movie;
  const SwfWriteResult first = movie.writeFile(path, width640, height480, 12);
  const SwfWriteResult second = movie.writeFile(path, width640, height480, 12);
  const SwfWriteResult early = checkMovieDestination(path);
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  ASSERT_FALSE(first.ok());
  EXPECT_EQ(first.kind(), SwfWriteError::CannotReplace);
  EXPECT_EQ(early.kind(), SwfWriteError::CannotReplace);
  EXPECT_NE(early.error().reason.find("is it read-only"), std::string::npos) << early.error().reason;
  EXPECT_NE(first.message().find("read-only"), std::string::npos) << first.message();
  EXPECT_EQ(second.message(), first.message());
  EXPECT_EQ(readFileBytes(path), previous);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.dir()), fs::directory_iterator()), 1);
}

#if !defined(_WIN32)
TEST_F(SwfMovieFile, ShortWriteIsReportedAndKeepsTheExistingFile) {
  const std::string path = dir.path("movie.swf");
  const Bytes previous(100, 0x42);
  writeFileBytes(path, previous);

  SwfMovie movie;
  movie.addTag(SwfBitmap::fromBytes(movie.characterIds(), Bytes(200000, 0xAB)));

  // Limit the size of files this process may write, so the write falls short.
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit limited = saved;
  limited.rlim_cur = 65536;
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const SwfWriteResult result = movie.writeFile(path, width640, height480, 12);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  ASSERT_FALSE(result.ok());
  EXPECT_FALSE(result.message().empty());
  EXPECT_EQ(readFileBytes(path), previous);
  EXPECT_EQ(
      std::distance(std::filesystem::directory_iterator(dir.dir()), std::filesystem::directory_iterator()),
      1);
}
#endif

TEST(SwfCharacterIds, EachMovieCountsItsOwnInConstructionOrder) {
  SwfMovie first;
  SwfShape shape{first.characterIds(), SwfRect()};
  SwfMorphShape morph{first.characterIds(), SwfRect(), SwfRect()};
  EXPECT_EQ(shape.characterId(), 1);
  EXPECT_EQ(morph.characterId(), 2);

  // A second movie made meanwhile starts at 1 and leaves the first's count alone.
  SwfMovie second;
  EXPECT_EQ(SwfShape(second.characterIds(), SwfRect()).characterId(), 1);
  EXPECT_EQ(SwfShape(first.characterIds(), SwfRect()).characterId(), 3);
  EXPECT_EQ(first.characterIds().count(), 3);
  EXPECT_EQ(second.characterIds().count(), 1);
}
