// buildAlbum: checks the job, assembles the movie (background, sound track,
// one slide per picture, closing action) and writes it.
#include <album/album_job.h>
#include <album/transition.h>
#include <common/stdio_file.h>

#include <swf/action.h>
#include <swf/sound.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

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

// Clears the build's published state and the writer's character counter
// however the build ends, so that nothing points at the freed movie and the
// next movie's identifiers start at 1 again.
struct BuildScope {
  BuildScope() { resetCharacterIds(); }
  ~BuildScope() {
    currentJob = nullptr;
    currentMovie = nullptr;
    resetCharacterIds();
  }
};

int refuse(AlbumReport& report, std::string why) {
  report.failure = AlbumFailure::Refused;
  report.message = std::move(why);
  return 0;
}

// Why the job cannot be built, or an empty string when it can.
std::string checkJob(const AlbumJob& job) {
  if (job.size != kAlbumJobSize)
    return "The album job record has size " + std::to_string(job.size) + ", not " +
           std::to_string(kAlbumJobSize) + ".";
  if (!job.outputPath) return "The album job names no output file.";
  if (!job.pictures || job.pictureCount == 0) return "The album has no pictures.";
  if (job.width < kMinAlbumWidth || job.height < kMinAlbumHeight || job.width > kMaxAlbumSide ||
      job.height > kMaxAlbumSide)
    return "The album size " + std::to_string(job.width) + " x " + std::to_string(job.height) +
           " pixels is outside " + std::to_string(kMinAlbumWidth) + " x " + std::to_string(kMinAlbumHeight) +
           " to " + std::to_string(kMaxAlbumSide) + " x " + std::to_string(kMaxAlbumSide) + ".";

  // Upper bound of the frame count, reached when every picture can be read.
  const std::int64_t hold = job.pauseSeconds > 0 ? std::int64_t(job.pauseSeconds) * kAlbumFrameRate : 0;
  const std::int64_t settle = job.overBackground == 0 ? 1 : 0;
  std::int64_t frames = 0;
  for (std::uint32_t i = 0; i < job.pictureCount; ++i) {
    const AlbumPicture* picture = job.pictures[i];
    const std::string which = "Picture " + std::to_string(i + 1);
    if (!picture) return which + " of the album job is missing.";
    if (picture->transition < 0 || picture->transition >= kTransitionCount)
      return which + " has transition " + std::to_string(picture->transition) +
             "; transitions are numbered 0 to " + std::to_string(kTransitionCount - 1) + ".";
    if (std::memchr(picture->path, '\0', kAlbumPathSize) == nullptr)
      return which + " has a path that is not terminated within " + std::to_string(kAlbumPathSize) +
             " characters.";
    frames +=
        transitionFrameCount(TransitionTable[picture->transition], job.width, job.height) + hold + settle;
    if (frames > std::int64_t(kMaxMovieFrames))
      return "The album would last more than " + std::to_string(kMaxMovieFrames) +
             " frames, more than a movie can count; use fewer pictures or a shorter pause.";
  }
  return std::string();
}

// Adds the music's stream head, sound and start tags, and notes in the report
// whether the music can be heard.
void addSoundTrack(const char* musicPath, SwfMovie& movie, AlbumReport& report) {
  errno = 0;
  StdioFile file = openStdioFile(musicPath, "rb");
  if (!file) {
    report.music = MusicStatus::Missing;
    report.musicError = std::string("Cannot open the music file \"") + musicPath +
                        "\": " + (errno ? std::strerror(errno) : "unknown error") + ".";
    return;
  }
  auto sound = std::make_unique<SwfSound>(file.get());
  file.reset();

  if (sound->isLoaded()) {
    report.music = MusicStatus::Used;
  } else {
    // The three tags are kept (written empty), so that the movie's layout
    // and identifiers do not depend on the file's content; the caller is
    // told the movie will be silent.
    report.music = MusicStatus::Unusable;
    report.musicError =
        std::string("The music file \"") + musicPath + "\" cannot be used: " + sound->loadError() + ".";
  }
  const std::uint16_t soundId = sound->characterId();
  movie.addTag(SwfSoundStreamHead::forSound(*sound));
  movie.addTag(std::move(sound));
  movie.addTag(std::make_unique<SwfStartSound>(soundId, SwfSoundInfo::noMultiple()));
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

int buildAlbum(const AlbumJob* job, AlbumReport* reportOut) {
  AlbumReport scratch;
  AlbumReport& report = reportOut ? *reportOut : scratch;
  report = AlbumReport();

  if (!job) return refuse(report, "No album job was given.");
  std::string why = checkJob(*job);
  if (!why.empty()) return refuse(report, std::move(why));

  BuildScope scope;
  auto movie = std::make_unique<SwfMovie>();
  movie->addTag(std::make_unique<SwfBackground>(SwfColor::fromColorRef(job->backgroundColor)));
  if (job->musicPath) addSoundTrack(job->musicPath, *movie, report);

  currentJob = job;
  currentMovie = movie.get();

  for (std::uint32_t i = 0; i < job->pictureCount; ++i) {
    const std::uint32_t code = TransitionTable[job->pictures[i]->transition];
    std::unique_ptr<TransitionEffect> effect;
    if ((code >> 16) == kFadeFamily)
      effect = std::make_unique<FadeTransition>(code);
    else
      effect = std::make_unique<MorphTransition>(code);
    if (!effect->apply(i)) report.skippedPictures.push_back(i);
  }

  if (job->loop == 0) {
    auto stop = std::make_unique<SwfDoAction>();
    stop->add(std::make_unique<SwfActionStop>());
    movie->addTag(std::move(stop));
  }

  report.frameCount = movie->frameCount();
  const SwfWriteResult written = movie->writeFile(job->outputPath, Twips::fromPixels(job->width),
                                                  Twips::fromPixels(job->height), kAlbumFrameRate);
  if (!written) {
    report.failure = AlbumFailure::NotWritten;
    report.message = written.message;
    report.written = written;
    return 0;
  }
  return 1;
}

}  // namespace slidewright
