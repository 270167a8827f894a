#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "player/swf_parser.h"

using namespace player;

namespace {

using Bytes = std::vector<uint8_t>;

// A 640 x 480 movie at 12 fps with a white background and one frame.
const Bytes kTinyMovie = {
    0x46, 0x57, 0x53, 0x04,                                // "FWS", version 4
    0x1E, 0x00, 0x00, 0x00,                                // file length 30
    0x78, 0x00, 0x06, 0x40, 0x00, 0x00, 0x12, 0xC0, 0x00,  // RECT nbits 15: 0, 12800, 0, 9600
    0x00, 0x0C,                                            // 12.0 fps
    0x01, 0x00,                                            // 1 frame
    0x43, 0x02, 0xFF, 0xFF, 0xFF,                          // SetBackgroundColor white
    0x40, 0x00,                                            // ShowFrame
    0x00, 0x00,                                            // End
};

Tag parseOne(const Bytes& bytes) {
  size_t consumed = 0;
  Parsed<Tag> t = parseTag(bytes.data(), bytes.size(), 4, &consumed);
  EXPECT_TRUE(t.ok()) << (t.ok() ? "" : t.error().message);
  EXPECT_EQ(consumed, bytes.size());
  return t.ok() ? std::move(t).value() : Tag{};
}

Bytes compress(const Bytes& fws) {
  uLongf destLen = compressBound(fws.size() - 8);
  Bytes out(8 + destLen);
  std::copy(fws.begin(), fws.begin() + 8, out.begin());
  out[0] = 'C';
  compress2(out.data() + 8, &destLen, fws.data() + 8, fws.size() - 8, 9);
  out.resize(8 + destLen);
  return out;
}

// Writes the bytes into a file of this test, followed by `holes` bytes the
// file system keeps as holes (a sparse file costs no disk); returns its path.
std::string writeMovieFile(const std::string& name, const Bytes& bytes, uint64_t holes = 0) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "swfparse-tests";
  fs::create_directories(dir);
  const std::string path = (dir / name).string();
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (holes) fs::resize_file(path, bytes.size() + holes);
  return path;
}

Bytes withDeclaredLength(Bytes movie, uint32_t length) {
  for (int i = 0; i < 4; ++i) movie[4 + i] = uint8_t(length >> (8 * i));
  return movie;
}

}  // namespace

TEST(SwfParser, ReadsHeaderAndTagsOfAnUncompressedMovie) {
  Parsed<Movie> m = parseMovie(kTinyMovie);
  ASSERT_TRUE(m.ok()) << m.error().message;
  const Header& h = m.value().header;
  EXPECT_FALSE(h.compressed);
  EXPECT_EQ(h.version, 4);
  EXPECT_EQ(h.fileLength, 30u);
  EXPECT_EQ(h.frameRect.xMax, 12800);
  EXPECT_EQ(h.frameRect.yMax, 9600);
  EXPECT_EQ(h.frameRect.nbits, 15);
  EXPECT_DOUBLE_EQ(h.framesPerSecond(), 12.0);
  EXPECT_EQ(h.frameCount, 1);
  ASSERT_EQ(m.value().tags.size(), 3u);
  const auto* bg = tagAs<SetBackgroundColorTag>(m.value().tags[0]);
  ASSERT_NE(bg, nullptr);
  EXPECT_EQ(bg->color, (Rgba{255, 255, 255, 255}));
  EXPECT_EQ(m.value().tags[0].offset, 21u);
  EXPECT_EQ(m.value().tags[1].code, swfTagShowFrame);
  EXPECT_EQ(m.value().tags[2].code, swfTagEnd);
}

