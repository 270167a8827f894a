#include "player/swf_parser.h"

#include <zlib.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "bit_reader.h"
#include "printf_format.h"

namespace player {

const char* tagName(uint16_t code) {
  const char* name = swfTagName(code);
  return name ? name : "Unknown";
}

namespace {

// Pen positions add deltas in 32 bits; a hostile run of deltas wraps around
// instead of overflowing.
inline int32_t wrapAdd(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }

// Reads the records of one tag body. Every failure is recorded as a message;
// the first one wins.
class BodyReader {
 public:
  BodyReader(const uint8_t* data, size_t size, int version) : r(data, size), version(version) {}

  BitReader r;
  int version;
  std::string problem;

  bool ok() const { return !r.failed() && problem.empty(); }
  void complain(const std::string& message) {
    if (problem.empty()) problem = message;
    r.fail();
  }

  Rect rect() {
    Rect out;
    out.nbits = uint8_t(r.ub(5));
    out.xMin = r.sb(out.nbits);
    out.xMax = r.sb(out.nbits);
    out.yMin = r.sb(out.nbits);
    out.yMax = r.sb(out.nbits);
    r.align();
    return out;
  }

  Matrix matrix() {
    Matrix m;
    r.align();
    m.hasScale = r.ub(1);
    if (m.hasScale) {
      m.scaleBits = uint8_t(r.ub(5));
      m.scaleX = r.sb(m.scaleBits);
      m.scaleY = r.sb(m.scaleBits);
    }
    m.hasRotate = r.ub(1);
    if (m.hasRotate) {
      m.rotateBits = uint8_t(r.ub(5));
      m.rotateSkew0 = r.sb(m.rotateBits);
      m.rotateSkew1 = r.sb(m.rotateBits);
    }
    m.translateBits = uint8_t(r.ub(5));
    m.translateX = r.sb(m.translateBits);
    m.translateY = r.sb(m.translateBits);
    r.align();
    return m;
  }

  ColorTransform colorTransform(bool withAlpha) {
    ColorTransform c;
    r.align();
    c.hasAddTerms = r.ub(1);
    c.hasMultTerms = r.ub(1);
    c.nbits = uint8_t(r.ub(4));
    if (c.hasMultTerms) {
      c.multRed = r.sb(c.nbits);
      c.multGreen = r.sb(c.nbits);
      c.multBlue = r.sb(c.nbits);
      if (withAlpha) c.multAlpha = r.sb(c.nbits);
    }
    if (c.hasAddTerms) {
      c.addRed = r.sb(c.nbits);
      c.addGreen = r.sb(c.nbits);
      c.addBlue = r.sb(c.nbits);
      if (withAlpha) c.addAlpha = r.sb(c.nbits);
    }
    r.align();
    return c;
  }

  Rgba rgb() {
    Rgba c;
    c.r = r.u8();
    c.g = r.u8();
    c.b = r.u8();
    return c;
  }
  Rgba rgba() {
    Rgba c = rgb();
    c.a = r.u8();
    return c;
  }

  // Style array counts: one byte, or 0xFF followed by a 16-bit count. The
  // long form is accepted in every shape version, as writers use it there too.
  uint32_t styleCount(bool extended) {
    uint32_t n = r.u8();
    if (n == 0xFF && extended) n = r.u16();
    return n;
  }

  std::vector<GradientRecord> gradient(bool alpha) {
    std::vector<GradientRecord> out;
    uint32_t n = r.u8() & 0x0F;  // the high bits carry spread/interpolation modes
    for (uint32_t i = 0; i < n && ok(); ++i) {
      GradientRecord g;
      g.ratio = r.u8();
      g.color = alpha ? rgba() : rgb();
      out.push_back(g);
    }
    return out;
  }

  FillStyle fillStyle(int shapeVersion) {
    FillStyle f;
    f.type = r.u8();
    bool alpha = shapeVersion >= 3;
    if (f.type == kFillSolid) {
      f.color = alpha ? rgba() : rgb();
    } else if (isGradientFill(f.type)) {
      f.matrix = matrix();
      f.gradient = gradient(alpha);
    } else if (isBitmapFill(f.type)) {
      f.bitmapId = r.u16();
      f.matrix = matrix();
    } else {
      complain(formatText("unknown fill style type 0x%02X", f.type));
    }
    return f;
  }

