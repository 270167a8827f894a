#pragma once

#include <cstdint>

// A length in twips, the unit of every SWF coordinate (20 twips to the pixel).
// Made from a pixel count with fromPixels, or from a twip count explicitly, so a
// pixel value can never be passed where twips are expected by accident.
class Twips {
 public:
  static constexpr std::int32_t perPixel = 20;

  constexpr Twips() = default;
  explicit constexpr Twips(std::int32_t twips) : value_(twips) {}

  static constexpr Twips fromPixels(std::int32_t pixels) {
    // Unsigned arithmetic: an out-of-range pixel count wraps instead of
    // being undefined behaviour; real album sizes are far from the limit.
    return Twips(
        static_cast<std::int32_t>(static_cast<std::uint32_t>(pixels) * static_cast<std::uint32_t>(perPixel)));
  }

  constexpr std::int32_t value() const { return value_; }

  constexpr Twips operator-() const { return Twips(-value_); }
  constexpr Twips operator+(Twips other) const { return Twips(value_ + other.value_); }
  constexpr Twips operator-(Twips other) const { return Twips(value_ - other.value_); }
  constexpr bool operator==(Twips other) const { return value_ == other.value_; }
  constexpr bool operator!=(Twips other) const { return value_ != other.value_; }

 private:
  std::int32_t value_ = 0;
};
