// Shared helpers of the `slidewright` subcommands.
#pragma once

namespace slidewright::cli {

// Exit statuses of every subcommand.
constexpr int kExitOk = 0;             // the command did what was asked
constexpr int kExitFailed = 1;         // the input or the output failed (reported on stderr)
constexpr int kExitUsage = 2;          // the command line was wrong (reported on stderr)
constexpr int kExitInterrupted = 130;  // Ctrl-C or a terminate signal cancelled the work

// Name the program prints in front of its messages ("slidewright").
extern const char* const kProgramName;

}  // namespace slidewright::cli
