#include "player/movie_player.h"

#include <algorithm>
#include <cmath>

#include "player/jpeg.h"

namespace player {

namespace {

double lerp(double a, double b, double t) { return a + (b - a) * t; }
int32_t lerpInt(int32_t a, int32_t b, double t) { return int32_t(std::lround(lerp(a, b, t))); }

Rgba lerpColor(Rgba a, Rgba b, double t) {
  auto m = [t](uint8_t p, uint8_t q) { return uint8_t(std::lround(lerp(p, q, t))); };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b), m(a.a, b.a)};
}

Stroke solidStroke(Rgba color, double width) {
  Stroke s;
  s.paint.kind = Paint::Kind::Solid;
  s.paint.color = color;
  s.width = width;
  return s;
}

// How many frames one advanceTime call may catch up on after a long stall.
constexpr int kMaxCatchUpFrames = 24;
// Decoded pictures kept beyond those the current frame draws.
constexpr size_t kBitmapCacheSize = 4;

}  // namespace

Matrix interpolateMatrix(const Matrix& a, const Matrix& b, double t) {
  Matrix m;
  m.hasScale = true;
  m.hasRotate = true;
  m.scaleX = lerpInt(a.scaleX, b.scaleX, t);
  m.scaleY = lerpInt(a.scaleY, b.scaleY, t);
  m.rotateSkew0 = lerpInt(a.rotateSkew0, b.rotateSkew0, t);
  m.rotateSkew1 = lerpInt(a.rotateSkew1, b.rotateSkew1, t);
  m.translateX = lerpInt(a.translateX, b.translateX, t);
  m.translateY = lerpInt(a.translateY, b.translateY, t);
  return m;
}

std::vector<ShapeRecord> interpolateMorph(const DefineMorphShapeTag& morph, double t) {
  // Start and end outlines are walked in step: every start edge pairs with
  // the next end edge; style changes of the end outline only move its pen.
  std::vector<ShapeRecord> out;
  const auto& start = morph.startEdges;
  const auto& end = morph.endEdges;
  size_t j = 0;
  int32_t endX = 0, endY = 0;
  for (const ShapeRecord& s : start) {
    ShapeRecord r = s;
    if (s.type == ShapeRecord::Type::StyleChange) {
      if (j < end.size() && end[j].type == ShapeRecord::Type::StyleChange) {
        if (end[j].stateMoveTo) {
          endX = end[j].x;
          endY = end[j].y;
        }
        ++j;
      }
      if (s.stateMoveTo) {
        r.x = r.fromX = lerpInt(s.x, endX, t);
        r.y = r.fromY = lerpInt(s.y, endY, t);
      }
      out.push_back(std::move(r));
      continue;
    }
    // Skip end-outline style changes that have no counterpart here, keeping their moves.
    while (j < end.size() && end[j].type == ShapeRecord::Type::StyleChange) {
      if (end[j].stateMoveTo) {
        endX = end[j].x;
        endY = end[j].y;
      }
      ++j;
    }
    ShapeRecord e;
    if (j < end.size()) {
      e = end[j++];
    } else {  // end outline too short: the edge stays where it starts
      e = s;
    }
    r.type = (s.type == ShapeRecord::Type::CurvedEdge || e.type == ShapeRecord::Type::CurvedEdge)
                 ? ShapeRecord::Type::CurvedEdge
                 : ShapeRecord::Type::StraightEdge;
    r.fromX = lerpInt(s.fromX, e.fromX, t);
    r.fromY = lerpInt(s.fromY, e.fromY, t);
    r.controlX = lerpInt(s.controlX, e.controlX, t);
    r.controlY = lerpInt(s.controlY, e.controlY, t);
    r.x = lerpInt(s.x, e.x, t);
    r.y = lerpInt(s.y, e.y, t);
    endX = e.x;
    endY = e.y;
    out.push_back(std::move(r));
  }
  return out;
}

DisplayList interpolateDisplayLists(const DisplayList& from, const DisplayList& to, double t) {
  DisplayList out = from;
  for (auto& [depth, obj] : out) {
    auto it = to.find(depth);
    if (it == to.end()) continue;
    const DisplayObject& next = it->second;
    if (next.placement != obj.placement || next.characterId != obj.characterId) continue;
    obj.matrix = interpolateMatrix(obj.matrix, next.matrix, t);
    for (int c = 0; c < 4; ++c) {
      obj.color.mult[c] = lerpInt(obj.color.mult[c], next.color.mult[c], t);
      obj.color.add[c] = lerpInt(obj.color.add[c], next.color.add[c], t);
    }
    obj.ratio = uint16_t(lerpInt(obj.ratio, next.ratio, t));
  }
  return out;
}