  std::vector<FillStyle> fillStyles(int shapeVersion) {
    std::vector<FillStyle> out;
    uint32_t n = styleCount(true);
    for (uint32_t i = 0; i < n && ok(); ++i) out.push_back(fillStyle(shapeVersion));
    return out;
  }

  std::vector<LineStyle> lineStyles(int shapeVersion) {
    std::vector<LineStyle> out;
    uint32_t n = styleCount(true);
    for (uint32_t i = 0; i < n && ok(); ++i) {
      LineStyle l;
      l.width = r.u16();
      l.color = shapeVersion >= 3 ? rgba() : rgb();
      out.push_back(l);
    }
    return out;
  }

  MorphFillStyle morphFillStyle() {
    MorphFillStyle f;
    f.type = r.u8();
    if (f.type == kFillSolid) {
      f.startColor = rgba();
      f.endColor = rgba();
    } else if (isGradientFill(f.type)) {
      f.startMatrix = matrix();
      f.endMatrix = matrix();
      uint32_t n = r.u8() & 0x0F;
      for (uint32_t i = 0; i < n && ok(); ++i) {
        GradientRecord s, e;
        s.ratio = r.u8();
        s.color = rgba();
        e.ratio = r.u8();
        e.color = rgba();
        f.startGradient.push_back(s);
        f.endGradient.push_back(e);
      }
    } else if (isBitmapFill(f.type)) {
      f.bitmapId = r.u16();
      f.startMatrix = matrix();
      f.endMatrix = matrix();
    } else {
      complain(formatText("unknown morph fill style type 0x%02X", f.type));
    }
    return f;
  }

