#include "albumfile/album_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include <nlohmann/json.hpp>

#include "album/transition_names.h"
#include "album_paths.h"
#include "common/utf8_path.h"
#include "located_json.h"
#include "maker/album_maker.h"

namespace slidewright::albumfile {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Kind = AlbumFileErrorKind;

const char* const kVersionKey = "slidewright-album";
const char* const kAlbumKeys[] = {kVersionKey, "width", "height", "background", "seconds", "loop",
                                  "fade-out",  "music", "output", "pictures",   "seed"};
const char* const kPictureKeys[] = {"file", "transition", "seconds", "motion", "caption"};

// Largest seed a file holds, as the command line's --seed.
constexpr int kMaxAlbumSeed = 999999999;

// Album files are small: a thousand pictures take about 100 kB.
constexpr std::uintmax_t kMaxAlbumFileBytes = 16 * 1024 * 1024;

// A picture may hold for no time at all; the album's hold is what the
// command line's seconds per picture takes.
constexpr int kMinPictureSeconds = 0;

template <std::size_t N>
std::string keyList(const char* const (&keys)[N]) {
  std::string list;
  for (const char* key : keys) list += (list.empty() ? "" : ", ") + std::string(key);
  return list;
}

// A value as the message quotes it, shortened when long.
std::string shown(const json& value) {
  std::string text = value.dump();
  if (text.size() > 40) text = text.substr(0, 37) + "...";
  return text;
}

std::string typeName(const json& value) {
  if (value.is_number_integer()) return "a whole number";
  if (value.is_number()) return "a number with a fraction";
  if (value.is_string()) return "a string";
  if (value.is_boolean()) return "true or false";
  if (value.is_array()) return "a list";
  if (value.is_object()) return "an object";
  return "null";
}

AlbumFileError refusal(Kind kind, const std::string& key, int picture, TextPlace place,
                       const std::string& what) {
  AlbumFileError error;
  error.kind = kind;
  error.key = key;
  error.picture = picture;
  error.line = place.line;
  error.column = place.column;
  error.message = (picture ? "picture " + std::to_string(picture) + ": " : std::string()) + what;
  if (error.line)
    error.message +=
        " (line " + std::to_string(error.line) + ", column " + std::to_string(error.column) + ")";
  return error;
}

// Checks the values of one object (the album, or picture `picture`) and
// makes each refusal name the key, the picture and the key's place.
class ObjectReader {
 public:
  ObjectReader(const json& object, const KeyPlaces& places, int picture)
      : object_(object), places_(places), picture_(picture) {}

  AlbumFileError refuse(Kind kind, const std::string& key, const std::string& what) const {
    const auto at = places_.find(key);
    return refusal(kind, key, picture_, at != places_.end() ? at->second : TextPlace{}, what);
  }

  template <std::size_t N>
  std::optional<AlbumFileError> unknownKey(const char* const (&known)[N], const char* holder) const {
    for (const auto& item : object_.items()) {
      bool found = false;
      for (const char* key : known) found = found || item.key() == key;
      if (!found)
        return refuse(Kind::UnknownKey, item.key(),
                      "unknown key \"" + item.key() + "\" (" + holder + " has " + keyList(known) + ")");
    }
    return std::nullopt;
  }

  const json* find(const char* key) const {
    const auto at = object_.find(key);
    return at == object_.end() ? nullptr : &*at;
  }

  std::optional<AlbumFileError> wholeNumber(const char* key, int low, int high, int& out) const {
    const json* value = find(key);
    if (!value) return std::nullopt;
    const std::string range = " from " + std::to_string(low) + " to " + std::to_string(high);
    if (!value->is_number_integer())
      return refuse(
          Kind::WrongType, key,
          "\"" + std::string(key) + "\" must be a whole number" + range + ", not " + typeName(*value));
    // Past the largest signed number only as an unsigned one.
    const bool huge = value->is_number_unsigned() && value->get<std::uint64_t>() > std::uint64_t(high);
    const auto number = huge ? std::int64_t(high) + 1 : value->get<std::int64_t>();
    if (number < low || number > high)
      return refuse(Kind::OutOfRange, key,
                    "\"" + std::string(key) + "\" must be" + range + ", not " + shown(*value));
    out = static_cast<int>(number);
    return std::nullopt;
  }

