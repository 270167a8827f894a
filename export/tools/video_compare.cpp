// Compares an exported video with the movie it came from: every frame decoded
// back against the player's drawing of that frame (as `slidewright render
// --frame N` draws it; with --size, scaled with bars of the background colour
// as the export draws them), measured as the export's tests measure it; the
// video's length against the movie's, and its sound.
//
//   export-video-compare MOVIE.swf VIDEO [--size WxH] [--each]
//
// --each prints every frame's PSNR, and whether it changes.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>

#include "fidelity.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: export-video-compare MOVIE.swf VIDEO [--size WxH] [--each]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  int width = 0, height = 0;
  bool each = false;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--each") == 0) {
      each = true;
    } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2) return usage();
    } else {
      return usage();
    }
  }
  namespace probe = slidewright::exports::probe;
  double worstChanging = 99, worstStill = 99, sumChanging = 0, sumStill = 0, worstRgb = 99;
  long changing = 0, still = 0, worstChangingFrame = 0, worstStillFrame = 0;
  probe::FrameFidelity f;
  try {
    f = probe::measureFrames(argv[1], argv[2], width, height, [&](const probe::FrameMeasure& m) {
      if (each)
        std::printf("frame %ld %s yuv %.2f rgb %.2f\n", m.frame, m.changes ? "changes" : "holds", m.yuvDb,
                    m.rgbDb);
      worstRgb = std::min(worstRgb, m.rgbDb);
      if (m.changes) {
        sumChanging += m.yuvDb;
        ++changing;
        if (m.yuvDb < worstChanging) worstChanging = m.yuvDb, worstChangingFrame = m.frame;
      } else {
        sumStill += m.yuvDb;
        ++still;
        if (m.yuvDb < worstStill) worstStill = m.yuvDb, worstStillFrame = m.frame;
      }
    });
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  const probe::ProbedVideo& video = f.video;
  double peak = 0;
  for (float s : video.audio) peak = std::max(peak, double(std::fabs(s)));
  std::printf("video: %s, %s %s %dx%d %s/%s, %.3f fps, index first: %s\n", video.container.c_str(),
              video.videoCodec.c_str(), video.pixelFormat.c_str(), video.width, video.height,
              video.colorSpace.c_str(), video.colorRange.c_str(), video.framesPerSecond,
              video.indexFirst ? "yes" : "no");
  std::printf(
      "frames: %lld decoded, %zu in the movie; video from %.4f s to %.4f s (frames / rate = %.4f s)\n",
      static_cast<long long>(video.frames), f.movieFrames, video.videoStart, video.videoEnd,
      double(video.frames) / f.framesPerSecond);
  std::printf("PSNR (Y'CbCr 4:2:0 samples against the movie's frame converted as the export does):\n");
  std::printf("PSNR, frames that change: %ld, worst %.2f dB (frame %ld), mean %.2f dB\n", changing,
              worstChanging, worstChangingFrame, changing ? sumChanging / double(changing) : 0.0);
  std::printf("PSNR, frames that hold:   %ld, worst %.2f dB (frame %ld), mean %.2f dB\n", still, worstStill,
              worstStillFrame, still ? sumStill / double(still) : 0.0);
  std::printf("PSNR in RGB after conversion for display, worst of all frames: %.2f dB\n", worstRgb);
  std::printf("sound: %s %d Hz %d channel(s), from %.4f s, %.3f s long, peak %.3f\n",
              video.audioCodec.c_str(), video.sampleRate, video.channels, video.audioStart,
              video.audioSeconds(), peak);
  return 0;
}
