#include <gtest/gtest.h>

#include "player/movie_player.h"

using namespace player;

namespace {

// Builders of in-memory movies, tag by tag.
class MovieBuilder {
 public:
  MovieBuilder() {
    movie_.header.version = 4;
    movie_.header.frameRect = {0, 400, 0, 400, 15};  // 20 x 20 px
    movie_.header.frameRate = 12 << 8;
  }
  MovieBuilder& add(uint16_t code, TagBody body) {
    Tag t;
    t.code = code;
    t.body = std::move(body);
    movie_.tags.push_back(std::move(t));
    return *this;
  }
  MovieBuilder& showFrame() { return add(swfTagShowFrame, ShowFrameTag{}); }
  MovieBuilder& background(Rgba c) { return add(swfTagSetBackgroundColor, SetBackgroundColorTag{c}); }
  // A 10 x 10 px square of a solid colour.
  MovieBuilder& square(uint16_t id, Rgba c) {
    DefineShapeTag s;
    s.characterId = id;
    FillStyle f;
    f.color = c;
    s.shape.fillStyles.push_back(f);
    ShapeRecord m;
    m.stateMoveTo = m.stateFillStyle1 = true;
    m.fillStyle1 = 1;
    s.shape.records.push_back(m);
    const int pts[5][2] = {{0, 0}, {200, 0}, {200, 200}, {0, 200}, {0, 0}};
    for (int i = 0; i < 4; ++i) {
      ShapeRecord e;
      e.type = ShapeRecord::Type::StraightEdge;
      e.fromX = pts[i][0];
      e.fromY = pts[i][1];
      e.x = pts[i + 1][0];
      e.y = pts[i + 1][1];
      s.shape.records.push_back(e);
    }
    return add(swfTagDefineShape, std::move(s));
  }
  MovieBuilder& place(uint16_t depth, uint16_t id) {
    PlaceObject2Tag p;
    p.hasCharacter = true;
    p.depth = depth;
    p.characterId = id;
    return add(swfTagPlaceObject2, p);
  }
  MovieBuilder& modify(uint16_t depth, std::optional<uint16_t> ratio, std::optional<int> alpha = {},
                       std::optional<uint16_t> newCharacter = {}) {
    PlaceObject2Tag p;
    p.move = true;
    p.depth = depth;
    if (ratio) {
      p.hasRatio = true;
      p.ratio = *ratio;
    }
    if (alpha) {
      p.hasColorTransform = true;
      p.colorTransform.hasMultTerms = true;
      p.colorTransform.multRed = p.colorTransform.multGreen = p.colorTransform.multBlue = 255;
      p.colorTransform.multAlpha = *alpha;
    }
    if (newCharacter) {
      p.hasCharacter = true;
      p.characterId = *newCharacter;
    }
    return add(swfTagPlaceObject2, p);
  }
  MovieBuilder& remove(uint16_t depth) { return add(swfTagRemoveObject2, RemoveObject2Tag{depth}); }
  MovieBuilder& stop() {
    DoActionTag a;
    a.actions.push_back({kActionStop, {}});
    a.hasEndFlag = true;
    return add(swfTagDoAction, a);
  }
  MovieBuilder& sound(uint16_t id, int frames) {
    DefineSoundTag s;
    s.soundId = id;
    s.format = 2;
    s.rate = 3;
    s.size = 1;
    s.type = 1;
    s.sampleCount = uint32_t(frames) * 1152;
    s.data = {0, 0};
    for (int f = 0; f < frames; ++f) {
      // A silent MPEG-1 layer III frame: 128 kbit/s, 44.1 kHz, 417 bytes.
      const uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x64};
      s.data.insert(s.data.end(), header, header + 4);
      s.data.insert(s.data.end(), 413, 0);
    }
    return add(swfTagDefineSound, std::move(s));
  }
  MovieBuilder& startSound(uint16_t id, bool noMultiple) {
    StartSoundTag s;
    s.soundId = id;
    s.info.syncNoMultiple = noMultiple;
    s.info.syncFlags = noMultiple ? 1 : 0;
    return add(swfTagStartSound, s);
  }
  Movie build() {
    Movie m = movie_;
    Tag end;
    end.code = swfTagEnd;
    end.body = EndTag{};
    m.tags.push_back(end);
    return m;
  }

