// Pictures that move: the scene's and the movie's transforms move one way
// only at a steady pace, "auto" repeats with its seed, stills stay as they were.
#include "album_test_support.h"

#include <album/album.h>
#include <album/scene.h>

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

using namespace slidewright;

constexpr int kFade = 9, kCircle = 4, kWipe = 0;

Album movingAlbum(MotionKind kind, bool overBackground = false) {
  Album album;
  album.overBackground = overBackground;
  album.seed = 5;
  const int transitions[] = {kFade, kCircle, kWipe};
  for (int k = 0; k < 3; ++k) {
    AlbumSlide slide;
    slide.jpeg = albumtest::jpegBytes(std::uint8_t(k + 1));
    slide.transition = transitions[k];
    slide.holdSeconds = k;  // 0, 1, 2: the hand-over frames fall on every kind of frame
    slide.motion.kind = kind;
    if (kind == MotionKind::Explicit) {
      slide.motion.start = {0.1, 0.2, 0.5, 0.6};
      slide.motion.end = {0.3, 0.1, 0.7, 0.8};
    }
    album.slides.push_back(std::move(slide));
  }
  return album;
}

std::vector<std::uint8_t> movieBytes(Album album) {
  AlbumBuilder builder;
  EXPECT_TRUE(builder.build(std::move(album))) << builder.report().message;
  return builder.bytes();
}

// Per frame, the placement matrix of each plain picture shape on stage, by
// the shape's order of definition (slide index).
std::vector<std::map<int, player::Matrix>> pictureMatrices(const std::vector<std::uint8_t>& bytes) {
  auto movie = player::parseMovie(bytes);
  EXPECT_TRUE(movie) << movie.message();
  std::map<std::uint16_t, int> slideOfShape;
  std::map<std::uint16_t, std::pair<std::uint16_t, player::Matrix>> stage;  // depth: shape, matrix
  std::vector<std::map<int, player::Matrix>> frames;
  for (const player::Tag& tag : movie.value().tags) {
    if (auto* shape = player::tagAs<player::DefineShapeTag>(tag)) {
      const int next = int(slideOfShape.size());
      slideOfShape[shape->characterId] = next;
    } else if (auto* place = player::tagAs<player::PlaceObject2Tag>(tag)) {
      auto& [id, matrix] = stage[place->depth];
      if (place->hasCharacter) id = place->characterId, matrix = player::Matrix{};
      if (place->hasMatrix) matrix = place->matrix;
    } else if (auto* remove = player::tagAs<player::RemoveObject2Tag>(tag)) {
      stage.erase(remove->depth);
    } else if (player::tagAs<player::ShowFrameTag>(tag)) {
      std::map<int, player::Matrix> shown;
      for (const auto& [depth, object] : stage)
        if (auto s = slideOfShape.find(object.first); s != slideOfShape.end())
          shown[s->second] = object.second;
      frames.push_back(shown);
    }
  }
  return frames;
}

// +1 or -1 for a value that rose or fell, 0 when it stayed.
int direction(double from, double to) { return to > from ? 1 : to < from ? -1 : 0; }