TEST(SwfParser, ReadsCompressedMovieLikeItsUncompressedForm) {
  Bytes cws = compress(kTinyMovie);
  Parsed<Movie> m = parseMovie(cws);
  ASSERT_TRUE(m.ok()) << m.error().message;
  EXPECT_TRUE(m.value().header.compressed);
  EXPECT_EQ(m.value().tags.size(), 3u);

  // A compressed stream cut short, and one declaring more than the limit.
  Bytes cut(cws.begin(), cws.begin() + 14);
  EXPECT_FALSE(parseMovie(cut).ok());
  ParseLimits small;
  small.maxDecompressedSize = 10;
  Parsed<Movie> big = parseMovie(cws, small);
  ASSERT_FALSE(big.ok());
  EXPECT_NE(big.error().message.find("limit"), std::string::npos);
  EXPECT_EQ(big.error().kind, ParseErrorKind::TooLarge);
  // A small file declaring a length near the limit is refused once its data runs out.
  Bytes inflated = cws;
  inflated[4] = 0x00;
  inflated[5] = 0x00;
  inflated[6] = 0x00;
  inflated[7] = 0x19;  // 400 MiB
  Parsed<Movie> claims = parseMovie(inflated);
  ASSERT_FALSE(claims.ok());
  EXPECT_NE(claims.error().message.find("ends after 22 of"), std::string::npos) << claims.error().message;
  EXPECT_EQ(claims.error().kind, ParseErrorKind::Truncated);
  Bytes garbage = cws;
  for (size_t i = 10; i < garbage.size(); ++i) garbage[i] ^= 0x5A;
  EXPECT_FALSE(parseMovie(garbage).ok());
}

TEST(SwfParser, RejectsMalformedFilesWithAMessage) {
  EXPECT_FALSE(parseMovie(Bytes{}).ok());
  Parsed<Movie> gif = parseMovie(Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0});
  ASSERT_FALSE(gif.ok());
  EXPECT_EQ(gif.error().kind, ParseErrorKind::NotSwf);

  Bytes truncated(kTinyMovie.begin(), kTinyMovie.end() - 3);
  Parsed<Movie> t = parseMovie(truncated);
  ASSERT_FALSE(t.ok());
  EXPECT_NE(t.error().message.find("truncated"), std::string::npos);
  EXPECT_EQ(t.error().kind, ParseErrorKind::Truncated);

  // A tag whose long header claims far more bytes than the file holds.
  Bytes oversized = kTinyMovie;
  oversized.resize(21);
  for (uint8_t b : {0x7F, 0x05, 0xFF, 0xFF, 0xFF, 0x7F, 0x01, 0x00}) oversized.push_back(b);
  oversized[4] = uint8_t(oversized.size());
  Parsed<Movie> o = parseMovie(oversized);
  ASSERT_FALSE(o.ok());
  EXPECT_NE(o.error().message.find("claims"), std::string::npos);

  // The declared length stops before the End tag.
  Bytes noEnd = kTinyMovie;
  noEnd[4] = 28;
  EXPECT_FALSE(parseMovie(noEnd).ok());

  // Bytes after the declared length are ignored.
  Bytes trailing = kTinyMovie;
  trailing.push_back(0xAB);
  EXPECT_TRUE(parseMovie(trailing).ok());
}