  // A string that must not be empty; nothing when the key is absent.
  std::optional<AlbumFileError> text(const char* key, const char* what, std::string& out) const {
    const json* value = find(key);
    if (!value) return std::nullopt;
    if (!value->is_string())
      return refuse(Kind::WrongType, key,
                    "\"" + std::string(key) + "\" must be " + what + " in quotes, not " + typeName(*value));
    out = value->get<std::string>();
    if (out.empty()) return refuse(Kind::OutOfRange, key, "\"" + std::string(key) + "\" is empty");
    return std::nullopt;
  }

 private:
  const json& object_;
  const KeyPlaces& places_;
  int picture_;
};

std::string colourText(media::Rgb colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.r, colour.g, colour.b);
  return text;
}

std::optional<AlbumFileError> readVersion(const ObjectReader& album) {
  const json* version = album.find(kVersionKey);
  if (!version)
    return album.refuse(Kind::MissingKey, kVersionKey,
                        "not a Slidewright album: the key \"" + std::string(kVersionKey) + "\" is missing");
  if (!version->is_number_integer())
    return album.refuse(
        Kind::WrongType, kVersionKey,
        "\"" + std::string(kVersionKey) + "\" must be the format's number, not " + typeName(*version));
  if (version->is_number_unsigned() && version->get<std::uint64_t>() > std::uint64_t(kAlbumFormatVersion))
    return album.refuse(Kind::NewerVersion, kVersionKey,
                        "the album is in format " + shown(*version) +
                            ", which needs a newer Slidewright (this one reads format " +
                            std::to_string(kAlbumFormatVersion) + ")");
  if (version->get<std::int64_t>() != kAlbumFormatVersion)
    return album.refuse(Kind::OutOfRange, kVersionKey,
                        "\"" + std::string(kVersionKey) + "\" must be " +
                            std::to_string(kAlbumFormatVersion) + ", not " + shown(*version));
  return std::nullopt;
}

std::optional<AlbumFileError> readSettings(const ObjectReader& album, const std::string& folder,
                                           AlbumDocument& doc) {
  if (auto bad = album.wholeNumber("width", maker::kMinWidth, maker::kMaxWidth, doc.width)) return bad;
  if (auto bad = album.wholeNumber("height", maker::kMinHeight, maker::kMaxHeight, doc.height)) return bad;
  if (auto bad = album.wholeNumber("seconds", 0, maker::kLongestPause, doc.seconds)) return bad;
  if (auto bad = album.wholeNumber("seed", 0, kMaxAlbumSeed, doc.seed)) return bad;
  std::string colour;
  if (auto bad = album.text("background", "a colour #rrggbb", colour)) return bad;
  if (!colour.empty()) {
    const auto rgb = maker::parseColour(colour);
    if (!rgb)
      return album.refuse(Kind::OutOfRange, "background",
                          "\"background\" must be a colour #rrggbb, not \"" + colour + "\"");
    doc.background = *rgb;
  }
  if (const json* loop = album.find("loop")) {
    if (!loop->is_boolean())
      return album.refuse(Kind::WrongType, "loop", "\"loop\" must be true or false, not " + typeName(*loop));
    doc.loop = loop->get<bool>();
  }
  if (auto bad = album.wholeNumber("fade-out", 0, maker::kLongestFadeOut, doc.fadeOutSeconds)) return bad;
  if (auto bad = album.text("music", "a file name", doc.music)) return bad;
  if (auto bad = album.text("output", "a file name", doc.output)) return bad;
  if (!doc.music.empty()) doc.music = resolveAlbumPath(doc.music, folder);
  if (!doc.output.empty()) doc.output = resolveAlbumPath(doc.output, folder);
  return std::nullopt;
}

