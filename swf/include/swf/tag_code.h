#pragma once

#include <cstdint>

// The tag codes this project writes or reads: the writer frames its tags with
// them and the player's parser decodes by them, so the two cannot disagree.
// Unscoped, so a code read from a file (a plain 16-bit number) compares with
// them directly; a function taking an SwfTagCode takes no bare number.
enum SwfTagCode : std::uint16_t {
  swfTagEnd = 0,
  swfTagShowFrame = 1,
  swfTagDefineShape = 2,
  swfTagRemoveObject = 5,
  swfTagSetBackgroundColor = 9,
  swfTagDoAction = 12,
  swfTagDefineSound = 14,
  swfTagStartSound = 15,
  swfTagSoundStreamHead = 18,
  swfTagDefineBitsJpeg2 = 21,
  swfTagDefineShape2 = 22,
  swfTagPlaceObject2 = 26,
  swfTagRemoveObject2 = 28,
  swfTagDefineShape3 = 32,
  swfTagSoundStreamHead2 = 45,
  swfTagDefineMorphShape = 46,
};

struct SwfTagCodeName {
  SwfTagCode code;
  const char* name;
};

// Every code above with the name the format gives its tag.
inline constexpr SwfTagCodeName swfTagCodes[] = {
    {swfTagEnd, "End"},
    {swfTagShowFrame, "ShowFrame"},
    {swfTagDefineShape, "DefineShape"},
    {swfTagRemoveObject, "RemoveObject"},
    {swfTagSetBackgroundColor, "SetBackgroundColor"},
    {swfTagDoAction, "DoAction"},
    {swfTagDefineSound, "DefineSound"},
    {swfTagStartSound, "StartSound"},
    {swfTagSoundStreamHead, "SoundStreamHead"},
    {swfTagDefineBitsJpeg2, "DefineBitsJPEG2"},
    {swfTagDefineShape2, "DefineShape2"},
    {swfTagPlaceObject2, "PlaceObject2"},
    {swfTagRemoveObject2, "RemoveObject2"},
    {swfTagDefineShape3, "DefineShape3"},
    {swfTagSoundStreamHead2, "SoundStreamHead2"},
    {swfTagDefineMorphShape, "DefineMorphShape"},
};

// The name of a code in the list, or null for any other number.
constexpr const char* swfTagName(std::uint16_t code) {
  for (const SwfTagCodeName& entry : swfTagCodes)
    if (entry.code == code) return entry.name;
  return nullptr;
}