MoviePlayer::MoviePlayer(Movie movie, AudioOutput* audio) : movie_(std::move(movie)), audio_(audio) {
  frames_.emplace_back();
  for (const Tag& tag : movie_.tags) {
    switch (tag.code) {
      case swfTagShowFrame:
        frames_.emplace_back();
        break;
      case swfTagDefineShape:
      case swfTagDefineShape2:
      case swfTagDefineShape3:
        characters_[tagAs<DefineShapeTag>(tag)->characterId] = {Character::Kind::Shape, &tag};
        break;
      case swfTagDefineMorphShape:
        characters_[tagAs<DefineMorphShapeTag>(tag)->characterId] = {Character::Kind::MorphShape, &tag};
        break;
      case swfTagDefineBitsJpeg2:
        characters_[tagAs<DefineBitsJpeg2Tag>(tag)->characterId] = {Character::Kind::Bitmap, &tag};
        break;
      case swfTagDefineSound:
        characters_[tagAs<DefineSoundTag>(tag)->soundId] = {Character::Kind::Sound, &tag};
        break;
      case swfTagPlaceObject2:
      case swfTagRemoveObject:
      case swfTagRemoveObject2:
      case swfTagDoAction:
      case swfTagStartSound:
      case swfTagSetBackgroundColor:
        frames_.back().push_back(&tag);
        break;
      default:
        break;
    }
  }
  // Control tags after the last ShowFrame (a closing stop action) belong to
  // the last shown frame, so that they take effect.
  if (frames_.size() > 1) {
    std::vector<const Tag*> tail = std::move(frames_.back());
    frames_.pop_back();
    frames_.back().insert(frames_.back().end(), tail.begin(), tail.end());
  }
  runFrame(0, true);
}

Parsed<std::unique_ptr<MoviePlayer>> MoviePlayer::open(const std::string& path, AudioOutput* audio) {
  Parsed<Movie> movie = parseMovieFile(path);
  if (!movie) return movie.error();
  return std::make_unique<MoviePlayer>(std::move(movie).value(), audio);
}

double MoviePlayer::framesPerSecond() const {
  double fps = movie_.header.framesPerSecond();
  return fps > 0 ? fps : 12.0;
}

int MoviePlayer::stageWidth() const { return movie_.header.widthPixels(); }

int MoviePlayer::stageHeight() const { return movie_.header.heightPixels(); }

Rgba MoviePlayer::backgroundColor() const { return backgroundOverride_ ? *backgroundOverride_ : background_; }

void MoviePlayer::warnOnce(const std::string& message) {
  if (std::find(warnings_.begin(), warnings_.end(), message) == warnings_.end()) warnings_.push_back(message);
}

void MoviePlayer::applyControlTag(const Tag& tag, bool withActionsAndSounds) {
  switch (tag.code) {
    case swfTagPlaceObject2: {
      const PlaceObject2Tag& p = *tagAs<PlaceObject2Tag>(tag);
      auto it = displayList_.find(p.depth);
      DisplayObject* obj;
      if (p.hasCharacter && (!p.move || it == displayList_.end())) {
        obj = &(displayList_[p.depth] = DisplayObject{});
        obj->placement = ++placements_;
      } else if (it != displayList_.end()) {
        obj = &it->second;  // modifying what is there
      } else {
        break;  // a change to an empty depth does nothing
      }
      if (p.hasCharacter) obj->characterId = p.characterId;
      if (p.hasMatrix) obj->matrix = p.matrix;
      if (p.hasColorTransform) obj->color = ColorMatrix::fromRecord(p.colorTransform);
      if (p.hasRatio) obj->ratio = p.ratio;
      if (p.hasName) obj->name = p.name;
      if (p.hasClipDepth) obj->clipDepth = p.clipDepth;
      break;
    }
    case swfTagRemoveObject2:
      displayList_.erase(tagAs<RemoveObject2Tag>(tag)->depth);
      break;
    case swfTagRemoveObject: {
      const RemoveObjectTag& r = *tagAs<RemoveObjectTag>(tag);
      auto it = displayList_.find(r.depth);
      if (it != displayList_.end() && it->second.characterId == r.characterId) displayList_.erase(it);
      break;
    }
    case swfTagSetBackgroundColor:
      background_ = tagAs<SetBackgroundColorTag>(tag)->color;
      background_.a = 255;
      break;
    case swfTagStartSound:
      if (withActionsAndSounds) startSound(*tagAs<StartSoundTag>(tag));
      break;
    case swfTagDoAction:
      if (!withActionsAndSounds) break;
      for (const Action& a : tagAs<DoActionTag>(tag)->actions) {
        if (a.code == kActionStop) playing_ = false;
        if (a.code == kActionPlay) playing_ = true;
      }
      break;
    default:
      break;
  }
}