 private:
  Movie movie_;
};

std::vector<uint16_t> depths(const MoviePlayer& p) {
  std::vector<uint16_t> out;
  for (const auto& kv : p.displayList()) out.push_back(kv.first);
  return out;
}

}  // namespace

TEST(MoviePlayer, DisplayListFollowsPlacementsMovesAndRemovals) {
  Movie m = MovieBuilder()
                .square(1, {255, 0, 0, 255})
                .square(2, {0, 0, 255, 255})
                .place(4, 1)
                .modify(2, 100)  // nothing at depth 2: ignored
                .showFrame()
                .modify(4, 300, 128)
                .place(2, 2)
                .showFrame()
                .modify(4, {}, {}, uint16_t(2))  // another character, same transform
                .remove(2)
                .showFrame()
                .build();
  MoviePlayer p(m);
  ASSERT_EQ(p.frameCount(), 3u);
  EXPECT_EQ(depths(p), std::vector<uint16_t>{4});
  p.nextFrame();
  EXPECT_EQ(depths(p), (std::vector<uint16_t>{2, 4}));
  const DisplayObject& obj = p.displayList().at(4);
  EXPECT_EQ(obj.characterId, 1);
  EXPECT_EQ(obj.ratio, 300);
  EXPECT_EQ(obj.color.mult[3], 128);
  EXPECT_EQ(obj.color.mult[0], 255);
  p.nextFrame();
  EXPECT_EQ(depths(p), std::vector<uint16_t>{4});
  EXPECT_EQ(p.displayList().at(4).characterId, 2);
  EXPECT_EQ(p.displayList().at(4).ratio, 300);
  // Looping starts the display list again from the first frame.
  p.nextFrame();
  EXPECT_EQ(p.currentFrame(), 0u);
  EXPECT_EQ(p.displayList().at(4).ratio, 0);
  EXPECT_EQ(p.displayList().at(4).characterId, 1);
}

// Between two frames only what stays on its depth changes gradually: an
// object replaced by a new placement of the same character, one removed and
// one newly placed keep to the earlier frame.
TEST(MoviePlayer, InBetweenListsInterpolateOnlyObjectsThatStay) {
  Movie m = MovieBuilder()
                .square(1, {255, 0, 0, 255})
                .square(2, {0, 0, 255, 255})
                .place(4, 1)
                .place(5, 2)
                .place(6, 2)
                .showFrame()
                .modify(4, 1000, 0)
                .remove(5)
                .place(5, 2)
                .modify(5, 1000)
                .remove(6)
                .place(7, 1)
                .showFrame()
                .build();
  MoviePlayer p(m);
  const DisplayList from = p.displayList();
  p.nextFrame();
  const DisplayList between = interpolateDisplayLists(from, p.displayList(), 0.25);
  ASSERT_EQ(between.size(), 3u);  // depths 4, 5, 6 as in the first frame
  EXPECT_EQ(between.at(4).ratio, 250);
  EXPECT_EQ(between.at(4).color.mult[3], 192);
  EXPECT_EQ(between.at(4).placement, from.at(4).placement);
  EXPECT_EQ(between.at(5).ratio, 0);
  EXPECT_EQ(between.at(5).placement, from.at(5).placement);
  EXPECT_TRUE(between.count(6));
  EXPECT_FALSE(between.count(7));
}

TEST(MoviePlayer, StopActionHoldsTheFrameUntilPlayResumes) {
  Movie m = MovieBuilder()
                .square(1, {255, 0, 0, 255})
                .place(1, 1)
                .showFrame()
                .stop()
                .showFrame()
                .showFrame()
                .build();
  MoviePlayer p(m);
  EXPECT_TRUE(p.isPlaying());
  EXPECT_EQ(p.advanceTime(1.0), 1);  // reaches frame 2, which stops
  EXPECT_EQ(p.currentFrame(), 1u);
  EXPECT_FALSE(p.isPlaying());
  EXPECT_EQ(p.advanceTime(1.0), 0);
  p.play();
  EXPECT_EQ(p.advanceTime(1.0 / 12 + 1e-9), 1);
  EXPECT_EQ(p.currentFrame(), 2u);
}

