#include "support.h"

#include <swf/bitmap.h>
#include <swf/movie.h>

#include <gtest/gtest.h>

namespace {

// Stand-in JPEG bytes: start marker, filler without markers, end marker.
Bytes fakeJpeg(std::size_t size, std::uint8_t fill) {
  Bytes jpeg(size, fill);
  jpeg[0] = 0xFF, jpeg[1] = 0xD8;
  jpeg[size - 2] = 0xFF, jpeg[size - 1] = 0xD9;
  return jpeg;
}

class SwfBitmapTest : public ::testing::Test {
 protected:
  ScratchDir dir;
  SwfCharacterIds ids;
};

}  // namespace

TEST_F(SwfBitmapTest, DefineBitsJpeg2Framing) {
  const Bytes jpeg = fakeJpeg(10000, 0x11);
  OpenFile file(dir, "picture.jpg", jpeg);
  const SwfBitmap bitmap(ids, file.get());
  ASSERT_TRUE(bitmap.isLoaded()) << bitmap.loadError();
  EXPECT_EQ(bitmap.characterId(), 1);
  EXPECT_EQ(bitmap.size(), 10000u);

  const Bytes tag = tagBytes(bitmap);
  EXPECT_EQ(tag.size(), 6u + 10008);
  EXPECT_EQ(tag, concat({{0x7F, 0x05,               // DefineBitsJPEG2, long form
                          0x18, 0x27, 0x00, 0x00},  // length 10008
                         {0x01, 0x00},              // id 1
                         {0xFF, 0xD9, 0xFF, 0xD8},  // empty encoding tables
                         jpeg,
                         {0xFF, 0xD9}}));
}

TEST_F(SwfBitmapTest, PictureBytesTravelAsChunksNotCopies) {
  OpenFile a(dir, "a.jpg", fakeJpeg(80000, 0xA0));
  OpenFile b(dir, "b.jpg", fakeJpeg(60000, 0xB0));
  auto first = std::make_unique<SwfBitmap>(ids, a.get());
  auto second = std::make_unique<SwfBitmap>(ids, b.get());
  EXPECT_EQ(first->characterId(), 1);
  EXPECT_EQ(second->characterId(), 2);
  const std::uint8_t* firstData = first->data();
  const std::uint8_t* secondData = second->data();

  SwfMovie movie;
  movie.addTag(std::move(first));
  movie.addTag(std::move(second));
  SwfStream stream;
  ASSERT_TRUE(movie.writeTo(stream, Twips(2000), Twips(2000), 12));

  // Only headers and framing bytes were copied into the movie's buffer.
  EXPECT_EQ(stream.committed(), 21u + 2 * (6 + 2 + 4 + 2) + 2);
  ASSERT_EQ(stream.chunks().size(), 2u);
  EXPECT_EQ(stream.chunks()[0].data, firstData);
  EXPECT_EQ(stream.chunks()[0].position, 21u + 12);
  EXPECT_EQ(stream.chunks()[1].data, secondData);
  EXPECT_EQ(stream.chunks()[1].position, 21u + 14 + 12);

  const std::string path = dir.path("two.swf");
  ASSERT_TRUE(movie.writeFile(path, Twips(2000), Twips(2000), 12));
  const Bytes file = readFileBytes(path);
  EXPECT_EQ(file.size(), 21u + 2 * 14 + 80000 + 60000 + 2);
  EXPECT_EQ(Bytes(file.begin() + 33, file.begin() + 33 + 80000), fakeJpeg(80000, 0xA0));
}

TEST_F(SwfBitmapTest, UnreadableFilesLeaveAnEmptyBitmapThatWritesNothing) {
  OpenFile empty(dir, "empty.jpg", {});
  OpenFile writeOnly(dir, "write-only.jpg", fakeJpeg(500, 0x33), "ab");

  std::vector<std::unique_ptr<SwfBitmap>> failed;
  failed.push_back(std::make_unique<SwfBitmap>(ids, empty.get()));
  failed.push_back(std::make_unique<SwfBitmap>(ids, writeOnly.get()));
  failed.push_back(std::make_unique<SwfBitmap>(ids, nullptr));
  failed.push_back(SwfBitmap::fromBytes(ids, {}));
  for (const auto& bitmap : failed) {
    EXPECT_FALSE(bitmap->isLoaded());
    EXPECT_FALSE(bitmap->loadError().empty());
    EXPECT_EQ(bitmap->characterId(), 0);
    EXPECT_EQ(bitmap->size(), 0u);
    EXPECT_TRUE(tagBytes(*bitmap).empty());
  }
  // The failed loads took no identifiers.
  EXPECT_EQ(SwfBitmap::fromBytes(ids, fakeJpeg(100, 0))->characterId(), 1);
}

TEST_F(SwfBitmapTest, FromBytesKeepsTheBytes) {
  const Bytes jpeg = fakeJpeg(300, 0x42);
  const auto bitmap = SwfBitmap::fromBytes(ids, jpeg);
  ASSERT_TRUE(bitmap->isLoaded());
  EXPECT_EQ(Bytes(bitmap->data(), bitmap->data() + bitmap->size()), jpeg);
  const Bytes tag = tagBytes(*bitmap);
  EXPECT_EQ(Bytes(tag.begin() + 12, tag.end() - 2), jpeg);
}