TEST(SwfParser, DecodesBitmapFilledRectangleShape) {
  // DefineShape 2: 2 x 2 px picture at (0, 0), clipped bitmap 1 at scale 20.
  Bytes bytes = {0x9F, 0x00, 0x02, 0x00, 0x38, 0x05, 0x00, 0x14, 0x00, 0x01, 0x41,
                 0x01, 0x00, 0xD9, 0x40, 0x00, 0x05, 0x00, 0x00, 0x01, 0x00, 0x00,
                 0x10, 0x34, 0x27, 0x51, 0x46, 0xAA, 0x8D, 0x4B, 0x1A, 0xB6, 0x00};
  Tag tag = parseOne(bytes);
  const auto* s = tagAs<DefineShapeTag>(tag);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->characterId, 2);
  EXPECT_EQ(s->bounds.xMax, 40);
  EXPECT_EQ(s->bounds.yMax, 40);
  ASSERT_EQ(s->shape.fillStyles.size(), 1u);
  const FillStyle& f = s->shape.fillStyles[0];
  EXPECT_EQ(f.type, kFillClippedBitmap);
  EXPECT_EQ(f.bitmapId, 1);
  EXPECT_TRUE(f.matrix.hasScale);
  EXPECT_EQ(f.matrix.scaleX, 0x140000);
  EXPECT_EQ(f.matrix.scaleY, 0x140000);
  EXPECT_EQ(s->shape.fillBits, 1);
  EXPECT_EQ(s->shape.lineBits, 0);
  ASSERT_EQ(s->shape.records.size(), 5u);
  const ShapeRecord& sc = s->shape.records[0];
  EXPECT_EQ(sc.type, ShapeRecord::Type::StyleChange);
  EXPECT_TRUE(sc.stateFillStyle1);
  EXPECT_EQ(sc.fillStyle1, 1u);
  EXPECT_TRUE(sc.stateLineStyle);
  EXPECT_EQ(sc.lineStyle, 0u);
  // The edges walk the 40 x 40 twip square in absolute coordinates.
  const int expected[4][4] = {{0, 0, 40, 0}, {40, 0, 40, 40}, {40, 40, 0, 40}, {0, 40, 0, 0}};
  for (int i = 0; i < 4; ++i) {
    const ShapeRecord& e = s->shape.records[1 + i];
    EXPECT_EQ(e.type, ShapeRecord::Type::StraightEdge);
    EXPECT_EQ(e.fromX, expected[i][0]) << i;
    EXPECT_EQ(e.fromY, expected[i][1]) << i;
    EXPECT_EQ(e.x, expected[i][2]) << i;
    EXPECT_EQ(e.y, expected[i][3]) << i;
  }
}

TEST(SwfParser, DecodesMorphShapeStartAndEndEdges) {
  Bytes bytes = {0xB4, 0x0B, 0x03, 0x00, 0x38, 0x05, 0x00, 0x14, 0x00, 0x38, 0x05, 0x00, 0x14, 0x00,
                 0x19, 0x00, 0x00, 0x00, 0x01, 0x41, 0x01, 0x00, 0xD9, 0x40, 0x00, 0x05, 0x00, 0x00,
                 0x01, 0x00, 0x00, 0x00, 0x10, 0x0C, 0x27, 0x41, 0x4D, 0x15, 0x34, 0x2C, 0xD1, 0xB0,
                 0x00, 0x00, 0x0C, 0x26, 0xA2, 0x8D, 0x55, 0x1A, 0x96, 0x35, 0x6C, 0x00};
  Tag tag = parseOne(bytes);
  const auto* m = tagAs<DefineMorphShapeTag>(tag);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->characterId, 3);
  EXPECT_EQ(m->offset, 25u);
  ASSERT_EQ(m->fillStyles.size(), 1u);
  EXPECT_EQ(m->fillStyles[0].type, kFillClippedBitmap);
  EXPECT_EQ(m->fillStyles[0].startMatrix.scaleX, 0x140000);
  // The empty end matrix means identity scale, no translation.
  EXPECT_FALSE(m->fillStyles[0].endMatrix.hasScale);
  EXPECT_EQ(m->fillStyles[0].endMatrix.scaleX, 0x10000);
  EXPECT_EQ(m->startFillBits, 1);
  EXPECT_EQ(m->endFillBits, 0);
  ASSERT_EQ(m->startEdges.size(), 5u);
  ASSERT_EQ(m->endEdges.size(), 5u);
  EXPECT_TRUE(m->startEdges[0].stateFillStyle0);
  EXPECT_EQ(m->startEdges[0].fillStyle0, 1u);
  EXPECT_EQ(m->startEdges[1].x, 20);
  EXPECT_EQ(m->startEdges[2].y, 20);
  EXPECT_EQ(m->endEdges[1].x, 40);
  EXPECT_EQ(m->endEdges[2].y, 40);
  EXPECT_EQ(m->endEdges[4].x, 0);
  EXPECT_EQ(m->endEdges[4].y, 0);

  // An offset pointing outside the tag is refused.
  Bytes bad = bytes;
  bad[14] = 0xF0;
  EXPECT_FALSE(parseTag(bad.data(), bad.size()).ok());
}

