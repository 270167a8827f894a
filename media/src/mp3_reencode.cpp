// Music re-encoding: mpg123 decodes to floating point, the channels are
// averaged to mono, and LAME resamples to 22050 Hz and encodes at 32 kbit/s
// CBR. The output is bare MPEG frames: no Xing/Info frame (it would play as a
// short silence) and no ID3 tag.
#include "common/file_kind.h"
#include "common/mpeg_audio.h"
#include "common/stdio_file.h"
#include "mpeg_coverage.h"
#include "media/mp3.h"

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include <lame/lame.h>
#include <mpg123.h>

namespace slidewright::media {

namespace {

// What mpg123 reads through: the open input file and how far it has read.
struct Input {
  std::FILE* file;
  std::uint64_t read;
  int error;
};

mpg123_ssize_t readInput(void* handle, void* buffer, size_t bytes) {
  auto* in = static_cast<Input*>(handle);
  size_t n = std::fread(buffer, 1, bytes, in->file);
  if (n < bytes && std::ferror(in->file)) {
    in->error = errno ? errno : EIO;
    return -1;
  }
  in->read += n;
  return static_cast<mpg123_ssize_t>(n);
}

// The input is read front to back only: a seek always fails, so the decoder
// treats the stream as unseekable, never jumps to the end looking for tags,
// and the bytes read are the progress. (A null seek function is not safe on
// every build of the decoder.)
off_t refuseSeek(void*, off_t, int) { return -1; }

struct Mpg123Handle {
  mpg123_handle* h = nullptr;
  ~Mpg123Handle() {
    if (h) {
      mpg123_close(h);
      mpg123_delete(h);
    }
  }
};

struct LameHandle {
  lame_t gf = nullptr;
  ~LameHandle() {
    if (gf) lame_close(gf);
  }
};

void quiet(const char*, va_list) {}

bool initMpg123() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] { ok = mpg123_init() == MPG123_OK; });
  return ok;
}

// A decoder plays an MP3 this many samples later than its encoder was given
// them, on top of the encoder's own delay.
constexpr int kDecoderDelay = 529;

// The MP3 cut to its first `frames` frames.
void keepFrames(std::vector<std::uint8_t>& mp3, std::uint64_t frames) {
  std::size_t at = 0;
  MpegAudioHeader h;
  for (std::uint64_t n = 0; n < frames && at + 4 <= mp3.size(); ++n) {
    if (!decodeMpegAudioHeader(mp3.data() + at, &h)) return;
    at += static_cast<std::size_t>(h.length);
  }
  if (at < mp3.size()) mp3.resize(at);
}

