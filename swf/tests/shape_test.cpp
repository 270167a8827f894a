#include "support.h"

#include <swf/shape.h>

#include <gtest/gtest.h>

#include <type_traits>

namespace {

template <typename Record, typename = std::enable_if_t<!std::is_base_of_v<SwfShapeRecord, Record>>>
Bytes recordBytes(const Record& record) {
  SwfStream s;
  record.write(s);
  s.flushBits();
  return s.bytes();
}

// A shape record written in a shape whose list declared the given widths.
Bytes recordBytes(const SwfShapeRecord& record, SwfShapeContext context = {}) {
  SwfStream s;
  record.write(s, context);
  s.flushBits();
  return s.bytes();
}

SwfMatrix bitmapScale20() { return SwfMatrix(true, 0x140000, 0x140000, false, 0, 0, Twips(0), Twips(0)); }

}  // namespace

TEST(SwfMatrixRecord, EmptyAndFullForms) {
  EXPECT_EQ(recordBytes(SwfMatrix()), Bytes({0x00}));

  const SwfMatrix scale = bitmapScale20();
  EXPECT_EQ(scale.scaleBits(), 22u);
  EXPECT_EQ(scale.translateBits(), 1u);
  EXPECT_EQ(recordBytes(scale), bits("1 10110 0101000000000000000000 0101000000000000000000"
                                     " 0"             // no rotation
                                     " 00001 0 0"));  // translation (0, 0) in 1 bit

  const SwfMatrix rotated(false, 0, 0, true, 1, -1, Twips(20), Twips(-40));
  EXPECT_EQ(recordBytes(rotated), bits("0"                          // no scale
                                       " 1 00010 01 11"             // rotation 1, -1 in 2 bits
                                       " 00111 0010100 1011000"));  // (20, -40) in 7 bits
}

TEST(SwfStyleArrays, CountEncoding) {
  SwfFillStyleArray fills;
  for (unsigned i = 1; i <= 254; ++i)
    EXPECT_EQ(fills.add(std::make_unique<SwfFillStyle>(true, 1, SwfMatrix())), i);
  Bytes written = recordBytes(fills);
  EXPECT_EQ(written.size(), 1u + 254 * 4);
  EXPECT_EQ(written[0], 0xFE);
  EXPECT_EQ(Bytes(written.begin() + 1, written.begin() + 5),
            Bytes({0x40, 0x01, 0x00, 0x00}));  // repeating, bitmap 1, empty matrix

  fills.add(std::make_unique<SwfFillStyle>(false, 2, SwfMatrix()));
  written = recordBytes(fills);
  EXPECT_EQ(Bytes(written.begin(), written.begin() + 3), Bytes({0xFF, 0xFF, 0x00}));
  EXPECT_EQ(Bytes(written.end() - 4, written.end()), Bytes({0x41, 0x02, 0x00, 0x00}));

  EXPECT_EQ(recordBytes(SwfLineStyleArray()), Bytes({0x00}));
}

TEST(SwfEdgeRecords, StraightEdgeForms) {
  const SwfStraightEdge point(Twips(0), Twips(0));
  EXPECT_EQ(point.bits(), 2u);
  EXPECT_EQ(recordBytes(point), bits("1 1 0000 0 1 00"));  // vertical, deltaY 0

  EXPECT_EQ(recordBytes(SwfStraightEdge(Twips(200), Twips(0))),
            bits("1 1 0111 0 0 011001000"));  // horizontal, 9 bits
  EXPECT_EQ(recordBytes(SwfStraightEdge(Twips(0), Twips(-3))),
            bits("1 1 0001 0 1 101"));  // vertical, 3 bits
  EXPECT_EQ(recordBytes(SwfStraightEdge(Twips(-20), Twips(20))),
            bits("1 1 0100 1 101100 010100"));  // general, 6 bits
}

TEST(SwfEdgeRecords, CurvedAndEndRecords) {
  EXPECT_EQ(recordBytes(SwfCurvedEdge(Twips(1), Twips(2), Twips(3), Twips(-4))),
            bits("1 0 0010 0001 0010 0011 1100"));
  EXPECT_EQ(SwfCurvedEdge(Twips(0), Twips(0), Twips(0), Twips(0)).bits(), 2u);

  SwfStream s;
  s.writeBits(1, 1);
  SwfEndShape().write(s, SwfShapeContext{});
  EXPECT_TRUE(s.isAligned());
  EXPECT_EQ(s.bytes(), bits("1 000000 0"));
}