TEST(SwfParser, DecodesPlacementsAndRemovals) {
  Tag place = parseOne({0x85, 0x06, 0x02, 0x04, 0x00, 0x03, 0x00});
  const auto* p = tagAs<PlaceObject2Tag>(place);
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(p->hasCharacter);
  EXPECT_FALSE(p->move);
  EXPECT_EQ(p->depth, 4);
  EXPECT_EQ(p->characterId, 3);

  Tag ratio = parseOne({0x85, 0x06, 0x11, 0x02, 0x00, 0xFF, 0xFF});
  p = tagAs<PlaceObject2Tag>(ratio);
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(p->move);
  EXPECT_TRUE(p->hasRatio);
  EXPECT_EQ(p->ratio, 0xFFFF);

  // Move with colour transform: multiply terms (255, 255, 255, 0), nbits 9.
  Tag fade = parseOne({0x89, 0x06, 0x09, 0x04, 0x00, 0x65, 0xFE, 0xFF, 0x7F, 0x80, 0x00});
  p = tagAs<PlaceObject2Tag>(fade);
  ASSERT_NE(p, nullptr);
  ASSERT_TRUE(p->hasColorTransform);
  EXPECT_TRUE(p->colorTransform.hasMultTerms);
  EXPECT_FALSE(p->colorTransform.hasAddTerms);
  EXPECT_EQ(p->colorTransform.nbits, 9);
  EXPECT_EQ(p->colorTransform.multRed, 255);
  EXPECT_EQ(p->colorTransform.multBlue, 255);
  EXPECT_EQ(p->colorTransform.multAlpha, 0);

  Tag remove = parseOne({0x02, 0x07, 0x04, 0x00});
  ASSERT_NE(tagAs<RemoveObject2Tag>(remove), nullptr);
  EXPECT_EQ(tagAs<RemoveObject2Tag>(remove)->depth, 4);

  // A name without its terminating zero runs off the tag.
  EXPECT_FALSE(parseTag(Bytes{0x84, 0x06, 0x20, 0x01, 0x00, 'a'}.data(), 6).ok());
}

TEST(SwfParser, DecodesSoundAndActionTags) {
  Tag head = parseOne({0x84, 0x04, 0x0F, 0x13, 0x00, 0xC2});
  const auto* h = tagAs<SoundStreamHeadTag>(head);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->playbackRate, 3);
  EXPECT_EQ(h->playbackSize, 1);
  EXPECT_EQ(h->playbackType, 1);
  EXPECT_EQ(h->compression, 1);
  EXPECT_EQ(h->streamType, 1);
  EXPECT_EQ(h->sampleCount, 49664);
  EXPECT_FALSE(h->hasLatencySeek);

  Tag start = parseOne({0xC3, 0x03, 0x01, 0x00, 0x10});
  const auto* s = tagAs<StartSoundTag>(start);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->soundId, 1);
  EXPECT_TRUE(s->info.syncNoMultiple);
  EXPECT_FALSE(s->info.syncStop);
  EXPECT_FALSE(s->info.hasEnvelope);

  // DefineSound: id 1, MP3 44 kHz 16-bit stereo, 1152 samples, 4 data bytes.
  Tag sound = parseOne({0x8B, 0x03, 0x01, 0x00, 0x2F, 0x80, 0x04, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFB});
  const auto* d = tagAs<DefineSoundTag>(sound);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->format, 2);
  EXPECT_EQ(d->rate, 3);
  EXPECT_EQ(d->size, 1);
  EXPECT_EQ(d->type, 1);
  EXPECT_EQ(d->sampleCount, 1152u);
  EXPECT_EQ(d->data, (Bytes{0x00, 0x00, 0xFF, 0xFB}));

  Tag stop = parseOne({0x02, 0x03, 0x07, 0x00});
  const auto* a = tagAs<DoActionTag>(stop);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->actions.size(), 1u);
  EXPECT_EQ(a->actions[0].code, kActionStop);
  EXPECT_TRUE(a->hasEndFlag);
  EXPECT_TRUE(tagAs<DoActionTag>(parseOne({0x01, 0x03, 0x00}))->actions.empty());
  // A long action whose length runs past the tag.
  EXPECT_FALSE(parseTag(Bytes{0x04, 0x03, 0x81, 0x09, 0x00, 0x00}.data(), 6).ok());

  Tag jpeg = parseOne({0x48, 0x05, 0x07, 0x00, 0xFF, 0xD9, 0xFF, 0xD8, 0xFF, 0xD9});
  const auto* j = tagAs<DefineBitsJpeg2Tag>(jpeg);
  ASSERT_NE(j, nullptr);
  EXPECT_EQ(j->characterId, 7);
  EXPECT_EQ(j->data.size(), 6u);
}

