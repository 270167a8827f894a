#include "support.h"

#include <swf/stream.h>

#include <gtest/gtest.h>

#include <climits>

TEST(SwfStreamBits, PacksFieldsMostSignificantBitFirst) {
  SwfStream s;
  s.writeBits(5, 3);
  s.writeBits(1, 1);
  s.flushBits();
  EXPECT_EQ(s.bytes(), Bytes({0b101'1'0000}));

  SwfStream negative;
  negative.writeBits(-1, 3);
  negative.flushBits();
  EXPECT_EQ(negative.bytes(), Bytes({0b111'00000}));

  // A field crossing a byte boundary, and bits above the field width dropped.
  SwfStream crossing;
  crossing.writeBits(0b1'11'1010'1010, 10);
  crossing.flushBits();
  EXPECT_EQ(crossing.bytes(), Bytes({0b1110'1010, 0b10'000000}));

  SwfStream wide;
  wide.writeBits(INT32_MIN | 1, 32);
  EXPECT_EQ(wide.bytes(), Bytes({0x80, 0x00, 0x00, 0x01}));
}

TEST(SwfStreamBits, FlushCompletesOnlyAPendingByte) {
  SwfStream s;
  s.flushBits();
  EXPECT_TRUE(s.bytes().empty());
  s.writeBits(1, 1);
  EXPECT_FALSE(s.isAligned());
  s.flushBits();
  EXPECT_EQ(s.bytes(), Bytes({0x80}));
  s.flushBits();
  EXPECT_EQ(s.bytes(), Bytes({0x80}));
}

TEST(SwfStreamBits, IntegersAreLittleEndianAndGoThroughThePacker) {
  SwfStream s;
  s.writeU8(0x1AB);  // only the low byte
  s.writeU16(0x1234);
  s.writeU32(0x12345678);
  EXPECT_EQ(s.bytes(), Bytes({0xAB, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12}));

  // Written at an unaligned point, a byte is shifted like any other field.
  SwfStream unaligned;
  unaligned.writeBits(1, 1);
  unaligned.writeU8(0xFF);
  unaligned.flushBits();
  EXPECT_EQ(unaligned.bytes(), Bytes({0b1'1111111, 0b1'0000000}));
}

TEST(SwfTagHeader, ShortUpTo62BytesLongFrom63) {
  SwfStream body62;
  for (int i = 0; i < 62; ++i) body62.writeU8(0);
  SwfStream s62;
  writeTag(s62, swfTagDefineShape, body62);
  ASSERT_EQ(s62.committed(), 2u + 62);
  EXPECT_EQ(s62.bytes()[0], (2 << 6 | 62) & 0xFF);  // code 2, length 62
  EXPECT_EQ(s62.bytes()[1], 0x00);

  SwfStream body63;
  for (int i = 0; i < 63; ++i) body63.writeU8(0);
  SwfStream s63;
  writeTag(s63, swfTagDefineShape, body63);
  ASSERT_EQ(s63.committed(), 6u + 63);
  EXPECT_EQ(Bytes(s63.bytes().begin(), s63.bytes().begin() + 6),
            Bytes({0xBF, 0x00,                 // code 2, length field 0x3F
                   0x3F, 0x00, 0x00, 0x00}));  // length 63
}

TEST(SwfTagHeader, TagsWithoutBodyAndALongJpegHeader) {
  SwfStream showFrame;
  writeTagHeader(showFrame, swfTagShowFrame, 0, nullptr);
  EXPECT_EQ(showFrame.bytes(), Bytes({0x40, 0x00}));

  SwfStream end;
  writeTagHeader(end, swfTagEnd, 0, nullptr);
  EXPECT_EQ(end.bytes(), Bytes({0x00, 0x00}));

  SwfStream jpeg;
  writeTagHeader(jpeg, swfTagDefineBitsJpeg2, 1000, nullptr);
  EXPECT_EQ(jpeg.bytes(), Bytes({0x7F, 0x05,                 // code 21, long form
                                 0xE8, 0x03, 0x00, 0x00}));  // length 1000
}

TEST(SwfStreamChunks, CountedInTotalSizeAndWrittenAtTheirPositions) {
  const Bytes a(100, 0xAA), b(50, 0xBB);
  SwfStream s;
  s.writeU32(0x04030201);
  s.appendChunk(a.data(), a.size());
  for (std::uint8_t v = 5; v <= 10; ++v) s.writeU8(v);
  s.appendChunk(b.data(), b.size());
  EXPECT_EQ(s.committed(), 10u);
  EXPECT_EQ(s.totalSize(), 160u);

  ScratchDir dir;
  const std::string path = dir.path("chunks.bin");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(s.writeToFile(f));
  std::fclose(f);

  EXPECT_EQ(readFileBytes(path), concat({{1, 2, 3, 4}, a, {5, 6, 7, 8, 9, 10}, b}));
  EXPECT_TRUE(s.chunks().empty()) << "writing consumes the chunk list";
}

TEST(SwfStreamChunks, AppendedStreamReRegistersChunksWithoutCopying) {
  const Bytes picture(1000, 0x5A);
  SwfStream body;
  body.writeU16(7);
  body.appendChunk(picture.data(), picture.size());
  body.writeU8(0xEE);

  SwfStream movie;
  movie.writeU8(0x11);
  movie.writeU8(0x22);
  movie.appendStream(body);

  EXPECT_TRUE(body.chunks().empty());
  ASSERT_EQ(movie.chunks().size(), 1u);
  EXPECT_EQ(movie.chunks()[0].position, 4u);          // behind 2 + 2 bytes
  EXPECT_EQ(movie.chunks()[0].data, picture.data());  // the same buffer
  EXPECT_EQ(movie.committed(), 5u);                   // the picture is not in it
  EXPECT_EQ(movie.totalSize(), 1005u);
  EXPECT_EQ(flatten(movie), concat({{0x11, 0x22, 7, 0}, picture, {0xEE}}));
}

TEST(SwfStreamChunks, ChunksAtTheSamePositionAndAtTheEndKeepTheirOrder) {
  const Bytes a{1, 2}, b{3}, c{4, 5, 6};
  SwfStream s;
  s.appendChunk(a.data(), a.size());
  s.appendChunk(b.data(), b.size());
  s.writeU8(9);
  s.appendChunk(c.data(), c.size());
  EXPECT_EQ(flatten(s), Bytes({1, 2, 3, 9, 4, 5, 6}));
}

TEST(SwfStreamChunks, WriteToFileReportsAFailedWrite) {
  ScratchDir dir;
  const std::string path = dir.path("readonly.bin");
  writeFileBytes(path, {1, 2, 3});
  std::FILE* f = std::fopen(path.c_str(), "rb");  // writes to it must fail
  ASSERT_NE(f, nullptr);
  const Bytes data(10, 1);
  SwfStream s;
  s.writeU8(1);
  s.appendChunk(data.data(), data.size());
  EXPECT_FALSE(s.writeToFile(f));
  std::fclose(f);
}

TEST(SwfFieldWidths, BitsNeeded) {
  EXPECT_EQ(bitsNeeded(0, 1), 1u);  // a signed 0 still takes its sign bit
  EXPECT_EQ(bitsNeeded(1, 1), 2u);
  EXPECT_EQ(bitsNeeded(255, 1), 9u);
  EXPECT_EQ(bitsNeeded(256, 1), 10u);
  EXPECT_EQ(bitsNeeded(1, 0), 1u);
  EXPECT_EQ(bitsNeeded(2, 0), 2u);
  EXPECT_EQ(bitsNeeded(0, 0), 0u);
  EXPECT_EQ(bitsNeeded(0xFFFFFFFFu, 0), 32u);
  EXPECT_EQ(bitsNeeded(0x80000000u, 1), 33u);
}

TEST(SwfFieldWidths, MaxMagnitudeIsExactForTheMostNegativeValue) {
  EXPECT_EQ(maxMagnitude(3, -7, 5, 0), 7u);
  EXPECT_EQ(maxMagnitude(0, 0, 0, 0), 0u);
  EXPECT_EQ(maxMagnitude(1, INT32_MIN, 2, INT32_MAX), 0x80000000u);
}
