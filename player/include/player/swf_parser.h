// Reads SWF movies into plain records: the header and every tag the album
// writer produces, with unknown tags kept as raw bytes. Errors are returned
// as values; no input can make the parser read outside its buffer or
// allocate more than the input justifies.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// The tag codes the parser decodes are the writer's: swfTagEnd, swfTagShowFrame, ...
#include <swf/tag_code.h>

#include "common/result.h"

namespace player {

// Name of a tag code ("PlaceObject2"), or "Unknown" for codes not in the
// list of swf/tag_code.h.
const char* tagName(uint16_t code);

struct Rect {
  int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;  // twips
  uint8_t nbits = 0;                               // field width as stored
  bool operator==(const Rect& o) const {
    return xMin == o.xMin && xMax == o.xMax && yMin == o.yMin && yMax == o.yMax;
  }
};

// A MATRIX record. Scale and rotate/skew are 16.16 fixed point; a record
// without the scale part has scale 1.0 (0x10000), one without rotation has 0.
struct Matrix {
  bool hasScale = false;
  int32_t scaleX = 0x10000, scaleY = 0x10000;
  bool hasRotate = false;
  int32_t rotateSkew0 = 0, rotateSkew1 = 0;
  int32_t translateX = 0, translateY = 0;  // twips
  uint8_t scaleBits = 0, rotateBits = 0, translateBits = 0;
};

struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 255;
  bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

// CXFORM / CXFORMWITHALPHA. Multipliers are 8.8 fixed point (256 = 1.0).
struct ColorTransform {
  bool hasMultTerms = false, hasAddTerms = false;
  int32_t multRed = 256, multGreen = 256, multBlue = 256, multAlpha = 256;
  int32_t addRed = 0, addGreen = 0, addBlue = 0, addAlpha = 0;
  uint8_t nbits = 0;
};

struct GradientRecord {
  uint8_t ratio = 0;
  Rgba color;
};

enum FillType : uint8_t {
  kFillSolid = 0x00,
  kFillLinearGradient = 0x10,
  kFillRadialGradient = 0x12,
  kFillRepeatingBitmap = 0x40,
  kFillClippedBitmap = 0x41,
  kFillRepeatingBitmapHard = 0x42,
  kFillClippedBitmapHard = 0x43,
};

inline bool isBitmapFill(uint8_t type) { return type >= 0x40 && type <= 0x43; }
inline bool isGradientFill(uint8_t type) { return type == 0x10 || type == 0x12; }

struct FillStyle {
  uint8_t type = kFillSolid;
  Rgba color;                            // solid fills
  Matrix matrix;                         // gradient and bitmap fills
  std::vector<GradientRecord> gradient;  // gradient fills
  uint16_t bitmapId = 0;                 // bitmap fills
};

struct MorphFillStyle {
  uint8_t type = kFillSolid;
  Rgba startColor, endColor;
  Matrix startMatrix, endMatrix;
  std::vector<GradientRecord> startGradient, endGradient;
  uint16_t bitmapId = 0;
};

struct LineStyle {
  uint16_t width = 0;  // twips
  Rgba color;
};

struct MorphLineStyle {
  uint16_t startWidth = 0, endWidth = 0;
  Rgba startColor, endColor;
};

// One shape record. Coordinates are absolute twips: the pen position is
// accumulated while reading, so a consumer never has to sum deltas.
struct ShapeRecord {
  enum class Type : uint8_t { StyleChange, StraightEdge, CurvedEdge };
  Type type = Type::StyleChange;

  // StyleChange
  bool stateNewStyles = false, stateLineStyle = false, stateFillStyle1 = false, stateFillStyle0 = false,
       stateMoveTo = false;
  uint32_t fillStyle0 = 0, fillStyle1 = 0, lineStyle = 0;
  std::vector<FillStyle> newFillStyles;  // when stateNewStyles (DefineShape2/3)
  std::vector<LineStyle> newLineStyles;
  uint8_t newFillBits = 0, newLineBits = 0;

