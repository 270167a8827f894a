#include "VideoMakeJob.h"

namespace exports = slidewright::exports;

std::string videoPathFor(const std::string& savePath) {
  const std::size_t slash = savePath.find_last_of("\\/");
  const std::size_t dot = savePath.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? savePath.substr(0, dot) : savePath) + ".mp4";
}

bool VideoMakeJob::start(HWND owner, slidewright::maker::AlbumSettings album, const std::string& videoPath) {
  exports::AlbumVideoOptions options;
  options.outputPath = videoPath;
  options.format = exports::VideoFormat::Mp4;
  return job_.start(
      owner, [owner, album = std::move(album), options](const std::function<bool()>& goOn) -> Outcome {
#if SLIDEWRIGHT_VIDEO_EXPORT
        int posted = -1;
        return exports::exportAlbumVideo(album, options, [&](const exports::VideoProgress& p) {
          const int twentieths = p.frameCount ? static_cast<int>(p.framesDone * 20 / p.frameCount) : 0;
          if (twentieths != posted) {
            posted = twentieths;
            PostMessageA(owner, EncodeProgress, static_cast<WPARAM>(twentieths), 10);
          }
          return goOn();
        });
#else
    (void)owner, (void)album, (void)options, (void)goOn;
    return exports::fail(exports::ErrorKind::Encoding, "this build makes no videos");
#endif
      });
}

VideoMakeJob::Outcome VideoMakeJob::finish() {
  return job_.finish(exports::fail(exports::ErrorKind::Settings, "no video was started"));
}
