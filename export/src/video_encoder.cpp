#include "video_encoder.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace slidewright::exports {

namespace {

// FFmpeg's libraries report through one log for the whole process. Their
// chatter (encoder settings, statistics) is not for the user; the last error
// they logged is kept to explain a failure.
std::mutex logMutex;
std::string lastLoggedError;

void keepLastError(void* context, int level, const char* format, va_list args) {
  if (level > AV_LOG_ERROR) return;
  char line[512];
  int printPrefix = 0;
  av_log_format_line(context, level, format, args, line, sizeof line, &printPrefix);
  std::string text = line;
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  std::lock_guard<std::mutex> lock(logMutex);
  lastLoggedError = text;
}

std::string avError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  std::string message = text;
  std::lock_guard<std::mutex> lock(logMutex);
  if (!lastLoggedError.empty()) message += ": " + lastLoggedError;
  lastLoggedError.clear();
  return message;
}

// Keyframes at least this often, so that seeking in a player stays quick.
constexpr int kKeyframeSeconds = 10;

// VP9's mode and speed for each preset, in the order of kVideoPresets. The
// "good" mode spends about as long on a picture at any speed here (800 x 600
// albums: some 25 frames a second on one core); the real-time mode is four
// to ten times faster for files a third larger at the same quality.
struct Vp9Speed {
  const char* deadline;
  int cpuUsed;
};
constexpr Vp9Speed kVp9Speed[] = {{"realtime", 8}, {"realtime", 7}, {"realtime", 6},
                                  {"realtime", 5}, {"good", 5},     {"good", 4},
                                  {"good", 2},     {"good", 1},     {"good", 0}};

bool supportsFormat(const AVCodec* codec, AVSampleFormat format) {
  if (!codec->sample_fmts) return false;
  for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
    if (*f == format) return true;
  return false;
}

}  // namespace

const char* const kVideoPresets[] = {"ultrafast", "superfast", "veryfast", "faster",  "fast",
                                     "medium",    "slow",      "slower",   "veryslow"};
const int kVideoPresetCount = int(sizeof kVideoPresets / sizeof kVideoPresets[0]);

int videoPresetIndex(const std::string& name) {
  for (int i = 0; i < kVideoPresetCount; ++i)
    if (name == kVideoPresets[i]) return i;
  return -1;
}

int audioRateFor(VideoFormat format) { return format == VideoFormat::WebM ? 48000 : 44100; }

