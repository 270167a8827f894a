// buildAlbum: the album job record's entry point. It checks the record,
// reads the job's picture and music files into an Album and has the album
// builder make and write the movie.
#include <album/album_job.h>
#include <common/stdio_file.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace slidewright {

const AlbumJob* currentJob = nullptr;
const SwfMovie* currentMovie = nullptr;

namespace {

// Clears the published job and movie however the build ends, so that
// nothing points at the freed movie.
struct BuildScope {
  explicit BuildScope(const AlbumJob* job) { currentJob = job; }
  ~BuildScope() {
    currentJob = nullptr;
    currentMovie = nullptr;
  }
};

int refuse(AlbumReport& report, std::string why) {
  report.failure = AlbumFailure::Refused;
  report.message = std::move(why);
  return 0;
}

// What only the record can get wrong, or an empty string when it is sound;
// the album builder checks the rest.
std::string checkJob(const AlbumJob& job) {
  if (job.size != kAlbumJobSize)
    return "The album job record has size " + std::to_string(job.size) + ", not " +
           std::to_string(kAlbumJobSize) + ".";
  if (!job.outputPath) return "The album job names no output file.";
  if (!job.pictures || job.pictureCount == 0) return "The album has no pictures.";
  for (std::uint32_t i = 0; i < job.pictureCount; ++i) {
    const AlbumPicture* picture = job.pictures[i];
    const std::string which = "Picture " + std::to_string(i + 1);
    if (!picture) return which + " of the album job is missing.";
    if (std::memchr(picture->path, '\0', kAlbumPathSize) == nullptr)
      return which + " has a path that is not terminated within " + std::to_string(kAlbumPathSize) +
             " characters.";
  }
  return std::string();
}

// The whole of a file; nothing when it does not open (errno then says why).
// A file that opens but cannot be read gives no bytes, as an empty file does:
// the builder then treats it as a picture or music it cannot use.
std::optional<std::vector<std::uint8_t>> readWholeFile(const char* path) {
  errno = 0;
  StdioFile file = openStdioFile(path, "rb");
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  try {
    if (!readStdioFile(file.get(), bytes)) bytes.clear();
  } catch (const std::bad_alloc&) {
    bytes.clear();
  }
  return bytes;
}

// The job as an album: every picture read from its file (one that cannot be
// read becomes an empty slide, which the builder leaves out), the music read
// when it opens; when it does not, *musicMissing says why.
Album albumFromJob(const AlbumJob& job, std::string* musicMissing) {
  Album album;
  album.width = job.width;
  album.height = job.height;
  album.background = SwfColor::fromColorRef(job.backgroundColor);
  album.loop = job.loop != 0;
  album.overBackground = job.overBackground != 0;
  const int hold = std::max(job.pauseSeconds, 0);
  for (std::uint32_t i = 0; i < job.pictureCount; ++i) {
    const AlbumPicture& picture = *job.pictures[i];
    AlbumSlide slide;
    slide.jpeg = readWholeFile(picture.path).value_or(std::vector<std::uint8_t>());
    slide.transition = picture.transition;
    slide.holdSeconds = hold;
    album.slides.push_back(std::move(slide));
  }
  if (job.musicPath) {
    album.music = readWholeFile(job.musicPath);
    if (!album.music)
      *musicMissing = std::string("Cannot open the music file \"") + job.musicPath +
                      "\": " + (errno ? std::strerror(errno) : "unknown error") + ".";
  }
  return album;
}

}  // namespace

int buildAlbum(const AlbumJob* job, AlbumReport* reportOut) {
  AlbumReport scratch;
  AlbumReport& report = reportOut ? *reportOut : scratch;
  report = AlbumReport();

  if (!job) return refuse(report, "No album job was given.");
  std::string why = checkJob(*job);
  if (!why.empty()) return refuse(report, std::move(why));

  BuildScope scope(job);
  std::string musicMissing;
  Album album = albumFromJob(*job, &musicMissing);
  AlbumBuilder builder;
  currentMovie = &builder.movie();
  if (builder.build(std::move(album))) builder.writeFile(job->outputPath);
  report = builder.report();
  if (!musicMissing.empty()) {
    report.music = MusicStatus::Missing;
    report.musicError = musicMissing;
  } else if (report.music == MusicStatus::Unusable) {
    report.musicError =
        std::string("The music file \"") + job->musicPath + "\" cannot be used: " + report.musicError + ".";
  }
  return report.failure == AlbumFailure::None ? 1 : 0;
}

}  // namespace slidewright