TEST(MoviePlayer, ClosingStopAfterTheLastFrameEndsPlaying) {
  // The stop action follows the last ShowFrame, as albums that do not loop end.
  Movie m = MovieBuilder().square(1, {0, 255, 0, 255}).place(1, 1).showFrame().showFrame().stop().build();
  MoviePlayer p(m);
  ASSERT_EQ(p.frameCount(), 2u);
  p.advanceTime(10);
  EXPECT_EQ(p.currentFrame(), 1u);
  EXPECT_FALSE(p.isPlaying());
}

TEST(MoviePlayer, TimeAdvancesByFrameRatePausesAndSeeks) {
  MovieBuilder b;
  b.square(1, {0, 0, 0, 255});
  for (int i = 0; i < 40; ++i) b.modify(1, uint16_t(i)).showFrame();
  MoviePlayer p(b.build());
  EXPECT_EQ(p.advanceTime(0.25 + 1e-9), 3);  // 12 frames per second
  EXPECT_EQ(p.currentFrame(), 3u);
  p.pause();
  EXPECT_EQ(p.advanceTime(1.0), 0);
  p.play();
  // After a long stall only a bounded number of frames is caught up.
  int n = p.advanceTime(100.0);
  EXPECT_GT(n, 0);
  EXPECT_LE(n, 24);
  p.gotoFrame(7);
  EXPECT_EQ(p.currentFrame(), 7u);
  EXPECT_FALSE(p.isPlaying());
  p.gotoFrame(1000);  // clamped to the last frame
  EXPECT_EQ(p.currentFrame(), 39u);
  p.stop();
  EXPECT_EQ(p.currentFrame(), 0u);
  EXPECT_FALSE(p.isPlaying());
}

TEST(MoviePlayer, RendersBackgroundAndObjectsWithTheirColourTransform) {
  Movie m = MovieBuilder()
                .background({10, 20, 30, 255})
                .square(1, {200, 100, 0, 255})
                .place(1, 1)
                .showFrame()
                .modify(1, {}, 0)
                .showFrame()
                .build();
  MoviePlayer p(m);
  Image canvas(20, 20);
  p.render(canvas);
  EXPECT_EQ(canvas.row(5)[4 * 5], 200);   // inside the 10 x 10 square
  EXPECT_EQ(canvas.row(15)[4 * 15], 10);  // background outside it
  p.nextFrame();
  p.render(canvas);
  EXPECT_EQ(canvas.row(5)[4 * 5], 10);  // alpha 0: invisible
  p.setBackgroundOverride(Rgba{1, 2, 3, 255});
  p.render(canvas);
  EXPECT_EQ(canvas.row(15)[4 * 15 + 2], 3);
  // Twice the size: the square scales with the stage.
  Image big(40, 40);
  p.gotoFrame(0);
  p.render(big);
  EXPECT_EQ(big.row(19)[4 * 19], 200);
  EXPECT_EQ(big.row(21)[4 * 21], 1);
}

TEST(MoviePlayer, SoundThatMayNotStartTwiceIsIgnoredWhilePlaying) {
  // One second of sound (39 frames of 1152 samples at 44.1 kHz) started in the
  // first frame of a four-frame loop at 12 frames per second.
  Movie m =
      MovieBuilder().sound(1, 39).startSound(1, true).showFrame().showFrame().showFrame().showFrame().build();
  CaptureAudioOutput audio;
  MoviePlayer p(m, &audio);
  ASSERT_EQ(audio.events.size(), 1u);
  EXPECT_EQ(audio.events[0].kind, CaptureAudioOutput::Event::Play);
  EXPECT_TRUE(p.warnings().empty());
  p.advanceTime(0.5);  // loops once: the sound still plays, so no second start
  EXPECT_EQ(audio.events.size(), 1u);
  p.advanceTime(0.9);  // the loop at 1.33 s comes after its end: it starts again
  EXPECT_EQ(audio.events.size(), 2u);
  p.pause();
  EXPECT_EQ(audio.events.back().kind, CaptureAudioOutput::Event::Pause);
  p.play();
  EXPECT_EQ(audio.events.back().kind, CaptureAudioOutput::Event::Resume);
}

