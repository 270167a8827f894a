#include "media/caption_text.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <utility>

#include "common/utf8_text.h"
#include "media/picture.h"

namespace slidewright::media {

namespace {

constexpr char32_t kEllipsis = 0x2026;

bool isWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// Punctuation that must not begin a line of Chinese text.
bool closesText(char32_t c) {
  static const char32_t kClosing[] = U"，。、！？；：）」』》〉】〕…·%,.!?;:)]}";
  return std::char_traits<char32_t>::find(kClosing, std::char_traits<char32_t>::length(kClosing), c) !=
         nullptr;
}

bool isSpace(char32_t c) { return c == U' ' || c == U'\t' || c == 0x3000; }

// Fonts with every Chinese character run to tens of megabytes; nothing that
// is a font is larger than this.
constexpr std::uint64_t kMaxFontBytes = std::uint64_t{256} << 20;

}  // namespace

struct CaptionFont::Face {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  std::vector<std::uint8_t> bytes;  // FreeType reads the face from here for as long as it lives
  FontSource source;

  ~Face() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
};

CaptionFont::CaptionFont(std::unique_ptr<Face> face) : face_(std::move(face)) {}
CaptionFont::CaptionFont(CaptionFont&&) noexcept = default;
CaptionFont& CaptionFont::operator=(CaptionFont&&) noexcept = default;
CaptionFont::~CaptionFont() = default;

Result<CaptionFont> CaptionFont::fromBytes(std::vector<std::uint8_t> bytes, int faceIndex) {
  auto face = std::make_unique<Face>();
  face->bytes = std::move(bytes);
  if (FT_Init_FreeType(&face->library) != 0)
    return fail(ErrorKind::Internal, "the font library did not start");
  if (face->bytes.empty() ||
      FT_New_Memory_Face(face->library, face->bytes.data(), static_cast<FT_Long>(face->bytes.size()),
                         faceIndex, &face->face) != 0)
    return fail(ErrorKind::NotSupported, "not a font this program reads (TrueType or OpenType)");
  if (!FT_IS_SCALABLE(face->face) || face->face->units_per_EM == 0)
    return fail(ErrorKind::NotSupported, "the font has no outlines, only bitmaps");
  if (FT_Select_Charmap(face->face, FT_ENCODING_UNICODE) != 0)
    return fail(ErrorKind::NotSupported, "the font has no Unicode character map");
  return CaptionFont(std::move(face));
}

Result<CaptionFont> CaptionFont::open(const FontSource& source) {
  auto bytes = readFile(source.path, kMaxFontBytes);
  auto font = bytes ? fromBytes(std::move(bytes).value(), source.faceIndex) : bytes.error();
  if (!font) return fail(font.kind(), source.path + ": " + font.message());
  font.value().face_->source = source;
  return font;
}

const FontSource& CaptionFont::source() const { return face_->source; }

std::string CaptionFont::familyName() const {
  return face_->face->family_name ? face_->face->family_name : "";
}

std::u32string CaptionFont::missingCharacters(std::string_view utf8) const {
  std::u32string missing;
  for (char32_t c : decodeUtf8(utf8)) {
    if (c == U'\n' || c == U'\r' || isSpace(c)) continue;
    if (FT_Get_Char_Index(face_->face, c) == 0 && missing.find(c) == std::u32string::npos)
      missing.push_back(c);
  }
  return missing;
}

namespace {

// One glyph of a line: its character, glyph, its own advance and the
// kerning with the glyph before it, in font units.
struct Placed {
  char32_t c;
  FT_UInt glyph;
  double own;
  double kerning;
  double advance() const { return own + kerning; }
};
using ShapedLine = std::vector<Placed>;

class Shaper {
 public:
  explicit Shaper(FT_Face face) : face_(face) {}

