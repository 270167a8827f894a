#include "player/describe.h"

#include <cinttypes>
#include <cstdarg>
#include <map>

#include "player/sound.h"
#include "printf_format.h"

namespace player {

namespace {

std::string color(const Rgba& c, bool alpha) {
  return alpha ? formatText("#%02X%02X%02X%02X", c.r, c.g, c.b, c.a)
               : formatText("#%02X%02X%02X", c.r, c.g, c.b);
}

std::string rect(const Rect& r) { return formatText("(%d,%d)-(%d,%d)", r.xMin, r.yMin, r.xMax, r.yMax); }

std::string matrix(const Matrix& m) {
  std::string s = "[";
  if (m.hasScale) s += formatText("scale %.4g %.4g, ", m.scaleX / 65536.0, m.scaleY / 65536.0);
  if (m.hasRotate)
    s += formatText("rotate/skew %.4g %.4g, ", m.rotateSkew0 / 65536.0, m.rotateSkew1 / 65536.0);
  s += formatText("translate %d %d]", m.translateX, m.translateY);
  return s;
}

std::string cxform(const ColorTransform& c) {
  std::string s;
  if (c.hasMultTerms) s += formatText("mult (%d,%d,%d,%d)", c.multRed, c.multGreen, c.multBlue, c.multAlpha);
  if (c.hasAddTerms)
    s += formatText("%sadd (%d,%d,%d,%d)", s.empty() ? "" : " ", c.addRed, c.addGreen, c.addBlue, c.addAlpha);
  return s.empty() ? "identity" : s;
}

const char* fillKind(uint8_t type) {
  switch (type) {
    case kFillSolid:
      return "solid";
    case kFillLinearGradient:
      return "linear gradient";
    case kFillRadialGradient:
      return "radial gradient";
    case kFillRepeatingBitmap:
      return "repeating bitmap";
    case kFillClippedBitmap:
      return "clipped bitmap";
    case kFillRepeatingBitmapHard:
      return "repeating bitmap (unsmoothed)";
    case kFillClippedBitmapHard:
      return "clipped bitmap (unsmoothed)";
    default:
      return "unknown fill";
  }
}

std::string fill(const FillStyle& f, bool alpha) {
  if (f.type == kFillSolid) return formatText("solid %s", color(f.color, alpha).c_str());
  if (isBitmapFill(f.type))
    return formatText("%s %u %s", fillKind(f.type), f.bitmapId, matrix(f.matrix).c_str());
  return formatText("%s, %zu stops %s", fillKind(f.type), f.gradient.size(), matrix(f.matrix).c_str());
}

std::string morphFill(const MorphFillStyle& f) {
  if (f.type == kFillSolid)
    return formatText("solid %s to %s", color(f.startColor, true).c_str(), color(f.endColor, true).c_str());
  if (isBitmapFill(f.type))
    return formatText("%s %u %s to %s", fillKind(f.type), f.bitmapId, matrix(f.startMatrix).c_str(),
                      matrix(f.endMatrix).c_str());
  return formatText("%s, %zu stops %s to %s", fillKind(f.type), f.startGradient.size(),
                    matrix(f.startMatrix).c_str(), matrix(f.endMatrix).c_str());
}

std::string record(const ShapeRecord& r) {
  switch (r.type) {
    case ShapeRecord::Type::StyleChange: {
      std::string s = "style change";
      if (r.stateMoveTo) s += formatText(" move to (%d,%d)", r.x, r.y);
      if (r.stateFillStyle0) s += formatText(" fill0 %u", r.fillStyle0);
      if (r.stateFillStyle1) s += formatText(" fill1 %u", r.fillStyle1);
      if (r.stateLineStyle) s += formatText(" line %u", r.lineStyle);
      if (r.stateNewStyles)
        s += formatText(" new styles (%zu fills, %zu lines)", r.newFillStyles.size(), r.newLineStyles.size());
      return s;
    }
    case ShapeRecord::Type::StraightEdge:
      return formatText("line (%d,%d) to (%d,%d)", r.fromX, r.fromY, r.x, r.y);
    case ShapeRecord::Type::CurvedEdge:
      return formatText("curve (%d,%d) via (%d,%d) to (%d,%d)", r.fromX, r.fromY, r.controlX, r.controlY, r.x,
                        r.y);
  }
  return {};
}

const char* rateName(uint8_t rate) {
  static const char* names[4] = {"5.5 kHz", "11 kHz", "22 kHz", "44 kHz"};
  return names[rate & 3];
}

}  // namespace

std::string describeTag(const Tag& tag) {
  struct Visitor {
    std::string operator()(const UnknownTag&) const { return "not decoded"; }
    std::string operator()(const EndTag&) const { return ""; }
    std::string operator()(const ShowFrameTag&) const { return ""; }
    std::string operator()(const DefineShapeTag& s) const {
      std::string out = formatText("id %u, bounds %s, %zu fill style(s)", s.characterId,
                                   rect(s.bounds).c_str(), s.shape.fillStyles.size());
      for (size_t i = 0; i < s.shape.fillStyles.size(); ++i)
        out += formatText("; fill %zu: %s", i + 1, fill(s.shape.fillStyles[i], s.version >= 3).c_str());
      out +=
          formatText("; %zu line style(s), %zu record(s)", s.shape.lineStyles.size(), s.shape.records.size());
      return out;
    }
    std::string operator()(const DefineMorphShapeTag& m) const {
      std::string out =
          formatText("id %u, start bounds %s, end bounds %s, %zu fill style(s)", m.characterId,
                     rect(m.startBounds).c_str(), rect(m.endBounds).c_str(), m.fillStyles.size());
      for (size_t i = 0; i < m.fillStyles.size(); ++i)
        out += formatText("; fill %zu: %s", i + 1, morphFill(m.fillStyles[i]).c_str());
      out += formatText("; %zu line style(s), %zu start and %zu end record(s)", m.lineStyles.size(),
                        m.startEdges.size(), m.endEdges.size());
      return out;
    }
    std::string operator()(const SetBackgroundColorTag& b) const { return color(b.color, false); }
    std::string operator()(const DoActionTag& a) const {
      std::string out;
      for (const Action& x : a.actions) {
        if (!out.empty()) out += ", ";
        switch (x.code) {
          case kActionStop:
            out += "Stop";
            break;
          case kActionPlay:
            out += "Play";
            break;
          case kActionNextFrame:
            out += "NextFrame";
            break;
          case kActionPreviousFrame:
            out += "PreviousFrame";
            break;
          default:
            out += formatText("action 0x%02X (%zu bytes)", x.code, x.data.size());
            break;
        }
      }
      return out.empty() ? "no actions" : out;
    }
    std::string operator()(const DefineSoundTag& s) const {
      std::string out =
          formatText("id %u, format %u%s, %s, %s, %s, %u samples, %zu data bytes", s.soundId, s.format,
                     s.format == 2 ? " (MP3)" : "", rateName(s.rate), s.size ? "16-bit" : "8-bit",
                     s.type ? "stereo" : "mono", s.sampleCount, s.data.size());
      Mp3Summary mp3;
      if (s.format == 2 && s.data.size() > 2 && walkMp3Frames(s.data.data() + 2, s.data.size() - 2, &mp3))
        out += formatText("; %u MP3 frames, %" PRIu64 " samples at %d Hz, %d channel(s)", mp3.frames,
                          mp3.samples, mp3.sampleRate, mp3.channels);
      return out;
    }
    std::string operator()(const StartSoundTag& s) const {
      std::string out = formatText("sound %u", s.soundId);
      if (s.info.syncStop) out += ", stop";
      if (s.info.syncNoMultiple) out += ", no multiple";
      if (s.info.hasInPoint) out += formatText(", in %u", s.info.inPoint);
      if (s.info.hasOutPoint) out += formatText(", out %u", s.info.outPoint);
      if (s.info.hasLoops) out += formatText(", %u loops", s.info.loopCount);
      if (s.info.hasEnvelope) out += formatText(", %zu envelope points", s.info.envelope.size());
      return out;
    }
    std::string operator()(const SoundStreamHeadTag& h) const {
      return formatText("playback %s %s %s; stream compression %u, %s %s %s, %u samples per frame",
                        rateName(h.playbackRate), h.playbackSize ? "16-bit" : "8-bit",
                        h.playbackType ? "stereo" : "mono", h.compression, rateName(h.streamRate),
                        h.streamSize ? "16-bit" : "8-bit", h.streamType ? "stereo" : "mono", h.sampleCount);
    }
    std::string operator()(const DefineBitsJpeg2Tag& j) const {
      return formatText("id %u, %zu bytes of JPEG data", j.characterId, j.data.size());
    }
    std::string operator()(const PlaceObject2Tag& p) const {
      std::string out = formatText("depth %u", p.depth);
      if (p.hasCharacter)
        out += formatText(", %s character %u", p.move ? "replace with" : "place", p.characterId);
      else if (p.move)
        out += ", modify";
      if (p.hasMatrix) out += ", matrix " + matrix(p.matrix);
      if (p.hasColorTransform) out += ", colour " + cxform(p.colorTransform);
      if (p.hasRatio) out += formatText(", ratio %u", p.ratio);
      if (p.hasName) out += ", name \"" + p.name + "\"";
      if (p.hasClipDepth) out += formatText(", clip depth %u", p.clipDepth);
      return out;
    }
    std::string operator()(const RemoveObjectTag& r) const {
      return formatText("character %u at depth %u", r.characterId, r.depth);
    }
    std::string operator()(const RemoveObject2Tag& r) const { return formatText("depth %u", r.depth); }
  };
  return std::visit(Visitor{}, tag.body);
}

std::string describeMovie(const Movie& movie, const DescribeOptions& options) {
  const Header& h = movie.header;
  std::string out;
  out += formatText("Signature %s (%s), version %u, file length %u bytes\n", h.signature,
                    h.compressed ? "zlib-compressed" : "uncompressed", h.version, h.fileLength);
  const Rect& r = h.frameRect;
  out += formatText("Frame %s twips (%g x %g pixels), %.2f frames/s, %u frames in the header\n",
                    rect(r).c_str(), (double(r.xMax) - r.xMin) / 20, (double(r.yMax) - r.yMin) / 20,
                    h.framesPerSecond(), h.frameCount);
  size_t frames = 0;
  std::map<std::string, size_t> characters;
  size_t frameIndex = 1;
  for (size_t i = 0; i < movie.tags.size(); ++i) {
    const Tag& t = movie.tags[i];
    switch (t.code) {
      case swfTagShowFrame:
        ++frames;
        break;
      case swfTagDefineShape:
      case swfTagDefineShape2:
      case swfTagDefineShape3:
        ++characters["shape"];
        break;
      case swfTagDefineMorphShape:
        ++characters["morph shape"];
        break;
      case swfTagDefineBitsJpeg2:
        ++characters["bitmap"];
        break;
      case swfTagDefineSound:
        ++characters["sound"];
        break;
      default:
        break;
    }
    if (!options.tags) continue;
    std::string fields = describeTag(t);
    out += formatText("%6zu  @%-8zu %-18s %6u bytes", i, t.offset, tagName(t.code), t.length);
    if (t.code == swfTagShowFrame)
      out += formatText("  end of frame %zu", frameIndex++);
    else if (tagAs<UnknownTag>(t))
      out += formatText("  (code %u) not decoded", t.code);
    else if (!fields.empty())
      out += "  " + fields;
    out += "\n";
    if (options.records) {
      auto list = [&out](const char* label, const std::vector<ShapeRecord>& records) {
        for (const ShapeRecord& rec : records)
          out += formatText("          %s%s\n", label, record(rec).c_str());
      };
      if (const auto* s = tagAs<DefineShapeTag>(t)) list("", s->shape.records);
      if (const auto* m = tagAs<DefineMorphShapeTag>(t)) {
        list("start: ", m->startEdges);
        list("end:   ", m->endEdges);
      }
    }
  }
  out += formatText("Tags: %zu; frames: %zu (ShowFrame tags)%s\n", movie.tags.size(), frames,
                    frames != h.frameCount ? ", which differs from the header" : "");
  size_t total = 0;
  std::string kinds;
  for (const auto& kv : characters) {
    total += kv.second;
    kinds += formatText("%s%zu %s%s", kinds.empty() ? "" : ", ", kv.second, kv.first.c_str(),
                        kv.second == 1 ? "" : "s");
  }
  out += formatText("Characters: %zu%s%s%s\n", total, total ? " (" : "", kinds.c_str(), total ? ")" : "");
  return out;
}

}  // namespace player
