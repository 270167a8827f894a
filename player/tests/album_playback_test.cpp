// Albums made by the album builder, played back: the frames show the
// background, the incoming picture exactly where it belongs, and the
// settled picture, at the right moments.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "fixture_album.h"
#include "player/describe.h"
#include "player/jpeg.h"
#include "player/movie_player.h"

using namespace player;

namespace {

struct AlbumFile {
  std::string dir, path;
  AlbumFile(std::vector<int> transitions, int pause, int loop) {
    auto folder =
        std::filesystem::temp_directory_path() / ("player-album-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    dir = folder.string();
    path = (folder / "album.swf").string();
    player_fixture::FixtureOptions o;
    o.output = path;
    o.workDir = dir;
    o.width = 160;
    o.height = 120;
    o.pauseSeconds = pause;
    o.loop = loop;
    o.background = 0x336699;
    o.transitions = std::move(transitions);
    std::string error;
    if (!player_fixture::makeFixtureAlbum(o, &error)) ADD_FAILURE() << error;
  }
  ~AlbumFile() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

// The decoded picture of the n-th bitmap tag.
Image picture(const Movie& movie, int n) {
  for (const Tag& t : movie.tags)
    if (const auto* j = tagAs<DefineBitsJpeg2Tag>(t))
      if (n-- == 0) {
        Image img;
        std::string error;
        EXPECT_TRUE(decodeJpeg(j->data.data(), j->data.size(), &img, &error)) << error;
        return img;
      }
  ADD_FAILURE() << "no such picture";
  return {};
}

int differingPixels(const Image& a, const Image& b, int tolerance) {
  int n = 0;
  for (size_t i = 0; i < a.pixels.size(); i += 4)
    for (int c = 0; c < 3; ++c)
      if (std::abs(int(a.pixels[i + c]) - int(b.pixels[i + c])) > tolerance) {
        ++n;
        break;
      }
  return n;
}

}  // namespace

TEST(AlbumPlayback, WipeRevealsThePictureOverTheBackgroundAndHoldsIt) {
  AlbumFile album({0, 9}, 1, 0);
  auto opened = MoviePlayer::open(album.path);
  ASSERT_TRUE(opened) << opened.error().message;
  MoviePlayer& p = *opened.value();
  EXPECT_EQ(p.stageWidth(), 160);
  EXPECT_EQ(p.frameCount(), p.header().frameCount);
  Image first = picture(p.movie(), 0), second = picture(p.movie(), 1);
  Image canvas(160, 120);

  // Frame 1: a one-pixel column of the picture at the left edge, background elsewhere.
  p.render(canvas);
  EXPECT_EQ(canvas.row(60)[4 * 80 + 2], 0x99);
  EXPECT_EQ(canvas.row(60)[4 * 80], 0x33);
  EXPECT_EQ(std::memcmp(canvas.row(60), first.row(60), 4), 0);

  // Half-way through the wipe the left part is the picture, the right part background.
  p.gotoFrame(5);
  p.render(canvas);
  EXPECT_EQ(std::memcmp(canvas.row(30), first.row(30), 4 * 40), 0);
  EXPECT_EQ(canvas.row(30)[4 * 150 + 2], 0x99);

  // Held: exactly the picture, pixel for pixel.
  p.gotoFrame(20);
  while (p.displayList().at(4).ratio != 0xFFFF) p.nextFrame();
  p.nextFrame();
  p.render(canvas);
  EXPECT_EQ(differingPixels(canvas, first, 0), 0);

  // The cross-fade's middle frame lies between the two pictures.
  size_t fadeStart = 0;
  p.gotoFrame(0);
  for (size_t f = 0; f < p.frameCount(); ++f, p.nextFrame()) {
    auto it = p.displayList().find(4);
    if (it != p.displayList().end() && it->second.color.mult[3] == 0) {
      fadeStart = f;
      break;
    }
  }
  ASSERT_GT(fadeStart, 0u);
  p.gotoFrame(fadeStart + 13);
  p.render(canvas);
  const uint8_t* c = canvas.row(80) + 4 * 100;
  const uint8_t* a = first.row(80) + 4 * 100;
  const uint8_t* b = second.row(80) + 4 * 100;
  // The settled picture fades out over the background while the new one fades in.
  const double alphaIn = 120 / 256.0, alphaOut = 135 / 256.0;
  const int background[3] = {0x33, 0x66, 0x99};
  for (int ch = 0; ch < 3; ++ch) {
    double under = background[ch] + (a[ch] * 255 / 256.0 - background[ch]) * alphaOut;
    double expected = under + (b[ch] * 255 / 256.0 - under) * alphaIn;
    EXPECT_NEAR(c[ch], expected, 3) << ch;
  }
  EXPECT_GT(differingPixels(canvas, first, 20), 1000);
  EXPECT_GT(differingPixels(canvas, second, 20), 1000);

  // The album does not loop: it ends on the second picture, settled.
  p.gotoFrame(0, true);
  p.advanceTime(1000);
  while (p.isPlaying()) p.advanceTime(1);
  EXPECT_EQ(p.currentFrame(), p.frameCount() - 1);
  p.render(canvas);
  EXPECT_EQ(differingPixels(canvas, second, 0), 0);
}

TEST(AlbumPlayback, ListingCountsTheAlbumsFramesAndCharacters) {
  AlbumFile album({4, 9, 12}, 0, 1);
  Parsed<Movie> movie = parseMovieFile(album.path);
  ASSERT_TRUE(movie) << movie.error().message;
  std::string listing = describeMovie(movie.value());
  const unsigned frames = movie.value().header.frameCount;
  EXPECT_NE(listing.find("frames: " + std::to_string(frames) + " (ShowFrame tags)\n"), std::string::npos)
      << listing.substr(listing.size() - 200);
  EXPECT_EQ(listing.find("differs from the header"), std::string::npos);
  // Each slide: a bitmap, its transition character and its settled shape.
  EXPECT_NE(listing.find("Characters: 9 (3 bitmaps, 2 morph shapes, 4 shapes)"), std::string::npos);
  EXPECT_NE(listing.find("end of frame " + std::to_string(frames) + "\n"), std::string::npos);
}
