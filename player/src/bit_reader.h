// Bounded reader over a byte range: SWF bit fields (most significant bit
// first) and little-endian integers. A read past the end sets a sticky
// failure flag and yields zeros, so callers check once after a record.
#pragma once

#include <cstddef>
#include <cstdint>

namespace player {

class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool failed() const { return failed_; }
  size_t position() const { return pos_; }  // byte position (of the next whole byte)
  size_t remaining() const { return failed_ || pos_ >= size_ ? 0 : size_ - pos_; }
  bool atEnd() const { return pos_ >= size_ && bitPos_ == 0; }
  // Bits left, counting the unread part of a partly read byte.
  size_t remainingBits() const {
    if (failed_) return 0;
    size_t bytes = size_ > pos_ ? size_ - pos_ : 0;
    return bytes * 8 - bitPos_;
  }
  const uint8_t* current() const { return data_ + pos_; }

  void fail() { failed_ = true; }

  void align() {
    if (bitPos_ != 0) {
      bitPos_ = 0;
      ++pos_;
    }
  }

  uint32_t ub(unsigned n) {
    if (n == 0) return 0;
    if (n > 32 || remainingBits() < n) {
      failed_ = true;
      return 0;
    }
    uint32_t v = 0;
    while (n > 0) {
      unsigned avail = 8 - bitPos_;
      unsigned take = n < avail ? n : avail;
      uint32_t byte = data_[pos_];
      uint32_t bits = (byte >> (avail - take)) & ((1u << take) - 1);
      v = (take == 32 ? 0 : v << take) | bits;
      bitPos_ += take;
      n -= take;
      if (bitPos_ == 8) {
        bitPos_ = 0;
        ++pos_;
      }
    }
    return v;
  }

  int32_t sb(unsigned n) {
    if (n == 0) return 0;
    uint32_t v = ub(n);
    if (n < 32 && (v & (1u << (n - 1)))) v |= ~((1u << n) - 1);
    return static_cast<int32_t>(v);
  }

  uint8_t u8() {
    align();
    if (remaining() < 1) return fail(), 0;
    return data_[pos_++];
  }
  uint16_t u16() {
    align();
    if (remaining() < 2) return fail(), 0;
    uint16_t v = uint16_t(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  uint32_t u32() {
    align();
    if (remaining() < 4) return fail(), 0;
    uint32_t v = uint32_t(data_[pos_]) | (uint32_t(data_[pos_ + 1]) << 8) |
                 (uint32_t(data_[pos_ + 2]) << 16) | (uint32_t(data_[pos_ + 3]) << 24);
    pos_ += 4;
    return v;
  }

  // Advances over n whole bytes; returns a pointer to them or null on overrun.
  const uint8_t* bytes(size_t n) {
    align();
    if (remaining() < n) {
      failed_ = true;
      return nullptr;
    }
    const uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  unsigned bitPos_ = 0;
  bool failed_ = false;
};

}  // namespace player