void MoviePlayer::runFrame(size_t index, bool withActionsAndSounds) {
  // Actions run after the frame's display list is complete.
  for (const Tag* t : frames_[index])
    if (t->code != swfTagDoAction) applyControlTag(*t, withActionsAndSounds);
  for (const Tag* t : frames_[index])
    if (t->code == swfTagDoAction) applyControlTag(*t, withActionsAndSounds);
  current_ = index;
  // Time that passed while a stop was pending does not carry over to the
  // next play.
  if (!playing_) pendingTime_ = 0;
}

void MoviePlayer::startSound(const StartSoundTag& s) {
  auto ch = characters_.find(s.soundId);
  if (ch == characters_.end() || ch->second.kind != Character::Kind::Sound) return;
  SoundState& st = sounds_[s.soundId];
  if (s.info.syncStop) {
    // Stopping one sound alone is not offered by the output; the album's
    // single sound makes stopping all equivalent.
    if (audio_) audio_->stopAll();
    for (auto& kv : sounds_) kv.second.endsAt = -1;
    return;
  }
  if (s.info.syncNoMultiple && st.endsAt > clock_) return;  // still playing
  if (!st.decoded) {
    st.decoded = true;
    prepareSound(*tagAs<DefineSoundTag>(*ch->second.tag), st);
  }
  if (!st.pcm && !st.mp3) return;
  int loops = s.info.hasLoops && s.info.loopCount > 1 ? s.info.loopCount : 1;
  st.endsAt = clock_ + st.seconds * loops;
  if (!audio_) return;
  if (st.mp3)
    audio_->playMp3(s.soundId, st.mp3);
  else
    audio_->play(s.soundId, st.pcm);
}

void MoviePlayer::prepareSound(const DefineSoundTag& d, SoundState& st) {
  const std::string what = "sound " + std::to_string(d.soundId);
  std::string error;
  if (d.format != 2) {
    warnOnce(what + " is not MP3; it is not played");
    if (audio_) audio_->unplayable(d.soundId, "it is not MP3");
    return;
  }
  if (d.data.size() <= 2) {
    return;  // written empty on purpose: a silent album whose music was unusable
  }
  if (audio_ && audio_->decodesMp3()) {
    Mp3Summary summary;
    if (walkMp3Frames(d.data.data() + 2, d.data.size() - 2, &summary)) {
      auto mp3 = std::make_shared<Mp3Sound>();
      mp3->data = std::make_shared<const std::vector<uint8_t>>(d.data.begin() + 2, d.data.end());
      mp3->sampleRate = summary.sampleRate;
      mp3->channels = summary.channels;
      mp3->frames = summary.samples;
      st.seconds = mp3->seconds();
      st.mp3 = std::move(mp3);
      return;
    }
    error = "no MP3 audio frames found";
  } else {
    auto pcm = std::make_shared<PcmSound>();
    if (decodeMp3(d.data.data() + 2, d.data.size() - 2, pcm.get(), &error)) {
      st.seconds = pcm->seconds();
      st.pcm = std::move(pcm);
      return;
    }
  }
  warnOnce(what + ": " + error);
  if (audio_) audio_->unplayable(d.soundId, error);
}

void MoviePlayer::play() {
  if (playing_) return;
  playing_ = true;
  pendingTime_ = 0;
  if (audio_) audio_->setPaused(false);
}

void MoviePlayer::pause() {
  if (!playing_) return;
  playing_ = false;
  pendingTime_ = 0;
  if (audio_) audio_->setPaused(true);
}