TEST(SwfStyleChangeRecord, StyleIndicesTakeTheShapesWidths) {
  // Select line style 2 and fill style 1 at widths 2 and 3, no move.
  SwfStyleChangeData select;
  select.fillStyle1 = 1;
  select.lineStyle = 2;
  const SwfStyleChange change(select);
  EXPECT_EQ(recordBytes(change, SwfShapeContext{3, 2}), bits("0 0 1 1 0 0  001  10"));

  // A width of 0 writes no index at all.
  EXPECT_EQ(recordBytes(change, SwfShapeContext{0, 0}), bits("0 0 1 1 0 0"));
}

TEST(SwfBounds, RectWidthFollowsTheLargestValue) {
  EXPECT_EQ(recordBytes(SwfRect(Twips(0), Twips(0), Twips(16000), Twips(12000))),
            bits("01111 000000000000000 011111010000000 000000000000000 010111011100000"));
  EXPECT_EQ(recordBytes(SwfRect(Twips(-1), Twips(0), Twips(0), Twips(0))), bits("00010 11 00 00 00"));
}

TEST(SwfShapeTag, SlideShapeIs33Bytes) {
  SwfCharacterIds ids;
  ids.next();  // the picture's bitmap is character 1
  SwfShape shape(ids, SwfRect::fromPixels(0, 0, 2, 2));
  EXPECT_EQ(shape.characterId(), 2);
  EXPECT_EQ(shape.addFill(SwfFillStyle(false, 1, bitmapScale20())), 1u);
  shape.finish();
  shape.addRecord(std::make_unique<SwfStyleChange>(SwfStyleChangeData::startFill({Twips(0), Twips(0)}, 1)));
  shape.addRecord(std::make_unique<SwfStraightEdge>(Twips(40), Twips(0)));
  shape.addRecord(std::make_unique<SwfStraightEdge>(Twips(0), Twips(40)));
  shape.addRecord(std::make_unique<SwfStraightEdge>(Twips(-40), Twips(0)));
  shape.addRecord(std::make_unique<SwfStraightEdge>(Twips(0), Twips(-40)));
  shape.addRecord(std::make_unique<SwfEndShape>());

  EXPECT_EQ(tagBytes(shape), concat({{0x9F, 0x00},                    // DefineShape, length 31
                                     {0x02, 0x00},                    // id 2
                                     {0x38, 0x05, 0x00, 0x14, 0x00},  // bounds (0, 40, 0, 40), 7 bits
                                     {0x01,                           // one fill style:
                                      0x41, 0x01, 0x00,               //   clipped bitmap 1
                                      0xD9, 0x40, 0x00, 0x05, 0x00, 0x00, 0x01, 0x00},  // scale 20
                                     {0x00},                                            // no line styles
                                     {0x10},  // fillBits 1, lineBits 0
                                     {0x34, 0x27, 0x51, 0x46, 0xAA, 0x8D, 0x4B, 0x1A, 0xB6, 0x00}}));
}

TEST(SwfMorphShapeTag, RectangleGrowingIs54Bytes) {
  SwfCharacterIds ids;
  ids.next();
  ids.next();
  const SwfRect bounds(Twips(0), Twips(0), Twips(40), Twips(40));
  SwfMorphShape morph(ids, bounds, bounds);
  EXPECT_EQ(morph.characterId(), 3);
  morph.addFill(SwfMorphFillStyle(false, 1, bitmapScale20(), SwfMatrix()));
  morph.finish();
  SwfShapeBuilder draw(morph);
  draw.rectangle(SwfOutline::Start, 0, 1, SwfPixelRect{0, 0, 1, 1});
  draw.end(SwfOutline::Start);
  draw.rectangle(SwfOutline::End, 0, 1, SwfPixelRect{0, 0, 2, 2});
  draw.end(SwfOutline::End);

  EXPECT_EQ(morph.startEdges().fillBits(), 1u);
  EXPECT_EQ(morph.endEdges().fillBits(), 0u);
  EXPECT_EQ(tagBytes(morph), concat({{0xB4, 0x0B},                    // DefineMorphShape, length 52
                                     {0x03, 0x00},                    // id 3
                                     {0x38, 0x05, 0x00, 0x14, 0x00},  // start bounds
                                     {0x38, 0x05, 0x00, 0x14, 0x00},  // end bounds
                                     {0x19, 0x00, 0x00, 0x00},        // Offset 25
                                     {0x01, 0x41, 0x01, 0x00,         // one morph fill: clipped bitmap 1
                                      0xD9, 0x40, 0x00, 0x05, 0x00, 0x00, 0x01, 0x00,  // start: scale 20
                                      0x00},                                           // end: empty
                                     {0x00},                                           // no line styles
                                     {0x10},  // start edges: fillBits 1
                                     {0x0C, 0x27, 0x41, 0x4D, 0x15, 0x34, 0x2C, 0xD1, 0xB0, 0x00},
                                     {0x00},  // end edges: no style bits
                                     {0x0C, 0x26, 0xA2, 0x8D, 0x55, 0x1A, 0x96, 0x35, 0x6C, 0x00}}));
}