TEST(SwfParser, KeepsUnknownTagsAndRejectsShortBodies) {
  Tag unknown = parseOne({0x43, 0x10, 1, 2, 3});  // code 65, 3 bytes
  ASSERT_NE(tagAs<UnknownTag>(unknown), nullptr);
  EXPECT_EQ(tagAs<UnknownTag>(unknown)->body, (Bytes{1, 2, 3}));
  EXPECT_STREQ(tagName(unknown.code), "Unknown");

  // A background colour with two bytes, a removal with one.
  EXPECT_FALSE(parseTag(Bytes{0x42, 0x02, 1, 2}.data(), 4).ok());
  EXPECT_FALSE(parseTag(Bytes{0x01, 0x07, 4}.data(), 3).ok());
  // A shape whose records stop without an end record.
  Bytes shape = {0x8B, 0x00, 0x01, 0x00, 0x38, 0x05, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00, 0xFF};
  Parsed<Tag> s = parseTag(shape.data(), shape.size());
  ASSERT_FALSE(s.ok());
  EXPECT_NE(s.error().message.find("DefineShape"), std::string::npos);
  EXPECT_EQ(s.error().kind, ParseErrorKind::Damaged);
  EXPECT_EQ(parseMovieFile("/no/such/movie.swf").error().kind, ParseErrorKind::FileAccess);
}