  double advanceOf(FT_UInt glyph) {
    if (FT_Load_Glyph(face_, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return 0;
    return static_cast<double>(face_->glyph->advance.x);
  }

  double kerning(FT_UInt left, FT_UInt right) {
    if (!left || !FT_HAS_KERNING(face_)) return 0;
    FT_Vector k{};
    FT_Get_Kerning(face_, left, right, FT_KERNING_UNSCALED, &k);
    return static_cast<double>(k.x);
  }

  ShapedLine shape(const std::u32string& text) {
    ShapedLine out;
    FT_UInt previous = 0;
    for (char32_t c : text) {
      const char32_t shown = c == U'\t' ? U' ' : c;
      const FT_UInt glyph = FT_Get_Char_Index(face_, shown);
      out.push_back({c, glyph, advanceOf(glyph), kerning(previous, glyph)});
      previous = glyph;
    }
    return out;
  }

 private:
  FT_Face face_;
};

double widthOf(const ShapedLine& line) {
  double w = 0;
  for (const Placed& g : line) w += g.advance();
  return w;
}

// Where a line of `glyphs` from `begin` may end, at most at `limit`: after
// the last space, or between two characters where one is of a script written
// without spaces; the whole run when nothing else fits.
std::size_t breakBefore(const ShapedLine& glyphs, std::size_t begin, std::size_t limit) {
  for (std::size_t i = limit; i > begin; --i) {
    const char32_t before = glyphs[i - 1].c;
    const char32_t after = i < glyphs.size() ? glyphs[i].c : U' ';
    if (isSpace(before) || isSpace(after)) return i;
    if ((isWide(before) || isWide(after)) && !closesText(after)) return i;
  }
  return std::max(limit, begin + 1);
}

// The text shaped and broken into lines of at most `maxWidth` font units
// (any width when 0), each without its surrounding spaces. A line starts
// without kerning, as it is drawn.
std::vector<ShapedLine> breakLines(const std::u32string& text, Shaper& shaper, double maxWidth) {
  std::vector<ShapedLine> lines;
  std::u32string paragraph;
  auto flush = [&] {
    const ShapedLine glyphs = shaper.shape(paragraph);
    std::size_t begin = 0;
    do {
      std::size_t end = glyphs.size();
      if (maxWidth > 0) {
        double w = 0;
        end = begin;
        while (end < glyphs.size() && (w + glyphs[end].advance() <= maxWidth || isSpace(glyphs[end].c)))
          w += glyphs[end++].advance();
        if (end < glyphs.size()) end = breakBefore(glyphs, begin, end);
      }
      std::size_t first = begin, last = end;
      while (first < last && isSpace(glyphs[first].c)) ++first;
      while (last > first && isSpace(glyphs[last - 1].c)) --last;
      lines.emplace_back(glyphs.begin() + static_cast<std::ptrdiff_t>(first),
                         glyphs.begin() + static_cast<std::ptrdiff_t>(last));
      if (!lines.back().empty()) lines.back().front().kerning = 0;
      begin = end;
      while (begin < glyphs.size() && isSpace(glyphs[begin].c)) ++begin;
    } while (begin < glyphs.size());
    paragraph.clear();
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == U'\r') continue;
    if (text[i] == U'\n') {
      flush();
      continue;
    }
    paragraph.push_back(text[i]);
  }
  flush();
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

// Gathers a glyph's outline, moved to its pen position and scaled from font
// units to pixels with y turned downwards.
struct OutlineSink {
  std::vector<OutlineContour>* contours;
  double originX, baseline, scale;
  OutlinePoint last;

  OutlinePoint map(const FT_Vector* v) const {
    return {originX + static_cast<double>(v->x) * scale, baseline - static_cast<double>(v->y) * scale};
  }
  void lineTo(OutlinePoint p) {
    contours->back().segments.push_back({{}, p, false});
    last = p;
  }
  void quadTo(OutlinePoint c, OutlinePoint p) {
    contours->back().segments.push_back({c, p, true});
    last = p;
  }
  // A cubic curve as four quadratic ones, each through the point that
  // matches the cubic's tangents at its two ends; off by far less than a
  // pixel at caption sizes.
  void cubicTo(OutlinePoint c1, OutlinePoint c2, OutlinePoint p) {
    const OutlinePoint p0 = last;
    auto at = [&](double t) {
      const double u = 1 - t;
      return OutlinePoint{u * u * u * p0.x + 3 * u * u * t * c1.x + 3 * u * t * t * c2.x + t * t * t * p.x,
                          u * u * u * p0.y + 3 * u * u * t * c1.y + 3 * u * t * t * c2.y + t * t * t * p.y};
    };
    auto slope = [&](double t) {
      const double u = 1 - t;
      return OutlinePoint{3 * (u * u * (c1.x - p0.x) + 2 * u * t * (c2.x - c1.x) + t * t * (p.x - c2.x)),
                          3 * (u * u * (c1.y - p0.y) + 2 * u * t * (c2.y - c1.y) + t * t * (p.y - c2.y))};
    };
    constexpr int kPieces = 4;
    for (int k = 0; k < kPieces; ++k) {
      const double t0 = static_cast<double>(k) / kPieces, t1 = static_cast<double>(k + 1) / kPieces;
      const OutlinePoint a = at(t0), b = at(t1), da = slope(t0), db = slope(t1);
      const double h = (t1 - t0) / 4;
      // The mean of the two tangent lines' reach into the piece.
      const OutlinePoint control{(a.x + da.x * h * 2 + b.x - db.x * h * 2) / 2,
                                 (a.y + da.y * h * 2 + b.y - db.y * h * 2) / 2};
      quadTo(control, b);
    }
  }
};

int moveToCb(const FT_Vector* to, void* user) {
  auto* sink = static_cast<OutlineSink*>(user);
  sink->last = sink->map(to);
  sink->contours->push_back({sink->last, {}});
  return 0;
}
int lineToCb(const FT_Vector* to, void* user) {
  auto* sink = static_cast<OutlineSink*>(user);
  sink->lineTo(sink->map(to));
  return 0;
}
int conicToCb(const FT_Vector* control, const FT_Vector* to, void* user) {
  auto* sink = static_cast<OutlineSink*>(user);
  sink->quadTo(sink->map(control), sink->map(to));
  return 0;
}
int cubicToCb(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  auto* sink = static_cast<OutlineSink*>(user);
  sink->cubicTo(sink->map(c1), sink->map(c2), sink->map(to));
  return 0;
}

// Shortens the last line until it fits with an ellipsis after it.
void endWithEllipsis(ShapedLine& shaped, Shaper& shaper, double maxWidth) {
  std::u32string line;
  for (const Placed& g : shaped) line.push_back(g.c);
  line.push_back(kEllipsis);
  shaped = shaper.shape(line);
  while (maxWidth > 0 && line.size() > 1 && widthOf(shaped) > maxWidth) {
    line.erase(line.size() - 2, 1);
    shaped = shaper.shape(line);
  }
  if (line.size() > 1 && isSpace(line[line.size() - 2])) {
    while (line.size() > 1 && isSpace(line[line.size() - 2])) line.erase(line.size() - 2, 1);
    shaped = shaper.shape(line);
  }
}

}  // namespace

TextOutline CaptionFont::layout(std::string_view utf8, const CaptionLayout& layout) const {
  FT_Face face = face_->face;
  const double scale = layout.sizePx / face->units_per_EM;
  Shaper shaper(face);
  std::vector<ShapedLine> lines = breakLines(decodeUtf8(utf8), shaper, layout.maxWidth / scale);

  TextOutline out;
  const std::size_t allowed = static_cast<std::size_t>(std::max(1, layout.maxLines));
  if (lines.size() > allowed) {
    lines.resize(allowed);
    endWithEllipsis(lines.back(), shaper, layout.maxWidth / scale);
    out.shortened = true;
  }
  if (lines.empty()) return out;

  for (const ShapedLine& line : lines) out.width = std::max(out.width, widthOf(line) * scale);
  const double ascent = face->ascender * scale;
  const double descent = -face->descender * scale;
  const double pitch = layout.sizePx * layout.lineSpacing;
  out.lines = static_cast<int>(lines.size());
  out.height = ascent + pitch * (out.lines - 1) + descent;

  FT_Outline_Funcs funcs{};
  funcs.move_to = moveToCb;
  funcs.line_to = lineToCb;
  funcs.conic_to = conicToCb;
  funcs.cubic_to = cubicToCb;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const ShapedLine& glyphs = lines[i];
    double pen = (out.width - widthOf(glyphs) * scale) / 2;
    OutlineSink sink{&out.contours, 0, ascent + pitch * static_cast<double>(i), scale, {}};
    for (const Placed& g : glyphs) {
      // The advance includes the kerning with the glyph before: the glyph
      // starts where that kerning puts it.
      if (FT_Load_Glyph(face, g.glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0 &&
          face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        const double own = static_cast<double>(face->glyph->advance.x) * scale;
        sink.originX = pen + (g.advance() * scale - own);
        FT_Outline_Decompose(&face->glyph->outline, &funcs, &sink);
      }
      pen += g.advance() * scale;
    }
  }
  return out;
}

}  // namespace slidewright::media
