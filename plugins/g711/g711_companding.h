#pragma once

#include <cstdint>

// ITU-T G.711 companding of 16-bit linear samples. µ-law quantises the top
// 14 bits and A-law the top 13 bits of a sample, eight segments of sixteen
// steps each, the step doubling from one segment to the next. Codes are the
// transmitted characters: µ-law with all bits inverted, A-law with the even
// bits inverted, as on the line.
namespace orvelle::g711 {

// µ-law works on the biased 14-bit magnitude (bias 33), so that the segment
// is the position of the leading one and the step is 2^(segment + 1).
constexpr int kUlawBias = 33;
constexpr int kUlawLargest = 0x1FFF;  // largest biased magnitude: segment 7, step 15

constexpr std::uint8_t encodeUlaw(std::int16_t sample) {
  int value = sample >> 2;  // arithmetic shift: the 14-bit value, rounded down
  int mask = 0xFF;
  if (value < 0) {
    value = -value;
    mask = 0x7F;
  }
  value += kUlawBias;
  if (value > kUlawLargest) value = kUlawLargest;  // overload: the outermost step
  int segment = 0;
  while (segment < 7 && value >= (0x40 << segment)) ++segment;
  const int step = (value >> (segment + 1)) & 0x0F;
  return static_cast<std::uint8_t>(((segment << 4) | step) ^ mask);
}

constexpr std::int16_t decodeUlaw(std::uint8_t code) {
  const int inverted = ~code & 0xFF;
  const int segment = (inverted >> 4) & 0x07;
  // The centre of the step, still biased, in 16-bit units (bias 33 * 4).
  const int magnitude = ((((inverted & 0x0F) << 3) + 0x84) << segment) - 0x84;
  return static_cast<std::int16_t>((inverted & 0x80) ? -magnitude : magnitude);
}

constexpr std::uint8_t encodeAlaw(std::int16_t sample) {
  int value = sample >> 3;  // the 13-bit value, rounded down
  int mask = 0xD5;          // sign bit set for positive values, even bits inverted
  if (value < 0) {
    // One's complement keeps the negative half as fine as the positive one:
    // -1 .. -8 share the smallest step with 0 .. 7.
    value = -value - 1;
    mask = 0x55;
  }
  int segment = 0;
  while (segment < 7 && value >= (0x20 << segment)) ++segment;
  // The first two segments share the smallest step of two.
  const int step = (segment < 2 ? value >> 1 : value >> segment) & 0x0F;
  return static_cast<std::uint8_t>(((segment << 4) | step) ^ mask);
}

constexpr std::int16_t decodeAlaw(std::uint8_t code) {
  const int plain = code ^ 0x55;
  const int segment = (plain >> 4) & 0x07;
  int magnitude = ((plain & 0x0F) << 4) + 8;  // centre of the step, 16-bit units
  if (segment > 0) magnitude = (magnitude + 0x100) << (segment - 1);
  return static_cast<std::int16_t>((plain & 0x80) ? magnitude : -magnitude);
}

}  // namespace orvelle::g711
