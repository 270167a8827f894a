// Shared helpers of the `slidewright` subcommands.
#pragma once

#include <string>
#include <vector>

#include "maker/album_maker.h"

namespace slidewright::cli {

// Exit statuses of every subcommand.
constexpr int kExitOk = 0;      // the command did what was asked
constexpr int kExitFailed = 1;  // the input or the output failed (reported on stderr)
constexpr int kExitUsage = 2;   // the command line was wrong (reported on stderr)
// A command stopped by a signal exits with 128 + its number (interrupt.h).

// Name the program prints in front of its messages ("slidewright").
extern const char* const kProgramName;

// A wrong command line of `command` ("make", ...): the message on stderr with
// where to find the options; returns kExitUsage.
int usageError(const char* command, const std::string& message);

// The folder of the running command (where files installed beside it lie),
// or empty where it cannot be told.
std::string programFolder();

// Whether output is one of the inputs (the same file through any link or
// spelling of its path), which writing it would destroy: if so, says which on
// stderr and returns true.
bool outputIsAnInput(const std::string& output, const std::vector<std::string>& inputs);

// The video export, for `slidewright make -o SHOW.mp4` (video_command.cpp).
// Whether a file name asks for a video (".mp4" or ".webm", in any case).
bool isVideoName(const std::string& path);
// Whether this build makes videos.
bool canMakeVideos();
// How `make` and `video` make a video of an album.
struct AlbumVideoRequest {
  int width = 0, height = 0;  // 0: the album's size
  int fps = 0;                // 0: 30
  int crf = -1;               // -1: the codec's default
  std::string preset;         // empty: fast
};
// Makes the album into the video from its pictures, with the progress bar,
// messages and exit statuses of `slidewright video`. *pauseSeconds is the
// hold used (chosen from the music with fitToMusic).
int makeAlbumVideo(const maker::AlbumSettings& settings, const std::string& video,
                   const AlbumVideoRequest& request, bool quiet, int* pauseSeconds);

}  // namespace slidewright::cli