// A picture's "motion": a name, or {"start": [x, y, w, h], "end": [...]}.
std::optional<AlbumFileError> readMotion(const ObjectReader& picture, const json& value, Motion& out) {
  if (value.is_string()) {
    const auto kind = motionFromName(value.get<std::string>());
    if (!kind)
      return picture.refuse(Kind::OutOfRange, "motion",
                            "\"motion\" must be one of " + motionNameList() +
                                " or {\"start\": [x, y, w, h], "
                                "\"end\": [...]}, not \"" +
                                value.get<std::string>() + "\"");
    out = Motion{};
    out.kind = *kind;
    return std::nullopt;
  }
  const auto rect = [](const json* v, MotionRect& r) {
    if (!v || !v->is_array() || v->size() != 4) return false;
    for (const json& n : *v)
      if (!n.is_number()) return false;
    r = MotionRect{(*v)[0].get<double>(), (*v)[1].get<double>(), (*v)[2].get<double>(),
                   (*v)[3].get<double>()};
    return true;
  };
  Motion m;
  m.kind = MotionKind::Explicit;
  const bool shaped = value.is_object() && value.size() == 2 &&
                      rect(value.contains("start") ? &value["start"] : nullptr, m.start) &&
                      rect(value.contains("end") ? &value["end"] : nullptr, m.end);
  if (!shaped)
    return picture.refuse(
        Kind::WrongType, "motion",
        "\"motion\" must be a motion name or {\"start\": [x, y, w, h], \"end\": [x, y, w, h]}, "
        "not " +
            typeName(value));
  std::string why = checkMotionRect(m.start);
  if (why.empty()) why = checkMotionRect(m.end);
  if (!why.empty()) return picture.refuse(Kind::OutOfRange, "motion", "\"motion\": " + why);
  out = m;
  return std::nullopt;
}

std::optional<AlbumFileError> readPicture(const ObjectReader& picture, const std::string& folder,
                                          AlbumFilePicture& out) {
  if (auto bad = picture.unknownKey(kPictureKeys, "a picture")) return bad;
  if (!picture.find("file")) return picture.refuse(Kind::MissingKey, "file", "the key \"file\" is missing");
  if (auto bad = picture.text("file", "a file name", out.file)) return bad;
  out.file = resolveAlbumPath(out.file, folder);
  std::string name;
  if (auto bad = picture.text("transition", "a transition name", name)) return bad;
  if (!name.empty()) {
    const auto index = transitionFromKeyword(name);
    if (!index)
      return picture.refuse(
          Kind::OutOfRange, "transition",
          "\"transition\" must be one of " + keyList(kTransitionKeywords) + ", not \"" + name + "\"");
    out.transition = *index;
  }
  if (const json* motion = picture.find("motion")) {
    if (auto bad = readMotion(picture, *motion, out.motion)) return bad;
  }
  int seconds = 0;
  if (picture.find("seconds")) {
    if (auto bad = picture.wholeNumber("seconds", kMinPictureSeconds, maker::kLongestPause, seconds))
      return bad;
    out.seconds = seconds;
  }
  if (auto bad = picture.text("caption", "a text", out.caption)) return bad;
  return std::nullopt;
}

std::optional<AlbumFileError> readPictures(const ObjectReader& album, const LocatedJson& located,
                                           const std::string& folder, AlbumDocument& doc) {
  const json* pictures = album.find("pictures");
  if (!pictures) return std::nullopt;
  if (!pictures->is_array())
    return album.refuse(Kind::WrongType, "pictures",
                        "\"pictures\" must be a list [...] of pictures, not " + typeName(*pictures));
  static const KeyPlaces kNoPlaces;
  for (std::size_t k = 0; k < pictures->size(); ++k) {
    const json& entry = (*pictures)[k];
    const KeyPlaces& places = k < located.elementKeys.size() ? located.elementKeys[k] : kNoPlaces;
    const ObjectReader picture(entry, places, static_cast<int>(k + 1));
    if (!entry.is_object())
      return picture.refuse(Kind::WrongType, "",
                            "a picture must be an object {\"file\": ...}, not " + typeName(entry));
    AlbumFilePicture read;
    if (auto bad = readPicture(picture, folder, read)) return bad;
    doc.pictures.push_back(std::move(read));
  }
  return std::nullopt;
}

