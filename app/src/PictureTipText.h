// The text of the information tip shown when the pointer rests on a picture
// of the picture list: the picture's file name, its size in pixels, its
// transition and its hold, each after its label from the language file, one
// to a line.
#pragma once
#include <optional>
#include <string>

#include "LanguageFile.h"

struct PictureTipFacts {
  std::string path;  // full path of the picture (UTF-8)
  int width = 0;     // pixels
  int height = 0;
  int transition = 0;              // index 0 to 12
  std::optional<int> holdSeconds;  // its own hold, else the album's
  int albumSeconds = 1;
};

// "ImageName" + file name, "ImageSize" + width*height, "TransitionMode" +
// the transition's name, "HoldTip" + the seconds (marked as the album's when
// the picture has none of its own), with "\r\n" between the lines. Wide
// text: the labels are the language file's, the name any script.
std::wstring pictureTipText(const LanguageFile& language, const PictureTipFacts& picture);
