// buildAlbum read back from the written file: job checks, the tag sequence of
// slides, identifiers, music, closing action and the build's report.
#include "album_test_support.h"

#include <album/transition.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

using namespace albumtest;
using slidewright::AlbumReport;
using slidewright::buildAlbum;
using slidewright::MusicStatus;

namespace {

bool exists(const std::string& path) { return std::filesystem::exists(path); }

// The tags of the first slide of a 640 x 480 album with transition 0 and a
// one-second hold, with the slide's ids starting at first.
std::vector<std::string> wipeSlide(int first) {
  const std::string bitmap = std::to_string(first), morph = std::to_string(first + 1),
                    settled = std::to_string(first + 2);
  std::vector<std::string> t = {"DefineBitsJPEG2 id=" + bitmap, "DefineMorphShape id=" + morph,
                                "Place id=" + morph + " d4", "Show"};
  for (int r = 0; r < 65000; r += 1666) {
    t.push_back("Move d4 r" + std::to_string(r));
    t.push_back("Show");
  }
  t.insert(t.end(), {"Move d4 r65535", "Show", "Remove d2"});
  repeat(t, "Show", 12);
  t.insert(t.end(), {"DefineShape id=" + settled, "Place id=" + settled + " d2", "Show", "Remove d4"});
  return t;
}

// The same for the cross-fade (transition 9).
std::vector<std::string> fadeSlide(int first, bool overBackground = false) {
  const std::string bitmap = std::to_string(first), shape = std::to_string(first + 1),
                    settled = std::to_string(first + 2);
  std::vector<std::string> t = {"DefineBitsJPEG2 id=" + bitmap, "DefineShape id=" + shape,
                                "Place id=" + shape + " d4 a0", "Show"};
  for (int k = 0; k < 26; ++k) {
    t.push_back("Move d4 a" + std::to_string(10 * k));
    if (!overBackground) t.push_back("Move d2 a" + std::to_string(255 - 10 * k));
    t.push_back("Show");
  }
  if (!overBackground) t.push_back("Remove d2");
  repeat(t, "Show", 12);
  t.push_back("Remove d4");
  if (!overBackground)
    t.insert(t.end(), {"DefineShape id=" + settled, "Place id=" + settled + " d2", "Show"});
  return t;
}

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

TEST(AlbumJobChecks, RefusesMalformedJobsAndWritesNothing) {
  ScratchDir dir;
  struct Case {
    const char* what;
    void (*spoil)(JobFixture&);
  };
  const Case cases[] = {
      {"size 48", [](JobFixture& f) { f.job.size = 48; }},
      {"size 56", [](JobFixture& f) { f.job.size = 56; }},
      {"no output path", [](JobFixture& f) { f.job.outputPath = nullptr; }},
      {"no picture array", [](JobFixture& f) { f.job.pictures = nullptr; }},
      {"no pictures", [](JobFixture& f) { f.job.pictureCount = 0; }},
      {"null picture entry", [](JobFixture& f) { f.pointers[1] = nullptr; }},
      {"transition -1", [](JobFixture& f) { f.entries[1]->transition = -1; }},
      {"transition 13", [](JobFixture& f) { f.entries[1]->transition = 13; }},
      {"path without terminator",
       [](JobFixture& f) { std::memset(f.entries[1]->path, 'a', sizeof(f.entries[1]->path)); }},
      {"width 47", [](JobFixture& f) { f.job.width = 47; }},
      {"height 23", [](JobFixture& f) { f.job.height = 23; }},
      {"negative width", [](JobFixture& f) { f.job.width = -640; }},
      {"width 820", [](JobFixture& f) { f.job.width = 820; }},
      {"more frames than a movie counts", [](JobFixture& f) { f.job.pauseSeconds = 6000; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    JobFixture f(dir, 640, 480, {0, 3, 9});
    c.spoil(f);
    AlbumReport report;
    EXPECT_EQ(buildAlbum(&f.job, &report), 0);
    EXPECT_EQ(report.failure, slidewright::AlbumFailure::Refused);
    EXPECT_FALSE(report.message.empty());
    EXPECT_FALSE(exists(f.output));
  }
  EXPECT_EQ(buildAlbum(nullptr), 0);

  // The smallest album the frame arithmetic allows is accepted, with every
  // transition; so is the largest the frame rectangle holds.
  JobFixture small(dir, 48, 24, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  EXPECT_EQ(buildAlbum(&small.job), 1);
  JobFixture large(dir, 819, 819, {12});
  EXPECT_EQ(buildAlbum(&large.job), 1);
}

TEST(AlbumMovie, OnePictureWithoutMusicIsBackgroundSlideEnd) {
  ScratchDir dir;
  JobFixture f(dir, 640, 480, {0});
  f.job.backgroundColor = 0x336699;
  AlbumReport report;
  ASSERT_EQ(buildAlbum(&f.job, &report), 1) << report.message;
  EXPECT_TRUE(report.message.empty());
  EXPECT_EQ(report.music, MusicStatus::None);
  EXPECT_TRUE(report.skippedPictures.empty());

  const player::Movie movie = readMovie(f.output);
  std::vector<std::string> expected = {"SetBackgroundColor"};
  expected = concat(expected, wipeSlide(1));
  expected.push_back("End");
  EXPECT_EQ(trace(movie), expected);

  const auto& bg = *tagsOf<player::SetBackgroundColorTag>(movie)[0];
  EXPECT_EQ(bg.color, (player::Rgba{0x99, 0x66, 0x33, 255}));
  const player::Header& h = movie.header;
  EXPECT_EQ(h.version, 4);
  EXPECT_FALSE(h.compressed);
  EXPECT_EQ(h.frameRect.xMin, 0);
  EXPECT_EQ(h.frameRect.yMin, 0);
  EXPECT_EQ(h.frameRect.xMax, 12800);
  EXPECT_EQ(h.frameRect.yMax, 9600);
  EXPECT_DOUBLE_EQ(h.framesPerSecond(), 12.0);
  EXPECT_EQ(h.frameCount, showFrames(movie));
  EXPECT_EQ(report.frameCount, std::uint32_t(showFrames(movie)));
  EXPECT_EQ(h.frameCount, 42 + 12 + 1);
}

TEST(AlbumMovie, PictureBytesReachTheBitmapTagUnchanged) {
  ScratchDir dir;
  JobFixture f(dir, 640, 480, {0, 9});
  writeFile(f.entries[1]->path, jpegBytes(77, 5000));
  ASSERT_EQ(buildAlbum(&f.job), 1);
  const player::Movie movie = readMovie(f.output);
  const auto bitmaps = tagsOf<player::DefineBitsJpeg2Tag>(movie);
  ASSERT_EQ(bitmaps.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    std::vector<std::uint8_t> expected = {0xFF, 0xD9, 0xFF, 0xD8};
    const auto file = i == 0 ? jpegBytes(1) : jpegBytes(77, 5000);
    expected.insert(expected.end(), file.begin(), file.end());
    expected.insert(expected.end(), {0xFF, 0xD9});
    EXPECT_EQ(bitmaps[i]->data, expected) << "picture " << i;
  }
}

TEST(AlbumMovie, FadeSlideSequenceAndItsShape) {
  ScratchDir dir;
  JobFixture f(dir, 640, 480, {9});
  ASSERT_EQ(buildAlbum(&f.job), 1);
  const player::Movie movie = readMovie(f.output);
  std::vector<std::string> expected = {"SetBackgroundColor"};
  expected = concat(expected, fadeSlide(1));
  expected.push_back("End");
  EXPECT_EQ(trace(movie), expected);

  // Two fill styles: the first names no bitmap and is unused, the edges use
  // the second, a repeating fill of the picture at scale 20.
  const auto& shape = *tagsOf<player::DefineShapeTag>(movie)[0];
  ASSERT_EQ(shape.shape.fillStyles.size(), 2u);
  EXPECT_EQ(shape.shape.fillStyles[0].type, player::kFillClippedBitmap);
  EXPECT_EQ(shape.shape.fillStyles[0].bitmapId, 0xFFFF);
  EXPECT_EQ(shape.shape.fillStyles[1].type, player::kFillRepeatingBitmap);
  EXPECT_EQ(shape.shape.fillStyles[1].bitmapId, 1);
  for (const auto& fill : shape.shape.fillStyles) {
    EXPECT_EQ(fill.matrix.scaleX, 20 << 16);
    EXPECT_EQ(fill.matrix.scaleY, 20 << 16);
    EXPECT_EQ(fill.matrix.translateX, 0);
    EXPECT_EQ(fill.matrix.translateY, 0);
  }
  ASSERT_FALSE(shape.shape.records.empty());
  EXPECT_EQ(shape.shape.records[0].fillStyle1, 2u);
  const auto boxes = outlineBoxes(shape.shape.records);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].right, 640);
  EXPECT_EQ(boxes[0].bottom, 480);
}

TEST(AlbumMovie, SettledShapeCoversTheAlbumWithTheBitmapAtItsCorner) {
  ScratchDir dir;
  JobFixture f(dir, 640, 480, {0});
  ASSERT_EQ(buildAlbum(&f.job), 1);
  const player::Movie movie = readMovie(f.output);
  const auto& settled = *tagsOf<player::DefineShapeTag>(movie)[0];
  EXPECT_EQ(settled.bounds, (player::Rect{0, 12800, 0, 9600}));
  ASSERT_EQ(settled.shape.fillStyles.size(), 1u);
  const auto& fill = settled.shape.fillStyles[0];
  EXPECT_EQ(fill.type, player::kFillClippedBitmap);
  EXPECT_EQ(fill.bitmapId, 1);
  EXPECT_EQ(fill.matrix.scaleX, 20 << 16);
  const auto& r = settled.shape.records;
  ASSERT_EQ(r.size(), 5u);
  EXPECT_TRUE(r[0].stateFillStyle1 && r[0].stateLineStyle && !r[0].stateFillStyle0);
  EXPECT_EQ(r[0].fillStyle1, 1u);
  EXPECT_EQ(r[0].lineStyle, 0u);
  const int deltas[4][2] = {{12800, 0}, {0, 9600}, {-12800, 0}, {0, -9600}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(r[i + 1].x - r[i + 1].fromX, deltas[i][0]) << i;
    EXPECT_EQ(r[i + 1].y - r[i + 1].fromY, deltas[i][1]) << i;
  }
}

TEST(AlbumMovie, CharacterIdsFollowConstructionWithAndWithoutMusic) {
  ScratchDir dir;
  for (bool music : {false, true}) {
    SCOPED_TRACE(music ? "with music" : "silent");
    JobFixture f(dir, 640, 480, {0, 9});
    if (music) {
      writeFile(dir.path("music.mp3"), mp3Bytes(10));
      f.setMusic(dir.path("music.mp3"));
    }
    ASSERT_EQ(buildAlbum(&f.job), 1);
    const int first = music ? 2 : 1;
    std::vector<std::string> expected = {"SetBackgroundColor"};
    if (music) expected.insert(expected.end(), {"SoundStreamHead", "DefineSound id=1", "StartSound id=1"});
    expected = concat(expected, wipeSlide(first));
    expected = concat(expected, fadeSlide(first + 3));
    expected.push_back("End");
    EXPECT_EQ(trace(readMovie(f.output)), expected);
  }
  // Each movie starts its identifiers at 1 again.
  JobFixture again(dir, 640, 480, {9});
  ASSERT_EQ(buildAlbum(&again.job), 1);
  EXPECT_EQ(tagsOf<player::DefineBitsJpeg2Tag>(readMovie(again.output))[0]->characterId, 1);
}

TEST(AlbumMovie, OverBackgroundNeverTouchesTheSettledDepth) {
  ScratchDir dir;
  JobFixture f(dir, 640, 480, {0, 9, 10, 9});
  f.job.overBackground = 1;
  ASSERT_EQ(buildAlbum(&f.job), 1);
  const player::Movie movie = readMovie(f.output);
  for (const auto* p : tagsOf<player::PlaceObject2Tag>(movie)) EXPECT_NE(p->depth, slidewright::SettledDepth);
  for (const auto* r : tagsOf<player::RemoveObject2Tag>(movie))
    EXPECT_NE(r->depth, slidewright::SettledDepth);
  // No settled shapes: one shape per fade, none per wipe.
  EXPECT_EQ(tagsOf<player::DefineShapeTag>(movie).size(), 2u);
  // Wipe 42 + fade 27 + strips 54 + fade 27, each with 12 hold frames.
  EXPECT_EQ(showFrames(movie), 42 + 27 + 54 + 27 + 4 * 12);

  // A fade over the background alone, tag by tag.
  JobFixture fade(dir, 640, 480, {9});
  fade.job.overBackground = 1;
  ASSERT_EQ(buildAlbum(&fade.job), 1);
  std::vector<std::string> expected = {"SetBackgroundColor"};
  expected = concat(expected, fadeSlide(1, true));
  expected.push_back("End");
  EXPECT_EQ(trace(readMovie(fade.output)), expected);
}

TEST(AlbumMovie, LoopDecidesTheClosingStopAction) {
  ScratchDir dir;
  for (int loop : {0, 1}) {
    JobFixture f(dir, 320, 240, {3, 9});
    f.job.loop = loop;
    ASSERT_EQ(buildAlbum(&f.job), 1);
    const auto lines = trace(readMovie(f.output));
    ASSERT_GE(lines.size(), 3u);
    const auto actions = std::count_if(lines.begin(), lines.end(),
                                       [](const std::string& l) { return l.rfind("DoAction", 0) == 0; });
    if (loop == 0) {
      EXPECT_EQ(actions, 1);
      EXPECT_EQ(lines[lines.size() - 2], "DoAction stop");
      EXPECT_EQ(lines[lines.size() - 3], "Show");
    } else {
      EXPECT_EQ(actions, 0);
      EXPECT_EQ(lines[lines.size() - 2], "Show");
    }
    EXPECT_EQ(lines.back(), "End");
  }
}

TEST(AlbumMovie, HoldLastsPauseSecondsTimesTwelveFrames) {
  ScratchDir dir;
  // Fade slides: 27 transition frames, the hold, one settled frame.
  const struct {
    int pause;
    int frames;
  } cases[] = {{0, 28}, {1, 40}, {3, 64}, {-1, 28}, {-2147483647 - 1, 28}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pause);
    JobFixture f(dir, 640, 480, {9});
    f.job.pauseSeconds = c.pause;
    ASSERT_EQ(buildAlbum(&f.job), 1);
    const player::Movie movie = readMovie(f.output);
    EXPECT_EQ(showFrames(movie), c.frames);
    EXPECT_EQ(movie.header.frameCount, c.frames);
  }
  // Without a hold the settled shape's frame follows the morph's last frame.
  JobFixture wipe(dir, 640, 480, {0});
  wipe.job.pauseSeconds = 0;
  ASSERT_EQ(buildAlbum(&wipe.job), 1);
  const auto lines = trace(readMovie(wipe.output));
  const auto end = std::find(lines.begin(), lines.end(), "Move d4 r65535");
  ASSERT_NE(end, lines.end());
  EXPECT_EQ(std::vector<std::string>(end, end + 6),
            (std::vector<std::string>{"Move d4 r65535", "Show", "Remove d2", "DefineShape id=3",
                                      "Place id=3 d2", "Show"}));
}

TEST(AlbumMovie, UnreadablePictureContributesNoTags) {
  ScratchDir dir;
  // Picture 1 is missing, picture 2 is an empty file; the others follow on
  // with consecutive identifiers, and the report names the two left out.
  JobFixture f(dir, 640, 480, {0, 9, 0, 9});
  f.removePicture(1);
  writeFile(f.entries[2]->path, {});
  AlbumReport report;
  ASSERT_EQ(buildAlbum(&f.job, &report), 1) << report.message;
  EXPECT_EQ(report.skippedPictures, (std::vector<std::uint32_t>{1, 2}));
  std::vector<std::string> expected = {"SetBackgroundColor"};
  expected = concat(expected, wipeSlide(1));
  expected = concat(expected, fadeSlide(4));
  expected.push_back("End");
  EXPECT_EQ(trace(readMovie(f.output)), expected);
}

TEST(AlbumSoundTrack, UsableMusicIsOneEventSoundStartedOnce) {
  ScratchDir dir;
  JobFixture f(dir, 640, 480, {0});
  const auto mp3 = mp3Bytes(100);
  writeFile(dir.path("music.mp3"), mp3);
  f.setMusic(dir.path("music.mp3"));
  AlbumReport report;
  ASSERT_EQ(buildAlbum(&f.job, &report), 1);
  EXPECT_EQ(report.music, MusicStatus::Used);
  EXPECT_TRUE(report.musicError.empty());

  const player::Movie movie = readMovie(f.output);
  const auto lines = trace(movie);
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5),
            (std::vector<std::string>{"SetBackgroundColor", "SoundStreamHead", "DefineSound id=1",
                                      "StartSound id=1", "DefineBitsJPEG2 id=2"}));

  const auto& sound = *tagsOf<player::DefineSoundTag>(movie)[0];
  EXPECT_EQ(sound.format, 2);
  EXPECT_EQ(sound.rate, 2);  // 22 kHz
  EXPECT_EQ(sound.size, 1);
  EXPECT_EQ(sound.type, 0);  // single channel
  EXPECT_EQ(sound.sampleCount, 100u * 576u);
  std::vector<std::uint8_t> data = {0, 0};
  data.insert(data.end(), mp3.begin(), mp3.end());
  EXPECT_EQ(sound.data, data);

  const auto& head = *tagsOf<player::SoundStreamHeadTag>(movie)[0];
  EXPECT_EQ(head.playbackRate, 2);
  EXPECT_EQ(head.playbackSize, 1);
  EXPECT_EQ(head.playbackType, 0);
  EXPECT_EQ(head.streamType, 0);
  EXPECT_EQ(head.sampleCount, 57600);

  const auto& start = *tagsOf<player::StartSoundTag>(movie)[0];
  EXPECT_TRUE(start.info.syncNoMultiple);
  EXPECT_FALSE(start.info.syncStop);
  EXPECT_FALSE(start.info.hasEnvelope || start.info.hasLoops || start.info.hasInPoint ||
               start.info.hasOutPoint);
}

