// MPEG audio frame headers (MPEG-1, 2 and 2.5, layers I to III): the one
// decoder of the four header bytes for the player's frame walker and the
// music check of the media layer.
#pragma once

#include <cstdint>

namespace slidewright {

struct MpegAudioHeader {
  int version = 0;  // 3 = MPEG-1, 2 = MPEG-2, 0 = MPEG-2.5
  int layer = 0;    // 1, 2 or 3
  int bitrate = 0;  // bits per second
  int sampleRate = 0;
  int channels = 0;
  int samples = 0;  // per channel in one frame
  int length = 0;   // bytes of the whole frame, header included
};

// Decodes the four header bytes at p; false when any field is invalid or
// reserved, or the frame would be shorter than its header. Free-format
// frames (bit rate index 0) have no length of their own and are refused.
inline bool decodeMpegAudioHeader(const std::uint8_t* p, MpegAudioHeader* h) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
  const int version = (p[1] >> 3) & 3;
  const int layerBits = (p[1] >> 1) & 3;
  const int bitrateIndex = (p[2] >> 4) & 15;
  const int rateIndex = (p[2] >> 2) & 3;
  const int padding = (p[2] >> 1) & 1;
  const int mode = (p[3] >> 6) & 3;
  if (version == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
    return false;
  static const int kRates[4][3] = {
      {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
  // Bit rates in kbit/s: [mpeg1?][layer-1][index]
  static const int kBitrates[2][3][16] = {
      {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
      {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
       {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
       {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}}};
  const int layer = 4 - layerBits;
  const bool mpeg1 = version == 3;
  h->version = version;
  h->layer = layer;
  h->bitrate = kBitrates[mpeg1][layer - 1][bitrateIndex] * 1000;
  h->sampleRate = kRates[version][rateIndex];
  h->channels = mode == 3 ? 1 : 2;
  if (layer == 1) {
    h->samples = 384;
    h->length = (12 * h->bitrate / h->sampleRate + padding) * 4;
  } else if (layer == 2 || mpeg1) {
    h->samples = 1152;
    h->length = 144 * h->bitrate / h->sampleRate + padding;
  } else {
    h->samples = 576;
    h->length = 72 * h->bitrate / h->sampleRate + padding;
  }
  return h->length >= 4;
}

// Whether two headers belong to one stream (same version, layer and sample
// rate), as the frames of one piece of music do.
inline bool sameMpegStream(const MpegAudioHeader& a, const MpegAudioHeader& b) {
  return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

}  // namespace slidewright