  // Edges: from (fromX, fromY) to (x, y), through (controlX, controlY) for
  // curves. A style change with a move sets (x, y) to the new pen position.
  int32_t fromX = 0, fromY = 0;
  int32_t controlX = 0, controlY = 0;
  int32_t x = 0, y = 0;
  uint8_t bits = 0;  // field width as stored (edges: NumBits + 2; moves: MoveBits)
};

struct Shape {
  std::vector<FillStyle> fillStyles;
  std::vector<LineStyle> lineStyles;
  uint8_t fillBits = 0, lineBits = 0;
  std::vector<ShapeRecord> records;  // without the end record
};

struct EndTag {};
struct ShowFrameTag {};

struct DefineShapeTag {
  uint16_t characterId = 0;
  int version = 1;  // 1, 2 or 3 (DefineShape, DefineShape2, DefineShape3)
  Rect bounds;
  Shape shape;
};

struct DefineMorphShapeTag {
  uint16_t characterId = 0;
  Rect startBounds, endBounds;
  uint32_t offset = 0;  // bytes from the end of the Offset field to the end edges
  std::vector<MorphFillStyle> fillStyles;
  std::vector<MorphLineStyle> lineStyles;
  uint8_t startFillBits = 0, startLineBits = 0;
  std::vector<ShapeRecord> startEdges;
  uint8_t endFillBits = 0, endLineBits = 0;
  std::vector<ShapeRecord> endEdges;
};

struct SetBackgroundColorTag {
  Rgba color;
};

struct Action {
  uint8_t code = 0;
  std::vector<uint8_t> data;  // payload of codes >= 0x80
};

enum ActionCode : uint8_t {
  kActionNextFrame = 0x04,
  kActionPreviousFrame = 0x05,
  kActionPlay = 0x06,
  kActionStop = 0x07,
  kActionGotoFrame = 0x81,
};

struct DoActionTag {
  std::vector<Action> actions;  // without the end flag
  bool hasEndFlag = false;
};

struct DefineSoundTag {
  uint16_t soundId = 0;
  uint8_t format = 0;  // 2 = MP3
  uint8_t rate = 0;    // 0 = 5.5 kHz, 1 = 11 kHz, 2 = 22 kHz, 3 = 44 kHz
  uint8_t size = 0;    // 1 = 16-bit
  uint8_t type = 0;    // 1 = stereo
  uint32_t sampleCount = 0;
  std::vector<uint8_t> data;  // for MP3: SeekSamples (2 bytes) then frames
};

struct SoundEnvelopePoint {
  uint32_t pos44 = 0;
  uint16_t leftLevel = 0, rightLevel = 0;
};

struct SoundInfo {
  uint8_t syncFlags = 0;  // the four leading bits: reserved(2), SyncStop, SyncNoMultiple
  bool syncStop = false, syncNoMultiple = false;
  bool hasEnvelope = false, hasLoops = false, hasOutPoint = false, hasInPoint = false;
  uint32_t inPoint = 0, outPoint = 0;
  uint16_t loopCount = 0;
  std::vector<SoundEnvelopePoint> envelope;
};

struct StartSoundTag {
  uint16_t soundId = 0;
  SoundInfo info;
};

struct SoundStreamHeadTag {
  int version = 1;  // 1 or 2 (SoundStreamHead2)
  uint8_t playbackRate = 0, playbackSize = 0, playbackType = 0;
  uint8_t compression = 0, streamRate = 0, streamSize = 0, streamType = 0;
  uint16_t sampleCount = 0;
  bool hasLatencySeek = false;
  int16_t latencySeek = 0;
};

struct DefineBitsJpeg2Tag {
  uint16_t characterId = 0;
  std::vector<uint8_t> data;  // image data as stored, possibly led by FF D9 FF D8
};

struct PlaceObject2Tag {
  bool hasClipActions = false, hasClipDepth = false, hasName = false, hasRatio = false,
       hasColorTransform = false, hasMatrix = false, hasCharacter = false, move = false;
  uint16_t depth = 0;
  uint16_t characterId = 0;
  Matrix matrix;
  ColorTransform colorTransform;
  uint16_t ratio = 0;
  std::string name;
  uint16_t clipDepth = 0;
};

struct RemoveObjectTag {
  uint16_t characterId = 0;
  uint16_t depth = 0;
};

struct RemoveObject2Tag {
  uint16_t depth = 0;
};

struct UnknownTag {
  std::vector<uint8_t> body;
};

using TagBody =
    std::variant<UnknownTag, EndTag, ShowFrameTag, DefineShapeTag, DefineMorphShapeTag, SetBackgroundColorTag,
                 DoActionTag, DefineSoundTag, StartSoundTag, SoundStreamHeadTag, DefineBitsJpeg2Tag,
                 PlaceObject2Tag, RemoveObjectTag, RemoveObject2Tag>;

struct Tag {
  uint16_t code = 0;
  uint32_t length = 0;      // body length
  bool longHeader = false;  // the header used the 6-byte form
  size_t offset = 0;        // offset of the header in the (decompressed) file
  TagBody body;
};

struct Header {
  char signature[4] = {0, 0, 0, 0};  // "FWS" or "CWS"
  bool compressed = false;
  uint8_t version = 0;
  uint32_t fileLength = 0;  // uncompressed length as declared
  Rect frameRect;
  uint16_t frameRate = 0;  // 8.8 fixed point frames per second
  uint16_t frameCount = 0;
  double framesPerSecond() const { return frameRate / 256.0; }
  // The stage's size in whole pixels (twips / 20), at least 1.
  int widthPixels() const { return std::max(1, int((int64_t(frameRect.xMax) - frameRect.xMin) / 20)); }
  int heightPixels() const { return std::max(1, int((int64_t(frameRect.yMax) - frameRect.yMin) / 20)); }
};

struct Movie {
  Header header;
  std::vector<Tag> tags;  // in file order, the End tag included when present
};

enum class ParseErrorKind {
  FileAccess,  // the file cannot be opened or read
  NotSwf,      // the data does not begin as an SWF file
  Truncated,   // the data ends before what it announces
  Damaged,     // a field holds a value that cannot be right
  TooLarge,    // larger than the parser's limits allow
  Internal,    // a library the parser uses failed to start
};

struct ParseError {
  ParseErrorKind kind = ParseErrorKind::Damaged;
  std::string message;
  size_t offset = 0;  // byte offset in the (decompressed) file where reading failed
};

// A value or an error with a message a user can act on.
template <typename T>
using Parsed = slidewright::common::Result<T, ParseError>;

struct ParseLimits {
  // Largest movie accepted: the inflated size of a "CWS" file and, for a
  // movie read from a file, the length its header declares. The screensaver
  // player holds movies to the same 512 MiB.
  size_t maxDecompressedSize = size_t(512) << 20;
};

// Parses a whole movie held in memory.
Parsed<Movie> parseMovie(const uint8_t* data, size_t size, const ParseLimits& limits = {});
Parsed<Movie> parseMovie(const std::vector<uint8_t>& bytes, const ParseLimits& limits = {});

// Reads a movie file's bytes as they are (a "CWS" file stays compressed).
// Before reading the body it checks that the path is a regular file (not a
// folder, device or pipe), that it begins with an SWF signature and that the
// length its header declares is within `limits` and, for an uncompressed
// movie, within the file. It reads no more than the declared length (or, for
// a compressed movie, than a compressed stream of that length can take), so
// what it holds is bounded by the limit whatever the file. Messages begin
// with the path.
Parsed<std::vector<uint8_t>> readMovieFile(const std::string& path, const ParseLimits& limits = {});

// Reads (as readMovieFile) and parses a movie file.
Parsed<Movie> parseMovieFile(const std::string& path, const ParseLimits& limits = {});

// Parses one complete tag (record header and body) at the start of data.
// `swfVersion` selects version-dependent layouts (clip actions). On success
// `consumed` receives the tag's total size.
Parsed<Tag> parseTag(const uint8_t* data, size_t size, int swfVersion = 4, size_t* consumed = nullptr);

// Decodes a tag body whose code and bytes are already known.
Parsed<TagBody> parseTagBody(uint16_t code, const uint8_t* body, size_t size, int swfVersion = 4);

// Convenience accessors: the body as T, or null.
template <typename T>
const T* tagAs(const Tag& tag) {
  return std::get_if<T>(&tag.body);
}

}  // namespace player
