#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace orvelle {

// Sums of squares of 16-bit samples taken in whole numbers. A square is at
// most 2^30 (a squared difference of two samples at most 2^32), so while the
// running total stays below 2^53 a sum in doubles, taken in sample order,
// never rounds: it is the whole-number sum, which may then be taken in any
// order and in integer arithmetic. Beyond that bound the sum in doubles
// rounds, and only the sample order gives its bits.

// The most squares whose sum in doubles is exact, whatever the samples.
inline constexpr std::size_t kExactSquareCount = std::size_t{1} << 23;

// x[0]^2 + x[1]^2 + ... as a sum of doubles in that order would give it.
double sumOfSquares(std::span<const std::int16_t> samples);

// One frame's energies: of x, of y and of their difference x - y.
struct FrameEnergies {
  double first = 0.0;
  double second = 0.0;
  double difference = 0.0;
};

// The three sums of a frame of at most 2^21 samples (2^21 differences of
// 2^32 stay below 2^53), each equal to its sum in doubles in sample order.
FrameEnergies frameEnergies(const std::int16_t* x, const std::int16_t* y, std::size_t count);

}  // namespace orvelle
