#pragma once

#include <cstdint>

namespace orvelle {

// The white-noise source of the synthesised signal: a linear congruential
// generator whose state starts at 1 every run, so every run draws the same
// values. Each value is 15 bits, 0 to 32767.
class SynthesizerNoise {
 public:
  static constexpr std::uint32_t kMultiplier = 214013;
  static constexpr std::uint32_t kIncrement = 2531011;
  static constexpr std::uint32_t kValueMask = 32767;

  std::int32_t next() {
    state_ = state_ * kMultiplier + kIncrement;  // modulo 2^32 by unsigned wrap-around
    return static_cast<std::int32_t>((state_ >> 16) & kValueMask);
  }

  // Moves on as `count` calls of next() would, by composing the generator's
  // step with itself (exact modulo 2^32), so a later stretch of the sequence
  // can be drawn without drawing everything before it.
  void skip(std::uint64_t count) {
    std::uint32_t multiplier = kMultiplier;
    std::uint32_t increment = kIncrement;
    while (count > 0) {
      if ((count & 1u) != 0) state_ = state_ * multiplier + increment;
      increment = increment * multiplier + increment;
      multiplier = multiplier * multiplier;
      count >>= 1;
    }
  }

 private:
  std::uint32_t state_ = 1;
};

}  // namespace orvelle
