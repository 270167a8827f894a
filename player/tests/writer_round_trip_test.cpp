// Every kind of tag the SWF writer makes, written into a movie and read back
// by the parser: one table gives each tag as the writer builds it and the
// fields the parser must find in it.
#include <gtest/gtest.h>

#include <swf/action.h>
#include <swf/bitmap.h>
#include <swf/movie.h>
#include <swf/place.h>
#include <swf/shape.h>
#include <swf/sound.h>
#include <swf/stream.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "player/swf_parser.h"

using namespace player;

namespace {

using Bytes = std::vector<uint8_t>;

// The bytes the stream would write to a file, its chunks spliced in.
Bytes fileBytes(const SwfStream& stream) {
  Bytes out;
  const Bytes& bytes = stream.bytes();
  size_t from = 0;
  for (const SwfChunk& chunk : stream.chunks()) {
    out.insert(out.end(), bytes.begin() + std::ptrdiff_t(from),
               bytes.begin() + std::ptrdiff_t(chunk.position));
    out.insert(out.end(), chunk.data, chunk.data + chunk.size);
    from = chunk.position;
  }
  out.insert(out.end(), bytes.begin() + std::ptrdiff_t(from), bytes.end());
  return out;
}

// One MPEG-1 Layer III frame header (128 kbit/s, 44.1 kHz, joint stereo)
// and the rest of its 417-byte frame.
Bytes oneMp3Frame() {
  Bytes frame(417, 0);
  frame[0] = 0xFF;
  frame[1] = 0xFB;
  frame[2] = 0x90;
  frame[3] = 0x44;
  return frame;
}

SwfMatrix scaledAndMoved() {
  return SwfMatrix(true, 0x140000, -0x8000, false, 0, 0, Twips(-300), Twips(4000));
}

void expectMatrix(const Matrix& m, bool hasScale, int32_t scaleX, int32_t scaleY, bool hasRotate,
                  int32_t skew0, int32_t skew1, int32_t x, int32_t y) {
  EXPECT_EQ(m.hasScale, hasScale);
  if (hasScale) {
    EXPECT_EQ(m.scaleX, scaleX);
    EXPECT_EQ(m.scaleY, scaleY);
  }
  EXPECT_EQ(m.hasRotate, hasRotate);
  if (hasRotate) {
    EXPECT_EQ(m.rotateSkew0, skew0);
    EXPECT_EQ(m.rotateSkew1, skew1);
  }
  EXPECT_EQ(m.translateX, x);
  EXPECT_EQ(m.translateY, y);
}

// A tag as the writer makes it and what the parser must read from it.
struct RoundTrip {
  std::string what;
  SwfTagCode code;
  std::unique_ptr<SwfTag> tag;
  std::function<void(const Tag&)> check;
};

std::vector<RoundTrip> roundTrips(SwfCharacterIds& ids) {
  std::vector<RoundTrip> rows;
  auto add = [&](std::string what, SwfTagCode code, std::unique_ptr<SwfTag> tag,
                 std::function<void(const Tag&)> check) {
    rows.push_back({std::move(what), code, std::move(tag), std::move(check)});
  };

  add("background", swfTagSetBackgroundColor, std::make_unique<SwfBackground>(SwfColor(0x12, 0x34, 0x56)),
      [](const Tag& t) {
        EXPECT_EQ(tagAs<SetBackgroundColorTag>(t)->color, (Rgba{0x12, 0x34, 0x56, 255}));
      });

  const Bytes jpeg = {0xFF, 0xD8, 1, 2, 3, 0xFF, 0xD9};
  auto bitmap = SwfBitmap::fromBytes(ids, jpeg);
  const uint16_t bitmapId = bitmap->characterId();
  add("bitmap", swfTagDefineBitsJpeg2, std::move(bitmap), [=](const Tag& t) {
    const auto* b = tagAs<DefineBitsJpeg2Tag>(t);
    EXPECT_EQ(b->characterId, bitmapId);
    Bytes stored = {0xFF, 0xD9, 0xFF, 0xD8};  // empty encoding tables lead the picture
    stored.insert(stored.end(), jpeg.begin(), jpeg.end());
    stored.insert(stored.end(), {0xFF, 0xD9});
    EXPECT_EQ(b->data, stored);
  });

  // Two fills, so that the style indices take two bits; the figure uses the second.
  auto shape = std::make_unique<SwfShape>(ids, SwfRect::fromPixels(-1, 2, 30, 40));
  const uint16_t shapeId = shape->characterId();
  shape->addFill(SwfFillStyle(true, bitmapId, SwfMatrix()));
  shape->addFill(SwfFillStyle(false, bitmapId, scaledAndMoved()));
  shape->finish();
  shape->addRecord(
      std::make_unique<SwfStyleChange>(SwfStyleChangeData::startFill({Twips(-20), Twips(40)}, 2)));
  shape->addRecord(std::make_unique<SwfStraightEdge>(Twips(620), Twips(0)));
  shape->addRecord(std::make_unique<SwfCurvedEdge>(Twips(10), Twips(380), Twips(-10), Twips(380)));
  shape->addRecord(std::make_unique<SwfStraightEdge>(Twips(-620), Twips(-760)));
  shape->addRecord(std::make_unique<SwfEndShape>());
  add("shape", swfTagDefineShape, std::move(shape), [=](const Tag& t) {
    const auto* s = tagAs<DefineShapeTag>(t);
    EXPECT_EQ(s->version, 1);
    EXPECT_EQ(s->characterId, shapeId);
    EXPECT_EQ(s->bounds, (Rect{-20, 600, 40, 800}));
    ASSERT_EQ(s->shape.fillStyles.size(), 2u);
    EXPECT_EQ(s->shape.fillStyles[0].type, kFillRepeatingBitmap);
    EXPECT_EQ(s->shape.fillStyles[1].type, kFillClippedBitmap);
    EXPECT_EQ(s->shape.fillStyles[1].bitmapId, bitmapId);
    expectMatrix(s->shape.fillStyles[1].matrix, true, 0x140000, -0x8000, false, 0, 0, -300, 4000);
    EXPECT_TRUE(s->shape.lineStyles.empty());
    EXPECT_EQ(s->shape.fillBits, 2);
    EXPECT_EQ(s->shape.lineBits, 0);
    ASSERT_EQ(s->shape.records.size(), 4u);
    const ShapeRecord& start = s->shape.records[0];
    EXPECT_TRUE(start.stateMoveTo && start.stateFillStyle1 && start.stateLineStyle);
    EXPECT_FALSE(start.stateFillStyle0 || start.stateNewStyles);
    EXPECT_EQ(start.fillStyle1, 2u);
    EXPECT_EQ(start.lineStyle, 0u);
    EXPECT_EQ(start.x, -20);
    EXPECT_EQ(start.y, 40);
    const ShapeRecord& curve = s->shape.records[2];
    EXPECT_EQ(curve.type, ShapeRecord::Type::CurvedEdge);
    EXPECT_EQ(curve.controlX, 610);
    EXPECT_EQ(curve.controlY, 420);
    EXPECT_EQ(curve.x, 600);
    EXPECT_EQ(curve.y, 800);
    EXPECT_EQ(s->shape.records[3].x, -20);  // closed where it began
    EXPECT_EQ(s->shape.records[3].y, 40);
  });

  auto morph = std::make_unique<SwfMorphShape>(ids, SwfRect::fromPixels(0, 0, 10, 10),
                                               SwfRect::fromPixels(0, 0, 80, 60));
  const uint16_t morphId = morph->characterId();
  morph->addFill(SwfMorphFillStyle(false, bitmapId, scaledAndMoved(), SwfMatrix()));
  morph->finish();
  SwfShapeBuilder draw(*morph);
  draw.rectangle(SwfOutline::Start, 0, 1, SwfPixelRect{0, 0, 10, 10});
  draw.end(SwfOutline::Start);
  draw.ellipse(SwfOutline::End, -5, -5, 90, 70, 0, 1);
  draw.end(SwfOutline::End);
  add("morph shape", swfTagDefineMorphShape, std::move(morph), [=](const Tag& t) {
    const auto* m = tagAs<DefineMorphShapeTag>(t);
    EXPECT_EQ(m->characterId, morphId);
    EXPECT_EQ(m->startBounds, (Rect{0, 200, 0, 200}));
    EXPECT_EQ(m->endBounds, (Rect{0, 1600, 0, 1200}));
    ASSERT_EQ(m->fillStyles.size(), 1u);
    EXPECT_EQ(m->fillStyles[0].type, kFillClippedBitmap);
    EXPECT_EQ(m->fillStyles[0].bitmapId, bitmapId);
    expectMatrix(m->fillStyles[0].startMatrix, true, 0x140000, -0x8000, false, 0, 0, -300, 4000);
    expectMatrix(m->fillStyles[0].endMatrix, false, 0, 0, false, 0, 0, 0, 0);
    EXPECT_EQ(m->startFillBits, 1);
    EXPECT_EQ(m->endFillBits, 0);  // the end outline carries no style indices
    ASSERT_EQ(m->startEdges.size(), 5u);
    EXPECT_TRUE(m->startEdges[0].stateFillStyle0);
    EXPECT_EQ(m->startEdges[0].fillStyle0, 1u);
    EXPECT_EQ(m->startEdges[2].x, 200);
    EXPECT_EQ(m->startEdges[2].y, 200);
    ASSERT_EQ(m->endEdges.size(), 9u);
    EXPECT_TRUE(m->endEdges[0].stateFillStyle0);
    EXPECT_EQ(m->endEdges[0].fillStyle0, 0u);
    EXPECT_EQ(m->endEdges[0].x, 20 * 71);  // -5 + 0.85 * 90, truncated
    EXPECT_EQ(m->endEdges[0].y, 20 * 54);  // -5 + 0.85 * 70
    for (size_t i = 1; i < 9; ++i) EXPECT_EQ(m->endEdges[i].type, ShapeRecord::Type::CurvedEdge) << i;
  });

  add("place", swfTagPlaceObject2, SwfPlaceObject::place(3, shapeId), [=](const Tag& t) {
    const auto* p = tagAs<PlaceObject2Tag>(t);
    EXPECT_TRUE(p->hasCharacter);
    EXPECT_FALSE(p->move || p->hasMatrix || p->hasColorTransform || p->hasRatio || p->hasName);
    EXPECT_EQ(p->depth, 3);
    EXPECT_EQ(p->characterId, shapeId);
  });

  add("place invisible", swfTagPlaceObject2,
      SwfPlaceObject::placeWithTransform(4, morphId, SwfColorTransform::fade(0)), [=](const Tag& t) {
        const auto* p = tagAs<PlaceObject2Tag>(t);
        EXPECT_TRUE(p->hasCharacter && p->hasColorTransform);
        EXPECT_EQ(p->characterId, morphId);
        const ColorTransform& c = p->colorTransform;
        EXPECT_TRUE(c.hasMultTerms);
        EXPECT_FALSE(c.hasAddTerms);
        EXPECT_EQ(c.multRed, 255);
        EXPECT_EQ(c.multGreen, 255);
        EXPECT_EQ(c.multBlue, 255);
        EXPECT_EQ(c.multAlpha, 0);
      });

  add("change colour", swfTagPlaceObject2,
      SwfPlaceObject::changeTransform(4, SwfColorTransform(true, true, -10, 20, -30, 40, 256, 128, 64, -32)),
      [](const Tag& t) {
        const auto* p = tagAs<PlaceObject2Tag>(t);
        EXPECT_TRUE(p->move && p->hasColorTransform);
        EXPECT_FALSE(p->hasCharacter);
        const ColorTransform& c = p->colorTransform;
        EXPECT_EQ(c.nbits, 10);
        EXPECT_EQ(c.addRed, -10);
        EXPECT_EQ(c.addGreen, 20);
        EXPECT_EQ(c.addBlue, -30);
        EXPECT_EQ(c.addAlpha, 40);
        EXPECT_EQ(c.multRed, 256);
        EXPECT_EQ(c.multGreen, 128);
        EXPECT_EQ(c.multBlue, 64);
        EXPECT_EQ(c.multAlpha, -32);
      });

  add("end ratio", swfTagPlaceObject2, SwfPlaceObject::setRatio(4, -1), [](const Tag& t) {
    const auto* p = tagAs<PlaceObject2Tag>(t);
    EXPECT_TRUE(p->move && p->hasRatio);
    EXPECT_EQ(p->ratio, 0xFFFF);
  });

  add("every placement field", swfTagPlaceObject2,
      std::make_unique<SwfPlaceObject>(true, true, true, false, 9, shapeId,
                                       SwfMatrix(false, 0, 0, true, 0x8000, -0x8000, Twips(1), Twips(-1)),
                                       SwfColorTransform::fade(128), 300, std::string("slide"), 12),
      [=](const Tag& t) {
        const auto* p = tagAs<PlaceObject2Tag>(t);
        EXPECT_TRUE(p->hasClipDepth && p->hasRatio && p->hasCharacter && p->hasMatrix && p->hasName);
        EXPECT_FALSE(p->hasClipActions);
        EXPECT_EQ(p->depth, 9);
        expectMatrix(p->matrix, false, 0, 0, true, 0x8000, -0x8000, 1, -1);
        EXPECT_EQ(p->colorTransform.multAlpha, 128);
        EXPECT_EQ(p->ratio, 300);
        EXPECT_EQ(p->name, "slide");
        EXPECT_EQ(p->clipDepth, 12);
      });

  add("remove", swfTagRemoveObject2, std::make_unique<SwfRemoveObject>(3),
      [](const Tag& t) { EXPECT_EQ(tagAs<RemoveObject2Tag>(t)->depth, 3); });

  const Bytes mp3 = oneMp3Frame();
  auto sound = SwfSound::fromBytes(ids, mp3.data(), mp3.size());
  const uint16_t soundId = sound->characterId();
  add("stream head", swfTagSoundStreamHead, SwfSoundStreamHead::forSound(*sound), [](const Tag& t) {
    const auto* h = tagAs<SoundStreamHeadTag>(t);
    EXPECT_EQ(h->version, 1);
    EXPECT_EQ(h->playbackRate, 3);  // 44 kHz
    EXPECT_EQ(h->playbackSize, 1);
    EXPECT_EQ(h->playbackType, 1);  // stereo
    EXPECT_EQ(h->compression, 1);
    EXPECT_EQ(h->streamRate, 0);
    EXPECT_EQ(h->streamSize, 1);
    EXPECT_EQ(h->streamType, 1);
    EXPECT_EQ(h->sampleCount, 1152);
  });
  add("sound", swfTagDefineSound, std::move(sound), [=](const Tag& t) {
    const auto* s = tagAs<DefineSoundTag>(t);
    EXPECT_EQ(s->soundId, soundId);
    EXPECT_EQ(s->format, 2);  // MP3
    EXPECT_EQ(s->rate, 3);
    EXPECT_EQ(s->size, 1);
    EXPECT_EQ(s->type, 1);
    EXPECT_EQ(s->sampleCount, 1152u);
    Bytes stored = {0, 0};  // SeekSamples, then the frames
    stored.insert(stored.end(), mp3.begin(), mp3.end());
    EXPECT_EQ(s->data, stored);
  });

  SwfSoundInfoData info;
  info.syncStop = true;
  info.inPoint = 44100;
  info.outPoint = 0x01020304;
  info.loopCount = 7;
  info.envelope = SwfSoundEnvelope{1000, 32768, 16384};
  add("start sound", swfTagStartSound, std::make_unique<SwfStartSound>(soundId, SwfSoundInfo(info)),
      [=](const Tag& t) {
        const auto* s = tagAs<StartSoundTag>(t);
        EXPECT_EQ(s->soundId, soundId);
        EXPECT_TRUE(s->info.syncStop);
        EXPECT_FALSE(s->info.syncNoMultiple);
        EXPECT_EQ(s->info.inPoint, 44100u);
        EXPECT_EQ(s->info.outPoint, 0x01020304u);
        EXPECT_EQ(s->info.loopCount, 7);
        ASSERT_EQ(s->info.envelope.size(), 1u);
        EXPECT_EQ(s->info.envelope[0].pos44, 1000u);
        EXPECT_EQ(s->info.envelope[0].leftLevel, 32768);
        EXPECT_EQ(s->info.envelope[0].rightLevel, 16384);
      });

  auto actions = std::make_unique<SwfDoAction>();
  actions->add(std::make_unique<SwfActionStop>());
  add("stop", swfTagDoAction, std::move(actions), [](const Tag& t) {
    const auto* a = tagAs<DoActionTag>(t);
    ASSERT_EQ(a->actions.size(), 1u);
    EXPECT_EQ(a->actions[0].code, kActionStop);
    EXPECT_TRUE(a->hasEndFlag);
  });

  add("frame", swfTagShowFrame, std::make_unique<SwfShowFrame>(),
      [](const Tag& t) { EXPECT_NE(tagAs<ShowFrameTag>(t), nullptr); });
  return rows;
}

}  // namespace

