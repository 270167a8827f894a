// The album builder: an album given as values (each picture as JPEG bytes
// with its transition and its hold, the music as MP3 bytes, the size, the
// background colour, whether the movie loops) becomes one SWF slide show.
// The builder owns the movie it makes, and the movie its character
// identifiers, so builds never share state and may run side by side.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <album/caption.h>
#include <album/motion.h>
#include <swf/movie.h>

namespace slidewright {

// Number of transitions; a picture's transition index is 0 to kTransitionCount - 1.
constexpr int kTransitionCount = 13;

// Transition codes by transition index: the high 16 bits select the family
// (1: morph wipes, 2: cross-fade), the low 16 bits the variant.
extern const std::uint32_t TransitionTable[kTransitionCount];

// Limits of the album size. Below the minimums the frame arithmetic of the
// wipes breaks down (a step of zero or a division by zero); above the maximum
// the movie's frame rectangle, stored in 15-bit twip fields, cannot hold it.
constexpr std::int32_t kMinAlbumWidth = 48;
constexpr std::int32_t kMinAlbumHeight = 24;
constexpr std::int32_t kMaxAlbumSide = 819;

// A movie's frame count is a 16-bit field.
constexpr std::uint32_t kMaxMovieFrames = 65535;

// One picture of the album.
struct AlbumSlide {
  std::vector<std::uint8_t> jpeg;  // a JPEG of the album's pixel size; empty: the slide is left out
  int transition = 0;              // index into TransitionTable
  int holdSeconds = 1;             // time the picture stands after its transition; 0: no hold
  Motion motion{};                 // zoom or pan while the picture is on screen
  std::optional<AlbumCaption> caption = std::nullopt;  // shown over the picture while it is held
};

// Everything one movie is made of.
struct Album {
  std::int32_t width = 640;  // pixels
  std::int32_t height = 480;
  SwfColor background{255, 255, 255};
  std::optional<std::vector<std::uint8_t>> music;  // MP3 bytes; none: a silent movie
  bool loop = true;                                // false: the movie ends with a stop action
  bool overBackground = false;                     // every transition plays over the bare background
  std::vector<AlbumSlide> slides;                  // in album order
  std::uint64_t seed = 0;                          // picks the pictures' "auto" motions
};

// What became of the music the album asked for.
enum class MusicStatus {
  None,      // the album has no music
  Used,      // the MP3 was read and is the movie's sound track
  Missing,   // the file could not be opened: the movie is silent
  Unusable,  // the bytes are no MP3 the sound tag accepts: the sound tags are
             // written empty and the movie plays no music
};

// Why a build or a write failed.
enum class AlbumFailure {
  None,
  Refused,     // the album itself is wrong (size, transitions, holds, too many frames): nothing was built
  Cancelled,   // the progress callback asked to stop: nothing was built
  NotWritten,  // the movie was built but could not be written; `written` says why
};

// Details of one build, so that the caller can tell the user what went wrong
// or what was left out.
struct AlbumReport {
  AlbumFailure failure = AlbumFailure::None;
  MusicStatus music = MusicStatus::None;
  std::string musicError;                      // why the music is missing or unusable: the builder
                                               // gives the reason, buildAlbum a sentence naming the file
  std::vector<std::uint32_t> skippedPictures;  // indices of slides without a picture
  std::uint32_t frameCount = 0;                // frames in the built movie
  std::string message;                         // why the album was refused or the file not written
  std::optional<SwfWriteResult> written;       // the writer's outcome, when it was reached
};

// Called before the first slide with (0, count) and after every slide with
// (slides done, count). Returning false cancels the build.
using AlbumProgress = std::function<bool(std::uint32_t done, std::uint32_t count)>;

class AlbumBuilder {
 public:
  AlbumBuilder() = default;
  AlbumBuilder(const AlbumBuilder&) = delete;
  AlbumBuilder& operator=(const AlbumBuilder&) = delete;

  // Checks the album and builds its movie; the picture and music bytes move
  // into the movie's tags without being copied. A slide whose JPEG is empty
  // is left out (listed in the report). False when the album is refused or
  // the build cancelled; report() says which and why. One build per builder.
  bool build(Album album, const AlbumProgress& progress = {});

  const AlbumReport& report() const { return report_; }
  // The movie built so far; empty before build.
  const SwfMovie& movie() const { return *movie_; }

  // The built movie as the bytes of an uncompressed SWF file at 12 frames
  // per second. Empty when nothing was built.
  std::vector<std::uint8_t> bytes() const;
  // Writes the built movie at path through the writer's staged file (written
  // beside path, moved over it only when complete). A failure is also noted
  // in the report as NotWritten.
  SwfWriteResult writeFile(const std::string& path);

 private:
  bool refuse(std::string why);
  // Adds the slides of an album with moving pictures; false when cancelled.
  bool buildMoving(Album& album, const AlbumProgress& progress);

  std::unique_ptr<SwfMovie> movie_ = std::make_unique<SwfMovie>();
  bool built_ = false;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  AlbumReport report_;
};

// Frames a slide adds for its transition before the hold: 1 + K + 1 for a
// morph wipe, 27 for the fade. Zero for a code of no known family.
std::uint32_t transitionFrameCount(std::uint32_t code, std::int32_t width, std::int32_t height);

}  // namespace slidewright
