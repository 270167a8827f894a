#include "PictureTipText.h"

#include <windows.h>

#include "AlbumFileBridge.h"
#include "LanguageFormat.h"
#include "ProgramDirectory.h"

std::string pictureTipText(const LanguageFile& language, const PictureTipFacts& picture) {
  const std::string name = fileNameOfPath(picture.path);
  // The labels are joined to the numbers, never used as a format: a '%' in a
  // language file's text is shown as it is.
  std::string text =
      language.lookupString("ImageName") + name + "\r\n" + language.lookupString("ImageSize") +
      std::to_string(picture.width) + "*" + std::to_string(picture.height) + "\r\n" +
      language.lookupString("TransitionMode") + transitionName(language, picture.transition) + "\r\n" +
      language.lookupString("HoldTip") +
      (picture.holdSeconds
           ? formatWithNumber(language.lookupValue("AlbumFile", "HoldOwn"), *picture.holdSeconds)
           : formatWithNumber(language.lookupValue("AlbumFile", "HoldAlbum"), picture.albumSeconds)) +
      "\r\n" + language.lookupString("MotionTip") + motionDisplayName(language, picture.motion.kind);
  if (!picture.caption.empty()) {
    std::string caption = picture.caption;
    for (char& c : caption)
      if (c == '\n' || c == '\r') c = ' ';
    text += "\r\n" + language.lookupString("CaptionTip") + narrowed(wideFromUtf8(caption), CP_ACP);
  }
  return text;
}