TEST(WriterToParser, EveryTagTheWriterMakesReadsBackAsWritten) {
  SwfMovie movie;
  std::vector<RoundTrip> rows = roundTrips(movie.characterIds());
  for (RoundTrip& row : rows) movie.addTag(std::move(row.tag));
  SwfStream stream;
  ASSERT_TRUE(movie.writeTo(stream, Twips::fromPixels(320), Twips::fromPixels(240), 12));
  const Bytes file = fileBytes(stream);

  Parsed<Movie> parsed = parseMovie(file);
  ASSERT_TRUE(parsed.ok()) << parsed.error().message;
  const Movie& m = parsed.value();
  EXPECT_EQ(m.header.fileLength, file.size());
  EXPECT_EQ(m.header.widthPixels(), 320);
  EXPECT_EQ(m.header.heightPixels(), 240);
  EXPECT_EQ(m.header.frameRate, 12 << 8);
  EXPECT_EQ(m.header.frameCount, 1);
  ASSERT_EQ(m.tags.size(), rows.size() + 1);
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].what);
    const Tag& tag = m.tags[i];
    ASSERT_EQ(tag.code, rows[i].code);
    EXPECT_STRNE(tagName(tag.code), "Unknown");
    ASSERT_EQ(tagAs<UnknownTag>(tag), nullptr);
    rows[i].check(tag);
  }
  EXPECT_EQ(m.tags.back().code, swfTagEnd);
}

// The parser decodes every code of the shared list: none is left to be kept
// as raw bytes.
TEST(WriterToParser, TheParserDecodesEveryListedCode) {
  for (const SwfTagCodeName& entry : swfTagCodes) {
    SCOPED_TRACE(entry.name);
    EXPECT_STREQ(tagName(entry.code), entry.name);
    Parsed<TagBody> empty = parseTagBody(entry.code, nullptr, 0);
    EXPECT_TRUE(!empty.ok() || !std::holds_alternative<UnknownTag>(empty.value()));
  }
  EXPECT_STREQ(tagName(65), "Unknown");
}
