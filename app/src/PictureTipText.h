// The text of the information tip shown when the pointer rests on a picture
// of the picture list: the picture's file name, its size in pixels and its
// transition, each after its label from the language file, one to a line.
#pragma once
#include <string>

#include "LanguageFile.h"

struct PictureTipFacts {
  std::string path;  // full path of the picture (ANSI code page)
  int width = 0;     // pixels
  int height = 0;
  int transition = 0;  // index 0 to 12
};

// "ImageName" + file name, "ImageSize" + width*height, "TransitionMode" +
// the transition's name, with "\r\n" between the lines.
std::string pictureTipText(const LanguageFile& language, const PictureTipFacts& picture);
