#include <swf/stream.h>

#include <algorithm>
#include <cassert>
#include <initializer_list>

SwfStream::SwfStream() { bytes_.reserve(1024); }

void SwfStream::commitPending() {
  bytes_.push_back(pending_);
  pending_ = 0;
  freeBits_ = 8;
}

void SwfStream::writeBits(std::int32_t value, unsigned n) {
  assert(n >= 1 && n <= 32);
  // Work on the field shifted to the top of a 32-bit word: each pass moves
  // the top freeBits bits of what is left into the pending byte and drops
  // them from the word.
  std::uint32_t field = static_cast<std::uint32_t>(value) << (32 - n);
  while (n > 0) {
    const unsigned take = n < freeBits_ ? n : freeBits_;
    pending_ |= static_cast<std::uint8_t>((field >> (32 - take)) << (freeBits_ - take));
    freeBits_ -= take;
    n -= take;
    field = take < 32 ? field << take : 0;
    if (freeBits_ == 0) commitPending();
  }
}

void SwfStream::flushBits() {
  if (freeBits_ != 8) commitPending();
}

void SwfStream::writeU8(std::uint32_t value) {
  if (isAligned())
    bytes_.push_back(static_cast<std::uint8_t>(value));
  else
    writeBits(static_cast<std::int32_t>(value & 0xFF), 8);
}

void SwfStream::writeU16(std::uint32_t value) {
  writeU8(value);
  writeU8(value >> 8);
}

void SwfStream::writeU32(std::uint32_t value) {
  writeU8(value);
  writeU8(value >> 8);
  writeU8(value >> 16);
  writeU8(value >> 24);
}

void SwfStream::appendChunk(const std::uint8_t* data, std::size_t size) {
  assert(isAligned());
  chunks_.push_back(SwfChunk{bytes_.size(), data, size});
}

void SwfStream::appendStream(SwfStream& other) {
  const std::vector<std::uint8_t>& src = other.bytes_;
  auto copy = [&](std::size_t from, std::size_t to) {
    if (isAligned()) {
      bytes_.insert(bytes_.end(), src.begin() + static_cast<std::ptrdiff_t>(from),
                    src.begin() + static_cast<std::ptrdiff_t>(to));
    } else {
      for (std::size_t k = from; k < to; ++k) writeBits(src[k], 8);
    }
  };
  std::size_t i = 0;
  for (const SwfChunk& chunk : other.chunks_) {
    copy(i, chunk.position);
    i = chunk.position;
    appendChunk(chunk.data, chunk.size);
  }
  other.chunks_.clear();
  copy(i, src.size());
}

std::uint64_t SwfStream::totalSize() const {
  std::uint64_t total = bytes_.size();
  for (const SwfChunk& chunk : chunks_) total += chunk.size;
  return total;
}

void SwfStream::splice(const std::function<void(const std::uint8_t*, std::size_t)>& put) {
  std::size_t i = 0;
  for (const SwfChunk& chunk : chunks_) {
    put(bytes_.data() + i, chunk.position - i);
    put(chunk.data, chunk.size);
    i = chunk.position;
  }
  chunks_.clear();
  put(bytes_.data() + i, bytes_.size() - i);
}

bool SwfStream::writeToFile(std::FILE* file) {
  bool ok = true;
  splice([&](const std::uint8_t* data, std::size_t size) {
    if (ok && size > 0 && std::fwrite(data, 1, size, file) != size) ok = false;
  });
  return ok;
}

std::vector<std::uint8_t> SwfStream::takeBytes() {
  std::vector<std::uint8_t> all;
  all.reserve(static_cast<std::size_t>(totalSize()));
  splice([&](const std::uint8_t* data, std::size_t size) { all.insert(all.end(), data, data + size); });
  return all;
}

void SwfStream::overwrite(std::size_t offset, const SwfStream& src) {
  assert(offset + src.bytes_.size() <= bytes_.size());
  std::copy(src.bytes_.begin(), src.bytes_.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
}

void writeTagHeader(SwfStream& out, SwfTagCode code, std::uint32_t length, SwfStream* body) {
  if (length <= 62) {
    out.writeU16((unsigned{code} << 6) | length);
  } else {
    out.writeU16((unsigned{code} << 6) | 0x3F);
    out.writeU32(length);
  }
  if (body) out.appendStream(*body);
}

void writeTag(SwfStream& out, SwfTagCode code, SwfStream& body) {
  assert(body.isAligned());
  const std::uint64_t length = body.totalSize();
  // Loaders refuse data that would not fit a 32-bit length, so a body
  // measured here always fits.
  assert(length <= 0xFFFFFFFFu);
  writeTagHeader(out, code, static_cast<std::uint32_t>(length), &body);
}

unsigned bitsNeeded(std::uint32_t magnitude, unsigned extra) {
  unsigned length = 0;
  while (magnitude != 0) {
    ++length;
    magnitude >>= 1;
  }
  return extra + length;
}

std::uint32_t maxMagnitude(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
  auto magnitude = [](std::int32_t v) {
    // Negate in unsigned arithmetic so that INT32_MIN gives 2^31.
    return v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
  };
  std::uint32_t m = magnitude(a);
  for (std::uint32_t v : {magnitude(b), magnitude(c), magnitude(d)})
    if (v > m) m = v;
  return m;
}
