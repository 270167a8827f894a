// The text of the information tip shown when the pointer rests on a picture
// of the picture list: the picture's file name, its size in pixels, its
// transition, its hold, its motion and its caption (when it has one), each
// after its label from the language file, one to a line.
#pragma once
#include <optional>
#include <string>

#include "LanguageFile.h"
#include "album/motion.h"

struct PictureTipFacts {
  std::string path;  // full path of the picture (UTF-8)
  int width = 0;     // pixels
  int height = 0;
  int transition = 0;              // index 0 to 12
  std::optional<int> holdSeconds;  // its own hold, else the album's
  int albumSeconds = 1;
  slidewright::Motion motion{};
  std::string caption = std::string();  // UTF-8; empty: none
};

// "ImageName" + file name, "ImageSize" + width*height, "TransitionMode" +
// the transition's name, "HoldTip" + the seconds (marked as the album's when
// the picture has none of its own), "MotionTip" + the motion's name and,
// for a captioned picture, "CaptionTip" + the caption on one line (its line
// break a space), with "\r\n" between the lines. Wide text: the labels are
// the language file's, the name and the caption any script.
std::wstring pictureTipText(const LanguageFile& language, const PictureTipFacts& picture);