void MoviePlayer::stop() {
  if (audio_) audio_->stopAll();
  for (auto& kv : sounds_) kv.second.endsAt = -1;
  gotoFrame(0, false);
}

void MoviePlayer::gotoFrame(size_t n, bool andPlay) {
  if (n >= frames_.size()) n = frames_.size() - 1;
  displayList_.clear();
  background_ = {255, 255, 255, 255};
  for (size_t i = 0; i < n; ++i) runFrame(i, false);
  playing_ = andPlay;
  pendingTime_ = 0;
  runFrame(n, andPlay);
  if (audio_) audio_->setPaused(!playing_);
}

void MoviePlayer::nextFrame() {
  clock_ += 1.0 / framesPerSecond();
  if (current_ + 1 < frames_.size()) {
    runFrame(current_ + 1, true);
    return;
  }
  if (frames_.size() == 1) return;  // a single frame has nothing to advance to
  // Looping: the display list starts again from the first frame.
  displayList_.clear();
  runFrame(0, true);
}

int MoviePlayer::advanceTime(double seconds) {
  if (!playing_ || !(seconds > 0)) return 0;
  const double frameTime = 1.0 / framesPerSecond();
  pendingTime_ += seconds;
  int advanced = 0;
  while (pendingTime_ >= frameTime && playing_) {
    pendingTime_ -= frameTime;
    nextFrame();
    if (++advanced >= kMaxCatchUpFrames) {
      pendingTime_ = 0;  // after a long stall, carry on rather than race
      break;
    }
  }
  return advanced;
}

Transform MoviePlayer::stageTransform(int width, int height, bool keepAspect) const {
  const Rect& r = movie_.header.frameRect;
  double w = std::max<double>(1, double(r.xMax) - r.xMin);
  double h = std::max<double>(1, double(r.yMax) - r.yMin);
  double sx = width / w, sy = height / h;
  Transform t;
  if (keepAspect) {
    double s = std::min(sx, sy);
    t = Transform::scale(s, s);
    t.tx = (width - w * s) / 2 - r.xMin * s;
    t.ty = (height - h * s) / 2 - r.yMin * s;
  } else {
    t = Transform::scale(sx, sy);
    t.tx = -r.xMin * sx;
    t.ty = -r.yMin * sy;
  }
  return t;
}

void MoviePlayer::render(Image& canvas, bool keepAspect) {
  render(canvas, stageTransform(canvas.width, canvas.height, keepAspect));
}

std::shared_ptr<const Image> MoviePlayer::bitmap(uint16_t id) {
  auto it = bitmaps_.find(id);
  if (it != bitmaps_.end()) {
    it->second.lastUse = renderSerial_;
    return it->second.image;
  }
  CachedBitmap& c = bitmaps_[id];
  c.lastUse = renderSerial_;
  auto ch = characters_.find(id);
  if (ch == characters_.end() || ch->second.kind != Character::Kind::Bitmap) {
    warnOnce("bitmap " + std::to_string(id) + " is not defined");
    return nullptr;
  }
  const DefineBitsJpeg2Tag& t = *tagAs<DefineBitsJpeg2Tag>(*ch->second.tag);
  auto img = std::make_shared<Image>();
  std::string error;
  if (decodeJpeg(t.data.data(), t.data.size(), img.get(), &error))
    c.image = img;
  else
    warnOnce("bitmap " + std::to_string(id) + ": " + error);
  return c.image;
}

Paint MoviePlayer::resolveFill(const FillStyle& f, bool smooth) {
  Paint p;
  if (f.type == kFillSolid) {
    p.kind = Paint::Kind::Solid;
    p.color = f.color;
  } else if (isBitmapFill(f.type)) {
    p.kind = Paint::Kind::Bitmap;
    p.bitmapId = f.bitmapId;  // decoded once an edge uses it
    p.matrix = Transform::fromMatrix(f.matrix);
    p.repeat = f.type == kFillRepeatingBitmap || f.type == kFillRepeatingBitmapHard;
    p.smooth = smooth && f.type <= kFillClippedBitmap;
  } else if (isGradientFill(f.type)) {
    p.kind = f.type == kFillLinearGradient ? Paint::Kind::LinearGradient : Paint::Kind::RadialGradient;
    p.matrix = Transform::fromMatrix(f.matrix);
    for (const GradientRecord& g : f.gradient) p.stops.push_back({g.ratio / 255.0, g.color});
  }
  return p;
}

