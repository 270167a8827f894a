// Shared helpers of the `slidewright` subcommands.
#pragma once

#include <string>
#include <vector>

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
// Turns the movie into the video as `slidewright video` does, with its
// progress bar, messages and exit statuses.
int exportVideoFile(const std::string& movie, const std::string& video, bool quiet);

}  // namespace slidewright::cli
