// The album job record: the fixed-layout form of an album, with pictures
// already rendered to JPEG files of the album size and the music as an MP3
// file. buildAlbum reads the job's files into the album builder (album.h).
#pragma once

#include <cstdint>

#include <album/album.h>
#include <swf/movie.h>

namespace slidewright {

// Stamp the maker writes into AlbumJob::size. It is the size of the record on
// the 32-bit Windows build; on a 64-bit build the pointers are wider, so the
// stamp is compared with this constant, never with sizeof.
constexpr std::uint32_t kAlbumJobSize = 52;

// Longest picture path, including its terminating NUL.
constexpr std::size_t kAlbumPathSize = 260;

// One picture of the album.
struct AlbumPicture {
  char path[kAlbumPathSize];  // JPEG of the album's pixel size, NUL-terminated
  std::int32_t transition;    // index into TransitionTable
  std::int32_t reserved;      // always 0
};

// The job record handed to buildAlbum. The caller owns it, the picture array
// and the entries; the builder only reads them.
struct AlbumJob {
  std::uint32_t size;             // must be kAlbumJobSize
  void* ownerWindow;              // the caller's own; carried, never read
  const char* outputPath;         // movie to write; must not be null
  const char* musicPath;          // MP3 for the sound track, or null for silence
  std::uint32_t backgroundColor;  // COLORREF: red in the low byte, then green, blue
  std::int32_t width;             // album size in pixels
  std::int32_t height;
  std::int32_t overBackground;  // non-zero: every transition plays over the background
  std::int32_t pauseSeconds;    // hold after each transition; below 0 counts as 0
  std::int32_t loop;            // 0: the movie ends with a stop action
  AlbumPicture** pictures;      // pictureCount pointers; must not be null
  std::uint32_t pictureCount;   // at least 1
  std::uint32_t notifyMessage;  // the caller's own; carried, never read
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(AlbumJob) == kAlbumJobSize, "the job record is thirteen 32-bit words on a 32-bit build");
#endif

// The job and the movie of the buildAlbum call in progress; null outside it.
// Nothing reads them: they are published for the record's callers only.
extern const AlbumJob* currentJob;
extern const SwfMovie* currentMovie;

// Builds the movie the job describes and writes it to job->outputPath.
// Returns 1 when the movie was built and written completely, 0 when the job
// was refused (nothing is written then) or the file could not be written.
// The optional report receives the details. Not reentrant: one build at a
// time (the album builder itself has no such limit).
int buildAlbum(const AlbumJob* job, AlbumReport* report = nullptr);

}  // namespace slidewright
