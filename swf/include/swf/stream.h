#pragma once

#include <swf/tag_code.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <cstdio>
#include <vector>

// A block of bytes that a stream refers to instead of copying it: a whole JPEG
// or MP3 file held by the tag that loaded it. position is the number of
// committed bytes of the stream when the chunk was registered; the bytes are
// not owned by the stream and must outlive it.
struct SwfChunk {
  std::size_t position = 0;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

// Growable output buffer of the SWF writer. Packs bit fields most significant
// bit first, writes integers little-endian, and carries chunks that are spliced
// in at their positions only when the stream is written to a file.
class SwfStream {
 public:
  SwfStream();

  // Appends the low n bits (1..32) of value, most significant first. Bits of
  // value above bit n-1 are dropped; a negative value gives two's complement.
  void writeBits(std::int32_t value, unsigned n);
  // Completes a pending partial byte with zero bits; nothing if aligned.
  void flushBits();
  void writeU8(std::uint32_t value);
  void writeU16(std::uint32_t value);
  void writeU32(std::uint32_t value);

  // Registers a block of bytes at the current position without copying it.
  // The stream must be aligned.
  void appendChunk(const std::uint8_t* data, std::size_t size);
  // Appends the committed bytes of other, re-registering its chunks here.
  // Consumes other's chunk list; other's pending partial byte is not copied.
  void appendStream(SwfStream& other);

  // Committed bytes plus the sizes of all chunks (a pending byte is not counted).
  std::uint64_t totalSize() const;

  // Writes the committed bytes with the chunks spliced in, and consumes the
  // chunk list. Returns false if any write fell short.
  bool writeToFile(std::FILE* file);
  // The committed bytes with the chunks spliced in, as one block; consumes
  // the chunk list.
  std::vector<std::uint8_t> takeBytes();

  // Replaces committed bytes from offset on with the committed bytes of src
  // (used to fill in a header whose space was reserved first).
  void overwrite(std::size_t offset, const SwfStream& src);

  bool isAligned() const { return freeBits_ == 8; }
  std::size_t committed() const { return bytes_.size(); }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  const std::vector<SwfChunk>& chunks() const { return chunks_; }

 private:
  void commitPending();
  // Hands put each run of committed bytes and each chunk in output order,
  // then consumes the chunk list.
  void splice(const std::function<void(const std::uint8_t*, std::size_t)>& put);

  std::vector<std::uint8_t> bytes_;
  std::vector<SwfChunk> chunks_;
  unsigned freeBits_ = 8;
  std::uint8_t pending_ = 0;
};

// Writes a tag's RECORDHEADER (short form for lengths up to 62, long form from
// 63 on) and then appends body, if given.
void writeTagHeader(SwfStream& out, SwfTagCode code, std::uint32_t length, SwfStream* body);

// Measures body (chunks included) and writes it behind its header.
void writeTag(SwfStream& out, SwfTagCode code, SwfStream& body);

// Number of bits for a field holding magnitude: extra when magnitude is 0, else
// extra plus the bit length of magnitude. extra is 1 for signed fields.
unsigned bitsNeeded(std::uint32_t magnitude, unsigned extra);

// Largest absolute value of four signed integers (exact even for INT32_MIN).
std::uint32_t maxMagnitude(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);