AlbumFileError syntaxError(const JsonSyntaxError& syntax) {
  AlbumFileError error;
  error.kind = Kind::Syntax;
  error.key = syntax.key;
  error.picture = syntax.element;
  error.line = syntax.place.line;
  error.column = syntax.place.column;
  error.message = (syntax.element ? "picture " + std::to_string(syntax.element) + ": " : std::string()) +
                  "line " + std::to_string(error.line) + ", column " + std::to_string(error.column) + ": " +
                  syntax.what;
  return error;
}

AlbumFileError fileError(const std::string& path, const std::string& what) {
  AlbumFileError error;
  error.kind = Kind::FileAccess;
  error.message = path + ": " + what;
  return error;
}

std::string reason(int error) { return error ? std::strerror(error) : "unknown error"; }

// A name beside path that no file has yet, for staging the new file.
std::string freeNameBeside(const std::string& path) {
  std::error_code ec;
  std::string name = path + ".part";
  for (int n = 1; fs::exists(pathFromUtf8(name), ec) && n < 1000; ++n)
    name = path + "." + std::to_string(n) + ".part";
  return name;
}

// The first path or caption that is not UTF-8 text, which the file cannot hold (and
// which would be no file name on Windows).
std::optional<AlbumFileError> nonUtf8Path(const AlbumDocument& album) {
  const auto refuse = [](const char* key, int picture) {
    return refusal(Kind::WrongType, key, picture, {}, "\"" + std::string(key) + "\" is not UTF-8 text");
  };
  if (!isUtf8(album.music)) return refuse("music", 0);
  if (!isUtf8(album.output)) return refuse("output", 0);
  for (std::size_t k = 0; k < album.pictures.size(); ++k) {
    if (!isUtf8(album.pictures[k].file)) return refuse("file", static_cast<int>(k + 1));
    if (!isUtf8(album.pictures[k].caption)) return refuse("caption", static_cast<int>(k + 1));
  }
  return std::nullopt;
}

}  // namespace

AlbumFileResult<AlbumDocument> parseAlbum(const std::string& bytes, const std::string& albumFolder) {
  auto parsed = parseLocatedJson(bytes, "pictures");
  if (auto* syntax = std::get_if<JsonSyntaxError>(&parsed)) return syntaxError(*syntax);
  const LocatedJson& located = std::get<LocatedJson>(parsed);
  const ObjectReader album(located.value, located.topKeys, 0);
  if (!located.value.is_object())
    return album.refuse(Kind::WrongType, "",
                        "an album file holds one object {\"" + std::string(kVersionKey) + "\": ...}, not " +
                            typeName(located.value));
  // The version first: a newer format may have keys this one does not know.
  if (auto bad = readVersion(album)) return *bad;
  if (auto bad = album.unknownKey(kAlbumKeys, "an album")) return *bad;
  AlbumDocument doc;
  if (auto bad = readSettings(album, albumFolder, doc)) return *bad;
  if (auto bad = readPictures(album, located, albumFolder, doc)) return *bad;
  return doc;
}