// Decodes the input to mono floating point and, with `encode`, re-encodes it,
// fading and cutting it when `fade` is given.
Result<ReencodedMp3> transcode(const std::string& inputPath, const ProgressCallback& progress,
                               const FadeOut* fade, bool encode) {
  // Music is measured before it is decoded: a folder, device or pipe has no
  // size to measure (and a device such as /dev/urandom never ends).
  const slidewright::FileFacts facts = slidewright::inspectFile(inputPath);
  if (facts.kind == slidewright::FileKind::Folder)
    return fail(ErrorKind::FileAccess, "the music is a folder, not a file");
  if (facts.kind == slidewright::FileKind::Other)
    return fail(ErrorKind::NotSupported, "the music is a device or a pipe, not a file");
  errno = 0;
  StdioFile inFile = openStdioFile(inputPath, "rb");
  if (!inFile)
    return fail(ErrorKind::FileAccess, std::string("cannot open the music file: ") + std::strerror(errno));
  std::uint64_t total = 0;
  if (std::fseek(inFile.get(), 0, SEEK_END) == 0) {
    long end = std::ftell(inFile.get());
    if (end > 0) total = static_cast<std::uint64_t>(end);
    std::fseek(inFile.get(), 0, SEEK_SET);
  }
  if (total == 0) return fail(ErrorKind::Damaged, "the music file is empty");
  // Music is made of frames that follow one another. The decoder also finds
  // a few chance frame headers in files of other kinds (random bytes, a WAV,
  // a picture) and would make a moment of noise of them.
  const detail::MpegCoverage coverage = detail::measureMpegCoverage(inFile.get(), total);
  if (coverage.chainedBytes == 0)
    return fail(ErrorKind::NotSupported,
                "no MPEG audio could be decoded from the music file (it holds no run of MPEG audio frames)");
  if (coverage.chainedBytes * 2 < coverage.audioBytes)
    return fail(ErrorKind::NotSupported,
                "the music file is not MPEG audio, or too damaged to use (only " +
                    std::to_string(coverage.chainedBytes * 100 / coverage.audioBytes) +
                    "% of it is MPEG audio frames)");

  if (!initMpg123()) return fail(ErrorKind::Internal, "the MP3 decoder could not start");
  Mpg123Handle dec;
  int code = MPG123_OK;
  dec.h = mpg123_new(nullptr, &code);
  if (!dec.h) return fail(ErrorKind::Internal, "the MP3 decoder could not start");
  mpg123_param(dec.h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  // Floating-point output at the file's own rate and channel count.
  mpg123_format_none(dec.h);
  const long* rates = nullptr;
  size_t rateCount = 0;
  mpg123_rates(&rates, &rateCount);
  for (size_t i = 0; i < rateCount; ++i)
    mpg123_format(dec.h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);

  Input input{inFile.get(), 0, 0};
  if (mpg123_replace_reader_handle(dec.h, readInput, refuseSeek, nullptr) != MPG123_OK ||
      mpg123_open_handle(dec.h, &input) != MPG123_OK)
    return fail(ErrorKind::Damaged, "the MP3 decoder could not open the music file");

  LameHandle enc;
  ReencodedMp3 result;
  Mp3Summary& summary = result.summary;
  std::vector<float> pcm(1 << 16);
  std::vector<float> mono;
  std::vector<unsigned char> mp3;
  auto emit = [&](int n) {
    if (n <= 0) return;
    result.mp3.insert(result.mp3.end(), mp3.begin(), mp3.begin() + n);
    summary.outputBytes += static_cast<std::uint64_t>(n);
  };

  int channels = 0;
  // With a fade: when each input sample is heard (its time plus the delays),
  // and where the input stops being encoded.
  double heardLatency = 0;
  bool cut = false;
  for (;;) {
    size_t got = 0;
    int rc = mpg123_read(dec.h, pcm.data(), pcm.size() * sizeof(float), &got);
    if (rc == MPG123_NEW_FORMAT) {
      long rate = 0;
      int encoding = 0;
      mpg123_getformat(dec.h, &rate, &channels, &encoding);
      if (!enc.gf) {
        enc.gf = lame_init();
        if (!enc.gf) return fail(ErrorKind::Internal, "the MP3 encoder could not start");
        lame_set_errorf(enc.gf, quiet);
        lame_set_debugf(enc.gf, quiet);
        lame_set_msgf(enc.gf, quiet);
        lame_set_num_channels(enc.gf, 1);
        lame_set_in_samplerate(enc.gf, static_cast<int>(rate));
        lame_set_out_samplerate(enc.gf, kAlbumSampleRate);
        lame_set_mode(enc.gf, MONO);
        lame_set_VBR(enc.gf, vbr_off);
        lame_set_brate(enc.gf, kAlbumBitrateKbps);
        lame_set_bWriteVbrTag(enc.gf, 0);
        lame_set_write_id3tag_automatic(enc.gf, 0);
        if (lame_init_params(enc.gf) < 0)
          return fail(ErrorKind::Internal, "the MP3 encoder refused the settings");
        heardLatency = double(lame_get_encoder_delay(enc.gf) + kDecoderDelay) / kAlbumSampleRate;
        summary.sourceRate = static_cast<int>(rate);
        summary.sourceChannels = channels;
      } else if (rate != summary.sourceRate) {
        return fail(ErrorKind::Damaged,
                    "the music changes its sample rate part way through, which cannot be re-encoded");
      }
      continue;
    }
    if (got > 0 && channels > 0 && enc.gf) {
      const size_t frames = got / sizeof(float) / static_cast<size_t>(channels);
      mono.resize(frames);
      // Damaged frames can decode to samples far out of range, or not numbers
      // at all, which the encoder does not survive: clip them.
      for (size_t i = 0; i < frames; ++i) {
        float sum = 0;
        for (int c = 0; c < channels; ++c) sum += pcm[i * channels + c];
        const float v = sum / static_cast<float>(channels);
        mono[i] = v >= -1.0f && v <= 1.0f ? v : v > 1.0f ? 1.0f : v < -1.0f ? -1.0f : 0.0f;
      }
      std::size_t kept = cut ? 0 : frames;
      if (fade && !cut) {
        for (std::size_t i = 0; i < frames; ++i) {
          const double heard = double(summary.sourceSamples + i) / summary.sourceRate + heardLatency;
          if (heard >= fade->end) {
            kept = i;
            cut = true;
            break;
          }
          mono[i] *= fade->gainAt(heard);
        }
      }
      summary.sourceSamples += frames;
      if (encode && kept > 0) {
        mp3.resize(kept * 5 / 4 + 7200);
        emit(lame_encode_buffer_ieee_float(enc.gf, mono.data(), mono.data(), static_cast<int>(kept),
                                           mp3.data(), static_cast<int>(mp3.size())));
      }
      if (progress && !progress(std::min(input.read, total), total))
        return fail(ErrorKind::Cancelled, "cancelled");
    }
    if (rc == MPG123_DONE) break;
    if (rc != MPG123_OK) {
      if (input.error)
        return fail(ErrorKind::FileAccess,
                    std::string("cannot read the music file: ") + std::strerror(input.error));
      if (summary.sourceSamples == 0)
        return fail(ErrorKind::Damaged, std::string("no MPEG audio could be decoded from the music file (") +
                                            mpg123_strerror(dec.h) + ")");
      // The decoder also finds a few chance frame headers in files of other
      // kinds (a WAV, random bytes) before it gives up: a fraction of a second
      // of noise from the first part of the file is no music to keep.
      const bool littleDecoded = summary.sourceSamples < static_cast<std::uint64_t>(summary.sourceRate / 4);
      if (littleDecoded || input.read < total / 2)
        return fail(ErrorKind::NotSupported,
                    std::string("the music file is not MPEG audio, or too damaged to use (") +
                        mpg123_strerror(dec.h) + ")");
      break;  // damage after much good audio: keep what was decoded
    }
  }
  if (input.error)
    return fail(ErrorKind::FileAccess,
                std::string("cannot read the music file: ") + std::strerror(input.error));
  if (summary.sourceSamples == 0 || !enc.gf)
    return fail(ErrorKind::Damaged, "no MPEG audio could be decoded from the music file");
  if (encode) {
    mp3.resize(7200);
    emit(lame_encode_flush(enc.gf, mp3.data(), static_cast<int>(mp3.size())));
  }
  if (encode && fade) {
    // The encoder pads its last frame and may add one more: frames that would
    // still play after the end are dropped (they hold nothing but silence).
    const double endSamples = std::max(0.0, fade->end) * kAlbumSampleRate;
    keepFrames(result.mp3, static_cast<std::uint64_t>(endSamples) / kAlbumFrameSamples);
    summary.outputBytes = result.mp3.size();
  }
  summary.seconds = static_cast<double>(summary.sourceSamples) / summary.sourceRate;
  if (progress) progress(total, total);
  return result;
}

}  // namespace