// A movie file is checked by its header before its body is read, and no
// more is read than the header declares: what the reader holds stays within
// the movie however large or endless the file.
TEST(SwfParser, ReadsMovieFilesNoFurtherThanTheyDeclare) {
  const uint64_t threeGb = uint64_t(3) << 30;
  // A small movie in front of 3 GB: only its 30 bytes are read.
  Parsed<Bytes> front = readMovieFile(writeMovieFile("front.swf", kTinyMovie, threeGb));
  ASSERT_TRUE(front.ok()) << front.error().message;
  EXPECT_EQ(front.value(), kTinyMovie);
  Parsed<Movie> parsed = parseMovieFile(writeMovieFile("front.swf", kTinyMovie, threeGb));
  ASSERT_TRUE(parsed.ok()) << parsed.error().message;
  EXPECT_EQ(parsed.value().tags.size(), 3u);
  // Compressed: no more than a stream inflating to the declared length can take.
  const Bytes cws = compress(kTinyMovie);
  Parsed<Bytes> packed = readMovieFile(writeMovieFile("packed.swf", cws, threeGb));
  ASSERT_TRUE(packed.ok()) << packed.error().message;
  EXPECT_LT(packed.value().size(), size_t(4096));
  EXPECT_TRUE(parseMovie(packed.value()).ok());

  struct Refused {
    std::string path;
    ParseErrorKind kind;
    std::string message;
  };
  std::mt19937 random(18);
  Bytes noise(4096);
  for (uint8_t& b : noise) b = uint8_t(random());
  const std::vector<Refused> cases = {
      {writeMovieFile("zeros.swf", {}, threeGb), ParseErrorKind::NotSwf, "not an SWF file"},
      {writeMovieFile("noise.swf", noise), ParseErrorKind::NotSwf, "not an SWF file"},
      {writeMovieFile("claims.swf", withDeclaredLength(kTinyMovie, 400u << 20)), ParseErrorKind::Truncated,
       "header declares 419430400 bytes, file has 30"},
      {writeMovieFile("huge.swf", withDeclaredLength(kTinyMovie, 0xF0000000u), threeGb),
       ParseErrorKind::TooLarge, "more than a movie may have (512 MiB)"},
      {writeMovieFile("hugecws.swf", withDeclaredLength(cws, 0xF0000000u)), ParseErrorKind::TooLarge,
       "more than a movie may have"},
      {writeMovieFile("short.swf", Bytes(kTinyMovie.begin(), kTinyMovie.begin() + 5)),
       ParseErrorKind::Truncated, "too short"},
      {(std::filesystem::temp_directory_path() / "swfparse-tests").string(), ParseErrorKind::FileAccess,
       "is a folder"},
#ifndef _WIN32
      {"/dev/zero", ParseErrorKind::NotSwf, "is a device or a pipe"},
#endif
  };
  for (const Refused& c : cases) {
    Parsed<Bytes> bytes = readMovieFile(c.path);
    ASSERT_FALSE(bytes.ok()) << c.path;
    EXPECT_EQ(bytes.error().kind, c.kind) << c.path;
    EXPECT_EQ(bytes.error().message.rfind(c.path + ": ", 0), 0u) << bytes.error().message;
    EXPECT_NE(bytes.error().message.find(c.message), std::string::npos) << bytes.error().message;
    EXPECT_FALSE(parseMovieFile(c.path).ok()) << c.path;
  }
  std::filesystem::remove_all(std::filesystem::temp_directory_path() / "swfparse-tests");
}

namespace {

// Packs bit fields most significant bit first, as SWF records are laid out.
struct BitPacker {
  Bytes bytes;
  int used = 8;
  void bits(uint32_t value, int n) {
    for (int i = n - 1; i >= 0; --i) {
      if (used == 8) {
        bytes.push_back(0);
        used = 0;
      }
      if ((value >> i) & 1) bytes.back() |= uint8_t(0x80 >> used);
      ++used;
    }
  }
};

}  // namespace

TEST(SwfParser, PenPositionsOfAHostileShapeWrapInsteadOfOverflowing) {
  // A move near the top of the 31-bit range, then enough of the longest
  // straight edges to pass the 32-bit limit.
  BitPacker p;
  p.bits(1, 16);  // character id 1 (little-endian 01 00 after the swap below)
  p.bits(0, 5);   // empty RECT
  p.used = 8;
  p.bits(0, 8);         // no fill styles
  p.bits(0, 8);         // no line styles
  p.bits(0, 8);         // fill and line index bits 0
  p.bits(0b000001, 6);  // style change with a move
  p.bits(31, 5);
  p.bits(0x3FFFFFFF, 31);
  p.bits(0, 31);
  const int edges = 16400;
  for (int i = 0; i < edges; ++i) {
    p.bits(0b11, 2);  // straight edge
    p.bits(15, 4);    // 17-bit deltas
    p.bits(1, 1);     // general line
    p.bits(0xFFFF, 17);
    p.bits(0, 17);
  }
  p.bits(0, 6);  // end record
  std::swap(p.bytes[0], p.bytes[1]);
  Parsed<TagBody> body = parseTagBody(swfTagDefineShape, p.bytes.data(), p.bytes.size());
  ASSERT_TRUE(body.ok()) << body.error().message;
  const auto& records = std::get<DefineShapeTag>(body.value()).shape.records;
  ASSERT_EQ(records.size(), size_t(edges) + 1);
  EXPECT_LT(records.back().x, 0);  // wrapped past the 32-bit limit
}
