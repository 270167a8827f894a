// The album builder fed with values: the same movie as the job record's path,
// holds per picture, progress and cancelling, builds that share nothing.
#include "album_test_support.h"

#include <album/album.h>
#include <album/transition.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <thread>

using namespace albumtest;
using slidewright::Album;
using slidewright::AlbumBuilder;
using slidewright::AlbumFailure;
using slidewright::AlbumSlide;

namespace {

std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every transition once, with music: the album the job fixture describes.
Album everyTransition(const std::vector<std::uint8_t>& music, int hold) {
  Album album;
  album.width = 640;
  album.height = 480;
  album.background = SwfColor(0x99, 0x66, 0x33);
  album.music = music;
  for (int t = 0; t < slidewright::kTransitionCount; ++t)
    album.slides.push_back(AlbumSlide{jpegBytes(std::uint8_t(t * 31 + 1)), t, hold});
  return album;
}

std::vector<std::uint8_t> build(Album album) {
  AlbumBuilder builder;
  EXPECT_TRUE(builder.build(std::move(album))) << builder.report().message;
  return builder.bytes();
}

}  // namespace

TEST(AlbumBuilder, ValuesGiveTheJobRecordsMovieByteForByte) {
  ScratchDir dir;
  std::vector<int> transitions;
  for (int t = 0; t < slidewright::kTransitionCount; ++t) transitions.push_back(t);
  JobFixture f(dir, 640, 480, transitions);
  f.job.backgroundColor = 0x336699;
  f.job.pauseSeconds = 2;
  const auto mp3 = mp3Bytes(40);
  writeFile(dir.path("music.mp3"), mp3);
  f.setMusic(dir.path("music.mp3"));
  ASSERT_EQ(slidewright::buildAlbum(&f.job), 1);
  const std::vector<std::uint8_t> fromJob = readBytes(f.output);

  const std::vector<std::uint8_t> fromValues = build(everyTransition(mp3, 2));
  ASSERT_FALSE(fromValues.empty());
  EXPECT_TRUE(fromValues == fromJob);

  // Written through the writer's staged file, the same bytes again.
  AlbumBuilder builder;
  ASSERT_TRUE(builder.build(everyTransition(mp3, 2)));
  ASSERT_TRUE(builder.writeFile(dir.path("typed.swf")));
  EXPECT_TRUE(readBytes(dir.path("typed.swf")) == fromJob);

  // Builds on two threads at once number their characters each from 1 and
  // give the same movie: they share no state.
  std::vector<std::uint8_t> a, b;
  std::thread other([&] { a = build(everyTransition(mp3, 2)); });
  b = build(everyTransition(mp3, 2));
  other.join();
  EXPECT_TRUE(a == fromJob);
  EXPECT_TRUE(b == fromJob);
}

TEST(AlbumBuilder, EachPictureHoldsForItsOwnSeconds) {
  Album album;
  album.slides = {AlbumSlide{jpegBytes(1), 9, 0}, AlbumSlide{jpegBytes(2), 9, 2},
                  AlbumSlide{jpegBytes(3), 9, 1}};
  AlbumBuilder builder;
  ASSERT_TRUE(builder.build(album)) << builder.report().message;
  // Each fade slide: 27 transition frames, the hold, one settled frame.
  EXPECT_EQ(builder.report().frameCount, 28u + (28 + 24) + (28 + 12));

  // A negative hold is refused by name; so is one that overflows the frame count.
  for (int hold : {-1, 6000}) {
    SCOPED_TRACE(hold);
    album.slides[1].holdSeconds = hold;
    AlbumBuilder refused;
    EXPECT_FALSE(refused.build(album));
    EXPECT_EQ(refused.report().failure, AlbumFailure::Refused);
    EXPECT_FALSE(refused.report().message.empty());
    EXPECT_TRUE(refused.bytes().empty());
  }
}

TEST(AlbumBuilder, ReportsEverySlideAndStopsWhenCancelled) {
  Album album;
  album.slides = {AlbumSlide{jpegBytes(1), 0, 1}, AlbumSlide{{}, 9, 1}, AlbumSlide{jpegBytes(3), 12, 1}};
  std::vector<std::pair<std::uint32_t, std::uint32_t>> seen;
  AlbumBuilder builder;
  ASSERT_TRUE(builder.build(album, [&](std::uint32_t done, std::uint32_t count) {
    seen.emplace_back(done, count);
    return true;
  }));
  EXPECT_EQ(seen, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0, 3}, {1, 3}, {2, 3}, {3, 3}}));
  // The slide without a picture is left out and listed.
  EXPECT_EQ(builder.report().skippedPictures, (std::vector<std::uint32_t>{1}));

  AlbumBuilder cancelled;
  EXPECT_FALSE(cancelled.build(album, [](std::uint32_t done, std::uint32_t) { return done < 2; }));
  EXPECT_EQ(cancelled.report().failure, AlbumFailure::Cancelled);
  EXPECT_TRUE(cancelled.bytes().empty());
  EXPECT_EQ(cancelled.movie().tagCount(), 0u);
}
