#include "AlbumFileBridge.h"

#include <cwctype>

#include "FailureTexts.h"
#include "LanguageFormat.h"
#include "PicturePaths.h"
#include "ProgramDirectory.h"
#include "TextConversion.h"

namespace albumfile = slidewright::albumfile;

namespace {

constexpr const wchar_t* kProgramTitle = L"Slidewright";

}  // namespace

bool isAlbumFileName(const std::wstring& path) {
  const std::wstring extension = L".swalbum";
  if (path.size() <= extension.size()) return false;
  std::wstring tail = path.substr(path.size() - extension.size());
  for (auto& c : tail) c = static_cast<wchar_t>(std::towlower(c));
  return tail == extension;
}

albumfile::AlbumDocument albumDocumentOf(const AlbumSettings& settings,
                                         const std::vector<WindowAlbumPicture>& pictures) {
  albumfile::AlbumDocument album;
  album.width = settings.albumWidth;
  album.height = settings.albumHeight;
  album.background = {GetRValue(settings.backgroundColor), GetGValue(settings.backgroundColor),
                      GetBValue(settings.backgroundColor)};
  album.seconds = settings.pauseSeconds;
  album.loop = settings.loop;
  album.fadeOutSeconds = settings.fadeOutSeconds;
  album.seed = settings.seed;
  if (musicFileChosen(settings.musicPath)) album.music = settings.musicPath;
  album.output = settings.savePath;
  for (const WindowAlbumPicture& picture : pictures)
    album.pictures.push_back(
        {picture.path, picture.transition, picture.holdSeconds, picture.motion, picture.caption});
  return album;
}

std::string defaultAlbumOutput(const std::string& albumPath) {
  const std::size_t extension = std::char_traits<char>::length(albumfile::kAlbumExtension);
  const bool hasExtension = isAlbumFileName(wideFromUtf8(albumPath));
  return (hasExtension ? albumPath.substr(0, albumPath.size() - extension) : albumPath) + ".swf";
}

std::wstring albumWindowTitle(const LanguageFile& language, const std::string& albumPathUtf8, bool changed) {
  std::wstring name;
  if (!albumPathUtf8.empty()) {
    name = wideFromUtf8(fileNameOfPath(albumPathUtf8));
    const std::size_t extension = std::char_traits<char>::length(albumfile::kAlbumExtension);
    if (isAlbumFileName(name)) name.resize(name.size() - extension);
  } else if (changed) {
    name = wideFromAnsi(language.lookupString("UntitledAlbum"));
  } else {
    return kProgramTitle;
  }
  return name + (changed ? L"*" : L"") + L" - " + kProgramTitle;
}

namespace {

const char* albumReasonKey(albumfile::AlbumFileErrorKind kind, bool writing) {
  using Kind = albumfile::AlbumFileErrorKind;
  switch (kind) {
    case Kind::Syntax:
      return "AlbumNotJson";
    case Kind::UnknownKey:
      return "AlbumUnknownKey";
    case Kind::MissingKey:
      return "AlbumMissingKey";
    case Kind::WrongType:
      return "AlbumWrongType";
    case Kind::OutOfRange:
      return writing ? "AlbumValueToSave" : "AlbumOutOfRange";
    case Kind::NewerVersion:
      return "AlbumNewerVersion";
    case Kind::FileAccess:
      break;
  }
  return writing ? "AlbumNotWritten" : "AlbumUnreadable";
}

constexpr const char* kAlbumSection = "AlbumFile";

}  // namespace

std::string albumErrorText(const LanguageFile& language, const std::string& albumPath,
                           const albumfile::AlbumFileError& error, bool writing) {
  std::string text = reasonText(language, albumReasonKey(error.kind, writing), albumPath);
  // The place: the key as the file spells it, the picture's number, the line
  // and column, each only when known.
  std::string place;
  const auto add = [&place](const std::string& part) { place += (place.empty() ? "" : ", ") + part; };
  if (!error.key.empty())
    add(textNamingFile(language.lookupValue(kAlbumSection, "Key"), "\"" + error.key + "\""));
  const auto number = [&language](const char* key, int value) {
    return utf8FromAnsi(formatWithNumber(language.lookupValue(kAlbumSection, key), value));
  };
  if (error.picture > 0) add(number("Picture", error.picture));
  if (error.line > 0) {
    add(number("Line", error.line));
    add(number("Column", error.column));
  }
  if (!place.empty()) text += "\r\n" + place;
  return text;
}