SwsContext* makeRgbaToYuv420(int width, int height) {
  // The renderer's sRGB pixels (full range) to BT.709 limited-range YUV,
  // with chroma taken from every pixel before it is halved.
  SwsContext* convert =
      sws_getContext(width, height, AV_PIX_FMT_RGBA, width, height, AV_PIX_FMT_YUV420P,
                     SWS_AREA | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr, nullptr, nullptr);
  if (!convert) return nullptr;
  const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
  sws_setColorspaceDetails(convert, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
  return convert;
}

struct VideoEncoder::Impl {
  EncoderSettings s;
  std::string name;  // the file as the user named it, for messages
  AVFormatContext* format = nullptr;
  AVCodecContext* video = nullptr;
  AVCodecContext* audio = nullptr;
  AVStream* videoStream = nullptr;
  AVStream* audioStream = nullptr;
  SwsContext* convert = nullptr;
  AVFrame* picture = nullptr;
  AVFrame* sound = nullptr;
  AVPacket* packet = nullptr;
  int audioFrameSize = 1024;
  bool smallLastFrame = false;
  int64_t videoPts = 0;
  int64_t audioPts = 0;
  std::vector<float> pending;  // fewer samples than one audio frame, interleaved
  bool fileOpen = false;

  ~Impl() {
    sws_freeContext(convert);
    av_frame_free(&picture);
    av_frame_free(&sound);
    av_packet_free(&packet);
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    if (format && fileOpen) avio_closep(&format->pb);
    avformat_free_context(format);
  }

  Error encodingError(const std::string& what, int code) const {
    return fail(ErrorKind::Encoding, name + ": " + what + " (" + avError(code) + ")");
  }

  Status openVideo();
  Status openAudio();
  Status drain(AVCodecContext* codec, AVStream* stream, bool isVideo);
  Status encodeAudio(const float* samples, int frames);
};

Status VideoEncoder::Impl::openVideo() {
  const bool mp4 = s.format == VideoFormat::Mp4;
  const char* codecName = mp4 ? "libx264" : "libvpx-vp9";
  const AVCodec* codec = avcodec_find_encoder_by_name(codecName);
  if (!codec)
    return fail(ErrorKind::Encoding, name + ": FFmpeg's libraries here have no " + codecName +
                                         " encoder; install Debian's FFmpeg libraries (libavcodec59)");
  video = avcodec_alloc_context3(codec);
  if (!video) return fail(ErrorKind::Encoding, name + ": out of memory");
  video->width = s.width;
  video->height = s.height;
  video->pix_fmt = AV_PIX_FMT_YUV420P;
  video->time_base = AVRational{s.fpsDen, s.fpsNum};
  video->framerate = AVRational{s.fpsNum, s.fpsDen};
  video->sample_aspect_ratio = AVRational{1, 1};
  video->gop_size = std::max(1, int(int64_t(kKeyframeSeconds) * s.fpsNum / s.fpsDen));
  video->color_range = AVCOL_RANGE_MPEG;
  video->colorspace = AVCOL_SPC_BT709;
  video->color_primaries = AVCOL_PRI_BT709;
  video->color_trc = AVCOL_TRC_BT709;
  video->thread_count = 0;  // as many as the machine has
  if (format->oformat->flags & AVFMT_GLOBALHEADER) video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

  AVDictionary* options = nullptr;
  av_dict_set_int(&options, "crf", s.crf, 0);
  if (mp4) {
    av_dict_set(&options, "preset", s.preset.c_str(), 0);
  } else {
    // Constant quality needs the bit rate left open.
    video->bit_rate = 0;
    video->thread_count = int(std::max(1u, std::thread::hardware_concurrency()));
    const int preset = videoPresetIndex(s.preset);
    const Vp9Speed speed = kVp9Speed[preset >= 0 ? preset : 4];  // unknown: as "fast"
    av_dict_set(&options, "deadline", speed.deadline, 0);
    av_dict_set_int(&options, "cpu-used", speed.cpuUsed, 0);
    av_dict_set_int(&options, "row-mt", 1, 0);
  }
  const int opened = avcodec_open2(video, codec, &options);
  av_dict_free(&options);
  if (opened < 0) return encodingError(std::string("cannot start the ") + codecName + " encoder", opened);

  videoStream = avformat_new_stream(format, nullptr);
  if (!videoStream) return fail(ErrorKind::Encoding, name + ": out of memory");
  avcodec_parameters_from_context(videoStream->codecpar, video);
  videoStream->time_base = video->time_base;
  videoStream->avg_frame_rate = video->framerate;

  picture = av_frame_alloc();
  if (!picture) return fail(ErrorKind::Encoding, name + ": out of memory");
  picture->format = AV_PIX_FMT_YUV420P;
  picture->width = s.width;
  picture->height = s.height;
  picture->color_range = AVCOL_RANGE_MPEG;
  picture->colorspace = AVCOL_SPC_BT709;
  picture->color_primaries = AVCOL_PRI_BT709;
  picture->color_trc = AVCOL_TRC_BT709;
  if (int r = av_frame_get_buffer(picture, 0); r < 0) return encodingError("cannot hold a frame", r);

  convert = makeRgbaToYuv420(s.width, s.height);
  if (!convert) return fail(ErrorKind::Encoding, name + ": cannot set up the colour conversion");
  return success();
}

Status VideoEncoder::Impl::openAudio() {
  const bool mp4 = s.format == VideoFormat::Mp4;
  const char* codecName = mp4 ? "aac" : "libopus";
  const AVCodec* codec = avcodec_find_encoder_by_name(codecName);
  if (!codec)
    return fail(ErrorKind::Encoding, name + ": FFmpeg's libraries here have no " + codecName +
                                         " encoder; install Debian's FFmpeg libraries (libavcodec59)");
  audio = avcodec_alloc_context3(codec);
  if (!audio) return fail(ErrorKind::Encoding, name + ": out of memory");
  audio->sample_fmt = supportsFormat(codec, AV_SAMPLE_FMT_FLT)    ? AV_SAMPLE_FMT_FLT
                      : supportsFormat(codec, AV_SAMPLE_FMT_FLTP) ? AV_SAMPLE_FMT_FLTP
                                                                  : AV_SAMPLE_FMT_S16;
  audio->sample_rate = s.sampleRate;
  av_channel_layout_default(&audio->ch_layout, s.channels);
  audio->bit_rate = s.audioBitrate;
  audio->time_base = AVRational{1, s.sampleRate};
  if (format->oformat->flags & AVFMT_GLOBALHEADER) audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (int r = avcodec_open2(audio, codec, nullptr); r < 0)
    return encodingError(std::string("cannot start the ") + codecName + " encoder", r);
  const bool variable = codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE;
  audioFrameSize = audio->frame_size > 0 && !variable ? audio->frame_size : 1024;
  smallLastFrame = variable || (codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);

  audioStream = avformat_new_stream(format, nullptr);
  if (!audioStream) return fail(ErrorKind::Encoding, name + ": out of memory");
  avcodec_parameters_from_context(audioStream->codecpar, audio);
  audioStream->time_base = audio->time_base;

  sound = av_frame_alloc();
  if (!sound) return fail(ErrorKind::Encoding, name + ": out of memory");
  sound->format = audio->sample_fmt;
  sound->sample_rate = s.sampleRate;
  sound->nb_samples = audioFrameSize;
  av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout);
  if (int r = av_frame_get_buffer(sound, 0); r < 0) return encodingError("cannot hold the sound", r);
  return success();
}

