// AlbumBuilder: checks the album, assembles the movie (background, sound
// track, one slide per picture, closing action) and hands it out as bytes or
// writes it.
#include <album/album.h>
#include <album/scene.h>
#include <album/transition.h>

#include <swf/action.h>
#include <swf/sound.h>
#include <swf/stream.h>

#include <string>
#include <utility>

namespace slidewright {

const std::uint32_t TransitionTable[kTransitionCount] = {
    0x10001, 0x10002, 0x10003, 0x10004, 0x10005, 0x10006, 0x10007,
    0x10008, 0x10009, 0x20001, 0x1000A, 0x1000B, 0x1000C,
};

static_assert(kMaxAlbumSide == SwfMovie::maxFrameTwips / Twips::perPixel,
              "the largest album side is what the movie's frame rectangle holds");

namespace {

constexpr std::uint32_t kMorphFamily = 1;
constexpr std::uint32_t kFadeFamily = 2;

// Frames of the fade: one invisible placement, then 26 steps.
constexpr std::uint32_t kFadeTransitionFrames = 27;

// Why the album cannot be built, or an empty string when it can.
std::string checkAlbum(const Album& album) {
  if (album.slides.empty()) return "The album has no pictures.";
  if (album.width < kMinAlbumWidth || album.height < kMinAlbumHeight || album.width > kMaxAlbumSide ||
      album.height > kMaxAlbumSide)
    return "The album size " + std::to_string(album.width) + " x " + std::to_string(album.height) +
           " pixels is outside " + std::to_string(kMinAlbumWidth) + " x " + std::to_string(kMinAlbumHeight) +
           " to " + std::to_string(kMaxAlbumSide) + " x " + std::to_string(kMaxAlbumSide) + ".";

  // Upper bound of the frame count, reached when every slide has its picture.
  const std::int64_t settle = album.overBackground ? 0 : 1;
  std::int64_t frames = 0;
  for (std::size_t i = 0; i < album.slides.size(); ++i) {
    const AlbumSlide& slide = album.slides[i];
    const std::string which = "Picture " + std::to_string(i + 1);
    if (slide.transition < 0 || slide.transition >= kTransitionCount)
      return which + " has transition " + std::to_string(slide.transition) +
             "; transitions are numbered 0 to " + std::to_string(kTransitionCount - 1) + ".";
    if (slide.motion.kind == MotionKind::Explicit) {
      std::string bad = checkMotionRect(slide.motion.start);
      if (bad.empty()) bad = checkMotionRect(slide.motion.end);
      if (!bad.empty()) return which + " has a motion that cannot be used: " + bad + ".";
    }
    if (slide.holdSeconds < 0)
      return which + " is held for " + std::to_string(slide.holdSeconds) + " seconds; a hold is 0 or more.";
    frames += transitionFrameCount(TransitionTable[slide.transition], album.width, album.height) +
              std::int64_t(slide.holdSeconds) * kAlbumFrameRate + settle;
    if (frames > std::int64_t(kMaxMovieFrames))
      return "The album would last more than " + std::to_string(kMaxMovieFrames) +
             " frames, more than a movie can count; use fewer pictures or a shorter pause.";
  }
  return std::string();
}

// Adds the music's stream head, sound and start tags, and notes in the report
// whether the music can be heard.
void addSoundTrack(const std::vector<std::uint8_t>& mp3, SwfMovie& movie, AlbumReport& report) {
  std::unique_ptr<SwfSound> sound = SwfSound::fromBytes(movie.characterIds(), mp3.data(), mp3.size());
  if (sound->isLoaded()) {
    report.music = MusicStatus::Used;
  } else {
    // The three tags are kept (written empty), so that the movie's layout
    // and identifiers do not depend on the music's content; the caller is
    // told the movie will be silent.
    report.music = MusicStatus::Unusable;
    report.musicError = sound->loadError();
  }
  const std::uint16_t soundId = sound->characterId();
  movie.addTag(SwfSoundStreamHead::forSound(*sound));
  movie.addTag(std::move(sound));
  movie.addTag(std::make_unique<SwfStartSound>(soundId, SwfSoundInfo::noMultiple()));
}

std::unique_ptr<TransitionEffect> effectFor(std::uint32_t code) {
  if ((code >> 16) == kFadeFamily) return std::make_unique<FadeTransition>(code);
  return std::make_unique<MorphTransition>(code);
}

}  // namespace

std::uint32_t transitionFrameCount(std::uint32_t code, std::int32_t width, std::int32_t height) {
  switch (code >> 16) {
    case kMorphFamily: {
      const std::int32_t n = MorphTransition::frameCount(code & 0xFFFF, width, height);
      if (n < 2) return 0;
      // Ratios 0, step, 2 step, ... below 65000, between the first placement
      // and the final jump to the end outline.
      const std::uint32_t step = 65000u / std::uint32_t(n - 1);
      const std::uint32_t k = (65000u + step - 1) / step;
      return 1 + k + 1;
    }
    case kFadeFamily:
      return kFadeTransitionFrames;
    default:
      return 0;
  }
}

bool AlbumBuilder::refuse(std::string why) {
  report_.failure = AlbumFailure::Refused;
  report_.message = std::move(why);
  return false;
}

bool AlbumBuilder::build(Album album, const AlbumProgress& progress) {
  if (built_) return refuse("The album builder has built its movie already.");
  std::string why = checkAlbum(album);
  if (!why.empty()) return refuse(std::move(why));

  auto count = static_cast<std::uint32_t>(album.slides.size());
  auto cancelled = [this] {
    movie_ = std::make_unique<SwfMovie>();
    report_.failure = AlbumFailure::Cancelled;
    report_.message = "The album was cancelled.";
    return false;
  };
  if (progress && !progress(0, count)) return cancelled();

  SwfMovie& movie = *movie_;
  movie.addTag(std::make_unique<SwfBackground>(album.background));
  if (album.music) addSoundTrack(*album.music, movie, report_);

  bool moving = false;
  for (const AlbumSlide& slide : album.slides) moving = moving || slide.motion.moves();
  if (moving) {
    if (!buildMoving(album, progress)) return cancelled();
    count = 0;  // every slide is in the movie
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    AlbumSlide& slide = album.slides[i];
    std::unique_ptr<SwfBitmap> picture = SwfBitmap::fromBytes(movie.characterIds(), std::move(slide.jpeg));
    // A bitmap without data would be written as a picture nobody can show.
    if (picture->isLoaded()) {
      const SlideContext context{movie,
                                 album.width,
                                 album.height,
                                 album.overBackground,
                                 slide.holdSeconds,
                                 slide.caption ? &*slide.caption : nullptr};
      effectFor(TransitionTable[slide.transition])->apply(context, std::move(picture));
    } else {
      report_.skippedPictures.push_back(i);
    }
    if (progress && !progress(i + 1, count)) return cancelled();
  }

  if (!album.loop) {
    auto stop = std::make_unique<SwfDoAction>();
    stop->add(std::make_unique<SwfActionStop>());
    movie.addTag(std::move(stop));
  }

  built_ = true;
  width_ = album.width;
  height_ = album.height;
  report_.frameCount = movie.frameCount();
  return true;
}

bool AlbumBuilder::buildMoving(Album& album, const AlbumProgress& progress) {
  SwfMovie& movie = *movie_;
  const auto count = static_cast<std::uint32_t>(album.slides.size());
  std::vector<Motion> motions;
  for (const AlbumSlide& slide : album.slides) motions.push_back(slide.motion);
  motions = resolveMotions(motions, album.seed);
  // The pictures that load make the scene; the others are left out.
  std::vector<std::unique_ptr<SwfBitmap>> pictures;
  std::vector<SceneSlide> slides;
  std::vector<const AlbumCaption*> captions;
  std::vector<std::uint32_t> taken;
  for (std::uint32_t i = 0; i < count; ++i) {
    AlbumSlide& slide = album.slides[i];
    auto picture = SwfBitmap::fromBytes(movie.characterIds(), std::move(slide.jpeg));
    if (!picture->isLoaded()) {
      report_.skippedPictures.push_back(i);
      continue;
    }
    pictures.push_back(std::move(picture));
    slides.push_back(SceneSlide{slide.transition, slide.holdSeconds, motions[i], slide.caption.has_value()});
    captions.push_back(slide.caption ? &*slide.caption : nullptr);
    taken.push_back(i);
  }
  if (slides.empty()) return !progress || progress(count, count);
  const AlbumScene scene(album.width, album.height, album.overBackground, std::move(slides));
  return emitMovingSlides(movie, scene, album.overBackground, std::move(pictures), captions,
                          [&](std::uint32_t done) {
                            // Slides left out count as done with the next one taken.
                            const std::uint32_t through = done < taken.size() ? taken[done] : count;
                            return !progress || progress(through, count);
                          });
}

std::vector<std::uint8_t> AlbumBuilder::bytes() const {
  if (!built_) return {};
  SwfStream stream;
  if (!movie_->writeTo(stream, Twips::fromPixels(width_), Twips::fromPixels(height_), kAlbumFrameRate))
    return {};
  return stream.takeBytes();
}

SwfWriteResult AlbumBuilder::writeFile(const std::string& path) {
  SwfWriteResult written =
      built_
          ? movie_->writeFile(path, Twips::fromPixels(width_), Twips::fromPixels(height_), kAlbumFrameRate)
          : SwfWriteFailure{SwfWriteError::NoFileName, "No movie was built to write.", "no movie was built"};
  if (!written) {
    report_.failure = AlbumFailure::NotWritten;
    report_.message = written.message();
  }
  report_.written = written;
  return written;
}

}  // namespace slidewright