  // Shape records up to and including the end record; the pen position is
  // accumulated so that every record carries absolute coordinates.
  std::vector<ShapeRecord> shapeRecords(unsigned fillBits, unsigned lineBits, int shapeVersion) {
    std::vector<ShapeRecord> out;
    int32_t penX = 0, penY = 0;
    while (ok()) {
      if (r.remainingBits() < 6) {
        complain("shape records end without an end record");
        break;
      }
      ShapeRecord rec;
      bool isEdge = r.ub(1);
      if (!isEdge) {
        uint32_t flags = r.ub(5);
        if (flags == 0) {  // end record
          r.align();
          break;
        }
        rec.type = ShapeRecord::Type::StyleChange;
        rec.stateNewStyles = flags & 0x10;
        rec.stateLineStyle = flags & 0x08;
        rec.stateFillStyle1 = flags & 0x04;
        rec.stateFillStyle0 = flags & 0x02;
        rec.stateMoveTo = flags & 0x01;
        if (rec.stateMoveTo) {
          rec.bits = uint8_t(r.ub(5));
          penX = r.sb(rec.bits);
          penY = r.sb(rec.bits);
        }
        if (rec.stateFillStyle0) rec.fillStyle0 = r.ub(fillBits);
        if (rec.stateFillStyle1) rec.fillStyle1 = r.ub(fillBits);
        if (rec.stateLineStyle) rec.lineStyle = r.ub(lineBits);
        rec.fromX = rec.x = penX;
        rec.fromY = rec.y = penY;
        if (rec.stateNewStyles) {
          if (shapeVersion < 2) {
            complain("new styles in a shape record of a DefineShape tag");
            break;
          }
          rec.newFillStyles = fillStyles(shapeVersion);
          rec.newLineStyles = lineStyles(shapeVersion);
          rec.newFillBits = uint8_t(r.ub(4));
          rec.newLineBits = uint8_t(r.ub(4));
          fillBits = rec.newFillBits;
          lineBits = rec.newLineBits;
        }
      } else {
        bool straight = r.ub(1);
        rec.bits = uint8_t(r.ub(4) + 2);
        rec.fromX = penX;
        rec.fromY = penY;
        if (straight) {
          rec.type = ShapeRecord::Type::StraightEdge;
          bool general = r.ub(1);
          int32_t dx = 0, dy = 0;
          if (general) {
            dx = r.sb(rec.bits);
            dy = r.sb(rec.bits);
          } else if (r.ub(1)) {
            dy = r.sb(rec.bits);
          } else {
            dx = r.sb(rec.bits);
          }
          penX = wrapAdd(penX, dx);
          penY = wrapAdd(penY, dy);
          rec.controlX = int32_t((int64_t(rec.fromX) + penX) / 2);
          rec.controlY = int32_t((int64_t(rec.fromY) + penY) / 2);
        } else {
          rec.type = ShapeRecord::Type::CurvedEdge;
          int32_t cdx = r.sb(rec.bits), cdy = r.sb(rec.bits);
          int32_t adx = r.sb(rec.bits), ady = r.sb(rec.bits);
          rec.controlX = wrapAdd(penX, cdx);
          rec.controlY = wrapAdd(penY, cdy);
          penX = wrapAdd(rec.controlX, adx);
          penY = wrapAdd(rec.controlY, ady);
        }
        rec.x = penX;
        rec.y = penY;
      }
      if (ok()) out.push_back(std::move(rec));
    }
    return out;
  }
};

Parsed<TagBody> fail(const BodyReader& b, uint16_t code) {
  std::string why = b.problem.empty() ? "body ends early" : b.problem;
  return ParseError{ParseErrorKind::Damaged,
                    formatText("%s tag: %s (read %zu bytes)", tagName(code), why.c_str(), b.r.position()),
                    b.r.position()};
}

// What a tag's reader is given: the reader over its body, and the code and
// raw bytes for the tags that need them. A reader returns the decoded body;
// what it returns after a complaint is discarded.
struct TagInput {
  BodyReader& b;
  uint16_t code;
  const uint8_t* body;
  size_t size;
};

TagBody readEnd(TagInput&) { return EndTag{}; }

TagBody readShowFrame(TagInput&) { return ShowFrameTag{}; }

TagBody readDefineShape(TagInput& in) {
  BodyReader& b = in.b;
  DefineShapeTag t;
  t.version = in.code == swfTagDefineShape ? 1 : in.code == swfTagDefineShape2 ? 2 : 3;
  t.characterId = b.r.u16();
  t.bounds = b.rect();
  t.shape.fillStyles = b.fillStyles(t.version);
  t.shape.lineStyles = b.lineStyles(t.version);
  t.shape.fillBits = uint8_t(b.r.ub(4));
  t.shape.lineBits = uint8_t(b.r.ub(4));
  t.shape.records = b.shapeRecords(t.shape.fillBits, t.shape.lineBits, t.version);
  return t;
}

TagBody readDefineMorphShape(TagInput& in) {
  BodyReader& b = in.b;
  BitReader& r = b.r;
  DefineMorphShapeTag t;
  t.characterId = r.u16();
  t.startBounds = b.rect();
  t.endBounds = b.rect();
  t.offset = r.u32();
  size_t offsetBase = r.position();
  if (b.ok() && (t.offset > in.size - offsetBase)) {
    b.complain(formatText("end edges offset %u points past the end of the tag", t.offset));
    return t;
  }
  uint32_t nFills = b.styleCount(true);
  for (uint32_t i = 0; i < nFills && b.ok(); ++i) t.fillStyles.push_back(b.morphFillStyle());
  uint32_t nLines = b.styleCount(true);
  for (uint32_t i = 0; i < nLines && b.ok(); ++i) {
    MorphLineStyle l;
    l.startWidth = r.u16();
    l.endWidth = r.u16();
    l.startColor = b.rgba();
    l.endColor = b.rgba();
    t.lineStyles.push_back(l);
  }
  t.startFillBits = uint8_t(r.ub(4));
  t.startLineBits = uint8_t(r.ub(4));
  t.startEdges = b.shapeRecords(t.startFillBits, t.startLineBits, 1);
  if (!b.ok()) return t;
  // The end edges start where the offset says, wherever the start edges ended.
  BodyReader e(in.body + offsetBase + t.offset, in.size - offsetBase - t.offset, b.version);
  t.endFillBits = uint8_t(e.r.ub(4));
  t.endLineBits = uint8_t(e.r.ub(4));
  t.endEdges = e.shapeRecords(t.endFillBits, t.endLineBits, 1);
  if (!e.ok()) b.complain("end edges: " + (e.problem.empty() ? std::string("body ends early") : e.problem));
  return t;
}

TagBody readSetBackgroundColor(TagInput& in) {
  SetBackgroundColorTag t;
  t.color = in.b.rgb();
  return t;
}

TagBody readDoAction(TagInput& in) {
  BodyReader& b = in.b;
  BitReader& r = b.r;
  DoActionTag t;
  while (b.ok() && r.remaining() > 0) {
    Action a;
    a.code = r.u8();
    if (a.code == 0) {
      t.hasEndFlag = true;
      break;
    }
    if (a.code >= 0x80) {
      uint16_t len = r.u16();
      const uint8_t* p = r.bytes(len);
      if (!p) {
        b.complain(formatText("action 0x%02X claims %u bytes past the end of the tag", a.code, len));
        break;
      }
      a.data.assign(p, p + len);
    }
    t.actions.push_back(std::move(a));
  }
  return t;
}

TagBody readDefineSound(TagInput& in) {
  BitReader& r = in.b.r;
  DefineSoundTag t;
  t.soundId = r.u16();
  t.format = uint8_t(r.ub(4));
  t.rate = uint8_t(r.ub(2));
  t.size = uint8_t(r.ub(1));
  t.type = uint8_t(r.ub(1));
  t.sampleCount = r.u32();
  if (in.b.ok()) t.data.assign(r.current(), r.current() + r.remaining());
  return t;
}

TagBody readStartSound(TagInput& in) {
  BodyReader& b = in.b;
  BitReader& r = b.r;
  StartSoundTag t;
  t.soundId = r.u16();
  SoundInfo& s = t.info;
  s.syncFlags = uint8_t(r.ub(4));
  s.syncStop = s.syncFlags & 2;
  s.syncNoMultiple = s.syncFlags & 1;
  s.hasEnvelope = r.ub(1);
  s.hasLoops = r.ub(1);
  s.hasOutPoint = r.ub(1);
  s.hasInPoint = r.ub(1);
  if (s.hasInPoint) s.inPoint = r.u32();
  if (s.hasOutPoint) s.outPoint = r.u32();
  if (s.hasLoops) s.loopCount = r.u16();
  if (s.hasEnvelope) {
    uint32_t n = r.u8();
    for (uint32_t i = 0; i < n && b.ok(); ++i) {
      SoundEnvelopePoint p;
      p.pos44 = r.u32();
      p.leftLevel = r.u16();
      p.rightLevel = r.u16();
      s.envelope.push_back(p);
    }
  }
  return t;
}

TagBody readSoundStreamHead(TagInput& in) {
  BitReader& r = in.b.r;
  SoundStreamHeadTag t;
  t.version = in.code == swfTagSoundStreamHead ? 1 : 2;
  r.ub(4);
  t.playbackRate = uint8_t(r.ub(2));
  t.playbackSize = uint8_t(r.ub(1));
  t.playbackType = uint8_t(r.ub(1));
  t.compression = uint8_t(r.ub(4));
  t.streamRate = uint8_t(r.ub(2));
  t.streamSize = uint8_t(r.ub(1));
  t.streamType = uint8_t(r.ub(1));
  t.sampleCount = r.u16();
  // The latency field follows only for MP3 streams, and some writers omit it.
  if (t.compression == 2 && r.remaining() >= 2) {
    t.hasLatencySeek = true;
    t.latencySeek = int16_t(r.u16());
  }
  return t;
}

TagBody readDefineBitsJpeg2(TagInput& in) {
  BitReader& r = in.b.r;
  DefineBitsJpeg2Tag t;
  t.characterId = r.u16();
  if (in.b.ok()) t.data.assign(r.current(), r.current() + r.remaining());
  return t;
}

TagBody readPlaceObject2(TagInput& in) {
  BodyReader& b = in.b;
  BitReader& r = b.r;
  PlaceObject2Tag t;
  uint8_t flags = r.u8();
  t.hasClipActions = flags & 0x80;
  t.hasClipDepth = flags & 0x40;
  t.hasName = flags & 0x20;
  t.hasRatio = flags & 0x10;
  t.hasColorTransform = flags & 0x08;
  t.hasMatrix = flags & 0x04;
  t.hasCharacter = flags & 0x02;
  t.move = flags & 0x01;
  t.depth = r.u16();
  if (t.hasCharacter) t.characterId = r.u16();
  if (t.hasMatrix) t.matrix = b.matrix();
  if (t.hasColorTransform) t.colorTransform = b.colorTransform(true);
  if (t.hasRatio) t.ratio = r.u16();
  if (t.hasName) {
    size_t n = 0;
    const uint8_t* p = r.current();
    while (n < r.remaining() && p[n] != 0) ++n;
    if (n == r.remaining()) {
      b.complain("object name is not terminated");
      return t;
    }
    t.name.assign(reinterpret_cast<const char*>(p), n);
    r.bytes(n + 1);
  }
  if (t.hasClipDepth) t.clipDepth = r.u16();
  // Clip actions (button-like event handlers) are not played; their bytes
  // are left unread.
  return t;
}

TagBody readRemoveObject(TagInput& in) {
  RemoveObjectTag t;
  t.characterId = in.b.r.u16();
  t.depth = in.b.r.u16();
  return t;
}

TagBody readRemoveObject2(TagInput& in) {
  RemoveObject2Tag t;
  t.depth = in.b.r.u16();
  return t;
}

// The reader of each tag the parser decodes; any other tag is kept as bytes.
struct TagReader {
  SwfTagCode code;
  TagBody (*read)(TagInput&);
};

constexpr TagReader tagReaders[] = {
    {swfTagEnd, readEnd},
    {swfTagShowFrame, readShowFrame},
    {swfTagDefineShape, readDefineShape},
    {swfTagRemoveObject, readRemoveObject},
    {swfTagSetBackgroundColor, readSetBackgroundColor},
    {swfTagDoAction, readDoAction},
    {swfTagDefineSound, readDefineSound},
    {swfTagStartSound, readStartSound},
    {swfTagSoundStreamHead, readSoundStreamHead},
    {swfTagDefineBitsJpeg2, readDefineBitsJpeg2},
    {swfTagDefineShape2, readDefineShape},
    {swfTagPlaceObject2, readPlaceObject2},
    {swfTagRemoveObject2, readRemoveObject2},
    {swfTagDefineShape3, readDefineShape},
    {swfTagSoundStreamHead2, readSoundStreamHead},
    {swfTagDefineMorphShape, readDefineMorphShape},
};

}  // namespace

Parsed<TagBody> parseTagBody(uint16_t code, const uint8_t* body, size_t size, int swfVersion) {
  const TagReader* reader = std::find_if(std::begin(tagReaders), std::end(tagReaders),
                                         [code](const TagReader& entry) { return entry.code == code; });
  if (reader == std::end(tagReaders)) return TagBody(UnknownTag{std::vector<uint8_t>(body, body + size)});
  BodyReader b(body, size, swfVersion);
  TagInput in{b, code, body, size};
  TagBody out = reader->read(in);
  if (!b.ok()) return fail(b, code);
  return out;
}

Parsed<Tag> parseTag(const uint8_t* data, size_t size, int swfVersion, size_t* consumed) {
  if (size < 2) return ParseError{ParseErrorKind::Truncated, "tag header ends early", 0};
  uint16_t word = uint16_t(data[0] | (data[1] << 8));
  Tag tag;
  tag.code = word >> 6;
  uint32_t length = word & 0x3F;
  size_t headerSize = 2;
  if (length == 0x3F) {
    if (size < 6) return ParseError{ParseErrorKind::Truncated, "long tag header ends early", 2};
    length =
        uint32_t(data[2]) | (uint32_t(data[3]) << 8) | (uint32_t(data[4]) << 16) | (uint32_t(data[5]) << 24);
    headerSize = 6;
    tag.longHeader = true;
  }
  tag.length = length;
  if (length > size - headerSize) {
    return ParseError{ParseErrorKind::Truncated,
                      formatText("%s tag (code %u) claims %u bytes but only %zu remain", tagName(tag.code),
                                 tag.code, length, size - headerSize),
                      headerSize};
  }
  Parsed<TagBody> body = parseTagBody(tag.code, data + headerSize, length, swfVersion);
  if (!body) {
    ParseError e = body.error();
    e.offset += headerSize;
    return e;
  }
  tag.body = std::move(body).value();
  if (consumed) *consumed = headerSize + length;
  return tag;
}

namespace {

Parsed<std::vector<uint8_t>> inflateBody(const uint8_t* data, size_t size, size_t expected) {
  // The buffer grows with what actually inflates (doubling, up to the declared
  // length), so a tiny file declaring a huge length allocates little.
  std::vector<uint8_t> out(std::min(expected, std::max<size_t>(size_t(1) << 16, size * 4)));
  z_stream zs;
  std::memset(&zs, 0, sizeof zs);
  if (inflateInit(&zs) != Z_OK) return ParseError{ParseErrorKind::Internal, "cannot initialise zlib", 8};
  size_t inPos = 0, outPos = 0;
  int rc = Z_OK;
  while (outPos < expected) {
    if (outPos == out.size()) out.resize(std::min(expected, out.size() * 2));
    // zlib counts in 32-bit units; feed and drain in slices.
    size_t inSlice = std::min<size_t>(size - inPos, 1u << 30);
    size_t outSlice = std::min<size_t>(out.size() - outPos, 1u << 30);
    zs.next_in = const_cast<Bytef*>(data + inPos);
    zs.avail_in = uInt(inSlice);
    zs.next_out = out.data() + outPos;
    zs.avail_out = uInt(outSlice);
    rc = inflate(&zs, Z_NO_FLUSH);
    inPos += inSlice - zs.avail_in;
    outPos += outSlice - zs.avail_out;
    if (rc == Z_STREAM_END) break;
    if (rc == Z_BUF_ERROR && zs.avail_out != 0) break;  // input exhausted
    if (rc != Z_OK && rc != Z_BUF_ERROR) break;
    rc = Z_OK;
  }
  inflateEnd(&zs);
  if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
    return ParseError{ParseErrorKind::Damaged,
                      formatText("compressed data is damaged (zlib error %d after %zu bytes)", rc, outPos),
                      8};
  if (outPos < expected)
    return ParseError{ParseErrorKind::Truncated,
                      formatText("compressed data ends after %zu of %zu bytes", outPos, expected), 8};
  return out;
}

}  // namespace

Parsed<Movie> parseMovie(const uint8_t* data, size_t size, const ParseLimits& limits) {
  if (size < 8) return ParseError{ParseErrorKind::Truncated, "file too short for an SWF header", 0};
  Movie movie;
  Header& h = movie.header;
  std::memcpy(h.signature, data, 3);
  if (std::memcmp(data, "FWS", 3) == 0) {
    h.compressed = false;
  } else if (std::memcmp(data, "CWS", 3) == 0) {
    h.compressed = true;
  } else {
    return ParseError{ParseErrorKind::NotSwf, "not an SWF file (signature is neither FWS nor CWS)", 0};
  }
  h.version = data[3];
  h.fileLength =
      uint32_t(data[4]) | (uint32_t(data[5]) << 8) | (uint32_t(data[6]) << 16) | (uint32_t(data[7]) << 24);
  if (h.fileLength < 8 + 5) {
    return ParseError{ParseErrorKind::Damaged,
                      formatText("declared file length %u is too small", h.fileLength), 4};
  }

  // The whole uncompressed file: header bytes followed by the (inflated) rest.
  std::vector<uint8_t> inflated;
  const uint8_t* file = data;
  size_t fileSize = size;
  if (h.compressed) {
    size_t expected = h.fileLength - 8;
    if (expected > limits.maxDecompressedSize) {
      return ParseError{ParseErrorKind::TooLarge,
                        formatText("declared length %u exceeds the %zu-byte limit", h.fileLength,
                                   limits.maxDecompressedSize),
                        4};
    }
    Parsed<std::vector<uint8_t>> body = inflateBody(data + 8, size - 8, expected);
    if (!body) return body.error();
    inflated.resize(8);
    std::memcpy(inflated.data(), data, 8);
    inflated.insert(inflated.end(), body.value().begin(), body.value().end());
    file = inflated.data();
    fileSize = inflated.size();
  } else if (h.fileLength > size) {
    return ParseError{
        ParseErrorKind::Truncated,
        formatText("file is truncated: header declares %u bytes, file has %zu", h.fileLength, size), 4};
  } else {
    fileSize = h.fileLength;  // trailing bytes beyond the declared length are ignored
  }

  BodyReader hr(file + 8, fileSize - 8, h.version);
  h.frameRect = hr.rect();
  h.frameRate = hr.r.u16();
  h.frameCount = hr.r.u16();
  if (!hr.ok()) return ParseError{ParseErrorKind::Truncated, "SWF header ends early", 8 + hr.r.position()};

  size_t pos = 8 + hr.r.position();
  bool sawEnd = false;
  while (pos < fileSize) {
    size_t consumed = 0;
    Parsed<Tag> tag = parseTag(file + pos, fileSize - pos, h.version, &consumed);
    if (!tag) {
      ParseError e = tag.error();
      e.message = formatText("at offset %zu: %s", pos, e.message.c_str());
      e.offset += pos;
      return e;
    }
    tag.value().offset = pos;
    pos += consumed;
    bool end = tag.value().code == swfTagEnd;
    movie.tags.push_back(std::move(tag).value());
    if (end) {
      sawEnd = true;
      break;
    }
  }
  if (!sawEnd) return ParseError{ParseErrorKind::Truncated, "movie ends without an End tag", pos};
  return movie;
}

Parsed<Movie> parseMovie(const std::vector<uint8_t>& bytes, const ParseLimits& limits) {
  return parseMovie(bytes.data(), bytes.size(), limits);
}

}  // namespace player
