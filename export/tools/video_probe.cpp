#include "video_probe.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "video_encoder.h"

namespace slidewright::exports::probe {

namespace {

std::string avError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

struct Closer {
  AVFormatContext* format = nullptr;
  AVCodecContext* video = nullptr;
  AVCodecContext* audio = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* convert = nullptr;
  ~Closer() {
    sws_freeContext(convert);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    avformat_close_input(&format);
  }
};

bool openDecoder(AVFormatContext* format, int stream, AVCodecContext** out, std::string* error) {
  const AVCodecParameters* par = format->streams[stream]->codecpar;
  const AVCodec* codec = avcodec_find_decoder(par->codec_id);
  if (!codec) {
    *error = std::string("no decoder for ") + avcodec_get_name(par->codec_id);
    return false;
  }
  *out = avcodec_alloc_context3(codec);
  avcodec_parameters_to_context(*out, par);
  (*out)->pkt_timebase = format->streams[stream]->time_base;
  if (int r = avcodec_open2(*out, codec, nullptr); r < 0) {
    *error = "cannot open the decoder: " + avError(r);
    return false;
  }
  return true;
}

// Whether the MP4's top-level index box comes before its media data box.
bool mp4IndexFirst(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  long long offset = 0, moov = -1, mdat = -1;
  unsigned char head[16];
  while (std::fseek(f, long(offset), SEEK_SET) == 0 && std::fread(head, 1, 8, f) == 8) {
    unsigned long long size = (unsigned long long)head[0] << 24 | head[1] << 16 | head[2] << 8 | head[3];
    if (size == 1 && std::fread(head + 8, 1, 8, f) == 8) {
      size = 0;
      for (int i = 8; i < 16; ++i) size = size << 8 | head[i];
    }
    if (std::memcmp(head + 4, "moov", 4) == 0 && moov < 0) moov = offset;
    if (std::memcmp(head + 4, "mdat", 4) == 0 && mdat < 0) mdat = offset;
    if (size < 8) break;
    offset += (long long)size;
  }
  std::fclose(f);
  return moov >= 0 && mdat >= 0 && moov < mdat;
}

// Whether the WebM's index (Cues) comes before its first Cluster: the
// top-level elements of its Segment are walked by their IDs and sizes.
bool webmIndexFirst(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  auto readVint = [&](bool keepMarker, uint64_t* value) {
    const int first = std::fgetc(f);
    if (first <= 0) return false;
    int length = 1;
    while (length <= 8 && !(first & (0x80 >> (length - 1)))) ++length;
    if (length > 8) return false;
    uint64_t v = keepMarker ? uint64_t(first) : uint64_t(first & (0xFF >> length));
    for (int i = 1; i < length; ++i) {
      const int c = std::fgetc(f);
      if (c < 0) return false;
      v = v << 8 | uint64_t(c);
    }
    *value = v;
    return true;
  };
  uint64_t id, size;
  bool cues = false, cluster = false, answer = false;
  // EBML header, then the Segment, whose children are walked.
  if (readVint(true, &id) && readVint(false, &size) && std::fseek(f, long(size), SEEK_CUR) == 0 &&
      readVint(true, &id) && id == 0x18538067 && readVint(false, &size)) {
    while (!cues && !cluster && readVint(true, &id) && readVint(false, &size)) {
      if (id == 0x1C53BB6B) cues = true;
      if (id == 0x1F43B675) cluster = true;
      if (std::fseek(f, long(size), SEEK_CUR) != 0) break;
    }
    answer = cues && !cluster;
  }
  std::fclose(f);
  return answer;
}

}  // namespace

bool probeVideo(const std::string& path, const FrameVisitor& visit, ProbedVideo* out, std::string* error) {
  Closer c;
  *out = ProbedVideo{};
  if (int r = avformat_open_input(&c.format, path.c_str(), nullptr, nullptr); r < 0) {
    *error = path + ": " + avError(r);
    return false;
  }
  if (int r = avformat_find_stream_info(c.format, nullptr); r < 0) {
    *error = path + ": " + avError(r);
    return false;
  }
  out->container = c.format->iformat->name;
  const int vs = av_find_best_stream(c.format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  const int as = av_find_best_stream(c.format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (vs < 0) {
    *error = path + ": no video stream";
    return false;
  }
  if (!openDecoder(c.format, vs, &c.video, error)) return false;
  if (as >= 0 && !openDecoder(c.format, as, &c.audio, error)) return false;
  const AVStream* vStream = c.format->streams[vs];
  out->width = c.video->width;
  out->height = c.video->height;
  out->videoCodec = avcodec_get_name(c.video->codec_id);
  out->pixelFormat = av_get_pix_fmt_name(c.video->pix_fmt) ? av_get_pix_fmt_name(c.video->pix_fmt) : "";
  out->colorSpace = av_color_space_name(c.video->colorspace) ? av_color_space_name(c.video->colorspace) : "";
  out->colorRange =
      av_color_range_name(c.video->color_range) ? av_color_range_name(c.video->color_range) : "";
  out->framesPerSecond =
      av_q2d(vStream->avg_frame_rate.num ? vStream->avg_frame_rate : vStream->r_frame_rate);
  if (as >= 0) {
    out->audioCodec = avcodec_get_name(c.audio->codec_id);
    out->sampleRate = c.audio->sample_rate;
    out->channels = c.audio->ch_layout.nb_channels;
  }
  out->indexFirst =
      out->container.find("mp4") != std::string::npos ? mp4IndexFirst(path) : webmIndexFirst(path);

  c.frame = av_frame_alloc();
  c.packet = av_packet_alloc();
  player::Image rgba(out->width, out->height);
  bool firstVideo = true, firstAudio = true;
  const double vtb = av_q2d(vStream->time_base);

  auto takeVideo = [&]() -> bool {
    for (;;) {
      int r = avcodec_receive_frame(c.video, c.frame);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
      if (r < 0) {
        *error = "decoding a frame failed: " + avError(r);
        return false;
      }
      const int64_t ts = c.frame->best_effort_timestamp;
      if (ts != AV_NOPTS_VALUE) {
        const double t = ts * vtb;
        if (firstVideo) out->videoStart = t;
        const double length =
            c.frame->pkt_duration > 0 ? c.frame->pkt_duration * vtb : 1.0 / out->framesPerSecond;
        out->videoEnd = std::max(out->videoEnd, t + length);
      }
      firstVideo = false;
      // The picture as displayed, only for a visitor to look at.
      if (visit) {
        if (c.frame->format != AV_PIX_FMT_YUV420P) {
          *error = "the video is not yuv420p";
          return false;
        }
        if (!c.convert) {
          c.convert =
              sws_getContext(c.frame->width, c.frame->height, AVPixelFormat(c.frame->format), out->width,
                             out->height, AV_PIX_FMT_RGBA,
                             SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
          const int space = c.frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
          sws_setColorspaceDetails(c.convert, sws_getCoefficients(space),
                                   c.frame->color_range == AVCOL_RANGE_JPEG, sws_getCoefficients(space), 1, 0,
                                   1 << 16, 1 << 16);
        }
        uint8_t* dst[1] = {rgba.pixels.data()};
        int stride[1] = {rgba.width * 4};
        sws_scale(c.convert, c.frame->data, c.frame->linesize, 0, c.frame->height, dst, stride);
        const DecodedFrame decoded{{c.frame->data[0], c.frame->data[1], c.frame->data[2]},
                                   {c.frame->linesize[0], c.frame->linesize[1], c.frame->linesize[2]},
                                   rgba};
        visit(out->frames, decoded);
      }
      ++out->frames;
      av_frame_unref(c.frame);
    }
  };
  auto takeAudio = [&]() -> bool {
    for (;;) {
      int r = avcodec_receive_frame(c.audio, c.frame);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
      if (r < 0) {
        *error = "decoding the sound failed: " + avError(r);
        return false;
      }
      if (firstAudio && c.frame->best_effort_timestamp != AV_NOPTS_VALUE)
        out->audioStart = c.frame->best_effort_timestamp * av_q2d(c.format->streams[as]->time_base);
      firstAudio = false;
      const int channels = c.frame->ch_layout.nb_channels;
      const auto fmt = AVSampleFormat(c.frame->format);
      const bool planar = av_sample_fmt_is_planar(fmt);
      for (int i = 0; i < c.frame->nb_samples; ++i) {
        float sum = 0;
        for (int ch = 0; ch < channels; ++ch) {
          const int plane = planar ? ch : 0, index = planar ? i : i * channels + ch;
          switch (fmt) {
            case AV_SAMPLE_FMT_FLT:
            case AV_SAMPLE_FMT_FLTP:
              sum += reinterpret_cast<const float*>(c.frame->extended_data[plane])[index];
              break;
            case AV_SAMPLE_FMT_S16:
            case AV_SAMPLE_FMT_S16P:
              sum += reinterpret_cast<const int16_t*>(c.frame->extended_data[plane])[index] / 32768.0f;
              break;
            default:
              break;
          }
        }
        out->audio.push_back(sum / float(channels));
      }
      av_frame_unref(c.frame);
    }
  };

  while (av_read_frame(c.format, c.packet) >= 0) {
    bool ok = true;
    if (c.packet->stream_index == vs) {
      if (avcodec_send_packet(c.video, c.packet) >= 0) ok = takeVideo();
    } else if (c.packet->stream_index == as) {
      if (avcodec_send_packet(c.audio, c.packet) >= 0) ok = takeAudio();
    }
    av_packet_unref(c.packet);
    if (!ok) return false;
  }
  avcodec_send_packet(c.video, nullptr);
  if (!takeVideo()) return false;
  if (c.audio) {
    avcodec_send_packet(c.audio, nullptr);
    if (!takeAudio()) return false;
  }
  return true;
}

double psnr(const player::Image& a, const player::Image& b, int width, int height) {
  double sum = 0;
  for (int y = 0; y < height; ++y) {
    const uint8_t* p = a.row(y);
    const uint8_t* q = b.row(y);
    for (int x = 0; x < width; ++x, p += 4, q += 4)
      for (int k = 0; k < 3; ++k) {
        const double d = double(p[k]) - double(q[k]);
        sum += d * d;
      }
  }
  const double mse = sum / (3.0 * width * height);
  return mse <= 0 ? 99.0 : std::min(99.0, 10.0 * std::log10(255.0 * 255.0 / mse));
}

}  // namespace slidewright::exports::probe

namespace slidewright::exports::probe {

double psnrYuv420(const player::Image& reference, const DecodedFrame& frame) {
  const int w = reference.width, h = reference.height;
  SwsContext* convert = makeRgbaToYuv420(w, h);
  const int cw = (w + 1) / 2, ch = (h + 1) / 2;
  std::vector<uint8_t> y(size_t(w) * h), u(size_t(cw) * ch), v(size_t(cw) * ch);
  uint8_t* dst[3] = {y.data(), u.data(), v.data()};
  int dstStride[3] = {w, cw, cw};
  const uint8_t* src[1] = {reference.pixels.data()};
  const int srcStride[1] = {w * 4};
  sws_scale(convert, src, srcStride, 0, h, dst, dstStride);
  sws_freeContext(convert);
  double sum = 0;
  auto plane = [&](const std::vector<uint8_t>& mine, int pw, int ph, int k) {
    for (int r = 0; r < ph; ++r) {
      const uint8_t* a = mine.data() + size_t(r) * pw;
      const uint8_t* b = frame.planes[k] + size_t(r) * frame.strides[k];
      for (int x = 0; x < pw; ++x) {
        const double d = double(a[x]) - double(b[x]);
        sum += d * d;
      }
    }
  };
  plane(y, w, h, 0);
  plane(u, cw, ch, 1);
  plane(v, cw, ch, 2);
  const double mse = sum / (double(w) * h + 2.0 * cw * ch);
  return mse <= 0 ? 99.0 : std::min(99.0, 10.0 * std::log10(255.0 * 255.0 / mse));
}

}  // namespace slidewright::exports::probe