TEST(AlbumSoundTrack, MissingMusicMakesASilentMovieAndIsReported) {
  ScratchDir dir;
  JobFixture silent(dir, 640, 480, {0, 9});
  ASSERT_EQ(buildAlbum(&silent.job), 1);
  const auto silentTrace = trace(readMovie(silent.output));

  JobFixture f(dir, 640, 480, {0, 9});
  f.output = dir.path("missing-music.swf");
  f.job.outputPath = f.output.c_str();
  f.setMusic(dir.path("no-such-music.mp3"));
  AlbumReport report;
  ASSERT_EQ(buildAlbum(&f.job, &report), 1);
  EXPECT_EQ(report.music, MusicStatus::Missing);
  EXPECT_NE(report.musicError.find("no-such-music.mp3"), std::string::npos);
  EXPECT_EQ(trace(readMovie(f.output)), silentTrace);
}

TEST(AlbumSoundTrack, UnusableMusicKeepsEmptySoundTagsAndIsReported) {
  ScratchDir dir;
  JobFixture f(dir, 640, 480, {0});
  const std::string text = "these are not the frames you are looking for";
  writeFile(dir.path("notes.mp3"), std::vector<std::uint8_t>(text.begin(), text.end()));
  f.setMusic(dir.path("notes.mp3"));
  AlbumReport report;
  ASSERT_EQ(buildAlbum(&f.job, &report), 1);
  EXPECT_EQ(report.music, MusicStatus::Unusable);
  EXPECT_FALSE(report.musicError.empty());

  const player::Movie movie = readMovie(f.output);
  const auto lines = trace(movie);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5),
            (std::vector<std::string>{"SetBackgroundColor", "SoundStreamHead", "DefineSound id=1",
                                      "StartSound id=1", "DefineBitsJPEG2 id=2"}));
  const auto& sound = *tagsOf<player::DefineSoundTag>(movie)[0];
  EXPECT_EQ(sound.format, 0);
  EXPECT_EQ(sound.rate, 0);
  EXPECT_EQ(sound.sampleCount, 0u);
  EXPECT_TRUE(sound.data.empty());
  const auto& head = *tagsOf<player::SoundStreamHeadTag>(movie)[0];
  EXPECT_EQ(head.playbackRate + head.playbackSize + head.playbackType, 0);
  EXPECT_EQ(head.sampleCount, 0);
}