TEST(MoviePlayer, SoundThatMayStartAgainStartsOnEveryLoop) {
  Movie m = MovieBuilder().sound(1, 39).startSound(1, false).showFrame().showFrame().build();
  CaptureAudioOutput audio;
  MoviePlayer p(m, &audio);
  p.nextFrame();
  p.nextFrame();
  EXPECT_EQ(audio.events.size(), 2u);
  EXPECT_EQ(audio.voiceCount(), 2u);
}

TEST(MoviePlayer, UndecodableSoundAndPictureBecomeWarnings) {
  MovieBuilder b;
  DefineSoundTag bad;
  bad.soundId = 1;
  bad.format = 2;
  bad.data = {0, 0, 1, 2, 3, 4, 5};
  b.add(swfTagDefineSound, bad).startSound(1, true);
  DefineBitsJpeg2Tag jpeg;
  jpeg.characterId = 2;
  jpeg.data = {0xFF, 0xD9, 0xFF, 0xD8, 0xFF, 0xD8, 0x00, 0x01};
  b.add(swfTagDefineBitsJpeg2, jpeg);
  DefineShapeTag s;
  s.characterId = 3;
  FillStyle f;
  f.type = kFillClippedBitmap;
  f.bitmapId = 2;
  s.shape.fillStyles.push_back(f);
  ShapeRecord mv;
  mv.stateMoveTo = mv.stateFillStyle1 = true;
  mv.fillStyle1 = 1;
  s.shape.records.push_back(mv);
  ShapeRecord e;
  e.type = ShapeRecord::Type::StraightEdge;
  e.x = 100;
  s.shape.records.push_back(e);
  e.fromX = 100;
  e.y = 100;
  s.shape.records.push_back(e);
  b.add(swfTagDefineShape, s).place(1, 3).showFrame();
  CaptureAudioOutput audio;
  MoviePlayer p(b.build(), &audio);
  Image canvas(10, 10);
  p.render(canvas);
  EXPECT_TRUE(audio.events.empty());
  EXPECT_EQ(p.warnings().size(), 2u);
}

TEST(MoviePlayer, MorphOutlinesAndFillMatricesInterpolateByRatio) {
  DefineMorphShapeTag m;
  auto rect = [](int l, int t, int r, int b, bool withStyle) {
    std::vector<ShapeRecord> out;
    ShapeRecord mv;
    mv.stateMoveTo = true;
    mv.stateFillStyle0 = withStyle;
    mv.fillStyle0 = withStyle ? 1 : 0;
    mv.x = mv.fromX = l;
    mv.y = mv.fromY = t;
    out.push_back(mv);
    const int pts[5][2] = {{l, t}, {r, t}, {r, b}, {l, b}, {l, t}};
    for (int i = 0; i < 4; ++i) {
      ShapeRecord e;
      e.type = ShapeRecord::Type::StraightEdge;
      e.fromX = pts[i][0];
      e.fromY = pts[i][1];
      e.x = pts[i + 1][0];
      e.y = pts[i + 1][1];
      e.controlX = (e.fromX + e.x) / 2;
      e.controlY = (e.fromY + e.y) / 2;
      out.push_back(e);
    }
    return out;
  };
  m.startEdges = rect(0, 0, 20, 100, true);
  m.endEdges = rect(0, 0, 200, 100, false);
  auto half = interpolateMorph(m, 0.5);
  ASSERT_EQ(half.size(), 5u);
  EXPECT_TRUE(half[0].stateFillStyle0);
  EXPECT_EQ(half[1].x, 110);
  EXPECT_EQ(half[2].fromX, 110);
  EXPECT_EQ(half[2].y, 100);
  EXPECT_EQ(half[3].x, 0);

  Matrix a, b;
  a.hasScale = true;
  a.scaleX = a.scaleY = 20 << 16;
  b.translateX = 1000;  // no scale part: 1.0
  Matrix mid = interpolateMatrix(a, b, 0.5);
  EXPECT_EQ(mid.scaleX, (21 << 16) / 2);
  EXPECT_EQ(mid.translateX, 500);
}
