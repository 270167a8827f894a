// Compares two videos of the same movie made by two builds of the command:
// the same size, frame rate, number of frames and streams, every frame within
// a PSNR of the other (over the Y, Cb and Cr samples the decoder gives), and
// sound of the same length.
//
//   export-video-agree REFERENCE VIDEO [--min-psnr DB] [--video CODEC] [--audio CODEC]
//
// Exits with 0 when they agree, 1 when they do not (each difference on
// stderr), 2 for a wrong command line.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "video_probe.h"

namespace probe = slidewright::exports::probe;

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: export-video-agree REFERENCE VIDEO [--min-psnr DB] [--video CODEC] [--audio CODEC]\n");
  return 2;
}

// One decoded frame's Y, Cb and Cr samples, row after row without padding.
struct Planes {
  std::vector<uint8_t> samples[3];
};

Planes copyPlanes(const probe::DecodedFrame& f, int width, int height) {
  Planes p;
  for (int i = 0; i < 3; ++i) {
    const int w = i ? (width + 1) / 2 : width, h = i ? (height + 1) / 2 : height;
    p.samples[i].resize(size_t(w) * h);
    for (int y = 0; y < h; ++y)
      std::memcpy(&p.samples[i][size_t(y) * w], f.planes[i] + size_t(y) * f.strides[i], size_t(w));
  }
  return p;
}

double psnr(const Planes& a, const Planes& b) {
  double squares = 0;
  size_t count = 0;
  for (int i = 0; i < 3; ++i) {
    for (size_t k = 0; k < a.samples[i].size(); ++k) {
      const double d = double(a.samples[i][k]) - double(b.samples[i][k]);
      squares += d * d;
    }
    count += a.samples[i].size();
  }
  if (squares == 0) return 99;
  return 10 * std::log10(255.0 * 255.0 * double(count) / squares);
}

bool probeInto(const char* path, const probe::FrameVisitor& visit, probe::ProbedVideo* out) {
  std::string error;
  if (probe::probeVideo(path, visit, out, &error)) return true;
  std::fprintf(stderr, "%s: %s\n", path, error.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  double minPsnr = 35;
  std::string videoCodec = "h264", audioCodec = "aac";
  for (int i = 3; i < argc; ++i) {
    const std::string opt = argv[i];
    if (i + 1 >= argc) return usage();
    if (opt == "--min-psnr") {
      minPsnr = std::atof(argv[++i]);
    } else if (opt == "--video") {
      videoCodec = argv[++i];
    } else if (opt == "--audio") {
      audioCodec = argv[++i];
    } else {
      return usage();
    }
  }

  probe::ProbedVideo ref, video;
  std::vector<Planes> frames;
  if (!probeInto(
          argv[1],
          [&](int64_t, const probe::DecodedFrame& f) {
            frames.push_back(copyPlanes(f, ref.width, ref.height));
          },
          &ref))
    return 1;

  int faults = 0;
  auto fault = [&](const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", argv[2], what.c_str());
    ++faults;
  };
  double worst = 99;
  int64_t worstFrame = -1, below = 0;
  bool sameSize = true;
  if (!probeInto(
          argv[2],
          [&](int64_t index, const probe::DecodedFrame& f) {
            sameSize = sameSize && f.rgba.width == ref.width && f.rgba.height == ref.height;
            if (!sameSize || index >= int64_t(frames.size())) return;
            const double db = psnr(frames[size_t(index)], copyPlanes(f, ref.width, ref.height));
            if (db < worst) worst = db, worstFrame = index;
            if (db < minPsnr) ++below;
          },
          &video))
    return 1;

  std::printf("%s: %s %dx%d %.3f fps, %lld frames, %s %d Hz, %.3f s of sound\n", argv[1],
              ref.videoCodec.c_str(), ref.width, ref.height, ref.framesPerSecond,
              static_cast<long long>(ref.frames), ref.audioCodec.c_str(), ref.sampleRate, ref.audioSeconds());
  std::printf("%s: %s %dx%d %.3f fps, %lld frames, %s %d Hz, %.3f s of sound\n", argv[2],
              video.videoCodec.c_str(), video.width, video.height, video.framesPerSecond,
              static_cast<long long>(video.frames), video.audioCodec.c_str(), video.sampleRate,
              video.audioSeconds());
  std::printf("PSNR frame by frame: worst %.2f dB (frame %lld), %lld frame(s) below %.1f dB\n", worst,
              static_cast<long long>(worstFrame), static_cast<long long>(below), minPsnr);

  if (video.videoCodec != videoCodec) fault("the video is " + video.videoCodec + ", not " + videoCodec);
  if (video.audioCodec != audioCodec) fault("the sound is " + video.audioCodec + ", not " + audioCodec);
  if (!sameSize) fault("the size differs from the reference's");
  if (std::fabs(video.framesPerSecond - ref.framesPerSecond) > 1e-3) fault("the frame rate differs");
  if (video.frames != ref.frames || video.frames == 0)
    fault("it has " + std::to_string(video.frames) + " frames, the reference " + std::to_string(ref.frames));
  if (std::fabs(video.videoEnd - ref.videoEnd) > 1e-3) fault("the picture ends at another time");
  // One AAC frame of sound (1024 samples) either way.
  if (video.sampleRate != ref.sampleRate ||
      std::fabs(video.audioSeconds() - ref.audioSeconds()) > 1024.0 / std::max(ref.sampleRate, 1))
    fault("the sound's rate or length differs");
  if (below > 0) fault(std::to_string(below) + " frame(s) differ from the reference's by more than allowed");
  return faults ? 1 : 0;
}
