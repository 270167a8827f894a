#include "FailureTexts.h"

#include "LanguageFormat.h"
#include "TextConversion.h"

namespace maker = slidewright::maker;
using slidewright::media::ErrorKind;

std::string messageText(const LanguageFile& language, const std::string& key) {
  return utf8FromAnsi(language.lookupString(key));
}

std::string textNamingFile(const std::string& format, const std::string& name) {
  const FormatParts parts = splitAtConversion(format);
  if (!parts.hasConversion && !name.empty()) return name + ": " + utf8FromAnsi(format);
  return utf8FromAnsi(parts.before) + name + utf8FromAnsi(parts.after);
}

std::string reasonText(const LanguageFile& language, const char* key, const std::string& name) {
  return textNamingFile(language.lookupValue(kReasonSection, key), name);
}

const char* pictureReasonKey(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::FileAccess:
      return "PictureUnreadable";
    case ErrorKind::NotSupported:
      return "PictureNotSupported";
    case ErrorKind::Damaged:
      return "PictureDamaged";
    case ErrorKind::TooLarge:
      return "PictureTooLarge";
    default:
      return "PictureUnusable";
  }
}

const char* musicReasonKey(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::FileAccess:
      return "MusicUnreadable";
    case ErrorKind::NotSupported:
      return "MusicNotSupported";
    case ErrorKind::Damaged:
      return "MusicDamaged";
    case ErrorKind::TooLarge:
      return "MusicTooLarge";
    default:
      return "MusicUnusable";
  }
}

const char* makeErrorKey(const maker::MakeError& error) {
  switch (error.kind) {
    case maker::MakeErrorKind::Picture:
      return pictureReasonKey(error.cause);
    case maker::MakeErrorKind::Music:
      return musicReasonKey(error.cause);
    case maker::MakeErrorKind::Output:
      return "MovieNotWritten";
    case maker::MakeErrorKind::Font:
      return "CaptionFontMissing";
    default:
      return "AlbumSettingsWrong";
  }
}

std::string makeErrorText(const LanguageFile& language, const maker::MakeError& error) {
  return reasonText(language, makeErrorKey(error), error.path);
}

std::string videoErrorText(const LanguageFile& language, const slidewright::exports::Error& error,
                           const std::string& musicPath, const std::string& videoPath) {
  using slidewright::exports::ErrorKind;
  switch (error.kind) {
    case ErrorKind::Output:
      return reasonText(language, "VideoNotWritten", videoPath);
    case ErrorKind::Encoding:
      return reasonText(language, "VideoNotEncoded");
    case ErrorKind::Font:
      return reasonText(language, "CaptionFontMissing");
    case ErrorKind::Input:
      if (error.path.empty()) break;
      return reasonText(language, error.path == musicPath ? "MusicUnusable" : "PictureUnusable", error.path);
    default:
      break;
  }
  return reasonText(language, "AlbumSettingsWrong");
}
