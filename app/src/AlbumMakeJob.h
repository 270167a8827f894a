// The make-album command's work, done on a worker thread through the album
// pipeline that `slidewright make` uses, so that the window keeps painting
// and its progress bar moves during a long make, and the same inputs give
// the same movie from either.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "AlbumSettings.h"
#include "WindowJob.h"
#include "maker/album_maker.h"

// The save path as the make command completes it: a bare file name goes into
// the current folder, the whole path is lower-cased (in any script) and
// ".swf" is added unless it ends so. UTF-8 paths.
std::string completeSavePath(const std::string& savePath, const std::string& currentFolder);

// The pipeline's settings for the window's values and pictures: music only
// when a music file is chosen, the movie looping unless the album says it
// should stop at its end.
slidewright::maker::AlbumSettings makeSettingsFor(const AlbumSettings& window,
                                                  std::vector<slidewright::maker::AlbumEntry> pictures);

class AlbumMakeJob {
 public:
  // Starts the make. While it runs, the owner receives EncodeProgress
  // (WM_USER + 100) messages: (done, total) with total not 0 while the music
  // is re-encoded, (10, 10) when the pictures begin, and (0, 0) after every
  // rendered picture; then kMakeFinishedMessage. False when a make runs
  // already.
  bool start(HWND owner, slidewright::maker::AlbumSettings settings);
  // Asks the running make to stop at its next step; nothing is left behind.
  void cancel() { job_.cancel(); }
  bool running() const { return job_.running(); }
  // Waits for the make to end and gives its result (once).
  slidewright::maker::MakeResult<slidewright::maker::MakeOutcome> finish();

 private:
  bool report(const slidewright::maker::MakeProgress& progress);

  WindowJob<slidewright::maker::MakeResult<slidewright::maker::MakeOutcome>> job_;
  int musicTenths_ = -1;  // last music position posted, to post each step once
};
