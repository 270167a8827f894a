#include "AlbumFileBridge.h"

#include <cwctype>

#include "FailureTexts.h"
#include "LanguageFormat.h"
#include "PicturePaths.h"
#include "ProgramDirectory.h"

namespace albumfile = slidewright::albumfile;

namespace {

std::wstring widen(const std::string& text, UINT codePage) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

constexpr const char* kProgramTitle = "Slidewright";

}  // namespace

std::wstring wideFromUtf8(const std::string& utf8) { return widen(utf8, CP_UTF8); }
std::wstring wideFromAnsi(const std::string& ansi) { return widen(ansi, CP_ACP); }

std::string narrowed(const std::wstring& wide, UINT codePage) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string text(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr,
                        nullptr);
  return text;
}

std::string utf8FromWide(const std::wstring& wide) { return narrowed(wide, CP_UTF8); }

std::string utf8FromAnsi(const std::string& ansi) { return utf8FromWide(wideFromAnsi(ansi)); }

bool ansiFromUtf8(const std::string& utf8, std::string* ansi) {
  const std::wstring wide = wideFromUtf8(utf8);
  ansi->clear();
  if (wide.empty()) return utf8.empty();
  return ansiFromWide(wide, ansi);
}

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
  if (musicFileChosen(settings.musicPath)) album.music = utf8FromAnsi(settings.musicPath);
  album.output = utf8FromAnsi(settings.savePath);
  for (const WindowAlbumPicture& picture : pictures)
    album.pictures.push_back({utf8FromAnsi(picture.path), picture.transition, picture.holdSeconds,
                              picture.motion, picture.caption});
  return album;
}

std::string defaultAlbumOutput(const std::string& albumPath) {
  const std::size_t extension = std::char_traits<char>::length(albumfile::kAlbumExtension);
  const bool hasExtension = isAlbumFileName(wideFromUtf8(albumPath));
  return (hasExtension ? albumPath.substr(0, albumPath.size() - extension) : albumPath) + ".swf";
}

std::string albumWindowTitle(const LanguageFile& language, const std::string& albumPathUtf8, bool changed) {
  std::string name;
  if (!albumPathUtf8.empty()) {
    std::string ansi;
    ansiFromUtf8(albumPathUtf8, &ansi);  // a lost character shows as '?', which a title can bear
    if (ansi.empty()) ansi = albumPathUtf8;
    name = fileNameOfPath(ansi);
    const std::size_t extension = std::char_traits<char>::length(albumfile::kAlbumExtension);
    if (isAlbumFileName(wideFromAnsi(name))) name.resize(name.size() - extension);
  } else if (changed) {
    name = language.lookupString("UntitledAlbum");
  } else {
    return kProgramTitle;
  }
  return name + (changed ? "*" : "") + " - " + kProgramTitle;
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

std::string albumErrorText(const LanguageFile& language, const std::string& albumPathAnsi,
                           const albumfile::AlbumFileError& error, bool writing) {
  std::string text = reasonText(language, albumReasonKey(error.kind, writing), albumPathAnsi);
  // The place: the key as the file spells it, the picture's number, the line
  // and column, each only when known.
  std::string place;
  const auto add = [&place](const std::string& part) { place += (place.empty() ? "" : ", ") + part; };
  if (!error.key.empty())
    add(formatWithText(language.lookupValue(kAlbumSection, "Key"), "\"" + error.key + "\""));
  if (error.picture > 0) add(formatWithNumber(language.lookupValue(kAlbumSection, "Picture"), error.picture));
  if (error.line > 0) {
    add(formatWithNumber(language.lookupValue(kAlbumSection, "Line"), error.line));
    add(formatWithNumber(language.lookupValue(kAlbumSection, "Column"), error.column));
  }
  if (!place.empty()) text += "\r\n" + place;
  return text;
}