bool MoviePlayer::prepareObject(const DisplayObject& obj, const Transform& stageToCanvas, PreparedDraw* out) {
  if (obj.clipDepth) return false;  // masks are not drawn themselves
  auto ch = characters_.find(obj.characterId);
  if (ch == characters_.end()) return false;
  out->toDevice = stageToCanvas * Transform::fromMatrix(obj.matrix);
  out->color = obj.color;
  std::vector<Paint> paints;
  if (ch->second.kind == Character::Kind::Shape) {
    const DefineShapeTag& s = *tagAs<DefineShapeTag>(*ch->second.tag);
    // Bitmap fills of ordinary shapes are drawn unsmoothed, as in older players.
    for (const FillStyle& f : s.shape.fillStyles) paints.push_back(resolveFill(f, false));
    std::vector<Stroke> strokes;
    for (const LineStyle& l : s.shape.lineStyles) strokes.push_back(solidStroke(l.color, l.width));
    StyleResolver resolver;
    resolver.fill = [this](const FillStyle& f) { return resolveFill(f, false); };
    resolver.line = [](const LineStyle& l) { return solidStroke(l.color, l.width); };
    out->paths = buildPaths(s.shape.records, paints, strokes, &resolver);
  } else if (ch->second.kind == Character::Kind::MorphShape) {
    const DefineMorphShapeTag& m = *tagAs<DefineMorphShapeTag>(*ch->second.tag);
    double t = obj.ratio / 65535.0;
    for (const MorphFillStyle& mf : m.fillStyles) {
      FillStyle f;
      f.type = mf.type;
      f.bitmapId = mf.bitmapId;
      f.color = lerpColor(mf.startColor, mf.endColor, t);
      f.matrix = interpolateMatrix(mf.startMatrix, mf.endMatrix, t);
      for (size_t i = 0; i < mf.startGradient.size() && i < mf.endGradient.size(); ++i)
        f.gradient.push_back(
            {uint8_t(std::lround(lerp(mf.startGradient[i].ratio, mf.endGradient[i].ratio, t))),
             lerpColor(mf.startGradient[i].color, mf.endGradient[i].color, t)});
      paints.push_back(resolveFill(f, true));
    }
    std::vector<Stroke> strokes;
    for (const MorphLineStyle& l : m.lineStyles)
      strokes.push_back(
          solidStroke(lerpColor(l.startColor, l.endColor, t), lerp(l.startWidth, l.endWidth, t)));
    out->paths = buildPaths(interpolateMorph(m, t), paints, strokes);
  } else {
    return false;
  }
  for (FilledPath& p : out->paths)
    if (p.paint.kind == Paint::Kind::Bitmap) p.paint.bitmap = bitmap(p.paint.bitmapId);
  return true;
}

void MoviePlayer::render(Image& canvas, const Transform& stageToCanvas) {
  render(canvas, stageToCanvas, displayList_, backgroundColor());
}

void MoviePlayer::render(Image& canvas, const Transform& stageToCanvas, const DisplayList& list,
                         Rgba background) {
  ++renderSerial_;
  std::vector<PreparedDraw>& draws = drawScratch_;
  draws.resize(list.size());
  size_t count = 0;
  for (const auto& kv : list)
    if (prepareObject(kv.second, stageToCanvas, &draws[count])) ++count;
  // Start from the topmost object that hides everything below it.
  size_t first = 0;
  bool covered = false;
  for (size_t i = count; i-- > 0;) {
    if (pathsCoverCanvas(draws[i].paths, draws[i].toDevice, draws[i].color, canvas.width, canvas.height)) {
      first = i;
      covered = true;
      break;
    }
  }
  if (!covered) canvas.fill(background);
  for (size_t i = first; i < count; ++i) drawPaths(canvas, draws[i].paths, draws[i].toDevice, draws[i].color);
  // Forget pictures not drawn lately once more than a few are held.
  if (bitmaps_.size() > kBitmapCacheSize) {
    for (auto it = bitmaps_.begin(); it != bitmaps_.end();) {
      if (it->second.lastUse + 1 < renderSerial_)
        it = bitmaps_.erase(it);
      else
        ++it;
    }
  }
}

}  // namespace player
