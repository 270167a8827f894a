// Compares an exported video with the movie it came from: every frame decoded
// back against the player's drawing of that frame (as `slidewright render
// --frame N` draws it), the video's length against the movie's, and its sound.
//
//   export-video-compare MOVIE.swf VIDEO [--size WxH] [--each]
//
// --each prints every frame's PSNR, and whether it changes.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "player/movie_player.h"
#include "video_probe.h"

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
  player::NullAudioOutput silent;
  auto opened = player::MoviePlayer::open(argv[1], &silent);
  if (!opened) {
    std::fprintf(stderr, "%s\n", opened.error().message.c_str());
    return 1;
  }
  player::MoviePlayer& movie = *opened.value();
  const bool scaled = width != 0;
  if (!scaled) {
    width = movie.stageWidth();
    height = movie.stageHeight();
  }
  player::Image reference(width, height), previous(width, height);
  double worstChanging = 99, worstStill = 99, sumChanging = 0, sumStill = 0, worstRgb = 99;
  long changing = 0, still = 0, worstChangingFrame = 0, worstStillFrame = 0;
  slidewright::exports::probe::ProbedVideo video;
  std::string error;
  const bool ok = slidewright::exports::probe::probeVideo(
      argv[2],
      [&](int64_t index, const slidewright::exports::probe::DecodedFrame& frame) {
        movie.gotoFrame(size_t(index));
        movie.render(reference, scaled);
        const bool changed = index == 0 || reference.pixels != previous.pixels;
        const double rgb = slidewright::exports::probe::psnr(reference, frame.rgba, width, height);
        double db = rgb;
        if (reference.width == frame.rgba.width && reference.height == frame.rgba.height)
          db = slidewright::exports::probe::psnrYuv420(reference, frame);
        if (each)
          std::printf("frame %lld %s yuv %.2f rgb %.2f\n", static_cast<long long>(index) + 1,
                      changed ? "changes" : "holds", db, rgb);
        worstRgb = std::min(worstRgb, rgb);
        if (changed) {
          sumChanging += db;
          ++changing;
          if (db < worstChanging) worstChanging = db, worstChangingFrame = long(index) + 1;
        } else {
          sumStill += db;
          ++still;
          if (db < worstStill) worstStill = db, worstStillFrame = long(index) + 1;
        }
        std::swap(reference, previous);
      },
      &video, &error);
  if (!ok) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  double peak = 0;
  for (float s : video.audio) peak = std::max(peak, double(std::fabs(s)));
  std::printf("video: %s, %s %s %dx%d %s/%s, %.3f fps, index first: %s\n", video.container.c_str(),
              video.videoCodec.c_str(), video.pixelFormat.c_str(), video.width, video.height,
              video.colorSpace.c_str(), video.colorRange.c_str(), video.framesPerSecond,
              video.indexFirst ? "yes" : "no");
  std::printf(
      "frames: %lld decoded, %zu in the movie; video from %.4f s to %.4f s (frames / rate = %.4f s)\n",
      static_cast<long long>(video.frames), movie.frameCount(), video.videoStart, video.videoEnd,
      double(video.frames) / movie.framesPerSecond());
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
