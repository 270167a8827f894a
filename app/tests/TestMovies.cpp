#include "TestMovies.h"

#include <cstdio>

#include "common/stdio_file.h"

namespace testmovies {

namespace {

class Writer {
 public:
  void u8(uint32_t v) { bytes.push_back(uint8_t(v)); }
  void u16(uint32_t v) {
    u8(v);
    u8(v >> 8);
  }
  void u32(uint32_t v) {
    u16(v);
    u16(v >> 16);
  }
  void bits(uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (bitPos_ == 0) bytes.push_back(0);
      if ((value >> i) & 1) bytes.back() |= uint8_t(0x80 >> bitPos_);
      bitPos_ = (bitPos_ + 1) % 8;
    }
  }
  void align() { bitPos_ = 0; }
  void tag(int code, const std::vector<uint8_t>& body) {
    if (body.size() < 63) {
      u16(uint32_t(code << 6) | uint32_t(body.size()));
    } else {
      u16(uint32_t(code << 6) | 63);
      u32(uint32_t(body.size()));
    }
    bytes.insert(bytes.end(), body.begin(), body.end());
  }
  std::vector<uint8_t> bytes;

 private:
  int bitPos_ = 0;
};

}  // namespace

std::vector<uint8_t> silentMp3(int frames) {
  std::vector<uint8_t> out;
  for (int i = 0; i < frames; ++i) {
    const uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x64};  // 128 kbit/s, 44.1 kHz, stereo
    out.insert(out.end(), header, header + 4);
    out.insert(out.end(), 413, 0);
  }
  return out;
}

std::vector<uint8_t> colourMovie(const MovieSpec& spec) {
  Writer body;
  // Frame rectangle: 5-bit field size, then xMin, xMax, yMin, yMax in twips.
  const int nbits = 17;
  body.bits(nbits, 5);
  body.bits(0, nbits);
  body.bits(uint32_t(spec.width * 20), nbits);
  body.bits(0, nbits);
  body.bits(uint32_t(spec.height * 20), nbits);
  body.align();
  body.u16(uint32_t(spec.framesPerSecond * 256 + 0.5));
  body.u16(uint32_t(spec.frameColours.size()));
  if (spec.withSound) {
    Writer sound;
    sound.u16(1);    // id
    sound.u8(0x2F);  // MP3, 44 kHz, 16-bit, stereo
    const int mp3Frames = 20;
    sound.u32(uint32_t(mp3Frames * 1152));
    sound.u16(0);  // seek samples
    const std::vector<uint8_t> mp3 = silentMp3(mp3Frames);
    sound.bytes.insert(sound.bytes.end(), mp3.begin(), mp3.end());
    body.tag(14, sound.bytes);  // DefineSound
  }
  for (size_t i = 0; i < spec.frameColours.size(); ++i) {
    const uint32_t c = spec.frameColours[i];
    body.tag(9, {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});  // SetBackgroundColor
    if (i == 0 && spec.withSound) body.tag(15, {1, 0, 0});         // StartSound 1
    body.tag(1, {});                                               // ShowFrame
  }
  body.tag(0, {});  // End
  Writer file;
  file.u8('F');
  file.u8('W');
  file.u8('S');
  file.u8(4);
  file.u32(uint32_t(8 + body.bytes.size()));
  file.bytes.insert(file.bytes.end(), body.bytes.begin(), body.bytes.end());
  return file.bytes;
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  slidewright::StdioFile f = slidewright::openStdioFile(path, "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
  return slidewright::closeWritten(f) && ok;
}

bool writeColourMovie(const std::string& path, const MovieSpec& spec) {
  return writeBytes(path, colourMovie(spec));
}

}  // namespace testmovies