AlbumFileResult<std::string> formatAlbum(const AlbumDocument& album, const std::string& albumFolder) {
  if (auto bad = nonUtf8Path(album)) return *bad;
  const auto written = [&](const std::string& path) {
    return path.empty() ? path : relativeAlbumPath(path, albumFolder);
  };
  nlohmann::ordered_json file;
  file[kVersionKey] = kAlbumFormatVersion;
  file["width"] = album.width;
  file["height"] = album.height;
  file["background"] = colourText(album.background);
  file["seconds"] = album.seconds;
  file["loop"] = album.loop;
  // Written only when there is a fade, so an album without one keeps its file.
  if (album.fadeOutSeconds != 0) file["fade-out"] = album.fadeOutSeconds;
  if (!album.music.empty()) file["music"] = written(album.music);
  if (!album.output.empty()) file["output"] = written(album.output);
  if (album.seed != 0) file["seed"] = album.seed;
  file["pictures"] = nlohmann::ordered_json::array();
  for (const AlbumFilePicture& picture : album.pictures) {
    nlohmann::ordered_json entry;
    entry["file"] = written(picture.file);
    const char* transition = transitionKeyword(picture.transition);
    entry["transition"] = transition ? transition : std::to_string(picture.transition);
    if (picture.seconds) entry["seconds"] = *picture.seconds;
    if (picture.motion.kind == MotionKind::Explicit) {
      const auto array = [](const MotionRect& r) {
        return nlohmann::ordered_json::array({r.x, r.y, r.w, r.h});
      };
      entry["motion"] = {{"start", array(picture.motion.start)}, {"end", array(picture.motion.end)}};
    } else if (picture.motion.moves()) {
      entry["motion"] = motionName(picture.motion.kind);
    }
    // Written only when there is one, so an album without captions keeps its file.
    if (!picture.caption.empty()) entry["caption"] = picture.caption;
    file["pictures"].push_back(std::move(entry));
  }
  const std::string bytes = file.dump(2) + "\n";
  // What is written must read back: a value out of range is refused now,
  // not when the album is opened again.
  if (auto check = parseAlbum(bytes, {}); !check) return check.error();
  return bytes;
}

std::string albumFolderOf(const std::string& albumPath) { return folderOf(albumPath); }

AlbumFileResult<AlbumDocument> readAlbumFile(const std::string& albumPath) {
  if (!isUtf8(albumPath)) return fileError(albumPath, "the file name is not UTF-8 text");
  std::error_code ec;
  const fs::path path = pathFromUtf8(albumPath);
  if (fs::is_directory(path, ec)) return fileError(albumPath, "is a folder, not an album file");
  const std::uintmax_t size = fs::file_size(path, ec);
  if (!ec && size > kMaxAlbumFileBytes) return fileError(albumPath, "too large to be an album file");
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) return fileError(albumPath, "cannot be opened (" + reason(errno) + ")");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return fileError(albumPath, "cannot be read to its end");
  auto album = parseAlbum(bytes, folderOf(albumPath));
  if (!album) {
    AlbumFileError error = album.error();
    error.message = albumPath + ": " + error.message;
    return error;
  }
  return album;
}

AlbumFileResult<std::monostate> writeAlbumFile(const std::string& albumPath, const AlbumDocument& album) {
  if (!isUtf8(albumPath)) return fileError(albumPath, "the file name is not UTF-8 text");
  auto bytes = formatAlbum(album, folderOf(albumPath));
  if (!bytes) {
    AlbumFileError error = bytes.error();
    error.message = albumPath + ": " + error.message;
    return error;
  }
  std::error_code ec;
  if (fs::is_directory(pathFromUtf8(albumPath), ec))
    return fileError(albumPath, "is a folder, not an album file");
  const std::string staging = freeNameBeside(albumPath);
  {
    errno = 0;
    std::ofstream out(pathFromUtf8(staging), std::ios::binary | std::ios::trunc);
    if (!out) return fileError(albumPath, "cannot write in its folder (" + reason(errno) + ")");
    out.write(bytes.value().data(), static_cast<std::streamsize>(bytes.value().size()));
    out.close();
    if (!out) {
      fs::remove(pathFromUtf8(staging), ec);
      return fileError(albumPath, "could not be written completely (is the disk full?)");
    }
  }
  fs::rename(pathFromUtf8(staging), pathFromUtf8(albumPath), ec);
  if (ec) {
    const std::string why = ec.message();
    fs::remove(pathFromUtf8(staging), ec);
    return fileError(albumPath, "cannot put the album in place (" + why + "); is the old one read-only?");
  }
  return std::monostate{};
}

}  // namespace slidewright::albumfile