Status VideoEncoder::Impl::drain(AVCodecContext* codec, AVStream* stream, bool isVideo) {
  for (;;) {
    int r = avcodec_receive_packet(codec, packet);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return success();
    if (r < 0) return encodingError("encoding failed", r);
    // Every frame lasts one frame time; saying so gives the last one its
    // length, so the video lasts exactly frames / frame rate.
    if (isVideo && packet->duration == 0) packet->duration = 1;
    // An encoder with a built-in delay (Opus: 312 samples) stamps its first
    // packet before zero; the decoder drops that many samples. In WebM a
    // block's time is its presentation time plus that delay (which the file
    // states as CodecDelay), so the first block lands at zero, the video is
    // not shifted, and sound and pictures start together. MP4 states the
    // delay in an edit list instead, from the negative times as they are.
    if (!isVideo && s.format == VideoFormat::WebM && codec->initial_padding > 0) {
      packet->pts += codec->initial_padding;
      packet->dts += codec->initial_padding;
    }
    av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
    packet->stream_index = stream->index;
    r = av_interleaved_write_frame(format, packet);
    if (r < 0) return fail(ErrorKind::Output, name + ": writing the video failed (" + avError(r) + ")");
  }
}

Status VideoEncoder::Impl::encodeAudio(const float* samples, int frames) {
  if (int r = av_frame_make_writable(sound); r < 0) return encodingError("cannot hold the sound", r);
  sound->nb_samples = frames;
  const int channels = s.channels;
  auto clamp = [](float v) { return std::max(-1.0f, std::min(1.0f, v)); };
  if (audio->sample_fmt == AV_SAMPLE_FMT_FLT) {
    float* d = reinterpret_cast<float*>(sound->data[0]);
    for (int k = 0; k < frames * channels; ++k) d[k] = clamp(samples[k]);
  } else if (audio->sample_fmt == AV_SAMPLE_FMT_FLTP) {
    for (int c = 0; c < channels; ++c) {
      float* d = reinterpret_cast<float*>(sound->data[c]);
      for (int f = 0; f < frames; ++f) d[f] = clamp(samples[f * channels + c]);
    }
  } else {
    int16_t* d = reinterpret_cast<int16_t*>(sound->data[0]);
    for (int k = 0; k < frames * channels; ++k) d[k] = int16_t(std::lround(clamp(samples[k]) * 32767.0f));
  }
  sound->pts = audioPts;
  audioPts += frames;
  if (int r = avcodec_send_frame(audio, sound); r < 0) return encodingError("encoding the sound failed", r);
  return drain(audio, audioStream, false);
}