TEST(Motion, EveryKindMovesOneWayAtASteadyPaceInTheSceneAndTheMovie) {
  for (MotionKind kind : {MotionKind::ZoomIn, MotionKind::ZoomOut, MotionKind::PanLeft, MotionKind::PanRight,
                          MotionKind::PanUp, MotionKind::PanDown, MotionKind::Auto, MotionKind::Explicit}) {
    for (bool over : {false, true}) {
      SCOPED_TRACE(std::string(motionName(kind)) + (over ? " over the background" : ""));
      const Album album = movingAlbum(kind, over);
      std::vector<Motion> motions;
      std::vector<SceneSlide> slides;
      for (const AlbumSlide& s : album.slides) motions.push_back(s.motion);
      motions = resolveMotions(motions, album.seed);
      for (std::size_t k = 0; k < motions.size(); ++k)
        slides.push_back({album.slides[k].transition, album.slides[k].holdSeconds, motions[k]});
      const AlbumScene scene(album.width, album.height, over, slides);
      const auto frames = pictureMatrices(movieBytes(album));
      ASSERT_EQ(frames.size(), scene.frameCount());

      for (std::size_t k = 0; k < slides.size(); ++k) {
        // The scene: offsets and scale never turn back, and no frame moves
        // more than a frame's share (and a little) of the whole way.
        const std::uint64_t first = scene.firstShown(k), last = scene.lastShown(k);
        const PictureTransform a = scene.transformAt(k, double(first)),
                               z = scene.transformAt(k, double(last));
        int dx = 0, dy = 0, ds = 0;
        PictureTransform before = a;
        for (double f = double(first) + 0.25; f <= double(last); f += 0.25) {
          const PictureTransform t = scene.transformAt(k, f);
          for (auto [d, from, to] : {std::tuple<int*, double, double>{&dx, before.offsetX, t.offsetX},
                                     {&dy, before.offsetY, t.offsetY},
                                     {&ds, before.scaleX, t.scaleX}}) {
            const int now = direction(from, to);
            if (now) {
              EXPECT_TRUE(*d == 0 || *d == now) << "turns back at frame " << f;
              *d = now;
            }
          }
          EXPECT_LE(std::abs(t.offsetX - before.offsetX), std::abs(z.offsetX - a.offsetX) / 2 + 1e-9);
          before = t;
        }
        // The picture covers the album all along: no bars.
        for (std::uint64_t f = first; f <= last; ++f) {
          const PictureTransform t = scene.transformAt(k, double(f));
          EXPECT_LE(t.offsetX, 1e-9);
          EXPECT_LE(t.offsetY, 1e-9);
          EXPECT_GE(t.offsetX + t.scaleX * album.width, album.width - 1e-6);
          EXPECT_GE(t.offsetY + t.scaleY * album.height, album.height - 1e-6);
        }
        // The movie: wherever the plain picture stands, its matrix is the
        // scene's to the twip, and it too moves one way only.
        int mx = 0;
        std::optional<std::int32_t> previous;
        for (std::uint64_t f = first; f <= last; ++f) {
          const auto it = frames[f].find(int(k));
          if (it == frames[f].end()) continue;
          const PictureTransform t = scene.transformAt(k, double(f));
          EXPECT_NEAR(it->second.translateX, t.offsetX * 20, 0.51) << "frame " << f;
          EXPECT_NEAR(it->second.translateY, t.offsetY * 20, 0.51) << "frame " << f;
          EXPECT_NEAR(it->second.scaleX / 65536.0, t.scaleX, 1e-5) << "frame " << f;
          if (previous) {
            const int now = direction(*previous, it->second.translateX);
            EXPECT_TRUE(now == 0 || mx == 0 || now == mx) << "turns back at frame " << f;
            if (now) mx = now;
          }
          previous = it->second.translateX;
        }
        EXPECT_TRUE(previous.has_value()) << "slide " << k << " never stands as a plain shape";
      }
    }
  }
}

TEST(Motion, AutoRepeatsWithItsSeedAndVaries) {
  std::vector<Motion> autos(12);
  for (Motion& m : autos) m.kind = MotionKind::Auto;
  const auto a = resolveMotions(autos, 42), b = resolveMotions(autos, 42), c = resolveMotions(autos, 43);
  bool differs = false;
  for (std::size_t k = 0; k < autos.size(); ++k) {
    EXPECT_EQ(a[k].kind, b[k].kind);
    EXPECT_TRUE(a[k].moves() && a[k].kind != MotionKind::Auto);
    if (k > 0) {
      EXPECT_NE(a[k].kind, a[k - 1].kind);
    }
    differs = differs || a[k].kind != c[k].kind;
  }
  EXPECT_TRUE(differs);
  EXPECT_EQ(movieBytes(movingAlbum(MotionKind::Auto)), movieBytes(movingAlbum(MotionKind::Auto)));
}

TEST(Motion, StillPicturesKeepTheirMovieAndUnusableRectanglesAreRefused) {
  // A seed alone changes nothing in an album of still pictures.
  Album still = movingAlbum(MotionKind::None), seeded = movingAlbum(MotionKind::None);
  seeded.seed = 99;
  EXPECT_EQ(movieBytes(still), movieBytes(seeded));
  EXPECT_NE(movieBytes(still), movieBytes(movingAlbum(MotionKind::ZoomIn)));

  for (MotionRect bad : {MotionRect{0.5, 0, 0.6, 1}, MotionRect{-0.1, 0, 0.5, 0.5},
                         MotionRect{0, 0, 0.01, 0.5}, MotionRect{0, 0, std::nan(""), 1}}) {
    Album album = movingAlbum(MotionKind::Explicit);
    album.slides[1].motion.end = bad;
    AlbumBuilder builder;
    EXPECT_FALSE(builder.build(std::move(album)));
    EXPECT_NE(builder.report().message.find("Picture 2 has a motion"), std::string::npos)
        << builder.report().message;
  }
}

}  // namespace