float FadeOut::gainAt(double seconds) const {
  if (seconds >= end) return 0.0f;
  if (seconds <= start) return 1.0f;
  return static_cast<float>((end - seconds) / (end - start));
}

FadeOut FadeOut::overEnd(double showSeconds, double fadeSeconds) {
  return FadeOut{std::max(0.0, showSeconds - fadeSeconds), showSeconds};
}

Result<ReencodedMp3> reencodeMp3(const std::string& inputPath, const ProgressCallback& progress,
                                 const std::optional<FadeOut>& fade) {
  return transcode(inputPath, progress, fade ? &*fade : nullptr, true);
}

Result<Mp3Summary> measureMp3(const std::string& inputPath, const ProgressCallback& progress) {
  auto measured = transcode(inputPath, progress, nullptr, false);
  if (!measured) return measured.error();
  return measured.value().summary;
}

Result<Mp3Summary> reencodeMp3(const std::string& inputPath, const std::string& outputPath,
                               const ProgressCallback& progress) {
  auto encoded = reencodeMp3(inputPath, progress);
  if (!encoded) return encoded.error();
  const std::vector<std::uint8_t>& bytes = encoded.value().mp3;
  errno = 0;
  StdioFile outFile = openStdioFile(outputPath, "wb");
  if (!outFile)
    return fail(ErrorKind::FileAccess,
                "cannot create the re-encoded music file " + outputPath + ": " + std::strerror(errno));
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), outFile.get()) == bytes.size();
  int err = errno;
  if (!closeWritten(outFile) && written) {
    written = false;
    err = errno;
  }
  if (!written)
    return fail(ErrorKind::FileAccess,
                "cannot write the re-encoded music file " + outputPath + ": " + std::strerror(err));
  return encoded.value().summary;
}

}  // namespace slidewright::media
