#include "support.h"

#include <swf/action.h>
#include <swf/movie.h>
#include <swf/place.h>
#include <swf/sound.h>

#include <gtest/gtest.h>

TEST(SwfColorTransformRecord, MultiplyTermsOnly) {
  const SwfColorTransform invisible = SwfColorTransform::fade(0);
  EXPECT_EQ(invisible.bits(), 9u);
  SwfStream s;
  invisible.write(s);
  EXPECT_EQ(s.bytes(), Bytes({0x65, 0xFE, 0xFF, 0x7F, 0x80, 0x00}));
  EXPECT_EQ(s.bytes(), bits("0 1 1001  011111111 011111111 011111111 000000000"));

  EXPECT_EQ(SwfColorTransform::fade(250).bits(), 9u);
}

TEST(SwfColorTransformRecord, AddTermsFollowMultiplyTermsAndShareTheWidth) {
  // Width from the largest term of both groups, even one that is not written.
  const SwfColorTransform addOnly(false, true, 1, -1, 0, 2, 300, 0, 0, 0);
  SwfStream s;
  addOnly.write(s);
  EXPECT_EQ(s.bytes(), bits("1 0 1010  0000000001 1111111111 0000000000 0000000010"));

  const SwfColorTransform both(true, true, -2, 0, 0, 0, 1, 1, 1, 1);
  SwfStream t;
  both.write(t);
  EXPECT_EQ(t.bytes(), bits("1 1 0011  001 001 001 001  110 000 000 000"));
}

TEST(SwfPlaceObjectTag, AlbumForms) {
  EXPECT_EQ(tagBytes(*SwfPlaceObject::place(4, 3)), Bytes({0x85, 0x06,     // PlaceObject2, length 5
                                                           0b0000'0010,    // has character
                                                           0x04, 0x00,     // depth 4
                                                           0x03, 0x00}));  // character 3

  EXPECT_EQ(tagBytes(*SwfPlaceObject::setRatio(2, -1)), Bytes({0x85, 0x06,
                                                               0b0001'0001,    // has ratio, move
                                                               0x02, 0x00,     // depth 2
                                                               0xFF, 0xFF}));  // end of the morph

  EXPECT_EQ(tagBytes(*SwfPlaceObject::placeWithTransform(1, 5, SwfColorTransform::fade(0))),
            concat({{0x8B, 0x06,   // length 11
                     0b0000'1010,  // colour transform, character
                     0x01, 0x00, 0x05, 0x00},
                    {0x65, 0xFE, 0xFF, 0x7F, 0x80, 0x00}}));

  EXPECT_EQ(tagBytes(*SwfPlaceObject::changeTransform(1, SwfColorTransform::fade(255))),
            concat({{0x89, 0x06, 0b0000'1001, 0x01, 0x00},  // colour transform, move
                    bits("0 1 1001  011111111 011111111 011111111 011111111")}));
}

TEST(SwfPlaceObjectTag, EveryFieldInItsPlace) {
  const SwfPlaceObject all(true, true, true, false, 7, 9, SwfMatrix(), SwfColorTransform::fade(0), 0x12345,
                           std::string("ab"), 0x0102);
  EXPECT_EQ(tagBytes(all), concat({{0x93, 0x06},   // length 19
                                   {0b0111'1110},  // clip depth, name, ratio, cxform, matrix, char
                                   {0x07, 0x00},   // depth
                                   {0x09, 0x00},   // character
                                   {0x00},         // empty matrix
                                   {0x65, 0xFE, 0xFF, 0x7F, 0x80, 0x00},
                                   {0x45, 0x23},      // ratio, low 16 bits
                                   {'a', 'b', 0x00},  // name
                                   {0x02, 0x01}}));   // clip depth
}

TEST(SwfFrameTags, RemoveAndShowFrame) {
  EXPECT_EQ(tagBytes(SwfRemoveObject(4)), Bytes({0x02, 0x07, 0x04, 0x00}));
  EXPECT_EQ(tagBytes(SwfShowFrame()), Bytes({0x40, 0x00}));

  SwfMovie movie;
  movie.addTag(std::make_unique<SwfShowFrame>());
  EXPECT_EQ(movie.frameCount(), 1u);
  movie.addTag(SwfPlaceObject::place(1, 1));
  movie.addTag(std::make_unique<SwfRemoveObject>(1));
  EXPECT_EQ(movie.frameCount(), 1u);
}

TEST(SwfSoundControlTags, StartSound) {
  EXPECT_EQ(tagBytes(SwfStartSound(1, SwfSoundInfo::noMultiple())),
            Bytes({0xC3, 0x03, 0x01, 0x00, 0b0001'0000}));

  SwfSoundInfoData all;
  all.syncStop = true;
  all.inPoint = 0x11;
  all.outPoint = 0x22;
  all.loopCount = 3;
  all.envelope = SwfSoundEnvelope{0x44, 0x55, 0x66};
  const SwfSoundInfo everything(all);
  EXPECT_EQ(tagBytes(SwfStartSound(9, everything)),
            concat({{0xD6, 0x03, 0x09, 0x00},                          // StartSound, length 22, sound 9
                    {0b0010'1111},                                     // SyncStop; envelope, loops, out, in
                    {0x11, 0, 0, 0},                                   // in point
                    {0x22, 0, 0, 0},                                   // out point
                    {0x03, 0x00},                                      // loops
                    {0x01, 0x44, 0, 0, 0, 0x55, 0x00, 0x66, 0x00}}));  // one point
}

TEST(SwfSoundControlTags, EnvelopeCountMatchesThePointsWritten) {
  // The record holds one point: a larger count, or the flag without a
  // point, would announce bytes that are not there.
  SwfSoundInfoData withPoint;
  withPoint.envelope = SwfSoundEnvelope{1, 2, 3};
  EXPECT_EQ(tagBytes(SwfStartSound(1, SwfSoundInfo(withPoint))),
            Bytes({0xCC, 0x03, 0x01, 0x00, 0b0000'1000, 0x01, 1, 0, 0, 0, 2, 0, 3, 0}));
  EXPECT_EQ(tagBytes(SwfStartSound(1, SwfSoundInfo(SwfSoundInfoData{}))),
            Bytes({0xC3, 0x03, 0x01, 0x00, 0x00}));
}

TEST(SwfSoundControlTags, SoundStreamHead) {
  // 44.1 kHz stereo, 16-bit, 115200 samples.
  EXPECT_EQ(tagBytes(SwfSoundStreamHead(1 + 4 * 3 + 2 * 1, 1, 115200 & 0xFFFF)),
            Bytes({0x84, 0x04,
                   0b0000'11'1'1,  // playback: 44 kHz, 16-bit, stereo
                   0b0001'00'1'1,  // compression 1, rate 0, 16-bit, stereo
                   0x00, 0xC2}));  // 49664
  // 22.05 kHz single channel.
  EXPECT_EQ(tagBytes(SwfSoundStreamHead(4 * 2 + 2 * 1, 0, 576)), Bytes({0x84, 0x04, 0x0A, 0x12, 0x40, 0x02}));
}

TEST(SwfActionTags, DoAction) {
  SwfDoAction stop;
  stop.add(std::make_unique<SwfActionStop>());
  EXPECT_EQ(tagBytes(stop), Bytes({0x02, 0x03, 0x07, 0x00}));
  EXPECT_EQ(tagBytes(SwfDoAction()), Bytes({0x01, 0x03, 0x00}));
}
