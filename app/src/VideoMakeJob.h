// The make-video command's work: the window's album drawn from its original
// pictures into an MP4 on a worker thread, through the same album video as
// `slidewright make ... -o show.mp4`, reporting to the window's progress bar.
#pragma once
#include <windows.h>

#include <string>

#include "WindowJob.h"
#include "export/album_video.h"
#include "maker/album_maker.h"

// The video's path beside the movie's: the save path with ".mp4" in place of
// its extension (or after it, when the name has none).
std::string videoPathFor(const std::string& savePath);

class VideoMakeJob {
 public:
  using Outcome = slidewright::exports::Result<slidewright::exports::AlbumVideoOutcome>;

  // Starts the video of `album` at its size and 30 frames a second. While it
  // runs the owner receives EncodeProgress (n, 10), n being twentieths of
  // the frames made (so that the bar, from 0 to 20, shows n), then
  // kMakeFinishedMessage. False when a video is being made already.
  bool start(HWND owner, slidewright::maker::AlbumSettings album, const std::string& videoPath);
  // Asks the running video to stop at its next frame; the file is staged
  // beside its place, so nothing is left behind.
  void cancel() { job_.cancel(); }
  bool running() const { return job_.running(); }
  // Waits for the video to end and gives its result (once).
  Outcome finish();

 private:
  WindowJob<Outcome> job_;
};