TEST(SwfShapeBuilderOps, MoveToSetsOnlyTheGivenStyles) {
  SwfCharacterIds ids;
  SwfMorphShape morph{ids, SwfRect(), SwfRect()};
  morph.finish();
  SwfShapeBuilder draw(morph);
  draw.moveTo(SwfOutline::Start, 1, 2, 0, 1);
  draw.moveTo(SwfOutline::Start, 0, 0, 1, 0);
  SwfStream s;
  morph.startEdges().record(0).write(s, morph.startEdges().context());
  morph.startEdges().record(1).write(s, morph.startEdges().context());
  s.flushBits();
  EXPECT_EQ(s.bytes(), bits("0 0 0 0 1 1  00111 0010100 0101000"  // move to (20, 40) twips
                            "  0 0 1 0 0 1  00001 0 0"));         // line style flag, 0-bit index
}

TEST(SwfShapeBuilderOps, EllipseCoordinatesAreTheSameOnEveryBuild) {
  SwfCharacterIds ids;
  SwfMorphShape morph{ids, SwfRect(), SwfRect()};
  morph.finish();
  SwfShapeBuilder draw(morph);
  draw.ellipse(SwfOutline::Start, 140, 100, 40, 40, 0, 1);
  const SwfShapeRecordList& edges = morph.startEdges();
  const auto& start = dynamic_cast<const SwfStyleChange&>(edges.record(0));
  // 140 + 0.85 * 40 is 174 in double precision, 173.999... with wider registers.
  EXPECT_EQ(start.moveX().value(), 20 * 174);
  EXPECT_EQ(start.moveY().value(), 20 * 134);
  const auto& first = dynamic_cast<const SwfCurvedEdge&>(edges.record(1));
  EXPECT_EQ(first.controlDX().value(), -116);  // trunc(-800 * 0.146)
  EXPECT_EQ(first.controlDY().value(), 116);
  EXPECT_EQ(first.anchorDX().value(), -164);  // trunc(-800 * 0.206)
  EXPECT_EQ(first.anchorDY().value(), 0);
}

TEST(SwfShapeBuilderOps, EllipseClosesAndStaysInItsBox) {
  for (int width : {1, 7, 100, 333, 800}) {
    for (int height : {1, 9, 75, 600}) {
      SwfCharacterIds ids;
      SwfMorphShape morph{ids, SwfRect(), SwfRect()};
      morph.finish();
      SwfShapeBuilder draw(morph);
      draw.ellipse(SwfOutline::Start, 10, 20, width, height, 0, 1);
      const SwfShapeRecordList& edges = morph.startEdges();
      ASSERT_EQ(edges.size(), 9u);

      const auto& start = dynamic_cast<const SwfStyleChange&>(edges.record(0));

      std::int64_t x = start.moveX().value(), y = start.moveY().value();
      std::int64_t minX = x, maxX = x, minY = y, maxY = y;
      for (std::size_t i = 1; i < edges.size(); ++i) {
        const auto& curve = dynamic_cast<const SwfCurvedEdge&>(edges.record(i));
        x += curve.controlDX().value() + curve.anchorDX().value();
        y += curve.controlDY().value() + curve.anchorDY().value();
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
      }
      EXPECT_EQ(x, start.moveX().value()) << width << " x " << height;
      EXPECT_EQ(y, start.moveY().value()) << width << " x " << height;
      EXPECT_GE(minX, 200 - 20);
      EXPECT_LE(maxX, 20 * (10 + width));
      EXPECT_GE(minY, 400 - 20);
      EXPECT_LE(maxY, 20 * (20 + height));
    }
  }
}