TEST(AlbumBuild, UnwritableOutputIsAFailureWithItsReason) {
  ScratchDir dir;
  JobFixture f(dir, 640, 480, {0});
  f.output = dir.path("no-such-folder/album.swf");
  f.job.outputPath = f.output.c_str();
  AlbumReport report;
  EXPECT_EQ(buildAlbum(&f.job, &report), 0);
  EXPECT_EQ(report.failure, slidewright::AlbumFailure::NotWritten);
  ASSERT_TRUE(report.written.has_value());
  EXPECT_EQ(report.written->kind(), SwfWriteError::CannotCreate);
  EXPECT_FALSE(report.message.empty());
  EXPECT_FALSE(exists(f.output));

  // The failed build leaves nothing behind: the next movie starts at id 1.
  JobFixture next(dir, 640, 480, {0});
  ASSERT_EQ(buildAlbum(&next.job), 1);
  EXPECT_EQ(tagsOf<player::DefineBitsJpeg2Tag>(readMovie(next.output))[0]->characterId, 1);
}

TEST(AlbumBuild, PublishesTheJobAndMovieOnlyDuringTheBuild) {
  ScratchDir dir;
  JobFixture f(dir, 640, 480, {0});
  ASSERT_EQ(buildAlbum(&f.job), 1);
  EXPECT_EQ(slidewright::currentJob, nullptr);
  EXPECT_EQ(slidewright::currentMovie, nullptr);
  f.job.size = 48;
  ASSERT_EQ(buildAlbum(&f.job), 0);
  EXPECT_EQ(slidewright::currentJob, nullptr);
  EXPECT_EQ(slidewright::currentMovie, nullptr);
}
