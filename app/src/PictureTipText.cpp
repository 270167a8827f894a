#include "PictureTipText.h"

#include "LanguageFormat.h"
#include "ProgramDirectory.h"
#include "TextConversion.h"

std::wstring pictureTipText(const LanguageFile& language, const PictureTipFacts& picture) {
  const std::wstring name = wideFromUtf8(fileNameOfPath(picture.path));
  // The labels are joined to the numbers, never used as a format: a '%' in a
  // language file's text is shown as it is.
  std::wstring text =
      wideFromAnsi(language.lookupString("ImageName")) + name +
      wideFromAnsi(
          "\r\n" + language.lookupString("ImageSize") + std::to_string(picture.width) + "*" +
          std::to_string(picture.height) + "\r\n" + language.lookupString("TransitionMode") +
          transitionName(language, picture.transition) + "\r\n" + language.lookupString("HoldTip") +
          (picture.holdSeconds
               ? formatWithNumber(language.lookupValue("AlbumFile", "HoldOwn"), *picture.holdSeconds)
               : formatWithNumber(language.lookupValue("AlbumFile", "HoldAlbum"), picture.albumSeconds)) +
          "\r\n" + language.lookupString("MotionTip") + motionDisplayName(language, picture.motion.kind));
  if (!picture.caption.empty()) {
    std::wstring caption = wideFromUtf8(picture.caption);
    for (wchar_t& c : caption)
      if (c == L'\n' || c == L'\r') c = L' ';
    text += wideFromAnsi("\r\n" + language.lookupString("CaptionTip")) + caption;
  }
  return text;
}
