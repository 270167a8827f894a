// The album job: everything the builder needs to turn pictures that are
// already rendered at the album size, an optional MP3 and the album settings
// into one SWF slide show.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <swf/movie.h>

namespace slidewright {

// Stamp the maker writes into AlbumJob::size. It is the size of the record on
// the 32-bit Windows build; on a 64-bit build the pointers are wider, so the
// stamp is compared with this constant, never with sizeof.
constexpr std::uint32_t kAlbumJobSize = 52;

// Number of transitions; a picture's transition index is 0 to kTransitionCount - 1.
constexpr int kTransitionCount = 13;

// Window message (WM_USER + 100) with which the music encoder and the
// make-album command report progress to the maker's main window; carried in
// the job's notifyMessage.
constexpr std::uint32_t EncodeProgress = 1124;

// Longest picture path, including its terminating NUL.
constexpr std::size_t kAlbumPathSize = 260;

// One picture of the album.
struct AlbumPicture {
  char path[kAlbumPathSize];  // JPEG of the album's pixel size, NUL-terminated
  std::int32_t transition;    // index into TransitionTable
  std::int32_t reserved;      // always 0
};

// The job record the maker fills and hands to buildAlbum. The caller owns it,
// the picture array and the entries; the builder only reads them.
struct AlbumJob {
  std::uint32_t size;             // must be kAlbumJobSize
  void* ownerWindow;              // carried for progress notification; not read
  const char* outputPath;         // movie to write; must not be null
  const char* musicPath;          // MP3 for the sound track, or null for silence
  std::uint32_t backgroundColor;  // COLORREF: red in the low byte, then green, blue
  std::int32_t width;             // album size in pixels
  std::int32_t height;
  std::int32_t overBackground;  // non-zero: every transition plays over the background
  std::int32_t pauseSeconds;    // hold after each transition
  std::int32_t loop;            // 0: the movie ends with a stop action
  AlbumPicture** pictures;      // pictureCount pointers; must not be null
  std::uint32_t pictureCount;   // at least 1
  std::uint32_t notifyMessage;  // carried for progress notification; not read
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(AlbumJob) == kAlbumJobSize, "the job record is thirteen 32-bit words on a 32-bit build");
#endif

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

// What became of the music the job asked for.
enum class MusicStatus {
  None,      // the job has no music
  Used,      // the MP3 was read and is the movie's sound track
  Missing,   // the file could not be opened: the movie is silent
  Unusable,  // the file opened but is no MP3 the sound tag accepts: the sound
             // tags are written empty and the movie plays no music
};

// Why buildAlbum returned 0.
enum class AlbumFailure {
  None,
  Refused,     // the job itself is wrong (size, transitions, paths, too many frames): nothing was written
  NotWritten,  // the movie was built but could not be written; `written` says why
};

// Details of one build beside buildAlbum's 0/1 result, so that the caller can
// tell the user what went wrong or what was left out.
struct AlbumReport {
  AlbumFailure failure = AlbumFailure::None;
  MusicStatus music = MusicStatus::None;
  std::string musicError;                      // why the music is missing or unusable
  std::vector<std::uint32_t> skippedPictures;  // indices of unreadable pictures
  std::uint32_t frameCount = 0;                // frames in the written movie
  std::string message;                         // why the job was refused or the file not written
  SwfWriteResult written;                      // the writer's outcome, when it was reached
};

// Builds the movie the job describes and writes it to job->outputPath.
// Returns 1 when the movie was built and written completely, 0 when the job
// was refused (nothing is written then) or the file could not be written.
// The optional report receives the details. Not reentrant: one build at a time.
int buildAlbum(const AlbumJob* job, AlbumReport* report = nullptr);

}  // namespace slidewright