VideoEncoder::VideoEncoder(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
VideoEncoder::~VideoEncoder() = default;

Result<std::unique_ptr<VideoEncoder>> VideoEncoder::open(const std::string& path,
                                                         const std::string& displayName,
                                                         const EncoderSettings& settings) {
  static std::once_flag quietLog;
  std::call_once(quietLog, [] { av_log_set_callback(keepLastError); });
  auto impl = std::make_unique<Impl>();
  Impl& e = *impl;
  e.s = settings;
  e.name = displayName;
  const char* formatName = settings.format == VideoFormat::Mp4 ? "mp4" : "webm";
  // The Windows build's libraries carry the MP4 muxer and encoders alone.
  if (settings.format == VideoFormat::WebM && !av_guess_format(formatName, nullptr, nullptr))
    return fail(ErrorKind::Encoding,
                displayName + ": this build writes no WebM videos; name a .mp4 file instead");
  if (int r = avformat_alloc_output_context2(&e.format, nullptr, formatName, path.c_str()); r < 0)
    return e.encodingError(std::string("FFmpeg's libraries cannot write ") + formatName, r);
  e.packet = av_packet_alloc();
  if (!e.packet) return fail(ErrorKind::Encoding, displayName + ": out of memory");
  if (Status v = e.openVideo(); !v) return v.error();
  if (Status a = e.openAudio(); !a) return a.error();

  if (int r = avio_open(&e.format->pb, path.c_str(), AVIO_FLAG_WRITE); r < 0)
    return fail(ErrorKind::Output, displayName + ": cannot write the video there (" + avError(r) + ")");
  e.fileOpen = true;
  AVDictionary* options = nullptr;
  // The index goes to the front once the file is complete, so that a
  // browser or phone can start playing, and seek, before the whole file has
  // arrived.
  if (settings.format == VideoFormat::Mp4)
    av_dict_set(&options, "movflags", "+faststart", 0);
  else
    av_dict_set(&options, "cues_to_front", "1", 0);
  const int r = avformat_write_header(e.format, &options);
  av_dict_free(&options);
  if (r < 0) return fail(ErrorKind::Output, displayName + ": cannot start the video (" + avError(r) + ")");
  return std::unique_ptr<VideoEncoder>(new VideoEncoder(std::move(impl)));
}

Status VideoEncoder::writeFrame(const player::Image& rgba, bool sameAsLast) {
  Impl& e = *impl_;
  // The encoder copies what it is given, so the frame is normally free to
  // be written again; if it is still held, this makes a copy (of the last
  // picture, which a repeat needs anyway).
  if (int r = av_frame_make_writable(e.picture); r < 0) return e.encodingError("cannot hold a frame", r);
  if (!sameAsLast || e.videoPts == 0) {
    const uint8_t* source[1] = {rgba.pixels.data()};
    const int stride[1] = {rgba.width * 4};
    sws_scale(e.convert, source, stride, 0, rgba.height, e.picture->data, e.picture->linesize);
  }
  e.picture->pts = e.videoPts++;
  if (int r = avcodec_send_frame(e.video, e.picture); r < 0)
    return e.encodingError("encoding a frame failed", r);
  return e.drain(e.video, e.videoStream, true);
}

Status VideoEncoder::writeAudio(const float* samples, size_t frames) {
  Impl& e = *impl_;
  const size_t channels = size_t(e.s.channels);
  e.pending.insert(e.pending.end(), samples, samples + frames * channels);
  const size_t whole = e.pending.size() / channels / size_t(e.audioFrameSize);
  for (size_t k = 0; k < whole; ++k)
    if (Status s =
            e.encodeAudio(e.pending.data() + k * size_t(e.audioFrameSize) * channels, e.audioFrameSize);
        !s)
      return s;
  e.pending.erase(e.pending.begin(),
                  e.pending.begin() + std::ptrdiff_t(whole * size_t(e.audioFrameSize) * channels));
  return success();
}

Status VideoEncoder::finish() {
  Impl& e = *impl_;
  const size_t channels = size_t(e.s.channels);
  if (!e.pending.empty()) {
    int frames = int(e.pending.size() / channels);
    // An encoder that takes only whole frames gets the last one filled with silence.
    if (!e.smallLastFrame)
      e.pending.resize(size_t(e.audioFrameSize) * channels, 0.0f), frames = e.audioFrameSize;
    if (Status s = e.encodeAudio(e.pending.data(), frames); !s) return s;
    e.pending.clear();
  }
  if (int r = avcodec_send_frame(e.video, nullptr); r < 0)
    return e.encodingError("finishing the video failed", r);
  if (Status s = e.drain(e.video, e.videoStream, true); !s) return s;
  if (int r = avcodec_send_frame(e.audio, nullptr); r < 0)
    return e.encodingError("finishing the sound failed", r);
  if (Status s = e.drain(e.audio, e.audioStream, false); !s) return s;
  if (int r = av_write_trailer(e.format); r < 0)
    return fail(ErrorKind::Output, e.name + ": finishing the video failed (" + avError(r) + ")");
  e.fileOpen = false;
  if (int r = avio_closep(&e.format->pb); r < 0)
    return fail(ErrorKind::Output, e.name + ": writing the video failed (" + avError(r) + ")");
  return success();
}

}  // namespace slidewright::exports
